#include "SessionTestSupport.h"

#include "engine/FakeFtpServer.h"
#include "engine/keys/KnownHosts.h"
#include "security/TrustedCertificates.h"

#include <QDir>
#include <QTcpServer>

using namespace SessionTest;
using namespace TestFiles;

class TestSessionConnect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { m_servers.Clear(); }

    void parsesAddresses_data();
    void parsesAddresses();
    void placesTheInitialFolder_data();
    void placesTheInitialFolder();
    void readsTheSystemType_data();
    void readsTheSystemType();

    void logsAConnectAListingAndADisconnect_data();
    void logsAConnectAListingAndADisconnect();
    void failsWithoutAttemptsForNoRetries();
    void countsAttemptsAgainstAClosedPort();
    void stopsWhenTheCountdownIsCancelled();
    void refusesAnAddressThatIsNotFtp();
    void entersRelativeAndAbsoluteInitialFolders();
    void learnsSystemTypeAndChmodFromTheServer();
    void decidesAboutHostKeys();
    void trustsCertificatesWhereTheyWereAccepted();

private:
    static bool AcceptAll(CPlainSessionUi& ui, int* asked)
    {
        ui.certificateQuestion = [asked](const ServerCertificate&, const QString&)
        { return ++*asked, TrustAnswer::Always; };
        ui.hostKeyQuestion = [asked](const QString&, const SshHostKey&)
        { return ++*asked, TrustAnswer::Always; };
        return true;
    }

    CServerPool m_servers;
};

void TestSessionConnect::parsesAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "ftp://host" << true << 0 << "host" << 0 << "";
    QTest::newRow("port and path") << "ftp://host:2121/a/b" << true << 0 << "host" << 2121 << "/a/b";
    QTest::newRow("implicit") << "FTPS://u:p@w@host" << true << 1 << "host" << 0 << "";
    QTest::newRow("explicit") << "ftpes://host/" << true << 2 << "host" << 0 << "/";
    QTest::newRow("sftp v6") << "sftp://[::1]:22/x%20y" << true << 3 << "::1" << 22 << "/x y";
    QTest::newRow("http is no ftp") << "http://host" << true << -1 << "host" << 0 << "";
    QTest::newRow("no scheme") << "host/a" << false << -1 << "" << 0 << "";
    QTest::newRow("bad port") << "ftp://host:99999" << false << -1 << "" << 0 << "";
    QTest::newRow("empty server") << "ftp://:21" << true << 0 << "" << 21 << "";
}

void TestSessionConnect::parsesAddresses()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const std::optional<CSessionUrl> url = CSessionUrl::Parse(text);
    QCOMPARE(url.has_value(), valid);
    if (!valid)
        return;
    QTEST(url->ProtocolType(), "protocol");
    QTEST(url->server, "server");
    QTEST(url->port, "port");
    QTEST(url->path, "path");
}

void TestSessionConnect::placesTheInitialFolder_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("relative") << "/home/u/"
                              << "a/b"
                              << "/home/u/a/b";
    QTest::newRow("relative at /") << "/"
                                   << "a"
                                   << "/a";
    QTest::newRow("absolute") << "/home/u"
                              << "/srv//x/"
                              << "/srv/x/";
    QTest::newRow("none") << "/home/u"
                          << ""
                          << "";
    QTest::newRow("slash") << "/home/u"
                           << "/"
                           << "";
}

void TestSessionConnect::placesTheInitialFolder()
{
    QFETCH(QString, root);
    QFETCH(QString, path);
    QTEST(CFtpSession::InitialFolder(root, path), "folder");
}

void TestSessionConnect::readsTheSystemType_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("type");
    QTest::newRow("unix") << "215 UNIX Type: L8" << 1;
    QTest::newRow("windows") << "215 Windows_NT" << 2;
    QTest::newRow("other") << "215 MACOS" << 0;
    QTest::newRow("no 215") << "200 UNIX" << 0;
}

void TestSessionConnect::readsTheSystemType()
{
    QFETCH(QString, reply);
    QTEST(CFtpSession::SystemTypeOfReply(reply), "type");
}

void TestSessionConnect::logsAConnectAListingAndADisconnect_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("implicitPort");
    QTest::addColumn<QString>("question");
    QTest::newRow("ftp") << "proftpd"
                         << "ftp" << false << "";
    QTest::newRow("explicit tls") << "proftpd"
                                  << "ftpes" << false << "0 遠端伺服器提供憑證";
    QTest::newRow("implicit tls") << "proftpd"
                                  << "ftps" << true << "0 遠端伺服器提供憑證";
    QTest::newRow("sftp") << "sshd"
                          << "sftp" << false << "0 遠端伺服器提供公開金鑰辨識";
}

void TestSessionConnect::logsAConnectAListingAndADisconnect()
{
    QFETCH(QString, kind);
    QFETCH(QString, scheme);
    QFETCH(bool, implicitPort);
    QFETCH(QString, question);
    CTestServer* server = m_servers.Require(kind);
    QVERIFY(server);
    CSessionFixture f;
    int asked = 0;
    AcceptAll(f.ui, &asked);
    const QString address = Address(scheme.toLatin1(), implicitPort ? server->TlsPort() : server->Port());
    // The engine's own notes (server version, algorithms) come between the session's lines.
    QStringList engineNotes;
    connect(&f.session->Component(), &CFtpComponent::Information, this,
            [&engineNotes](const QString& text) { engineNotes << "0 " + text; });
    QVERIFY(f.session->Connect(address, server->User(), server->Password()));
    const QString root = f.session->RootFolder();
    QVERIFY(f.session->List(root, true));
    f.session->Disconnect();
    QTRY_COMPARE_WITH_TIMEOUT(f.sink.disconnects, 1, 10000);

    QStringList expected{"0 關閉 FTP 連線...", "0 檢查　URL　位址...", "0 URL 解析完成",
                         "0 連線到： 127.0.0.1 (Attempt 1 of 3)"};
    if (!question.isEmpty())
        expected << question;
    expected << "0 成功連線至： 127.0.0.1." << QStringLiteral("0 接收目錄清單 \"%1\"...").arg(root)
             << QStringLiteral("0 \"%1\" 目錄清單已接收完成").arg(root) << "0 關閉 FTP 連線..."
             << "0 FTP 連線關閉";
    QStringList logged = f.sink.Levels({0, 3});
    for (const QString& note : engineNotes)
        QVERIFY(logged.removeOne(note));
    QCOMPARE(logged, expected);
    QVERIFY(f.sink.Has(QStringLiteral("1 根目錄為 '%1'").arg(root)));
    QVERIFY(f.sink.Has("2 SYST"));
    QVERIFY(f.sink.Has("2 SITE HELP"));
    QVERIFY(!f.sink.foreignThread);
    QCOMPARE(f.sink.connects, 1);
    QCOMPARE(asked, question.isEmpty() ? 0 : 1);
    QCOMPARE(f.session->Component().Target().protocol, scheme == "sftp"    ? FtpProtocol::Sftp
                                                       : scheme == "ftps"  ? FtpProtocol::ImplicitTls
                                                       : scheme == "ftpes" ? FtpProtocol::ExplicitTls
                                                                           : FtpProtocol::Ftp);
    for (const QString& line : f.sink.lines)
        QVERIFY2(!line.contains(server->Password()), qPrintable(line));
    if (scheme != "sftp")
        QVERIFY(f.sink.Has("2 PASS " + QString(server->Password().size() + 1, u'*')));

    // Accepted once, the certificate or host key is trusted silently the next time.
    QVERIFY(f.session->Connect(address, server->User(), server->Password()));
    QCOMPARE(asked, question.isEmpty() ? 0 : 1);
    f.session->Disconnect();
}

void TestSessionConnect::failsWithoutAttemptsForNoRetries()
{
    CSessionFixture f;
    QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 0));
    QVERIFY(!f.session->Connect("ftp://127.0.0.1:1", "u", "p"));
    QCOMPARE(f.sink.Levels({0, 3}), QStringList({"0 關閉 FTP 連線...", "0 檢查　URL　位址...",
                                                 "0 URL 解析完成", "3 無法建立　FTP 連線"}));
    QVERIFY(f.ui.Countdowns().isEmpty());
    QVERIFY(!f.ui.IsWaitCursorShown());
}

void TestSessionConnect::countsAttemptsAgainstAClosedPort()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 closed = probe.serverPort();
    probe.close();
    CSessionFixture f;
    QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 3));
    QVERIFY(WriteProfileInt("Settings", "DefaultRetryDelay", 1));
    QVERIFY(!f.session->Connect(Address("ftp", closed), "u", "p"));
    const QStringList attempts = f.sink.lines.filter("(Attempt ");
    QCOMPARE(attempts,
             QStringList({"0 連線到： 127.0.0.1 (Attempt 1 of 3)", "0 連線到： 127.0.0.1 (Attempt 2 of 3)",
                          "0 連線到： 127.0.0.1 (Attempt 3 of 3)"}));
    QCOMPARE(f.ui.Countdowns(), QList<int>({1, 1}));
    QCOMPARE(f.ui.Messages().size(), 1);
    QVERIFY(!f.ui.Messages().first().isEmpty());
    QCOMPARE(f.sink.lines.last(), "3 無法建立　FTP 連線");
    QVERIFY(!f.session->IsConnecting());
}

void TestSessionConnect::stopsWhenTheCountdownIsCancelled()
{
    CSessionFixture f;
    QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 5));
    QVERIFY(WriteProfileInt("Settings", "DefaultRetryDelay", 60));
    f.ui.countdownStarted = [&f](int, const QString&) { f.ui.CancelCountdown(); };
    QVERIFY(!f.session->Connect("127.0.0.1:1", "u", "p"));
    QCOMPARE(f.sink.lines.filter("(Attempt ").size(), 1);
    QCOMPARE(f.ui.Countdowns().size(), 1);
    QVERIFY(f.ui.Messages().isEmpty());
}

void TestSessionConnect::refusesAnAddressThatIsNotFtp()
{
    CSessionFixture f;
    QVERIFY(!f.session->Connect("http://127.0.0.1", "u", "p"));
    QVERIFY(f.sink.Has("3 請輸入有效 FTP URL"));
    QCOMPARE(f.ui.Messages(), QStringList({"請輸入有效的FTP位址"}));
    QVERIFY(f.sink.lines.filter("(Attempt ").isEmpty());
}

void TestSessionConnect::entersRelativeAndAbsoluteInitialFolders()
{
    CTestServer* server = m_servers.Require("sshd");
    QVERIFY(server);
    CSessionFixture f;
    int asked = 0;
    AcceptAll(f.ui, &asked);
    QVERIFY(f.session->Connect(Address("sftp", server->Port()), server->User(), server->Password()));
    const QString root = f.session->RootFolder();
    QVERIFY(f.session->MakeFolder("rel"));
    QVERIFY(f.session->MakeFolder("rel/deeper"));
    QVERIFY(f.session->MakeFolder("abs"));

    CFtpSite site;
    site.Name = "initial";
    site.Address = Address("sftp", server->Port());
    site.Port = server->Port();
    site.ProtocolType = CFtpSite::ProtocolSftp;
    site.Login = server->User();
    site.Password = server->Password();
    const QList<QPair<QString, QString>> cases{{"rel\\deeper", root + "/rel/deeper"},
                                               {root + "/abs/", root + "/abs"}};
    for (const auto& [remotePath, folder] : cases)
    {
        site.RemotePath = remotePath;
        QVERIFY(f.sites->StoreSite(site));
        f.sink.lines.clear();
        QVERIFY(f.session->Connect("initial"));
        QCOMPARE(f.session->CurrentFolder(), folder);
        QVERIFY(f.sink.Has(QStringLiteral("1 目前的目錄為： '%1'").arg(folder)));
        QCOMPARE(f.sink.lines.filter("設定初始目錄為").size(), 1);
        QCOMPARE(GetProfileString("Settings", "LastSite"), "initial");
    }
    f.session->Disconnect();
}

void TestSessionConnect::learnsSystemTypeAndChmodFromTheServer()
{
    CTestServer* server = m_servers.Require("proftpd");
    QVERIFY(server);
    {
        CSessionFixture f;
        QVERIFY(f.session->Connect(Address("ftp", server->Port()), server->User(), server->Password()));
        QCOMPARE(f.session->SystemType(), int(SystemUnix));
        QVERIFY(f.session->HasSiteChmod());
        QVERIFY(f.session->ListModel().IsUnixServer());
        f.session->Disconnect();
    }
    CFakeFtpServer fake;
    fake.On("SYST", "215 Windows_NT\r\n");
    fake.On("SITE",
            "214-The following SITE commands are recognized:\r\n chmod umask\r\n214 Direct comments.\r\n");
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));
    CSessionFixture f;
    QVERIFY(f.session->Connect(Address("ftp", fake.Port()), "u", "p"));
    QCOMPARE(f.session->SystemType(), int(SystemWindowsNt));
    QVERIFY(f.session->HasSiteChmod());
    QVERIFY(!f.session->ListModel().IsUnixServer());
    f.session->Disconnect();
}

void TestSessionConnect::decidesAboutHostKeys()
{
    CTestServer* server = m_servers.Require("sshd");
    QVERIFY(server);
    CSessionFixture f;
    QStringList askedHosts;
    f.ui.hostKeyQuestion = [&askedHosts](const QString& host, const SshHostKey&)
    {
        askedHosts << host;
        return TrustAnswer::Always;
    };
    const QString address = Address("sftp", server->Port());
    const QString hostName = QStringLiteral("[127.0.0.1]:%1").arg(server->Port());

    QVERIFY(f.session->Connect(address, server->User(), server->Password()));
    QCOMPARE(askedHosts, QStringList({hostName}));
    const QByteArray stored = ReadFile(CDataFolder::FilePath("known_hosts"));
    QVERIFY2(stored.startsWith(hostName.toUtf8() + " ssh-ed25519 "), stored.constData());

    QVERIFY(f.session->Connect(address, server->User(), server->Password()));
    QCOMPARE(askedHosts.size(), 1);

    // Another key on record for the host: refused before any password goes out.
    const QByteArray otherBlob = QByteArray::fromHex("0000000b") + "ssh-ed25519" +
                                 QByteArray::fromHex("00000020") + QByteArray(32, '\x07');
    QVERIFY(WriteFile(CDataFolder::FilePath("known_hosts"),
                      hostName.toUtf8() + " ssh-ed25519 " + otherBlob.toBase64() + "\n"));
    QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 1));
    f.sink.lines.clear();
    QVERIFY(!f.session->Connect(address, server->User(), server->Password()));
    QCOMPARE(askedHosts.size(), 1);
    const QStringList refusals = f.sink.lines.filter("公開金鑰已變更");
    QCOMPARE(refusals.size(), 1);
    const SshHostKey recorded = *SshHostKey::FromBlob(otherBlob);
    QVERIFY(refusals.first().startsWith("3 " + hostName));
    QVERIFY(refusals.first().contains(QString::fromUtf8(recorded.Fingerprint())));
    QVERIFY(refusals.first().count("SHA256:") == 2);
    QVERIFY(f.sink.lines.filter("成功連線至").isEmpty());
}

// A certificate the system does not verify counts for the host and port it was accepted for, or (an
// entry without a host) for the hosts it names; elsewhere it is asked about again, and once refused no
// password goes out. One the system verifies is taken silently and never recorded.
void TestSessionConnect::trustsCertificatesWhereTheyWereAccepted()
{
    qputenv("ZT_CERT_NAME", "elsewhere.test");
    qputenv("ZT_CERT_NAMES", "DNS:elsewhere.test");
    CTestServer elsewhere(QStringLiteral("proftpd"));
    QString error;
    const bool started = elsewhere.Start(&error);
    qunsetenv("ZT_CERT_NAME");
    qunsetenv("ZT_CERT_NAMES");
    QVERIFY2(started, qPrintable(error));
    CTestServer* named = m_servers.Require("proftpd");
    QVERIFY(named);
    CSessionFixture f;
    QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 1));
    int asked = 0;
    TrustAnswer answer = TrustAnswer::Always;
    f.ui.certificateQuestion = [&](const ServerCertificate&, const QString&) { return ++asked, answer; };
    const auto connect = [&](CTestServer& server, const char* scheme, quint16 port)
    { return f.session->Connect(Address(scheme, port), server.User(), server.Password()); };
    const QString storeFile = CDataFolder::FilePath("certifates.xml");

    QVERIFY(connect(elsewhere, "ftpes", elsewhere.Port()) && connect(elsewhere, "ftpes", elsewhere.Port()));
    QCOMPARE(asked, 1);
    QVERIFY(ReadFile(storeFile).contains(
        QStringLiteral("Host=\"127.0.0.1\" Port=\"%1\"").arg(elsewhere.Port()).toUtf8()));
    f.sink.lines.clear();
    answer = TrustAnswer::Refuse;
    QVERIFY(!connect(elsewhere, "ftps", elsewhere.TlsPort()));
    CTrustedCertificates oldStore;
    QVERIFY(QFile::remove(storeFile) && oldStore.Add(ReadFile(elsewhere.Value("CERT"))) &&
            oldStore.Add(ReadFile(named->Value("CERT"))));
    QVERIFY(!connect(elsewhere, "ftpes", elsewhere.Port()));
    QVERIFY(f.sink.lines.filter("PASS").isEmpty());
    QVERIFY(connect(*named, "ftpes", named->Port()));
    QCOMPARE(asked, 3);

    QVERIFY(QFile::remove(storeFile));
    qputenv("SSL_CERT_FILE", named->Value("CERT").toUtf8());
    const bool verified = connect(*named, "ftpes", named->Port());
    qunsetenv("SSL_CERT_FILE");
    QVERIFY(verified);
    QCOMPARE(asked, 3);
    QVERIFY(!QFile::exists(storeFile));
}

QTEST_GUILESS_MAIN(TestSessionConnect)
#include "tst_session_connect.moc"
