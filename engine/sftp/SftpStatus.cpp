#include "engine/sftp/SftpStatus.h"

#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpReader.h"

namespace
{
QString Meaning(quint32 code)
{
    switch (code)
    {
    case Sftp::Ok:
        return QStringLiteral("成功");
    case Sftp::Eof:
        return QStringLiteral("已到檔案結尾");
    case Sftp::NoSuchFile:
        return QStringLiteral("檔案或資料夾不存在");
    case Sftp::PermissionDenied:
        return QStringLiteral("權限不足");
    case Sftp::Failure:
        return QStringLiteral("伺服器無法完成作業");
    case Sftp::BadMessage:
        return QStringLiteral("伺服器無法辨識要求");
    case Sftp::NoConnection:
        return QStringLiteral("沒有連線");
    case Sftp::ConnectionLost:
        return QStringLiteral("連線中斷");
    case Sftp::OpUnsupported:
        return QStringLiteral("伺服器不支援此作業");
    default:
        return QStringLiteral("伺服器錯誤碼 %1").arg(code);
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
    QString text = what + QStringLiteral("：") + Meaning(code);
    const QByteArray own = message.trimmed();
    if (!own.isEmpty())
        text += QStringLiteral("（") + QString::fromUtf8(own) + QStringLiteral("）");
    return text;
}

FtpResult SftpStatus::ToResult(const QString& what) const
{
    return Ok() ? FtpResult::Success() : FtpResult::Failure(FtpStatus::Refused, Describe(what));
}
