#pragma once

#include "engine/ftp/FtpReply.h"
#include "engine/net/IoResult.h"

#include <QString>

enum class FtpStatus
{
    Ok,
    Refused,      // the server answered with an error reply
    LogInRefused, // the server refused the user name or password: the same ones will not do better
    Network,      // the connection failed or was closed
    TimedOut,     // no answer within the time-out
    Cancelled,    // the owner cancelled
    Protocol,     // the server broke the protocol
    Local,        // a local file could not be read or written
    Rejected,     // the owner rejected the server's certificate
    NotConnected, // no connection to work on
    BadRequest    // the request itself cannot be sent (unsafe characters, no such option)
};

// What every client call returns: success, the reply that decided it and a message for people, which
// always carries the server's reply or the system's error verbatim.
struct FtpResult
{
    FtpStatus status = FtpStatus::Ok;
    FtpReply reply;
    QString message;

    bool Ok() const { return status == FtpStatus::Ok; }

    static FtpResult Success(const FtpReply& reply = {});
    static FtpResult Failure(FtpStatus status, const QString& message, const FtpReply& reply = {});
    // "<what>：<reply text>".
    static FtpResult Refused(const QString& what, const FtpReply& reply);
    // "<what>：<system error or time-out text>".
    static FtpResult FromIo(const QString& what, const IoResult& io);
    // A download that ended with fewer bytes than the server had announced for the file.
    static FtpResult Short(const QString& what, const QString& name, qint64 received, qint64 expected,
                           const FtpReply& reply = {});
};

// A result with a value, which is meaningful only when result.Ok().
template <typename T> struct FtpValue
{
    FtpResult result;
    T value{};
};
