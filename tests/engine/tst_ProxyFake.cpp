#include "FakeFtpServer.h"

#include "engine/ftp/FtpClient.h"
#include "engine/net/CancelToken.h"
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
constexpr int kTunnelWaitMs = 1000;
const QByteArray kGreeting = "220 through the tunnel\r\n";

// One exchange of a scripted proxy: read exactly as many bytes as expected holds, then send reply.
struct ProxyStep
{
    QByteArray expected;
    QByteArray reply;
};

bool WaitReadable(int fd)
{
    pollfd wait{fd, POLLIN, 0};
    return poll(&wait, 1, kWaitMs) == 1;
}

// A scripted proxy on 127.0.0.1 that takes one connection, records what it reads for each step and
// answers; afterwards it sends a greeting through the "tunnel" and waits (bounded) for the client to go.
class CScriptedProxy
{
public:
    CScriptedProxy(const QList<ProxyStep>& steps, const QByteArray& greeting)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
        if (!WaitReadable(m_listener))
            return;
        const int fd = accept(m_listener, nullptr, nullptr);
        char buffer[512];
        for (const ProxyStep& step : steps)
        {
            QByteArray got;
            while (got.size() < step.expected.size() && WaitReadable(fd))
            {
                const qsizetype wanted = qMin<qsizetype>(sizeof buffer, step.expected.size() - got.size());
                const ssize_t n = recv(fd, buffer, size_t(wanted), 0);
                if (n <= 0)
                    break;
                got.append(buffer, n);
            }
            m_received.append(got);
            send(fd, step.reply.constData(), size_t(step.reply.size()), MSG_NOSIGNAL);
        }
        send(fd, greeting.constData(), size_t(greeting.size()), MSG_NOSIGNAL);
        while (WaitReadable(fd) && recv(fd, buffer, sizeof buffer, 0) > 0)
        {
        }
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

ProxySettings Proxy(ProxyType type, quint16 port, const QByteArray& user = {},
                    const QByteArray& password = {})
{
    return {type, "127.0.0.1", port, user, password};
}

// Connects through the proxy and reads the greeting the tunnel carries; the error text on failure.
QString Tunnel(const ProxySettings& proxy, const QByteArray& host, quint16 port, QByteArray* greeting)
{
    CCancelToken cancel;
    IoResult io;
    std::unique_ptr<CTcpTransport> tcp =
        CProxyConnector(proxy, cancel).Connect(host, port, kTunnelWaitMs, &io);
    if (!tcp)
        return io.error.isEmpty() ? QStringLiteral("status %1").arg(int(io.status)) : io.error;
    char buffer[64];
    const IoResult got = tcp->Read(buffer, sizeof buffer, kTunnelWaitMs);
    if (got.Ok())
        *greeting = QByteArray(buffer, int(got.bytes));
    return {};
}

FtpConnectOptions ThroughProxy(const ProxySettings& proxy)
{
    FtpConnectOptions options;
    options.host = "ftp.example.net"; // never resolved here: only the proxy is dialled
    options.user = "real";
    options.password = "realpw";
    options.timeoutMs = kWaitMs;
    options.proxy = proxy;
    return options;
}
} // namespace

class TestProxyFake : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tunnels_data();
    void tunnels();
    void namesTheProxyItWaitedFor();
    void logsInThroughFtpProxies_data();
    void logsInThroughFtpProxies();
    void showsTheFtpProxysRefusal();
};

void TestProxyFake::tunnels_data()
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
    row("socks4a numeric stays socks4", ProxyType::Socks4a, "", "192.0.2.7",
        {{Bytes({4, 1, 0x1f, 0x90, 192, 0, 2, 7, 0}), granted4}});
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
    row("socks5 wants a log-in", ProxyType::Socks5, "", "10.0.0.9", {{noAuth.expected, Bytes({5, 0xff})}},
        "需要登入");
    row("socks5 wrong password", ProxyType::Socks5, "carol", "10.0.0.9",
        {offersLogIn, {logIn.expected, Bytes({1, 1})}}, "SOCKS5 proxy 拒絕連線：帳號或密碼錯誤");
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
    row("http forbidden", ProxyType::HttpConnect, "", "10.0.0.1",
        {{connect, "HTTP/1.1 403 Access to port 8080 denied\r\nContent-Length: 0\r\n\r\n"}},
        "HTTP proxy 拒絕連線：HTTP/1.1 403 Access to port 8080 denied");
    row("http garbage", ProxyType::HttpConnect, "", "10.0.0.1", {{connect, "SSH-2.0-x\r\n\r\n"}},
        "回應無法解讀：SSH-2.0-x");
}

void TestProxyFake::tunnels()
{
    QFETCH(ProxyType, type);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, host);
    QFETCH(QList<ProxyStep>, steps);
    QFETCH(QString, error);
    CScriptedProxy fake(steps, error.isEmpty() ? kGreeting : QByteArray());
    QByteArray greeting;
    const QString failure = Tunnel(Proxy(type, fake.Port(), user, "pw"), host, 8080, &greeting);
    QVERIFY2(error.isEmpty() ? failure.isEmpty() : failure.contains(error), qPrintable(failure));
    // Nothing of the greeting was swallowed by the handshake.
    QCOMPARE(greeting, error.isEmpty() ? kGreeting : QByteArray());
    const QList<QByteArray> received = fake.Received();
    QCOMPARE(received.size(), steps.size());
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(received.at(i).toHex(' '), steps.at(i).expected.toHex(' '));
    ProxySettings noHost = Proxy(type, 1080);
    noHost.host.clear();
    QCOMPARE(Tunnel(noHost, host, 21, &greeting), QStringLiteral("未設定 proxy 主機"));
}

void TestProxyFake::namesTheProxyItWaitedFor()
{
    CScriptedProxy http({{"CONNECT", {}}}, {});
    FtpConnectOptions options = ThroughProxy(Proxy(ProxyType::HttpConnect, http.Port()));
    options.timeoutMs = 500;
    CFtpClient client;
    const FtpResult connected = client.Connect(options);
    QCOMPARE(connected.status, FtpStatus::TimedOut);
    QVERIFY2(connected.message.contains(QStringLiteral("proxy 127.0.0.1:%1").arg(http.Port())),
             qPrintable(connected.message));
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
    // A relay is dialled in the server's place and hears the plain log-in.
    QTest::newRow("relay") << ProxyType::Relay << quint16(0) << QByteArray()
                           << QList<QByteArray>{"USER real", "PASS realpw", "FEAT"};
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
    FtpConnectOptions options = ThroughProxy(Proxy(type, fake.Port(), proxyUser, "gatepw"));
    options.port = serverPort;
    CFtpClient client;
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok(), qPrintable(connected.message));
    // Passive data goes to the proxy, which is where the control connection went.
    const FtpValue<FtpListing> listing = client.List();
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(fake.Commands().mid(0, commands.size()), commands);
}

void TestProxyFake::showsTheFtpProxysRefusal()
{
    CFakeFtpServer fake;
    fake.On("SITE", "500 not here\r\n");
    QString error;
    QVERIFY2(fake.Start(&error), qPrintable(error));
    CFtpClient client;
    const FtpResult refused = client.Connect(ThroughProxy(Proxy(ProxyType::FtpSite, fake.Port())));
    QCOMPARE(refused.status, FtpStatus::Refused);
    QVERIFY2(refused.message.contains("500 not here"), qPrintable(refused.message));
}

QTEST_GUILESS_MAIN(TestProxyFake)
#include "tst_ProxyFake.moc"
