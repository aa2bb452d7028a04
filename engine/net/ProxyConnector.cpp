// Proxies: SOCKS4 and SOCKS4a (the SOCKS 4 and 4A protocol notes), SOCKS5 (RFC 1928) with user name
// and password (RFC 1929), HTTP CONNECT (RFC 9110) with Basic log-in (RFC 7617).
#include "engine/net/ProxyConnector.h"

#include "engine/net/TcpTransport.h"

#include <QCoreApplication>
#include <QList>
#include <arpa/inet.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{
constexpr int kMaxHttpHeader = 16 * 1024;

int Remaining(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

IoResult Refused(const QString& kind, const QString& reason)
{
    return IoResult::Fail(IoStatus::Failed,
                          kind + QCoreApplication::translate("ProxyConnector", " proxy 拒絕連線：") + reason);
}

IoResult ReadExact(CTcpTransport& tcp, char* data, int size, const QDeadlineTimer& deadline)
{
    for (int done = 0; done < size;)
    {
        const IoResult got = tcp.Read(data + done, size - done, Remaining(deadline));
        if (!got.Ok())
            return got;
        done += int(got.bytes);
    }
    return IoResult::Done(size);
}

IoResult ReadExact(CTcpTransport& tcp, QByteArray* data, int size, const QDeadlineTimer& deadline)
{
    data->resize(size);
    return ReadExact(tcp, data->data(), size, deadline);
}

IoResult Send(CTcpTransport& tcp, const QByteArray& data, const QDeadlineTimer& deadline)
{
    return tcp.Write(data.constData(), data.size(), Remaining(deadline));
}

void AppendPort(QByteArray* packet, quint16 port)
{
    packet->append(char(port >> 8));
    packet->append(char(port & 0xff));
}

QString Socks4Reason(quint8 code)
{
    switch (code)
    {
    case 91:
        return QCoreApplication::translate("ProxyConnector", "要求被拒絕或失敗 (91)");
    case 92:
        return QCoreApplication::translate("ProxyConnector", "proxy 無法連到用戶端的 identd (92)");
    case 93:
        return QCoreApplication::translate("ProxyConnector", "identd 回報的使用者不符 (93)");
    default:
        return QCoreApplication::translate("ProxyConnector", "未知的回應碼 %1").arg(code);
    }
}

QString Socks5Reason(quint8 code)
{
    switch (code)
    {
    case 1:
        return QCoreApplication::translate("ProxyConnector", "一般性失敗 (1)");
    case 2:
        return QCoreApplication::translate("ProxyConnector", "規則不允許這個連線 (2)");
    case 3:
        return QCoreApplication::translate("ProxyConnector", "網路無法連線 (3)");
    case 4:
        return QCoreApplication::translate("ProxyConnector", "主機無法連線 (4)");
    case 5:
        return QCoreApplication::translate("ProxyConnector", "目標拒絕連線 (5)");
    case 6:
        return QCoreApplication::translate("ProxyConnector", "TTL 逾期 (6)");
    case 7:
        return QCoreApplication::translate("ProxyConnector", "不支援這個命令 (7)");
    case 8:
        return QCoreApplication::translate("ProxyConnector", "不支援這種位址類型 (8)");
    default:
        return QCoreApplication::translate("ProxyConnector", "未知的回應碼 %1").arg(code);
    }
}

// The host's IPv4 address resolved here, for plain SOCKS4.
bool ResolveIpv4(const QByteArray& host, in_addr* address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.constData(), nullptr, &hints, &found) != 0 || !found)
        return false;
    *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

bool HasLineBreak(const QByteArray& text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}
} // namespace

CProxyConnector::CProxyConnector(const ProxySettings& proxy, const CCancelToken& cancel)
    : m_proxy(proxy), m_cancel(cancel)
{
}

quint16 CProxyConnector::ProxyPort(quint16 serverPort) const
{
    if (m_proxy.port != 0)
        return m_proxy.port;
    switch (m_proxy.type)
    {
    case ProxyType::Socks4:
    case ProxyType::Socks4a:
    case ProxyType::Socks5:
        return 1080;
    case ProxyType::HttpConnect:
        return 8080;
    case ProxyType::FtpSite:
    case ProxyType::FtpOpen:
    case ProxyType::FtpUser:
        return 21;
    case ProxyType::Relay:
    case ProxyType::None:
        break;
    }
    return serverPort;
}

std::unique_ptr<CTcpTransport> CProxyConnector::Connect(const QByteArray& host, quint16 port, int timeoutMs,
                                                        IoResult* io) const
{
    if (m_proxy.type != ProxyType::None && m_proxy.host.isEmpty())
    {
        *io = IoResult::Fail(IoStatus::Failed,
                             QCoreApplication::translate("ProxyConnector", "未設定 proxy 主機"));
        return nullptr;
    }
    const QDeadlineTimer deadline(timeoutMs);
    auto tcp = std::make_unique<CTcpTransport>(m_cancel);
    const bool direct = m_proxy.type == ProxyType::None;
    *io =
        direct ? tcp->Connect(host, port, timeoutMs) : tcp->Connect(m_proxy.host, ProxyPort(port), timeoutMs);
    if (io->Ok())
    {
        switch (m_proxy.type)
        {
        case ProxyType::Socks4:
        case ProxyType::Socks4a:
            *io = Socks4(*tcp, host, port, deadline);
            break;
        case ProxyType::Socks5:
            *io = Socks5(*tcp, host, port, deadline);
            break;
        case ProxyType::HttpConnect:
            *io = HttpConnect(*tcp, host, port, deadline);
            break;
        default:
            break;
        }
    }
    if (!io->Ok())
        return nullptr;
    return tcp;
}

IoResult CProxyConnector::Socks4(CTcpTransport& tcp, const QByteArray& host, quint16 port,
                                 const QDeadlineTimer& deadline) const
{
    const QString kind =
        m_proxy.type == ProxyType::Socks4a ? QStringLiteral("SOCKS4a") : QStringLiteral("SOCKS4");
    in_addr address{};
    const bool numeric = inet_pton(AF_INET, host.constData(), &address) == 1;
    // SOCKS4a: the address 0.0.0.1 tells the proxy that the name follows and it resolves it.
    const bool byName = !numeric && m_proxy.type == ProxyType::Socks4a;
    if (byName)
        address.s_addr = htonl(1);
    else if (!numeric && !ResolveIpv4(host, &address))
        return IoResult::Fail(
            IoStatus::Failed,
            kind + QCoreApplication::translate("ProxyConnector", " 只能連到 IPv4 位址，無法解析 ") +
                QString::fromUtf8(host));
    if (m_proxy.user.contains('\0') || host.contains('\0'))
        return IoResult::Fail(IoStatus::Protocol, kind + QCoreApplication::translate(
                                                             "ProxyConnector", " 的名稱不可含有 NUL 字元"));

    QByteArray request("\x04\x01", 2);
    AppendPort(&request, port);
    request.append(reinterpret_cast<const char*>(&address.s_addr), 4);
    request.append(m_proxy.user).append('\0');
    if (byName)
        request.append(host).append('\0');
    IoResult io = Send(tcp, request, deadline);
    QByteArray reply;
    if (io.Ok())
        io = ReadExact(tcp, &reply, 8, deadline);
    if (!io.Ok())
        return io;
    if (reply.at(0) != 0)
        return IoResult::Fail(IoStatus::Protocol,
                              kind + QCoreApplication::translate("ProxyConnector", " proxy 的回應無法解讀"));
    const quint8 code = quint8(reply.at(1));
    return code == 90 ? IoResult::Done() : Refused(kind, Socks4Reason(code));
}

IoResult CProxyConnector::Socks5(CTcpTransport& tcp, const QByteArray& host, quint16 port,
                                 const QDeadlineTimer& deadline) const
{
    const QString kind = QStringLiteral("SOCKS5");
    const bool withLogIn = !m_proxy.user.isEmpty();
    const QByteArray greeting = withLogIn ? QByteArray("\x05\x02\x00\x02", 4) : QByteArray("\x05\x01\x00", 3);
    IoResult io = Send(tcp, greeting, deadline);
    QByteArray chosen;
    if (io.Ok())
        io = ReadExact(tcp, &chosen, 2, deadline);
    if (!io.Ok())
        return io;
    if (chosen.at(0) != 5)
        return IoResult::Fail(IoStatus::Protocol,
                              kind + QCoreApplication::translate("ProxyConnector", " proxy 的回應無法解讀"));
    const quint8 method = quint8(chosen.at(1));
    if (method == 0xff)
        return Refused(
            kind, withLogIn
                      ? QCoreApplication::translate("ProxyConnector", "不接受無驗證或帳號密碼登入")
                      : QCoreApplication::translate("ProxyConnector", "需要登入，請設定 proxy 帳號與密碼"));
    if (method == 2 && withLogIn)
        io = Socks5LogIn(tcp, deadline);
    else if (method != 0)
        return IoResult::Fail(
            IoStatus::Protocol,
            kind + QCoreApplication::translate("ProxyConnector", " proxy 選了未提供的驗證方式"));
    if (!io.Ok())
        return io;

    QByteArray request("\x05\x01\x00", 3);
    in_addr ipv4{};
    in6_addr ipv6{};
    if (inet_pton(AF_INET, host.constData(), &ipv4) == 1)
        request.append('\x01').append(reinterpret_cast<const char*>(&ipv4), 4);
    else if (inet_pton(AF_INET6, host.constData(), &ipv6) == 1)
        request.append('\x04').append(reinterpret_cast<const char*>(&ipv6), 16);
    else if (host.isEmpty() || host.size() > 255)
        return IoResult::Fail(
            IoStatus::Protocol,
            kind + QCoreApplication::translate("ProxyConnector", " 的主機名稱長度須在 1 到 255 之間"));
    else
        request.append('\x03').append(char(host.size())).append(host);
    AppendPort(&request, port);
    io = Send(tcp, request, deadline);
    QByteArray reply;
    if (io.Ok())
        io = ReadExact(tcp, &reply, 4, deadline);
    if (!io.Ok())
        return io;
    if (reply.at(0) != 5)
        return IoResult::Fail(IoStatus::Protocol,
                              kind + QCoreApplication::translate("ProxyConnector", " proxy 的回應無法解讀"));
    if (reply.at(1) != 0)
        return Refused(kind, Socks5Reason(quint8(reply.at(1))));
    // The bound address follows; its size depends on its type.
    QByteArray rest;
    switch (reply.at(3))
    {
    case 1:
        return ReadExact(tcp, &rest, 4 + 2, deadline);
    case 4:
        return ReadExact(tcp, &rest, 16 + 2, deadline);
    case 3:
        io = ReadExact(tcp, &rest, 1, deadline);
        return io.Ok() ? ReadExact(tcp, &rest, quint8(rest.at(0)) + 2, deadline) : io;
    default:
        return IoResult::Fail(IoStatus::Protocol,
                              kind + QCoreApplication::translate("ProxyConnector", " proxy 的回應無法解讀"));
    }
}

IoResult CProxyConnector::Socks5LogIn(CTcpTransport& tcp, const QDeadlineTimer& deadline) const
{
    const QString kind = QStringLiteral("SOCKS5");
    if (m_proxy.user.size() > 255 || m_proxy.password.size() > 255)
        return IoResult::Fail(
            IoStatus::Protocol,
            kind + QCoreApplication::translate("ProxyConnector", " 的帳號與密碼各不可超過 255 位元組"));
    QByteArray request("\x01", 1);
    request.append(char(m_proxy.user.size())).append(m_proxy.user);
    request.append(char(m_proxy.password.size())).append(m_proxy.password);
    IoResult io = Send(tcp, request, deadline);
    QByteArray reply;
    if (io.Ok())
        io = ReadExact(tcp, &reply, 2, deadline);
    if (!io.Ok())
        return io;
    return reply.at(1) == 0 ? IoResult::Done()
                            : Refused(kind, QCoreApplication::translate("ProxyConnector", "帳號或密碼錯誤"));
}

IoResult CProxyConnector::HttpConnect(CTcpTransport& tcp, const QByteArray& host, quint16 port,
                                      const QDeadlineTimer& deadline) const
{
    const QString kind = QStringLiteral("HTTP");
    if (HasLineBreak(host) || HasLineBreak(m_proxy.user) || HasLineBreak(m_proxy.password))
        return IoResult::Fail(
            IoStatus::Protocol,
            kind + QCoreApplication::translate("ProxyConnector", " proxy 的名稱不可含有換行或 NUL 字元"));
    const QByteArray target = (host.contains(':') ? "[" + host + "]" : host) + ":" + QByteArray::number(port);
    QByteArray request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (!m_proxy.user.isEmpty())
        request +=
            "Proxy-Authorization: Basic " + (m_proxy.user + ":" + m_proxy.password).toBase64() + "\r\n";
    request += "\r\n";
    IoResult io = Send(tcp, request, deadline);
    if (!io.Ok())
        return io;

    // One byte at a time: whatever follows the header already belongs to the server.
    QByteArray header;
    while (!header.endsWith("\r\n\r\n") && !header.endsWith("\n\n"))
    {
        if (header.size() >= kMaxHttpHeader)
            return IoResult::Fail(IoStatus::Protocol, kind + QCoreApplication::translate(
                                                                 "ProxyConnector", " proxy 的回應標頭過長"));
        char byte = 0;
        io = ReadExact(tcp, &byte, 1, deadline);
        if (!io.Ok())
            return io;
        header.append(byte);
    }
    QByteArray statusLine = header.left(header.indexOf('\n')).trimmed();
    const QList<QByteArray> parts = statusLine.split(' ');
    if (parts.size() < 2 || !parts.at(0).startsWith("HTTP/"))
        return IoResult::Fail(IoStatus::Protocol,
                              kind +
                                  QCoreApplication::translate("ProxyConnector", " proxy 的回應無法解讀：") +
                                  QString::fromLatin1(statusLine));
    const int status = parts.at(1).toInt();
    return status >= 200 && status < 300 ? IoResult::Done() : Refused(kind, QString::fromLatin1(statusLine));
}
