// The reply layer of the FTP control connection (RFC 959 section 4.2; lines per RFC 854 NVT).
#include "engine/ftp/ControlChannel.h"

#include "engine/VisibleText.h"
#include "engine/net/Transport.h"

#include <QCoreApplication>

namespace
{
constexpr qint64 kReadChunk = 16 * 1024;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The code of a reply line ("ddd text", "ddd-text" or a bare "ddd"), or 0 for anything else.
int ReplyCode(const QByteArray& line, bool* last)
{
    if (line.size() < 3 || line[0] < '1' || line[0] > '5' || !IsDigit(line[1]) || !IsDigit(line[2]))
        return 0;
    const char separator = line.size() > 3 ? line[3] : ' ';
    if (separator != ' ' && separator != '-')
        return 0;
    *last = separator == ' ';
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

enum class LineFit
{
    More,     // the reply goes on
    Complete, // the line ended the reply
    Garbled   // no reply starts like this
};

// Adds one line. An empty line before a reply is a harmless stray line end; any other line that is not
// a reply line where a reply must start means the two sides no longer understand each other.
LineFit AddLine(FtpReply& reply, const QByteArray& line)
{
    bool last = false;
    const int code = ReplyCode(line, &last);
    if (reply.lines.isEmpty())
    {
        if (code == 0)
            return line.trimmed().isEmpty() ? LineFit::More : LineFit::Garbled;
        reply.code = code;
        reply.lines.append(line);
        return last ? LineFit::Complete : LineFit::More;
    }
    reply.lines.append(line);
    return code == reply.code && last ? LineFit::Complete : LineFit::More;
}

IoResult Garbled(const QByteArray& line)
{
    constexpr qsizetype kShownBytes = 120;
    return IoResult::Fail(IoStatus::Protocol,
                          QCoreApplication::translate("ControlChannel", "伺服器回應的格式不正確：%1")
                              .arg(VisibleText(QString::fromUtf8(line.left(kShownBytes)))));
}
} // namespace

CControlChannel::CControlChannel() = default;
CControlChannel::~CControlChannel() = default;

void CControlChannel::Log(FtpLogKind kind, const QByteArray& line) const
{
    if (m_log)
        m_log(kind, line);
}

void CControlChannel::Attach(std::unique_ptr<CTransport> transport)
{
    m_transport = std::move(transport);
}

std::unique_ptr<CTransport> CControlChannel::Detach()
{
    return std::move(m_transport);
}

void CControlChannel::Close()
{
    m_transport.reset();
    m_buffer.clear();
    m_position = 0;
}

IoResult CControlChannel::Send(const QByteArray& command, int timeoutMs)
{
    if (!m_transport)
        return IoResult::Fail(IoStatus::Closed);
    QByteArray line = command;
    if (m_commandHook)
        m_commandHook(line);
    if (line.contains('\r') || line.contains('\n') || line.contains('\0'))
        return IoResult::Fail(IoStatus::Protocol, QCoreApplication::translate(
                                                      "ControlChannel", "命令含有換行或 NUL 字元，未送出"));
    Log(FtpLogKind::Command, line);
    line += "\r\n";
    return Checked(m_transport->Write(line.constData(), line.size(), timeoutMs));
}

ReplyResult CControlChannel::ReadReply(int timeoutMs)
{
    ReplyResult result;
    qint64 taken = 0;
    for (;;)
    {
        QByteArray line;
        const qsizetype start = m_position;
        if (!TakeLine(&line))
        {
            if (taken + (m_buffer.size() - m_position) > kMaxReplyBytes)
                return {Checked(IoResult::Fail(IoStatus::Protocol, QCoreApplication::translate(
                                                                       "ControlChannel", "伺服器回應過長"))),
                        {}};
            const IoResult io = Checked(Fill(timeoutMs));
            if (!io.Ok())
                return {io, {}};
            continue;
        }
        taken += m_position - start;
        if (taken > kMaxReplyBytes)
            return {Checked(IoResult::Fail(IoStatus::Protocol,
                                           QCoreApplication::translate("ControlChannel", "伺服器回應過長"))),
                    {}};
        Log(FtpLogKind::Reply, line);
        const LineFit fit = AddLine(result.reply, line);
        if (fit == LineFit::Garbled)
            return {Checked(Garbled(line)), {}};
        if (fit == LineFit::Complete)
        {
            Compact();
            return result;
        }
    }
}

ReplyResult CControlChannel::Command(const QByteArray& command, int timeoutMs)
{
    const IoResult sent = Send(command, timeoutMs);
    if (!sent.Ok())
        return {sent, {}};
    ReplyResult result = ReadReply(timeoutMs);
    while (result.io.Ok() && result.reply.IsPreliminary())
        result = ReadReply(timeoutMs);
    return result;
}

IoResult CControlChannel::Fill(int timeoutMs)
{
    if (!m_transport)
        return IoResult::Fail(IoStatus::Closed);
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + kReadChunk);
    const IoResult io = m_transport->Read(m_buffer.data() + old, kReadChunk, timeoutMs);
    m_buffer.resize(old + (io.Ok() ? io.bytes : 0));
    if (io.Ok() && m_buffer.indexOf('\0', old) >= 0)
        return IoResult::Fail(IoStatus::Protocol,
                              QCoreApplication::translate("ControlChannel", "伺服器回應含有 NUL 字元"));
    return io;
}

IoResult CControlChannel::Checked(const IoResult& io)
{
    if (!io.Ok())
        Close();
    return io;
}

bool CControlChannel::TakeLine(QByteArray* line)
{
    const qsizetype end = m_buffer.indexOf('\n', m_position);
    if (end < 0)
        return false;
    qsizetype length = end - m_position;
    if (length > 0 && m_buffer[end - 1] == '\r')
        --length;
    *line = m_buffer.mid(m_position, length);
    m_position = end + 1;
    return true;
}

void CControlChannel::Compact()
{
    m_buffer.remove(0, m_position);
    m_position = 0;
}
