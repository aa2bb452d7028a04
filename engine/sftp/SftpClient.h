#pragma once

#include "engine/Checksum.h"
#include "engine/FtpLog.h"
#include "engine/FtpResult.h"
#include "engine/ListItem.h"
#include "engine/ftp/FtpClient.h"
#include "engine/net/CancelToken.h"
#include "engine/sftp/SftpConnectOptions.h"
#include "engine/sftp/SshHostKey.h"
#include "engine/sftp/SshSession.h"

#include <QDateTime>
#include <QHash>
#include <functional>
#include <memory>

class CSftpConnection;
class CSftpPacket;
class CTransport;
struct SftpAttributes;
struct SftpMessage;
struct SftpRawCommand;

// Returns true to go on with the server whose host key this is. It runs before anything that proves who
// the user is (password or key) goes out.
using SftpHostKeyHook = std::function<bool(const SshHostKey& key)>;

// A synchronous SFTP (version 3) client over SSH: every call blocks until done, fails, times out or is
// cancelled, and returns a result value. One thread drives it; Cancel() may come from any thread. Remote
// paths are UTF-8 bytes; relative ones are taken below the current folder, which this side keeps.
class CSftpClient
{
public:
    CSftpClient();
    ~CSftpClient();
    CSftpClient(const CSftpClient&) = delete;
    CSftpClient& operator=(const CSftpClient&) = delete;

    // The extension pairs of a VERSION answer's body; false when it is garbled.
    static bool ReadExtensions(const QByteArray& body, QHash<QByteArray, QByteArray>* extensions);

    // Info lines about the connection, and raw commands with their emulated replies.
    void SetLogHook(FtpLogHook hook) { m_log = std::move(hook); }
    // Without a hook every host key is refused.
    void SetHostKeyHook(SftpHostKeyHook hook) { m_hostKeyHook = std::move(hook); }
    // Ends the blocking call in progress: a transfer stops with its connection still usable, a failed
    // log-in drops the connection. Stays in force until a call has been ended by it or ClearCancel().
    void Cancel() { m_cancel.Cancel(); }
    void ClearCancel() { m_cancel.Clear(); }

    bool IsConnected() const;
    FtpResult Connect(const SftpConnectOptions& options);
    void Disconnect();

    FtpValue<QByteArray> CurrentFolder() const;
    FtpResult ChangeFolder(const QByteArray& path);
    FtpResult ChangeToParent();
    // Items with the long names' permission text, owner and group; lines are the long names.
    FtpValue<FtpListing> List(const QByteArray& path = {});
    // Follows symbolic links.
    FtpValue<ListItem> Stat(const QByteArray& path);
    FtpValue<qint64> Size(const QByteArray& path);
    FtpValue<QDateTime> ModifiedTime(const QByteArray& path);

    // With resume the local file is continued from its end and never truncated. knownSize: the file's
    // size as a listing gave it, which spares asking the server; -1 when it is not known.
    FtpResult Download(const QByteArray& remotePath, const QString& localPath, bool resume,
                       const FtpProgressHook& progress = {}, qint64 knownSize = -1);
    FtpResult Upload(const QString& localPath, const QByteArray& remotePath, FtpUploadMode mode,
                     const FtpProgressHook& progress = {});
    FtpResult Delete(const QByteArray& path);
    FtpResult RemoveFolder(const QByteArray& path);
    FtpResult MakeFolder(const QByteArray& path);
    // Over an existing name where the server offers posix-rename@openssh.com.
    FtpResult Rename(const QByteArray& from, const QByteArray& to);
    // Everything inside the folder, which itself stays; symbolic links are removed, never followed.
    FtpResult DeleteFolderContents(const QByteArray& path);
    FtpResult SetModifiedTime(const QByteArray& path, const QDateTime& time);
    FtpResult SetPermissions(const QByteArray& path, quint32 mode);
    // Lower-case hex like local checksums: the check-file extension where the server has it, else md5sum
    // or sha1sum over an exec channel; an empty value when neither works.
    FtpValue<QByteArray> RemoteChecksum(ChecksumKind kind, const QByteArray& path);
    // The FTP commands the program sends itself, answered with FTP replies (in result.reply): SYST,
    // SITE HELP, SITE CHMOD, MDTM, NOOP and other keep-alive commands. Anything else gets 500.
    FtpResult Raw(const QByteArray& command);
    // A round trip to the server.
    FtpResult Noop();

private:
    enum class Support
    {
        Unknown,
        Yes,
        No
    };

    FtpResult Open();
    FtpResult CheckHostKey();
    FtpResult LogIn();
    FtpResult LoggedIn(const FtpValue<SshAuthOutcome>& step, const QString& how);
    FtpValue<SshAuthOutcome> LogInWithPassword(int methods);
    FtpResult StartSftp();
    FtpResult ReadLimits();

    QByteArray Absolute(const QByteArray& path) const;
    FtpResult Usable(const QString& what) const;
    // Sends one request, its fields written by fill, and returns the answer.
    FtpValue<SftpMessage> Request(quint8 type, const std::function<void(CSftpPacket&)>& fill,
                                  const QString& what);
    // The result of a request answered with SSH_FXP_STATUS.
    static FtpResult StatusOf(const FtpValue<SftpMessage>& answer, const QString& what);
    // A request that names one path and is answered with a status.
    FtpResult Simple(quint8 type, const QByteArray& path, const QString& what);
    FtpValue<SftpAttributes> Attributes(quint8 type, const QByteArray& path, const QString& what);
    FtpValue<QByteArray> RealPath(const QByteArray& path, const QString& what);
    // The first name of a NAME answer (REALPATH, READLINK).
    FtpValue<QByteArray> NameOf(quint8 type, const QByteArray& path, const QString& what);
    FtpValue<QByteArray> OpenHandle(quint8 type, const QByteArray& path, quint32 flags, const QString& what);
    FtpResult CloseHandle(const QByteArray& handle, const QString& what);
    // A read handle's close goes out at once and is not waited for: its answer tells a finished
    // download nothing, and whoever reads it drops it.
    void CloseReadHandle(const QByteArray& handle);
    FtpResult SetAttributes(const QByteArray& path, const SftpAttributes& attributes, const QString& what);
    FtpValue<FtpListing> ReadFolder(const QByteArray& folder, const QString& what);
    FtpResult ReadEntries(const SftpMessage& answer, FtpListing* listing, const QString& what);
    FtpResult DeleteTree(const QByteArray& folder, int depth);
    FtpResult ReceiveFile(const QByteArray& handle, const QByteArray& path, const QString& localPath,
                          bool resume, qint64 knownSize, const FtpProgressHook& progress,
                          const QString& what);
    // Success unless the file came short of total, the size known before reading (the listing's, when
    // listed, is checked against the server's own first).
    FtpResult CheckLength(const QByteArray& handle, const QString& name, qint64 received, qint64 total,
                          bool listed, const QString& what);
    // The open file's size from the server, or -1 when it does not say.
    qint64 HandleSize(const QByteArray& handle, const QString& what);
    FtpValue<qint64> RemoteSizeForResume(const QByteArray& path, const QString& what);
    FtpValue<QByteArray> CheckFile(ChecksumKind kind, const QByteArray& path);
    FtpValue<QByteArray> HashCommand(ChecksumKind kind, const QByteArray& path);
    FtpResult Emulate(const SftpRawCommand& command);
    FtpResult Reply(int code, const QList<QByteArray>& lines, const QString& message = {});
    void Log(FtpLogKind kind, const QByteArray& line) const;
    void Info(const QString& text) const { Log(FtpLogKind::Info, text.toUtf8()); }
    // Every public call ends here: a cancel that ended the call is used up, a broken connection closed.
    FtpResult Finished(const FtpResult& result);
    template <typename T> FtpValue<T> Finished(FtpValue<T> value)
    {
        value.result = Finished(value.result);
        return value;
    }

    CCancelToken m_cancel;
    FtpLogHook m_log;
    SftpHostKeyHook m_hostKeyHook;
    SftpConnectOptions m_options;
    std::unique_ptr<CTransport> m_transport;
    std::unique_ptr<CSshSession> m_ssh;
    std::unique_ptr<CSftpConnection> m_sftp;
    QHash<QByteArray, QByteArray> m_extensions; // from the server's VERSION answer
    Support m_checkFile = Support::Unknown;
    qint64 m_readBlock = 0, m_writeBlock = 0;
    QByteArray m_current;
};
