#include "engine/ftp/ServerCopy.h"

#include "engine/ftp/PassiveReply.h"
#include "engine/RemoteConnection.h"
#include "engine/RemoteName.h"

#include <QCoreApplication>

#include <limits>

namespace
{
// The source reports the end of a copy only when the last byte has gone, however long that takes;
// cancelling ends the wait.
constexpr int kCopyWaitMs = std::numeric_limits<int>::max();

FtpResult Refused(const QString& what, const FtpValue<FtpReply>& answer)
{
    return answer.result.Ok() ? FtpResult::Refused(what, answer.value) : answer.result;
}

FtpResult Copy(CFtpClient& from, const QByteArray& source, CFtpClient& to, const QByteArray& target,
               FtpTransferType type, bool* storing)
{
    const QByteArray typeCommand = type == FtpTransferType::Ascii ? "TYPE A" : "TYPE I";
    FtpResult typed = from.Raw(typeCommand);
    if (typed.Ok())
        typed = to.Raw(typeCommand);
    if (!typed.Ok())
        return typed;
    const FtpValue<FtpReply> pasv = from.Begin("PASV");
    if (!pasv.result.Ok())
        return FtpResult::Failure(pasv.result.status,
                                  QCoreApplication::translate("ServerCopy", "來源站台沒有回應 PASV 命令：") +
                                      pasv.result.message);
    if (pasv.value.code != 227)
        return Refused(QCoreApplication::translate("ServerCopy", "來源站台沒有接受 PASV 命令"), pasv);
    const std::optional<CSocketAddress> address = CPassiveReply::ParsePasv(pasv.value.lines.last());
    if (!address || address->IsIpv6())
        return FtpResult::Failure(FtpStatus::Protocol,
                                  QCoreApplication::translate("ServerCopy", "無效 PASV 回應：") +
                                      QString::fromUtf8(pasv.value.Text()));
    const FtpResult pointed = to.Raw("PORT " + CPassiveReply::PortArgument(*address));
    if (!pointed.Ok() || pointed.reply.code != 200)
        return pointed.Ok() ? FtpResult::Refused(
                                  QCoreApplication::translate("ServerCopy", "目的站台沒有接受 PORT 命令"),
                                  pointed.reply)
                            : pointed;
    // The destination is ready to receive (its 1xx) before the source is told to send.
    const FtpValue<FtpReply> ready = to.Begin("STOR " + target);
    *storing = ready.result.Ok() && ready.value.IsPreliminary();
    if (!*storing)
        return Refused(QCoreApplication::translate("ServerCopy", "目的站台沒有接受 STOR %1")
                           .arg(CRemoteName::ToText(target)),
                       ready);
    const FtpValue<FtpReply> sending = from.Begin("RETR " + source);
    if (!sending.result.Ok() || !sending.value.IsPreliminary())
        return Refused(QCoreApplication::translate("ServerCopy", "來源站台沒有接受 RETR %1")
                           .arg(CRemoteName::ToText(source)),
                       sending);
    const FtpValue<FtpReply> sent = from.FinalReply(kCopyWaitMs);
    if (!sent.result.Ok() || !sent.value.IsPositive())
        return Refused(QCoreApplication::translate("ServerCopy", "來源站台沒有完成 RETR %1")
                           .arg(CRemoteName::ToText(source)),
                       sent);
    const FtpValue<FtpReply> stored = to.FinalReply(kCopyWaitMs);
    if (!stored.result.Ok() || !stored.value.IsPositive())
        return Refused(QCoreApplication::translate("ServerCopy", "目的站台沒有確認 STOR %1")
                           .arg(CRemoteName::ToText(target)),
                       stored);
    *storing = false;
    return FtpResult::Success(stored.value);
}
} // namespace

FtpResult CopyBetweenServers(CRemoteConnection& source, const QString& sourcePath,
                             CRemoteConnection& destination, const QString& targetPath, FtpTransferType type)
{
    CFtpClient* from = source.Ftp();
    CFtpClient* to = destination.Ftp();
    if (!from || !to)
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            QCoreApplication::translate("ServerCopy", "站台之間的複製只能用於 FTP 站台"));
    bool storing = false;
    const FtpResult copied =
        Copy(*from, CRemoteName::ToBytes(sourcePath), *to, CRemoteName::ToBytes(targetPath), type, &storing);
    if (!storing || copied.status == FtpStatus::Cancelled)
        return copied;
    const QString folder = destination.CurrentFolder();
    if (destination.Connect().Ok())
        destination.ChangeFolder(folder);
    return copied;
}
