#include "FakeFtpServer.h"

#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <limits>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// Every wait of the fake server ends after this long, so a confused test cannot hang it.
constexpr int kWaitMs = 10000;

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// A socket listening on host (port picked by the kernel) or connected to host:port; -1 on failure.
int OpenSocket(const QByteArray& host, quint16 port, bool listening)
{
    const addrinfo hints{
        AI_NUMERICHOST | AI_NUMERICSERV, AF_UNSPEC, SOCK_STREAM, 0, 0, nullptr, nullptr, nullptr};
    addrinfo* found = nullptr;
    if (getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return -1;
    int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && !(listening ? bind(fd, found->ai_addr, found->ai_addrlen) == 0 && listen(fd, 4) == 0
                               : connect(fd, found->ai_addr, found->ai_addrlen) == 0))
        CloseFd(fd);
    freeaddrinfo(found);
    return fd;
}

quint16 LocalPort(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
    // The port sits at the same place in IPv4 and IPv6 addresses.
    return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

void SendAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0, sent = 0; done < data.size(); done += sent)
    {
        sent = send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (sent <= 0)
            return;
    }
}

} // namespace

CFakeFtpServer::CFakeFtpServer(bool ipv6) : m_ipv6(ipv6), m_stop(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CFakeFtpServer::~CFakeFtpServer()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(m_stop, &one, sizeof one);
    if (m_thread.joinable())
        m_thread.join();
    CloseFd(m_listener);
    CloseFd(m_passive);
    CloseFd(m_stop);
}

void CFakeFtpServer::On(const QByteArray& verb, const QList<FakeResponse>& responses)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_script.insert(verb.toUpper(), responses);
    m_used.remove(verb.toUpper());
}

void CFakeFtpServer::On(const QByteArray& verb, const QByteArray& reply)
{
    FakeResponse response;
    response.reply = reply;
    On(verb, QList<FakeResponse>{response});
}

bool CFakeFtpServer::Start(QString* error)
{
    m_listener = OpenSocket(m_ipv6 ? "::1" : "127.0.0.1", 0, true);
    if (m_listener < 0)
    {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_port = LocalPort(m_listener);
    m_thread = std::thread([this] { Run(); });
    return true;
}

QList<QByteArray> CFakeFtpServer::Commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

QByteArray CFakeFtpServer::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

bool CFakeFtpServer::WaitForCommand(const QByteArray& prefix, int timeoutMs) const
{
    for (QDeadlineTimer deadline(timeoutMs); !deadline.hasExpired(); QThread::msleep(5))
    {
        const QList<QByteArray> commands = Commands();
        if (std::any_of(commands.begin(), commands.end(),
                        [&](const QByteArray& c) { return c.startsWith(prefix); }))
            return true;
    }
    return false;
}

// One control connection at a time: greets, then answers each command line until either side ends it.
void CFakeFtpServer::Run()
{
    for (;;)
    {
        pollfd p[2] = {{m_stop, POLLIN, 0}, {m_listener, POLLIN, 0}};
        if ((poll(p, 2, -1) < 0 && errno != EINTR) || p[0].revents)
            return;
        const int fd = p[1].revents ? accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
        if (fd < 0)
            continue;
        ++m_connections;
        SendAll(fd, m_greeting);
        QByteArray buffer;
        for (bool open = true; open;)
        {
            const qsizetype end = buffer.indexOf('\n');
            if (end >= 0)
            {
                const QByteArray line = buffer.left(end);
                buffer.remove(0, end + 1);
                open = Respond(fd, line.endsWith('\r') ? line.chopped(1) : line);
                continue;
            }
            char block[4096];
            const ssize_t got = WaitReadable(fd) ? recv(fd, block, sizeof block, 0) : 0;
            open = got > 0;
            buffer.append(block, qMax<ssize_t>(got, 0));
        }
        close(fd);
        CloseFd(m_passive);
    }
}

bool CFakeFtpServer::Respond(int fd, const QByteArray& line)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.append(line);
    }
    const qsizetype space = line.indexOf(' ');
    const QByteArray verb = (space < 0 ? line : line.left(space)).toUpper();
    const QByteArray argument = space < 0 ? QByteArray() : line.mid(space + 1);
    if (verb == "PASV" || verb == "EPSV")
    {
        CloseFd(m_passive);
        m_activePort = 0;
        m_passive = OpenSocket(m_ipv6 ? "::1" : "127.0.0.1", 0, true);
    }
    else if (verb == "EPRT" || verb == "PORT")
    {
        // "EPRT |1|127.0.0.1|port|" or "PORT h1,h2,h3,h4,p1,p2"
        const bool extended = verb == "EPRT";
        const QList<QByteArray> parts = argument.split(!extended            ? ','
                                                       : argument.isEmpty() ? '|'
                                                                            : argument[0]);
        m_activeHost = extended ? parts.value(2) : parts.mid(0, 4).join('.');
        m_activePort = quint16(extended ? parts.value(3).toUInt()
                                        : parts.value(4).toUInt() * 256 + parts.value(5).toUInt());
        CloseFd(m_passive);
    }
    else if (verb == "REST")
        m_rest = argument.toLongLong();

    const FakeResponse response = Next(verb);
    const quint16 port = m_passive >= 0 ? LocalPort(m_passive) : 0;
    QByteArray reply = response.reply;
    reply.replace("%EPSV", QByteArray::number(port));
    SendAll(fd, reply.replace("%PASVPORT",
                              QByteArray::number(port / 256) + "," + QByteArray::number(port % 256)));
    if (response.data != FakeResponse::Data::None)
    {
        const int data = OpenData();
        if (data >= 0)
            RunData(fd, data, response);
        if (response.data == FakeResponse::Data::SendAndDrop)
            return false;
    }
    SendAll(fd, response.after);
    return !response.drop && verb != "QUIT";
}

// The scripted response, else an ordinary one: transfers succeed and common commands are accepted.
FakeResponse CFakeFtpServer::Next(const QByteArray& verb)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QList<FakeResponse> scripted = m_script.value(verb);
    if (!scripted.isEmpty())
        return scripted.at(qMin(m_used[verb]++, int(scripted.size()) - 1));
    static const QHash<QByteArray, QByteArray> replies = {
        {"USER", "331 Password required\r\n"},
        {"PASS", "230 Logged in\r\n"},
        {"FEAT", "211 No features\r\n"},
        {"PWD", "257 \"/\" is the current directory\r\n"},
        {"CWD", "250 OK\r\n"},
        {"CDUP", "250 OK\r\n"},
        {"TYPE", "200 Type set\r\n"},
        {"EPSV", "229 Entering Extended Passive Mode (|||%EPSV|)\r\n"},
        {"PASV", "227 Entering Passive Mode (127,0,0,1,%PASVPORT)\r\n"},
        {"PORT", "200 PORT OK\r\n"},
        {"EPRT", "200 EPRT OK\r\n"},
        {"REST", "350 Restarting\r\n"},
        {"NOOP", "200 OK\r\n"},
        {"ABOR", "226 Abort successful\r\n"},
        {"QUIT", "221 Bye\r\n"},
    };
    FakeResponse response;
    response.reply = replies.value(verb, "502 Command not implemented\r\n");
    const bool sends = verb == "LIST" || verb == "MLSD" || verb == "RETR";
    if (sends || verb == "STOR" || verb == "APPE")
    {
        response.reply = "150 Opening data connection\r\n";
        response.data = sends ? FakeResponse::Data::Send : FakeResponse::Data::Receive;
        response.after = "226 Transfer complete\r\n";
    }
    return response;
}

int CFakeFtpServer::OpenData()
{
    if (m_passive < 0)
        return m_activePort == 0 ? -1 : OpenSocket(m_activeHost, m_activePort, false);
    const int fd = WaitReadable(m_passive) ? accept4(m_passive, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    CloseFd(m_passive);
    return fd;
}

void CFakeFtpServer::RunData(int control, int data, const FakeResponse& response)
{
    if (response.data == FakeResponse::Data::Send || response.data == FakeResponse::Data::SendAndDrop)
        SendAll(data, response.fromRest ? response.payload.mid(m_rest) : response.payload);
    else if (response.data == FakeResponse::Data::Receive)
    {
        char block[65536];
        ssize_t got = 0;
        qint64 left = response.limit < 0 ? std::numeric_limits<qint64>::max() : response.limit;
        while (left > 0 && WaitReadable(data) &&
               (got = recv(data, block, size_t(qMin<qint64>(left, sizeof block)), 0)) > 0)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(block, got);
            left -= got;
        }
    }
    else if (response.data == FakeResponse::Data::Stall)
    {
        pollfd p[3] = {{m_stop, POLLIN, 0}, {control, POLLIN, 0}, {data, POLLIN, 0}};
        poll(p, 3, kWaitMs);
    }
    close(data);
}

bool CFakeFtpServer::WaitReadable(int fd) const
{
    pollfd p[2] = {{m_stop, POLLIN, 0}, {fd, POLLIN, 0}};
    return poll(p, 2, kWaitMs) > 0 && !p[0].revents && p[1].revents;
}
