#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// Keeps one running program per user and settings home. The first start listens on a local socket; a
// later start hands its arguments to it and ends. A message is a 32-bit big-endian length followed by
// the arguments in UTF-8, each ended by a NUL byte; the receiver answers one acknowledgement byte.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    // Larger messages are refused: a handed-over argument is a site path or an address.
    static constexpr quint32 kMessageLimit = 64 * 1024;

    explicit CSingleInstance(QString serverName, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // A socket in the user's runtime folder, named for the settings file, so that separate homes run
    // separate programs.
    static QString DefaultServerName();

    const QString& ServerName() const { return m_serverName; }

    // True when the arguments reached a running instance within the time limit.
    static bool SendToRunning(const QString& serverName, const QStringList& arguments, int timeoutMs);
    // Starts listening; a socket file left by a program that ended without cleaning up is replaced.
    // False when another instance answers on the name or the socket cannot be made.
    bool Listen();
    bool IsListening() const;

    static QByteArray EncodeMessage(const QStringList& arguments);

Q_SIGNALS:
    void MessageReceived(const QStringList& arguments);

private:
    static bool IsAnswering(const QString& serverName);
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};
