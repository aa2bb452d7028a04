#pragma once

#include <QByteArray>
#include <QDateTime>

// An FTP command as the program sends it on any connection, read for its meaning on an SFTP connection.
struct SftpRawCommand
{
    enum class Kind
    {
        System,       // SYST
        SiteHelp,     // SITE HELP
        SiteChmod,    // SITE CHMOD mode path
        SetTime,      // MDTM YYYYMMDDHHMMSS path
        GetTime,      // MDTM path
        KeepAlive,    // NOOP and the other commands that change nothing
        BadArguments, // a known command with arguments that do not parse
        Unknown
    };

    Kind kind = Kind::Unknown;
    QByteArray verb; // upper case, "SITE CHMOD" for SITE commands
    quint32 mode = 0;
    QDateTime time; // UTC
    QByteArray path;

    // Trailing CR LF and blanks are ignored; verbs in any case.
    static SftpRawCommand Parse(const QByteArray& line);
};
