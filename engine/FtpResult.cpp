#include "engine/FtpResult.h"

#include <QCoreApplication>

namespace
{
QString Describe(const IoResult& io)
{
    switch (io.status)
    {
    case IoStatus::Closed:
        return QCoreApplication::translate("FtpResult", "伺服器已關閉連線");
    case IoStatus::TimedOut:
        return QCoreApplication::translate("FtpResult", "連線逾時");
    case IoStatus::Cancelled:
        return QCoreApplication::translate("FtpResult", "作業已取消");
    default:
        return io.error.isEmpty() ? QCoreApplication::translate("FtpResult", "未知的錯誤") : io.error;
    }
}

FtpStatus StatusOf(IoStatus status)
{
    switch (status)
    {
    case IoStatus::Ok:
        return FtpStatus::Ok;
    case IoStatus::TimedOut:
        return FtpStatus::TimedOut;
    case IoStatus::Cancelled:
        return FtpStatus::Cancelled;
    case IoStatus::Protocol:
        return FtpStatus::Protocol;
    default:
        return FtpStatus::Network;
    }
}
} // namespace

FtpResult FtpResult::Success(const FtpReply& reply)
{
    return {FtpStatus::Ok, reply, {}};
}

FtpResult FtpResult::Failure(FtpStatus status, const QString& message, const FtpReply& reply)
{
    return {status, reply, message};
}

FtpResult FtpResult::Refused(const QString& what, const FtpReply& reply)
{
    return {FtpStatus::Refused, reply,
            what + QCoreApplication::translate("FtpResult", "：") + QString::fromUtf8(reply.Text())};
}

FtpResult FtpResult::FromIo(const QString& what, const IoResult& io)
{
    return {StatusOf(io.status), {}, what + QCoreApplication::translate("FtpResult", "：") + Describe(io)};
}

FtpResult FtpResult::Short(const QString& what, const QString& name, qint64 received, qint64 expected,
                           const FtpReply& reply)
{
    return {
        FtpStatus::Network, reply,
        what + QCoreApplication::translate("FtpResult", "：%1 只收到 %2 位元組，伺服器宣告的大小是 %3 位元組")
                   .arg(name)
                   .arg(received)
                   .arg(expected)};
}
