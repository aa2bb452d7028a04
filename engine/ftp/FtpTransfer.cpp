// Data transfers of RFC 959 (RETR, STOR, APPE, LIST; REST per RFC 3659; ABOR per RFC 959 4.1.3).
#include "engine/ftp/FtpTransfer.h"

#include "engine/ftp/ControlChannel.h"
#include "engine/ftp/ReplyParser.h"
#include "engine/net/CancelToken.h"
#include "engine/net/Transport.h"

#include <QCoreApplication>

namespace
{
// How long an abort waits for the server to settle before the control connection is given up.
constexpr int kAbortWaitMs = 5000;
// Replies read while settling an abort; a server that keeps talking is not waited for.
constexpr int kAbortReplies = 8;

FtpResult LocalFailure(const QString& what, const QString& path, const IoResult& io)
{
    const QString where = path.isEmpty() ? what : what + QStringLiteral(" ") + path;
    return FtpResult::Failure(FtpStatus::Local,
                              where + QCoreApplication::translate("FtpTransfer", "：") + io.error);
}
} // namespace

CFtpTransfer::CFtpTransfer(CControlChannel& control, CCancelToken& cancel, FtpCapabilities& capabilities,
                           const FtpDataSettings& settings)
    : m_control(control), m_cancel(cancel), m_settings(settings),
      m_data(control, cancel, capabilities, settings), m_buffer(new char[kBlockSize])
{
}

CFtpTransfer::~CFtpTransfer() = default;

FtpResult CFtpTransfer::Download(const FtpTransferRequest& request, const QString& localPath,
                                 CLocalFile::Mode mode, const QString& what)
{
    const FtpResult begun = Begin(request, what);
    if (!begun.Ok())
        return begun;
    CLocalFile file;
    const IoResult opened = file.Open(localPath, mode);
    if (!opened.Ok())
        return Abandon(
            LocalFailure(QCoreApplication::translate("FtpTransfer", "無法寫入本機檔案"), localPath, opened),
            what);
    qint64& position = m_position;
    position = request.offset;
    Report(position);
    const auto store = [&](const char* data, qint64 size)
    {
        const char* out = data;
        qint64 length = size;
        if (m_request.ascii)
        {
            length = m_ascii.ToLocal(data, size, m_converted.get());
            out = m_converted.get();
        }
        const IoResult written = file.WriteAll(out, length);
        if (!written.Ok())
            return IoResult::Fail(IoStatus::Failed,
                                  LocalFailure(QCoreApplication::translate("FtpTransfer", "無法寫入本機檔案"),
                                               localPath, written)
                                      .message);
        position += size;
        Report(position);
        return written;
    };
    const FtpResult received = Receive(store, what);
    const qint64 held = m_request.ascii ? m_ascii.FinishToLocal(m_converted.get()) : 0;
    const IoResult flushed = held ? file.WriteAll(m_converted.get(), held) : IoResult::Done();
    const IoResult closed = file.Close();
    const IoResult& local = flushed.Ok() ? closed : flushed;
    if (received.Ok() && !local.Ok())
        return LocalFailure(QCoreApplication::translate("FtpTransfer", "無法寫入本機檔案"), localPath, local);
    return received;
}

FtpResult CFtpTransfer::Upload(const FtpTransferRequest& request, CLocalFile& source, const QString& what)
{
    const FtpResult begun = Begin(request, what);
    if (!begun.Ok())
        return begun;
    return Send(source, what);
}

FtpValue<QByteArray> CFtpTransfer::Fetch(const FtpTransferRequest& request, const QString& what)
{
    FtpValue<QByteArray> fetched;
    fetched.result = Begin(request, what);
    if (!fetched.result.Ok())
        return fetched;
    const auto keep = [&](const char* data, qint64 size)
    {
        fetched.value.append(data, size);
        return IoResult::Done(size);
    };
    fetched.result = Receive(keep, what);
    return fetched;
}

FtpResult CFtpTransfer::Begin(const FtpTransferRequest& request, const QString& what)
{
    m_request = request;
    if (request.ascii)
        m_converted.reset(new char[2 * kBlockSize + 1]);
    const FtpResult prepared = m_data.Prepare();
    if (!prepared.Ok())
        return FtpResult::Failure(prepared.status,
                                  what + QCoreApplication::translate("FtpTransfer", "：") + prepared.message,
                                  prepared.reply);
    if (request.restart)
    {
        const ReplyResult rest =
            m_control.Command("REST " + QByteArray::number(request.offset), m_settings.timeoutMs);
        if (!rest.io.Ok())
            return FtpResult::FromIo(what, rest.io);
        if (!rest.reply.IsIntermediate())
            return FtpResult::Refused(what, rest.reply);
    }
    const IoResult sent = m_control.Send(request.command, m_settings.timeoutMs);
    if (!sent.Ok())
        return FtpResult::FromIo(what, sent);
    m_finalPending = true;
    const ReplyResult first = m_control.ReadReply(m_settings.timeoutMs);
    if (!first.io.Ok())
        return FtpResult::FromIo(what, first.io);
    if (!first.reply.IsPreliminary())
    {
        m_finalPending = false;
        m_final = first.reply;
        if (!first.reply.IsPositive())
        {
            m_data.Abort();
            return FtpResult::Refused(what, first.reply);
        }
    }
    if (m_request.total < 0 && !request.restart)
        m_request.total = CReplyParser::TransferSize(first.reply);
    const FtpResult attached = m_data.Attach();
    if (attached.reply.code != 0)
    {
        m_finalPending = false;
        m_final = attached.reply;
    }
    if (attached.Ok())
        return FtpResult::Success(first.reply);
    if (attached.reply.code != 0)
    {
        // The server gave up before connecting; its final reply has been read.
        m_finalPending = false;
        m_data.Abort();
        return FtpResult::Refused(what, attached.reply);
    }
    return Abandon(
        FtpResult::Failure(attached.status,
                           what + QCoreApplication::translate("FtpTransfer", "：") + attached.message),
        what);
}

FtpResult CFtpTransfer::Receive(const Sink& sink, const QString& what)
{
    CTransport* data = m_data.Transport();
    for (;;)
    {
        const IoResult io = data->Read(m_buffer.get(), kBlockSize, m_settings.timeoutMs);
        if (io.status == IoStatus::Closed)
            break;
        if (!io.Ok())
            return DataFailure(io, what);
        const IoResult stored = sink(m_buffer.get(), io.bytes);
        if (!stored.Ok())
            return Abandon(FtpResult::Failure(FtpStatus::Local, stored.error), what);
    }
    m_data.Finish();
    return End(what);
}

FtpResult CFtpTransfer::Send(CLocalFile& source, const QString& what)
{
    CTransport* data = m_data.Transport();
    qint64 position = m_request.offset;
    Report(position);
    for (;;)
    {
        const IoResult got = source.Read(m_buffer.get(), kBlockSize);
        if (!got.Ok())
            return Abandon(
                LocalFailure(QCoreApplication::translate("FtpTransfer", "無法讀取本機檔案"), {}, got), what);
        if (got.bytes == 0)
            break;
        const char* out = m_buffer.get();
        qint64 length = got.bytes;
        if (m_request.ascii)
        {
            length = m_ascii.ToWire(m_buffer.get(), got.bytes, m_converted.get());
            out = m_converted.get();
        }
        const IoResult sent = data->Write(out, length, m_settings.timeoutMs);
        if (!sent.Ok())
            return DataFailure(sent, what);
        position += got.bytes;
        Report(position);
    }
    const IoResult finished = m_data.Finish();
    if (!finished.Ok())
        return DataFailure(finished, what);
    return End(what);
}

FtpResult CFtpTransfer::End(const QString& what)
{
    if (!m_finalPending)
        return FtpResult::Success(m_final);
    ReplyResult final;
    do
        final = m_control.ReadReply(m_settings.timeoutMs);
    while (final.io.Ok() && final.reply.IsPreliminary());
    m_finalPending = false;
    if (!final.io.Ok())
        return FtpResult::FromIo(what, final.io);
    return final.reply.IsPositive() ? FtpResult::Success(final.reply) : FtpResult::Refused(what, final.reply);
}

FtpResult CFtpTransfer::DataFailure(const IoResult& io, const QString& what)
{
    return Abandon(FtpResult::FromIo(what, io), what);
}

FtpResult CFtpTransfer::Abandon(const FtpResult& reason, const QString& what)
{
    m_data.Abort();
    m_cancel.Clear();
    const int wait = qMin(m_settings.timeoutMs, kAbortWaitMs);
    if (!m_control.IsOpen() || !m_control.Send("ABOR", wait).Ok())
        return reason;
    // The transfer command's final reply (when still due), then ABOR's own.
    int finals = m_finalPending ? 2 : 1;
    FtpReply transferReply;
    for (int replies = 0; finals > 0; ++replies)
    {
        if (replies == kAbortReplies)
        {
            m_control.Close();
            return reason;
        }
        const ReplyResult reply = m_control.ReadReply(wait);
        if (!reply.io.Ok())
            return reason;
        if (reply.reply.IsPreliminary())
            continue;
        if (finals == 2)
            transferReply = reply.reply;
        --finals;
    }
    m_finalPending = false;
    // A broken data connection is best explained by the server's own reply; after a time-out or a
    // cancel that reply only echoes the abort.
    if (reason.status == FtpStatus::Network && transferReply.code >= 400)
        return FtpResult::Refused(what, transferReply);
    FtpResult result = reason;
    result.reply = transferReply;
    return result;
}

void CFtpTransfer::Report(qint64 position)
{
    if (m_request.progress)
        m_request.progress(position, m_request.total);
}
