#include "engine/net/CancelToken.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CCancelToken::CCancelToken() : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CCancelToken::~CCancelToken()
{
    if (m_fd >= 0)
        close(m_fd);
}

void CCancelToken::Cancel()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(m_fd, &one, sizeof one);
}

void CCancelToken::Clear()
{
    uint64_t value = 0;
    [[maybe_unused]] ssize_t got = read(m_fd, &value, sizeof value);
}

bool CCancelToken::IsSet() const
{
    pollfd p = {m_fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

IoStatus CCancelToken::Wait(int fd, short events, int timeoutMs) const
{
    int which = 0;
    return WaitEither(fd, events, -1, 0, timeoutMs, &which);
}

IoStatus CCancelToken::WaitEither(int fd0, short events0, int fd1, short events1, int timeoutMs,
                                  int* which) const
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;)
    {
        pollfd p[3] = {{m_fd, POLLIN, 0}, {fd0, events0, 0}, {fd1, events1, 0}};
        const int n = poll(p, fd1 >= 0 ? 3 : 2, static_cast<int>(deadline.remainingTime()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return IoStatus::Failed;
        if (p[0].revents)
            return IoStatus::Cancelled;
        if (n == 0)
            return IoStatus::TimedOut;
        // Errors and hang-ups count as ready: the next read or write reports them.
        *which = p[1].revents ? 0 : 1;
        return IoStatus::Ok;
    }
}
