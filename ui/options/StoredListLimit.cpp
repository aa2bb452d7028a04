#include "ui/options/StoredListLimit.h"

#include "app/Profile.h"
#include "app/StringList.h"

#include <QCoreApplication>

QString StoredListProblem(const QStringList& items, const QString& listName)
{
    const qsizetype size = CStringList(items).Serialize().size();
    if (size < kProfileObjectLimit)
        return {};
    return QCoreApplication::translate(
               "StoredListLimit",
               "%1太長，無法儲存：儲存後為 %2 位元組，必須少於 %3 位元組。請移除部分項目。")
        .arg(listName)
        .arg(size)
        .arg(kProfileObjectLimit);
}
