#include "cli/FtpUrl.h"

#include <QUrl>
#include <algorithm>
#include <cctype>
#include <optional>

namespace
{
struct Scheme
{
    const char* name;
    FtpProtocol protocol;
    int port;
};

constexpr Scheme kSchemes[] = {{"ftp", FtpProtocol::Ftp, 21},
                               {"ftpes", FtpProtocol::ExplicitTls, 21},
                               {"ftps", FtpProtocol::ImplicitTls, 990},
                               {"sftp", FtpProtocol::Sftp, 22}};

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent-decodes UTF-8 text; nothing when an escape is broken, the bytes are not UTF-8 or they hold a
// control character (a line end would smuggle a second FTP command).
std::optional<QString> Decode(const QString& text)
{
    const QByteArray raw = text.toUtf8();
    QByteArray bytes;
    for (qsizetype i = 0; i < raw.size(); ++i)
    {
        if (raw[i] != '%')
        {
            bytes.append(raw[i]);
            continue;
        }
        const int high = i + 2 < raw.size() ? HexValue(raw[i + 1]) : -1;
        const int low = i + 2 < raw.size() ? HexValue(raw[i + 2]) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    for (const char c : bytes)
        if (uchar(c) < 0x20 || c == 0x7f)
            return std::nullopt;
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes)
        return std::nullopt;
    return decoded;
}

bool IsHostName(const QString& host)
{
    for (const QChar c : host)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'.' && c != u'_')
            return false;
    return !host.isEmpty();
}

bool IsIpv6Literal(const QString& address)
{
    for (const QChar c : address)
        if (!isxdigit(c.toLatin1()) && c != u':' && c != u'.')
            return false;
    return address.count(u':') >= 2;
}
} // namespace

CFtpUrl CFtpUrl::Parse(const QString& text)
{
    CFtpUrl url;
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    const QString scheme = text.left(qMax<qsizetype>(schemeEnd, 0)).toLower();
    const auto found = std::find_if(std::begin(kSchemes), std::end(kSchemes),
                                    [&](const Scheme& known) { return scheme == QLatin1String(known.name); });
    if (schemeEnd < 0 || found == std::end(kSchemes))
    {
        // The text is not echoed: it may hold a password.
        url.Fail(QStringLiteral("not an ftp://, ftpes://, ftps:// or sftp:// URL"));
        return url;
    }
    url.m_scheme = scheme;
    url.m_protocol = found->protocol;
    url.m_port = found->port;
    const QString rest = text.mid(schemeEnd + 3);
    const qsizetype slash = rest.indexOf(u'/');
    if (!url.ParseAuthority(rest.left(slash < 0 ? rest.size() : slash)))
        return url;
    const std::optional<QString> path = Decode(slash < 0 ? QString() : rest.mid(slash + 1));
    if (!path)
        url.Fail(QStringLiteral("bad escape or control character in the URL's path"));
    else
        url.m_path = *path;
    return url;
}

QString CFtpUrl::Login() const
{
    if (m_hasUser)
        return m_user;
    return m_protocol == FtpProtocol::Sftp ? qEnvironmentVariable("USER") : QStringLiteral("anonymous");
}

QString CFtpUrl::Display() const
{
    const QString host = m_host.contains(u':') ? u'[' + m_host + u']' : m_host;
    const QString user = m_hasUser ? QString::fromUtf8(QUrl::toPercentEncoding(m_user)) + u'@' : QString();
    return m_scheme + QStringLiteral("://") + user + host + u':' + QString::number(m_port) + u'/' + m_path;
}

bool CFtpUrl::ParseAuthority(const QString& authority)
{
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0)
    {
        const QString userInfo = authority.left(at);
        const qsizetype colon = userInfo.indexOf(u':');
        const std::optional<QString> user = Decode(userInfo.left(colon < 0 ? userInfo.size() : colon));
        const std::optional<QString> password = Decode(colon < 0 ? QString() : userInfo.mid(colon + 1));
        if (!user || !password)
            return Fail(QStringLiteral("bad escape or control character in the URL's user name or password"));
        if (user->isEmpty())
            return Fail(QStringLiteral("the URL names no user before '@'"));
        m_hasUser = true;
        m_user = *user;
        m_hasPassword = colon >= 0;
        m_password = *password;
    }
    return ParseHostAndPort(authority.mid(at + 1));
}

bool CFtpUrl::ParseHostAndPort(const QString& hostPort)
{
    QString portText;
    if (hostPort.startsWith(u'['))
    {
        const qsizetype close = hostPort.indexOf(u']');
        if (close < 0 || !IsIpv6Literal(hostPort.mid(1, close - 1)))
            return Fail(QStringLiteral("bad IPv6 address in the URL: %1").arg(hostPort));
        m_host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return Fail(QStringLiteral("unexpected text after the IPv6 address: %1").arg(after));
        portText = after.mid(1);
        if (after.startsWith(u':') && portText.isEmpty())
            return Fail(QStringLiteral("the URL's port is empty"));
    }
    else
    {
        const qsizetype colon = hostPort.indexOf(u':');
        m_host = hostPort.left(colon < 0 ? hostPort.size() : colon);
        if (!IsHostName(m_host))
            return Fail(QStringLiteral("bad or missing host name in the URL: %1").arg(m_host));
        portText = colon < 0 ? QString() : hostPort.mid(colon + 1);
        if (colon >= 0 && portText.isEmpty())
            return Fail(QStringLiteral("the URL's port is empty"));
    }
    if (portText.isEmpty())
        return true;
    bool digits = !portText.isEmpty();
    for (const QChar c : portText)
        digits = digits && c >= u'0' && c <= u'9';
    const int port = digits && portText.size() <= 5 ? portText.toInt() : 0;
    if (port < 1 || port > 65535)
        return Fail(QStringLiteral("bad port in the URL: %1").arg(portText));
    m_port = port;
    m_hasPort = true;
    return true;
}

bool CFtpUrl::Fail(const QString& error)
{
    m_error = error;
    return false;
}
