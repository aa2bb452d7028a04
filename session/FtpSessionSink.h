#pragma once

#include <QString>

// Levels of the session log, as the trace pane colours them.
enum LogLevel
{
    LogInformation = 0,
    LogReply = 1,
    LogCommand = 2,
    LogError = 3
};

// What a session tells the window that owns it.
class IFtpSessionSink
{
public:
    virtual ~IFtpSessionSink() = default;

    // One finished log line, "[thread] " in front.
    virtual void OnLog(int level, const QString& text) = 0;
    virtual void OnConnected() = 0;
    virtual void OnDisconnected() = 0;
};
