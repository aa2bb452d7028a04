#pragma once

#include <QString>

#include <optional>

// The parts of a connection address "scheme://[user[:password]@]host[:port][/path]", as a site's
// address and remote path are joined before connecting.
struct CSessionUrl
{
    QString scheme; // lower case
    QString user;
    QString password;
    QString server;
    int port = 0; // 0 when the address names none
    QString path; // with its leading "/"; empty when the address has none

    // Nothing without "scheme://" or with a port that is not a number from 1 to 65535.
    static std::optional<CSessionUrl> Parse(const QString& text);
    // The site protocol type of an FTP scheme: ftp 0, ftps 1 (implicit TLS), ftpes 2 (explicit TLS),
    // sftp 3; -1 for any other scheme.
    int ProtocolType() const;
};
