// Plain TCP for the FTP control and data connections (RFC 959, IPv6 per RFC 2428).
#include "engine/net/TcpTransport.h"

#include "engine/net/CancelToken.h"
#include "engine/net/SocketAddress.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CTcpTransport::CTcpTransport(const CCancelToken& cancel) : m_cancel(cancel) {}

CTcpTransport::~CTcpTransport()
{
    CloseFd();
}

IoResult CTcpTransport::Connect(const QByteArray& host, quint16 port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int error = getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found);
    if (error != 0)
        return IoResult::Fail(IoStatus::Failed, QString::fromLocal8Bit(gai_strerror(error)));
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);

    QDeadlineTimer deadline(timeoutMs);
    IoResult result = IoResult::Fail(IoStatus::Failed);
    for (addrinfo* a = found; a; a = a->ai_next)
    {
        result = ConnectOne(a->ai_addr, a->ai_addrlen, static_cast<int>(deadline.remainingTime()));
        if (result.Ok() || result.status == IoStatus::Cancelled || deadline.hasExpired())
            break;
    }
    return result;
}

IoResult CTcpTransport::Connect(const CSocketAddress& address, int timeoutMs)
{
    return ConnectOne(address.Raw(), address.Length(), timeoutMs);
}

IoResult CTcpTransport::ConnectOne(const sockaddr* address, unsigned length, int timeoutMs)
{
    CloseFd();
    m_fd = socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return IoResult::FromErrno(errno);
    if (connect(m_fd, address, length) != 0 && errno != EINPROGRESS)
    {
        const int error = errno;
        CloseFd();
        return IoResult::FromErrno(error);
    }
    const IoStatus waited = m_cancel.Wait(m_fd, POLLOUT, timeoutMs);
    int error = 0;
    socklen_t size = sizeof error;
    if (waited == IoStatus::Ok && getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
    {
        Tune();
        return IoResult::Done();
    }
    CloseFd();
    return waited == IoStatus::Ok ? IoResult::FromErrno(error) : IoResult::Fail(waited);
}

void CTcpTransport::Adopt(int fd)
{
    CloseFd();
    m_fd = fd;
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    Tune();
}

void CTcpTransport::Tune()
{
    // Commands are single writes that must not wait for the previous segment's acknowledgement.
    const int on = 1;
    setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(m_fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
}

IoResult CTcpTransport::Read(char* data, qint64 size, int timeoutMs)
{
    if (m_cancel.IsSet())
        return IoResult::Fail(IoStatus::Cancelled);
    for (;;)
    {
        const ssize_t got = recv(m_fd, data, size_t(size), 0);
        if (got > 0)
            return IoResult::Done(got);
        if (got == 0)
            return IoResult::Fail(IoStatus::Closed);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return IoResult::FromErrno(errno);
        const IoStatus waited = m_cancel.Wait(m_fd, POLLIN, timeoutMs);
        if (waited != IoStatus::Ok)
            return IoResult::Fail(waited);
    }
}

IoResult CTcpTransport::Write(const char* data, qint64 size, int timeoutMs)
{
    if (m_cancel.IsSet())
        return IoResult::Fail(IoStatus::Cancelled);
    qint64 done = 0;
    while (done < size)
    {
        const ssize_t sent = send(m_fd, data + done, size_t(size - done), MSG_NOSIGNAL);
        if (sent > 0)
        {
            done += sent;
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return IoResult::FromErrno(errno);
        const IoStatus waited = m_cancel.Wait(m_fd, POLLOUT, timeoutMs);
        if (waited != IoStatus::Ok)
            return IoResult::Fail(waited);
    }
    return IoResult::Done(done);
}

IoResult CTcpTransport::Finish(int)
{
    if (m_fd >= 0 && shutdown(m_fd, SHUT_WR) != 0 && errno != ENOTCONN)
        return IoResult::FromErrno(errno);
    return IoResult::Done();
}

void CTcpTransport::Abort()
{
    if (m_fd < 0)
        return;
    const linger reset{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    CloseFd();
}

void CTcpTransport::CloseFd()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}
