#include "FakeFtpServer.h"

#include <QDeadlineTimer>
#include <QThread>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <limits>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// Every wait of the fake server ends after this long, so a confused test cannot hang it.
constexpr int kWaitMs = 10000;

int ListenOnLoopback(bool ipv6)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (ipv6)
    {
        auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
        address->sin6_family = AF_INET6;
        address->sin6_addr = in6addr_loopback;
        length = sizeof *address;
    }
    else
    {
        auto* address = reinterpret_cast<sockaddr_in*>(&storage);
        address->sin_family = AF_INET;
        address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *address;
    }
    const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || listen(fd, 4) != 0)
    {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

quint16 LocalPort(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
    if (storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

FakeResponse Reply(const QByteArray& reply)
{
    FakeResponse response;
    response.reply = reply;
    return response;
}

FakeResponse Transfer(FakeResponse::Data data)
{
    FakeResponse response;
    response.reply = "150 Opening data connection\r\n";
    response.data = data;
    response.after = "226 Transfer complete\r\n";
    return response;
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
    On(verb, QList<FakeResponse>{Reply(reply)});
}

bool CFakeFtpServer::Start(QString* error)
{
    m_listener = ListenOnLoopback(m_ipv6);
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
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired())
    {
        for (const QByteArray& command : Commands())
        {
            if (command.startsWith(prefix))
                return true;
        }
        QThread::msleep(5);
    }
    return false;
}

void CFakeFtpServer::Run()
{
    for (;;)
    {
        pollfd p[2] = {{m_stop, POLLIN, 0}, {m_listener, POLLIN, 0}};
        if (poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (p[0].revents)
            return;
        if (!p[1].revents)
            continue;
        const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++m_connections;
        Serve(fd);
        close(fd);
        CloseFd(m_passive);
    }
}

void CFakeFtpServer::Serve(int fd)
{
    SendAll(fd, m_greeting);
    QByteArray buffer;
    QByteArray line;
    while (ReadLine(fd, &buffer, &line))
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_commands.append(line);
        }
        const qsizetype space = line.indexOf(' ');
        const QByteArray verb = (space < 0 ? line : line.left(space)).toUpper();
        const QByteArray argument = space < 0 ? QByteArray() : line.mid(space + 1);
        if (!Respond(fd, verb, argument))
            return;
    }
}

bool CFakeFtpServer::Respond(int fd, const QByteArray& verb, const QByteArray& argument)
{
    if (verb == "PASV" || verb == "EPSV")
        OpenPassiveListener();
    RememberActive(verb, argument);
    if (verb == "REST")
        m_rest = argument.toLongLong();
    const FakeResponse response = Next(verb);
    SendAll(fd, Expand(response.reply));
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

FakeResponse CFakeFtpServer::Next(const QByteArray& verb)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto scripted = m_script.constFind(verb);
    if (scripted == m_script.constEnd() || scripted->isEmpty())
        return Default(verb);
    const int index = qMin(m_used[verb]++, int(scripted->size()) - 1);
    return scripted->at(index);
}

FakeResponse CFakeFtpServer::Default(const QByteArray& verb) const
{
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
    if (verb == "LIST" || verb == "MLSD" || verb == "RETR")
        return Transfer(FakeResponse::Data::Send);
    if (verb == "STOR" || verb == "APPE")
        return Transfer(FakeResponse::Data::Receive);
    return Reply(replies.value(verb, "502 Command not implemented\r\n"));
}

QByteArray CFakeFtpServer::Expand(const QByteArray& raw)
{
    const quint16 port = m_passive >= 0 ? LocalPort(m_passive) : 0;
    QByteArray text = raw;
    text.replace("%EPSV", QByteArray::number(port));
    text.replace("%PASVPORT", QByteArray::number(port / 256) + "," + QByteArray::number(port % 256));
    return text;
}

void CFakeFtpServer::OpenPassiveListener()
{
    CloseFd(m_passive);
    m_activePort = 0;
    m_passive = ListenOnLoopback(m_ipv6);
}

void CFakeFtpServer::RememberActive(const QByteArray& verb, const QByteArray& argument)
{
    if (verb == "EPRT")
    {
        // |1|127.0.0.1|port|
        const QList<QByteArray> parts = argument.split(argument.isEmpty() ? '|' : argument[0]);
        m_activeHost = parts.value(2);
        m_activePort = quint16(parts.value(3).toUInt());
        CloseFd(m_passive);
    }
    else if (verb == "PORT")
    {
        const QList<QByteArray> parts = argument.split(',');
        m_activeHost = parts.mid(0, 4).join('.');
        m_activePort = quint16(parts.value(4).toUInt() * 256 + parts.value(5).toUInt());
        CloseFd(m_passive);
    }
}

int CFakeFtpServer::OpenData()
{
    if (m_passive >= 0)
    {
        if (!WaitReadable(m_passive, kWaitMs))
            return -1;
        const int fd = accept4(m_passive, nullptr, nullptr, SOCK_CLOEXEC);
        CloseFd(m_passive);
        return fd;
    }
    if (m_activePort == 0)
        return -1;
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (m_activeHost.contains(':'))
    {
        auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
        address->sin6_family = AF_INET6;
        address->sin6_port = htons(m_activePort);
        inet_pton(AF_INET6, m_activeHost.constData(), &address->sin6_addr);
        length = sizeof *address;
    }
    else
    {
        auto* address = reinterpret_cast<sockaddr_in*>(&storage);
        address->sin_family = AF_INET;
        address->sin_port = htons(m_activePort);
        inet_pton(AF_INET, m_activeHost.constData(), &address->sin_addr);
        length = sizeof *address;
    }
    const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

void CFakeFtpServer::RunData(int control, int data, const FakeResponse& response)
{
    switch (response.data)
    {
    case FakeResponse::Data::Send:
    case FakeResponse::Data::SendAndDrop:
        SendAll(data, response.fromRest ? response.payload.mid(m_rest) : response.payload);
        break;
    case FakeResponse::Data::Receive:
    {
        char block[65536];
        ssize_t got = 0;
        qint64 left = response.limit < 0 ? std::numeric_limits<qint64>::max() : response.limit;
        while (left > 0 && WaitReadable(data, kWaitMs) &&
               (got = recv(data, block, size_t(qMin<qint64>(left, sizeof block)), 0)) > 0)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(block, got);
            left -= got;
        }
        break;
    }
    case FakeResponse::Data::Stall:
    {
        pollfd p[3] = {{m_stop, POLLIN, 0}, {control, POLLIN, 0}, {data, POLLIN, 0}};
        poll(p, 3, kWaitMs);
        break;
    }
    case FakeResponse::Data::None:
        break;
    }
    close(data);
}

bool CFakeFtpServer::ReadLine(int fd, QByteArray* buffer, QByteArray* line)
{
    for (;;)
    {
        const qsizetype end = buffer->indexOf('\n');
        if (end >= 0)
        {
            *line = buffer->left(end);
            if (line->endsWith('\r'))
                line->chop(1);
            buffer->remove(0, end + 1);
            return true;
        }
        char block[4096];
        if (!WaitReadable(fd, kWaitMs))
            return false;
        const ssize_t got = recv(fd, block, sizeof block, 0);
        if (got <= 0)
            return false;
        buffer->append(block, got);
    }
}

bool CFakeFtpServer::WaitReadable(int fd, int timeoutMs) const
{
    pollfd p[2] = {{m_stop, POLLIN, 0}, {fd, POLLIN, 0}};
    const int n = poll(p, 2, timeoutMs);
    return n > 0 && !p[0].revents && p[1].revents;
}

void CFakeFtpServer::SendAll(int fd, const QByteArray& data) const
{
    qsizetype done = 0;
    while (done < data.size())
    {
        const ssize_t sent = send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        done += sent;
    }
}
