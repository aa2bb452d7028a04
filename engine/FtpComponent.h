#pragma once

#include "engine/Checksum.h"
#include "engine/ConnectionTarget.h"
#include "engine/JobThread.h"
#include "engine/ListItem.h"
#include "engine/OwnerCall.h"
#include "engine/RemoteConnection.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <vector>

class QEventLoop;

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

// The asynchronous face of one connection for the connection windows: properties, methods that return
// at once, and events. A CRemoteConnection runs on a private I/O thread; every event is delivered
// (queued) on the thread that created the component, and every method must be called from that thread.
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
    // Where the next Connect goes and how.
    void SetTarget(const CConnectionTarget& target) { m_target = target; }
    const CConnectionTarget& Target() const { return m_target; }
    // Single fields of the target.
    void SetPassword(const QString& password) { m_target.password = password; }
    // 0: the protocol's own port (21, or 990 for implicit TLS).
    void SetPort(int port) { m_target.port = port; }
    void SetProtocol(FtpProtocol protocol) { m_target.protocol = protocol; }
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
    // Takes effect with the next listing or transfer, on a connection already up too.
    void SetPassive(bool passive) { m_target.passive = passive; }
    bool IsPassive() const { return m_target.passive; }
    void SetTransferMode(FtpTransferType mode) { m_transferMode = mode; }
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

    void InstallHooks();
    // On the I/O thread: the command as the handlers leave it, announced to CommandSent's observers.
    QByteArray TranslateCommand(const QByteArray& command);
    QByteArray AskToTranslate(const QByteArray& command);
    bool AskAboutCertificate(const ServerCertificate& certificate);
    bool AskAboutHostKey(const SshHostKey& key);

    // Owner-thread state.
    bool m_blocking = false;
    CConnectionTarget m_target;
    int m_state = FtpStateDisconnected;
    bool m_logInRefused = false;
    bool m_resume = false;
    qint64 m_knownSize = -1;
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
    CRemoteConnection m_connection;
    COwnerCall m_ownerCall;
    CJobThread m_thread; // last: stopped first
};
