#pragma once

#include "engine/FtpComponent.h"
#include "common/Event.h"
#include "transfer/OverwritePrompts.h"
#include "transfer/TransferModeTarget.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferWorker.h"
#include "transfer/WorkerStep.h"

#include <deque>
#include <memory>

struct CRawReply
{
    bool answered = false;
    int code = 0;
    QString text;
};

// What the download and the upload worker share: their own component, made on the worker thread;
// connecting with attempts; the waits on the done and cancel events; the protocol trace; progress
// arithmetic and status reports; the integrity check; the final message.
class CFtpTransferWorker : public CTransferWorker, protected ITransferModeTarget
{
    Q_OBJECT

protected:
    CFtpTransferWorker(Kind kind, const CTransferJob& job, const CWorkerSettings& settings,
                       IOverwritePrompts& prompts, TransferProgressMaker makeProgress);

    // Before anything is sent: a job that cannot work ends here.
    virtual CWorkerStep CheckJob() { return CWorkerStep::Ok(); }
    // The job proper, with the component made and the progress window in place.
    virtual CWorkerStep RunJob() = 0;
    virtual QString CompletedMessage() const = 0;
    virtual QString CancelledMessage() const = 0;

    CFtpComponent& Ftp() { return *m_ftp; }
    // The job's remote folder, or where the log-in left the connection when the job names none.
    const QString& RemoteFolder() const { return m_remoteFolder; }
    IOverwritePrompts& Prompts() { return m_prompts; }
    ITransferProgress& Progress() { return *m_progress; }

    // Connects with the job's attempts, the retry wait cancellable; then enters the job's remote folder.
    CWorkerStep ConnectWithAttempts();
    // Starts a call that ends with Done (or Connected) without waiting for it. The engine runs calls in
    // the order they were made, so a job may start its next file while this one still moves; their
    // outcomes are taken in the same order by WaitForDone.
    void StartCall(const std::function<void()>& call);
    // The outcome of the oldest call started and not yet waited for. Cancel, or the time running out,
    // aborts every outstanding call.
    CWorkerStep WaitForDone(int timeoutMs);
    // The same without a time limit of its own: the engine's time-outs bound the call.
    CWorkerStep WaitForCall();
    // Starts a call and waits for it (WaitForCall); only with no other call outstanding.
    CWorkerStep Run(const std::function<void()>& call);
    // Ends the outstanding calls: the running one is aborted and every queued one starts aborted.
    void AbortOutstanding();
    // Waits for a started transfer. While its connection breaks and the job's attempts last, it waits
    // the retry delay, connects again when needed and calls restart, which starts the transfer again
    // (and the one started behind it, when followed). resume becomes true once an attempt that broke
    // had written to the target file.
    CWorkerStep WaitForTransfer(const QString& name, bool& resume, bool followed,
                                const std::function<CWorkerStep()>& restart);
    // Whether a file may start before the one ahead of it has been finished here: not when each file
    // is checked against the server afterwards, which takes the connection in between.
    bool FilesMayOverlap() const { return !m_checksum; }
    // A raw command and its reply, at most the connection timeout.
    CRawReply SendRaw(const QString& command);
    // The same in two halves, for a reply that only comes when something else has happened.
    void StartRaw(const QString& command);
    // Unanswered when the time ran out or the worker was cancelled.
    CRawReply WaitRaw(const QString& command, int timeoutMs);
    // The integrity check of one transferred file; noSupport and mismatch are the failure texts.
    CWorkerStep VerifyChecksum(const QString& localPath, const QString& remotePath, const QString& noSupport,
                               const QString& mismatch);

    void ReportStatus(const QString& name, const QString& status);
    // The progress of the file in flight, against the job's totals.
    void ReportProgress(qint64 position, qint64 total);
    void AddTotalBytes(qint64 bytes) { m_totalBytes += bytes; }
    void AddDoneBytes(qint64 bytes)
    {
        m_doneBytes += bytes;
        SetTransferredBytes(m_doneBytes);
    }
    // A worker's own line in the details text (skipped names, checks passed over, rejected commands).
    void Note(const QString& text);
    int LastErrorCode() const { return m_lastCode; }
    QString LastErrorText() const { return m_lastError; }
    bool FileIsAscii() const { return m_ascii; }

    void SetTransferMode(TransferMode mode) override;

private:
    void Transfer() final;
    void MakeProgressWindow();
    void HookEvents();
    CWorkerStep RunGuarded();
    void ConfigureConnection();
    bool AcceptCertificate(const ServerCertificate& certificate);
    bool AcceptHostKey();
    void Trace(const QString& prefix, const QString& line);
    void TakeOutcome();
    // Whether the failed step broke off with its connection.
    bool LostConnection(const CWorkerStep& step) const;
    CWorkerStep RetryTransfer(const QString& name, bool& resume, bool followed,
                              const std::function<CWorkerStep()>& restart);
    void Disconnect();

    IOverwritePrompts& m_prompts;
    TransferProgressMaker m_makeProgress;
    std::unique_ptr<ITransferProgress> m_progress;
    std::unique_ptr<CFtpComponent> m_ftp;
    struct CCallOutcome
    {
        int code = 0;
        QString text;
        bool wrote = false;
    };

    CEvent m_done; // set while outcomes wait to be taken
    CEvent m_reply;
    // Calls started whose outcome has not been taken, and the outcomes that came, oldest first.
    int m_outstanding = 0;
    std::deque<CCallOutcome> m_outcomes;
    // The outcome taken last, or the last final event of a blocking call.
    int m_lastCode = 0;
    QString m_lastError;
    // Whether the call taken last got as far as the target file: a transfer reports its progress only
    // once the file is open (a local one replaced is truncated by then, a remote one made by STOR).
    bool m_lastWrote = false;
    bool m_progressSinceOutcome = false;
    CRawReply m_lastReply;
    QString m_lastReplyCommand;
    QString m_remoteFolder;
    qint64 m_totalBytes = 0;
    qint64 m_doneBytes = 0;
    int m_lastPercent = 0;
    bool m_ascii = false;
    std::optional<ChecksumKind> m_checksum; // the job's integrity check, if any
};
