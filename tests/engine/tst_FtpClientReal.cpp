#include "support/TestFiles.h"

#include "engine/Checksum.h"
#include "engine/ftp/FtpClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <arpa/inet.h>
#include <atomic>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

Q_DECLARE_METATYPE(FtpSecurity)

using namespace TestFiles;

namespace
{
constexpr int kTimeoutMs = 10000;

// A listening socket whose accept queue is full, so a new connection attempt gets no answer.
class CFullListener
{
public:
    CFullListener()
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 0);
        socklen_t length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        // Connect until one attempt stays unanswered: from then on the kernel drops new SYNs.
        for (int i = 0; i < 16; ++i)
        {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            m_clients.push_back(fd);
            connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, 200) == 0)
            {
                m_full = true;
                break;
            }
        }
    }
    ~CFullListener()
    {
        for (const int fd : m_clients)
            close(fd);
        close(m_listener);
    }
    bool IsFull() const { return m_full; }
    quint16 Port() const { return m_port; }

private:
    int m_listener = -1;
    quint16 m_port = 0;
    bool m_full = false;
    std::vector<int> m_clients;
};
} // namespace

class TestFtpClientReal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void reportsLoginFailure_data();
    void reportsLoginFailure();
    void failsToConnectWithinTheTimeOut();
    void transfersFilesByteForByte_data();
    void transfersFilesByteForByte();
    void resumesBothWays_data();
    void resumesBothWays();
    void abortsLargeTransfers_data();
    void abortsLargeTransfers();
    void convertsLineEndsInAsciiMode_data();
    void convertsLineEndsInAsciiMode();
    void managesRemoteFiles_data();
    void managesRemoteFiles();
    void comparesRemoteChecksums_data();
    void comparesRemoteChecksums();
    void handsTheCertificateToTheOwner();

private:
    CTestServer* Server(const QString& kind) { return m_servers.Get(kind); }
    FtpResult Open(CFtpClient& client, const QString& kind, FtpSecurity security = FtpSecurity::None,
                   bool passive = true);
    QString Local(const QString& name) const { return m_local->filePath(name); }
    QString RootPath(const QString& kind, const QByteArray& remote)
    {
        return Server(kind)->Root() + "/" + remote;
    }
    void AddSetups();

    CServerPool m_servers;
    std::unique_ptr<QTemporaryDir> m_local;
    int m_folders = 0;
};

void TestFtpClientReal::initTestCase()
{
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(m_local->isValid());
}

void TestFtpClientReal::cleanupTestCase()
{
    m_servers.Clear();
    m_local.reset();
}

FtpResult TestFtpClientReal::Open(CFtpClient& client, const QString& kind, FtpSecurity security, bool passive)
{
    CTestServer* server = Server(kind);
    if (!server)
        return FtpResult::Failure(FtpStatus::Network, m_servers.Error(kind));
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = security == FtpSecurity::ImplicitTls ? server->TlsPort() : server->Port();
    options.user = server->User().toUtf8();
    options.password = server->Password().toUtf8();
    options.security = security;
    options.passive = passive;
    options.timeoutMs = kTimeoutMs;
    client.SetCertificateHook([](const ServerCertificate&) { return true; });
    return client.Connect(options);
}

void TestFtpClientReal::reportsLoginFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FtpSecurity>("security");
    QTest::newRow("proftpd") << "proftpd" << FtpSecurity::None;
    QTest::newRow("vsftpd") << "vsftpd" << FtpSecurity::ExplicitTls;
    QTest::newRow("pyftpdlib") << "pyftpdlib" << FtpSecurity::None;
}

void TestFtpClientReal::reportsLoginFailure()
{
    QFETCH(QString, kind);
    QFETCH(FtpSecurity, security);
    CTestServer* server = Server(kind);
    QVERIFY2(server, qPrintable(m_servers.Error(kind)));
    CFtpClient client;
    client.SetCertificateHook([](const ServerCertificate&) { return true; });
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server->Port();
    options.user = server->User().toUtf8();
    options.password = "not the password";
    options.security = security;
    options.timeoutMs = kTimeoutMs;
    const FtpResult result = client.Connect(options);
    QCOMPARE(result.status, FtpStatus::LogInRefused);
    QCOMPARE(result.reply.code, 530);
    QCOMPARE(result.message, QStringLiteral("登入失敗：") + QString::fromUtf8(result.reply.Text()));
    QVERIFY(result.reply.Text().size() > 4);
    QVERIFY(!client.IsConnected());
}

void TestFtpClientReal::failsToConnectWithinTheTimeOut()
{
    // A port nobody listens on: refused at once.
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    const quint16 closedPort = ntohs(address.sin_port);
    close(probe);

    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.timeoutMs = 1500;
    CFtpClient client;
    options.port = closedPort;
    QElapsedTimer timer;
    timer.start();
    const FtpResult refused = client.Connect(options);
    QCOMPARE(refused.status, FtpStatus::Network);
    QCOMPARE(refused.message, QStringLiteral("無法連線到 127.0.0.1:%1：Connection refused").arg(closedPort));
    QVERIFY(timer.elapsed() < 5000);

    CFullListener full;
    QVERIFY(full.IsFull());
    options.port = full.Port();
    timer.restart();
    const FtpResult unanswered = client.Connect(options);
    QCOMPARE(unanswered.status, FtpStatus::TimedOut);
    QCOMPARE(unanswered.message, QStringLiteral("無法連線到 127.0.0.1:%1：連線逾時").arg(full.Port()));
    QVERIFY2(timer.elapsed() < options.timeoutMs + 3000, qPrintable(QString::number(timer.elapsed())));
}

void TestFtpClientReal::AddSetups()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FtpSecurity>("security");
    QTest::addColumn<bool>("passive");
    QTest::addColumn<bool>("clearData");
    QTest::addColumn<bool>("clearCommand");

    QTest::newRow("proftpd, passive") << "proftpd" << FtpSecurity::None << true << false << false;
    QTest::newRow("proftpd, active") << "proftpd" << FtpSecurity::None << false << false << false;
    QTest::newRow("proftpd, explicit TLS") << "proftpd" << FtpSecurity::ExplicitTls << true << false << false;
    QTest::newRow("proftpd, implicit TLS") << "proftpd" << FtpSecurity::ImplicitTls << true << false << false;
    QTest::newRow("proftpd, PROT C") << "proftpd" << FtpSecurity::ExplicitTls << true << true << false;
    QTest::newRow("proftpd, CCC") << "proftpd" << FtpSecurity::ExplicitTls << true << false << true;
    QTest::newRow("vsftpd, TLS, passive") << "vsftpd" << FtpSecurity::ExplicitTls << true << false << false;
    QTest::newRow("vsftpd, TLS, active") << "vsftpd" << FtpSecurity::ExplicitTls << false << false << false;
    QTest::newRow("pyftpdlib, passive") << "pyftpdlib" << FtpSecurity::None << true << false << false;
    QTest::newRow("pyftpdlib, active") << "pyftpdlib" << FtpSecurity::None << false << false << false;
}

void TestFtpClientReal::transfersFilesByteForByte_data()
{
    AddSetups();
}

void TestFtpClientReal::transfersFilesByteForByte()
{
    QFETCH(QString, kind);
    QFETCH(FtpSecurity, security);
    QFETCH(bool, passive);
    QFETCH(bool, clearData);
    QFETCH(bool, clearCommand);

    CTestServer* server = Server(kind);
    QVERIFY2(server, qPrintable(m_servers.Error(kind)));
    CFtpClient client;
    client.SetCertificateHook([](const ServerCertificate&) { return true; });
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = security == FtpSecurity::ImplicitTls ? server->TlsPort() : server->Port();
    options.user = server->User().toUtf8();
    options.password = server->Password().toUtf8();
    options.security = security;
    options.passive = passive;
    options.clearDataChannel = clearData;
    options.clearCommandChannel = clearCommand;
    options.timeoutMs = kTimeoutMs;
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    if (security != FtpSecurity::None && !clearCommand)
        QCOMPARE(client.TlsVersion(), QByteArray("TLSv1.3"));
    if (clearCommand)
        QVERIFY(client.TlsVersion().isEmpty());

    const QByteArray folder = "files" + QByteArray::number(++m_folders);
    QVERIFY(client.MakeFolder(folder).Ok());
    QVERIFY(client.ChangeFolder(folder).Ok());
    const QList<QPair<QByteArray, qint64>> files = {{"empty.bin", 0},
                                                    {"one.bin", 1},
                                                    {"ten.bin", 10 * kMiB},
                                                    {"name with spaces.bin", 1000},
                                                    {"中文 檔名.txt", 333}};
    for (const auto& [name, size] : files)
    {
        const QString source = Local(QString::fromUtf8(name));
        QVERIFY(MakeFile(source, size));
        qint64 lastPosition = -1;
        const FtpResult up = client.Upload(source, name, FtpUploadMode::Replace,
                                           [&](qint64 position, qint64) { lastPosition = position; });
        QVERIFY2(up.Ok(), qPrintable(up.message));
        QCOMPARE(lastPosition, size);
        QCOMPARE(Sha256(RootPath(kind, folder + "/" + name)), Sha256(source));

        const QString copy = Local("copy of " + QString::fromUtf8(name));
        const FtpResult down = client.Download(name, copy, false);
        QVERIFY2(down.Ok(), qPrintable(down.message));
        QCOMPARE(Sha256(copy), Sha256(source));
    }
    const FtpValue<FtpListing> listing = client.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.items.size(), size_t(files.size()));
    for (const auto& [name, size] : files)
    {
        const auto item = std::find_if(listing.value.items.begin(), listing.value.items.end(),
                                       [&](const ListItem& i) { return i.name == name; });
        QVERIFY2(item != listing.value.items.end(), name.constData());
        QCOMPARE(item->size, size);
        QCOMPARE(item->kind, ListItem::Kind::File);
    }
    QVERIFY(client.Quit().Ok());
}

void TestFtpClientReal::resumesBothWays_data()
{
    AddSetups();
}

void TestFtpClientReal::resumesBothWays()
{
    QFETCH(QString, kind);
    QFETCH(FtpSecurity, security);
    QFETCH(bool, passive);

    CFtpClient client;
    const FtpResult connected = Open(client, kind, security, passive);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QByteArray name = "resume" + QByteArray::number(++m_folders) + ".bin";
    const QString whole = Local("whole.bin");
    QVERIFY(MakeFile(whole, 3 * kMiB + 17));
    const QByteArray content = ReadFile(whole);

    // Upload: the server holds the first part, the rest follows.
    const QString half = Local("half.bin");
    QVERIFY(WriteFile(half, content.left(content.size() / 2)));
    QVERIFY(client.Upload(half, name, FtpUploadMode::Replace).Ok());
    const FtpResult up = client.Upload(whole, name, FtpUploadMode::Resume);
    QVERIFY2(up.Ok(), qPrintable(up.message));
    QCOMPARE(Sha256(RootPath(kind, name)), Sha256(whole));

    // Download: the local file holds the first third and is continued, never truncated.
    const QString partial = Local("partial.bin");
    QVERIFY(WriteFile(partial, content.left(content.size() / 3)));
    QList<QPair<qint64, qint64>> progress;
    const FtpResult down = client.Download(name, partial, true,
                                           [&](qint64 position, qint64 total) {
                                               progress.append({position, total});
                                           });
    QVERIFY2(down.Ok(), qPrintable(down.message));
    QCOMPARE(progress.first().first, content.size() / 3);
    QCOMPARE(progress.last().first, content.size());
    QVERIFY(progress.last().second == content.size() || progress.last().second == -1);
    QCOMPARE(Sha256(partial), Sha256(whole));
}

void TestFtpClientReal::abortsLargeTransfers_data()
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

void TestFtpClientReal::abortsLargeTransfers()
{
    QFETCH(QString, kind);
    QFETCH(FtpSecurity, security);
    QFETCH(bool, upload);

    CFtpClient client;
    const FtpResult connected = Open(client, kind, security);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QByteArray name = "large" + QByteArray::number(++m_folders) + ".bin";
    const qint64 size = 200 * kMiB;
    const QString local = Local("large.bin");
    QVERIFY(upload ? MakeSparse(local, size) : MakeSparse(RootPath(kind, name), size));

    std::atomic<bool> started{false};
    QElapsedTimer sinceCancel;
    const auto progress = [&](qint64 position, qint64)
    {
        if (position >= 8 * kMiB)
            started = true;
    };
    std::thread canceller(
        [&]
        {
            for (int i = 0; i < 2000 && !started; ++i)
                QThread::msleep(5);
            sinceCancel.start();
            client.Cancel();
        });
    const FtpResult result = upload ? client.Upload(local, name, FtpUploadMode::Replace, progress)
                                    : client.Download(name, local, false, progress);
    const qint64 elapsed = sinceCancel.elapsed();
    canceller.join();
    QVERIFY(started);
    QCOMPARE(result.status, FtpStatus::Cancelled);
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY(client.IsConnected());
    const FtpValue<qint64> remote = client.Size(name);
    QVERIFY2(remote.result.Ok(), qPrintable(remote.result.message));
    QVERIFY(upload ? remote.value < size : remote.value == size);
    QVERIFY(client.Delete(name).Ok());
}

void TestFtpClientReal::convertsLineEndsInAsciiMode_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FtpSecurity>("security");
    QTest::addColumn<QByteArray>("storedAfterAsciiUpload");

    // vsftpd stores and sends ASCII transfers as they are, so its files show what went over the wire.
    QTest::newRow("vsftpd") << "vsftpd" << FtpSecurity::ExplicitTls << QByteArray("one\r\ntwo\r\n\r\nend");
    QTest::newRow("proftpd") << "proftpd" << FtpSecurity::None << QByteArray("one\ntwo\n\nend");
    QTest::newRow("pyftpdlib") << "pyftpdlib" << FtpSecurity::None << QByteArray("one\ntwo\n\nend");
}

void TestFtpClientReal::convertsLineEndsInAsciiMode()
{
    QFETCH(QString, kind);
    QFETCH(FtpSecurity, security);
    QFETCH(QByteArray, storedAfterAsciiUpload);

    CFtpClient client;
    const FtpResult connected = Open(client, kind, security);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QByteArray name = "text" + QByteArray::number(++m_folders) + ".txt";
    const QString local = Local("text.txt");
    QVERIFY(WriteFile(local, "one\ntwo\n\nend"));
    client.SetTransferType(FtpTransferType::Ascii);
    QVERIFY(client.Upload(local, name, FtpUploadMode::Replace).Ok());
    QCOMPARE(ReadFile(RootPath(kind, name)), storedAfterAsciiUpload);

    const QString back = Local("back.txt");
    QVERIFY(client.Download(name, back, false).Ok());
    QCOMPARE(ReadFile(back), QByteArray("one\ntwo\n\nend"));

    client.SetTransferType(FtpTransferType::Binary);
    QVERIFY(client.Download(name, back, false).Ok());
    QCOMPARE(ReadFile(back), storedAfterAsciiUpload);
}

void TestFtpClientReal::managesRemoteFiles_data()
{
    reportsLoginFailure_data();
}

void TestFtpClientReal::managesRemoteFiles()
{
    QFETCH(QString, kind);
    QFETCH(FtpSecurity, security);

    CFtpClient client;
    const FtpResult connected = Open(client, kind, security);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QByteArray folder = "folder " + QByteArray::number(++m_folders);
    QVERIFY(client.MakeFolder(folder).Ok());
    QVERIFY(client.ChangeFolder(folder).Ok());
    const FtpValue<QByteArray> pwd = client.CurrentFolder();
    QVERIFY2(pwd.result.Ok(), qPrintable(pwd.result.message));
    QCOMPARE(pwd.value, "/" + folder);

    const QString local = Local("small.txt");
    QVERIFY(WriteFile(local, "twelve bytes"));
    QVERIFY(client.Upload(local, "a.txt", FtpUploadMode::Replace).Ok());
    QVERIFY(client.Upload(local, "a.txt", FtpUploadMode::Append).Ok());
    const FtpValue<qint64> size = client.Size("a.txt");
    QVERIFY2(size.result.Ok(), qPrintable(size.result.message));
    QCOMPARE(size.value, 24);

    const QDateTime stamp(QDate(2021, 6, 7), QTime(8, 9, 10), Qt::UTC);
    const FtpResult set = client.SetModifiedTime("a.txt", stamp);
    QVERIFY2(set.Ok(), qPrintable(set.message));
    const FtpValue<QDateTime> time = client.ModifiedTime("a.txt");
    QVERIFY2(time.result.Ok(), qPrintable(time.result.message));
    QCOMPARE(time.value, stamp);

    QVERIFY(client.Rename("a.txt", "b c.txt").Ok());
    const FtpResult chmod = client.Site("CHMOD 600 b c.txt");
    QVERIFY2(chmod.Ok(), qPrintable(chmod.message));
    QCOMPARE(QFile(RootPath(kind, folder + "/b c.txt")).permissions() & QFileDevice::ReadOther, 0);
    const FtpResult syst = client.Raw("SYST");
    QVERIFY(syst.Ok());
    QCOMPARE(syst.reply.code, 215);
    const FtpResult missing = client.Delete("no such file");
    QCOMPARE(missing.status, FtpStatus::Refused);
    QCOMPARE(missing.reply.code, 550);
    QVERIFY(missing.message.startsWith(QStringLiteral("無法刪除檔案：550")));

    QVERIFY(client.Delete("b c.txt").Ok());
    QVERIFY(client.ChangeToParent().Ok());
    QVERIFY(client.RemoveFolder(folder).Ok());
    QVERIFY(!QFile::exists(RootPath(kind, folder)));
}

void TestFtpClientReal::comparesRemoteChecksums_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("offered");
    QTest::newRow("proftpd") << "proftpd" << QByteArray("sums.bin") << true;
    QTest::newRow("proftpd, name with spaces") << "proftpd" << QByteArray("sums with spaces.bin") << true;
    QTest::newRow("pyftpdlib") << "pyftpdlib" << QByteArray("sums.bin") << false;
}

void TestFtpClientReal::comparesRemoteChecksums()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, name);
    QFETCH(bool, offered);

    CFtpClient client;
    const FtpResult connected = Open(client, kind);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QString local = Local("sums.bin");
    QVERIFY(MakeFile(local, 5 * kMiB + 3));
    QVERIFY(client.Upload(local, name, FtpUploadMode::Replace).Ok());
    for (const ChecksumKind kind : {ChecksumKind::Crc32, ChecksumKind::Md5, ChecksumKind::Sha1})
    {
        const FtpValue<QByteArray> remote = client.RemoteChecksum(kind, name);
        QVERIFY2(remote.result.Ok(), qPrintable(remote.result.message));
        QString error;
        const QByteArray expected = offered ? LocalChecksum(local, kind, nullptr, &error) : QByteArray();
        QCOMPARE(remote.value, expected);
    }
    QVERIFY(client.Noop().Ok());
}

void TestFtpClientReal::handsTheCertificateToTheOwner()
{
    CTestServer* server = Server("vsftpd");
    QVERIFY2(server, qPrintable(m_servers.Error("vsftpd")));
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server->Port();
    options.user = server->User().toUtf8();
    options.password = server->Password().toUtf8();
    options.security = FtpSecurity::ExplicitTls;
    options.timeoutMs = kTimeoutMs;

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
    QVERIFY2(rejected.message.startsWith(QStringLiteral("伺服器憑證未被接受")), qPrintable(rejected.message));
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

QTEST_GUILESS_MAIN(TestFtpClientReal)
#include "tst_FtpClientReal.moc"
