#pragma once

#include <QString>

#include <optional>

class CFtpSite;

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
    // The scheme of a site protocol type, the other way round; "ftp" for a type outside the table.
    static QString SchemeOf(int protocolType);
};

// An address as a person types it for a new site: "host", "host:port" or an FTP URL (ftp://, ftpes://,
// ftps://, sftp://) with a port, log-in and folder of its own. The site keeps the host alone as its address
// and takes the protocol, port (the protocol's own when none is named), log-in and remote folder the text
// names. False, the site unchanged, for text that names no host, another scheme or a bad port.
bool TakeTypedAddress(const QString& text, CFtpSite& site);
