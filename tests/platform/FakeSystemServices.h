#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>

// Stands in for NetworkManager and systemd-logind on a private bus. The objects answer on a thread of
// their own, so the blocking calls of the code under test are answered while it waits. Each method
// call (not the property reads) is recorded as "Method argument".
class CFakeSystemServices : public QDBusVirtualObject
{
public:
    struct ActiveConnection
    {
        QString type;
        uint deviceType = 0;
        QString bluetoothType; // the settings' bluetooth.type
        bool refuseDeactivate = false;
    };

    // Set before Start.
    QList<ActiveConnection> connections;
    bool refusePowerOff = false;
    bool refuseTerminate = false;
    static inline const QString kSessionId = QStringLiteral("c7");

    ~CFakeSystemServices() override
    {
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(kConnectionName);
    }

    // Registers the services that are asked for under their real names and paths.
    bool Start(const QString& address, bool networkManager, bool login)
    {
        qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
        QList<QDBusObjectPath> active;
        for (int i = 0; i < connections.size(); ++i)
        {
            active << QDBusObjectPath(ActivePath(i));
            m_properties[ActivePath(i)] = {
                {"Type", connections[i].type},
                {"Connection", QVariant::fromValue(QDBusObjectPath(Nm("/Settings/%1").arg(i)))},
                {"Devices", QVariant::fromValue(QList{QDBusObjectPath(Nm("/Devices/%1").arg(i))})}};
            m_properties[Nm("/Devices/%1").arg(i)] = {{"DeviceType", connections[i].deviceType}};
        }
        m_properties[Nm({})] = {{"ActiveConnections", QVariant::fromValue(active)}};
        m_properties[kSessionPath] = {{"Id", kSessionId}};
        QDBusConnection bus = QDBusConnection::connectToBus(address, kConnectionName);
        bool ok = bus.isConnected();
        for (const auto& [wanted, service] : {std::pair{networkManager, "NetworkManager"}, {login, "login1"}})
        {
            const QString name = QStringLiteral("org.freedesktop.") + QLatin1String(service);
            if (wanted)
                ok = ok &&
                     bus.registerVirtualObject(u'/' + QString(name).replace(u'.', u'/'), this,
                                               QDBusConnection::SubPath) &&
                     bus.registerService(name);
        }
        moveToThread(&m_thread); // what the registration hangs on the object moves along
        m_thread.start();
        return ok;
    }

    QStringList Calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

    static QString ActivePath(int i) { return Nm("/ActiveConnection/%1").arg(i); }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override
    {
        const QString member = call.member();
        const QVariantList arguments = call.arguments();
        if (member == u"Get")
        {
            const QVariant value = m_properties.value(call.path()).value(arguments.value(1).toString());
            return connection.send(
                value.isValid() ? call.createReply(QVariant::fromValue(QDBusVariant(value))) : Denied(call));
        }
        if (member == u"GetSettings")
        {
            QMap<QString, QVariantMap> settings;
            if (const int index = IndexIn(call.path(), Nm("/Settings")); index >= 0)
                settings[QStringLiteral("bluetooth")][QStringLiteral("type")] =
                    connections[index].bluetoothType;
            return connection.send(call.createReply(QVariant::fromValue(settings)));
        }
        QString argument = arguments.isEmpty() ? QString() : arguments.constFirst().toString();
        if (member == u"DeactivateConnection")
            argument = qvariant_cast<QDBusObjectPath>(arguments.value(0)).path();
        {
            QMutexLocker lock(&m_mutex);
            m_calls << member + u' ' + argument;
        }
        if (member == u"GetSessionByPID")
            return connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(kSessionPath))));
        const int active = IndexIn(argument, Nm("/ActiveConnection"));
        const bool done = member == u"PowerOff"           ? !refusePowerOff
                          : member == u"TerminateSession" ? !refuseTerminate
                          : member == u"DeactivateConnection"
                              ? active >= 0 && !connections[active].refuseDeactivate
                              : false;
        return connection.send(done ? call.createReply() : Denied(call));
    }

private:
    static inline const QString kConnectionName = QStringLiteral("fake-system-services");
    static inline const QString kSessionPath =
        QStringLiteral("/org/freedesktop/login1/session/_3") + kSessionId;

    static QString Nm(const QString& rest)
    {
        return QStringLiteral("/org/freedesktop/NetworkManager") + rest;
    }

    static QDBusMessage Denied(const QDBusMessage& call)
    {
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                     QStringLiteral("Access denied"));
    }

    // The connection's index in a path "<prefix>/<index>", or -1.
    int IndexIn(const QString& path, const QString& prefix) const
    {
        bool ok = false;
        const int index = path.startsWith(prefix + u'/') ? path.mid(prefix.size() + 1).toInt(&ok) : -1;
        return ok && index >= 0 && index < connections.size() ? index : -1;
    }

    QThread m_thread;
    QMap<QString, QVariantMap> m_properties; // path: name: value
    mutable QMutex m_mutex;
    QStringList m_calls;
};
