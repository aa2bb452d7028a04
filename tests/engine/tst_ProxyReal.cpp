#include "FakeFtpServer.h"
#include "servers/TestServer.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/ftp/FtpClient.h"
#include "engine/RemoteConnection.h"
#include "engine/sftp/SftpClient.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace
{
constexpr int kTimeoutMs = 10000;
} // namespace

class TestProxyReal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void transfersThroughProxies_data();
    void transfersThroughProxies();
    void showsTheProxysRefusal_data();
    void showsTheProxysRefusal();
    void refusesActiveModeThroughAProxy();
    void sendsPassiveDataToTheServerThroughAProxy();
    void componentPassesTheProxyOn();
    void sftpTransfersThroughProxies_data();
    void sftpTransfersThroughProxies();
    void sftpShowsTheProxysRefusal_data();
    void sftpShowsTheProxysRefusal();
    void sftpRefusesTheFtpProxyStyles_data();
    void sftpRefusesTheFtpProxyStyles();

private:
    CTestServer* Server(const QString& kind);
    FtpConnectOptions Options(const QString& proxyKind, const QByteArray& proxyPassword = {});
    SftpConnectOptions SftpOptions(const QString& proxyKind, const QByteArray& proxyPassword = {});

    TestFiles::CServerPool m_servers;
    std::unique_ptr<QTemporaryDir> m_local;
    int m_folders = 0;
};

void TestProxyReal::initTestCase()
{
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(m_local->isValid());
}

void TestProxyReal::cleanupTestCase()
{
    m_servers.Clear();
    m_local.reset();
}

CTestServer* TestProxyReal::Server(const QString& kind)
{
    return m_servers.Get(kind);
}

// proftpd reached through the proxy of the kind; the proxy's own password unless one is given.
FtpConnectOptions TestProxyReal::Options(const QString& proxyKind, const QByteArray& proxyPassword)
{
    CTestServer* ftp = Server("proftpd");
    CTestServer* proxy = Server(proxyKind);
    FtpConnectOptions options;
    if (!ftp || !proxy)
        return options;
    options.host = "127.0.0.1";
    options.port = ftp->Port();
    options.user = ftp->User().toUtf8();
    options.password = ftp->Password().toUtf8();
    options.timeoutMs = kTimeoutMs;
    options.proxy.type = proxyKind.startsWith("socks5") ? ProxyType::Socks5 : ProxyType::HttpConnect;
    options.proxy.host = "127.0.0.1";
    options.proxy.port = proxy->Port();
    options.proxy.user = proxy->User().toUtf8();
    options.proxy.password = proxyPassword.isEmpty() ? proxy->Password().toUtf8() : proxyPassword;
    return options;
}

// sshd reached through the proxy of the kind, with the same proxy settings as for FTP.
SftpConnectOptions TestProxyReal::SftpOptions(const QString& proxyKind, const QByteArray& proxyPassword)
{
    CTestServer* sshd = Server("sshd");
    const FtpConnectOptions ftp = Options(proxyKind, proxyPassword);
    SftpConnectOptions options;
    if (!sshd || ftp.port == 0)
        return options;
    options.host = "127.0.0.1";
    options.port = sshd->Port();
    options.user = sshd->User().toUtf8();
    options.password = sshd->Password().toUtf8();
    options.timeoutMs = kTimeoutMs;
    options.proxy = ftp.proxy;
    return options;
}

void TestProxyReal::transfersThroughProxies_data()
{
    QTest::addColumn<QString>("proxy");
    for (const char* kind : {"socks5", "socks5-auth", "httpproxy", "httpproxy-auth"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestProxyReal::transfersThroughProxies()
{
    QFETCH(QString, proxy);
    const FtpConnectOptions options = Options(proxy);
    QVERIFY2(options.port != 0, qPrintable(m_servers.Error("proftpd") + m_servers.Error(proxy)));

    CFtpClient client;
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QByteArray folder = "proxied" + QByteArray::number(++m_folders);
    QVERIFY(client.MakeFolder(folder).Ok());
    QVERIFY(client.ChangeFolder(folder).Ok());

    const QString source = m_local->filePath("source.bin");
    QVERIFY(TestFiles::MakeFile(source, 3 * 1024 * 1024 + 17));
    const FtpResult up = client.Upload(source, "file.bin", FtpUploadMode::Replace);
    QVERIFY2(up.Ok(), qPrintable(up.message));
    QCOMPARE(TestFiles::Sha256(Server("proftpd")->Root() + "/" + folder + "/file.bin"),
             TestFiles::Sha256(source));

    const QString copy = m_local->filePath("copy.bin");
    const FtpResult down = client.Download("file.bin", copy, false);
    QVERIFY2(down.Ok(), qPrintable(down.message));
    QCOMPARE(TestFiles::Sha256(copy), TestFiles::Sha256(source));

    const FtpValue<FtpListing> listing = client.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.items.size(), size_t(1));
    QCOMPARE(listing.value.items.front().name, QByteArray("file.bin"));
    QCOMPARE(listing.value.items.front().size, QFileInfo(source).size());
    QVERIFY(client.Quit().Ok());
}

void TestProxyReal::showsTheProxysRefusal_data()
{
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<bool>("logIn");
    QTest::addColumn<QString>("reason");
    QTest::newRow("socks5 wrong password")
        << "socks5-auth" << true << QStringLiteral("SOCKS5 proxy 拒絕連線：帳號或密碼錯誤");
    QTest::newRow("socks5 no log-in")
        << "socks5-auth" << false << QStringLiteral("SOCKS5 proxy 拒絕連線：需要登入");
    // tinyproxy answers a wrong password with 401 and a missing one with 407: its status line verbatim.
    QTest::newRow("http wrong password")
        << "httpproxy-auth" << true << QStringLiteral("HTTP proxy 拒絕連線：HTTP/1.0 401 Unauthorized");
    QTest::newRow("http no log-in") << "httpproxy-auth" << false
                                    << QStringLiteral(
                                           "HTTP proxy 拒絕連線：HTTP/1.0 407 Proxy Authentication Required");
}

void TestProxyReal::showsTheProxysRefusal()
{
    QFETCH(QString, proxy);
    QFETCH(bool, logIn);
    QFETCH(QString, reason);
    FtpConnectOptions options = Options(proxy, "not the password");
    if (!logIn)
        options.proxy.user.clear();
    QVERIFY2(options.port != 0, qPrintable(m_servers.Error("proftpd") + m_servers.Error(proxy)));

    CFtpClient client;
    const FtpResult connected = client.Connect(options);
    QVERIFY(!connected.Ok());
    QVERIFY2(connected.message.contains(reason), qPrintable(connected.message));
    QVERIFY(!connected.message.contains("not the password"));
}

void TestProxyReal::refusesActiveModeThroughAProxy()
{
    FtpConnectOptions options = Options("socks5");
    QVERIFY2(options.port != 0, qPrintable(m_servers.Error("proftpd") + m_servers.Error("socks5")));
    options.passive = false;
    CFtpClient client;
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const FtpValue<FtpListing> listing = client.List();
    QCOMPARE(listing.result.status, FtpStatus::BadRequest);
    QVERIFY2(listing.result.message.contains(QStringLiteral("只能使用被動模式")),
             qPrintable(listing.result.message));
    // Nothing was sent for it, and the connection stays usable.
    QVERIFY(client.Noop().Ok());
}

void TestProxyReal::sendsPassiveDataToTheServerThroughAProxy()
{
    CTestServer* socks = Server("socks5");
    QVERIFY2(socks, qPrintable(m_servers.Error("socks5")));
    // No EPSV, and a PASV address where the server does not listen: the proxy is sent to the server's own
    // name.
    CFakeFtpServer fake;
    fake.On("EPSV", "502 Not here\r\n");
    fake.On("PASV", "227 Entering Passive Mode (127,0,0,2,%PASVPORT)\r\n");
    fake.On("LIST", QList<FakeResponse>{{"150 Here it comes\r\n", FakeResponse::Data::Send,
                                         "-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt\r\n", "226 Done\r\n"}});
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));

    CFtpClient client;
    FtpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = fake.Port();
    options.timeoutMs = kTimeoutMs;
    options.proxy.type = ProxyType::Socks5;
    options.proxy.host = "127.0.0.1";
    options.proxy.port = socks->Port();
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const FtpValue<FtpListing> listing = client.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.lines, QList<QByteArray>{"-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt"});
    QVERIFY(fake.Commands().contains("PASV"));
}

void TestProxyReal::componentPassesTheProxyOn()
{
    const FtpConnectOptions options = Options("socks5-auth");
    QVERIFY2(options.port != 0, qPrintable(m_servers.Error("proftpd") + m_servers.Error("socks5-auth")));

    for (const QByteArray& password : {QByteArray("not the password"), options.proxy.password})
    {
        CConnectionTarget target;
        target.host = QStringLiteral("127.0.0.1");
        target.port = options.port;
        target.login = QString::fromUtf8(options.user);
        target.password = QString::fromUtf8(options.password);
        target.timeoutMs = kTimeoutMs;
        target.proxy = options.proxy;
        target.proxy.password = password;
        CRemoteConnection connection(target);
        const FtpResult connected = connection.Connect();
        const bool right = password == options.proxy.password;
        QVERIFY2(connected.Ok() == right, qPrintable(connected.message));
        if (!right)
            QVERIFY2(connected.message.contains(QStringLiteral("帳號或密碼錯誤")), qPrintable(connected.message));
    }
}

void TestProxyReal::sftpTransfersThroughProxies_data()
{
    transfersThroughProxies_data();
}

void TestProxyReal::sftpTransfersThroughProxies()
{
    QFETCH(QString, proxy);
    const SftpConnectOptions options = SftpOptions(proxy);
    QVERIFY2(options.port != 0, qPrintable(m_servers.Error("sshd") + m_servers.Error(proxy)));

    CSftpClient client;
    client.SetHostKeyHook([](const SshHostKey&) { return true; });
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const QByteArray folder =
        Server("sshd")->Value("WORKDIR").toUtf8() + "/sftp-proxied" + QByteArray::number(++m_folders);
    QVERIFY(client.MakeFolder(folder).Ok());
    QVERIFY(client.ChangeFolder(folder).Ok());

    // Several MiB so that many pipelined requests cross the proxy in both directions at once.
    const QString source = m_local->filePath("sftp-source.bin");
    QVERIFY(TestFiles::MakeFile(source, 5 * 1024 * 1024 + 3));
    const FtpResult up = client.Upload(source, "file.bin", FtpUploadMode::Replace);
    QVERIFY2(up.Ok(), qPrintable(up.message));
    QCOMPARE(TestFiles::Sha256(QString::fromUtf8(folder) + "/file.bin"), TestFiles::Sha256(source));

    const QString copy = m_local->filePath("sftp-copy.bin");
    const FtpResult down = client.Download("file.bin", copy, false);
    QVERIFY2(down.Ok(), qPrintable(down.message));
    QCOMPARE(TestFiles::Sha256(copy), TestFiles::Sha256(source));
    client.Disconnect();
}

void TestProxyReal::sftpShowsTheProxysRefusal_data()
{
    showsTheProxysRefusal_data();
}

void TestProxyReal::sftpShowsTheProxysRefusal()
{
    QFETCH(QString, proxy);
    QFETCH(bool, logIn);
    QFETCH(QString, reason);
    SftpConnectOptions options = SftpOptions(proxy, "not the password");
    if (!logIn)
        options.proxy.user.clear();
    QVERIFY2(options.port != 0, qPrintable(m_servers.Error("sshd") + m_servers.Error(proxy)));

    CSftpClient client;
    bool askedAboutKey = false;
    client.SetHostKeyHook(
        [&askedAboutKey](const SshHostKey&)
        {
            askedAboutKey = true;
            return true;
        });
    const FtpResult connected = client.Connect(options);
    QVERIFY(!connected.Ok());
    QVERIFY2(connected.message.contains(reason), qPrintable(connected.message));
    QVERIFY(!connected.message.contains("not the password"));
    QVERIFY(!askedAboutKey);
    QVERIFY(!client.IsConnected());
}

void TestProxyReal::sftpRefusesTheFtpProxyStyles_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("SITE") << 100;
    QTest::newRow("OPEN") << 101;
    QTest::newRow("USER") << 102;
}

void TestProxyReal::sftpRefusesTheFtpProxyStyles()
{
    QFETCH(int, type);
    CTestServer* sshd = Server("sshd");
    QVERIFY2(sshd, qPrintable(m_servers.Error("sshd")));
    // A fake FTP proxy that would log any contact: SFTP must not even dial it, nor go direct.
    CFakeFtpServer fake;
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));

    CConnectionTarget target = ServerTarget(*sshd, FtpProtocol::Sftp, kTimeoutMs);
    target.proxy.type = ProxySettings::TypeFromNumber(type);
    target.proxy.host = "127.0.0.1";
    target.proxy.port = fake.Port();
    CRemoteConnection connection(target);
    const FtpResult connected = connection.Connect();
    QCOMPARE(connected.status, FtpStatus::BadRequest);
    QVERIFY2(connected.message.contains(QStringLiteral("只能用於 FTP")), qPrintable(connected.message));
    QVERIFY(!connection.IsConnected());
    QCOMPARE(fake.Connections(), 0);
}

QTEST_GUILESS_MAIN(TestProxyReal)
#include "tst_ProxyReal.moc"
