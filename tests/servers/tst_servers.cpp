// Smoke test of the real-server harness: every kind starts, answers on loopback as it should, lets the
// test user in with what start.sh printed, and is gone after stopping.

#include "servers/TestServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace
{
constexpr int kWaitMs = 10000;
constexpr int kMaxReads = 100;
const QByteArray kProbeText = QByteArrayLiteral("zentrava probe\n");

// Reads one complete FTP reply (all lines of a multi-line one); empty when none came in time.
QByteArray ReadReply(QTcpSocket& socket)
{
    QByteArray reply;
    for (int reads = 0; reads < kMaxReads; ++reads)
    {
        while (socket.canReadLine())
        {
            const QByteArray line = socket.readLine();
            reply += line;
            if (line.size() >= 4 && line.at(3) == ' ' && reply.startsWith(line.left(3)))
            {
                return reply;
            }
        }
        if (!socket.waitForReadyRead(kWaitMs))
        {
            break;
        }
    }
    return reply;
}

QByteArray Command(QTcpSocket& socket, const QByteArray& command)
{
    socket.write(command + "\r\n");
    return ReadReply(socket);
}

QByteArray ReadExactly(QTcpSocket& socket, qint64 size)
{
    for (int reads = 0; reads < kMaxReads && socket.bytesAvailable() < size; ++reads)
    {
        if (!socket.waitForReadyRead(kWaitMs))
        {
            break;
        }
    }
    return socket.read(size);
}

// Everything up to the peer's close; stops early when the peer goes quiet.
QByteArray ReadUntilClosed(QTcpSocket& socket)
{
    QByteArray data;
    for (int reads = 0; reads < kMaxReads && socket.waitForReadyRead(kWaitMs); ++reads)
    {
        data += socket.readAll();
    }
    return data + socket.readAll();
}

QSslConfiguration TrustOnly(const QString& certificateFile, QSsl::SslProtocol protocol)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(QSslCertificate::fromPath(certificateFile));
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    configuration.setProtocol(protocol);
    return configuration;
}

// Data port of a "229 Entering Extended Passive Mode (|||port|)" reply.
quint16 ExtendedPassivePort(const QByteArray& reply)
{
    const QList<QByteArray> fields = reply.split('|');
    return fields.size() >= 5 ? fields.at(3).toUShort() : 0;
}

// Where a remote path of the test user lies on disk.
QString DiskPath(const CTestServer& server, const QString& remotePath)
{
    return QDir::cleanPath(server.Root() + QStringLiteral("/") + remotePath);
}

QString InWorkDir(const CTestServer& server, const QString& name)
{
    return server.Value(QStringLiteral("WORKDIR")) + QStringLiteral("/") + name;
}

bool ProcessGone(const QString& pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
    {
        return true;
    }
    // Nothing here reaps orphans, so a dead server may linger as a zombie.
    const QByteArray state = stat.readAll().split(')').last().trimmed().left(1);
    return state == "Z" || state == "X";
}

bool PortClosed(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return !socket.waitForConnected(kWaitMs) && socket.error() == QAbstractSocket::ConnectionRefusedError;
}

QByteArray FileMd5(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex();
}

enum class Tls
{
    None,
    Explicit,
    Implicit
};

enum class SshLogIn
{
    Ed25519,
    Rsa,
    Password
};
} // namespace

Q_DECLARE_METATYPE(Tls)
Q_DECLARE_METATYPE(SshLogIn)

class TestServers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ftpLogsInAndMapsRoot_data();
    void ftpLogsInAndMapsRoot();
    void proftpdComputesChecksums();
    void vsftpdRefusesClearLogIn();
    void ftpPassiveListing_data();
    void ftpPassiveListing();
    void sshLogsIn_data();
    void sshLogsIn();
    void sshdRunsHashCommands_data();
    void sshdRunsHashCommands();
    void socks5Connects_data();
    void socks5Connects();
    void httpProxyConnects_data();
    void httpProxyConnects();
    void failedStartSaysWhy_data();
    void failedStartSaysWhy();
    void stopEndsEverything_data();
    void stopEndsEverything();

private:
    CTestServer* Started(const QString& kind, QString* error);
    bool LogIn(QTcpSocket& socket, const CTestServer& server);
    QByteArray RunSsh(const QString& program, const QStringList& arguments, SshLogIn logIn,
                      const CTestServer& server, const QByteArray& input);

    // One running server per kind, shared by the checks; the last test stops them.
    std::map<QString, std::unique_ptr<CTestServer>> m_servers;
    QTemporaryDir m_scratch;
};

CTestServer* TestServers::Started(const QString& kind, QString* error)
{
    std::unique_ptr<CTestServer>& server = m_servers[kind];
    if (!server)
    {
        server = std::make_unique<CTestServer>(kind);
        if (!server->Start(error))
        {
            server.reset();
            return nullptr;
        }
    }
    return server.get();
}

bool TestServers::LogIn(QTcpSocket& socket, const CTestServer& server)
{
    const QByteArray user = Command(socket, "USER " + server.User().toUtf8());
    return (user.startsWith("331") &&
            Command(socket, "PASS " + server.Password().toUtf8()).startsWith("230")) ||
           user.startsWith("230");
}

void TestServers::ftpLogsInAndMapsRoot_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Tls>("tls");
    QTest::addColumn<QSsl::SslProtocol>("protocol");
    QTest::addColumn<QByteArrayList>("featuresOffered");
    QTest::addColumn<QByteArrayList>("featuresAbsent");

    const QByteArrayList proftpdFeatures{"AUTH TLS", "MLST", "HASH CRC32;MD5;SHA-1*;SHA-256;SHA-512;",
                                         "XCRC",     "XMD5", "XSHA1"};
    const QByteArrayList noChecksums{"HASH", "XCRC", "XMD5", "XSHA"};
    QTest::newRow("proftpd plain") << "proftpd" << Tls::None << QSsl::AnyProtocol << proftpdFeatures
                                   << QByteArrayList{};
    QTest::newRow("proftpd explicit TLS 1.3")
        << "proftpd" << Tls::Explicit << QSsl::TlsV1_3 << proftpdFeatures << QByteArrayList{};
    QTest::newRow("proftpd implicit TLS 1.2")
        << "proftpd" << Tls::Implicit << QSsl::TlsV1_2 << proftpdFeatures << QByteArrayList{};
    QTest::newRow("proftpd implicit TLS 1.3")
        << "proftpd" << Tls::Implicit << QSsl::TlsV1_3 << proftpdFeatures << QByteArrayList{};
    const QByteArrayList vsftpdLacks = noChecksums + QByteArrayList{"MLST"};
    QTest::newRow("vsftpd TLS 1.2") << "vsftpd" << Tls::Explicit << QSsl::TlsV1_2
                                    << QByteArrayList{"AUTH TLS"} << vsftpdLacks;
    QTest::newRow("vsftpd TLS 1.3") << "vsftpd" << Tls::Explicit << QSsl::TlsV1_3
                                    << QByteArrayList{"AUTH TLS"} << vsftpdLacks;
    QTest::newRow("pyftpdlib") << "pyftpdlib" << Tls::None << QSsl::AnyProtocol
                               << QByteArrayList{"MLST", "MFMT"} << noChecksums;
}

void TestServers::ftpLogsInAndMapsRoot()
{
    QFETCH(QString, kind);
    QFETCH(Tls, tls);
    QFETCH(QSsl::SslProtocol, protocol);
    QFETCH(QByteArrayList, featuresOffered);
    QFETCH(QByteArrayList, featuresAbsent);
    QString error;
    CTestServer* server = Started(kind, &error);
    QVERIFY2(server, qPrintable(error));

    QSslSocket socket;
    socket.setSslConfiguration(TrustOnly(server->Value(QStringLiteral("CERT")), protocol));
    if (tls == Tls::Implicit)
    {
        socket.connectToHostEncrypted(server->Value(QStringLiteral("HOST")), server->TlsPort());
        QVERIFY2(socket.waitForEncrypted(kWaitMs), qPrintable(socket.errorString()));
    }
    else
    {
        socket.connectToHost(server->Value(QStringLiteral("HOST")), server->Port());
    }
    QVERIFY(ReadReply(socket).startsWith("220"));
    if (tls == Tls::Explicit)
    {
        QVERIFY(Command(socket, "AUTH TLS").startsWith("234"));
        socket.startClientEncryption();
        QVERIFY2(socket.waitForEncrypted(kWaitMs), qPrintable(socket.errorString()));
    }
    if (tls != Tls::None)
    {
        QCOMPARE(socket.sessionProtocol(), protocol);
    }
    QVERIFY(LogIn(socket, *server));

    const QByteArray features = Command(socket, "FEAT");
    for (const QByteArray& feature : featuresOffered)
    {
        QVERIFY2(features.contains(" " + feature), feature.constData());
    }
    for (const QByteArray& feature : featuresAbsent)
    {
        QVERIFY2(!features.contains(" " + feature), feature.constData());
    }

    QFile probe(server->Root() + QStringLiteral("/probe-size.txt"));
    QVERIFY(probe.open(QIODevice::WriteOnly) && probe.write(kProbeText) == kProbeText.size());
    probe.close();
    QVERIFY(Command(socket, "TYPE I").startsWith("200"));
    QCOMPARE(Command(socket, "SIZE /probe-size.txt").trimmed(),
             "213 " + QByteArray::number(kProbeText.size()));
}

void TestServers::proftpdComputesChecksums()
{
    QString error;
    CTestServer* server = Started(QStringLiteral("proftpd"), &error);
    QVERIFY2(server, qPrintable(error));
    QFile probe(server->Root() + QStringLiteral("/probe-hash.txt"));
    QVERIFY(probe.open(QIODevice::WriteOnly) && probe.write(kProbeText) == kProbeText.size());
    probe.close();

    QTcpSocket socket;
    socket.connectToHost(server->Value(QStringLiteral("HOST")), server->Port());
    QVERIFY(ReadReply(socket).startsWith("220"));
    QVERIFY(LogIn(socket, *server));
    const QByteArray sha1 = QCryptographicHash::hash(kProbeText, QCryptographicHash::Sha1).toHex();
    const QByteArray md5 = QCryptographicHash::hash(kProbeText, QCryptographicHash::Md5).toHex().toUpper();
    QVERIFY(Command(socket, "HASH /probe-hash.txt").contains(sha1));
    QVERIFY(Command(socket, "XMD5 /probe-hash.txt").contains(md5));
}

void TestServers::vsftpdRefusesClearLogIn()
{
    QString error;
    CTestServer* server = Started(QStringLiteral("vsftpd"), &error);
    QVERIFY2(server, qPrintable(error));
    QTcpSocket socket;
    socket.connectToHost(server->Value(QStringLiteral("HOST")), server->Port());
    QVERIFY(ReadReply(socket).startsWith("220"));
    QVERIFY(Command(socket, "USER " + server->User().toUtf8()).startsWith("530"));
}

void TestServers::ftpPassiveListing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("proftpd") << "proftpd";
    QTest::newRow("pyftpdlib") << "pyftpdlib";
}

void TestServers::ftpPassiveListing()
{
    QFETCH(QString, kind);
    QString error;
    CTestServer* server = Started(kind, &error);
    QVERIFY2(server, qPrintable(error));
    QFile probe(server->Root() + QStringLiteral("/probe-list.txt"));
    QVERIFY(probe.open(QIODevice::WriteOnly));
    probe.close();

    QTcpSocket control;
    control.connectToHost(server->Value(QStringLiteral("HOST")), server->Port());
    QVERIFY(ReadReply(control).startsWith("220"));
    QVERIFY(LogIn(control, *server));
    const quint16 dataPort = ExtendedPassivePort(Command(control, "EPSV"));
    QVERIFY(dataPort != 0);
    QTcpSocket data;
    data.connectToHost(server->Value(QStringLiteral("HOST")), dataPort);
    QVERIFY(data.waitForConnected(kWaitMs));
    QVERIFY(Command(control, "MLSD /").startsWith("1"));
    QVERIFY(ReadUntilClosed(data).contains("probe-list.txt"));
    QVERIFY(ReadReply(control).startsWith("226"));
}

QByteArray TestServers::RunSsh(const QString& program, const QStringList& arguments, SshLogIn logIn,
                               const CTestServer& server, const QByteArray& input)
{
    const QString knownHosts = m_scratch.filePath(QStringLiteral("known_hosts"));
    QFile hostKey(server.Value(QStringLiteral("HOST_KEY")));
    QFile known(knownHosts);
    if (!hostKey.open(QIODevice::ReadOnly) || !known.open(QIODevice::WriteOnly))
    {
        return {};
    }
    const QByteArrayList keyFields = hostKey.readAll().split(' ');
    known.write("[127.0.0.1]:" + QByteArray::number(server.Port()) + ' ' + keyFields.value(0) + ' ' +
                keyFields.value(1) + '\n');
    known.close();

    QStringList options{QStringLiteral("-F"), QStringLiteral("/dev/null"),
                        QStringLiteral("-o"), QStringLiteral("UserKnownHostsFile=") + knownHosts,
                        QStringLiteral("-o"), QStringLiteral("GlobalKnownHostsFile=/dev/null"),
                        QStringLiteral("-o"), QStringLiteral("StrictHostKeyChecking=yes"),
                        QStringLiteral("-o"), QStringLiteral("IdentitiesOnly=yes"),
                        QStringLiteral("-o"), QStringLiteral("NumberOfPasswordPrompts=1")};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (logIn == SshLogIn::Password)
    {
        // OpenSSH reads a password only from a terminal or an askpass program.
        const QString askPass = m_scratch.filePath(QStringLiteral("askpass"));
        QFile script(askPass);
        if (!script.open(QIODevice::WriteOnly))
        {
            return {};
        }
        script.write("#!/bin/sh\nprintf '%s\\n' '" + server.Password().toUtf8() + "'\n");
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        script.close();
        environment.insert(QStringLiteral("SSH_ASKPASS"), askPass);
        environment.insert(QStringLiteral("SSH_ASKPASS_REQUIRE"), QStringLiteral("force"));
        options << QStringLiteral("-o") << QStringLiteral("PreferredAuthentications=password");
    }
    else
    {
        const QString key =
            logIn == SshLogIn::Rsa ? QStringLiteral("KEY_RSA") : QStringLiteral("KEY_ED25519");
        options << QStringLiteral("-o") << QStringLiteral("BatchMode=yes") << QStringLiteral("-o")
                << QStringLiteral("PreferredAuthentications=publickey") << QStringLiteral("-i")
                << server.Value(key);
    }

    QProcess ssh;
    ssh.setProcessEnvironment(environment);
    ssh.start(program, options + arguments);
    ssh.write(input);
    ssh.closeWriteChannel();
    if (!ssh.waitForFinished(kWaitMs * 3) || ssh.exitCode() != 0)
    {
        ssh.kill();
        ssh.waitForFinished();
        qWarning("%s", ssh.readAllStandardError().constData());
        return {};
    }
    return ssh.readAllStandardOutput();
}

void TestServers::sshLogsIn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<SshLogIn>("logIn");
    for (const QString& kind : {QStringLiteral("sshd"), QStringLiteral("proftpd-sftp")})
    {
        QTest::addRow("%s ed25519 key", qPrintable(kind)) << kind << SshLogIn::Ed25519;
        QTest::addRow("%s RSA key", qPrintable(kind)) << kind << SshLogIn::Rsa;
        QTest::addRow("%s password", qPrintable(kind)) << kind << SshLogIn::Password;
    }
}

void TestServers::sshLogsIn()
{
    QFETCH(QString, kind);
    QFETCH(SshLogIn, logIn);
    QVERIFY(m_scratch.isValid());
    QString error;
    CTestServer* server = Started(kind, &error);
    QVERIFY2(server, qPrintable(error));

    QTcpSocket socket;
    socket.connectToHost(server->Value(QStringLiteral("HOST")), server->Port());
    QVERIFY(socket.waitForConnected(kWaitMs) && socket.waitForReadyRead(kWaitMs));
    QVERIFY(socket.readLine().startsWith("SSH-2.0-"));

    // The user lands in WORKDIR.
    const QString listed = QStringLiteral("probe-sftp.txt");
    QFile probe(DiskPath(*server, InWorkDir(*server, listed)));
    QVERIFY(probe.open(QIODevice::WriteOnly));
    probe.close();
    const QByteArray output = RunSsh(QStringLiteral("sftp"),
                                     {QStringLiteral("-P"), QString::number(server->Port()),
                                      server->User() + QStringLiteral("@127.0.0.1")},
                                     logIn, *server, "pwd\nls\n");
    QVERIFY2(
        output.contains("Remote working directory: " + server->Value(QStringLiteral("WORKDIR")).toUtf8()),
        output.constData());
    QVERIFY2(output.contains(listed.toUtf8()), output.constData());
}

void TestServers::sshdRunsHashCommands_data()
{
    QTest::addColumn<SshLogIn>("logIn");
    QTest::newRow("ed25519 key") << SshLogIn::Ed25519;
    QTest::newRow("password") << SshLogIn::Password;
}

void TestServers::sshdRunsHashCommands()
{
    QFETCH(SshLogIn, logIn);
    QVERIFY(m_scratch.isValid());
    QString error;
    CTestServer* server = Started(QStringLiteral("sshd"), &error);
    QVERIFY2(server, qPrintable(error));
    const QString path = InWorkDir(*server, QStringLiteral("probe-md5.txt"));
    QFile probe(DiskPath(*server, path));
    QVERIFY(probe.open(QIODevice::WriteOnly) && probe.write(kProbeText) == kProbeText.size());
    probe.close();

    const QByteArray output =
        RunSsh(QStringLiteral("ssh"),
               {QStringLiteral("-p"), QString::number(server->Port()),
                server->User() + QStringLiteral("@127.0.0.1"), QStringLiteral("md5sum ") + path},
               logIn, *server, {});
    QCOMPARE(output.split(' ').value(0), FileMd5(DiskPath(*server, path)));
}

void TestServers::socks5Connects_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("authenticate");
    QTest::addColumn<bool>("rightPassword");
    QTest::newRow("no log-in") << "socks5" << false << false;
    QTest::newRow("log-in") << "socks5-auth" << true << true;
    QTest::newRow("wrong password") << "socks5-auth" << true << false;
}

void TestServers::socks5Connects()
{
    QFETCH(QString, kind);
    QFETCH(bool, authenticate);
    QFETCH(bool, rightPassword);
    QString error;
    CTestServer* target = Started(QStringLiteral("proftpd"), &error);
    QVERIFY2(target, qPrintable(error));
    CTestServer* proxy = Started(kind, &error);
    QVERIFY2(proxy, qPrintable(error));

    QTcpSocket socket;
    socket.connectToHost(proxy->Value(QStringLiteral("HOST")), proxy->Port());
    QVERIFY(socket.waitForConnected(kWaitMs));
    const char method = authenticate ? '\x02' : '\x00';
    socket.write(QByteArray("\x05\x01", 2) + method);
    QCOMPARE(ReadExactly(socket, 2), QByteArray("\x05", 1) + method);
    if (authenticate)
    {
        const QByteArray user = proxy->User().toUtf8();
        const QByteArray password = rightPassword ? proxy->Password().toUtf8() : QByteArrayLiteral("wrong");
        socket.write(QByteArray(1, '\x01') + char(user.size()) + user + char(password.size()) + password);
        const QByteArray status = ReadExactly(socket, 2);
        QCOMPARE(status.size(), 2);
        QCOMPARE(status.at(1) == '\x00', rightPassword);
        if (!rightPassword)
        {
            return;
        }
    }
    const quint16 port = target->Port();
    socket.write(QByteArray("\x05\x01\x00\x01\x7f\x00\x00\x01", 8) + char(port >> 8) + char(port & 0xff));
    const QByteArray reply = ReadExactly(socket, 4);
    QCOMPARE(reply.left(2), QByteArray("\x05\x00", 2));
    QCOMPARE(reply.at(3), '\x01');
    QCOMPARE(ReadExactly(socket, 6).size(), 6);
    QVERIFY(ReadReply(socket).startsWith("220"));
}

void TestServers::httpProxyConnects_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("sendCredentials");
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("open") << "httpproxy" << false << QByteArray(" 200 ");
    QTest::newRow("log-in") << "httpproxy-auth" << true << QByteArray(" 200 ");
    QTest::newRow("log-in missing") << "httpproxy-auth" << false << QByteArray(" 407 ");
}

void TestServers::httpProxyConnects()
{
    QFETCH(QString, kind);
    QFETCH(bool, sendCredentials);
    QFETCH(QByteArray, status);
    QString error;
    CTestServer* target = Started(QStringLiteral("proftpd"), &error);
    QVERIFY2(target, qPrintable(error));
    CTestServer* proxy = Started(kind, &error);
    QVERIFY2(proxy, qPrintable(error));

    QTcpSocket socket;
    socket.connectToHost(proxy->Value(QStringLiteral("HOST")), proxy->Port());
    QVERIFY(socket.waitForConnected(kWaitMs));
    const QByteArray authority = "127.0.0.1:" + QByteArray::number(target->Port());
    QByteArray request = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (sendCredentials)
    {
        const QByteArray credentials = (proxy->User() + QStringLiteral(":") + proxy->Password()).toUtf8();
        request += "Proxy-Authorization: Basic " + credentials.toBase64() + "\r\n";
    }
    socket.write(request + "\r\n");
    QByteArray head;
    for (int reads = 0; reads < kMaxReads && !head.contains("\r\n\r\n"); ++reads)
    {
        QVERIFY(socket.canReadLine() || socket.waitForReadyRead(kWaitMs));
        head += socket.readLine();
    }
    QVERIFY2(head.startsWith("HTTP/1.") && head.left(head.indexOf('\n')).contains(status), head.constData());
    if (status == " 200 ")
    {
        QVERIFY(ReadReply(socket).startsWith("220"));
    }
}

void TestServers::failedStartSaysWhy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("sourceDir");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown kind") << "no-such-kind" << QByteArray()
                                  << "unknown test server kind 'no-such-kind'";
    QTest::newRow("scripts missing") << "proftpd" << QByteArray("/nonexistent")
                                     << "/nonexistent/tests/servers";
}

void TestServers::failedStartSaysWhy()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, sourceDir);
    QFETCH(QString, reason);
    const QByteArray savedSourceDir = qgetenv("ZENTRAVA_SOURCE_DIR");
    if (!sourceDir.isEmpty())
    {
        qputenv("ZENTRAVA_SOURCE_DIR", sourceDir);
    }
    QString error;
    CTestServer server(kind);
    const bool started = server.Start(&error);
    qputenv("ZENTRAVA_SOURCE_DIR", savedSourceDir);
    QVERIFY(!started);
    QVERIFY2(error.contains(QStringLiteral("test server '%1' did not start").arg(kind)), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestServers::stopEndsEverything_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"proftpd", "vsftpd", "pyftpdlib", "sshd", "proftpd-sftp", "socks5",
                             "socks5-auth", "httpproxy", "httpproxy-auth"})
    {
        QTest::newRow(kind) << QString::fromLatin1(kind);
    }
}

void TestServers::stopEndsEverything()
{
    QFETCH(QString, kind);
    QString error;
    CTestServer* server = Started(kind, &error);
    QVERIFY2(server, qPrintable(error));
    const QString pid = server->Value(QStringLiteral("PID"));
    const quint16 port = server->Port();
    const quint16 tlsPort = server->TlsPort();
    QVERIFY(!ProcessGone(pid));

    // A connection still open: the process serving it must end too.
    QTcpSocket client;
    client.connectToHost(server->Value(QStringLiteral("HOST")), port);
    QVERIFY(client.waitForConnected(kWaitMs));
    m_servers.erase(kind);

    QVERIFY(ProcessGone(pid));
    QVERIFY(PortClosed(port));
    QVERIFY(tlsPort == 0 || PortClosed(tlsPort));
    if (client.state() != QAbstractSocket::UnconnectedState)
    {
        client.waitForDisconnected(kWaitMs);
    }
    QCOMPARE(client.state(), QAbstractSocket::UnconnectedState);
}

QTEST_GUILESS_MAIN(TestServers)
#include "tst_servers.moc"
