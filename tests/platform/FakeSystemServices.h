#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

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
    QString sessionId = QStringLiteral("c7");

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
        const auto add = [&](CObject& object, const char* name)
        {
            const QString service = QStringLiteral("org.freedesktop.") + QLatin1String(name);
            ok = ok &&
                 bus.registerVirtualObject(u'/' + QString(service).replace(u'.', u'/'), &object,
                                           QDBusConnection::SubPath) &&
                 bus.registerService(service);
        };
        if (networkManager)
            add(m_networkManager, "NetworkManager");
        if (login)
            add(m_login, "login1");
        // Moved once registered, so what the registration hangs on them moves along.
        m_networkManager.moveToThread(&m_thread);
        m_login.moveToThread(&m_thread);
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
        explicit CObject(std::function<QDBusMessage(const QDBusMessage&)> answer)
            : m_answer(std::move(answer))
        {
        }
        QString introspect(const QString&) const override { return {}; }
        bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
        {
            return connection.send(m_answer(message));
        }

    private:
        std::function<QDBusMessage(const QDBusMessage&)> m_answer;
    };

    static QString Nm(const QString& rest)
    {
        return QStringLiteral("/org/freedesktop/NetworkManager") + rest;
    }

    void Record(const QString& call)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << call;
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

    // The connection's index in a path ending in "/<index>", or -1.
    int IndexIn(const QString& path, const QString& prefix) const
    {
        if (!path.startsWith(prefix + u'/'))
            return -1;
        bool ok = false;
        const int index = path.mid(prefix.size() + 1).toInt(&ok);
        return ok && index >= 0 && index < connections.size() ? index : -1;
    }

    QDBusMessage NetworkManager(const QDBusMessage& call)
    {
        const QString path = call.path();
        if (call.member() == QLatin1String("Get"))
            return NetworkManagerProperty(call, path, call.arguments().value(1).toString());
        if (call.member() == QLatin1String("DeactivateConnection"))
        {
            const QString target = qvariant_cast<QDBusObjectPath>(call.arguments().value(0)).path();
            Record(QStringLiteral("DeactivateConnection ") + target);
            const int index = IndexIn(target, Nm("/ActiveConnection"));
            return index >= 0 && !connections[index].refuseDeactivate ? call.createReply() : Denied(call);
        }
        if (call.member() == QLatin1String("GetSettings"))
        {
            const int index = IndexIn(path, Nm("/Settings"));
            QMap<QString, QVariantMap> settings;
            if (index >= 0)
                settings[QStringLiteral("bluetooth")][QStringLiteral("type")] =
                    connections[index].bluetoothType;
            return call.createReply(QVariant::fromValue(settings));
        }
        return Denied(call);
    }

    QDBusMessage NetworkManagerProperty(const QDBusMessage& call, const QString& path, const QString& name)
    {
        if (path == Nm({}) && name == QLatin1String("ActiveConnections"))
        {
            QList<QDBusObjectPath> paths;
            for (int i = 0; i < connections.size(); ++i)
                paths << QDBusObjectPath(ActivePath(i));
            return Value(call, QVariant::fromValue(paths));
        }
        if (const int index = IndexIn(path, Nm("/ActiveConnection")); index >= 0)
        {
            if (name == QLatin1String("Type"))
                return Value(call, connections[index].type);
            if (name == QLatin1String("Connection"))
                return Value(call, QVariant::fromValue(QDBusObjectPath(Nm("/Settings/%1").arg(index))));
            if (name == QLatin1String("Devices"))
                return Value(call, QVariant::fromValue(QList<QDBusObjectPath>{
                                       QDBusObjectPath(Nm("/Devices/%1").arg(index))}));
        }
        if (const int index = IndexIn(path, Nm("/Devices"));
            index >= 0 && name == QLatin1String("DeviceType"))
            return Value(call, connections[index].deviceType);
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), path);
    }

    QDBusMessage Login(const QDBusMessage& call)
    {
        const QString member = call.member();
        if (member == QLatin1String("Get") && call.arguments().value(1).toString() == QLatin1String("Id"))
            return Value(call, sessionId);
        Record(member + u' ' +
               (call.arguments().isEmpty() ? QString() : call.arguments().constFirst().toString()));
        if (member == QLatin1String("PowerOff"))
            return refusePowerOff ? Denied(call) : call.createReply();
        if (member == QLatin1String("GetSessionByPID"))
            return call.createReply(QVariant::fromValue(
                QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/_3") + sessionId)));
        if (member == QLatin1String("TerminateSession"))
            return refuseTerminate ? Denied(call) : call.createReply();
        return Denied(call);
    }

    QThread m_thread;
    CObject m_networkManager{[this](const QDBusMessage& call) { return NetworkManager(call); }};
    CObject m_login{[this](const QDBusMessage& call) { return Login(call); }};
    mutable QMutex m_mutex;
    QStringList m_calls;
};
