#pragma once

#include "engine/FtpResult.h"
#include "engine/ftp/FtpTransfer.h"
#include "engine/sftp/SftpMessage.h"

#include <QByteArray>
#include <deque>
#include <map>

class CCancelToken;
class CLocalFile;
class CSftpConnection;

// One file's bytes over an open SFTP handle, with many READ or WRITE requests in flight. However it ends
// (done, failed, cancelled) every request sent has had its answer before it returns, so the connection
// stays in step; when that takes too long the connection is marked broken instead.
class CSftpTransfer
{
public:
    // Bytes in flight in each direction: 16 requests of OpenSSH's 255 KiB, 128 of the 32 KiB every
    // server takes.
    static constexpr qint64 kBytesInFlight = 4 * 1024 * 1024;

    CSftpTransfer(CSftpConnection& connection, CCancelToken& cancel, qint64 blockSize);

    // Whether the token is set, without waiting: answers keep coming while data flows, so the waits
    // alone would not notice a cancel.
    static bool IsCancelled(const CCancelToken& cancel);

    // Reads the remote file from offset to its end and appends it to target. total (for progress) may be
    // -1 when the size is unknown.
    FtpResult Download(const QByteArray& handle, qint64 offset, qint64 total, CLocalFile& target,
                       const FtpProgressHook& progress, const QString& what);
    // Where the download stands, the offset included.
    qint64 Position() const { return m_done; }
    // Writes source from where it stands to its end into the remote file from offset on.
    FtpResult Upload(const QByteArray& handle, qint64 offset, qint64 total, CLocalFile& source,
                     const FtpProgressHook& progress, const QString& what);

private:
    struct Request
    {
        quint32 id;
        qint64 offset;
        qint64 length;
    };

    void SendRead(const QByteArray& handle, qint64 offset, qint64 length, bool first);
    FtpResult SendWrite(const QByteArray& handle, CLocalFile& source, bool* atEnd);
    // Counts the answers to WRITE requests collected so far; the first failure among them is the result.
    FtpResult TakeWrites(const QString& what);
    // Takes the next answer and files it under its request; false with *failure set when none came.
    bool Collect(const QString& what, FtpResult* failure);
    FtpResult TakeRead(const QByteArray& handle, const SftpMessage& answer, CLocalFile& target, bool* atEnd,
                       const QString& what);
    // Waits for the answers still owed, dropping them; a cancel has already been turned into the result.
    FtpResult Settle(const FtpResult& result, const QString& what);
    void Report(qint64 position) const;

    CSftpConnection& m_connection;
    CCancelToken& m_cancel;
    qint64 m_blockSize;
    qint64 m_next = 0; // next offset to ask for or to send
    qint64 m_done = 0; // bytes written to the target or acknowledged by the server
    qint64 m_total = -1;
    FtpProgressHook m_progress;
    std::deque<Request> m_pending;          // in the order sent (offsets ascending for downloads)
    std::map<quint32, SftpMessage> m_early; // answers that came before those of earlier requests
    QByteArray m_buffer;
};
