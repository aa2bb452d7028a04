#include "engine/sftp/SshChannel.h"

#include "engine/sftp/SshSession.h"

#include <libssh/libssh.h>
#include <limits>

namespace
{
uint32_t Clamp(qint64 size)
{
    return uint32_t(qMin<qint64>(size, std::numeric_limits<int>::max()));
}
} // namespace

CSshChannel::CSshChannel(const CSshSession& session, ssh_channel_struct* channel)
    : m_session(session), m_channel(channel)
{
}

CSshChannel::~CSshChannel()
{
    ssh_channel_free(m_channel);
}

IoResult CSshChannel::WriteSome(const char* data, qint64 size)
{
    const int written = ssh_channel_write(m_channel, data, Clamp(size));
    if (written == SSH_AGAIN)
        return IoResult::Done(0);
    if (written < 0)
        return IoResult::Fail(IoStatus::Failed, m_session.Error());
    return IoResult::Done(written);
}

IoResult CSshChannel::ReadSome(char* data, qint64 size, bool errorStream)
{
    // A large count keeps the receive window as large: libssh grows it to what the reader asks for,
    // with a WINDOW_ADJUST whenever the window is below the count. Asking for three quarters while less
    // than a quarter has been used keeps the window wide with an adjust now and then, not one per answer.
    const bool reopen = m_sinceOpened < 0 || m_sinceOpened >= size / 4;
    const qint64 count = reopen ? size : qMax<qint64>(1, size - size / 4);
    const int got = ssh_channel_read_timeout(m_channel, data, Clamp(count), errorStream ? 1 : 0, 0);
    if (reopen && got >= 0)
        m_sinceOpened = 0;
    if (got > 0)
    {
        m_sinceOpened += got;
        return IoResult::Done(got);
    }
    if (got == SSH_ERROR)
        return IoResult::Fail(IoStatus::Failed, m_session.Error());
    if (ssh_channel_is_eof(m_channel))
        return IoResult::Fail(IoStatus::Closed);
    return IoResult::Done(0);
}

IoResult CSshChannel::Wait(int timeoutMs) const
{
    return m_session.Wait(timeoutMs);
}

bool CSshChannel::IsClosed() const
{
    return ssh_channel_is_closed(m_channel) != 0;
}

int CSshChannel::ExitStatus() const
{
    return IsClosed() ? ssh_channel_get_exit_status(m_channel) : -1;
}
