#include "FakeFtpServer.h"

#include "engine/net/CancelToken.h"
#include "engine/ftp/FtpClient.h"
#include "engine/net/ProxyConnector.h"
#include "engine/net/TcpTransport.h"

#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

Q_DECLARE_METATYPE(ProxyType)

namespace
{
constexpr int kWaitMs = 5000;

// One exchange of a scripted proxy: read exactly as many bytes as expected holds, then send reply.
struct ProxyStep
{
    QByteArray expected;
    QByteArray reply;
};

// A scripted proxy on 127.0.0.1 that takes one connection, records what it reads for each step and
// answers; afterwards it sends a greeting through the "tunnel" and waits (bounded) for the client to go.
class CScriptedProxy
{
public:
    CScriptedProxy(const QList<ProxyStep>& steps, const QByteArray& tunnelGreeting)
        : m_steps(steps), m_greeting(tunnelGreeting)
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 1);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CScriptedProxy()
    {
        if (m_thread.joinable())
            m_thread.join();
        close(m_listener);
    }
    quint16 Port() const { return m_port; }
    // What arrived for each step; read only after the client is done (the destructor joins).
    QList<QByteArray> Received()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_received;
    }

private:
    static bool WaitReadable(int fd)
    {
        pollfd wait{fd, POLLIN, 0};
        return poll(&wait, 1, kWaitMs) == 1;
    }
    void Serve()
    {
        if (!WaitReadable(m_listener))
            return;
        const int fd = accept(m_listener, nullptr, nullptr);
        for (const ProxyStep& step : m_steps)
        {
            QByteArray got;
            while (got.size() < step.expected.size() && WaitReadable(fd))
            {
                char buffer[512];
                const ssize_t n = recv(
                    fd, buffer, size_t(qMin<qsizetype>(sizeof buffer, step.expected.size() - got.size())), 0);
                if (n <= 0)
                    break;
                got.append(buffer, n);
            }
            m_received.append(got);
            send(fd, step.reply.constData(), size_t(step.reply.size()), MSG_NOSIGNAL);
        }
        send(fd, m_greeting.constData(), size_t(m_greeting.size()), MSG_NOSIGNAL);
        // Until the client closes, or the bound runs out.
        char drain[512];
        while (WaitReadable(fd) && recv(fd, drain, sizeof drain, 0) > 0)
        {
        }
        close(fd);
    }

    QList<ProxyStep> m_steps;
    QByteArray m_greeting;
    QList<QByteArray> m_received;
    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_thread;
};

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

ProxySettings Proxy(ProxyType type, quint16 port, const QByteArray& user = {},
                    const QByteArray& password = {})
{
    ProxySettings proxy;
    proxy.type = type;
    proxy.host = "127.0.0.1";
    proxy.port = port;
    proxy.user = user;
    proxy.password = password;
    return proxy;
}

// Connects through the proxy and reads the greeting the tunnel carries; the error text on failure.
QString Tunnel(const ProxySettings& proxy, const QByteArray& host, quint16 port, QByteArray* greeting,
               int timeoutMs = kWaitMs)
{
    CCancelToken cancel;
    IoResult io;
    std::unique_ptr<CTcpTransport> tcp = CProxyConnector(proxy, cancel).Connect(host, port, timeoutMs, &io);
    if (!tcp)
        return io.error.isEmpty() ? QStringLiteral("status %1").arg(int(io.status)) : io.error;
    char buffer[64];
    const IoResult got = tcp->Read(buffer, sizeof buffer, timeoutMs);
    if (got.Ok())
        *greeting = QByteArray(buffer, int(got.bytes));
    return {};
}
} // namespace

class TestProxyFake : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void speaksSocks_data();
    void speaksSocks();
    void reportsTheProxysReason_data();
    void reportsTheProxysReason();
    void timesOutOnASilentProxy();
    void needsAProxyHost();
    void logsInThroughFtpProxies_data();
    void logsInThroughFtpProxies();
    void relaysToTheProxyAddress();
};

void TestProxyFake::speaksSocks_data()
{
    QTest::addColumn<ProxyType>("type");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QList<ProxyStep>>("steps");

    const QByteArray granted4 = Bytes({0, 90, 0, 0, 0, 0, 0, 0});
    QTest::newRow("socks4 numeric")
        << ProxyType::Socks4 << QByteArray("alice") << QByteArray() << QByteArray("10.1.2.3")
        << QList<ProxyStep>{{Bytes({4, 1, 0x1f, 0x90, 10, 1, 2, 3}) + "alice" + Bytes({0}), granted4}};
    QTest::newRow("socks4 resolves here")
        << ProxyType::Socks4 << QByteArray() << QByteArray() << QByteArray("localhost")
        << QList<ProxyStep>{{Bytes({4, 1, 0x1f, 0x90, 127, 0, 0, 1, 0}), granted4}};
    QTest::newRow("socks4a name for the proxy")
        << ProxyType::Socks4a << QByteArray("bob") << QByteArray() << QByteArray("ftp.example.net")
        << QList<ProxyStep>{
               {Bytes({4, 1, 0x1f, 0x90, 0, 0, 0, 1}) + "bob" + Bytes({0}) + "ftp.example.net" + Bytes({0}),
                granted4}};
    QTest::newRow("socks4a numeric stays socks4")
        << ProxyType::Socks4a << QByteArray() << QByteArray() << QByteArray("192.0.2.7")
        << QList<ProxyStep>{{Bytes({4, 1, 0x1f, 0x90, 192, 0, 2, 7, 0}), granted4}};

    const QByteArray noAuth = Bytes({5, 0});
    QTest::newRow("socks5 domain") << ProxyType::Socks5 << QByteArray() << QByteArray()
                                   << QByteArray("ftp.example.net")
                                   << QList<ProxyStep>{
                                          {Bytes({5, 1, 0}), noAuth},
                                          {Bytes({5, 1, 0, 3, 15}) + "ftp.example.net" + Bytes({0x1f, 0x90}),
                                           Bytes({5, 0, 0, 3, 4}) + "host" + Bytes({0, 21})}};
    QTest::newRow("socks5 ipv4") << ProxyType::Socks5 << QByteArray() << QByteArray()
                                 << QByteArray("10.0.0.9")
                                 << QList<ProxyStep>{{Bytes({5, 1, 0}), noAuth},
                                                     {Bytes({5, 1, 0, 1, 10, 0, 0, 9, 0x1f, 0x90}),
                                                      Bytes({5, 0, 0, 1, 1, 2, 3, 4, 0, 21})}};
    QByteArray ipv6Request = Bytes({5, 1, 0, 4});
    ipv6Request += QByteArray(15, '\0') + Bytes({1, 0x1f, 0x90});
    QTest::newRow("socks5 ipv6 with log-in")
        << ProxyType::Socks5 << QByteArray("carol") << QByteArray("pw") << QByteArray("::1")
        << QList<ProxyStep>{{Bytes({5, 2, 0, 2}), Bytes({5, 2})},
                            {Bytes({1, 5}) + "carol" + Bytes({2}) + "pw", Bytes({1, 0})},
                            {ipv6Request, Bytes({5, 0, 0, 4}) + QByteArray(16, '\0') + Bytes({0, 21})}};
    QTest::newRow("socks5 log-in offered but not needed")
        << ProxyType::Socks5 << QByteArray("carol") << QByteArray("pw") << QByteArray("10.0.0.9")
        << QList<ProxyStep>{
               {Bytes({5, 2, 0, 2}), noAuth},
               {Bytes({5, 1, 0, 1, 10, 0, 0, 9, 0x1f, 0x90}), Bytes({5, 0, 0, 1, 1, 2, 3, 4, 0, 21})}};

    QTest::newRow("http connect with basic log-in")
        << ProxyType::HttpConnect << QByteArray("dave") << QByteArray("secret")
        << QByteArray("ftp.example.net")
        << QList<ProxyStep>{{"CONNECT ftp.example.net:8080 HTTP/1.1\r\nHost: ftp.example.net:8080\r\n"
                             "Proxy-Authorization: Basic ZGF2ZTpzZWNyZXQ=\r\n\r\n",
                             "HTTP/1.1 200 Connection established\r\nProxy-agent: fake\r\n\r\n"}};
    QTest::newRow("http connect ipv6")
        << ProxyType::HttpConnect << QByteArray() << QByteArray() << QByteArray("::1")
        << QList<ProxyStep>{
               {"CONNECT [::1]:8080 HTTP/1.1\r\nHost: [::1]:8080\r\n\r\n", "HTTP/1.0 200 OK\r\n\r\n"}};
}

void TestProxyFake::speaksSocks()
{
    QFETCH(ProxyType, type);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, host);
    QFETCH(QList<ProxyStep>, steps);

    CScriptedProxy fake(steps, "220 through the tunnel\r\n");
    QByteArray greeting;
    const QString error = Tunnel(Proxy(type, fake.Port(), user, password), host, 8080, &greeting);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Nothing of the greeting was swallowed by the handshake.
    QCOMPARE(greeting, QByteArray("220 through the tunnel\r\n"));
    const QList<QByteArray> received = fake.Received();
    QCOMPARE(received.size(), steps.size());
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(received.at(i).toHex(' '), steps.at(i).expected.toHex(' '));
}

void TestProxyFake::reportsTheProxysReason_data()
{
    QTest::addColumn<ProxyType>("type");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QList<ProxyStep>>("steps");
    QTest::addColumn<QString>("reason");

    const QByteArray request4 = Bytes({4, 1, 0x1f, 0x90, 10, 0, 0, 1, 0});
    QTest::newRow("socks4 rejected") << ProxyType::Socks4 << QByteArray()
                                     << QList<ProxyStep>{{request4, Bytes({0, 91, 0, 0, 0, 0, 0, 0})}}
                                     << QStringLiteral("SOCKS4 proxy 拒絕連線：要求被拒絕或失敗 (91)");
    const QByteArray request5 = Bytes({5, 1, 0, 1, 10, 0, 0, 1, 0x1f, 0x90});
    QTest::newRow("socks5 connection refused")
        << ProxyType::Socks5 << QByteArray()
        << QList<ProxyStep>{{Bytes({5, 1, 0}), Bytes({5, 0})}, {request5, Bytes({5, 5, 0, 1})}}
        << QStringLiteral("SOCKS5 proxy 拒絕連線：目標拒絕連線 (5)");
    QTest::newRow("socks5 wants a log-in")
        << ProxyType::Socks5 << QByteArray() << QList<ProxyStep>{{Bytes({5, 1, 0}), Bytes({5, 0xff})}}
        << QStringLiteral("需要登入");
    QTest::newRow("socks5 wrong password")
        << ProxyType::Socks5 << QByteArray("u")
        << QList<ProxyStep>{{Bytes({5, 2, 0, 2}), Bytes({5, 2})},
                            {Bytes({1, 1}) + "u" + Bytes({1}) + "p", Bytes({1, 1})}}
        << QStringLiteral("SOCKS5 proxy 拒絕連線：帳號或密碼錯誤");
    QTest::newRow("http forbidden")
        << ProxyType::HttpConnect << QByteArray()
        << QList<ProxyStep>{{"CONNECT 10.0.0.1:8080 HTTP/1.1\r\nHost: 10.0.0.1:8080\r\n\r\n",
                             "HTTP/1.1 403 Access to port 8080 denied\r\nContent-Length: 0\r\n\r\n"}}
        << QStringLiteral("HTTP proxy 拒絕連線：HTTP/1.1 403 Access to port 8080 denied");
    QTest::newRow("http garbage")
        << ProxyType::HttpConnect << QByteArray()
        << QList<ProxyStep>{{"CONNECT 10.0.0.1:8080 HTTP/1.1\r\nHost: 10.0.0.1:8080\r\n\r\n",
                             "SSH-2.0-x\r\n\r\n"}}
        << QStringLiteral("回應無法解讀：SSH-2.0-x");
}

void TestProxyFake::reportsTheProxysReason()
{
    QFETCH(ProxyType, type);
    QFETCH(QByteArray, user);
    QFETCH(QList<ProxyStep>, steps);
    QFETCH(QString, reason);

    CScriptedProxy fake(steps, {});
    QByteArray greeting;
    const QString error = Tunnel(Proxy(type, fake.Port(), user, "p"), "10.0.0.1", 8080, &greeting);
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestProxyFake::timesOutOnASilentProxy()
{
    // Takes the greeting and never answers.
    CScriptedProxy fake({{Bytes({5, 1, 0}), {}}}, {});
    QByteArray greeting;
    const QString error = Tunnel(Proxy(ProxyType::Socks5, fake.Port()), "10.0.0.1", 21, &greeting, 500);
    QCOMPARE(error, QStringLiteral("status %1").arg(int(IoStatus::TimedOut)));

    CScriptedProxy http({{"CONNECT", {}}}, {});
    CFtpClient client;
    FtpConnectOptions options;
    options.host = "ftp.example.net";
    options.timeoutMs = 500;
    options.proxy = Proxy(ProxyType::HttpConnect, http.Port());
    const FtpResult connected = client.Connect(options);
    QCOMPARE(connected.status, FtpStatus::TimedOut);
    QVERIFY2(connected.message.contains(QStringLiteral("proxy 127.0.0.1:%1").arg(http.Port())),
             qPrintable(connected.message));
}

void TestProxyFake::needsAProxyHost()
{
    ProxySettings proxy = Proxy(ProxyType::Socks5, 1080);
    proxy.host.clear();
    QByteArray greeting;
    QCOMPARE(Tunnel(proxy, "10.0.0.1", 21, &greeting), QStringLiteral("未設定 proxy 主機"));
}

void TestProxyFake::logsInThroughFtpProxies_data()
{
    QTest::addColumn<ProxyType>("type");
    QTest::addColumn<quint16>("serverPort");
    QTest::addColumn<QByteArray>("proxyUser");
    QTest::addColumn<QList<QByteArray>>("commands");

    QTest::newRow("site with proxy log-in")
        << ProxyType::FtpSite << quint16(0) << QByteArray("gate")
        << QList<QByteArray>{"USER gate", "PASS gatepw", "SITE ftp.example.net",
                             "USER real", "PASS realpw", "FEAT"};
    QTest::newRow("site without proxy log-in")
        << ProxyType::FtpSite << quint16(2121) << QByteArray()
        << QList<QByteArray>{"SITE ftp.example.net:2121", "USER real", "PASS realpw", "FEAT"};
    QTest::newRow("open") << ProxyType::FtpOpen << quint16(21) << QByteArray("gate")
                          << QList<QByteArray>{"OPEN ftp.example.net", "USER real", "PASS realpw", "FEAT"};
    QTest::newRow("user") << ProxyType::FtpUser << quint16(0) << QByteArray()
                          << QList<QByteArray>{"USER real@ftp.example.net", "PASS realpw", "FEAT"};
    QTest::newRow("user other port") << ProxyType::FtpUser << quint16(990) << QByteArray()
                                     << QList<QByteArray>{"USER real@ftp.example.net:990", "PASS realpw",
                                                          "FEAT"};
}

void TestProxyFake::logsInThroughFtpProxies()
{
    QFETCH(ProxyType, type);
    QFETCH(quint16, serverPort);
    QFETCH(QByteArray, proxyUser);
    QFETCH(QList<QByteArray>, commands);

    CFakeFtpServer fake;
    fake.On("SITE", "220 Connected to ftp.example.net\r\n");
    fake.On("OPEN", "220 Connected to ftp.example.net\r\n");
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));

    CFtpClient client;
    FtpConnectOptions options;
    options.host = "ftp.example.net"; // never resolved here: only the proxy is dialled
    options.port = serverPort;
    options.user = "real";
    options.password = "realpw";
    options.timeoutMs = kWaitMs;
    options.proxy = Proxy(type, fake.Port(), proxyUser, "gatepw");
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    // Passive data goes to the proxy, which is where the control connection went.
    const FtpValue<FtpListing> listing = client.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(fake.Commands().mid(0, commands.size()), commands);
}

void TestProxyFake::relaysToTheProxyAddress()
{
    CFakeFtpServer fake;
    fake.On("SITE", "500 not here\r\n");
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));

    CFtpClient client;
    FtpConnectOptions options;
    options.host = "ftp.example.net";
    options.user = "real";
    options.password = "realpw";
    options.timeoutMs = kWaitMs;
    options.proxy = Proxy(ProxyType::Relay, fake.Port());
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    QCOMPARE(fake.Commands().mid(0, 2), (QList<QByteArray>{"USER real", "PASS realpw"}));

    client.Disconnect();

    // A refusing FTP proxy's own reply is the reason.
    CFtpClient site;
    options.proxy.type = ProxyType::FtpSite;
    const FtpResult refused = site.Connect(options);
    QCOMPARE(refused.status, FtpStatus::Refused);
    QVERIFY2(refused.message.contains("500 not here"), qPrintable(refused.message));
}

QTEST_GUILESS_MAIN(TestProxyFake)
#include "tst_ProxyFake.moc"
