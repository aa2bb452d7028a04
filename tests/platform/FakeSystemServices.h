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
class CFakeSystemServices
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

    ~CFakeSystemServices()
    {
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(kConnectionName);
    }

    // Registers the services that are asked for under their real names and paths.
    bool Start(const QString& address, bool networkManager, bool login)
    {
        qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
        QDBusConnection bus = QDBusConnection::connectToBus(address, kConnectionName);
        bool ok = bus.isConnected();
        for (const auto& [wanted, service] : {std::pair{networkManager, "NetworkManager"}, {login, "login1"}})
        {
            const QString name = QStringLiteral("org.freedesktop.") + QLatin1String(service);
            if (wanted)
                ok = ok &&
                     bus.registerVirtualObject(u'/' + QString(name).replace(u'.', u'/'), &m_object,
                                               QDBusConnection::SubPath) &&
                     bus.registerService(name);
        }
        m_object.moveToThread(&m_thread); // what the registration hangs on it moves along
        m_thread.start();
        return ok;
    }

    QStringList Calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

    static QString ActivePath(int i) { return Nm("/ActiveConnection/%1").arg(i); }

private:
    static inline const QString kConnectionName = QStringLiteral("fake-system-services");

    class CObject : public QDBusVirtualObject
    {
    public:
        explicit CObject(CFakeSystemServices& fake) : m_fake(fake) {}
        QString introspect(const QString&) const override { return {}; }
        bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
        {
            return connection.send(message.path().contains(u"login1") ? m_fake.Login(message)
                                                                      : m_fake.NetworkManager(message));
        }

    private:
        CFakeSystemServices& m_fake;
    };

    static QString Nm(const QString& rest)
    {
        return QStringLiteral("/org/freedesktop/NetworkManager") + rest;
    }

    static QDBusMessage Denied(const QDBusMessage& call)
    {
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                     QStringLiteral("Access denied"));
    }

    static QDBusMessage Value(const QDBusMessage& call, const QVariant& value)
    {
        return call.createReply(QVariant::fromValue(QDBusVariant(value)));
    }

    // The connection's index in a path "<prefix>/<index>", or -1.
    int IndexIn(const QString& path, const QString& prefix) const
    {
        bool ok = false;
        const int index = path.startsWith(prefix + u'/') ? path.mid(prefix.size() + 1).toInt(&ok) : -1;
        return ok && index >= 0 && index < connections.size() ? index : -1;
    }

    QDBusMessage NetworkManager(const QDBusMessage& call)
    {
        const QString path = call.path();
        const QString property = call.arguments().value(1).toString();
        const int active = IndexIn(path, Nm("/ActiveConnection"));
        if (call.member() == u"Get" && path == Nm({}) && property == u"ActiveConnections")
        {
            QList<QDBusObjectPath> paths;
            for (int i = 0; i < connections.size(); ++i)
                paths << QDBusObjectPath(ActivePath(i));
            return Value(call, QVariant::fromValue(paths));
        }
        if (call.member() == u"Get" && active >= 0 && property == u"Type")
            return Value(call, connections[active].type);
        if (call.member() == u"Get" && active >= 0 && property == u"Connection")
            return Value(call, QVariant::fromValue(QDBusObjectPath(Nm("/Settings/%1").arg(active))));
        if (call.member() == u"Get" && active >= 0 && property == u"Devices")
            return Value(call, QVariant::fromValue(QList{QDBusObjectPath(Nm("/Devices/%1").arg(active))}));
        if (const int device = IndexIn(path, Nm("/Devices")); device >= 0 && property == u"DeviceType")
            return Value(call, connections[device].deviceType);
        if (call.member() == u"GetSettings")
        {
            QMap<QString, QVariantMap> settings;
            if (const int index = IndexIn(path, Nm("/Settings")); index >= 0)
                settings[QStringLiteral("bluetooth")][QStringLiteral("type")] =
                    connections[index].bluetoothType;
            return call.createReply(QVariant::fromValue(settings));
        }
        if (call.member() != u"DeactivateConnection")
            return Denied(call);
        const QString target = qvariant_cast<QDBusObjectPath>(call.arguments().value(0)).path();
        Record(QStringLiteral("DeactivateConnection ") + target);
        const int index = IndexIn(target, Nm("/ActiveConnection"));
        return index >= 0 && !connections[index].refuseDeactivate ? call.createReply() : Denied(call);
    }

    QDBusMessage Login(const QDBusMessage& call)
    {
        const QString member = call.member();
        if (member == u"Get" && call.arguments().value(1).toString() == u"Id")
            return Value(call, kSessionId);
        Record(member + u' ' +
               (call.arguments().isEmpty() ? QString() : call.arguments().constFirst().toString()));
        if (member == u"GetSessionByPID")
            return call.createReply(QVariant::fromValue(
                QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/_3") + kSessionId)));
        const bool refused =
            member == u"PowerOff" ? refusePowerOff : member != u"TerminateSession" || refuseTerminate;
        return refused ? Denied(call) : call.createReply();
    }

    void Record(const QString& call)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << call;
    }

    QThread m_thread;
    CObject m_object{*this};
    mutable QMutex m_mutex;
    QStringList m_calls;
};
