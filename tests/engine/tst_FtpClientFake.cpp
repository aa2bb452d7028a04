#include "FakeFtpServer.h"

#include "common/Event.h"
#include "common/PumpWait.h"
#include "engine/VisibleText.h"
#include "engine/ftp/AsciiConverter.h"
#include "engine/ftp/ControlChannel.h"
#include "engine/ftp/FtpClient.h"
#include "engine/ftp/FtpFeatures.h"
#include "engine/ftp/PassiveReply.h"
#include "engine/ftp/ReplyParser.h"
#include "engine/net/CancelToken.h"
#include "engine/net/ProxyConnector.h"
#include "engine/net/TcpTransport.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace TestFiles;
using Script = QList<QPair<QByteArray, QByteArray>>; // verb (empty: the greeting), reply
using SetOptions = std::function<void(FtpConnectOptions&)>;

Q_DECLARE_METATYPE(FtpStatus)
Q_DECLARE_METATYPE(FakeResponse)
Q_DECLARE_METATYPE(ProxyType)
Q_DECLARE_METATYPE(SetOptions)

namespace
{
// Short enough that a wrong wait shows quickly, long enough for a loaded machine.
constexpr int kTimeoutMs = 3000;
const QByteArray kGreeting = "220 through the tunnel\r\n";

FakeResponse Data(FakeResponse::Data data, const QByteArray& payload, const QByteArray& after,
                  const QByteArray& reply = "150 Opening data connection\r\n")
{
    return {reply, data, payload, after};
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

// Dials an FTP-style proxy (the fake server) in place of ftp.example.net.
SetOptions ViaFtpProxy(ProxyType type, quint16 serverPort, const QByteArray& proxyUser = {})
{
    return [=](FtpConnectOptions& o)
    {
        o.proxy = {type, "127.0.0.1", o.port, proxyUser, "gatepw"};
        o.host = "ftp.example.net"; // never resolved here: only the proxy is dialled
        o.port = serverPort;
    };
}

// One exchange of a scripted proxy: read exactly as many bytes as expected holds, then send reply.
struct ProxyStep
{
    QByteArray expected;
    QByteArray reply;
};

bool WaitReadable(int fd)
{
    pollfd wait{fd, POLLIN, 0};
    return poll(&wait, 1, 5000) == 1;
}

// A scripted proxy on 127.0.0.1 that takes one connection, records what it reads for each step and
// answers; afterwards it sends a greeting through the "tunnel" and waits (bounded) for the client to go.
class CScriptedProxy
{
public:
    CScriptedProxy(const QList<ProxyStep>& steps, const QByteArray& greeting)
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 1);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, steps, greeting] { Serve(steps, greeting); });
    }
    ~CScriptedProxy()
    {
        Received();
        close(m_listener);
    }
    quint16 Port() const { return m_port; }
    // What arrived for each step, once the client is done.
    QList<QByteArray> Received()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_received;
    }

private:
    void Serve(const QList<ProxyStep>& steps, const QByteArray& greeting)
    {
        const int fd = WaitReadable(m_listener) ? accept(m_listener, nullptr, nullptr) : -1;
        char buffer[512];
        for (const ProxyStep& step : steps)
        {
            QByteArray got;
            for (ssize_t n = 1; n > 0 && got.size() < step.expected.size() && WaitReadable(fd);
                 got.append(buffer, n))
                n = qMax<ssize_t>(
                    0, recv(fd, buffer,
                            size_t(qMin<qsizetype>(sizeof buffer, step.expected.size() - got.size())), 0));
            m_received.append(got);
            send(fd, step.reply.constData(), size_t(step.reply.size()), MSG_NOSIGNAL);
        }
        send(fd, greeting.constData(), size_t(greeting.size()), MSG_NOSIGNAL);
        while (WaitReadable(fd) && recv(fd, buffer, sizeof buffer, 0) > 0)
        {
        }
        if (fd >= 0)
            close(fd);
    }

    int m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    quint16 m_port = 0;
    QList<QByteArray> m_received;
    std::thread m_thread;
};

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

// Connects through the proxy and reads the greeting the tunnel carries; the error text on failure.
QString Tunnel(const ProxySettings& proxy, const QByteArray& host, quint16 port, QByteArray* greeting)
{
    CCancelToken cancel;
    IoResult io;
    std::unique_ptr<CTcpTransport> tcp = CProxyConnector(proxy, cancel).Connect(host, port, 1000, &io);
    if (!tcp)
        return io.error.isEmpty() ? QStringLiteral("status %1").arg(int(io.status)) : io.error;
    char buffer[64];
    const IoResult got = tcp->Read(buffer, sizeof buffer, 1000);
    if (got.Ok())
        *greeting = QByteArray(buffer, int(got.bytes));
    return {};
}
// A control channel on one end of a socket pair; a writer thread plays the server on the other end.
class CChannelUnderTest
{
public:
    CChannelUnderTest()
    {
        int fds[2] = {-1, -1};
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
        auto transport = std::make_unique<CTcpTransport>(cancel);
        transport->Adopt(fds[0]);
        channel.Attach(std::move(transport));
        m_peer = fds[1];
    }
    ~CChannelUnderTest()
    {
        channel.Close();
        if (m_writer.joinable())
            m_writer.join();
        close(m_peer);
    }

    // Writes the bytes in pieces of pieceSize (all at once when 0), then closes when asked.
    void Serve(const QByteArray& raw, int pieceSize = 0, bool closeAfter = false)
    {
        m_writer = std::thread(
            [this, raw, pieceSize, closeAfter]
            {
                const qsizetype step = pieceSize > 0 ? pieceSize : qMax<qsizetype>(1, raw.size());
                for (qsizetype at = 0; at < raw.size(); at += step)
                {
                    if (send(m_peer, raw.constData() + at, size_t(qMin(step, raw.size() - at)),
                             MSG_NOSIGNAL) < 0)
                        return;
                    if (pieceSize > 0)
                        usleep(200);
                }
                if (closeAfter)
                    shutdown(m_peer, SHUT_WR);
            });
    }
    QByteArray Sent()
    {
        char block[256];
        const ssize_t got = recv(m_peer, block, sizeof block, MSG_DONTWAIT);
        return got > 0 ? QByteArray(block, got) : QByteArray();
    }

    CCancelToken cancel;
    CControlChannel channel;

private:
    int m_peer = -1;
    std::thread m_writer;
};
// What a parser makes of the input, as text, so that one table holds every parser.
QByteArray Parse(const QByteArray& parser, const QByteArray& input)
{
    const FtpReply reply{input.left(3).toInt(), {input}};
    if (parser == "PASV")
    {
        const std::optional<CSocketAddress> address = CPassiveReply::ParsePasv(input);
        return address ? address->HostAndPort() : "refused";
    }
    if (parser == "EPSV")
    {
        const std::optional<quint16> port = CPassiveReply::ParseEpsv(input);
        return port ? QByteArray::number(*port) : "refused";
    }
    if (parser == "choose") // "offered peer": the address a passive data connection goes to
    {
        const QByteArrayList hosts = input.split(' ');
        return CPassiveReply::Choose(CSocketAddress::FromNumeric(hosts[0], 5000),
                                     CSocketAddress::FromNumeric(hosts[1], 21))
            .HostAndPort();
    }
    if (parser == "public")
    {
        const CSocketAddress address = CSocketAddress::FromNumeric(input, 21);
        return !address.IsValid() ? "invalid" : address.IsPublic() ? "public" : "not public";
    }
    if (parser == "path")
        return CReplyParser::QuotedPath(reply);
    if (parser == "size")
        return QByteArray::number(CReplyParser::TransferSize(reply));
    if (parser == "time")
    {
        const QDateTime time = CReplyParser::Timestamp(input);
        return time.isValid()
                   ? time.toString(Qt::ISODateWithMs).toUtf8() + " " + CReplyParser::TimestampText(time)
                   : "refused";
    }
    if (parser == "HASH")
        return CReplyParser::HashChecksum(reply);
    if (parser == "FEAT") // which of MDTM, UTF8, mlst, MFMT and 211 it has; MLST and REST; the hashes
    {
        const CFtpFeatures features = CFtpFeatures::Parse({input.left(3).toInt(), input.split('\n')});
        QByteArray has;
        for (const QByteArray feature : {"MDTM", "UTF8", "mlst", "MFMT", "211"})
            has += features.Has(feature) ? "1" : "0";
        return has + " " + features.Parameters("MLST") + " " + features.Parameters("REST") + " " +
               features.HashAlgorithms().join(',') + " " + features.SelectedHash();
    }
    if (parser == "visible")
        return VisibleText(QString::fromUtf8(input)).toUtf8() + " | " +
               VisibleText(QString::fromUtf8(input), LineBreaks::Kept).toUtf8();
    const QByteArrayList kinds = {"XCRC", "XMD5", "XSHA1"};
    return CReplyParser::CommandChecksum(reply, ChecksumKind(kinds.indexOf(parser)));
}
} // namespace

class TestFtpClientFake : public QObject
{
    Q_OBJECT

    std::unique_ptr<CFakeFtpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;

    // The fake server's address and log-in, then the options the test sets.
    FtpResult Connect(CFtpClient& client, const SetOptions& set = {})
    {
        QString error;
        if (!m_server->IsStarted() && !m_server->Start(&error))
            return FtpResult::Failure(FtpStatus::Network, error);
        FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = m_server->Port();
        options.user = "tester";
        options.password = "secret";
        options.timeoutMs = kTimeoutMs;
        if (set)
            set(options);
        return client.Connect(options);
    }
    void Play(const Script& script)
    {
        for (const auto& [verb, reply] : script)
        {
            if (verb.isEmpty())
                m_server->SetGreeting(reply);
            else
                m_server->On(verb, reply);
        }
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<CFakeFtpServer>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // The log-in, through FTP-style proxies too, and odd but valid replies; a broken reply ends the session.
    // Whatever happens, no log line but the server's own replies shows a password.
    void connects_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<SetOptions>("set");
        QTest::addColumn<FtpStatus>("status");
        QTest::addColumn<QString>(
            "outcome"); // the current folder, else the message ("%1": the server's port)
        QTest::addColumn<QString>("commands"); // all the server received, joined by "; "

        const SetOptions none;
        const QString in = "USER tester; PASS secret; FEAT; PWD; NOOP";
        const QString failed = QStringLiteral("無法取得目前目錄：");
        QTest::newRow("user and password") << Script{} << none << FtpStatus::Ok << "/" << in;
        QTest::newRow("no password needed") << Script{{"USER", "230 In\r\n"}} << none << FtpStatus::Ok << "/"
                                            << "USER tester; FEAT; PWD; NOOP";
        QTest::newRow("anonymous without an address")
            << Script{} << SetOptions([](FtpConnectOptions& o) { o.user = "Anonymous", o.password.clear(); })
            << FtpStatus::Ok << "/"
            << "USER Anonymous; PASS anonymous@; FEAT; PWD; NOOP";
        QTest::newRow("account asked for")
            << Script{{"PASS", "332 Account\r\n"}, {"ACCT", "230 Account accepted\r\n"}} << none
            << FtpStatus::Ok << "/"
            << "USER tester; PASS secret; ACCT billing; FEAT; PWD; NOOP";
        QTest::newRow("UTF8 offered") << Script{{"FEAT", "211-Features:\r\n UTF8\r\n EPSV\r\n211 End\r\n"}}
                                      << none << FtpStatus::Ok << "/"
                                      << "USER tester; PASS secret; FEAT; OPTS UTF8 ON; PWD; NOOP";
        QTest::newRow("user refused")
            << Script{{"USER", "530-Not you.\r\n530 Go away.\r\n"}} << none << FtpStatus::LogInRefused
            << QStringLiteral("登入失敗：530-Not you.\n530 Go away.") << "USER tester";
        QTest::newRow("120 before 220")
            << Script{{"", "120 Ready in a moment\r\n220 Ready\r\n"}} << none << FtpStatus::Ok << "/" << in;
        QTest::newRow("multi-line PWD")
            << Script{{"PWD", "257-Here:\r\n257 \"/a \"\"q\"\" b\" is current\r\n"}} << none << FtpStatus::Ok
            << "/a \"q\" b" << in;
        QTest::newRow("greeting never comes") << Script{{"", ""}} << none << FtpStatus::TimedOut
                                              << QStringLiteral("無法連線到 127.0.0.1:%1：連線逾時") << "";
        QTest::newRow("service not available")
            << Script{{"", "421 Too many users\r\n"}} << none << FtpStatus::Refused
            << QStringLiteral("伺服器拒絕連線：421 Too many users") << "";
        QTest::newRow("command never answered")
            << Script{{"PWD", ""}} << none << FtpStatus::TimedOut << failed + QStringLiteral("連線逾時")
            << "USER tester; PASS secret; FEAT; PWD";
        QTest::newRow("NUL in the greeting")
            << Script{{"", QByteArray("220 Re\0ady\r\n", 12)}} << none << FtpStatus::Protocol
            << QStringLiteral("無法連線到 127.0.0.1:%1：伺服器回應含有 NUL 字元") << "";
        QTest::newRow("bytes injected after AUTH TLS")
            << Script{{"AUTH", "234 Go ahead\r\n230 Injected before the handshake\r\n"}}
            << SetOptions([](FtpConnectOptions& o) { o.security = FtpSecurity::ExplicitTls; })
            << FtpStatus::Protocol << QStringLiteral("AUTH TLS 回應之後多出未加密的資料，連線已中止")
            << "AUTH TLS";
        for (const bool ipv6 : {false, true})
            QTest::addRow("refused, %s", ipv6 ? "IPv6" : "IPv4")
                << Script{}
                << SetOptions(
                       [=](FtpConnectOptions& o)
                       {
                           o.host = ipv6 ? "::1" : "127.0.0.1";
                           o.port = 1;
                       })
                << FtpStatus::Network
                << QStringLiteral("無法連線到 %1:1：Connection refused").arg(ipv6 ? "[::1]" : "127.0.0.1")
                << "";

        const Script proxy = {{"SITE", "220 Connected to ftp.example.net\r\n"},
                              {"OPEN", "220 Connected to ftp.example.net\r\n"}};
        QTest::newRow("SITE proxy with its own log-in")
            << proxy << ViaFtpProxy(ProxyType::FtpSite, 0, "gate") << FtpStatus::Ok << "/"
            << "USER gate; PASS gatepw; SITE ftp.example.net; " + in;
        QTest::newRow("SITE proxy, other port")
            << proxy << ViaFtpProxy(ProxyType::FtpSite, 2121) << FtpStatus::Ok << "/"
            << "SITE ftp.example.net:2121; " + in;
        QTest::newRow("OPEN proxy") << proxy << ViaFtpProxy(ProxyType::FtpOpen, 21, "gate") << FtpStatus::Ok
                                    << "/"
                                    << "OPEN ftp.example.net; " + in;
        QTest::newRow("USER proxy") << proxy << ViaFtpProxy(ProxyType::FtpUser, 0) << FtpStatus::Ok << "/"
                                    << "USER tester@ftp.example.net; PASS secret; FEAT; PWD; NOOP";
        QTest::newRow("USER proxy, other port")
            << proxy << ViaFtpProxy(ProxyType::FtpUser, 990) << FtpStatus::Ok << "/"
            << "USER tester@ftp.example.net:990; PASS secret; FEAT; PWD; NOOP";
        // A relay is dialled in the server's place and hears the plain log-in.
        QTest::newRow("relay") << proxy << ViaFtpProxy(ProxyType::Relay, 0) << FtpStatus::Ok << "/" << in;
        QTest::newRow("SITE refused by the proxy")
            << Script{{"SITE", "500 not here\r\n"}} << ViaFtpProxy(ProxyType::FtpSite, 0)
            << FtpStatus::Refused << QStringLiteral("FTP proxy 無法連到伺服器：500 not here")
            << "SITE ftp.example.net";
    }
    void connects()
    {
        QFETCH(Script, script);
        QFETCH(SetOptions, set);
        QFETCH(FtpStatus, status);
        QFETCH(QString, outcome);
        QFETCH(QString, commands);

        Play(script);
        CFtpClient client;
        QByteArrayList logged;
        client.SetLogHook(
            [&](FtpLogKind kind, const QByteArray& line)
            {
                // What an owner does: commands starting with PASS are masked before anyone sees them.
                if (kind != FtpLogKind::Reply)
                    logged.append(kind == FtpLogKind::Command && line.startsWith("PASS ") ? "PASS ***"
                                                                                          : line);
            });
        FtpValue<QByteArray> pwd{Connect(client,
                                         [&](FtpConnectOptions& o)
                                         {
                                             o.account = "billing";
                                             if (set)
                                                 set(o);
                                         }),
                                 {}};
        if (pwd.result.Ok())
            pwd = client.CurrentFolder();
        QCOMPARE(pwd.result.status, status);
        QCOMPARE(pwd.result.Ok() ? QString::fromUtf8(pwd.value) : pwd.result.message,
                 outcome.contains("%1") ? outcome.arg(m_server->Port()) : outcome);
        QCOMPARE(client.Noop().status, pwd.result.Ok() ? FtpStatus::Ok : FtpStatus::NotConnected);
        QCOMPARE(client.IsConnected(), pwd.result.Ok());
        QCOMPARE(QString::fromUtf8(m_server->Commands().join("; ")), commands);
        QCOMPARE(Matching(logged, "secret|gatepw"), QByteArrayList{});
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
        QTest::newRow("EPRT refused, PORT remembered")
            << false << false << Script{{"EPRT", "500 EPRT not understood\r\n"}} << "a.txt=5"
            << "EPRT |1|127.0.0.1|P|; PORT 127,0,0,1,P; LIST; PORT 127,0,0,1,P; LIST; NOOP"
            << QStringList{QStringLiteral("伺服器不支援 EPRT，改用 PORT")};
        QTest::newRow("server gives up on an active connection")
            << false << false << Script{{"LIST", "425 Can't open data connection\r\n"}}
            << failed + "425 Can't open data connection"
            << "EPRT |1|127.0.0.1|P|; LIST; EPRT |1|127.0.0.1|P|; LIST; NOOP" << QStringList{};
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
        // Back in binary mode the file comes as it is.
        client.SetTransferType(FtpTransferType::Binary);
        QVERIFY(client.Download("text.txt", local, false).Ok());
        QCOMPARE(ReadFile(local), QByteArray("one\r\ntwo\r\nlone\rcr\r\n"));
        QCOMPARE(Matching(AfterLogin(m_server->Commands()), "^TYPE"), (QByteArrayList{"TYPE A", "TYPE I"}));
    }

    // A refused REST leaves the local file with every byte it had.
    void keepsTheLocalFileWhenRestIsRefused()
    {
        m_server->On("REST", "501 REST not allowed\r\n");
        CFtpClient client;
        QVERIFY(Connect(client).Ok());
        const QString local = m_dir->filePath("resume.txt");
        QVERIFY(WriteFile(local, "hello"));
        const FtpResult refused = client.Download("resume.txt", local, true);
        QCOMPARE(refused.status, FtpStatus::Refused);
        QCOMPARE(refused.message, QStringLiteral("下載失敗：501 REST not allowed"));
        QCOMPARE(ReadFile(local), QByteArray("hello"));
        QCOMPARE(Matching(m_server->Commands(), "^(REST|RETR)"), QByteArrayList{"REST 5"});
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
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("checksum");
        QTest::addColumn<QByteArrayList>("commands"); // after two requests

        const QByteArray sha1 = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
        const QPair<QByteArray, QByteArray> hash = {
            "FEAT", "211-Features:\r\n HASH CRC32;MD5;SHA-1*;SHA-256\r\n211 End\r\n"};
        QTest::newRow("HASH, algorithm already selected")
            << Script{hash, {"HASH", "213 SHA-1 0-4 " + sha1.toUpper() + " f\r\n"}} << 2 << sha1
            << QByteArrayList{"HASH f", "HASH f"};
        QTest::newRow("HASH after OPTS, with keep-alive lines")
            << Script{hash,
                      {"OPTS", "200 MD5\r\n"},
                      {"HASH", "213-Computing...\r\n Computing...\r\n213 MD5 0-4 "
                               "0123456789ABCDEF0123456789ABCDEF f\r\n"}}
            << 1 << QByteArray("0123456789abcdef0123456789abcdef")
            << QByteArrayList{"OPTS HASH MD5", "HASH f", "HASH f"};
        QTest::newRow("X command not in FEAT still tried")
            << Script{{"XCRC", "250 1A2B3C4D\r\n"}} << 0 << QByteArray("1a2b3c4d")
            << QByteArrayList{"XCRC f", "XCRC f"};
        QTest::newRow("XSHA1 refused, XSHA works")
            << Script{{"XSHA1", "500 Unknown command\r\n"}, {"XSHA", "250 " + sha1.toUpper() + "\r\n"}} << 2
            << sha1 << QByteArrayList{"XSHA1 f", "XSHA f", "XSHA f"};
        QTest::newRow("nothing offered")
            << Script{{"XMD5", "502 Not implemented\r\n"}} << 1 << QByteArray() << QByteArrayList{"XMD5 f"};
    }
    void asksForRemoteChecksums()
    {
        QFETCH(Script, script);
        QFETCH(int, kind);
        QFETCH(QByteArray, checksum);
        QFETCH(QByteArrayList, commands);

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
    void tunnels_data()
    {
        QTest::addColumn<ProxyType>("type");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QList<ProxyStep>>("steps");
        QTest::addColumn<QString>("error"); // empty: the tunnel stands
        const auto row = [](const char* tag, ProxyType type, const char* user, const char* host,
                            const QList<ProxyStep>& steps, const char* error = "") {
            QTest::newRow(tag) << type << QByteArray(user) << QByteArray(host) << steps
                               << QString::fromUtf8(error);
        };

        // Every request is for port 8080; the password, where one goes out, is "pw".
        const QByteArray granted4 = Bytes({0, 90, 0, 0, 0, 0, 0, 0});
        row("socks4 numeric", ProxyType::Socks4, "alice", "10.1.2.3",
            {{Bytes({4, 1, 0x1f, 0x90, 10, 1, 2, 3}) + "alice" + Bytes({0}), granted4}});
        row("socks4 resolves here", ProxyType::Socks4, "", "localhost",
            {{Bytes({4, 1, 0x1f, 0x90, 127, 0, 0, 1, 0}), granted4}});
        row("socks4a name for the proxy", ProxyType::Socks4a, "bob", "ftp.example.net",
            {{Bytes({4, 1, 0x1f, 0x90, 0, 0, 0, 1}) + "bob" + Bytes({0}) + "ftp.example.net" + Bytes({0}),
              granted4}});
        row("socks4 rejected", ProxyType::Socks4, "", "10.0.0.1",
            {{Bytes({4, 1, 0x1f, 0x90, 10, 0, 0, 1, 0}), Bytes({0, 91, 0, 0, 0, 0, 0, 0})}},
            "SOCKS4 proxy 拒絕連線：要求被拒絕或失敗 (91)");

        const ProxyStep noAuth{Bytes({5, 1, 0}), Bytes({5, 0})};
        const ProxyStep offersLogIn{Bytes({5, 2, 0, 2}), Bytes({5, 2})};
        const ProxyStep logIn{Bytes({1, 5}) + "carol" + Bytes({2}) + "pw", Bytes({1, 0})};
        const QByteArray request5 = Bytes({5, 1, 0, 1, 10, 0, 0, 9, 0x1f, 0x90});
        const QByteArray bound5 = Bytes({5, 0, 0, 1, 1, 2, 3, 4, 0, 21});
        row("socks5 domain", ProxyType::Socks5, "", "ftp.example.net",
            {noAuth,
             {Bytes({5, 1, 0, 3, 15}) + "ftp.example.net" + Bytes({0x1f, 0x90}),
              Bytes({5, 0, 0, 3, 4}) + "host" + Bytes({0, 21})}});
        row("socks5 ipv4", ProxyType::Socks5, "", "10.0.0.9", {noAuth, {request5, bound5}});
        row("socks5 ipv6 with log-in", ProxyType::Socks5, "carol", "::1",
            {offersLogIn,
             logIn,
             {Bytes({5, 1, 0, 4}) + QByteArray(15, '\0') + Bytes({1, 0x1f, 0x90}),
              Bytes({5, 0, 0, 4}) + QByteArray(16, '\0') + Bytes({0, 21})}});
        row("socks5 log-in offered but not needed", ProxyType::Socks5, "carol", "10.0.0.9",
            {{offersLogIn.expected, noAuth.reply}, {request5, bound5}});
        row("socks5 connection refused", ProxyType::Socks5, "", "10.0.0.9",
            {noAuth, {request5, Bytes({5, 5, 0, 1})}}, "SOCKS5 proxy 拒絕連線：目標拒絕連線 (5)");
        // Takes the greeting and never answers.
        row("socks5 silent", ProxyType::Socks5, "", "10.0.0.9", {{noAuth.expected, {}}},
            qPrintable(QStringLiteral("status %1").arg(int(IoStatus::TimedOut))));

        const QByteArray connect = "CONNECT 10.0.0.1:8080 HTTP/1.1\r\nHost: 10.0.0.1:8080\r\n\r\n";
        row("http connect with basic log-in", ProxyType::HttpConnect, "dave", "ftp.example.net",
            {{"CONNECT ftp.example.net:8080 HTTP/1.1\r\nHost: ftp.example.net:8080\r\n"
              "Proxy-Authorization: Basic ZGF2ZTpwdw==\r\n\r\n",
              "HTTP/1.1 200 Connection established\r\nProxy-agent: fake\r\n\r\n"}});
        row("http connect ipv6", ProxyType::HttpConnect, "", "::1",
            {{"CONNECT [::1]:8080 HTTP/1.1\r\nHost: [::1]:8080\r\n\r\n", "HTTP/1.0 200 OK\r\n\r\n"}});
        row("http garbage", ProxyType::HttpConnect, "", "10.0.0.1", {{connect, "SSH-2.0-x\r\n\r\n"}},
            "回應無法解讀：SSH-2.0-x");
    }

    void tunnels()
    {
        QFETCH(ProxyType, type);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, host);
        QFETCH(QList<ProxyStep>, steps);
        QFETCH(QString, error);
        CScriptedProxy fake(steps, error.isEmpty() ? kGreeting : QByteArray());
        QByteArray greeting;
        const QString failure = Tunnel({type, "127.0.0.1", fake.Port(), user, "pw"}, host, 8080, &greeting);
        QVERIFY2(error.isEmpty() ? failure.isEmpty() : failure.contains(error), qPrintable(failure));
        // Nothing of the greeting was swallowed by the handshake.
        QCOMPARE(greeting, error.isEmpty() ? kGreeting : QByteArray());
        const QList<QByteArray> received = fake.Received();
        QCOMPARE(received.size(), steps.size());
        for (int i = 0; i < steps.size(); ++i)
            QCOMPARE(received.at(i).toHex(' '), steps.at(i).expected.toHex(' '));
        QCOMPARE(Tunnel({type, {}, 1080, {}, {}}, host, 21, &greeting), QStringLiteral("未設定 proxy 主機"));
    }

    void assemblesReplies_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArrayList>("lines");

        QTest::newRow("CR LF") << QByteArray("220 Ready\r\n") << 220 << QByteArrayList{"220 Ready"};
        QTest::newRow("code alone") << QByteArray("200\r\n") << 200 << QByteArrayList{"200"};
        QTest::newRow("multi-line, mixed line ends")
            << QByteArray("220-a\n220-b\r\n220 c\n") << 220 << QByteArrayList{"220-a", "220-b", "220 c"};
        QTest::newRow("inner lines with other codes")
            << QByteArray("211-Features:\r\n MDTM\r\n214 not the end\r\n211-still not\r\n211 End\r\n") << 211
            << QByteArrayList{"211-Features:", " MDTM", "214 not the end", "211-still not", "211 End"};
        QTest::newRow("empty line before the reply")
            << QByteArray("\r\n220 ok\r\n") << 220 << QByteArrayList{"220 ok"};
    }
    // Whole, or arriving a byte or seven bytes at a time.
    void assemblesReplies()
    {
        QFETCH(QByteArray, raw);
        QFETCH(int, code);
        QFETCH(QByteArrayList, lines);

        for (const int piece : {0, 1, 7})
        {
            CChannelUnderTest test;
            test.Serve(raw, piece);
            const ReplyResult result = test.channel.ReadReply(kTimeoutMs);
            QVERIFY2(result.io.Ok(), qPrintable(result.io.error));
            QCOMPARE(result.reply.code, code);
            QCOMPARE(result.reply.lines, lines);
            QVERIFY(!test.channel.HasBufferedBytes());
        }
    }

    void refusesBrokenInput_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("closeAfter");
        QTest::addColumn<IoStatus>("status");

        QTest::newRow("NUL in a later line")
            << QByteArray("220-a\r\n\0\r\n220 b\r\n", 16) << false << IoStatus::Protocol;
        QTest::newRow("NUL in an unfinished line") << QByteArray("220 a\0", 6) << false << IoStatus::Protocol;
        QByteArray endless = "220-start\r\n";
        while (endless.size() <= CControlChannel::kMaxReplyBytes + 4096)
            endless += "220-more of the same and nothing else\r\n";
        QTest::newRow("endless multi-line reply") << endless << false << IoStatus::Protocol;
        QTest::newRow("endless line")
            << QByteArray(CControlChannel::kMaxReplyBytes + 10, 'x') << false << IoStatus::Protocol;
        QTest::newRow("text where a reply starts")
            << QByteArray("hello\r\n220 ok\r\n") << false << IoStatus::Protocol;
        QTest::newRow("letter inside the code") << QByteArray("2x0 Ready\r\n") << false << IoStatus::Protocol;
        QTest::newRow("closed mid-reply") << QByteArray("220-partial\r\n") << true << IoStatus::Closed;
        QTest::newRow("closed mid-line") << QByteArray("220 parti") << true << IoStatus::Closed;
        QTest::newRow("closed before a byte") << QByteArray() << true << IoStatus::Closed;
    }
    void refusesBrokenInput()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, closeAfter);
        QFETCH(IoStatus, status);

        CChannelUnderTest test;
        test.Serve(raw, 0, closeAfter);
        const ReplyResult result = test.channel.ReadReply(kTimeoutMs);
        QCOMPARE(result.io.status, status);
        QVERIFY(!test.channel.IsOpen());
        QVERIFY(status != IoStatus::Protocol || !result.io.error.isEmpty());
    }

    void refusesCommandsCarryingLineEnds_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("LF") << QByteArray("CWD a\nRMD b");
        QTest::newRow("CR") << QByteArray("CWD a\rb");
        QTest::newRow("NUL") << QByteArray("CWD a\0b", 7);
        // A rewrite by the owner may not smuggle in a second command either.
        QTest::newRow("rewritten") << QByteArray("SYST");
    }
    void refusesCommandsCarryingLineEnds()
    {
        QFETCH(QByteArray, command);
        CChannelUnderTest test;
        QByteArrayList logged;
        test.channel.SetLogHook([&](FtpLogKind, const QByteArray& line) { logged.append(line); });
        test.channel.SetCommandHook(
            [](QByteArray& command)
            {
                if (command == "NOOP" || command == "SYST")
                    command = command == "NOOP" ? "STAT" : "SYST\r\nDELE x";
            });
        QCOMPARE(test.channel.Send(command, kTimeoutMs).status, IoStatus::Protocol);
        QVERIFY(test.channel.IsOpen());
        QVERIFY(test.Sent().isEmpty());
        QVERIFY(test.channel.Send("NOOP", kTimeoutMs).Ok());
        QCOMPARE(test.Sent(), QByteArray("STAT\r\n"));
        QCOMPARE(logged, QByteArrayList{"STAT"});
    }

    // A reply that came with the next one in the same read keeps that one for the next read (a STARTTLS
    // injection check looks at this).
    void logsCommandsAndEveryReplyLine()
    {
        CChannelUnderTest test;
        QList<QPair<FtpLogKind, QByteArray>> log;
        test.channel.SetLogHook([&](FtpLogKind kind, const QByteArray& line) { log.append({kind, line}); });
        test.Serve("331-Password\n331 please\r\n220 next\r\n");
        QCOMPARE(test.channel.Command("USER someone", kTimeoutMs).reply.code, 331);
        QCOMPARE(log, (QList<QPair<FtpLogKind, QByteArray>>{{FtpLogKind::Command, "USER someone"},
                                                            {FtpLogKind::Reply, "331-Password"},
                                                            {FtpLogKind::Reply, "331 please"}}));
        QVERIFY(test.channel.HasBufferedBytes());
        QCOMPARE(test.channel.ReadReply(kTimeoutMs).reply.code, 220);
        QVERIFY(!test.channel.HasBufferedBytes());
    }

    // A wait ends at its deadline, at once on an event already set (an auto-reset one is used up by the wait
    // that saw it), or when another thread sets the event; meanwhile the thread's timers run.
    void pumpWaitEndsOnItsEvent()
    {
        CEvent never;
        int timerRuns = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++timerRuns; });
        timer.start(5);
        QCOMPARE(PumpWait(never, 200), 0);
        QVERIFY(timerRuns > 0);
        QCOMPARE(PumpWait(never, 0), 0);
        QCOMPARE(PumpWait(never, -5), 0);
        for (const CEvent::Mode mode : {CEvent::Mode::ManualReset, CEvent::Mode::AutoReset})
        {
            CEvent set(mode, true);
            QCOMPARE(PumpWait(set, 0), 1);
            QCOMPARE(PumpWait(set, 20), mode == CEvent::Mode::AutoReset ? 0 : 1);
            set.Reset();
            QCOMPARE(PumpWait(set, 20), 0);
            std::thread setter(
                [&]
                {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    set.Set();
                });
            // The deadline is far off: only the set can end this wait with 1.
            const int result = PumpWait(set, 120000);
            setter.join();
            QCOMPARE(result, 1);
        }
    }
    // Queued calls, from this thread and others, run in order while waiting; a wait nested in one of them
    // ends on its own event and leaves the outer one set.
    void pumpWaitDispatchesQueuedCalls()
    {
        CEvent outer;
        CEvent inner;
        QStringList order;
        int innerResult = -1;
        QMetaObject::invokeMethod(
            this, [&] { order.append(QStringLiteral("queued")); }, Qt::QueuedConnection);
        std::thread poster(
            [&]
            {
                QMetaObject::invokeMethod(
                    this,
                    [&]
                    {
                        order.append(QStringLiteral("from thread"));
                        outer.Set();
                        QTimer::singleShot(20, this, [&] { inner.Set(); });
                        innerResult = PumpWait(inner, 120000);
                        order.append(outer.IsSet() ? "outer still set" : "outer lost");
                    },
                    Qt::QueuedConnection);
            });
        const int result = PumpWait(outer, 120000);
        poster.join();
        QCOMPARE(result, 1);
        QCOMPARE(innerResult, 1);
        QCOMPARE(order, (QStringList{"queued", "from thread", "outer still set"}));
    }
    void parsesReplies_data()
    {
        QTest::addColumn<QByteArray>("parser");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray sha1 = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
        const QByteArray md5 = "0123456789abcdef0123456789abcdef";
        const struct
        {
            const char* parser;
            const char* tag;
            QByteArray input;
            QByteArray expected;
        } rows[] = {
            {"PASV", "usual", "227 Entering Passive Mode (127,0,0,1,4,1)", "127.0.0.1:1025"},
            {"PASV", "no parentheses", "227 Entering Passive Mode 10,1,2,3,255,255", "10.1.2.3:65535"},
            {"PASV", "spaces after commas", "227 (127, 0, 0, 1, 4, 1)", "127.0.0.1:1025"},
            {"PASV", "five numbers", "227 Entering Passive Mode (127,0,0,1,4)", "refused"},
            {"PASV", "number above 255", "227 (300,0,0,1,4,1)", "refused"},
            {"PASV", "port zero", "227 (127,0,0,1,0,0)", "refused"},
            {"EPSV", "usual", "229 Entering Extended Passive Mode (|||6446|)", "6446"},
            {"EPSV", "other delimiter", "229 Entering Extended Passive Mode (!!!6446!)", "6446"},
            {"EPSV", "highest port", "229 (|||65535|)", "65535"},
            {"EPSV", "port zero", "229 (|||0|)", "refused"},
            {"EPSV", "port too large", "229 (|||65536|)", "refused"},
            {"EPSV", "sign", "229 (|||+80|)", "refused"},
            {"EPSV", "two delimiters", "229 (||6446|)", "refused"},
            {"EPSV", "no parentheses", "229 Entering Extended Passive Mode", "refused"},
            {"EPSV", "unclosed", "229 (|||6446|", "refused"},
            {"choose", "server behind NAT", "10.0.0.5 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "private, same as peer", "10.0.0.5 10.0.0.5", "10.0.0.5:5000"},
            {"choose", "unspecified", "0.0.0.0 127.0.0.1", "127.0.0.1:5000"},
            {"choose", "shared address space", "100.64.0.1 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "link-local", "169.254.1.1 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "last of 172.16/12", "172.31.255.255 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "just past 172.16/12", "172.32.0.1 8.8.8.8", "172.32.0.1:5000"},
            {"choose", "IPv4 peer on an IPv6 socket", "127.0.0.1 ::ffff:127.0.0.1", "127.0.0.1:5000"},
            {"choose", "IPv6 peer", "10.1.1.1 2001:4860::8888", "[2001:4860::8888]:5000"},
            {"public", "multicast v4", "224.0.0.1", "not public"},
            {"public", "global v6", "2a00:1450::1", "public"},
            {"public", "documentation v6", "2001:db8::1", "not public"},
            {"public", "link-local v6", "fe80::1", "not public"},
            {"public", "mapped public", "::ffff:8.8.8.8", "public"},
            {"public", "mapped private", "::ffff:10.0.0.1", "not public"},
            {"path", "usual", "257 \"/home/u\" is the current directory", "/home/u"},
            {"path", "doubled quotes", "257 \"/a \"\"b\"\" c\" created", "/a \"b\" c"},
            {"path", "unquoted", "257 /plain is current", "/plain"},
            {"path", "unterminated", "257 \"/open", "/open"},
            {"size", "vsftpd", "150 Opening BINARY mode data connection for a b (1234 bytes).", "1234"},
            {"size", "beyond 4 GiB", "150 Opening (5000000000 bytes)", "5000000000"},
            {"size", "none", "150 File status okay. About to open data connection.", "-1"},
            {"size", "name looks like a size", "150 Opening for (12 bytes).txt", "12"},
            {"time", "seconds", "20240102030405", "2024-01-02T03:04:05.000Z 20240102030405"},
            {"time", "milliseconds", "20240102030405.123", "2024-01-02T03:04:05.123Z 20240102030405"},
            {"time", "too short", "2024010203040", "refused"},
            {"time", "month 13", "20241302030405", "refused"},
            {"time", "trailing junk", "20240102030405 x", "refused"},
            {"HASH", "usual", "213 SHA-1 0-8192 " + sha1.toUpper() + " name with spaces", sha1},
            {"HASH", "without a value", "213 SHA-1 0-8192", ""},
            {"HASH", "with junk", "213 SHA-1 0-8192 not-hex name", ""},
            {"XSHA1", "usual", "250 " + sha1.toUpper(), sha1},
            {"XCRC", "short", "250 1A2B", "00001a2b"},
            {"XCRC", "with 0x", "250 0x0000ABCD", "0000abcd"},
            {"XMD5", "after the name", "251 file.txt 0123456789ABCDEF0123456789ABCDEF", md5},
            {"XMD5", "of the wrong length", "250 0123456789ABCDEF", ""},
            {"FEAT", "usual",
             "211-Features:\n MDTM\n MLST type*;size*;modify*;\n utf8\n REST STREAM\n HASH "
             "CRC32;MD5;SHA-1*;SHA-256\n211 End",
             "11100 type*;size*;modify*; STREAM CRC32,MD5,SHA-1,SHA-256 SHA-1"},
            {"FEAT", "refused", "500 FEAT not understood", "00000    "},
            // Printable text of any script stays; every control character, and LF unless kept, becomes an
            // escape.
            {"visible", "controls", "資料夾 é\x1b]0;t\x07\t\r\n\x7f\u009b\u2028\u2029",
             "資料夾 é\\x1b]0;t\\x07\\x09\\x0d\\x0a\\x7f\\x9b\\u2028\\u2029 | "
             "資料夾 é\\x1b]0;t\\x07\\x09\\x0d\n\\x7f\\x9b\\u2028\\u2029"},
        };
        for (const auto& row : rows)
            QTest::addRow("%s: %s", row.parser, row.tag)
                << QByteArray(row.parser) << row.input << row.expected;
    }
    void parsesReplies()
    {
        QFETCH(QByteArray, parser);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(Parse(parser, input), expected);
    }

    void convertsLineEndsAcrossBlocks_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("local"); // wire to disk
        QTest::addColumn<QByteArray>("wire");  // disk to wire

        QTest::newRow("lines") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n")
                               << QByteArray("a\r\nb\r\n");
        QTest::newRow("bare LF") << QByteArray("a\nb\n\n") << QByteArray("a\nb\n\n")
                                 << QByteArray("a\r\nb\r\n\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("a\rb") << QByteArray("a\rb");
        QTest::newRow("CR at the end") << QByteArray("x\r") << QByteArray("x\r") << QByteArray("x\r");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\n") << QByteArray("a\r\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("binary-looking")
            << QByteArray("\0\r\n\xff", 4) << QByteArray("\0\n\xff", 3) << QByteArray("\0\r\n\xff", 4);
    }
    void convertsLineEndsAcrossBlocks()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, wire);

        // Every split into two blocks must give the same result as one block.
        for (qsizetype split = 0; split <= input.size(); ++split)
        {
            CAsciiConverter toLocal;
            CAsciiConverter toWire;
            std::vector<char> out(2 * size_t(input.size()) + 2);
            QByteArray gotLocal;
            QByteArray gotWire;
            for (const QByteArray& block : {input.left(split), input.mid(split)})
            {
                gotLocal.append(out.data(), toLocal.ToLocal(block.constData(), block.size(), out.data()));
                gotWire.append(out.data(), toWire.ToWire(block.constData(), block.size(), out.data()));
            }
            gotLocal.append(out.data(), toLocal.FinishToLocal(out.data()));
            QCOMPARE(gotLocal, local);
            QCOMPARE(gotWire, wire);
        }
    }
};

QTEST_GUILESS_MAIN(TestFtpClientFake)
#include "tst_FtpClientFake.moc"
