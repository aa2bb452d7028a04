#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

#include "support/TestFiles.h"

// A bus daemon of the test's own, listening in a temporary folder, with no service files (a missing
// name stays missing) and a policy that lets anyone own and call anything. Killed on destruction.
class CPrivateBus
{
public:
    ~CPrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    // False with *error set when the daemon did not come up.
    bool Start(QString* error)
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        if (!TestFiles::WriteFile(
                config, "<busconfig><type>session</type><listen>unix:dir=" + m_dir.path().toUtf8() +
                            "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                            "<allow own=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n"))
            return *error = QStringLiteral("cannot write %1").arg(config), false;
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {"--config-file=" + config, QStringLiteral("--print-address=1"),
                        QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
        // The daemon prints its address once it listens.
        if (!m_daemon.waitForStarted(10000) || !m_daemon.waitForReadyRead(10000))
            return *error = "dbus-daemon did not start: " + m_daemon.errorString() +
                            QString::fromUtf8(m_daemon.readAllStandardError()),
                   false;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return !m_address.isEmpty();
    }

    const QString& Address() const { return m_address; }

    // A connection of its own under the name; the caller ends it with QDBusConnection::disconnectFromBus.
    QDBusConnection Connect(const QString& name) const
    {
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};
