#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

enum class FtpLogKind
{
    Command, // a command as sent, password included: the owner masks PASS before showing it
    Reply,   // one reply line as received
    Info     // something the engine decided on its own (an address substitution, a fallback)
};

using FtpLogHook = std::function<void(FtpLogKind kind, const QByteArray& line)>;
// Sees each command just before it is sent and may change it (the owner's last word on what goes out).
using FtpCommandHook = std::function<void(QByteArray& command)>;

// Whether the command line is a PASS command (the user's password follows it).
bool IsPasswordCommand(const QString& command);
// A PASS command as "PASS ****", which tells nothing of the password, not even its length; any other
// command as it is.
QString MaskedCommand(const QString& command);
