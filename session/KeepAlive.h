#pragma once

#include "session/KeepAliveConnection.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <functional>

// Smart keep-alive and automatic reconnect of one connection window, on two timers of its own. After
// arming, the first command goes out once the connection has been idle for "StartSKA" seconds, the
// next ones at random intervals, until "MaintainSKA" minutes have passed since the last arming. A
// connection lost without the user's Disconnect is reconnected after "ReconnectTime" seconds when
// "Reconnect" is set. Settings are read at each use.
class CKeepAlive : public QObject
{
    Q_OBJECT

public:
    explicit CKeepAlive(IKeepAliveConnection& connection, QObject* parent = nullptr);

    // The length of one configured second; tests shrink it.
    void SetSecondLength(int milliseconds) { m_secondMs = std::max(milliseconds, 1); }
    // True while a transfer of the window runs: no command is sent then.
    void SetTransferBusyCheck(std::function<bool()> busy) { m_transferBusy = std::move(busy); }

    // After a connect and listing and after every remote operation: starts the idle count afresh.
    void Arm();
    void OnConnected();
    // The connection went down: reconnect later unless the user asked for it.
    void OnDisconnected();
    // The user's Disconnect command, given before the session disconnects.
    void OnUserDisconnect();

    bool IsKeepAliveRunning() const { return m_keepAliveTimer.isActive(); }
    // Milliseconds until the next keep-alive command.
    int KeepAliveInterval() const { return m_keepAliveTimer.interval(); }
    bool IsReconnectPending() const { return m_reconnectTimer.isActive(); }
    bool IsUserDisconnected() const { return m_userDisconnected; }

    // Seconds to the next command: start plus random modulo the span; an end below the start counts
    // as the start, and intervals are at least one second.
    static int IntervalSeconds(int start, int end, quint32 random);

private:
    void OnKeepAliveTimer();
    void OnReconnectTimer();
    bool MaintainPeriodOver() const;
    QString NextCommand();
    void TraceReply(const std::optional<CCommandReply>& reply);
    int Milliseconds(qint64 seconds) const;

    IKeepAliveConnection& m_connection;
    std::function<bool()> m_transferBusy;
    QTimer m_keepAliveTimer;
    QTimer m_reconnectTimer;
    QElapsedTimer m_armedAt;
    QRandomGenerator m_random;
    int m_commandIndex = 0;
    int m_secondMs = 1000;
    // Set from creation until the first connect and again by the user's Disconnect.
    bool m_userDisconnected = true;
    bool m_reconnecting = false;
};
