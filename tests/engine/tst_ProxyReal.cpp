#include "FakeFtpServer.h"
#include "servers/Harness.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/RemoteConnection.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(FtpProtocol)

using namespace TestFiles;

namespace
{
constexpr int kTimeoutMs = 10000;

// The harness server for the protocol: proftpd for FTP, sshd for SFTP.
QString ServerKind(FtpProtocol protocol)
{
    return protocol == FtpProtocol::Sftp ? "sshd" : "proftpd";
}

ProxySettings Through(const CTestServer& proxy, const QString& kind)
{
    ProxySettings settings;
    settings.type = kind.startsWith(QLatin1String("socks5")) ? ProxyType::Socks5 : ProxyType::HttpConnect;
    settings.host = "127.0.0.1";
    settings.port = proxy.Port();
    settings.user = proxy.User().toUtf8();
    settings.password = proxy.Password().toUtf8();
    return settings;
}

// A connection that would take any host key and any certificate.
void TrustAll(CRemoteConnection& connection)
{
    connection.SetHostKeyHook([](const SshHostKey&) { return true; });
    connection.SetCertificateHook([](const ServerCertificate&) { return true; });
}
} // namespace

class TestProxyReal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }
    void transfersThroughProxies_data();
    void transfersThroughProxies();
    void showsTheProxysRefusal_data();
    void showsTheProxysRefusal();
    void refusesActiveModeThroughAProxy();
    void sendsPassiveDataToTheServerThroughAProxy();
    void sftpRefusesTheFtpProxyStyles_data();
    void sftpRefusesTheFtpProxyStyles();

private:
    // The server of the protocol reached through the proxy of the kind; an empty host (test failed) when
    // either did not start.
    CConnectionTarget Target(FtpProtocol protocol, const QString& proxyKind);
    QString Local(const QString& name) const { return m_local.filePath(name); }

    QTemporaryDir m_local;
    int m_folders = 0;
};

CConnectionTarget TestProxyReal::Target(FtpProtocol protocol, const QString& proxyKind)
{
    CTestServer* server = Harness::Require(ServerKind(protocol));
    CTestServer* proxy = server ? Harness::Require(proxyKind) : nullptr;
    if (!proxy)
        return {};
    CConnectionTarget target = ServerTarget(*server, protocol, kTimeoutMs);
    target.proxy = Through(*proxy, proxyKind);
    return target;
}

void TestProxyReal::transfersThroughProxies_data()
{
    QTest::addColumn<FtpProtocol>("protocol");
    QTest::addColumn<QString>("proxy");
    for (const FtpProtocol protocol : {FtpProtocol::Ftp, FtpProtocol::Sftp})
    {
        for (const char* kind : {"socks5", "socks5-auth", "httpproxy", "httpproxy-auth"})
            QTest::addRow("%s %s", protocol == FtpProtocol::Sftp ? "SFTP" : "FTP", kind)
                << protocol << QString::fromLatin1(kind);
    }
}

void TestProxyReal::transfersThroughProxies()
{
    QFETCH(FtpProtocol, protocol);
    QFETCH(QString, proxy);
    CRemoteConnection connection(Target(protocol, proxy));
    QVERIFY(!connection.Target().host.isEmpty());
    TrustAll(connection);
    const FtpResult connected = connection.Connect();
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const CTestServer* server = Harness::Server(ServerKind(protocol));
    const QString folder =
        QDir::cleanPath(server->Value("WORKDIR") + QStringLiteral("/proxied%1").arg(++m_folders));
    QVERIFY(connection.MakeFolder(folder).Ok());
    QVERIFY(connection.ChangeFolder(folder).Ok());

    // Several MiB so that many pipelined SFTP requests cross the proxy in both directions at once.
    const QString source = Local("source.bin");
    QVERIFY(MakeFile(source, 5 * kMiB + 3));
    const FtpResult up = connection.Upload(source, "file.bin", FtpUploadMode::Replace);
    QVERIFY2(up.Ok(), qPrintable(up.message));
    QCOMPARE(Sha256(server->Root() + folder + "/file.bin"), Sha256(source));
    const QString copy = Local("copy.bin");
    const FtpResult down = connection.Download("file.bin", copy, false);
    QVERIFY2(down.Ok(), qPrintable(down.message));
    QCOMPARE(Sha256(copy), Sha256(source));
    const FtpValue<FtpListing> listing = connection.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.items.size(), size_t(1));
    QCOMPARE(listing.value.items.front().name, QByteArray("file.bin"));
    QCOMPARE(listing.value.items.front().size, 5 * kMiB + 3);
}

void TestProxyReal::showsTheProxysRefusal_data()
{
    QTest::addColumn<FtpProtocol>("protocol");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<bool>("logIn");
    QTest::addColumn<QString>("reason");
    for (const FtpProtocol protocol : {FtpProtocol::Ftp, FtpProtocol::Sftp})
    {
        const auto row = [protocol](const char* tag, const char* proxy, bool logIn, const char* reason)
        {
            QTest::addRow("%s %s", protocol == FtpProtocol::Sftp ? "SFTP" : "FTP", tag)
                << protocol << QString::fromLatin1(proxy) << logIn << QString::fromUtf8(reason);
        };
        row("socks5 wrong password", "socks5-auth", true, "SOCKS5 proxy 拒絕連線：帳號或密碼錯誤");
        row("socks5 no log-in", "socks5-auth", false, "SOCKS5 proxy 拒絕連線：需要登入");
        // tinyproxy answers a wrong password with 401 and a missing one with 407: its status line verbatim.
        row("http wrong password", "httpproxy-auth", true, "HTTP proxy 拒絕連線：HTTP/1.0 401 Unauthorized");
        row("http no log-in", "httpproxy-auth", false,
            "HTTP proxy 拒絕連線：HTTP/1.0 407 Proxy Authentication Required");
    }
}

void TestProxyReal::showsTheProxysRefusal()
{
    QFETCH(FtpProtocol, protocol);
    QFETCH(QString, proxy);
    QFETCH(bool, logIn);
    QFETCH(QString, reason);
    CConnectionTarget target = Target(protocol, proxy);
    QVERIFY(!target.host.isEmpty());
    target.proxy.password = "not the password";
    if (!logIn)
        target.proxy.user.clear();
    CRemoteConnection connection(target);
    bool asked = false;
    connection.SetHostKeyHook([&asked](const SshHostKey&) { return asked = true; });
    const FtpResult connected = connection.Connect();
    QVERIFY(!connected.Ok());
    QVERIFY2(connected.message.contains(reason), qPrintable(connected.message));
    QVERIFY(!connected.message.contains("not the password"));
    QVERIFY(!asked);
    QVERIFY(!connection.IsConnected());
}

void TestProxyReal::refusesActiveModeThroughAProxy()
{
    CConnectionTarget target = Target(FtpProtocol::Ftp, "socks5");
    QVERIFY(!target.host.isEmpty());
    target.passive = false;
    CRemoteConnection connection(target);
    const FtpResult connected = connection.Connect();
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const FtpValue<FtpListing> listing = connection.List();
    QCOMPARE(listing.result.status, FtpStatus::BadRequest);
    QVERIFY2(listing.result.message.contains("只能使用被動模式"), qPrintable(listing.result.message));
    // Nothing was sent for it, and the connection stays usable.
    QVERIFY(connection.Noop().Ok());
}

void TestProxyReal::sendsPassiveDataToTheServerThroughAProxy()
{
    CTestServer* socks = Harness::Require("socks5");
    QVERIFY(socks);
    // No EPSV, and a PASV address where the server does not listen: the proxy is sent to the server's own
    // name.
    CFakeFtpServer fake;
    fake.On("EPSV", "502 Not here\r\n");
    fake.On("PASV", "227 Entering Passive Mode (127,0,0,2,%PASVPORT)\r\n");
    fake.On("LIST", QList<FakeResponse>{{"150 Here it comes\r\n", FakeResponse::Data::Send,
                                         "-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt\r\n", "226 Done\r\n"}});
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));
    CConnectionTarget target;
    target.host = "127.0.0.1";
    target.port = fake.Port();
    target.timeoutMs = kTimeoutMs;
    target.proxy = Through(*socks, "socks5");
    CRemoteConnection connection(target);
    const FtpResult connected = connection.Connect();
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const FtpValue<FtpListing> listing = connection.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.lines, QList<QByteArray>{"-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt"});
    QVERIFY(fake.Commands().contains("PASV"));
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
    CTestServer* sshd = Harness::Require("sshd");
    QVERIFY(sshd);
    // A fake FTP proxy that would log any contact: SFTP must not even dial it, nor go direct.
    CFakeFtpServer fake;
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));
    CConnectionTarget target = ServerTarget(*sshd, FtpProtocol::Sftp, kTimeoutMs);
    target.proxy.type = ProxySettings::TypeFromNumber(type);
    target.proxy.host = "127.0.0.1";
    target.proxy.port = fake.Port();
    CRemoteConnection connection(target);
    TrustAll(connection);
    const FtpResult connected = connection.Connect();
    QCOMPARE(connected.status, FtpStatus::BadRequest);
    QVERIFY2(connected.message.contains("只能用於 FTP"), qPrintable(connected.message));
    QVERIFY(!connection.IsConnected());
    QCOMPARE(fake.Connections(), 0);
}

QTEST_GUILESS_MAIN(TestProxyReal)
#include "tst_ProxyReal.moc"
