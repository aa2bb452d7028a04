#pragma once

#include <QByteArray>
#include <optional>

struct SftpLongName
{
    QByteArray permissions, owner, group;
};

// Remote names and paths on an SFTP connection, and the text around them.
class CSftpNames
{
public:
    // Permission text, owner and group from the "ls -l" style long name of a listing entry.
    static std::optional<SftpLongName> ParseLongName(const QByteArray& line);
    // A listing entry's name that can be used as one path element: not empty, no "/", no NUL, not "."
    // or "..".
    static bool IsSafeName(const QByteArray& name);
    // path when it is absolute, else below folder; empty path gives folder.
    static QByteArray Resolve(const QByteArray& folder, const QByteArray& path);
    static QByteArray Join(const QByteArray& folder, const QByteArray& name);
    // The folder above path ("/" above "/a" and above "/").
    static QByteArray Parent(const QByteArray& path);
    // One word for a POSIX shell, whatever the text holds.
    static QByteArray ShellQuote(const QByteArray& text);
};
