#include "FakeFtpServer.h"

#include "engine/ftp/FtpClient.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

Q_DECLARE_METATYPE(FtpStatus)
Q_DECLARE_METATYPE(FakeResponse)

namespace
{
// Short enough that a wrong wait shows quickly, long enough for a loaded machine.
constexpr int kTimeoutMs = 3000;

FakeResponse Reply(const QByteArray& reply)
{
    FakeResponse response;
    response.reply = reply;
    return response;
}

FakeResponse Data(FakeResponse::Data data, const QByteArray& payload, const QByteArray& after,
                  const QByteArray& reply = "150 Opening data connection\r\n")
{
    FakeResponse response;
    response.reply = reply;
    response.data = data;
    response.payload = payload;
    response.after = after;
    return response;
}

using TestFiles::ReadFile;
using TestFiles::WriteFile;

QByteArrayList Matching(const QByteArrayList& lines, const QRegularExpression& pattern)
{
    QByteArrayList matching;
    for (const QByteArray& line : lines)
    {
        if (pattern.match(QString::fromUtf8(line)).hasMatch())
            matching.append(line);
    }
    return matching;
}

// The commands after log-in (USER, PASS, FEAT and what follows FEAT are left out).
QByteArrayList AfterLogin(const QByteArrayList& commands)
{
    const qsizetype feat = commands.indexOf("FEAT");
    QByteArrayList rest = feat < 0 ? commands : commands.mid(feat + 1);
    rest.removeAll("OPTS UTF8 ON");
    return rest;
}
} // namespace

class TestFtpClientFake : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void logsInWithTheExpectedSequence_data();
    void logsInWithTheExpectedSequence();
    void readsOddButValidReplies_data();
    void readsOddButValidReplies();
    void endsBrokenSessions_data();
    void endsBrokenSessions();
    void refusesBadPassiveReplies_data();
    void refusesBadPassiveReplies();
    void remembersRefusedEpsv();
    void fallsBackFromEprtToPort();
    void substitutesUnreachablePassiveAddress();
    void reportsFailedTransfers_data();
    void reportsFailedTransfers();
    void cancelsFromAnotherThread();
    void cancelsAConnectThatHangs();
    void givesTheOwnerThePasswordToMask();
    void refusesBytesInjectedAfterAuthTls();
    void refusesNamesThatCarryCommands();
    void convertsLineEndsInAsciiMode();
    void resumesDownloadsWithoutTruncating();
    void resumesUploads();
    void asksForRemoteChecksums_data();
    void asksForRemoteChecksums();
    void setsTimesWithMdtmWhenMfmtIsMissing();
    void listsWithMlsdWhenOffered();
    void worksOverIpv6();

private:
    FtpResult Connect(CFtpClient& client, FtpConnectOptions options = {});

    std::unique_ptr<CFakeFtpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFtpClientFake::init()
{
    m_server = std::make_unique<CFakeFtpServer>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFtpClientFake::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

FtpResult TestFtpClientFake::Connect(CFtpClient& client, FtpConnectOptions options)
{
    QString error;
    if (!m_server->IsStarted() && !m_server->Start(&error))
        return FtpResult::Failure(FtpStatus::Network, error);
    if (options.host.isEmpty())
        options.host = "127.0.0.1";
    options.port = m_server->Port();
    options.user = "tester";
    options.password = "secret";
    options.timeoutMs = kTimeoutMs;
    return client.Connect(options);
}

void TestFtpClientFake::logsInWithTheExpectedSequence_data()
{
    QTest::addColumn<QByteArray>("userReply");
    QTest::addColumn<QByteArray>("passReply");
    QTest::addColumn<QByteArray>("featReply");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<FtpStatus>("status");
    QTest::addColumn<QString>("message");

    const QByteArray none = "211 No features\r\n";
    QTest::newRow("user and password")
        << QByteArray("331 Password\r\n") << QByteArray("230 In\r\n") << none
        << QByteArrayList{"USER tester", "PASS secret", "FEAT"} << FtpStatus::Ok << QString();
    QTest::newRow("no password needed")
        << QByteArray("230 In\r\n") << QByteArray() << none << QByteArrayList{"USER tester", "FEAT"}
        << FtpStatus::Ok << QString();
    QTest::newRow("account asked for")
        << QByteArray("331 Password\r\n") << QByteArray("332 Account\r\n") << none
        << QByteArrayList{"USER tester", "PASS secret", "ACCT billing", "FEAT"} << FtpStatus::Ok << QString();
    QTest::newRow("UTF8 offered") << QByteArray("331 Password\r\n") << QByteArray("230 In\r\n")
                                  << QByteArray("211-Features:\r\n UTF8\r\n EPSV\r\n211 End\r\n")
                                  << QByteArrayList{"USER tester", "PASS secret", "FEAT", "OPTS UTF8 ON"}
                                  << FtpStatus::Ok << QString();
    QTest::newRow("wrong password") << QByteArray("331 Password\r\n")
                                    << QByteArray("530 Login incorrect.\r\n") << none
                                    << QByteArrayList{"USER tester", "PASS secret"} << FtpStatus::LogInRefused
                                    << QStringLiteral("登入失敗：530 Login incorrect.");
    QTest::newRow("user refused") << QByteArray("530-Not you.\r\n530 Go away.\r\n") << QByteArray() << none
                                  << QByteArrayList{"USER tester"} << FtpStatus::LogInRefused
                                  << QStringLiteral("登入失敗：530-Not you.\n530 Go away.");
}

void TestFtpClientFake::logsInWithTheExpectedSequence()
{
    QFETCH(QByteArray, userReply);
    QFETCH(QByteArray, passReply);
    QFETCH(QByteArray, featReply);
    QFETCH(QByteArrayList, commands);
    QFETCH(FtpStatus, status);
    QFETCH(QString, message);

    m_server->On("USER", userReply);
    m_server->On("PASS", passReply);
    m_server->On("ACCT", "230 Account accepted\r\n");
    m_server->On("FEAT", featReply);
    CFtpClient client;
    FtpConnectOptions options;
    options.account = "billing";
    const FtpResult result = Connect(client, options);
    QCOMPARE(result.status, status);
    QCOMPARE(result.message, message);
    QCOMPARE(client.IsConnected(), status == FtpStatus::Ok);
    if (status == FtpStatus::Ok)
        QVERIFY(client.Noop().Ok());
    else
        QCOMPARE(result.reply.code, 530);
    QCOMPARE(m_server->Commands().mid(0, commands.size()), commands);
}

void TestFtpClientFake::readsOddButValidReplies_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("pwdReply");
    QTest::addColumn<QByteArray>("folder");

    QTest::newRow("multi-line greeting, LF only") << QByteArray("220-Welcome\n220-to the\n220 server\n")
                                                  << QByteArray("257 \"/home\"\n") << QByteArray("/home");
    QTest::newRow("120 before 220") << QByteArray("120 Ready in a moment\r\n220 Ready\r\n")
                                    << QByteArray("257 \"/\"\r\n") << QByteArray("/");
    QTest::newRow("multi-line PWD") << QByteArray("220 Ready\r\n")
                                    << QByteArray("257-Here:\r\n257 \"/a \"\"q\"\" b\" is current\r\n")
                                    << QByteArray("/a \"q\" b");
}

void TestFtpClientFake::readsOddButValidReplies()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, pwdReply);
    QFETCH(QByteArray, folder);

    m_server->SetGreeting(greeting);
    m_server->On("PWD", pwdReply);
    CFtpClient client;
    const FtpResult connected = Connect(client);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    const FtpValue<QByteArray> pwd = client.CurrentFolder();
    QVERIFY2(pwd.result.Ok(), qPrintable(pwd.result.message));
    QCOMPARE(pwd.value, folder);
}

void TestFtpClientFake::endsBrokenSessions_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("cwdReply");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<FtpStatus>("status");
    QTest::addColumn<QString>("messagePart");

    QTest::newRow("greeting never comes")
        << QByteArray() << QByteArray() << false << FtpStatus::TimedOut << QStringLiteral(":%1：連線逾時");
    QTest::newRow("service not available")
        << QByteArray("421 Too many users\r\n") << QByteArray() << false << FtpStatus::Refused
        << QStringLiteral("伺服器拒絕連線：421 Too many users");
    QTest::newRow("command never answered")
        << QByteArray("220 Ready\r\n") << QByteArray() << true << FtpStatus::TimedOut
        << QStringLiteral("無法切換目錄：連線逾時");
    QTest::newRow("NUL in a reply") << QByteArray("220 Ready\r\n") << QByteArray("250 O\0K\r\n", 9) << true
                                    << FtpStatus::Protocol << QStringLiteral("NUL");
    QTest::newRow("NUL in the greeting") << QByteArray("220 Re\0ady\r\n", 12) << QByteArray() << false
                                         << FtpStatus::Protocol << QStringLiteral("NUL");
}

void TestFtpClientFake::endsBrokenSessions()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, cwdReply);
    QFETCH(bool, connects);
    QFETCH(FtpStatus, status);
    QFETCH(QString, messagePart);

    m_server->SetGreeting(greeting);
    m_server->On("CWD", cwdReply);
    CFtpClient client;
    FtpConnectOptions options;
    options.timeoutMs = 500;
    const FtpResult connected = Connect(client, options);
    QCOMPARE(connected.Ok(), connects);
    const FtpResult result = connects ? client.ChangeFolder("/somewhere") : connected;
    QCOMPARE(result.status, status);
    QVERIFY2(
        result.message.contains(messagePart.contains("%1") ? messagePart.arg(m_server->Port()) : messagePart),
        qPrintable(result.message));
    QVERIFY(!client.IsConnected());
    QCOMPARE(client.Noop().status, FtpStatus::NotConnected);
}

void TestFtpClientFake::refusesBadPassiveReplies_data()
{
    QTest::addColumn<QByteArray>("epsvReply");
    QTest::addColumn<QByteArray>("pasvReply");
    QTest::addColumn<QString>("messagePart");

    const QByteArray refused = "500 EPSV not understood\r\n";
    QTest::newRow("PASV with five numbers")
        << refused << QByteArray("227 Entering Passive Mode (127,0,0,1,4)\r\n")
        << QStringLiteral("無法解讀被動模式回應：227");
    QTest::newRow("PASV refused") << refused << QByteArray("425 Cannot open passive connection\r\n")
                                  << QStringLiteral("425 Cannot open passive connection");
    QTest::newRow("EPSV without a port") << QByteArray("229 Entering Extended Passive Mode (|||)\r\n")
                                         << QByteArray() << QStringLiteral("無法解讀 EPSV 回應");
    QTest::newRow("EPSV port nobody listens on")
        << QByteArray("229 (|||1|)\r\n") << QByteArray() << QStringLiteral("無法建立資料連線 127.0.0.1:1：");
}

void TestFtpClientFake::refusesBadPassiveReplies()
{
    QFETCH(QByteArray, epsvReply);
    QFETCH(QByteArray, pasvReply);
    QFETCH(QString, messagePart);

    m_server->On("EPSV", epsvReply);
    if (!pasvReply.isEmpty())
        m_server->On("PASV", pasvReply);
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    const FtpValue<FtpListing> listing = client.List();
    QVERIFY(!listing.result.Ok());
    QVERIFY2(listing.result.message.startsWith(QStringLiteral("無法列出目錄：")),
             qPrintable(listing.result.message));
    QVERIFY2(listing.result.message.contains(messagePart), qPrintable(listing.result.message));
    QVERIFY(!m_server->Commands().contains("LIST"));
    // The control connection is still in step.
    QVERIFY(client.Noop().Ok());
}

void TestFtpClientFake::remembersRefusedEpsv()
{
    m_server->On("EPSV", "500 EPSV not understood\r\n");
    m_server->On(
        "LIST", {Data(FakeResponse::Data::Send, "-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt\r\n", "226 Done\r\n")});
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    for (int i = 0; i < 2; ++i)
    {
        const FtpValue<FtpListing> listing = client.List();
        QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
        QCOMPARE(listing.value.lines, QByteArrayList{"-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt"});
        QCOMPARE(listing.value.items.size(), size_t(1));
        QCOMPARE(listing.value.items[0].name, QByteArray("a.txt"));
    }
    QCOMPARE(AfterLogin(m_server->Commands()), (QByteArrayList{"EPSV", "PASV", "LIST", "PASV", "LIST"}));
}

void TestFtpClientFake::fallsBackFromEprtToPort()
{
    m_server->On("EPRT", "500 EPRT not understood\r\n");
    m_server->On("LIST", {Data(FakeResponse::Data::Send, "line one\r\nline two\r\n", "226 Done\r\n")});
    CFtpClient client;
    FtpConnectOptions options;
    options.passive = false;
    QVERIFY(Connect(client, options).Ok());
    const FtpValue<FtpListing> listing = client.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.lines, (QByteArrayList{"line one", "line two"}));
    const QByteArrayList commands = AfterLogin(m_server->Commands());
    QCOMPARE(commands.size(), 3);
    QVERIFY(commands[0].startsWith("EPRT |1|127.0.0.1|"));
    QVERIFY(commands[1].startsWith("PORT 127,0,0,1,"));
    QCOMPARE(commands[2], QByteArray("LIST"));

    // A server that gives up instead of connecting ends the transfer with its reply, not a time-out.
    m_server->On("LIST", {Data(FakeResponse::Data::None, {}, "425 Can't open data connection\r\n")});
    const FtpValue<FtpListing> failed = client.List();
    QCOMPARE(failed.result.status, FtpStatus::Refused);
    QCOMPARE(failed.result.reply.code, 425);
    QVERIFY(client.Noop().Ok());
}

void TestFtpClientFake::substitutesUnreachablePassiveAddress()
{
    m_server->On("EPSV", "502 Not implemented\r\n");
    // Another loopback address stands for a server's private address; nothing listens there.
    m_server->On("PASV", "227 Entering Passive Mode (127,0,0,5,%PASVPORT)\r\n");
    m_server->On("RETR", {Data(FakeResponse::Data::Send, "payload", "226 Done\r\n")});
    CFtpClient client;
    QByteArrayList info;
    client.SetLogHook(
        [&](FtpLogKind kind, const QByteArray& line)
        {
            if (kind == FtpLogKind::Info)
                info.append(line);
        });
    QVERIFY(Connect(client).Ok());
    const QString local = m_dir->filePath("nat.bin");
    const FtpResult result = client.Download("file", local, false);
    QVERIFY2(result.Ok(), qPrintable(result.message));
    QCOMPARE(ReadFile(local), QByteArray("payload"));
    QVERIFY2(info.contains(QStringLiteral("被動模式位址 127.0.0.5 無法從這裡連線，改用 127.0.0.1").toUtf8()),
             info.join('|').constData());
}

void TestFtpClientFake::reportsFailedTransfers_data()
{
    QTest::addColumn<FakeResponse>("retr");
    QTest::addColumn<FtpStatus>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<bool>("stillConnected");
    QTest::addColumn<qint64>("listed"); // the size a listing gave; the server's SIZE says 4

    QTest::newRow("4xx after 150") << Data(FakeResponse::Data::Send, "partial",
                                           "451 Local error in processing\r\n")
                                   << FtpStatus::Refused
                                   << QStringLiteral("下載失敗：451 Local error in processing")
                                   << QByteArray("partial") << true << -1ll;
    QTest::newRow("4xx after 150, no data")
        << Data(FakeResponse::Data::Send, {}, "426 Connection closed\r\n") << FtpStatus::Refused
        << QStringLiteral("下載失敗：426 Connection closed") << QByteArray() << true << -1ll;
    QTest::newRow("refused before 150")
        << Reply("550 No such file\r\n") << FtpStatus::Refused << QStringLiteral("下載失敗：550 No such file")
        << QByteArray("<missing>") << true << -1ll;
    QTest::newRow("dropped mid-transfer")
        << Data(FakeResponse::Data::SendAndDrop, "half of it", {}) << FtpStatus::Network
        << QStringLiteral("下載失敗：伺服器已關閉連線") << QByteArray("half of it") << false << -1ll;
    FakeResponse silentAfterData = Data(FakeResponse::Data::Send, "all", {});
    QTest::newRow("final reply never comes")
        << silentAfterData << FtpStatus::TimedOut << QStringLiteral("下載失敗：連線逾時") << QByteArray("all")
        << false << -1ll;
    FakeResponse stalled = Data(FakeResponse::Data::Stall, {}, "426 Aborted\r\n");
    QTest::newRow("data never comes") << stalled << FtpStatus::TimedOut
                                      << QStringLiteral("下載失敗：連線逾時") << QByteArray() << true << -1ll;
    QTest::newRow("LF-only replies") << Data(FakeResponse::Data::Send, "ok", "226 Done\n", "150 Go\n")
                                     << FtpStatus::Ok << QString() << QByteArray("ok") << true << -1ll;
    const QString shortOf = QStringLiteral("下載失敗：file 只收到 %1 位元組，伺服器宣告的大小是 %2 位元組");
    const QByteArray counted = "150 Opening data connection (8 bytes)\r\n";
    QTest::newRow("short of the 150 count")
        << Data(FakeResponse::Data::Send, "half", "226 Done\r\n", counted) << FtpStatus::Network
        << shortOf.arg(4).arg(8) << QByteArray("half") << true << -1ll;
    QTest::newRow("grown past the 150 count")
        << Data(FakeResponse::Data::Send, "grown up!", "226 Done\r\n", counted) << FtpStatus::Ok << QString()
        << QByteArray("grown up!") << true << -1ll;
    QTest::newRow("short of the listing")
        << Data(FakeResponse::Data::Send, "ha", "226 Done\r\n") << FtpStatus::Network << shortOf.arg(2).arg(4)
        << QByteArray("ha") << true << 8ll;
    QTest::newRow("stale listing") << Data(FakeResponse::Data::Send, "half", "226 Done\r\n") << FtpStatus::Ok
                                   << QString() << QByteArray("half") << true << 8ll;
}

void TestFtpClientFake::reportsFailedTransfers()
{
    QFETCH(FakeResponse, retr);
    QFETCH(FtpStatus, status);
    QFETCH(QString, message);
    QFETCH(QByteArray, kept);
    QFETCH(bool, stillConnected);
    QFETCH(qint64, listed);

    m_server->On("RETR", {retr});
    m_server->On("SIZE", "213 4\r\n");
    CFtpClient client;
    FtpConnectOptions options;
    options.timeoutMs = 1000;
    QVERIFY(Connect(client, options).Ok());
    const QString local = m_dir->filePath("download.bin");
    const FtpResult result = client.Download("file", local, false, {}, listed);
    QCOMPARE(result.status, status);
    QCOMPARE(result.message, message);
    QCOMPARE(ReadFile(local), kept);
    QCOMPARE(client.IsConnected(), stillConnected);
    if (stillConnected)
        QVERIFY(client.Noop().Ok());
}

void TestFtpClientFake::cancelsFromAnotherThread()
{
    m_server->On("RETR", {Data(FakeResponse::Data::Stall, {}, "426 Transfer aborted\r\n")});
    m_server->On("ABOR", "226 Abort successful\r\n");
    CFtpClient client;
    FtpConnectOptions options;
    options.timeoutMs = 60000; // only the cancel can end this transfer in time
    QVERIFY(Connect(client, options).Ok());
    std::thread canceller(
        [&]
        {
            if (m_server->WaitForCommand("RETR", 10000))
                client.Cancel();
        });
    const FtpResult result = client.Download("big", m_dir->filePath("big"), false);
    canceller.join();
    QCOMPARE(result.status, FtpStatus::Cancelled);
    QCOMPARE(result.message, QStringLiteral("下載失敗：作業已取消"));
    QVERIFY(client.IsConnected());
    QVERIFY(client.Noop().Ok());
    QCOMPARE(AfterLogin(m_server->Commands()).mid(2), (QByteArrayList{"RETR big", "ABOR", "NOOP"}));
}

void TestFtpClientFake::cancelsAConnectThatHangs()
{
    m_server->SetGreeting({});
    CFtpClient client;
    std::thread canceller(
        [&]
        {
            for (int i = 0; i < 2000 && m_server->Connections() == 0; ++i)
                QThread::msleep(5);
            client.Cancel();
        });
    FtpConnectOptions options;
    options.timeoutMs = 60000;
    const FtpResult result = Connect(client, options);
    canceller.join();
    QCOMPARE(result.status, FtpStatus::Cancelled);
    QVERIFY(!client.IsConnected());
    // The cancel is used up: the next attempt runs to its own time-out.
    options.timeoutMs = 200;
    QCOMPARE(Connect(client, options).status, FtpStatus::TimedOut);
}

void TestFtpClientFake::givesTheOwnerThePasswordToMask()
{
    m_server->On("PASS", "530 Login incorrect for secret\r\n");
    CFtpClient client;
    QByteArrayList shown;
    client.SetLogHook(
        [&](FtpLogKind kind, const QByteArray& line)
        {
            // What an owner does: commands starting with PASS are masked before anyone sees them.
            const bool pass = kind == FtpLogKind::Command && line.startsWith("PASS ");
            shown.append(pass ? "PASS " + QByteArray(line.size() - 5, '*') : line);
        });
    const FtpResult result = Connect(client);
    QCOMPARE(result.status, FtpStatus::LogInRefused);
    QVERIFY(shown.contains("PASS ******"));
    QCOMPARE(Matching(shown, QRegularExpression("secret")), QByteArrayList{"530 Login incorrect for secret"});
}

void TestFtpClientFake::refusesBytesInjectedAfterAuthTls()
{
    m_server->On("AUTH", "234 Go ahead\r\n230 Injected before the handshake\r\n");
    CFtpClient client;
    FtpConnectOptions options;
    options.security = FtpSecurity::ExplicitTls;
    const FtpResult result = Connect(client, options);
    QCOMPARE(result.status, FtpStatus::Protocol);
    QVERIFY2(result.message.startsWith(QStringLiteral("AUTH TLS 回應之後")), qPrintable(result.message));
    QVERIFY(!client.IsConnected());
    QCOMPARE(m_server->Commands(), QByteArrayList{"AUTH TLS"});
}

void TestFtpClientFake::refusesNamesThatCarryCommands()
{
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    QCOMPARE(client.Delete("a\r\nDELE b").status, FtpStatus::BadRequest);
    QCOMPARE(client.Download("a\nRMD b", m_dir->filePath("x"), false).status, FtpStatus::BadRequest);
    QCOMPARE(client.List(QByteArray("a\0b", 3)).result.status, FtpStatus::BadRequest);
    QVERIFY(client.Noop().Ok());
    const QByteArrayList commands = m_server->Commands();
    QCOMPARE(AfterLogin(commands), QByteArrayList{"NOOP"});
}

void TestFtpClientFake::convertsLineEndsInAsciiMode()
{
    m_server->On("RETR", {Data(FakeResponse::Data::Send, "one\r\ntwo\r\nlone\rcr\r\n", "226 Done\r\n")});
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    client.SetTransferType(FtpTransferType::Ascii);
    const QString local = m_dir->filePath("text.txt");
    QVERIFY(client.Download("text.txt", local, false).Ok());
    QCOMPARE(ReadFile(local), QByteArray("one\ntwo\nlone\rcr\n"));

    QVERIFY(WriteFile(local, "a\nb\r\nc\n"));
    QVERIFY(client.Upload(local, "up.txt", FtpUploadMode::Replace).Ok());
    QCOMPARE(m_server->Received(), QByteArray("a\r\nb\r\nc\r\n"));
    QCOMPARE(Matching(AfterLogin(m_server->Commands()), QRegularExpression("^TYPE")),
             QByteArrayList{"TYPE A"});
}

void TestFtpClientFake::resumesDownloadsWithoutTruncating()
{
    m_server->On("RETR", {Data(FakeResponse::Data::Send, " world", "226 Done\r\n")});
    m_server->On("REST",
                 QList<FakeResponse>{Reply("350 Restarting at 5\r\n"), Reply("501 REST not allowed\r\n")});
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    const QString local = m_dir->filePath("resume.txt");
    QVERIFY(WriteFile(local, "hello"));
    QList<QPair<qint64, qint64>> progress;
    const FtpResult resumed = client.Download("resume.txt", local, true,
                                              [&](qint64 at, qint64 total) {
                                                  progress.append({at, total});
                                              });
    QVERIFY2(resumed.Ok(), qPrintable(resumed.message));
    QCOMPARE(ReadFile(local), QByteArray("hello world"));
    QCOMPARE(progress.first().first, 5);
    QCOMPARE(progress.last().first, 11);
    QVERIFY(m_server->Commands().contains("REST 5"));

    // REST refused now: the local file keeps every byte.
    const FtpResult refused = client.Download("resume.txt", local, true);
    QCOMPARE(refused.status, FtpStatus::Refused);
    QCOMPARE(refused.message, QStringLiteral("下載失敗：501 REST not allowed"));
    QCOMPARE(ReadFile(local), QByteArray("hello world"));
}

void TestFtpClientFake::resumesUploads()
{
    m_server->On("SIZE", "213 3\r\n");
    // The first server refuses a restarted STOR; APPE does the job and is remembered.
    m_server->On("STOR", QList<FakeResponse>{Reply("451 Restart not permitted\r\n")});
    const QString local = m_dir->filePath("up.bin");
    QVERIFY(WriteFile(local, "abcdef"));
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    const FtpResult first = client.Upload(local, "up.bin", FtpUploadMode::Resume);
    QVERIFY2(first.Ok(), qPrintable(first.message));
    QCOMPARE(m_server->Received(), QByteArray("def"));
    const FtpResult second = client.Upload(local, "up.bin", FtpUploadMode::Resume);
    QVERIFY2(second.Ok(), qPrintable(second.message));
    const QByteArrayList sent = Matching(m_server->Commands(), QRegularExpression("^(REST|STOR|APPE|SIZE)"));
    QCOMPARE(sent, (QByteArrayList{"SIZE up.bin", "REST 3", "STOR up.bin", "APPE up.bin", "SIZE up.bin",
                                   "APPE up.bin"}));
}

void TestFtpClientFake::asksForRemoteChecksums_data()
{
    QTest::addColumn<QByteArray>("feat");
    QTest::addColumn<QList<QPair<QByteArray, QByteArray>>>("script");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("checksum");
    QTest::addColumn<QByteArrayList>("commands"); // after two requests

    using Script = QList<QPair<QByteArray, QByteArray>>;
    const QByteArray sha1 = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
    const QByteArray hashFeat = "211-Features:\r\n HASH CRC32;MD5;SHA-1*;SHA-256\r\n211 End\r\n";
    QTest::newRow("HASH, algorithm already selected")
        << hashFeat << Script{{"HASH", "213 SHA-1 0-4 " + sha1.toUpper() + " f\r\n"}} << 2 << sha1
        << QByteArrayList{"HASH f", "HASH f"};
    QTest::newRow("HASH after OPTS, with keep-alive lines")
        << hashFeat
        << Script{{"OPTS", "200 MD5\r\n"},
                  {"HASH",
                   "213-Computing...\r\n Computing...\r\n213 MD5 0-4 0123456789ABCDEF0123456789ABCDEF f\r\n"}}
        << 1 << QByteArray("0123456789abcdef0123456789abcdef")
        << QByteArrayList{"OPTS HASH MD5", "HASH f", "HASH f"};
    QTest::newRow("X command not in FEAT still tried")
        << QByteArray("211 No features\r\n") << Script{{"XCRC", "250 1A2B3C4D\r\n"}} << 0
        << QByteArray("1a2b3c4d") << QByteArrayList{"XCRC f", "XCRC f"};
    QTest::newRow("XSHA1 refused, XSHA works")
        << QByteArray("211 No features\r\n")
        << Script{{"XSHA1", "500 Unknown command\r\n"}, {"XSHA", "250 " + sha1.toUpper() + "\r\n"}} << 2
        << sha1 << QByteArrayList{"XSHA1 f", "XSHA f", "XSHA f"};
    QTest::newRow("nothing offered") << QByteArray("211 No features\r\n")
                                     << Script{{"XMD5", "502 Not implemented\r\n"}} << 1 << QByteArray()
                                     << QByteArrayList{"XMD5 f"};
}

void TestFtpClientFake::asksForRemoteChecksums()
{
    QFETCH(QByteArray, feat);
    using Script = QList<QPair<QByteArray, QByteArray>>;
    QFETCH(Script, script);
    QFETCH(int, kind);
    QFETCH(QByteArray, checksum);
    QFETCH(QByteArrayList, commands);

    m_server->On("FEAT", feat);
    for (const auto& [verb, reply] : script)
        m_server->On(verb, reply);
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    for (int round = 0; round < 2; ++round)
    {
        const FtpValue<QByteArray> result = client.RemoteChecksum(ChecksumKind(kind), "f");
        QVERIFY2(result.result.Ok(), qPrintable(result.result.message));
        QCOMPARE(result.value, checksum);
    }
    // Asked twice: refused commands are not tried again, and OPTS HASH is sent once.
    QCOMPARE(AfterLogin(m_server->Commands()), commands);
}

void TestFtpClientFake::setsTimesWithMdtmWhenMfmtIsMissing()
{
    m_server->On("MDTM", "213 File modification time set\r\n");
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    const QDateTime time(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC);
    QVERIFY(client.SetModifiedTime("a b.txt", time).Ok());
    QCOMPARE(AfterLogin(m_server->Commands()), QByteArrayList{"MDTM 20240102030405 a b.txt"});
}

void TestFtpClientFake::listsWithMlsdWhenOffered()
{
    m_server->On("FEAT", "211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n");
    m_server->On("MLSD", {Data(FakeResponse::Data::Send,
                               "type=file;size=12;modify=20240102030405; a file.txt\r\ntype=dir; sub\n",
                               "226 Done\r\n")});
    CFtpClient client;
    QVERIFY(Connect(client).Ok());
    const FtpValue<FtpListing> listing = client.List("/some dir");
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QVERIFY(listing.value.mlsd);
    QCOMPARE(listing.value.lines.size(), 2);
    QCOMPARE(listing.value.items.size(), size_t(2));
    QCOMPARE(listing.value.items[0].name, QByteArray("a file.txt"));
    QCOMPARE(listing.value.items[0].size, 12);
    QCOMPARE(listing.value.items[1].kind, ListItem::Kind::Folder);
    QVERIFY(m_server->Commands().contains("MLSD /some dir"));
}

void TestFtpClientFake::worksOverIpv6()
{
    m_server = std::make_unique<CFakeFtpServer>(true);
    m_server->On("LIST", {Data(FakeResponse::Data::Send, "over six\r\n", "226 Done\r\n")});
    CFtpClient client;
    FtpConnectOptions options;
    options.host = "::1";
    const FtpResult connected = Connect(client, options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    for (const bool passive : {true, false})
    {
        client.SetPassive(passive);
        const FtpValue<FtpListing> listing = client.List();
        QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
        QCOMPARE(listing.value.lines, QByteArrayList{"over six"});
    }
    const QByteArrayList commands = AfterLogin(m_server->Commands());
    QCOMPARE(commands.size(), 4);
    QCOMPARE(commands[0], QByteArray("EPSV"));
    QVERIFY2(commands[2].startsWith("EPRT |2|::1|"), commands[2].constData());

    const quint16 port = m_server->Port();
    m_server.reset();
    options.port = port;
    options.timeoutMs = kTimeoutMs;
    const FtpResult refused = client.Connect(options);
    QCOMPARE(refused.message, QStringLiteral("無法連線到 [::1]:%1：Connection refused").arg(port));
}

QTEST_GUILESS_MAIN(TestFtpClientFake)
#include "tst_FtpClientFake.moc"
