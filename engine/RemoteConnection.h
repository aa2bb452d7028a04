#pragma once

#include "engine/Checksum.h"
#include "engine/ConnectionTarget.h"
#include "engine/FtpLog.h"
#include "engine/FtpResult.h"
#include "engine/ftp/FtpClient.h"
#include "engine/sftp/SftpClient.h"

#include <QDateTime>
#include <QString>

// One blocking connection to a server over FTP, FTPS or SFTP, for the thread that owns it: workers,
// server-to-server copies and the command line call it directly; the connection windows' component
// runs one on its I/O thread. Every call returns its outcome as a value, with the server's reply or
// the system's error in its message. Paths are the server's own (see CRemoteName for other bytes).
// Cancel() is the only call that may come from another thread.
class CRemoteConnection
{
public:
    explicit CRemoteConnection(CConnectionTarget target = {});
    CRemoteConnection(const CRemoteConnection&) = delete;
    CRemoteConnection& operator=(const CRemoteConnection&) = delete;

    // Takes effect with the next Connect.
    void SetTarget(const CConnectionTarget& target) { m_target = target; }
    const CConnectionTarget& Target() const { return m_target; }
    // Commands as sent (PASS with its password: see MaskedCommand), reply lines and the engine's notes.
    void SetLogHook(const FtpLogHook& hook);
    // Sees each command just before it is sent and may change it; over SFTP the commands of Raw.
    void SetCommandHook(const FtpCommandHook& hook);
    // Decides on a server certificate (FTPS) or host key (SFTP) before any password is sent; without
    // one, certificates the system verifies are taken and host keys refused.
    void SetCertificateHook(const FtpCertificateHook& hook) { m_ftp.SetCertificateHook(hook); }
    void SetHostKeyHook(const SftpHostKeyHook& hook) { m_sftp.SetHostKeyHook(hook); }
    // Ends the call in progress (or the next one), which returns FtpStatus::Cancelled.
    void Cancel();
    // Takes back a Cancel() that found no call to end, so that it cannot reach a later one.
    void ClearCancel();

    bool IsConnected() const;
    // Connects, logs in and reads where the log-in left it; an open connection is closed first.
    FtpResult Connect();
    // QUIT (FTP) and close; nothing happens without a connection.
    void Close();
    // The folder as the server last reported it.
    const QString& CurrentFolder() const { return m_folder; }
    FtpResult ChangeFolder(const QString& path);
    // Whether the folder exists and can be entered; the current folder stays.
    FtpResult CheckFolder(const QString& path);
    // An empty path lists the current folder.
    FtpValue<FtpListing> List(const QString& path = {});
    FtpResult MakeFolder(const QString& path);
    // The folder and every missing parent; folders already there are fine.
    FtpResult MakeFolders(const QString& path);
    FtpResult RemoveFolder(const QString& path);
    FtpResult Delete(const QString& path);
    FtpResult Rename(const QString& from, const QString& to);
    // Everything inside the folder, sub-folders included; the folder itself stays.
    FtpResult DeleteFolderContents(const QString& path);
    FtpValue<qint64> Size(const QString& path);
    FtpValue<QDateTime> ModifiedTime(const QString& path);
    FtpResult SetModifiedTime(const QString& path, const QDateTime& time);
    void SetTransferType(FtpTransferType type) { m_ftp.SetTransferType(type); }
    // For the next data connections of this connection, and for later ones.
    void SetPassive(bool passive);
    // A binary download that ends short of knownSize (or of the size the server announced) fails.
    FtpResult Download(const QString& remotePath, const QString& localPath, bool resume,
                       const FtpProgressHook& progress = {}, qint64 knownSize = -1);
    FtpResult Upload(const QString& localPath, const QString& remotePath, FtpUploadMode mode,
                     const FtpProgressHook& progress = {});
    // Lower-case hex.
    FtpValue<QByteArray> RemoteChecksum(ChecksumKind kind, const QString& path);
    // Any command that needs no data connection; the reply is in the result, refusals included.
    FtpResult Raw(const QString& command);
    FtpResult Noop();
    // The FTP core, for what only FTP can do (a copy between two servers); null over SFTP.
    CFtpClient* Ftp() { return m_target.IsSftp() ? nullptr : &m_ftp; }

private:
    template <typename Call> auto OnClient(Call call) { return m_sftpOpen ? call(m_sftp) : call(m_ftp); }
    FtpResult ConnectSftp();
    FtpResult ReadFolder();
    FtpResult DeleteContents(const QByteArray& folder, int depth);

    CConnectionTarget m_target;
    CFtpClient m_ftp;
    CSftpClient m_sftp;
    FtpCommandHook m_commandHook;
    bool m_sftpOpen = false; // the protocol of the last Connect
    QString m_folder;
};
