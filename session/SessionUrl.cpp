#include "session/SessionUrl.h"

#include "sites/FtpSite.h"

#include <QUrl>

namespace
{

bool IsScheme(const QString& scheme)
{
    if (scheme.isEmpty() || !scheme.at(0).isLetter())
        return false;
    return std::all_of(scheme.begin(), scheme.end(),
                       [](QChar c) { return c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'; });
}

// Splits "host[:port]" or "[v6]:port"; false for a port that is not 1 to 65535.
bool SplitHostPort(const QString& hostPort, CSessionUrl& url)
{
    QString host = hostPort;
    QString port;
    if (host.startsWith(u'['))
    {
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            return false;
        port = host.mid(close + 1);
        host = host.mid(1, close - 1);
        if (!port.isEmpty() && !port.startsWith(u':'))
            return false;
        port = port.mid(1);
    }
    else if (const qsizetype colon = host.lastIndexOf(u':'); colon >= 0)
    {
        port = host.mid(colon + 1);
        host.truncate(colon);
    }
    url.server = host;
    if (port.isEmpty())
        return true;
    bool ok = false;
    url.port = port.toInt(&ok);
    return ok && url.port > 0 && url.port <= 65535;
}

} // namespace

std::optional<CSessionUrl> CSessionUrl::Parse(const QString& text)
{
    const qsizetype separator = text.indexOf(QLatin1String("://"));
    if (separator <= 0 || !IsScheme(text.left(separator)))
        return std::nullopt;
    CSessionUrl url;
    url.scheme = text.left(separator).toLower();
    const QString rest = text.mid(separator + 3);
    const qsizetype slash = rest.indexOf(u'/');
    QString authority = slash < 0 ? rest : rest.left(slash);
    url.path = slash < 0 ? QString() : QUrl::fromPercentEncoding(rest.mid(slash).toUtf8());
    // The password may hold "@": the host follows the last one.
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
    {
        const QString credentials = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = credentials.indexOf(u':');
        url.user = QUrl::fromPercentEncoding(credentials.left(colon).toUtf8());
        if (colon >= 0)
            url.password = QUrl::fromPercentEncoding(credentials.mid(colon + 1).toUtf8());
    }
    if (!SplitHostPort(authority, url))
        return std::nullopt;
    return url;
}

namespace
{

// By site protocol type.
const QStringList kSchemes{QStringLiteral("ftp"), QStringLiteral("ftps"), QStringLiteral("ftpes"),
                           QStringLiteral("sftp")};

} // namespace

int CSessionUrl::ProtocolType() const
{
    return int(kSchemes.indexOf(scheme));
}

QString CSessionUrl::SchemeOf(int protocolType)
{
    return kSchemes.value(protocolType, kSchemes.first());
}

bool TakeTypedAddress(const QString& text, CFtpSite& site)
{
    const QString typed = text.trimmed();
    const bool hasScheme = typed.contains(QLatin1String("://"));
    const std::optional<CSessionUrl> url =
        CSessionUrl::Parse(hasScheme ? typed : QStringLiteral("ftp://") + typed);
    if (!url || url->server.isEmpty() || url->ProtocolType() < 0)
        return false;
    // An IPv6 address keeps its brackets, or its last group would read as a port on connecting.
    site.Address = url->server.contains(u':') ? u'[' + url->server + u']' : url->server;
    if (hasScheme)
    {
        site.ProtocolType = url->ProtocolType();
        site.Port = CFtpSite::DefaultPort(site.ProtocolType);
    }
    if (url->port != 0)
        site.Port = url->port;
    if (!url->user.isEmpty())
        site.Login = url->user;
    if (!url->password.isEmpty())
        site.Password = url->password;
    if (url->path.size() > 1)
        site.RemotePath = url->path;
    return true;
}
