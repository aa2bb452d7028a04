#pragma once

#include "servers/TestServer.h"

#include "engine/KeyCertificate.h"
#include "engine/SftpClient.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <memory>

// The two SFTP servers of the harness and what the tests need to know about them.
struct SftpServer
{
    QString kind;
    CTestServer* server = nullptr;
    QByteArray workFolder; // where the user may write, as an SFTP path
    QString diskRoot;      // the disk folder that the SFTP path "/" stands for

    QString Disk(const QByteArray& remotePath) const { return diskRoot + QString::fromUtf8(remotePath); }
    // sshd's log (also the place where failed and accepted passwords show).
    QString Log() const
    {
        return kind == QLatin1String("sshd")
                   ? server->Value(QStringLiteral("WORKDIR")) + QStringLiteral("/../server.log")
                   : server->Root() + QStringLiteral("/../sftp.log");
    }

    SftpConnectOptions Options() const
    {
        SftpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = server->Port();
        options.user = server->User().toUtf8();
        options.password = server->Password().toUtf8();
        options.timeoutMs = 10000;
        return options;
    }
};

namespace SftpTest
{
constexpr qint64 kMiB = 1024 * 1024;

inline QByteArray Sha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing " + path.toUtf8() + ">";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool WriteAll(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// Random bytes, a fixed seed per size.
inline bool MakeFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QRandomGenerator random{quint32(size)};
    QByteArray block(int(qMin(size, kMiB)), Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= block.size())
    {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        if (file.write(block.constData(), qMin<qint64>(left, block.size())) < 0)
            return false;
    }
    return true;
}

inline std::shared_ptr<CKeyCertificate> Key(const QString& path, const QByteArray& passphrase = {})
{
    auto key = std::make_shared<CKeyCertificate>();
    return key->LoadPrivateKey(path, passphrase).Ok() ? key : nullptr;
}
} // namespace SftpTest
