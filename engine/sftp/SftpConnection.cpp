#include "engine/sftp/SftpConnection.h"

#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SshChannel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QtEndian>

namespace
{
// Also the receive window libssh keeps open for us.
constexpr qsizetype kReceiveBlock = 2 * 1024 * 1024;
} // namespace

CSftpConnection::CSftpConnection(std::unique_ptr<CSshChannel> channel, int timeoutMs)
    : m_channel(std::move(channel)), m_timeoutMs(timeoutMs)
{
}

CSftpConnection::~CSftpConnection() = default;

void CSftpConnection::Queue(quint32 id, const QByteArray& packet)
{
    m_out.push_back({id, packet});
}

std::vector<quint32> CSftpConnection::DropUnsent()
{
    std::vector<quint32> dropped;
    const size_t keep = m_sentOfFront > 0 ? 1 : 0;
    while (m_out.size() > keep)
    {
        dropped.push_back(m_out.back().id);
        m_out.pop_back();
    }
    return dropped;
}

FtpResult CSftpConnection::Fail(FtpStatus status, const QString& text)
{
    m_broken = true;
    return FtpResult::Failure(status, text);
}

FtpValue<SftpMessage> CSftpConnection::Next(const QString& what, int timeoutMs)
{
    if (m_broken)
        return {FtpResult::Failure(FtpStatus::NotConnected,
                                   what + QCoreApplication::translate("SftpConnection", "：SFTP 連線已中斷")),
                {}};
    const QDeadlineTimer deadline(timeoutMs);
    for (;;)
    {
        SftpMessage message;
        const Frame frame = TakeFrame(m_in, &m_inPosition, &message);
        if (frame == Frame::Ready)
            return {FtpResult::Success(), message};
        if (frame == Frame::Broken)
            return {Fail(FtpStatus::Protocol, what + QCoreApplication::translate(
                                                         "SftpConnection", "：伺服器送出無效的 SFTP 封包")),
                    {}};
        bool moved = false;
        IoResult io = Move(&moved);
        if (io.Ok() && !moved)
            io = deadline.hasExpired() ? IoResult::Fail(IoStatus::TimedOut)
                                       : m_channel->Wait(int(deadline.remainingTime()));
        if (io.status == IoStatus::Cancelled)
            return {FtpResult::FromIo(what, io), {}};
        if (io.status == IoStatus::Closed)
            return {Fail(FtpStatus::Network,
                         what + QCoreApplication::translate("SftpConnection", "：伺服器已關閉 SFTP 通道")),
                    {}};
        if (!io.Ok())
        {
            m_broken = true;
            return {FtpResult::FromIo(what, io), {}};
        }
    }
}

void CSftpConnection::SendQueued()
{
    bool moved = false;
    if (!m_broken)
        Send(&moved);
}

FtpValue<SftpMessage> CSftpConnection::Exchange(quint32 id, const QByteArray& packet, const QString& what)
{
    Queue(id, packet);
    for (;;)
    {
        FtpValue<SftpMessage> next = Next(what);
        if (!next.result.Ok() || (next.value.id == id && next.value.type != Sftp::Version))
            return next;
    }
}

CSftpConnection::Frame CSftpConnection::TakeFrame(const QByteArray& in, qsizetype* position,
                                                  SftpMessage* message)
{
    const qsizetype available = in.size() - *position;
    if (available < 4)
        return Frame::Incomplete;
    const quint32 length = qFromBigEndian<quint32>(in.constData() + *position);
    if (length < 5 || length > kMaxMessage)
        return Frame::Broken;
    if (available < 4 + qsizetype(length))
        return Frame::Incomplete;
    const char* start = in.constData() + *position + 4;
    message->type = quint8(start[0]);
    message->id = qFromBigEndian<quint32>(start + 1);
    message->body = QByteArray(start + 5, qsizetype(length) - 5);
    *position += 4 + qsizetype(length);
    return Frame::Ready;
}

IoResult CSftpConnection::Move(bool* moved)
{
    const IoResult sent = Send(moved);
    return sent.Ok() ? Receive(moved) : sent;
}

IoResult CSftpConnection::Send(bool* moved)
{
    while (!m_out.empty())
    {
        const QByteArray& bytes = m_out.front().bytes;
        const IoResult io =
            m_channel->WriteSome(bytes.constData() + m_sentOfFront, bytes.size() - m_sentOfFront);
        if (!io.Ok() || io.bytes == 0)
            return io;
        *moved = true;
        m_sentOfFront += io.bytes;
        if (m_sentOfFront == bytes.size())
        {
            m_out.pop_front();
            m_sentOfFront = 0;
        }
    }
    return IoResult::Done();
}

IoResult CSftpConnection::Receive(bool* moved)
{
    // Only an incomplete answer can be left here, so the move is small.
    if (m_inPosition > 0)
    {
        m_in.remove(0, m_inPosition);
        m_inPosition = 0;
    }
    const qsizetype kept = m_in.size();
    m_in.resize(kept + kReceiveBlock);
    const IoResult io = m_channel->ReadSome(m_in.data() + kept, kReceiveBlock);
    m_in.resize(kept + (io.Ok() ? io.bytes : 0));
    if (io.Ok() && io.bytes > 0)
        *moved = true;
    return io;
}
