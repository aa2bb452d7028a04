#include "engine/sftp/SftpStatus.h"

#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpReader.h"

#include <QCoreApplication>

namespace
{
QString Meaning(quint32 code)
{
    switch (code)
    {
    case Sftp::Ok:
        return QCoreApplication::translate("SftpStatus", "成功");
    case Sftp::Eof:
        return QCoreApplication::translate("SftpStatus", "已到檔案結尾");
    case Sftp::NoSuchFile:
        return QCoreApplication::translate("SftpStatus", "檔案或資料夾不存在");
    case Sftp::PermissionDenied:
        return QCoreApplication::translate("SftpStatus", "權限不足");
    case Sftp::Failure:
        return QCoreApplication::translate("SftpStatus", "伺服器無法完成作業");
    case Sftp::BadMessage:
        return QCoreApplication::translate("SftpStatus", "伺服器無法辨識要求");
    case Sftp::NoConnection:
        return QCoreApplication::translate("SftpStatus", "沒有連線");
    case Sftp::ConnectionLost:
        return QCoreApplication::translate("SftpStatus", "連線中斷");
    case Sftp::OpUnsupported:
        return QCoreApplication::translate("SftpStatus", "伺服器不支援此作業");
    default:
        return QCoreApplication::translate("SftpStatus", "伺服器錯誤碼 %1").arg(code);
    }
}
} // namespace

bool SftpStatus::Read(CSftpReader& reader, SftpStatus* status)
{
    SftpStatus read;
    if (!reader.Uint32(&read.code))
        return false;
    if (!reader.AtEnd() && !reader.String(&read.message))
        return false;
    *status = read;
    return true;
}

QString SftpStatus::Describe(const QString& what) const
{
    QString text = what + QCoreApplication::translate("SftpStatus", "：") + Meaning(code);
    const QByteArray own = message.trimmed();
    if (!own.isEmpty())
        text += QCoreApplication::translate("SftpStatus", "（") + QString::fromUtf8(own) +
                QCoreApplication::translate("SftpStatus", "）");
    return text;
}

FtpResult SftpStatus::ToResult(const QString& what) const
{
    return Ok() ? FtpResult::Success() : FtpResult::Failure(FtpStatus::Refused, Describe(what));
}
