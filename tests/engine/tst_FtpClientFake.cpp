#include "FakeFtpServer.h"

#include "engine/ftp/FtpClient.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

Q_DECLARE_METATYPE(FtpStatus)
Q_DECLARE_METATYPE(FakeResponse)

using namespace TestFiles;
using Script = QList<QPair<QByteArray, QByteArray>>; // verb, reply

namespace
{
// Short enough that a wrong wait shows quickly, long enough for a loaded machine.
constexpr int kTimeoutMs = 3000;

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

QByteArrayList Matching(const QByteArrayList& lines, const QString& pattern)
{
    QByteArrayList matching;
    for (const QByteArray& line : lines)
    {
        if (QRegularExpression(pattern).match(QString::fromUtf8(line)).hasMatch())
            matching.append(line);
    }
    return matching;
}

// The commands after log-in (USER, PASS, FEAT and OPTS UTF8 left out), active data ports written as P.
QByteArrayList AfterLogin(const QByteArrayList& commands)
{
    QByteArrayList rest = commands.mid(commands.indexOf("FEAT") + 1);
    rest.removeAll("OPTS UTF8 ON");
    for (QByteArray& command : rest)
    {
        if (command.startsWith("PORT ") || command.startsWith("EPRT "))
            command = QString::fromUtf8(command)
                          .replace(QRegularExpression("\\d+,\\d+$|\\d+(?=\\|$)"), "P")
                          .toUtf8();
    }
    return rest;
}

// "name=size" for each item, a folder's name ending in '/'.
QString Items(const FtpListing& listing)
{
    QStringList items;
    for (const ListItem& item : listing.items)
        items.append(QStringLiteral("%1%2=%3")
                         .arg(QString::fromUtf8(item.name), item.kind == ListItem::Kind::Folder ? "/" : "")
                         .arg(item.size));
    return items.join(", ");
}
} // namespace

class TestFtpClientFake : public QObject
{
    Q_OBJECT

    std::unique_ptr<CFakeFtpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;

    // The options the test sets, the address and log-in of the fake server.
    FtpResult Connect(CFtpClient& client, const std::function<void(FtpConnectOptions&)>& set = {})
    {
        FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.timeoutMs = kTimeoutMs;
        if (set)
            set(options);
        QString error;
        if (!m_server->IsStarted() && !m_server->Start(&error))
            return FtpResult::Failure(FtpStatus::Network, error);
        options.port = m_server->Port();
        options.user = "tester";
        options.password = "secret";
        return client.Connect(options);
    }
    void Play(const Script& script)
    {
        for (const auto& [verb, reply] : script)
            m_server->On(verb, reply);
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<CFakeFtpServer>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void logsInWithTheExpectedSequence_data()
    {
        QTest::addColumn<QByteArray>("userReply");
        QTest::addColumn<QByteArray>("passReply");
        QTest::addColumn<QByteArray>("featReply");
        QTest::addColumn<QByteArrayList>("commands");
        QTest::addColumn<FtpStatus>("status");
        QTest::addColumn<QString>("message");

        const QByteArray asked = "331 Password\r\n";
        const QByteArray none = "211 No features\r\n";
        QTest::newRow("user and password")
            << asked << QByteArray("230 In\r\n") << none
            << QByteArrayList{"USER tester", "PASS secret", "FEAT"} << FtpStatus::Ok << QString();
        QTest::newRow("no password needed")
            << QByteArray("230 In\r\n") << QByteArray() << none << QByteArrayList{"USER tester", "FEAT"}
            << FtpStatus::Ok << QString();
        QTest::newRow("account asked for")
            << asked << QByteArray("332 Account\r\n") << none
            << QByteArrayList{"USER tester", "PASS secret", "ACCT billing", "FEAT"} << FtpStatus::Ok
            << QString();
        QTest::newRow("UTF8 offered") << asked << QByteArray("230 In\r\n")
                                      << QByteArray("211-Features:\r\n UTF8\r\n EPSV\r\n211 End\r\n")
                                      << QByteArrayList{"USER tester", "PASS secret", "FEAT", "OPTS UTF8 ON"}
                                      << FtpStatus::Ok << QString();
        QTest::newRow("wrong password")
            << asked << QByteArray("530 Login incorrect.\r\n") << none
            << QByteArrayList{"USER tester", "PASS secret"} << FtpStatus::LogInRefused
            << QStringLiteral("登入失敗：530 Login incorrect.");
        QTest::newRow("user refused") << QByteArray("530-Not you.\r\n530 Go away.\r\n") << QByteArray()
                                      << none << QByteArrayList{"USER tester"} << FtpStatus::LogInRefused
                                      << QStringLiteral("登入失敗：530-Not you.\n530 Go away.");
    }
    void logsInWithTheExpectedSequence()
    {
        QFETCH(QByteArray, userReply);
        QFETCH(QByteArray, passReply);
        QFETCH(QByteArray, featReply);
        QFETCH(QByteArrayList, commands);
        QFETCH(FtpStatus, status);
        QFETCH(QString, message);

        Play({{"USER", userReply},
              {"PASS", passReply},
              {"ACCT", "230 Account accepted\r\n"},
              {"FEAT", featReply}});
        CFtpClient client;
        const FtpResult result = Connect(client, [](FtpConnectOptions& o) { o.account = "billing"; });
        QCOMPARE(result.status, status);
        QCOMPARE(result.message, message);
        QCOMPARE(result.reply.code, status == FtpStatus::Ok ? 230 : 530);
        QCOMPARE(client.IsConnected(), status == FtpStatus::Ok);
        QCOMPARE(client.Noop().status, status == FtpStatus::Ok ? FtpStatus::Ok : FtpStatus::NotConnected);
        QCOMPARE(m_server->Commands().mid(0, commands.size()), commands);
    }

    // Odd but valid replies are read; a broken one ends the session.
    void readsReplies_data()
    {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<QByteArray>("pwdReply");
        QTest::addColumn<FtpStatus>("status");
        QTest::addColumn<QString>("outcome"); // the folder, else the message ("%1": the server's port)

        const QByteArray ready = "220 Ready\r\n";
        QTest::newRow("multi-line greeting, LF only")
            << QByteArray("220-Welcome\n220-to the\n220 server\n") << QByteArray("257 \"/home\"\n")
            << FtpStatus::Ok << "/home";
        QTest::newRow("120 before 220") << QByteArray("120 Ready in a moment\r\n220 Ready\r\n")
                                        << QByteArray("257 \"/\"\r\n") << FtpStatus::Ok << "/";
        QTest::newRow("multi-line PWD")
            << ready << QByteArray("257-Here:\r\n257 \"/a \"\"q\"\" b\" is current\r\n") << FtpStatus::Ok
            << "/a \"q\" b";
        QTest::newRow("greeting never comes") << QByteArray() << QByteArray() << FtpStatus::TimedOut
                                              << QStringLiteral("無法連線到 127.0.0.1:%1：連線逾時");
        QTest::newRow("service not available")
            << QByteArray("421 Too many users\r\n") << QByteArray() << FtpStatus::Refused
            << QStringLiteral("伺服器拒絕連線：421 Too many users");
        QTest::newRow("command never answered")
            << ready << QByteArray() << FtpStatus::TimedOut << QStringLiteral("無法取得目前目錄：連線逾時");
        QTest::newRow("NUL in a reply") << ready << QByteArray("257 \"/a\0\"\r\n", 11) << FtpStatus::Protocol
                                        << QStringLiteral("無法取得目前目錄：伺服器回應含有 NUL 字元");
        QTest::newRow("NUL in the greeting")
            << QByteArray("220 Re\0ady\r\n", 12) << QByteArray() << FtpStatus::Protocol
            << QStringLiteral("無法連線到 127.0.0.1:%1：伺服器回應含有 NUL 字元");
    }
    void readsReplies()
    {
        QFETCH(QByteArray, greeting);
        QFETCH(QByteArray, pwdReply);
        QFETCH(FtpStatus, status);
        QFETCH(QString, outcome);

        m_server->SetGreeting(greeting);
        m_server->On("PWD", pwdReply);
        CFtpClient client;
        FtpValue<QByteArray> pwd{Connect(client), {}};
        if (pwd.result.Ok())
            pwd = client.CurrentFolder();
        QCOMPARE(pwd.result.status, status);
        QCOMPARE(pwd.result.Ok() ? QString::fromUtf8(pwd.value) : pwd.result.message,
                 outcome.contains("%1") ? outcome.arg(m_server->Port()) : outcome);
        QCOMPARE(client.Noop().status, pwd.result.Ok() ? FtpStatus::Ok : FtpStatus::NotConnected);
    }

    void reportsRefusedConnections_data()
    {
        QTest::addColumn<bool>("ipv6");
        QTest::newRow("IPv4") << false;
        QTest::newRow("IPv6") << true;
    }
    void reportsRefusedConnections()
    {
        QFETCH(bool, ipv6);
        m_server = std::make_unique<CFakeFtpServer>(ipv6);
        CFtpClient client;
        QVERIFY(Connect(client, [&](FtpConnectOptions& o) { o.host = ipv6 ? "::1" : "127.0.0.1"; }).Ok());
        const quint16 port = m_server->Port();
        m_server.reset();
        FtpConnectOptions options;
        options.host = ipv6 ? "::1" : "127.0.0.1";
        options.port = port;
        options.timeoutMs = kTimeoutMs;
        const FtpResult refused = client.Connect(options);
        QCOMPARE(refused.status, FtpStatus::Network);
        QCOMPARE(refused.message, QStringLiteral("無法連線到 %1:%2：Connection refused")
                                      .arg(ipv6 ? "[::1]" : "127.0.0.1")
                                      .arg(port));
    }

    // Each row lists twice: what the first listing learnt about the server holds for the second.
    void opensDataConnections_data()
    {
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<bool>("passive");
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("outcome");  // the items listed, else the message
        QTest::addColumn<QString>("commands"); // after log-in, joined by "; "
        QTest::addColumn<QStringList>("info");

        const QString epsvRefused = QStringLiteral("伺服器不支援 EPSV，改用 PASV");
        const QByteArray noEpsv = "500 EPSV not understood\r\n";
        const QString failed = QStringLiteral("無法列出目錄：");
        QTest::newRow("EPSV refused, PASV remembered")
            << false << true << Script{{"EPSV", noEpsv}} << "a.txt=5"
            << "EPSV; PASV; LIST; PASV; LIST; NOOP" << QStringList{epsvRefused};
        QTest::newRow("EPRT refused, PORT remembered")
            << false << false << Script{{"EPRT", "500 EPRT not understood\r\n"}} << "a.txt=5"
            << "EPRT |1|127.0.0.1|P|; PORT 127,0,0,1,P; LIST; PORT 127,0,0,1,P; LIST; NOOP"
            << QStringList{QStringLiteral("伺服器不支援 EPRT，改用 PORT")};
        QTest::newRow("server gives up on an active connection")
            << false << false << Script{{"LIST", "425 Can't open data connection\r\n"}}
            << failed + "425 Can't open data connection"
            << "EPRT |1|127.0.0.1|P|; LIST; EPRT |1|127.0.0.1|P|; LIST; NOOP" << QStringList{};
        QTest::newRow("PASV with five numbers")
            << false << true
            << Script{{"EPSV", noEpsv}, {"PASV", "227 Entering Passive Mode (127,0,0,1,4)\r\n"}}
            << failed + "無法解讀被動模式回應：227 Entering Passive Mode (127,0,0,1,4)"
            << "EPSV; PASV; PASV; NOOP" << QStringList{epsvRefused};
        QTest::newRow("PASV refused")
            << false << true << Script{{"EPSV", noEpsv}, {"PASV", "425 Cannot open passive connection\r\n"}}
            << failed + "無法建立資料連線：425 Cannot open passive connection"
            << "EPSV; PASV; PASV; NOOP" << QStringList{epsvRefused};
        QTest::newRow("EPSV without a port")
            << false << true << Script{{"EPSV", "229 Entering Extended Passive Mode (|||)\r\n"}}
            << failed + "無法解讀 EPSV 回應：229 Entering Extended Passive Mode (|||)"
            << "EPSV; EPSV; NOOP" << QStringList{};
        QTest::newRow("EPSV port nobody listens on")
            << false << true << Script{{"EPSV", "229 (|||1|)\r\n"}}
            << failed + "無法建立資料連線 127.0.0.1:1：Connection refused"
            << "EPSV; EPSV; NOOP" << QStringList{};
        // Another loopback address stands for a server's private address; nothing listens there.
        QTest::newRow("unreachable PASV address")
            << false << true
            << Script{{"EPSV", "502 Not implemented\r\n"},
                      {"PASV", "227 Entering Passive Mode (127,0,0,5,%PASVPORT)\r\n"}}
            << "a.txt=5"
            << "EPSV; PASV; LIST; PASV; LIST; NOOP"
            << QStringList{epsvRefused,
                           QStringLiteral("被動模式位址 127.0.0.5 無法從這裡連線，改用 127.0.0.1"),
                           QStringLiteral("被動模式位址 127.0.0.5 無法從這裡連線，改用 127.0.0.1")};
        QTest::newRow("MLSD offered")
            << false << true << Script{{"FEAT", "211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n"}}
            << "a file.txt=12, sub/=0"
            << "EPSV; MLSD; EPSV; MLSD; NOOP" << QStringList{};
        QTest::newRow("IPv6, passive") << true << true << Script{} << "a.txt=5"
                                       << "EPSV; LIST; EPSV; LIST; NOOP" << QStringList{};
        QTest::newRow("IPv6, active") << true << false << Script{} << "a.txt=5"
                                      << "EPRT |2|::1|P|; LIST; EPRT |2|::1|P|; LIST; NOOP" << QStringList{};
    }
    void opensDataConnections()
    {
        QFETCH(bool, ipv6);
        QFETCH(bool, passive);
        QFETCH(Script, script);
        QFETCH(QString, outcome);
        QFETCH(QString, commands);
        QFETCH(QStringList, info);

        m_server = std::make_unique<CFakeFtpServer>(ipv6);
        m_server->On("LIST", {Data(FakeResponse::Data::Send, "-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt\r\n",
                                   "226 Done\r\n")});
        m_server->On("MLSD", {Data(FakeResponse::Data::Send,
                                   "type=file;size=12;modify=20240102030405; a file.txt\r\ntype=dir; sub\n",
                                   "226 Done\r\n")});
        Play(script);
        CFtpClient client;
        QStringList logged;
        client.SetLogHook(
            [&](FtpLogKind kind, const QByteArray& line)
            {
                if (kind == FtpLogKind::Info)
                    logged.append(QString::fromUtf8(line));
            });
        QVERIFY(Connect(client,
                        [&](FtpConnectOptions& o)
                        {
                            o.host = ipv6 ? "::1" : "127.0.0.1";
                            o.passive = passive;
                        })
                    .Ok());
        for (int round = 0; round < 2; ++round)
        {
            const FtpValue<FtpListing> listing = client.List();
            QCOMPARE(listing.result.Ok() ? Items(listing.value) : listing.result.message, outcome);
        }
        // The control connection is still in step.
        QVERIFY(client.Noop().Ok());
        QCOMPARE(QString::fromUtf8(AfterLogin(m_server->Commands()).join("; ")), commands);
        QCOMPARE(logged, info);
    }

    void reportsFailedTransfers_data()
    {
        QTest::addColumn<FakeResponse>("retr");
        QTest::addColumn<FtpStatus>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<bool>("stillConnected");
        QTest::addColumn<qint64>("listed"); // the size a listing gave; the server's SIZE says 4

        using enum FakeResponse::Data;
        const QString failed = QStringLiteral("下載失敗：");
        QTest::newRow("4xx after 150")
            << Data(Send, "partial", "451 Local error in processing\r\n") << FtpStatus::Refused
            << failed + "451 Local error in processing" << QByteArray("partial") << true << -1ll;
        QTest::newRow("4xx after 150, no data")
            << Data(Send, {}, "426 Connection closed\r\n") << FtpStatus::Refused
            << failed + "426 Connection closed" << QByteArray() << true << -1ll;
        QTest::newRow("refused before 150")
            << Data(None, {}, {}, "550 No such file\r\n") << FtpStatus::Refused << failed + "550 No such file"
            << QByteArray("<missing>") << true << -1ll;
        QTest::newRow("dropped mid-transfer")
            << Data(SendAndDrop, "half of it", {}) << FtpStatus::Network << failed + "伺服器已關閉連線"
            << QByteArray("half of it") << false << -1ll;
        QTest::newRow("final reply never comes") << Data(Send, "all", {}) << FtpStatus::TimedOut
                                                 << failed + "連線逾時" << QByteArray("all") << false << -1ll;
        QTest::newRow("data never comes") << Data(Stall, {}, "426 Aborted\r\n") << FtpStatus::TimedOut
                                          << failed + "連線逾時" << QByteArray() << true << -1ll;
        QTest::newRow("LF-only replies") << Data(Send, "ok", "226 Done\n", "150 Go\n") << FtpStatus::Ok
                                         << QString() << QByteArray("ok") << true << -1ll;
        const QString shortOf =
            failed + QStringLiteral("file 只收到 %1 位元組，伺服器宣告的大小是 %2 位元組");
        const QByteArray counted = "150 Opening data connection (8 bytes)\r\n";
        QTest::newRow("short of the 150 count")
            << Data(Send, "half", "226 Done\r\n", counted) << FtpStatus::Network << shortOf.arg(4).arg(8)
            << QByteArray("half") << true << -1ll;
        QTest::newRow("grown past the 150 count")
            << Data(Send, "grown up!", "226 Done\r\n", counted) << FtpStatus::Ok << QString()
            << QByteArray("grown up!") << true << -1ll;
        QTest::newRow("short of the listing") << Data(Send, "ha", "226 Done\r\n") << FtpStatus::Network
                                              << shortOf.arg(2).arg(4) << QByteArray("ha") << true << 8ll;
        QTest::newRow("stale listing") << Data(Send, "half", "226 Done\r\n") << FtpStatus::Ok << QString()
                                       << QByteArray("half") << true << 8ll;
    }
    void reportsFailedTransfers()
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
        QVERIFY(Connect(client, [](FtpConnectOptions& o) { o.timeoutMs = 1000; }).Ok());
        const QString local = m_dir->filePath("download.bin");
        const FtpResult result = client.Download("file", local, false, {}, listed);
        QCOMPARE(result.status, status);
        QCOMPARE(result.message, message);
        QCOMPARE(ReadFile(local), kept);
        QCOMPARE(client.IsConnected(), stillConnected);
        QCOMPARE(client.Noop().Ok(), stillConnected);
    }

    void cancelsFromAnotherThread()
    {
        m_server->On("RETR", {Data(FakeResponse::Data::Stall, {}, "426 Transfer aborted\r\n")});
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        std::thread canceller(
            [&]
            {
                if (m_server->WaitForCommand("RETR", 10000))
                    client.Cancel();
            });
        // The server stalls past the client's time-out: only the cancel ends this transfer as cancelled.
        const FtpResult result = client.Download("big", m_dir->filePath("big"), false);
        canceller.join();
        QCOMPARE(result.status, FtpStatus::Cancelled);
        QCOMPARE(result.message, QStringLiteral("下載失敗：作業已取消"));
        QVERIFY(client.Noop().Ok());
        QCOMPARE(AfterLogin(m_server->Commands()).mid(2), (QByteArrayList{"RETR big", "ABOR", "NOOP"}));
    }

    void cancelsAConnectThatHangs()
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
        const FtpResult result = Connect(client);
        canceller.join();
        QCOMPARE(result.status, FtpStatus::Cancelled);
        QVERIFY(!client.IsConnected());
        // The cancel is used up: the next attempt runs to its own time-out.
        QCOMPARE(Connect(client).status, FtpStatus::TimedOut);
    }

    void givesTheOwnerThePasswordToMask()
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
        QCOMPARE(Connect(client).status, FtpStatus::LogInRefused);
        QVERIFY(shown.contains("PASS ******"));
        QCOMPARE(Matching(shown, "secret"), QByteArrayList{"530 Login incorrect for secret"});
    }

    void refusesBytesInjectedAfterAuthTls()
    {
        m_server->On("AUTH", "234 Go ahead\r\n230 Injected before the handshake\r\n");
        CFtpClient client;
        const FtpResult result =
            Connect(client, [](FtpConnectOptions& o) { o.security = FtpSecurity::ExplicitTls; });
        QCOMPARE(result.status, FtpStatus::Protocol);
        QVERIFY2(result.message.startsWith(QStringLiteral("AUTH TLS 回應之後")), qPrintable(result.message));
        QVERIFY(!client.IsConnected());
        QCOMPARE(m_server->Commands(), QByteArrayList{"AUTH TLS"});
    }

    void refusesNamesThatCarryCommands()
    {
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        QCOMPARE(client.Delete("a\r\nDELE b").status, FtpStatus::BadRequest);
        QCOMPARE(client.Download("a\nRMD b", m_dir->filePath("x"), false).status, FtpStatus::BadRequest);
        QCOMPARE(client.List(QByteArray("a\0b", 3)).result.status, FtpStatus::BadRequest);
        QVERIFY(client.Noop().Ok());
        QCOMPARE(AfterLogin(m_server->Commands()), QByteArrayList{"NOOP"});
    }

    void convertsLineEndsInAsciiMode()
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
        QCOMPARE(Matching(AfterLogin(m_server->Commands()), "^TYPE"), QByteArrayList{"TYPE A"});
    }

    void resumesDownloadsWithoutTruncating()
    {
        m_server->On("RETR", {Data(FakeResponse::Data::Send, " world", "226 Done\r\n")});
        m_server->On("REST", {Data(FakeResponse::Data::None, {}, {}, "350 Restarting at 5\r\n"),
                              Data(FakeResponse::Data::None, {}, {}, "501 REST not allowed\r\n")});
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        const QString local = m_dir->filePath("resume.txt");
        QVERIFY(WriteFile(local, "hello"));
        QList<qint64> progress;
        const FtpResult resumed =
            client.Download("resume.txt", local, true, [&](qint64 at, qint64) { progress.append(at); });
        QVERIFY2(resumed.Ok(), qPrintable(resumed.message));
        QCOMPARE(ReadFile(local), QByteArray("hello world"));
        QCOMPARE(progress.first(), 5);
        QCOMPARE(progress.last(), 11);
        QVERIFY(m_server->Commands().contains("REST 5"));

        // REST refused now: the local file keeps every byte.
        const FtpResult refused = client.Download("resume.txt", local, true);
        QCOMPARE(refused.status, FtpStatus::Refused);
        QCOMPARE(refused.message, QStringLiteral("下載失敗：501 REST not allowed"));
        QCOMPARE(ReadFile(local), QByteArray("hello world"));
    }

    void resumesUploads()
    {
        m_server->On("SIZE", "213 3\r\n");
        // The first server refuses a restarted STOR; APPE does the job and is remembered.
        m_server->On("STOR", "451 Restart not permitted\r\n");
        const QString local = m_dir->filePath("up.bin");
        QVERIFY(WriteFile(local, "abcdef"));
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        for (int round = 0; round < 2; ++round)
        {
            const FtpResult result = client.Upload(local, "up.bin", FtpUploadMode::Resume);
            QVERIFY2(result.Ok(), qPrintable(result.message));
        }
        QCOMPARE(m_server->Received(), QByteArray("defdef"));
        QCOMPARE(Matching(m_server->Commands(), "^(REST|STOR|APPE|SIZE)"),
                 (QByteArrayList{"SIZE up.bin", "REST 3", "STOR up.bin", "APPE up.bin", "SIZE up.bin",
                                 "APPE up.bin"}));
    }

    void asksForRemoteChecksums_data()
    {
        QTest::addColumn<QByteArray>("feat");
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("checksum");
        QTest::addColumn<QByteArrayList>("commands"); // after two requests

        const QByteArray sha1 = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
        const QByteArray hashFeat = "211-Features:\r\n HASH CRC32;MD5;SHA-1*;SHA-256\r\n211 End\r\n";
        const QByteArray none = "211 No features\r\n";
        QTest::newRow("HASH, algorithm already selected")
            << hashFeat << Script{{"HASH", "213 SHA-1 0-4 " + sha1.toUpper() + " f\r\n"}} << 2 << sha1
            << QByteArrayList{"HASH f", "HASH f"};
        QTest::newRow("HASH after OPTS, with keep-alive lines")
            << hashFeat
            << Script{{"OPTS", "200 MD5\r\n"},
                      {"HASH", "213-Computing...\r\n Computing...\r\n213 MD5 0-4 "
                               "0123456789ABCDEF0123456789ABCDEF f\r\n"}}
            << 1 << QByteArray("0123456789abcdef0123456789abcdef")
            << QByteArrayList{"OPTS HASH MD5", "HASH f", "HASH f"};
        QTest::newRow("X command not in FEAT still tried")
            << none << Script{{"XCRC", "250 1A2B3C4D\r\n"}} << 0 << QByteArray("1a2b3c4d")
            << QByteArrayList{"XCRC f", "XCRC f"};
        QTest::newRow("XSHA1 refused, XSHA works")
            << none
            << Script{{"XSHA1", "500 Unknown command\r\n"}, {"XSHA", "250 " + sha1.toUpper() + "\r\n"}} << 2
            << sha1 << QByteArrayList{"XSHA1 f", "XSHA f", "XSHA f"};
        QTest::newRow("nothing offered") << none << Script{{"XMD5", "502 Not implemented\r\n"}} << 1
                                         << QByteArray() << QByteArrayList{"XMD5 f"};
    }
    void asksForRemoteChecksums()
    {
        QFETCH(QByteArray, feat);
        QFETCH(Script, script);
        QFETCH(int, kind);
        QFETCH(QByteArray, checksum);
        QFETCH(QByteArrayList, commands);

        m_server->On("FEAT", feat);
        Play(script);
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        for (int round = 0; round < 2; ++round)
        {
            const FtpValue<QByteArray> result = client.RemoteChecksum(ChecksumKind(kind), "f");
            QVERIFY2(result.result.Ok(), qPrintable(result.result.message));
            QCOMPARE(result.value, checksum);
        }
        // Refused commands are not tried again, and OPTS HASH is sent once.
        QCOMPARE(AfterLogin(m_server->Commands()), commands);
    }

    void setsTimesWithMdtmWhenMfmtIsMissing()
    {
        m_server->On("MDTM", "213 File modification time set\r\n");
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        QVERIFY(
            client.SetModifiedTime("a b.txt", QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC)).Ok());
        QCOMPARE(AfterLogin(m_server->Commands()), QByteArrayList{"MDTM 20240102030405 a b.txt"});
    }
};

QTEST_GUILESS_MAIN(TestFtpClientFake)
#include "tst_FtpClientFake.moc"
