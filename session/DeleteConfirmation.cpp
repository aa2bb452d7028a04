#include "session/DeleteConfirmation.h"

#include <QCoreApplication>

QString DeleteConfirmationText(const QList<CFtpListItem>& selected)
{
    const CFtpListItem* only = nullptr;
    qsizetype count = 0;
    for (const CFtpListItem& item : selected)
    {
        if (item.IsParent())
            continue;
        only = &item;
        ++count;
    }
    if (count == 0)
        return {};
    if (count > 1)
        return QCoreApplication::translate("DeleteConfirmation", "您確定要刪除 %1 這些項目嗎?").arg(count);
    if (only->isFolder)
        return QCoreApplication::translate("DeleteConfirmation", "您確定要刪除這個資料夾 '%1' 及所有的內容？")
            .arg(only->name);
    return QCoreApplication::translate("DeleteConfirmation", "您確定要刪除 '%1' ？").arg(only->name);
}
