#pragma once

#include "engine/ftp/AsciiConverter.h"
#include "engine/ftp/FtpDataChannel.h"
#include "engine/FtpResult.h"
#include "engine/LocalFile.h"

#include <functional>
#include <memory>

using FtpProgressHook = std::function<void(qint64 position, qint64 total)>;

struct FtpTransferRequest
{
    QByteArray command;   // "RETR name", "STOR name", "APPE name", "LIST", "MLSD path"
    qint64 offset = 0;    // bytes both sides already have (progress starts here)
    bool restart = false; // send "REST offset" before the command
    qint64 total = -1;    // expected size for progress; -1: from the preliminary reply unless restarted
    bool ascii = false;   // CR LF on the wire, LF on disk
    FtpProgressHook progress;
};

// One transfer over a data connection, from the transfer command to its final reply. A cancel or a
// failure in the middle drops the data connection and sends ABOR, so the control connection stays
// usable; when the server does not settle within a short time the control connection is closed.
class CFtpTransfer
{
public:
    static constexpr qint64 kBlockSize = 1 << 20;

    CFtpTransfer(CControlChannel& control, CCancelToken& cancel, FtpCapabilities& capabilities,
                 const FtpDataSettings& settings);
    ~CFtpTransfer();

    // Writes into the local file, which is opened (and, with Mode::Replace, truncated) only once the
    // server has accepted the command.
    FtpResult Download(const FtpTransferRequest& request, const QString& localPath, CLocalFile::Mode mode,
                       const QString& what);
    // Sends the rest of source from where it stands.
    FtpResult Upload(const FtpTransferRequest& request, CLocalFile& source, const QString& what);
    // A listing or another small body, kept in memory.
    FtpValue<QByteArray> Fetch(const FtpTransferRequest& request, const QString& what);

    // After a download: where the file stands (the offset included) and the size the request or the
    // server's preliminary reply gave for it, -1 when neither did.
    qint64 Position() const { return m_position; }
    qint64 Announced() const { return m_request.total; }

private:
    using Sink = std::function<IoResult(const char* data, qint64 size)>;

    FtpResult Begin(const FtpTransferRequest& request, const QString& what);
    FtpResult Receive(const Sink& sink, const QString& what);
    FtpResult Send(CLocalFile& source, const QString& what);
    FtpResult End(const QString& what);
    // Gives up the transfer: the reason stays, the server's final reply is added when it explains more.
    FtpResult Abandon(const FtpResult& reason, const QString& what);
    FtpResult DataFailure(const IoResult& io, const QString& what);
    void Report(qint64 position);

    CControlChannel& m_control;
    CCancelToken& m_cancel;
    FtpDataSettings m_settings;
    CFtpDataChannel m_data;
    CAsciiConverter m_ascii;
    std::unique_ptr<char[]> m_buffer;
    std::unique_ptr<char[]> m_converted;
    FtpTransferRequest m_request;
    qint64 m_position = 0;
    bool m_finalPending = false;
    FtpReply m_final; // the final reply when it came before the data was through
};
