#pragma once

#include "engine/net/CancelToken.h"
#include "engine/Checksum.h"
#include "engine/ftp/ControlChannel.h"
#include "engine/ftp/FtpCapabilities.h"
#include "engine/ftp/FtpConnectOptions.h"
#include "engine/ftp/FtpFeatures.h"
#include "engine/FtpResult.h"
#include "engine/ftp/FtpTransfer.h"
#include "engine/ListItem.h"
#include "engine/net/ServerCertificate.h"
#include "engine/net/SocketAddress.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CTlsContext;
class CTlsTransport;

enum class FtpTransferType
{
    Binary,
    Ascii
};

enum class FtpUploadMode
{
    Replace, // STOR
    Append,  // APPE: the whole local file is added to the end
    Resume   // the part the server lacks (its SIZE onwards) is sent
};

struct FtpListing
{
    bool mlsd = false;
    QList<QByteArray> lines; // as received, CR LF removed, empty lines left out
    std::vector<ListItem> items;
};

// Returns true to go on with the server's certificate.
using FtpCertificateHook = std::function<bool(const ServerCertificate& certificate)>;

// A synchronous FTP and FTPS client: every call blocks until done, fails, times out or is cancelled,
// and returns a result value. One thread drives it; Cancel() may come from any thread.
class CFtpClient
{
public:
    CFtpClient();
    ~CFtpClient();
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;

    void SetLogHook(FtpLogHook hook) { m_control.SetLogHook(std::move(hook)); }
    void SetCommandHook(FtpCommandHook hook) { m_control.SetCommandHook(std::move(hook)); }
    // Without a hook only certificates that the system's trust store verifies for the host are taken.
    void SetCertificateHook(FtpCertificateHook hook) { m_certificateHook = std::move(hook); }
    // Ends the blocking call in progress (a transfer is aborted, anything else drops the connection).
    // Stays in force until a call has been ended by it or ClearCancel() is called.
    void Cancel() { m_cancel.Cancel(); }
    void ClearCancel() { m_cancel.Clear(); }

    bool IsConnected() const { return m_control.IsOpen(); }
    const CFtpFeatures& Features() const { return m_features; }
    // "TLSv1.3" and the like while the control connection is protected, else empty.
    QByteArray TlsVersion() const;

    FtpResult Connect(const FtpConnectOptions& options);
    FtpResult Quit();
    void Disconnect();

    void SetPassive(bool passive) { m_passive = passive; }
    // Takes effect (TYPE A or TYPE I) with the next transfer.
    void SetTransferType(FtpTransferType type) { m_type = type; }
    FtpTransferType TransferType() const { return m_type; }

    FtpValue<QByteArray> CurrentFolder();
    FtpResult ChangeFolder(const QByteArray& path);
    FtpResult ChangeToParent();
    // MLSD when the server offers it, else LIST; path empty for the current folder.
    FtpValue<FtpListing> List(const QByteArray& path = {});
    // With resume the local file is continued from its end and never truncated. In binary mode a
    // transfer that ends with fewer bytes than the server announced (SIZE when resuming, else the
    // count in its 150 reply, else listedSize from a listing, confirmed by SIZE) fails.
    FtpResult Download(const QByteArray& remotePath, const QString& localPath, bool resume,
                       const FtpProgressHook& progress = {}, qint64 listedSize = -1);
    FtpResult Upload(const QString& localPath, const QByteArray& remotePath, FtpUploadMode mode,
                     const FtpProgressHook& progress = {});
    FtpResult Delete(const QByteArray& path);
    FtpResult RemoveFolder(const QByteArray& path);
    FtpResult MakeFolder(const QByteArray& path);
    FtpResult Rename(const QByteArray& from, const QByteArray& to);
    FtpValue<qint64> Size(const QByteArray& path);
    FtpValue<QDateTime> ModifiedTime(const QByteArray& path);
    // MFMT when offered, else "MDTM YYYYMMDDHHMMSS path".
    FtpResult SetModifiedTime(const QByteArray& path, const QDateTime& time);
    // Lower-case hex like local checksums; an empty value when the server offers no way to get it.
    FtpValue<QByteArray> RemoteChecksum(ChecksumKind kind, const QByteArray& path);
    FtpResult Site(const QByteArray& arguments);
    // Any command that needs no data connection; succeeds unless the reply is an error (4xx, 5xx).
    FtpResult Raw(const QByteArray& command);
    // For a copy between two servers, where one server's reply waits on the other: sends the command
    // and returns its first reply, preliminary (1xx) or not. FinalReply reads on to the first reply
    // that is not preliminary, waiting at most timeoutMs for each.
    FtpValue<FtpReply> Begin(const QByteArray& command);
    FtpValue<FtpReply> FinalReply(int timeoutMs);
    FtpResult Noop();

private:
    FtpResult Reconnect(const FtpConnectOptions& options);
    FtpResult Open();
    FtpResult Greeting(const QString& where);
    FtpResult AuthTls();
    FtpResult StartTls();
    FtpResult ProtectData();
    FtpResult LogIn();
    // The server as an FTP proxy is told it: "host", or "host:port" for another port than 21.
    QByteArray ProxyTarget() const;
    // SITE style (with the proxy's own log-in first) or OPEN style.
    FtpResult OpenThroughFtpProxy();
    FtpResult LogInAs(const QByteArray& user, const QByteArray& password, const QByteArray& account,
                      const QString& what);
    FtpResult ClearCommandChannel();
    FtpResult ReadFeatures();

    // Success when the connection is up and text cannot smuggle a second command; else why not.
    FtpResult Refusal(const QByteArray& text, const QString& what) const;
    FtpValue<FtpListing> ListOnce(const QByteArray& path);
    FtpValue<qint64> RemoteSize(const QByteArray& path);
    FtpResult DownloadOnce(const QByteArray& remotePath, const QString& localPath, bool resume,
                           const FtpProgressHook& progress, qint64 listedSize);
    // done as it is, unless the file came short of the size known for it.
    FtpResult CheckLength(const QByteArray& remotePath, qint64 received, qint64 announced, qint64 listed,
                          const FtpResult& done);
    FtpResult UploadOnce(const QString& localPath, const QByteArray& remotePath, FtpUploadMode mode,
                         const FtpProgressHook& progress);
    // True when the server refused a transfer whose data connection it would not let resume the TLS
    // session; a new log-in brings sessions it takes.
    bool NeedsNewSessions(const FtpResult& result) const;
    FtpResult RenewSessions();
    FtpValue<FtpReply> Exchange(const QByteArray& command, const QString& what);
    FtpResult Expect(const QByteArray& command, const QString& what);
    FtpResult EnsureType(FtpTransferType type);
    FtpDataSettings DataSettings() const;
    FtpTransferRequest Request(const QByteArray& command, const FtpProgressHook& progress) const;
    FtpResult ResumeUpload(CLocalFile& source, const QByteArray& remotePath, FtpTransferRequest request);
    FtpValue<QByteArray> HashChecksum(const QByteArray& algorithm, const QByteArray& path);
    FtpValue<QByteArray> CommandChecksum(ChecksumKind kind, const QByteArray& path);
    // Every public call ends here: a cancel that ended the call is used up.
    FtpResult Finished(const FtpResult& result);

    CCancelToken m_cancel;
    CControlChannel m_control;
    FtpConnectOptions m_options;
    FtpCertificateHook m_certificateHook;
    std::unique_ptr<CTlsContext> m_tls;
    CTlsTransport* m_controlTls = nullptr; // owned by m_control while the control connection is protected
    QByteArray m_acceptedCertificate;      // fingerprint the owner accepted for this server
    CSocketAddress m_peer;
    CFtpFeatures m_features;
    FtpCapabilities m_capabilities;
    bool m_passive = true;
    FtpTransferType m_type = FtpTransferType::Binary;
    std::optional<FtpTransferType> m_serverType; // what the last TYPE command set
};
