// Active-mode listener for PORT/EPRT data connections (RFC 959, RFC 2428).
#include "engine/net/TcpListener.h"

#include "engine/net/CancelToken.h"
#include "engine/net/SocketAddress.h"
#include "engine/net/TcpTransport.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CTcpListener::CTcpListener(const CCancelToken& cancel) : m_cancel(cancel) {}

CTcpListener::~CTcpListener()
{
    Close();
}

IoResult CTcpListener::Listen(const CSocketAddress& local)
{
    Close();
    CSocketAddress address = local;
    address.SetPort(0);
    m_fd = socket(address.Raw()->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return IoResult::FromErrno(errno);
    if (bind(m_fd, address.Raw(), address.Length()) != 0 || listen(m_fd, 1) != 0)
    {
        const int error = errno;
        Close();
        return IoResult::FromErrno(error);
    }
    return IoResult::Done();
}

quint16 CTcpListener::Port() const
{
    return CSocketAddress::LocalOf(m_fd).Port();
}

IoResult CTcpListener::Accept(int timeoutMs, CTcpTransport& into)
{
    for (;;)
    {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0)
        {
            into.Adopt(fd);
            return IoResult::Done();
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return IoResult::FromErrno(errno);
        const IoStatus waited = m_cancel.Wait(m_fd, POLLIN, timeoutMs);
        if (waited != IoStatus::Ok)
            return IoResult::Fail(waited);
    }
}

void CTcpListener::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}
