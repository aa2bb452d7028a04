#pragma once

#include "common/Event.h"
#include "engine/Checksum.h"
#include "security/TrustPolicy.h"
#include "sites/FtpSite.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferRequester.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class CRemoteConnection;

// A caller's choices for one run over the stored settings (zentrava-cli's options). Unset values are
// read from the store when they are needed, as always; the store itself is never changed for a run.
struct CWorkerOverrides
{
    std::optional<int> matchingFiles;     // SmartOverwrite's MatchingFiles
    std::optional<ChecksumKind> checksum; // the integrity check, switched on with this kind
    // A worker cannot ask about a server that nothing on record vouches for; these answer instead.
    TrustAnswer unknownCertificate = TrustAnswer::Refuse;
    TrustAnswer unknownHostKey = TrustAnswer::Refuse;
    // Keep the time stamps both ways (a mirror compares them on its next run).
    std::optional<bool> preserveTime;
};

// What the queue hands a worker besides its job.
struct CWorkerSettings
{
    int connectionTimeoutMs = 3000;
    bool overwritePrompt = true;
    // Downloads: keep the remote time stamp on the local file; uploads: send the local one to the server.
    bool preserveTime = true;
    bool filter = false; // downloads: apply the stored filter
    // Downloads whose local folder names a site ("ftp:\" and a site path): a server-to-server copy to it.
    std::optional<CFtpSite> destinationSite;
    CWorkerOverrides overrides;
};

// A queued transfer and the thread that carries it out. Launch starts the thread, which waits, as if
// suspended, until the manager resumes it; so its id (the number on the queue row and in the worker's
// "[%d]" log lines) is known from the start. Workers never touch the queue: they report
// through the signals below, which reach the manager queued on its own thread.
class CTransferWorker : public QThread
{
    Q_OBJECT

public:
    using Kind = JobKind;

    // Cancels, lets a waiting thread run to its end and waits for it.
    ~CTransferWorker() override;

    Kind GetKind() const { return m_kind; }
    // The operating system's id of the worker thread.
    int ThreadId() const { return m_threadId.loadAcquire(); }
    const CTransferJob& Job() const { return m_job; }
    const CWorkerSettings& Settings() const { return m_settings; }

    // Manager side, on the manager's thread.
    // Starts the waiting thread; false when no thread could be made (the worker is then dropped).
    bool Launch();
    bool IsStarted() const { return m_started; }
    // Marks the worker started and lets its thread run the transfer; later calls do nothing.
    void Resume();
    const CScheduleInfo& Schedule() const { return m_schedule; }
    // A schedule that is not enabled never repeats.
    void SetSchedule(const CScheduleInfo& schedule);

    // Safe from any thread: ends the transfer as soon as it can, and lets a worker that never ran
    // reach its end (it then reports success with its cancel message).
    void Cancel();
    bool IsCancelled() const;

    // How far this run has got, in bytes: skipped files and a resumed file's offset count as done.
    // Safe from any thread.
    qint64 TransferredBytes() const { return m_transferred.loadRelaxed(); }

    // Valid once Done was emitted.
    bool Succeeded() const { return m_succeeded; }
    // The files a resumed job needs: those that failed for reasons of their own when the job got
    // through all its files, else all the job's files.
    QList<CTransferEntry> ResumeFiles() const;
    QString FinalMessage() const;
    CJobTally Tally() const;
    // The job's details text followed by this run's protocol trace.
    QString Details() const;

Q_SIGNALS:
    // Any of the three may be empty: an empty name or status leaves the row's text as it is, an
    // empty percent leaves its progress. The name travels on its own, so commas in it are harmless.
    void Status(CTransferWorker* worker, const QString& name, const QString& status, const QString& percent);
    // Emitted once, as the thread's last act.
    void Done(CTransferWorker* worker, bool success);
    // An uploaded file has landed: the requesting window may add or refresh its row.
    void Relay(CTransferWorker* worker, const CTransferEntry& entry);

protected:
    CTransferWorker(Kind kind, const CTransferJob& job, const CWorkerSettings& settings,
                    QObject* parent = nullptr);

    // The whole job, on the worker thread; ends with SetOutcome. It starts even when the worker was
    // cancelled while waiting, so that it reports its own cancel message.
    virtual void Transfer() = 0;

    void SetOutcome(bool success, const QString& finalMessage);
    // Each as the job names it, so that a resumed job takes them again.
    void SetFailedFiles(const QList<CTransferEntry>& files);
    void SetTransferredBytes(qint64 bytes) { m_transferred.storeRelaxed(bytes); }
    void AppendDetails(const QString& text);
    void CountCopied(qint64 bytes);
    void CountSkipped();
    void SetFailureLines(const QStringList& lines);
    // Set by Cancel, so a worker's waits can end at once.
    CEvent& CancelEvent() { return m_cancelEvent; }
    const std::atomic<bool>* CancelFlag() const { return &m_cancelFlag; }
    // The worker thread's connections that Cancel ends the call of; one added after a cancel is
    // cancelled at once. Each is removed before it goes.
    void AddCancelTarget(CRemoteConnection& connection);
    void RemoveCancelTarget(CRemoteConnection& connection);

    // Every subclass destructor calls it first: cancels and waits for the thread while the
    // subclass's members still exist.
    void StopThread();

private:
    void run() override;

    const Kind m_kind;
    const CTransferJob m_job;
    const CWorkerSettings m_settings;
    QAtomicInt m_threadId = 0;
    QAtomicInteger<qint64> m_transferred = 0;
    bool m_started = false;
    CScheduleInfo m_schedule;

    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    bool m_released = false; // the gate the thread waits at
    bool m_cancelled = false;
    bool m_succeeded = false;
    QString m_finalMessage;
    CJobTally m_tally;
    QString m_details;
    QList<CTransferEntry> m_failedFiles;
    QList<CRemoteConnection*> m_cancelTargets;
    std::atomic<bool> m_cancelFlag = false;
    CEvent m_cancelEvent;
};
