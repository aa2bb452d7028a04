#pragma once

#include "engine/RemoteConnection.h"
#include "transfer/OverwritePrompts.h"
#include "transfer/TransferModeTarget.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferWorker.h"
#include "transfer/WorkerStep.h"

#include <functional>
#include <memory>
#include <optional>

// What the download and the upload worker share: their own blocking connection, made on the worker
// thread; connecting with attempts; a file's transfer tried again while its connection breaks; the
// protocol trace; progress arithmetic and status reports; the integrity check; the files that failed
// and the final message.
class CFtpTransferWorker : public CTransferWorker, protected ITransferModeTarget
{
    Q_OBJECT

protected:
    CFtpTransferWorker(Kind kind, const CTransferJob& job, const CWorkerSettings& settings,
                       IOverwritePrompts& prompts, TransferProgressMaker makeProgress);

    // Before anything is sent: a job that cannot work ends here.
    virtual CWorkerStep CheckJob() { return CWorkerStep::Ok(); }
    // The job proper, connected and with the progress window in place.
    virtual CWorkerStep RunJob() = 0;
    virtual QString CompletedMessage() const = 0;
    virtual QString CancelledMessage() const = 0;
    // After every log-in, the first one and those after a lost connection.
    virtual void Connected() {}

    CRemoteConnection& Connection() { return *m_connection; }
    // The job's remote folder, or where the log-in left the connection when the job names none.
    const QString& RemoteFolder() const { return m_remoteFolder; }
    IOverwritePrompts& Prompts() { return m_prompts; }
    ITransferProgress& Progress() { return *m_progress; }

    // Connects with the job's attempts, the retry wait cancellable; then enters the job's remote folder.
    CWorkerStep ConnectWithAttempts();
    // A connection of the job's worker besides its own: the same trust answers, its trace in the
    // details with the given prefixes, cancelled with the worker.
    void Prepare(CRemoteConnection& connection, const QString& sent, const QString& received);

    // One file's transfer, given whether to continue the target and the progress hook. While its
    // connection breaks and the job's attempts last, it waits the retry delay, connects again when
    // needed and runs it again; resume becomes true once an attempt that broke had written to the target.
    using FileTransfer = std::function<FtpResult(bool resume, const FtpProgressHook& progress)>;
    CWorkerStep TransferFile(const QString& name, bool& resume, const FileTransfer& transfer);
    // Ok, Cancelled, Failed when the connection is lost, else the file's own FileFailed.
    CWorkerStep StepOf(const FtpResult& result);
    // The integrity check of one transferred file; noSupport and mismatch are the failure texts.
    CWorkerStep VerifyChecksum(const QString& localPath, const QString& remotePath, const QString& noSupport,
                               const QString& mismatch);
    // A file's own failure is recorded under path, entry being how a resumed job names it, and the job
    // goes on; any other step is returned as it is.
    CWorkerStep Settle(const CWorkerStep& step, const CTransferEntry& entry, const QString& path);

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
    bool FileIsAscii() const { return m_ascii; }

    void SetTransferMode(TransferMode mode) override;

private:
    struct CFailedFile
    {
        CTransferEntry entry;
        QString path;
        QString reason;
    };

    void Transfer() final;
    void MakeProgressWindow();
    CWorkerStep RunGuarded();
    CWorkerStep ConnectOnce(int attempt);
    bool LostConnection(const FtpResult& result);
    CWorkerStep RetryTransfer(const QString& name, const FtpResult& broken);
    QString FailureSummary() const;
    void Trace(const QString& prefix, const QString& line);
    // What the job moves, between which server and folder, for the head of its details.
    QString JobText(const CConnectionTarget& target) const;
    void Disconnect();

    IOverwritePrompts& m_prompts;
    TransferProgressMaker m_makeProgress;
    std::unique_ptr<ITransferProgress> m_progress;
    std::unique_ptr<CRemoteConnection> m_connection;
    QList<CFailedFile> m_failed;
    QString m_remoteFolder;
    qint64 m_totalBytes = 0;
    qint64 m_doneBytes = 0;
    int m_lastPercent = 0;
    bool m_ascii = false;
    std::optional<ChecksumKind> m_checksum; // the job's integrity check, if any
};
