#include "ui/connection/FTPClientDoc.h"

#include "session/SessionUrl.h"
#include "ui/connection/RemoteController.h"

#include <QCoreApplication>
#include <QUrl>

QString CFTPClientDoc::NotConnectedText()
{
    return QCoreApplication::translate("FTPClientDoc", "尚未連線");
}

CFTPClientDoc::CFTPClientDoc(CRemoteController& view, QObject* parent) : QObject(parent), m_view(view) {}

bool CFTPClientDoc::IsAddress(const QString& target)
{
    return target.contains(QLatin1String("://"));
}

QString CFTPClientDoc::SiteName() const
{
    const QString& saved = m_view.Session().Site().Name;
    if (!saved.isEmpty())
        return saved;
    return IsAddress(m_target) ? QString() : m_target.section(u'\\', -1);
}

QString CFTPClientDoc::Title() const
{
    const QString name = SiteName();
    if (!name.isEmpty())
        return name;
    if (m_view.Session().IsConnected())
        return DisplayTarget(m_view.Session().Site().Address);
    return NotConnectedText();
}

bool CFTPClientDoc::CanClose()
{
    if (!m_view.IsWaiting())
        return true;
    m_view.Stop();
    return false;
}

CFTPClientDoc::ConnectArguments CFTPClientDoc::SplitTarget(const QString& target, const QString& login,
                                                           const QString& password)
{
    const std::optional<CSessionUrl> url = IsAddress(target) ? CSessionUrl::Parse(target) : std::nullopt;
    if (!url || (url->user.isEmpty() && url->password.isEmpty()))
        return {target, login, password};
    const QString host = url->server.contains(u':') ? u'[' + url->server + u']' : url->server;
    QString address = url->scheme + QStringLiteral("://") + host;
    if (url->port != 0)
        address += u':' + QString::number(url->port);
    // The session reads the path percent-decoded again.
    address += QString::fromLatin1(QUrl::toPercentEncoding(url->path, "/"));
    return {address, url->user.isEmpty() ? login : url->user,
            url->password.isEmpty() ? password : url->password};
}

QString CFTPClientDoc::DisplayTarget(const QString& target)
{
    if (!IsAddress(target))
        return target;
    const QUrl url(target);
    if (url.isValid())
        return url.toDisplayString(QUrl::RemovePassword);
    // An address Qt cannot read may still hold a password: show only what follows the log-in.
    const qsizetype at = target.lastIndexOf(u'@');
    return at < 0 ? target : target.left(target.indexOf(QLatin1String("://")) + 3) + target.mid(at + 1);
}
