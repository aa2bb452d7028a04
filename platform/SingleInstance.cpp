#include "platform/SingleInstance.h"

#include "app/DataFolder.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

namespace
{

constexpr char kAcknowledgement = 0x06;
constexpr int kHeaderSize = 4;
// Only a peer that is already talking to us gets this long to finish its message.
constexpr int kPeerTimeoutMs = 2000;

QStringList DecodeArguments(const QByteArray& body)
{
    QStringList arguments;
    const QList<QByteArray> parts = body.split('\0');
    // The last part is what follows the final terminator: always empty in a well-formed message.
    for (qsizetype i = 0; i + 1 < parts.size(); ++i)
        arguments << QString::fromUtf8(parts[i]);
    return arguments;
}

} // namespace

CSingleInstance::CSingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName))
{
}

CSingleInstance::~CSingleInstance()
{
    if (m_server)
        m_server->close();
}

QString CSingleInstance::DefaultServerName()
{
    const QByteArray home = CDataFolder::SettingsFile().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(12);
    // The user's own runtime folder, which nobody else can enter: arguments may carry passwords.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QStringLiteral("%1/zentrava-pro-%2").arg(folder, QString::fromLatin1(digest));
}

QByteArray CSingleInstance::EncodeMessage(const QStringList& arguments)
{
    QByteArray body;
    for (const QString& argument : arguments)
        body += argument.toUtf8() + '\0';
    QByteArray message(kHeaderSize, '\0');
    qToBigEndian(quint32(body.size()), message.data());
    return message + body;
}

bool CSingleInstance::SendToRunning(const QString& serverName, const QStringList& arguments, int timeoutMs)
{
    const QByteArray message = EncodeMessage(arguments);
    if (quint32(message.size() - kHeaderSize) > kMessageLimit)
        return false;
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs))
        return false;
    return socket.read(1) == QByteArray(1, kAcknowledgement);
}

bool CSingleInstance::Listen()
{
    if (IsListening())
        return true;
    if (!m_server)
    {
        m_server = new QLocalServer(this);
        // Only this user may hand arguments to the program.
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    }
    // Listening replaces the socket file, so a live instance must be asked first.
    if (IsAnswering(m_serverName))
        return false;
    if (m_server->listen(m_serverName))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Nobody answered: the file was left behind by a program that ended without removing it.
    QLocalServer::removeServer(m_serverName);
    return m_server->listen(m_serverName);
}

bool CSingleInstance::IsAnswering(const QString& serverName)
{
    QLocalSocket probe;
    probe.connectToServer(serverName);
    return probe.waitForConnected(kPeerTimeoutMs);
}

bool CSingleInstance::IsListening() const
{
    return m_server && m_server->isListening();
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection())
    {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        QTimer::singleShot(kPeerTimeoutMs, socket, &QLocalSocket::abort);
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void CSingleInstance::OnReadyRead(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < kHeaderSize)
        return;
    const quint32 size = qFromBigEndian<quint32>(socket->peek(kHeaderSize).constData());
    if (size > kMessageLimit)
    {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kHeaderSize + qint64(size))
        return;
    socket->read(kHeaderSize);
    const QStringList arguments = DecodeArguments(socket->read(size));
    socket->write(QByteArray(1, kAcknowledgement));
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT MessageReceived(arguments);
}
