#include "servers/Harness.h"
#include "support/TestFiles.h"

#include "engine/Checksum.h"
#include "engine/ftp/FtpClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

Q_DECLARE_METATYPE(FtpSecurity)

using namespace TestFiles;
using SetOptions = std::function<void(FtpConnectOptions&)>;

namespace
{
constexpr int kTimeoutMs = 10000;

// A listener whose accept queue is full, so the kernel leaves a new connection attempt unanswered.
struct FullListener
{
    FullListener()
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 0);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (pollfd p{-1, POLLOUT, 0}; clients.size() < 16 && !full; full = poll(&p, 1, 200) == 0)
        {
            clients.push_back(p.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            connect(p.fd, reinterpret_cast<sockaddr*>(&address), length);
        }
    }
    ~FullListener()
    {
        for (const int fd : clients)
            close(fd);
        close(listener);
    }
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::vector<int> clients;
    quint16 port = 0;
    bool full = false;
};
} // namespace

class TestFtpClientReal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_local;
    int m_serial = 0;

    static FtpConnectOptions Options(const CTestServer& server, FtpSecurity security,
                                     const SetOptions& set = {})
    {
        FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.user = server.User().toUtf8();
        options.password = server.Password().toUtf8();
        options.timeoutMs = kTimeoutMs;
        options.security = security;
        if (set)
            set(options);
        options.port = options.security == FtpSecurity::ImplicitTls ? server.TlsPort() : server.Port();
        return options;
    }
    // False (with the test failed) when the server did not start or the log-in failed.
    bool Open(CFtpClient& client, const QString& kind, FtpSecurity security, const SetOptions& set = {})
    {
        const CTestServer* server = Harness::Require(kind);
        if (!server)
            return false;
        // The harness's certificates are not ones the system vouches for.
        client.SetCertificateHook([](const ServerCertificate&) { return true; });
        const FtpResult connected = client.Connect(Options(*server, security, set));
        if (!connected.Ok())
            QTest::qFail(qPrintable(kind + QStringLiteral(": ") + connected.message), __FILE__, __LINE__);
        return connected.Ok();
    }
    QString Local(const QString& name) const { return m_local.filePath(name); }
    static QString Disk(const QString& kind, const QByteArray& remote)
    {
        return Harness::Server(kind)->Root() + "/" + QString::fromUtf8(remote);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }

    void failsToConnectWithinTheTimeOut()
    {
        FullListener listener;
        QVERIFY(listener.full);
        FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = listener.port;
        options.timeoutMs = 1500;
        CFtpClient client;
        QElapsedTimer timer;
        timer.start();
        const FtpResult unanswered = client.Connect(options);
        QCOMPARE(unanswered.status, FtpStatus::TimedOut);
        QCOMPARE(unanswered.message, QStringLiteral("無法連線到 127.0.0.1:%1：連線逾時").arg(listener.port));
        QVERIFY2(timer.elapsed() < options.timeoutMs + 3000, qPrintable(QString::number(timer.elapsed())));
    }

    void abortsLargeTransfers_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpSecurity>("security");
        QTest::addColumn<bool>("clearCommand");
        QTest::addColumn<bool>("upload");
        for (const bool upload : {false, true})
        {
            const char* way = upload ? "upload" : "download";
            QTest::addRow("proftpd, %s", way) << "proftpd" << FtpSecurity::None << false << upload;
            QTest::addRow("proftpd, TLS, %s", way)
                << "proftpd" << FtpSecurity::ExplicitTls << false << upload;
            QTest::addRow("proftpd, implicit TLS, %s", way)
                << "proftpd" << FtpSecurity::ImplicitTls << false << upload;
            QTest::addRow("proftpd, CCC, %s", way) << "proftpd" << FtpSecurity::ExplicitTls << true << upload;
            QTest::addRow("vsftpd, TLS, %s", way) << "vsftpd" << FtpSecurity::ExplicitTls << false << upload;
            QTest::addRow("pyftpdlib, %s", way) << "pyftpdlib" << FtpSecurity::None << false << upload;
        }
    }
    // The channels are secured as asked (CCC leaves the commands clear) and a cancel from the progress hook
    // moves not one block more: a stream that never has to wait for the network must see it all the same.
    void abortsLargeTransfers()
    {
        QFETCH(QString, kind);
        QFETCH(FtpSecurity, security);
        QFETCH(bool, clearCommand);
        QFETCH(bool, upload);

        CFtpClient client;
        QVERIFY(Open(client, kind, security,
                     [&](FtpConnectOptions& o) { o.clearCommandChannel = clearCommand; }));
        QCOMPARE(client.TlsVersion(),
                 QByteArray(security != FtpSecurity::None && !clearCommand ? "TLSv1.3" : ""));
        const QByteArray name = "large" + QByteArray::number(++m_serial);
        const qint64 size = 200 * kMiB;
        const QString local = Local("large.bin");
        QVERIFY(MakeSparse(upload ? local : Disk(kind, name), size));
        qint64 cancelledAt = -1;
        qint64 last = 0;
        const auto progress = [&](qint64 position, qint64)
        {
            last = position;
            if (cancelledAt < 0 && position >= 8 * kMiB)
            {
                cancelledAt = position;
                client.Cancel();
            }
        };
        const FtpResult result = upload ? client.Upload(local, name, FtpUploadMode::Replace, progress)
                                        : client.Download(name, local, false, progress);
        QCOMPARE(result.status, FtpStatus::Cancelled);
        QVERIFY(cancelledAt > 0);
        QCOMPARE(last, cancelledAt);
        const FtpValue<qint64> remote = client.Size(name);
        QVERIFY2(remote.result.Ok(), qPrintable(remote.result.message));
        QVERIFY(upload ? remote.value < size : remote.value == size);
        QVERIFY(client.Delete(name).Ok());
    }

    // Refused by the owner, or with no owner to ask, an untrusted certificate ends the session before the
    // log-in.
    void handsTheCertificateToTheOwner()
    {
        const CTestServer* server = Harness::Require("vsftpd");
        QVERIFY(server);
        const FtpConnectOptions options = Options(*server, FtpSecurity::ExplicitTls);
        CFtpClient client;
        QByteArrayList commands;
        client.SetLogHook(
            [&](FtpLogKind kind, const QByteArray& line)
            {
                if (kind == FtpLogKind::Command)
                    commands.append(line.left(4));
            });
        ServerCertificate seen;
        client.SetCertificateHook([&](const ServerCertificate& certificate)
                                  { return (seen = certificate, false); });
        const FtpResult rejected = client.Connect(options);
        QCOMPARE(rejected.status, FtpStatus::Rejected);
        QVERIFY2(rejected.message.startsWith(QStringLiteral("伺服器憑證未被接受")),
                 qPrintable(rejected.message));
        QCOMPARE(commands, QByteArrayList{"AUTH"});
        QCOMPARE(seen.pem, ReadFile(server->Value("CERT")));
        QCOMPARE(seen.subject, "CN=localhost");
        QVERIFY(!seen.issuer.isEmpty() && !seen.problem.isEmpty() && !seen.trusted);
        QVERIFY(seen.notBefore < QDateTime::currentDateTimeUtc() &&
                seen.notAfter > QDateTime::currentDateTimeUtc());
        QCOMPARE(seen.sha256.size(), 64);
        CFtpClient unattended;
        QCOMPARE(unattended.Connect(options).status, FtpStatus::Rejected);
    }
};

QTEST_GUILESS_MAIN(TestFtpClientReal)
#include "tst_FtpClientReal.moc"
