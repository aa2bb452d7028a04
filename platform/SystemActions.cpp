#include "platform/SystemActions.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>

namespace
{

const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNetworkManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kActiveConnection = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kSettingsConnection = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kLoginManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLoginSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// Connection types that only ever dial: mobile broadband and PPP over Ethernet.
bool IsDialUpType(const QString& type)
{
    return type == QLatin1String("gsm") || type == QLatin1String("cdma") || type == QLatin1String("pppoe");
}

QList<QDBusObjectPath> Paths(const QVariant& value)
{
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}

} // namespace

CSystemActions::CSystemActions(QDBusConnection bus) : m_bus(std::move(bus)) {}

CSystemActions::Result CSystemActions::HangUpDialUp()
{
    if (!m_bus.isConnected())
        return BusMissing();
    QString error;
    const QVariant active = Property(kNetworkManager, kNetworkManagerPath, kNetworkManager,
                                     QStringLiteral("ActiveConnections"), &error);
    if (!active.isValid())
        return {false, error};
    for (const QDBusObjectPath& connection : Paths(active))
    {
        if (!IsDialUp(connection.path()))
            continue;
        const QDBusMessage reply =
            Call(kNetworkManager, kNetworkManagerPath, kNetworkManager,
                 QStringLiteral("DeactivateConnection"), {QVariant::fromValue(connection)});
        if (reply.type() == QDBusMessage::ErrorMessage)
            return Failed(kNetworkManager, reply);
    }
    return {};
}

CSystemActions::Result CSystemActions::PowerOff()
{
    if (!m_bus.isConnected())
        return BusMissing();
    // Not interactive: nobody may be at the screen when the queue ends.
    const QDBusMessage reply = Call(kLogin, kLoginPath, kLoginManager, QStringLiteral("PowerOff"), {false});
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Failed(kLogin, reply);
    return {};
}

CSystemActions::Result CSystemActions::LogOff()
{
    if (!m_bus.isConnected())
        return BusMissing();
    QString error;
    const QString session = SessionId(&error);
    if (session.isEmpty())
        return {false, error};
    // logind lets the session's own user end it without further authorisation.
    const QDBusMessage reply =
        Call(kLogin, kLoginPath, kLoginManager, QStringLiteral("TerminateSession"), {session});
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Failed(kLogin, reply);
    return {};
}

QDBusMessage CSystemActions::Call(const QString& service, const QString& path, const QString& interface,
                                  const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    // No service activation: an action must not start a service that was not running.
    call.setAutoStartService(false);
    return m_bus.call(call, QDBus::Block, kCallTimeoutMs);
}

QVariant CSystemActions::Property(const QString& service, const QString& path, const QString& interface,
                                  const QString& name, QString* error)
{
    const QDBusMessage reply = Call(service, path, kProperties, QStringLiteral("Get"), {interface, name});
    if (reply.type() == QDBusMessage::ErrorMessage)
    {
        *error = Reason(service, reply);
        return {};
    }
    const QVariant value = reply.arguments().isEmpty()
                               ? QVariant()
                               : qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
    if (!value.isValid())
        *error = QCoreApplication::translate("SystemActions", "系統服務 %1 傳回的資料無法辨識").arg(service);
    return value;
}

// A connection that cannot be read any more has gone away meanwhile: it is not hung up.
bool CSystemActions::IsDialUp(const QString& activePath)
{
    QString error;
    const QString type =
        Property(kNetworkManager, activePath, kActiveConnection, QStringLiteral("Type"), &error).toString();
    if (IsDialUpType(type))
        return true;
    if (type == QLatin1String("bluetooth") && IsBluetoothDialUp(activePath))
        return true;
    return !type.isEmpty() && RunsOverModem(activePath);
}

// Bluetooth also carries network access (PAN); only its dial-up profile is a dial-up connection.
bool CSystemActions::IsBluetoothDialUp(const QString& activePath)
{
    QString error;
    const QVariant settingsPath =
        Property(kNetworkManager, activePath, kActiveConnection, QStringLiteral("Connection"), &error);
    if (!settingsPath.isValid())
        return false;
    const QDBusMessage reply = Call(kNetworkManager, qvariant_cast<QDBusObjectPath>(settingsPath).path(),
                                    kSettingsConnection, QStringLiteral("GetSettings"));
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
        return false;
    const auto settings = qdbus_cast<QMap<QString, QVariantMap>>(reply.arguments().constFirst());
    return settings.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString() ==
           QLatin1String("dun");
}

bool CSystemActions::RunsOverModem(const QString& activePath)
{
    QString error;
    const QVariant devices =
        Property(kNetworkManager, activePath, kActiveConnection, QStringLiteral("Devices"), &error);
    for (const QDBusObjectPath& device : Paths(devices))
        if (Property(kNetworkManager, device.path(), kDevice, QStringLiteral("DeviceType"), &error)
                .toUInt() == kModemDeviceType)
            return true;
    return false;
}

QString CSystemActions::SessionId(QString* error)
{
    const QString fromLogin = qEnvironmentVariable("XDG_SESSION_ID");
    if (!fromLogin.isEmpty())
        return fromLogin;
    // Pid 0 asks for the caller's own session, which stays right inside a pid namespace.
    const QDBusMessage reply =
        Call(kLogin, kLoginPath, kLoginManager, QStringLiteral("GetSessionByPID"), {0u});
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
    {
        *error = reply.type() == QDBusMessage::ErrorMessage
                     ? Reason(kLogin, reply)
                     : QCoreApplication::translate("SystemActions", "找不到目前的登入工作階段");
        return {};
    }
    const QString path = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
    const QString id = Property(kLogin, path, kLoginSession, QStringLiteral("Id"), error).toString();
    if (id.isEmpty() && error->isEmpty())
        *error = QCoreApplication::translate("SystemActions", "找不到目前的登入工作階段");
    return id;
}

CSystemActions::Result CSystemActions::BusMissing() const
{
    const QString detail = m_bus.lastError().message();
    return {false,
            detail.isEmpty()
                ? QCoreApplication::translate("SystemActions", "無法連上系統的 D-Bus")
                : QCoreApplication::translate("SystemActions", "無法連上系統的 D-Bus：%1").arg(detail)};
}

QString CSystemActions::Reason(const QString& service, const QDBusMessage& error)
{
    const QString name = error.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return QCoreApplication::translate("SystemActions", "系統服務 %1 沒有執行").arg(service);
    if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
        return QCoreApplication::translate("SystemActions", "系統服務 %1 沒有回應").arg(service);
    const QString detail = error.errorMessage().isEmpty() ? name : error.errorMessage();
    return QCoreApplication::translate("SystemActions", "系統服務 %1 拒絕了要求：%2").arg(service, detail);
}

CSystemActions::Result CSystemActions::Failed(const QString& service, const QDBusMessage& error)
{
    return {false, Reason(service, error)};
}
