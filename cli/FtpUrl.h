#pragma once

#include "engine/ConnectionTarget.h"

#include <QString>

// An ftp:// (plain), ftpes:// (explicit TLS), ftps:// (implicit TLS) or sftp:// address as
// scheme://[user[:password]@]host[:port][/path], with percent-escapes decoded. As in RFC 1738 the path
// is relative to the folder the log-in starts in; "//dir" or "/%2Fdir" names an absolute one.
class CFtpUrl
{
public:
    static CFtpUrl Parse(const QString& text);

    bool IsValid() const { return m_error.isEmpty(); }
    // What is wrong with the text; empty for a valid URL.
    const QString& Error() const { return m_error; }

    FtpProtocol Protocol() const { return m_protocol; }
    const QString& Host() const { return m_host; }
    // The given port, else 21 (990 for ftps://, 22 for sftp://).
    int Port() const { return m_port; }
    // The URL names its port.
    bool HasPort() const { return m_hasPort; }
    bool HasUser() const { return m_hasUser; }
    const QString& User() const { return m_user; }
    // The user to log in as: the URL's, else "anonymous", or $USER over SFTP as ssh takes it.
    QString Login() const;
    bool HasPassword() const { return m_hasPassword; }
    const QString& Password() const { return m_password; }
    const QString& Path() const { return m_path; }
    // The address for messages: the password never shows.
    QString Display() const;

private:
    bool ParseAuthority(const QString& authority);
    bool ParseHostAndPort(const QString& hostPort);
    bool Fail(const QString& error);

    QString m_error;
    QString m_scheme;
    FtpProtocol m_protocol = FtpProtocol::Ftp;
    QString m_host;
    int m_port = 21;
    bool m_hasPort = false;
    bool m_hasUser = false;
    QString m_user;
    bool m_hasPassword = false;
    QString m_password;
    QString m_path;
};
