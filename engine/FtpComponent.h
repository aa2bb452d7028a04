#pragma once

#include "engine/Checksum.h"
#include "engine/FtpClient.h"
#include "engine/JobThread.h"
#include "engine/ListItem.h"
#include "engine/OwnerCall.h"
#include "engine/ServerCertificate.h"
#include "engine/SftpClient.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <vector>

class QEventLoop;

enum class FtpProtocol
{
    Ftp = 0,
    Sftp = 1,                 // over SSH; through the tunnel proxies and the relay, not the FTP styles
    ExplicitTlsClearData = 2, // AUTH TLS, PROT C
    ExplicitTls = 3,          // AUTH TLS, PROT P
    ImplicitTls = 4
};

enum class FtpAuthentication
{
    Password =
        0,  // no client certificate; SFTP: the private key when set, else (or when refused) the password
    Key = 2 // present the key object's certificate and key; SFTP: the private key only
};

// State() values.
enum FtpComponentState
{
    FtpStateDisconnected = 0,
    FtpStateConnected = 4
};

// Codes that Connected and Done carry besides 0 (success) and the server's own reply code (400-599)
// when it refused.
enum FtpComponentError
{
    FtpErrorNetwork = 1,
    FtpErrorTimedOut = 2,
    FtpErrorCancelled = 3,
    FtpErrorProtocol = 4,
    FtpErrorLocal = 5,
    FtpErrorRejected = 6, // the owner rejected the server's certificate
    FtpErrorNotConnected = 7,
    FtpErrorBadRequest = 8,
    FtpErrorUnsupported = 9,
    FtpErrorUntrusted = 10 // HostCertificate: the system's trust store does not vouch for it
};

// The FTP component that sessions and transfer workers drive: properties, methods that return at once,
// and events. The protocol runs on a private I/O thread; every event is delivered (queued) on the
// thread that created the component, and every method must be called from that thread.
//
// Each call ends with exactly one final event: Connect with Connected, Disconnect with Disconnected
// (when a connection was up), RawCommand with FTPReply, everything else with Done. With the blocking
// flag set, a call returns only once its final event has been delivered, dispatching the thread's
// events meanwhile. SetRemoteFolder, RemoteChecksum, LocalChecksum and CheckFolder always work so,
// since they return a value.
class CFtpComponent : public QObject
{
    Q_OBJECT

public:
    explicit CFtpComponent(QObject* parent = nullptr);
    // Ends a transfer in progress and stops the I/O thread.
    ~CFtpComponent() override;

    // Properties; a call takes the values in force when it is made.
    void SetBlocking(bool blocking) { m_blocking = blocking; }
    bool IsBlocking() const { return m_blocking; }
    // Log lines (CommandSent, PreTranslateReply, Information) and the first and last Progress of each
    // transfer wait for the next event that is delivered anyway (a Progress during the transfer, the
    // final event), in their order, instead of waking the owner's thread each. For owners that move many
    // small files and only record the lines; a session that shows its log live leaves it off.
    void SetDeferredReports(bool deferred) { m_deferReports = deferred; }
    bool DeferredReports() const { return m_deferReports; }
    void SetHost(const QString& host) { m_host = host; }
    const QString& Host() const { return m_host; }
    void SetLogin(const QString& login) { m_login = login; }
    const QString& Login() const { return m_login; }
    void SetPassword(const QString& password) { m_password = password; }
    const QString& Password() const { return m_password; }
    // 0: the protocol's own port (21, or 990 for implicit TLS).
    void SetPort(int port) { m_port = port; }
    int Port() const { return m_port; }
    // FtpStateConnected while logged in, else FtpStateDisconnected.
    int State() const { return m_state; }
    // Whether the last Connect failed because the server refused the log-in (FTP's 530, SSH
    // authentication): another attempt with the same log-in and password cannot do better.
    bool LogInRefused() const { return m_logInRefused; }
    // The next transfers continue a partial file: a download appends to the local file from its size,
    // an upload sends what the remote file lacks.
    void SetResume(bool resume) { m_resume = resume; }
    bool Resume() const { return m_resume; }
    // The size of the file the next downloads fetch, as a listing gave it, or -1 (the default) when it
    // is not known: SFTP then need not ask the server for it. A binary download that ends short of it
    // fails, unless the server's own size, asked again then, shows the listing was stale.
    void SetKnownSize(qint64 size) { m_knownSize = size; }
    qint64 KnownSize() const { return m_knownSize; }
    void SetAuthentication(FtpAuthentication authentication) { m_authentication = authentication; }
    FtpAuthentication Authentication() const { return m_authentication; }
    void SetProtocol(FtpProtocol protocol) { m_protocol = protocol; }
    FtpProtocol Protocol() const { return m_protocol; }
    // The client certificate and its private key (PEM files), presented with FtpAuthentication::Key
    // when the server asks for one.
    void SetClientCertificate(const QString& certificateFile, const QString& keyFile,
                              const QByteArray& passphrase)
    {
        m_certificateFile = certificateFile;
        m_keyFile = keyFile;
        m_keyPassphrase = passphrase;
    }
    // The private key for SFTP public-key log-in (PEM or OpenSSH format); an empty path for none.
    void SetPrivateKey(const QString& keyFile, const QByteArray& passphrase)
    {
        m_keyFile = keyFile;
        m_keyPassphrase = passphrase;
    }
    const QString& CertificateFile() const { return m_certificateFile; }
    const QString& PrivateKeyFile() const { return m_keyFile; }
    void SetPassive(bool passive) { m_passive = passive; }
    bool IsPassive() const { return m_passive; }
    // The proxy for the control and the passive data connections, or for SFTP's SSH connection. Type
    // numbers: 0 none, 1 SOCKS4, 2 SOCKS5, 3 HTTP CONNECT, 4 relay, 5 SOCKS4a, 100 FTP SITE, 101 FTP
    // OPEN, 102 FTP USER (FTP only: SFTP refuses to connect); any other number means none. Port 0: the
    // kind's usual port.
    void SetProxyHost(const QString& host) { m_proxyHost = host; }
    const QString& ProxyHost() const { return m_proxyHost; }
    void SetProxyLogin(const QString& login) { m_proxyLogin = login; }
    const QString& ProxyLogin() const { return m_proxyLogin; }
    void SetProxyPassword(const QString& password) { m_proxyPassword = password; }
    const QString& ProxyPassword() const { return m_proxyPassword; }
    void SetProxyPort(int port) { m_proxyPort = port; }
    int ProxyPort() const { return m_proxyPort; }
    void SetProxyType(int type) { m_proxyType = type; }
    int ProxyType() const { return m_proxyType; }
    // CCC after log-in: the command channel goes clear, data connections stay as the protocol says.
    void SetClearCommandChannel(bool clear) { m_clearCommandChannel = clear; }
    bool ClearCommandChannel() const { return m_clearCommandChannel; }
    // For connecting and for each wait on the server afterwards.
    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int Timeout() const { return m_timeoutMs; }
    void SetTransferMode(FtpTransferType mode) { m_transferMode = mode; }
    FtpTransferType TransferMode() const { return m_transferMode; }
    // The remote folder as the server last reported it (PWD after log-in and after each change).
    const QString& RemoteFolder() const { return m_remoteFolder; }
    // CWD, then PWD; 0 or an error code (Done carries the text).
    int SetRemoteFolder(const QString& path);
    // The host key of the last HostKey event, for owners that keep a store of trusted keys.
    const SshHostKey& ServerHostKey() const { return m_serverHostKey; }
    // The item collection of the last listing (empty after a failed one).
    const std::vector<ListItem>& Items() const { return m_items; }

    // Methods.
    void Connect();
    // QUIT and close; a transfer in progress is aborted first.
    void Disconnect();
    void Download(const QString& localPath, const QString& remotePath);
    void Upload(const QString& localPath, const QString& remotePath);
    void MakeFolder(const QString& path);
    void RemoveFolder(const QString& path);
    void Delete(const QString& path);
    // An empty path lists the current folder; ListItems carries the raw lines, Items() the entries.
    void List(const QString& path = {});
    void Rename(const QString& newPath, const QString& oldPath);
    // Ends the transfer (or listing, or connection attempt) in progress, which then finishes with
    // FtpErrorCancelled; the control connection stays usable when the server settles.
    void Abort();
    // The same for the call in progress and for every call made before now that has not started (a
    // transfer, listing or connection attempt): each ends at once with FtpErrorCancelled.
    void AbortAll();
    // Any command that needs no data connection; a trailing CR LF is dropped.
    void RawCommand(const QString& command);
    // Deletes everything inside the folder, sub-folders included; the folder itself stays.
    void DeleteFolderContents(const QString& path);
    // Lower-case hex; empty when the server offers no way to compute it or the file cannot be read.
    QString RemoteChecksum(ChecksumKind kind, const QString& path);
    QString LocalChecksum(ChecksumKind kind, const QString& localPath);
    // 0 when the remote folder exists and can be entered, else an error code.
    int CheckFolder(const QString& path);

Q_SIGNALS:
    void Connected(int code, const QString& text);
    void Disconnected();
    void StateChange(int oldState);
    // Before any password is sent. accept starts as the system trust store's verdict (code 0 and an
    // empty text when it vouches for the certificate, else FtpErrorUntrusted and OpenSSL's reason);
    // a handler that leaves it false ends the connection.
    void HostCertificate(const ServerCertificate& certificate, int code, const QString& text, bool& accept);
    // SFTP: the server's host key (type and SHA-256 fingerprint) before any password or key is sent. accept
    // starts false; a handler that leaves it so, or no handler at all, ends the connection.
    void HostKey(const QString& type, const QString& fingerprint, bool& accept);
    // Throttled to a few dozen a second; the final position always arrives before Done.
    void Progress(qint64 position, qint64 total);
    // The raw lines of a listing, CR LF between them.
    void ListItems(const QString& text);
    void Done(int code, const QString& text);
    // The reply to RawCommand: code 0 and the error text when no reply came.
    void FTPReply(const QString& command, int code, const QString& reply);
    // Each command just before it is sent, password included (owners mask it before showing it); a
    // handler may change it. The I/O thread waits a few seconds at most for the handlers.
    void PreTranslateCommand(QString& command);
    // Each command as it goes out, after the handlers above, password included. Queued like the replies:
    // the I/O thread does not wait for it, so observers that only log should use this one.
    void CommandSent(const QString& command);
    // Each reply line as received.
    void PreTranslateReply(int code, const QString& reply);
    // What the engine decided on its own (an address substitution, a fallback), for the log.
    void Information(const QString& text);

private:
    enum class WaitMode
    {
        IfBlocking,
        Always
    };
    struct JobResult
    {
        int code = 0;
        QString text;
    };

    quint64 Start(std::function<void(quint64 job)> job, bool abortable, WaitMode wait = WaitMode::IfBlocking);
    void StartTransfer(std::function<FtpResult(const FtpProgressHook& progress)> transfer);
    void StartSimple(std::function<FtpResult()> call, bool abortable);
    void WaitFor(quint64 job);
    // From the I/O thread: queues the job's completion (owner-side updates and its final event),
    // preceded by the connection state change the job caused.
    void Complete(quint64 job, std::function<void()> completion);
    void CompleteWithDone(quint64 job, const FtpResult& result);
    void Finish(quint64 job, const std::function<void()>& completion, bool changed, bool connected);
    // Queues the event for the owner's thread, after any reports held back for it.
    void Post(std::function<void()> event);
    // A report: queued as an event, or held back for the next one when reports are deferred.
    void Report(std::function<void()> event);
    static JobResult ResultOf(const FtpResult& result);

    FtpConnectOptions ConnectOptions() const;
    SftpConnectOptions SftpOptions() const;
    ProxySettings Proxy() const;
    // On the I/O thread; the key file is read there.
    FtpResult ConnectSftp(SftpConnectOptions options, const QString& keyFile, const QByteArray& passphrase);
    // On the I/O thread: the call on the client the connection was made with.
    template <typename Call> auto OnClient(Call call) { return m_ioSftp ? call(m_sftp) : call(m_client); }
    bool IoConnected() const { return m_ioSftp ? m_sftp.IsConnected() : m_client.IsConnected(); }
    void InstallHooks();
    // On the I/O thread: the command as the handlers leave it, announced to CommandSent's observers.
    QByteArray TranslateCommand(const QByteArray& command);
    QByteArray AskToTranslate(const QByteArray& command);
    bool AskAboutCertificate(const ServerCertificate& certificate);
    bool AskAboutHostKey(const SshHostKey& key);
    // Enters the folder and returns to where it was.
    FtpResult VisitFolder(const QByteArray& folder);
    FtpResult DeleteContents(const QByteArray& folder, int depth);

    // Owner-thread state.
    bool m_blocking = false;
    QString m_host, m_login, m_password;
    int m_port = 0;
    int m_state = FtpStateDisconnected;
    bool m_logInRefused = false;
    bool m_resume = false;
    qint64 m_knownSize = -1;
    FtpAuthentication m_authentication = FtpAuthentication::Password;
    FtpProtocol m_protocol = FtpProtocol::Ftp;
    QString m_certificateFile, m_keyFile;
    QByteArray m_keyPassphrase;
    bool m_passive = true;
    QString m_proxyHost, m_proxyLogin, m_proxyPassword;
    int m_proxyPort = 0;
    int m_proxyType = 0;
    bool m_clearCommandChannel = false;
    int m_timeoutMs = 30000;
    FtpTransferType m_transferMode = FtpTransferType::Binary;
    QString m_remoteFolder;
    std::vector<ListItem> m_items;
    SshHostKey m_serverHostKey;
    quint64 m_postedJobs = 0;
    quint64 m_completedJobs = 0;
    QList<QEventLoop*> m_blockingWaits;

    // Shared: set on the owner's thread, read on the I/O thread; the held reports belong to the I/O thread.
    std::atomic<bool> m_deferReports{false};
    std::vector<std::function<void()>> m_heldReports;

    // I/O-thread state.
    bool m_ioConnected = false;
    bool m_ioSftp = false; // the protocol of the last Connect

    CFtpClient m_client;
    CSftpClient m_sftp;
    COwnerCall m_ownerCall;
    CJobThread m_thread; // last: stopped first
};
