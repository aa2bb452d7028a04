#pragma once

#include <QString>
#include <QtGlobal>

// Outcome of one blocking socket or TLS operation.
enum class IoStatus
{
    Ok,
    Closed,    // the peer closed the connection
    TimedOut,  // nothing happened within the time-out
    Cancelled, // the owner cancelled from another thread
    Failed,    // a system or library error; the text says which
    Protocol   // the peer sent something this side refuses
};

struct IoResult
{
    IoStatus status = IoStatus::Ok;
    qint64 bytes = 0;
    QString error; // the system's or the library's own text, verbatim

    bool Ok() const { return status == IoStatus::Ok; }

    static IoResult Done(qint64 bytes = 0) { return {IoStatus::Ok, bytes, {}}; }
    static IoResult Fail(IoStatus status, const QString& error = {}) { return {status, 0, error}; }
    static IoResult FromErrno(int error);
};
