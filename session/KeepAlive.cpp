#include "session/KeepAlive.h"

#include "app/Profile.h"
#include "app/StringList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>

#include <algorithm>
#include <limits>

namespace
{

const QString kSection = QStringLiteral("SmartKeepAlive");

int Setting(const char* key)
{
    return GetProfileInt(kSection, QLatin1String(key));
}

} // namespace

CKeepAlive::CKeepAlive(IKeepAliveConnection& connection, QObject* parent)
    : QObject(parent), m_connection(connection), m_random(quint32(QDateTime::currentSecsSinceEpoch()))
{
    m_reconnectTimer.setSingleShot(true);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &CKeepAlive::OnKeepAliveTimer);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &CKeepAlive::OnReconnectTimer);
}

int CKeepAlive::Milliseconds(qint64 seconds) const
{
    return int(std::min<qint64>(seconds * m_secondMs, std::numeric_limits<int>::max()));
}

void CKeepAlive::Arm()
{
    if (!Setting("EnableSKA"))
        return;
    m_armedAt.start();
    m_commandIndex = 0;
    // A first wait of zero would spin the timer while the connection is down.
    m_keepAliveTimer.start(Milliseconds(std::max(Setting("StartSKA"), 1)));
}

void CKeepAlive::OnConnected()
{
    m_userDisconnected = false;
    m_reconnectTimer.stop();
}

void CKeepAlive::OnDisconnected()
{
    // A reconnect that fails is not retried by the timer.
    if (m_userDisconnected || m_reconnecting)
        return;
    if (Setting("Reconnect"))
        m_reconnectTimer.start(Milliseconds(std::max(Setting("ReconnectTime"), 0)));
}

void CKeepAlive::OnUserDisconnect()
{
    m_userDisconnected = true;
    m_reconnectTimer.stop();
}

void CKeepAlive::OnReconnectTimer()
{
    m_reconnecting = true;
    const QPointer<CKeepAlive> alive(this);
    m_connection.Reconnect();
    if (alive)
        m_reconnecting = false;
}

void CKeepAlive::OnKeepAliveTimer()
{
    // Until the connection is up and no transfer runs, the timer keeps its period.
    if (!m_connection.IsConnected() || (m_transferBusy && m_transferBusy()))
        return;
    // Stopped while the command waits for its reply, so that commands never overlap.
    m_keepAliveTimer.stop();
    if (MaintainPeriodOver())
        return;
    const QString command = NextCommand();
    m_connection.Log(0, QCoreApplication::translate("KeepAlive", "傳送 ") + command + QStringLiteral("..."));
    // The wait dispatches events: the window, and this object with it, may be gone afterwards.
    const QPointer<CKeepAlive> alive(this);
    const std::optional<CCommandReply> reply = m_connection.SendCommand(command);
    if (!alive)
        return;
    TraceReply(reply);
    const int seconds =
        IntervalSeconds(Setting("IntervalStart"), Setting("IntervalEnd"), m_random.generate());
    m_keepAliveTimer.start(Milliseconds(seconds));
}

bool CKeepAlive::MaintainPeriodOver() const
{
    const qint64 minutes = m_armedAt.elapsed() / m_secondMs / 60;
    return minutes >= Setting("MaintainSKA");
}

QString CKeepAlive::NextCommand()
{
    CStringList commands;
    LoadProfileObject(kSection, QStringLiteral("Commands"), commands);
    const QStringList& list = commands.Items();
    if (m_commandIndex >= list.size())
        m_commandIndex = 0;
    const QString command = list.isEmpty() ? QStringLiteral("NOOP") : list.at(m_commandIndex);
    ++m_commandIndex;
    return command;
}

void CKeepAlive::TraceReply(const std::optional<CCommandReply>& reply)
{
    if (!reply)
    {
        m_connection.Log(3, QCoreApplication::translate("KeepAlive", "收不到任何回應！"));
        return;
    }
    QString text = reply->text;
    text.remove(u'\n').remove(u'\r');
    m_connection.Log(0, QCoreApplication::translate("KeepAlive", "FTP伺服器回應: ") + text);
}

int CKeepAlive::IntervalSeconds(int start, int end, quint32 random)
{
    const qint64 low = std::max(start, 1);
    const qint64 span = std::max<qint64>(end, low) - low + 1;
    return int(low + qint64(random % quint64(span)));
}
