#include "SessionTestSupport.h"

#include "engine/FakeFtpServer.h"
#include "engine/keys/KnownHosts.h"
#include "security/TrustedCertificates.h"

#include <QTcpServer>

using namespace SessionTest;
using namespace TestFiles;

class TestSessionConnect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesAddresses_data()
    {
        Columns<QString, bool, int, QString, int, QString>(
            {"text", "valid", "protocol", "server", "port", "path"});
        const auto row = [](const char* text, bool valid, int protocol, const char* server, int port,
                            const char* path) { Row(text, text, valid, protocol, server, port, path); };
        row("ftp://host:2121/a/b", true, 0, "host", 2121, "/a/b");
        row("FTPS://u:p@w@host", true, 1, "host", 0, "");
        row("ftpes://host/", true, 2, "host", 0, "/");
        row("sftp://[::1]:22/x%20y", true, 3, "::1", 22, "/x y");
        row("http://host", true, -1, "host", 0, "");
        row("host/a", false, -1, "", 0, "");
        row("ftp://host:99999", false, -1, "", 0, "");
        row("ftp://:21", true, 0, "", 21, "");
    }

    void parsesAddresses()
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

    void placesTheInitialFolder_data()
    {
        Columns<QString, QString, QString>({"root", "path", "folder"});
        Row("relative", "/home/u/", "a/b", "/home/u/a/b");
        Row("relative at /", "/", "a", "/a");
        Row("absolute", "/home/u", "/srv//x/", "/srv/x/");
        Row("none", "/home/u", "", "");
        Row("slash", "/home/u", "/", "");
    }

    void placesTheInitialFolder()
    {
        QFETCH(QString, root);
        QFETCH(QString, path);
        QTEST(CFtpSession::InitialFolder(root, path), "folder");
    }

    void logsAConnectAListingAndADisconnect_data()
    {
        Columns<QString, QString, QString, int>({"kind", "scheme", "question", "protocol"});
        const QString certificate = "0 遠端伺服器提供憑證";
        Row("ftp", "proftpd", "ftp", QString(), int(FtpProtocol::Ftp));
        Row("explicit tls", "proftpd", "ftpes", certificate, int(FtpProtocol::ExplicitTls));
        Row("implicit tls", "proftpd", "ftps", certificate, int(FtpProtocol::ImplicitTls));
        Row("sftp", "sshd", "sftp", "0 遠端伺服器提供公開金鑰辨識", int(FtpProtocol::Sftp));
    }

    void logsAConnectAListingAndADisconnect()
    {
        QFETCH(QString, kind);
        QFETCH(QString, scheme);
        QFETCH(QString, question);
        CTestServer* server = Harness::Require(kind);
        QVERIFY(server);
        CSessionFixture f;
        f.AcceptAll();
        const QString address =
            Address(scheme.toLatin1(), scheme == "ftps" ? server->TlsPort() : server->Port());
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
        QStringList logged = f.sink.Levels("03");
        for (const QString& note : engineNotes)
            QVERIFY(logged.removeOne(note));
        QCOMPARE(logged, expected);
        for (const QString& line : {QStringLiteral("1 根目錄為 '%1'").arg(root), QStringLiteral("2 SYST"),
                                    QStringLiteral("2 SITE HELP")})
            QVERIFY2(f.sink.Has(line), qPrintable(line));
        QVERIFY(!f.sink.foreignThread);
        QCOMPARE(f.sink.connects, 1);
        QCOMPARE(f.asked, question.isEmpty() ? 0 : 1);
        QTEST(int(f.session->Component().Target().protocol), "protocol");
        for (const QString& line : f.sink.lines)
            QVERIFY2(!line.contains(server->Password()), qPrintable(line));
        QVERIFY(scheme == "sftp" || f.sink.Has("2 PASS " + QString(server->Password().size() + 1, u'*')));
    }

    void failedConnects_data()
    {
        // address: %1 is a closed port; message: a pattern, empty for no message box; log: all when not empty
        Columns<QString, int, int, bool, int, QList<int>, QString, QString, QStringList>(
            {"address", "retries", "delay", "cancel", "attempts", "countdowns", "message", "error", "log"});
        const QString failed = "3 無法建立　FTP 連線";
        Row("not ftp", "http://127.0.0.1", 3, 1, false, 0, QList<int>{}, "^請輸入有效的FTP位址$",
            "3 請輸入有效 FTP URL", QStringList());
        Row("no retries", "ftp://127.0.0.1:1", 0, 1, false, 0, QList<int>{}, "", failed,
            QStringList({"0 關閉 FTP 連線...", "0 檢查　URL　位址...", "0 URL 解析完成", failed}));
        Row("closed port", "ftp://127.0.0.1:%1", 3, 1, false, 3, QList{1, 1}, ".", failed, QStringList());
        Row("countdown cancelled", "127.0.0.1:%1", 5, 60, true, 1, QList{60}, "", failed, QStringList());
    }

    void failedConnects()
    {
        QFETCH(QString, address);
        QFETCH(int, retries);
        QFETCH(int, delay);
        QFETCH(bool, cancel);
        QFETCH(int, attempts);
        QFETCH(QString, message);
        QFETCH(QString, error);
        QFETCH(QStringList, log);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closed = probe.serverPort();
        probe.close();
        CSessionFixture f;
        QVERIFY(WriteProfileInt("Settings", "DefaultRetries", retries));
        QVERIFY(WriteProfileInt("Settings", "DefaultRetryDelay", delay));
        if (cancel)
            f.ui.countdownStarted = [&f](int, const QString&) { f.ui.CancelCountdown(); };
        QVERIFY(!f.session->Connect(address.contains("%1") ? address.arg(closed) : address, "u", "p"));
        QStringList expectedAttempts;
        for (int attempt = 1; attempt <= attempts; ++attempt)
            expectedAttempts
                << QStringLiteral("0 連線到： 127.0.0.1 (Attempt %1 of %2)").arg(attempt).arg(retries);
        QCOMPARE(f.sink.lines.filter("(Attempt "), expectedAttempts);
        QTEST(f.ui.Countdowns(), "countdowns");
        QCOMPARE(f.ui.Messages().size(), message.isEmpty() ? 0 : 1);
        QVERIFY(message.isEmpty() || f.ui.Messages().first().contains(QRegularExpression(message)));
        QVERIFY(f.sink.Has(error));
        QCOMPARE(f.sink.lines.last(), "3 無法建立　FTP 連線");
        QVERIFY(log.isEmpty() || f.sink.Levels("03") == log);
        QVERIFY(!f.session->IsConnecting());
        QVERIFY(!f.ui.IsWaitCursorShown());
    }

    // A stored site's folder, relative and written with backslashes, is entered after the log-in, and again
    // after a reconnect, which keeps to SFTP without asking about the known host key again.
    void entersTheSitesInitialFolderAgainOnReconnect()
    {
        CSessionFixture f;
        QVERIFY(f.ConnectTo("sshd", "sftp"));
        const QString folder = f.session->RootFolder() + "/rel/deeper";
        QVERIFY(f.session->MakeFolder("rel") && f.session->MakeFolder("rel/deeper"));
        CTestServer* server = Harness::Server("sshd");
        CFtpSite site =
            Site("initial", server->Port(), server->User(), server->Password(), CFtpSite::ProtocolSftp);
        site.RemotePath = "rel\\deeper";
        QVERIFY(f.sites.StoreSite(site));
        f.sink.lines.clear();
        QVERIFY(f.session->Connect("initial"));
        QCOMPARE(f.session->CurrentFolder(), folder);
        QVERIFY(f.sink.Has(QStringLiteral("1 目前的目錄為： '%1'").arg(folder)));
        QCOMPARE(f.sink.lines.filter("設定初始目錄為").size(), 1);
        QCOMPARE(GetProfileString("Settings", "LastSite"), "initial");
        f.sink.lines.clear();
        QVERIFY(f.session->Reconnect());
        QCOMPARE(f.session->Component().Target().protocol, FtpProtocol::Sftp);
        QCOMPARE(f.session->Component().Target().port, int(server->Port()));
        QVERIFY(f.sink.Has("0 遠端伺服器提供公開金鑰辨識"));
        QVERIFY(f.sink.lines.filter("2 USER").isEmpty());
        QCOMPARE(f.session->CurrentFolder(), folder);
        QCOMPARE(f.asked, 1); // the host key accepted at the first log-in is known from then on
    }

    void learnsSystemTypeAndChmodFromTheServer_data()
    {
        Columns<QByteArray, int>({"reply", "type"});
        Row("unix", QByteArray("215 UNIX Type: L8"), int(SystemUnix));
        Row("windows", QByteArray("215 Windows_NT"), int(SystemWindowsNt));
        Row("other", QByteArray("215 MACOS"), 0);
        Row("no 215", QByteArray("200 UNIX"), 0);
    }

    void learnsSystemTypeAndChmodFromTheServer()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, type);
        CFakeFtpServer fake;
        fake.On("SYST", reply + "\r\n");
        fake.On(
            "SITE",
            "214-The following SITE commands are recognized:\r\n chmod umask\r\n214 Direct comments.\r\n");
        QString error;
        QVERIFY2(fake.Start(&error), qPrintable(error));
        CSessionFixture f;
        QVERIFY(f.session->Connect(Address("ftp", fake.Port()), "u", "p"));
        QCOMPARE(f.session->SystemType(), type);
        QVERIFY(f.session->HasSiteChmod());
        QCOMPARE(f.session->ListModel().IsUnixServer(), type == SystemUnix);
    }

    // A changed host key is refused before any password goes out.
    void decidesAboutHostKeys()
    {
        CTestServer* server = Harness::Require("sshd");
        QVERIFY(server);
        CSessionFixture f;
        QStringList askedHosts;
        f.ui.hostKeyQuestion = [&askedHosts](const QString& host, const SshHostKey&)
        { return askedHosts << host, TrustAnswer::Always; };
        const QString address = Address("sftp", server->Port());
        const QString hostName = QStringLiteral("[127.0.0.1]:%1").arg(server->Port());
        QVERIFY(f.session->Connect(address, server->User(), server->Password()));
        QCOMPARE(askedHosts, QStringList({hostName}));
        const QByteArray stored = ReadFile(CDataFolder::FilePath("known_hosts"));
        QVERIFY2(stored.startsWith(hostName.toUtf8() + " ssh-ed25519 "), stored.constData());

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
        QVERIFY(refusals.first().startsWith("3 " + hostName));
        QVERIFY(refusals.first().contains(QString::fromUtf8(SshHostKey::FromBlob(otherBlob)->Fingerprint())));
        QCOMPARE(refusals.first().count("SHA256:"), 2);
        QVERIFY(f.sink.lines.filter("成功連線至").isEmpty());
    }

    // A certificate the system does not verify counts for the host and port it was accepted for, or (an
    // entry without a host) for the hosts it names; elsewhere it is asked about again, and once refused no
    // password goes out. One the system verifies is taken silently and never recorded.
    void trustsCertificatesWhereTheyWereAccepted()
    {
        qputenv("ZT_CERT_NAME", "elsewhere.test");
        qputenv("ZT_CERT_NAMES", "DNS:elsewhere.test");
        CTestServer elsewhere(QStringLiteral("proftpd"));
        QString error;
        const bool started = elsewhere.Start(&error);
        qunsetenv("ZT_CERT_NAME");
        qunsetenv("ZT_CERT_NAMES");
        QVERIFY2(started, qPrintable(error));
        CTestServer* named = Harness::Require("proftpd");
        QVERIFY(named);
        CSessionFixture f;
        QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 1));
        int asked = 0;
        TrustAnswer answer = TrustAnswer::Always;
        f.ui.certificateQuestion = [&](const ServerCertificate&, const QString&) { return ++asked, answer; };
        const auto connect = [&](CTestServer& server, const char* scheme, quint16 port)
        { return f.session->Connect(Address(scheme, port), server.User(), server.Password()); };
        const QString storeFile = CDataFolder::FilePath("certifates.xml");

        QVERIFY(connect(elsewhere, "ftpes", elsewhere.Port()) &&
                connect(elsewhere, "ftpes", elsewhere.Port()));
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
};

QTEST_GUILESS_MAIN(TestSessionConnect)
#include "tst_session_connect.moc"
