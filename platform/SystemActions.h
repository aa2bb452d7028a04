#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

// What the after-queue choice can do to the system, as D-Bus calls: NetworkManager hangs up dial-up
// and mobile connections, systemd-logind powers off and ends the login session. Each call blocks for
// at most kCallTimeoutMs.
class CSystemActions
{
public:
    // Done, or the user-readable reason why not.
    struct Result
    {
        bool ok = true;
        QString reason;
    };

    static constexpr int kCallTimeoutMs = 10000;
    // NetworkManager's NM_DEVICE_TYPE_MODEM.
    static constexpr uint kModemDeviceType = 8;

    // bus: the system bus normally; any bus that carries the two services.
    explicit CSystemActions(QDBusConnection bus);

    // Deactivates every active dial-up connection (mobile broadband, PPPoE, Bluetooth dial-up, anything
    // over a modem) in NetworkManager's order and stops at the first that fails. Having none is no failure.
    Result HangUpDialUp();
    // Asks logind to power off, without an authorisation prompt.
    Result PowerOff();
    // Asks logind to end the login session this program runs in.
    Result LogOff();

private:
    QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments = {});
    // The property's value; an invalid QVariant with *error set when it cannot be read.
    QVariant Property(const QString& service, const QString& path, const QString& interface,
                      const QString& name, QString* error);
    bool IsDialUp(const QString& activePath);
    bool IsBluetoothDialUp(const QString& activePath);
    bool RunsOverModem(const QString& activePath);
    // The logind id of our session: XDG_SESSION_ID, else the session of our process.
    QString SessionId(QString* error);
    Result BusMissing() const;
    static QString Reason(const QString& service, const QDBusMessage& error);
    static Result Failed(const QString& service, const QDBusMessage& error);

    QDBusConnection m_bus;
};
