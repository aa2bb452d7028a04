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

// A listening socket whose accept queue is full, so the kernel leaves a new connection attempt unanswered.
class CFullListener
{
public:
    CFullListener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 0);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (int i = 0; i < 16 && !full; ++i)
        {
            m_clients.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            connect(m_clients.back(), reinterpret_cast<sockaddr*>(&address), length);
            pollfd p{m_clients.back(), POLLOUT, 0};
            full = poll(&p, 1, 200) == 0;
        }
    }
    ~CFullListener()
    {
        for (const int fd : m_clients)
            close(fd);
        close(m_listener);
    }
    quint16 port = 0;
    bool full = false;

private:
    int m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::vector<int> m_clients;
};
} // namespace

class TestFtpClientReal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_local;
    int m_serial = 0;

    static FtpConnectOptions Options(const CTestServer& server, const SetOptions& set)
    {
        FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.user = server.User().toUtf8();
        options.password = server.Password().toUtf8();
        options.timeoutMs = kTimeoutMs;
        if (set)
            set(options);
        options.port = options.security == FtpSecurity::ImplicitTls ? server.TlsPort() : server.Port();
        return options;
    }
    // False (with the test failed) when the server did not start or the log-in failed.
    bool Open(CFtpClient& client, const QString& kind, const SetOptions& set = {})
    {
        const CTestServer* server = Harness::Require(kind);
        if (!server)
            return false;
        // The harness's certificates are not ones the system vouches for.
        client.SetCertificateHook([](const ServerCertificate&) { return true; });
        const FtpResult connected = client.Connect(Options(*server, set));
        if (!connected.Ok())
            QTest::qFail(qPrintable(kind + QStringLiteral(": ") + connected.message), __FILE__, __LINE__);
        return connected.Ok();
    }
    static SetOptions Securely(FtpSecurity security)
    {
        return [security](FtpConnectOptions& o) { o.security = security; };
    }
    QString Local(const QString& name) const { return m_local.filePath(name); }
    static QString Disk(const QString& kind, const QByteArray& remote)
    {
        return Harness::Server(kind)->Root() + "/" + QString::fromUtf8(remote);
    }
    QByteArray Fresh(const QByteArray& name) { return name + QByteArray::number(++m_serial); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }

    void reportsLoginFailure_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpSecurity>("security");
        QTest::newRow("proftpd") << "proftpd" << FtpSecurity::None;
        QTest::newRow("vsftpd") << "vsftpd" << FtpSecurity::ExplicitTls;
        QTest::newRow("pyftpdlib") << "pyftpdlib" << FtpSecurity::None;
    }
    void reportsLoginFailure()
    {
        QFETCH(QString, kind);
        QFETCH(FtpSecurity, security);
        const CTestServer* server = Harness::Require(kind);
        QVERIFY(server);
        CFtpClient client;
        client.SetCertificateHook([](const ServerCertificate&) { return true; });
        const FtpResult result = client.Connect(Options(*server,
                                                        [&](FtpConnectOptions& o)
                                                        {
                                                            o.password = "not the password";
                                                            o.security = security;
                                                        }));
        QCOMPARE(result.status, FtpStatus::LogInRefused);
        QCOMPARE(result.reply.code, 530);
        QCOMPARE(result.message, QStringLiteral("登入失敗：") + QString::fromUtf8(result.reply.Text()));
        QVERIFY(result.reply.Text().size() > 4);
        QVERIFY(!client.IsConnected());
    }

    void failsToConnectWithinTheTimeOut()
    {
        CFullListener listener;
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

    void worksWithEverySetup_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpSecurity>("security");
        QTest::addColumn<bool>("passive");
        QTest::addColumn<bool>("clearData");
        QTest::addColumn<bool>("clearCommand");

        const auto add = [](const char* tag, const char* kind, FtpSecurity security, bool passive,
                            bool clearData = false, bool clearCommand = false)
        { QTest::newRow(tag) << QString(kind) << security << passive << clearData << clearCommand; };
        add("proftpd, passive", "proftpd", FtpSecurity::None, true);
        add("proftpd, active", "proftpd", FtpSecurity::None, false);
        add("proftpd, explicit TLS", "proftpd", FtpSecurity::ExplicitTls, true);
        add("proftpd, implicit TLS", "proftpd", FtpSecurity::ImplicitTls, true);
        add("proftpd, PROT C", "proftpd", FtpSecurity::ExplicitTls, true, true);
        add("proftpd, CCC", "proftpd", FtpSecurity::ExplicitTls, true, false, true);
        add("vsftpd, TLS, passive", "vsftpd", FtpSecurity::ExplicitTls, true);
        add("vsftpd, TLS, active", "vsftpd", FtpSecurity::ExplicitTls, false);
        add("pyftpdlib, passive", "pyftpdlib", FtpSecurity::None, true);
        add("pyftpdlib, active", "pyftpdlib", FtpSecurity::None, false);
    }
    // Files go both ways byte for byte, resume without truncating, and are managed in a folder of their own.
    void worksWithEverySetup()
    {
        QFETCH(QString, kind);
        QFETCH(FtpSecurity, security);
        QFETCH(bool, passive);
        QFETCH(bool, clearData);
        QFETCH(bool, clearCommand);

        CFtpClient client;
        QVERIFY(Open(client, kind,
                     [&](FtpConnectOptions& o)
                     {
                         o.security = security;
                         o.passive = passive;
                         o.clearDataChannel = clearData;
                         o.clearCommandChannel = clearCommand;
                     }));
        QCOMPARE(client.TlsVersion(),
                 QByteArray(security != FtpSecurity::None && !clearCommand ? "TLSv1.3" : ""));
        const QByteArray folder = Fresh("folder ");
        QVERIFY(client.MakeFolder(folder).Ok());
        QVERIFY(client.ChangeFolder(folder).Ok());
        QCOMPARE(client.CurrentFolder().value, "/" + folder);

        const QList<QPair<QByteArray, qint64>> files = {{"empty.bin", 0},
                                                        {"one.bin", 1},
                                                        {"ten.bin", 10 * kMiB},
                                                        {"name with spaces.bin", 1000},
                                                        {"中文 檔名.txt", 333}};
        QStringList sent;
        for (const auto& [name, size] : files)
        {
            const QString source = Local(QString::fromUtf8(name));
            QVERIFY(MakeFile(source, size));
            qint64 lastPosition = -1;
            const FtpResult up = client.Upload(source, name, FtpUploadMode::Replace,
                                               [&](qint64 position, qint64) { lastPosition = position; });
            QVERIFY2(up.Ok(), qPrintable(up.message));
            QCOMPARE(lastPosition, size);
            QCOMPARE(Sha256(Disk(kind, folder + "/" + name)), Sha256(source));
            const QString copy = Local("copy of " + QString::fromUtf8(name));
            const FtpResult down = client.Download(name, copy, false);
            QVERIFY2(down.Ok(), qPrintable(down.message));
            QCOMPARE(Sha256(copy), Sha256(source));
            sent.append(QStringLiteral("%1 %2 %3")
                            .arg(QString::fromUtf8(name))
                            .arg(size)
                            .arg(int(ListItem::Kind::File)));
        }
        const FtpValue<FtpListing> listing = client.List();
        QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
        QStringList listed;
        for (const ListItem& item : listing.value.items)
            listed.append(QStringLiteral("%1 %2 %3")
                              .arg(QString::fromUtf8(item.name))
                              .arg(item.size)
                              .arg(int(item.kind)));
        listed.sort();
        sent.sort();
        QCOMPARE(listed, sent);

        // Of the harness's servers only proftpd computes checksums; the others give none.
        for (const ChecksumKind checksum : {ChecksumKind::Crc32, ChecksumKind::Md5, ChecksumKind::Sha1})
        {
            const FtpValue<QByteArray> remote = client.RemoteChecksum(checksum, "name with spaces.bin");
            QVERIFY2(remote.result.Ok(), qPrintable(remote.result.message));
            QCOMPARE(remote.value, kind == "proftpd" ? LocalChecksum(Local("name with spaces.bin"), checksum,
                                                                     nullptr, nullptr)
                                                     : QByteArray());
        }

        // The server holds the first half and gets the rest; the local file holds a third and is continued.
        const QByteArray content = ReadFile(Local("ten.bin"));
        QVERIFY(WriteFile(Local("half.bin"), content.left(content.size() / 2)));
        QVERIFY(client.Upload(Local("half.bin"), "resumed.bin", FtpUploadMode::Replace).Ok());
        const FtpResult up = client.Upload(Local("ten.bin"), "resumed.bin", FtpUploadMode::Resume);
        QVERIFY2(up.Ok(), qPrintable(up.message));
        QCOMPARE(Sha256(Disk(kind, folder + "/resumed.bin")), Sha256(Local("ten.bin")));
        QVERIFY(WriteFile(Local("partial.bin"), content.left(content.size() / 3)));
        QList<QPair<qint64, qint64>> progress;
        const FtpResult down = client.Download("resumed.bin", Local("partial.bin"), true,
                                               [&](qint64 position, qint64 total) {
                                                   progress.append({position, total});
                                               });
        QVERIFY2(down.Ok(), qPrintable(down.message));
        QCOMPARE(progress.first().first, content.size() / 3);
        QCOMPARE(progress.last().first, content.size());
        QVERIFY(progress.last().second == content.size() || progress.last().second == -1);
        QCOMPARE(Sha256(Local("partial.bin")), Sha256(Local("ten.bin")));

        QVERIFY(client.Upload(Local("name with spaces.bin"), "one.bin", FtpUploadMode::Append).Ok());
        QCOMPARE(client.Size("one.bin").value, 1001);
        const QDateTime stamp(QDate(2021, 6, 7), QTime(8, 9, 10), Qt::UTC);
        const FtpResult set = client.SetModifiedTime("one.bin", stamp);
        QVERIFY2(set.Ok(), qPrintable(set.message));
        QCOMPARE(client.ModifiedTime("one.bin").value, stamp);
        QVERIFY(client.Rename("one.bin", "b c.bin").Ok());
        const FtpResult chmod = client.Site("CHMOD 600 b c.bin");
        QVERIFY2(chmod.Ok(), qPrintable(chmod.message));
        QCOMPARE(QFile(Disk(kind, folder + "/b c.bin")).permissions() & QFileDevice::ReadOther, 0);
        QCOMPARE(client.Raw("SYST").reply.code, 215);
        const FtpResult missing = client.Delete("one.bin");
        QCOMPARE(missing.status, FtpStatus::Refused);
        QCOMPARE(missing.reply.code, 550);
        QVERIFY(missing.message.startsWith(QStringLiteral("無法刪除檔案：550")));

        for (const QByteArray name :
             {"empty.bin", "b c.bin", "ten.bin", "name with spaces.bin", "中文 檔名.txt", "resumed.bin"})
            QVERIFY2(client.Delete(name).Ok(), name.constData());
        QVERIFY(client.ChangeToParent().Ok());
        QVERIFY(client.RemoveFolder(folder).Ok());
        QVERIFY(!QFile::exists(Disk(kind, folder)));
        QVERIFY(client.Quit().Ok());
    }

    void abortsLargeTransfers_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpSecurity>("security");
        QTest::addColumn<bool>("upload");
        for (const bool upload : {false, true})
        {
            const char* way = upload ? "upload" : "download";
            QTest::addRow("proftpd, %s", way) << "proftpd" << FtpSecurity::None << upload;
            QTest::addRow("proftpd, TLS, %s", way) << "proftpd" << FtpSecurity::ExplicitTls << upload;
            QTest::addRow("vsftpd, TLS, %s", way) << "vsftpd" << FtpSecurity::ExplicitTls << upload;
            QTest::addRow("pyftpdlib, %s", way) << "pyftpdlib" << FtpSecurity::None << upload;
        }
    }
    void abortsLargeTransfers()
    {
        QFETCH(QString, kind);
        QFETCH(FtpSecurity, security);
        QFETCH(bool, upload);

        CFtpClient client;
        QVERIFY(Open(client, kind, Securely(security)));
        const QByteArray name = Fresh("large") + ".bin";
        const qint64 size = 200 * kMiB;
        const QString local = Local("large.bin");
        QVERIFY(MakeSparse(upload ? local : Disk(kind, name), size));
        // Cancelled from the progress hook, so no block may move after it: a stream that never has to wait
        // for the network must see the cancel all the same.
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

    void convertsLineEndsInAsciiMode_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpSecurity>("security");
        QTest::addColumn<QByteArray>("stored");

        // vsftpd stores and sends ASCII transfers as they are, so its files show what went over the wire.
        QTest::newRow("vsftpd") << "vsftpd" << FtpSecurity::ExplicitTls
                                << QByteArray("one\r\ntwo\r\n\r\nend");
        QTest::newRow("proftpd") << "proftpd" << FtpSecurity::None << QByteArray("one\ntwo\n\nend");
        QTest::newRow("pyftpdlib") << "pyftpdlib" << FtpSecurity::None << QByteArray("one\ntwo\n\nend");
    }
    void convertsLineEndsInAsciiMode()
    {
        QFETCH(QString, kind);
        QFETCH(FtpSecurity, security);
        QFETCH(QByteArray, stored);

        CFtpClient client;
        QVERIFY(Open(client, kind, Securely(security)));
        const QByteArray name = Fresh("text") + ".txt";
        QVERIFY(WriteFile(Local("text.txt"), "one\ntwo\n\nend"));
        client.SetTransferType(FtpTransferType::Ascii);
        QVERIFY(client.Upload(Local("text.txt"), name, FtpUploadMode::Replace).Ok());
        QCOMPARE(ReadFile(Disk(kind, name)), stored);
        QVERIFY(client.Download(name, Local("back.txt"), false).Ok());
        QCOMPARE(ReadFile(Local("back.txt")), QByteArray("one\ntwo\n\nend"));
        client.SetTransferType(FtpTransferType::Binary);
        QVERIFY(client.Download(name, Local("back.txt"), false).Ok());
        QCOMPARE(ReadFile(Local("back.txt")), stored);
    }

    void handsTheCertificateToTheOwner()
    {
        const CTestServer* server = Harness::Require("vsftpd");
        QVERIFY(server);
        const FtpConnectOptions options = Options(*server, Securely(FtpSecurity::ExplicitTls));
        CFtpClient client;
        QByteArrayList commands;
        client.SetLogHook(
            [&](FtpLogKind kind, const QByteArray& line)
            {
                if (kind == FtpLogKind::Command)
                    commands.append(line.left(4));
            });
        ServerCertificate seen;
        client.SetCertificateHook(
            [&](const ServerCertificate& certificate)
            {
                seen = certificate;
                return false;
            });
        const FtpResult rejected = client.Connect(options);
        QCOMPARE(rejected.status, FtpStatus::Rejected);
        QVERIFY2(rejected.message.startsWith(QStringLiteral("伺服器憑證未被接受")),
                 qPrintable(rejected.message));
        QCOMPARE(commands, QByteArrayList{"AUTH"});
        QCOMPARE(seen.pem, ReadFile(server->Value("CERT")));
        QVERIFY(!seen.subject.isEmpty());
        QVERIFY(!seen.issuer.isEmpty());
        QVERIFY(seen.notBefore < QDateTime::currentDateTimeUtc());
        QVERIFY(seen.notAfter > QDateTime::currentDateTimeUtc());
        QCOMPARE(seen.sha256.size(), 64);
        QVERIFY(!seen.trusted);
        QVERIFY(!seen.problem.isEmpty());

        // Without an owner's decision a certificate the system does not trust is refused.
        CFtpClient unattended;
        QCOMPARE(unattended.Connect(options).status, FtpStatus::Rejected);
    }
};

QTEST_GUILESS_MAIN(TestFtpClientReal)
#include "tst_FtpClientReal.moc"
