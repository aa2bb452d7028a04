#pragma once

#include <QString>

struct CConnectionTarget;

// A proxy for zentrava-cli's --proxy: scheme://[user[:password]@]host[:port] with the schemes socks4,
// socks4a, socks5, http (CONNECT), relay, and the FTP proxy log-in styles ftp-site, ftp-open and
// ftp-user; percent-escapes are decoded as in transfer URLs.
class CProxyUrl
{
public:
    static CProxyUrl Parse(const QString& text);

    bool IsValid() const { return m_error.isEmpty(); }
    // What is wrong with the text (never the text itself, which may hold a password).
    const QString& Error() const { return m_error; }

    // The component's proxy type number.
    int Type() const { return m_type; }
    const QString& Host() const { return m_host; }
    // 0 when the URL names none: the kind's usual port (a relay keeps the server's).
    int Port() const { return m_port; }
    const QString& User() const { return m_user; }
    const QString& Password() const { return m_password; }
    // The proxy for messages: the password never shows.
    QString Display() const;

    // Every proxy property of the component, so nothing from the settings stays behind.
    void ApplyTo(CConnectionTarget& target) const;

private:
    QString m_error;
    QString m_scheme;
    int m_type = 0;
    QString m_host;
    int m_port = 0;
    QString m_user;
    QString m_password;
};
