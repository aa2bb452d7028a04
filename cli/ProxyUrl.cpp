#include "cli/ProxyUrl.h"

#include "cli/FtpUrl.h"
#include "engine/ConnectionTarget.h"
#include "engine/net/ProxySettings.h"

#include <QUrl>
#include <algorithm>

namespace
{
struct Scheme
{
    const char* name;
    ProxyType type;
};

constexpr Scheme kSchemes[] = {{"socks4", ProxyType::Socks4},    {"socks4a", ProxyType::Socks4a},
                               {"socks5", ProxyType::Socks5},    {"http", ProxyType::HttpConnect},
                               {"relay", ProxyType::Relay},      {"ftp-site", ProxyType::FtpSite},
                               {"ftp-open", ProxyType::FtpOpen}, {"ftp-user", ProxyType::FtpUser}};
} // namespace

CProxyUrl CProxyUrl::Parse(const QString& text)
{
    CProxyUrl url;
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    const QString scheme = text.left(qMax<qsizetype>(schemeEnd, 0)).toLower();
    const auto found = std::find_if(std::begin(kSchemes), std::end(kSchemes),
                                    [&](const Scheme& known) { return scheme == QLatin1String(known.name); });
    if (schemeEnd < 0 || found == std::end(kSchemes))
    {
        url.m_error =
            QStringLiteral("the proxy URL must start with socks4://, socks4a://, socks5://, http://, "
                           "relay://, ftp-site://, ftp-open:// or ftp-user://");
        return url;
    }
    // The same authority rules as transfer URLs: escapes, IPv6 in brackets, a port from 1 to 65535.
    QString rest = text.mid(schemeEnd + 3);
    if (rest.endsWith(u'/'))
        rest.chop(1);
    const CFtpUrl parsed = CFtpUrl::Parse(QStringLiteral("ftp://") + rest);
    if (!parsed.IsValid())
    {
        url.m_error = QStringLiteral("bad proxy URL: ") + parsed.Error();
        return url;
    }
    if (!parsed.Path().isEmpty())
    {
        url.m_error = QStringLiteral("a proxy URL names no path");
        return url;
    }
    url.m_scheme = scheme;
    url.m_type = int(found->type);
    url.m_host = parsed.Host();
    url.m_port = parsed.HasPort() ? parsed.Port() : 0;
    url.m_user = parsed.User();
    url.m_password = parsed.Password();
    return url;
}

QString CProxyUrl::Display() const
{
    const QString host = m_host.contains(u':') ? u'[' + m_host + u']' : m_host;
    const QString user =
        m_user.isEmpty() ? QString() : QString::fromUtf8(QUrl::toPercentEncoding(m_user)) + u'@';
    const QString port = m_port ? u':' + QString::number(m_port) : QString();
    return m_scheme + QStringLiteral("://") + user + host + port;
}

void CProxyUrl::ApplyTo(CConnectionTarget& target) const
{
    target.proxy.type = ProxySettings::TypeFromNumber(m_type);
    target.proxy.host = m_host.toUtf8();
    target.proxy.port = quint16(qBound(0, m_port, 65535));
    target.proxy.user = m_user.toUtf8();
    target.proxy.password = m_password.toUtf8();
}
