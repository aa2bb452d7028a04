#pragma once

#include "engine/FtpLog.h"
#include "engine/ftp/FtpReply.h"
#include "engine/net/IoResult.h"

#include <memory>

class CTransport;

struct ReplyResult
{
    IoResult io;
    FtpReply reply;
};

// The FTP control connection as a stream of commands and complete replies. It knows the reply syntax
// and nothing of what replies mean.
class CControlChannel
{
public:
    static constexpr qint64 kMaxReplyBytes = 1 << 20;

    CControlChannel();
    ~CControlChannel();

    void SetLogHook(FtpLogHook hook) { m_log = std::move(hook); }
    void SetCommandHook(FtpCommandHook hook) { m_commandHook = std::move(hook); }
    void Log(FtpLogKind kind, const QByteArray& line) const;

    void Attach(std::unique_ptr<CTransport> transport);
    // Hands the transport out (to wrap it in TLS or to unwrap it); buffered bytes stay here.
    std::unique_ptr<CTransport> Detach();
    CTransport* Transport() const { return m_transport.get(); }
    bool IsOpen() const { return m_transport != nullptr; }
    void Close();
    // Bytes received beyond the last reply; after AUTH TLS they could only be an injection.
    bool HasBufferedBytes() const { return m_buffer.size() > m_position; }

    // Any failure below (time-out, cancel, broken or garbled connection) closes the channel: what the
    // server will say next is unknown.

    // Sends one command line (as the command hook leaves it); refuses text that would smuggle a second
    // command (the channel stays).
    IoResult Send(const QByteArray& command, int timeoutMs);
    // The next reply, preliminary (1xx) ones included.
    ReplyResult ReadReply(int timeoutMs);
    // Sends and reads up to the first reply that is not preliminary.
    ReplyResult Command(const QByteArray& command, int timeoutMs);

private:
    IoResult Fill(int timeoutMs);
    IoResult Checked(const IoResult& io);
    bool TakeLine(QByteArray* line);
    void Compact();

    std::unique_ptr<CTransport> m_transport;
    FtpLogHook m_log;
    FtpCommandHook m_commandHook;
    QByteArray m_buffer;
    qsizetype m_position = 0;
};
