#pragma once

#include "support/TestFiles.h"

#include "engine/keys/KeyCertificate.h"
#include "engine/sftp/SftpClient.h"

#include <QByteArray>
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
using namespace TestFiles;

inline std::shared_ptr<CKeyCertificate> Key(const QString& path, const QByteArray& passphrase = {})
{
    auto key = std::make_shared<CKeyCertificate>();
    return key->LoadPrivateKey(path, passphrase).Ok() ? key : nullptr;
}
} // namespace SftpTest
