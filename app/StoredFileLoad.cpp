#include "app/StoredFileLoad.h"

#include <QCoreApplication>

QString CStoredFileLoad::WindowText() const
{
    if (!IsDamaged())
        return {};
    if (IsStuck())
        return QCoreApplication::translate(
                   "StoredFileLoad", "無法讀取檔案 %1，也無法將它改名保存；為免覆蓋，此檔案不會被寫入。")
            .arg(m_path);
    return QCoreApplication::translate("StoredFileLoad",
                                       "無法讀取檔案 %1。\n原檔案已改名保存為 %2，程式將以空白內容重新開始。")
        .arg(m_path, m_asidePath);
}

QString CStoredFileLoad::CommandLineText() const
{
    if (!IsDamaged())
        return {};
    if (IsStuck())
        return QStringLiteral("%1 cannot be read and could not be moved aside; it is left as it "
                              "is and nothing is written over it")
            .arg(m_path);
    return QStringLiteral("%1 cannot be read; it was moved aside to %2 and a new one starts empty")
        .arg(m_path, m_asidePath);
}
