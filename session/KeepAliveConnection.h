#pragma once

#include <QString>

#include <optional>

// A server's answer to one command.
struct CCommandReply
{
    int code = 0;
    QString text;
};

// What keep-alive and reconnect need from a connection window's session.
class IKeepAliveConnection
{
public:
    virtual ~IKeepAliveConnection() = default;

    // Logged in and ready for commands.
    virtual bool IsConnected() const = 0;
    // Sends one raw command and waits for its reply, dispatching events meanwhile; nothing when no
    // reply came within the time-out.
    virtual std::optional<CCommandReply> SendCommand(const QString& command) = 0;
    // Connects again to the site and folder of the lost connection; false when that failed.
    virtual bool Reconnect() = 0;
    // One trace line (0 information, 1 reply, 2 command, 3 error), given without the "[thread] "
    // prefix that every session line starts with.
    virtual void Log(int level, const QString& text) = 0;
};
