#include "engine/sftp/SftpTransfer.h"

#include "engine/net/CancelToken.h"
#include "engine/LocalFile.h"
#include "engine/sftp/SftpConnection.h"
#include "engine/sftp/SftpPacket.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpReader.h"
#include "engine/sftp/SftpStatus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>

namespace
{
// After a cancel the answers already on their way get this long; on loopback they need a few ms.
constexpr int kCancelSettleMs = 750;
// Servers must serve requests of this size; a shorter answer above it tells the server's own limit.
constexpr qint64 kSmallestBlock = 32 * 1024;
} // namespace

CSftpTransfer::CSftpTransfer(CSftpConnection& connection, CCancelToken& cancel, qint64 blockSize)
    : m_connection(connection), m_cancel(cancel), m_blockSize(blockSize)
{
}

bool CSftpTransfer::IsCancelled(const CCancelToken& cancel)
{
    // poll() skips a negative descriptor, so this looks at the token alone, without waiting.
    return cancel.Wait(-1, 0, 0) == IoStatus::Cancelled;
}

FtpResult CSftpTransfer::Download(const QByteArray& handle, qint64 offset, qint64 total, CLocalFile& target,
                                  const FtpProgressHook& progress, const QString& what)
{
    m_next = m_done = offset;
    m_total = total;
    m_progress = progress;
    Report(m_done);
    const size_t maxRequests = size_t(qMax<qint64>(1, kBytesInFlight / m_blockSize));
    bool atEnd = false;
    FtpResult result = FtpResult::Success();
    while (!atEnd)
    {
        if (IsCancelled(m_cancel))
        {
            result = FtpResult::FromIo(what, IoResult::Fail(IoStatus::Cancelled));
            break;
        }
        // With a known size one request past the end finds it; a file that grows is read on, one by one.
        // The request before it asks for exactly the rest, so no short answer costs another round trip
        // and the end is found in the same one.
        while (m_pending.size() < maxRequests && (m_total < 0 || m_next <= m_total || m_pending.empty()))
        {
            const qint64 length = m_total > m_next ? qMin(m_blockSize, m_total - m_next) : m_blockSize;
            SendRead(handle, m_next, length, false);
            m_next += length;
        }
        const auto answer = m_early.find(m_pending.front().id);
        if (answer == m_early.end())
        {
            if (!Collect(what, &result))
                break;
            continue;
        }
        const SftpMessage message = std::move(answer->second);
        m_early.erase(answer);
        result = TakeRead(handle, message, target, &atEnd, what);
        if (!result.Ok())
            break;
    }
    return Settle(result, what);
}

void CSftpTransfer::SendRead(const QByteArray& handle, qint64 offset, qint64 length, bool first)
{
    const quint32 id = m_connection.NextId();
    CSftpPacket packet(Sftp::Read, id);
    packet.AddString(handle).AddUint64(quint64(offset)).AddUint32(quint32(length));
    m_connection.Queue(id, packet.Finish());
    const Request request{id, offset, length};
    if (first)
        m_pending.push_front(request);
    else
        m_pending.push_back(request);
}

bool CSftpTransfer::Collect(const QString& what, FtpResult* failure)
{
    FtpValue<SftpMessage> next = m_connection.Next(what);
    if (!next.result.Ok())
    {
        *failure = next.result;
        return false;
    }
    const quint32 id = next.value.id;
    const bool owed =
        std::any_of(m_pending.begin(), m_pending.end(), [id](const Request& r) { return r.id == id; });
    if (owed)
        m_early[id] = std::move(next.value);
    return true;
}

FtpResult CSftpTransfer::TakeRead(const QByteArray& handle, const SftpMessage& answer, CLocalFile& target,
                                  bool* atEnd, const QString& what)
{
    const Request request = m_pending.front();
    m_pending.pop_front();
    CSftpReader reader(answer.body);
    if (answer.type == Sftp::Status)
    {
        SftpStatus status;
        if (!SftpStatus::Read(reader, &status))
            return FtpResult::Failure(
                FtpStatus::Protocol,
                what + QCoreApplication::translate("SftpTransfer", "：伺服器的回應格式錯誤"));
        *atEnd = status.code == Sftp::Eof;
        return *atEnd ? FtpResult::Success() : status.ToResult(what);
    }
    QByteArray data;
    if (answer.type != Sftp::Data || !reader.String(&data) || data.isEmpty() || data.size() > request.length)
        return FtpResult::Failure(
            FtpStatus::Protocol,
            what + QCoreApplication::translate("SftpTransfer", "：伺服器傳回的資料不符要求"));
    const IoResult written = target.WriteAll(data.constData(), data.size());
    if (!written.Ok())
        return FtpResult::Failure(FtpStatus::Local,
                                  what + QCoreApplication::translate("SftpTransfer", "：寫入本機檔案失敗：") +
                                      written.error);
    m_done += data.size();
    // Data past the size given: it was stale, and the rest is read as from a file of unknown size.
    if (m_total >= 0 && m_done > m_total)
        m_total = -1;
    Report(m_done);
    if (data.size() < request.length)
    {
        // Short answer: the rest of this range comes next, before any later range is written.
        SendRead(handle, request.offset + data.size(), request.length - data.size(), true);
        if (data.size() >= kSmallestBlock)
            m_blockSize = qMin<qint64>(m_blockSize, data.size());
    }
    return FtpResult::Success();
}

FtpResult CSftpTransfer::Upload(const QByteArray& handle, qint64 offset, qint64 total, CLocalFile& source,
                                const FtpProgressHook& progress, const QString& what)
{
    m_next = m_done = offset;
    m_total = total;
    m_progress = progress;
    Report(m_done);
    const size_t maxRequests = size_t(qMax<qint64>(1, kBytesInFlight / m_blockSize));
    bool atEnd = false;
    FtpResult result = FtpResult::Success();
    while (result.Ok())
    {
        if (IsCancelled(m_cancel))
        {
            result = FtpResult::FromIo(what, IoResult::Fail(IoStatus::Cancelled));
            break;
        }
        while (result.Ok() && !atEnd && m_pending.size() < maxRequests)
            result = SendWrite(handle, source, &atEnd);
        if (!result.Ok() || m_pending.empty() || !Collect(what, &result))
            break;
        result = TakeWrites(what);
    }
    return Settle(result, what);
}

FtpResult CSftpTransfer::TakeWrites(const QString& what)
{
    FtpResult result = FtpResult::Success();
    for (const auto& [id, answer] : m_early)
    {
        const auto request = std::find_if(m_pending.begin(), m_pending.end(),
                                          [id = id](const Request& r) { return r.id == id; });
        CSftpReader reader(answer.body);
        SftpStatus status;
        const FtpResult written =
            answer.type == Sftp::Status && SftpStatus::Read(reader, &status)
                ? status.ToResult(what)
                : FtpResult::Failure(
                      FtpStatus::Protocol,
                      what + QCoreApplication::translate("SftpTransfer", "：伺服器的回應格式錯誤"));
        if (written.Ok())
            m_done += request->length;
        else if (result.Ok())
            result = written;
        m_pending.erase(request);
    }
    m_early.clear();
    Report(m_done);
    return result;
}

FtpResult CSftpTransfer::SendWrite(const QByteArray& handle, CLocalFile& source, bool* atEnd)
{
    m_buffer.resize(m_blockSize);
    const IoResult read = source.Read(m_buffer.data(), m_blockSize);
    if (!read.Ok())
        return FtpResult::Failure(
            FtpStatus::Local, QCoreApplication::translate("SftpTransfer", "讀取本機檔案失敗：") + read.error);
    if (read.bytes == 0)
    {
        *atEnd = true;
        return FtpResult::Success();
    }
    const quint32 id = m_connection.NextId();
    CSftpPacket packet(Sftp::Write, id);
    packet.AddString(handle).AddUint64(quint64(m_next)).AddString(m_buffer.constData(), read.bytes);
    m_connection.Queue(id, packet.Finish());
    m_pending.push_back({id, m_next, read.bytes});
    m_next += read.bytes;
    return FtpResult::Success();
}

FtpResult CSftpTransfer::Settle(const FtpResult& result, const QString& what)
{
    if (result.status == FtpStatus::Cancelled)
        m_cancel.Clear();
    for (quint32 id : m_connection.DropUnsent())
        std::erase_if(m_pending, [id](const Request& r) { return r.id == id; });
    for (const auto& early : m_early)
        std::erase_if(m_pending, [id = early.first](const Request& r) { return r.id == id; });
    m_early.clear();
    const QDeadlineTimer deadline(result.status == FtpStatus::Cancelled ? kCancelSettleMs
                                                                        : m_connection.TimeoutMs());
    while (!m_pending.empty() && !m_connection.IsBroken())
    {
        const FtpValue<SftpMessage> next =
            m_connection.Next(what, int(qMax<qint64>(0, deadline.remainingTime())));
        if (!next.result.Ok())
        {
            m_connection.MarkBroken();
            break;
        }
        std::erase_if(m_pending, [id = next.value.id](const Request& r) { return r.id == id; });
    }
    m_pending.clear();
    return result;
}

void CSftpTransfer::Report(qint64 position) const
{
    if (m_progress)
        m_progress(position, m_total);
}
