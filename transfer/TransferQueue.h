#pragma once

#include "app/StoredFileLoad.h"
#include "transfer/ScheduleInfo.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferQueueState.h"
#include "transfer/TransferQueueStore.h"
#include "transfer/TransferWorker.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>

class CSiteList;
class IAfterQueueAction;
class ITransferWorkerFactory;

// The transfer queue: one row per queued job. Its rules are CTransferQueueState's: pending, scheduled
// and failed jobs wait without a thread; the queue makes a job's worker when the job starts, within the
// transfer limit, and lets it go when the job ends; it re-queues failed and recurring jobs and runs the
// after-queue action when the last row is gone. With a store every change is written to the queue file.
// Lives on the user-interface thread; the transfer bar only draws it.
class CTransferQueue : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn,
        SiteColumn,
        SourceColumn,
        DestinationColumn,
        StatusColumn,
        ProgressColumn,
        ColumnCount
    };

    enum Role
    {
        JobNumberRole = Qt::UserRole, // the number in the job's "[%d]" log lines
        FolderRole,                   // the name column shows a folder (for its icon)
        TransferredBytesRole,         // how far the row's worker has got, in bytes (for speeds)
        StateRole                     // the job's JobState, as an int
    };

    // Reads ConnectionTimeout, TransferMax, RemoveFailed, PreserveRemoteTimeStamp and
    // PreserveLocalTimeStamp here and again on ReloadSettings. siteList finds the destinations of
    // server-to-server copies; afterQueue acts when the queue empties. Both may be null and must outlive the
    // queue.
    CTransferQueue(ITransferWorkerFactory& factory, CSiteList* siteList, IAfterQueueAction* afterQueue,
                   QObject* parent = nullptr);
    // Ends and destroys every worker, downloads first.
    ~CTransferQueue() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Queue one job: false when its file list is empty.
    bool AddDownload(const CTransferJob& job);
    bool AddUpload(const CTransferJob& job);
    // The queue file: its jobs join the queue as they were (running ones as failed), and every change is
    // written to it from now on. A damaged file is set aside; the load says so.
    CStoredFileLoad UseStore(const QString& path);
    // Starts pending rows from the top within the limit and turns due scheduled rows pending.
    // Runs every second, after every add and after every completion.
    void ProcessQueue();

    // Commands on rows (the view's selection); rows out of range are skipped.
    // Waiting jobs go at once; running ones end their worker, then go. Each reports its end.
    void Cancel(const QList<int>& rows);
    // Starts pending and failed rows whatever the limit.
    void Resume(const QList<int>& rows);
    // The row's schedule for the schedule dialog; the defaults for a row out of range.
    CScheduleInfo Schedule(int row) const;
    // The schedule dialog's OK: every row takes the schedule; rows that have not started turn
    // scheduled when it is enabled, else pending.
    void SetSchedule(const QList<int>& rows, const CScheduleInfo& schedule);
    // The job's details text and the protocol trace of its runs.
    QString Details(int row) const;

    int RunningCount() const { return m_state.RunningCount(); }
    // Rows waiting for their turn, not started yet (scheduled and failed ones not counted).
    int PendingCount() const { return m_state.PendingCount(); }
    // Worker threads in being: one per running job.
    int WorkerCount() const { return int(m_workers.size()); }
    int TransferLimit() const { return m_limit; }
    // A caller's limit in place of the stored TransferMax (0: no limit); pending rows start at once if it
    // rose.
    void SetTransferLimit(int limit);
    // The stored settings read again, after the options changed; a limit that rose starts pending rows.
    void ReloadSettings();
    // Handed to every worker added from now on.
    void SetWorkerOverrides(const CWorkerOverrides& overrides) { m_overrides = overrides; }

Q_SIGNALS:
    // The queue file could not be written; told once until a write succeeds again.
    void StoreFailed(const QString& problem);

private:
    // What a running job's worker shows on its row.
    struct CRunning
    {
        std::unique_ptr<CTransferWorker> worker;
        QString name;
        QString status;
        QString percent;
    };

    bool Add(JobKind kind, const CTransferJob& job);
    CWorkerSettings Settings(JobKind kind, const CTransferJob& job) const;
    void ReadSettings();
    QString Text(int row, int column) const;

    void StartWorker(int number);
    void OnStatus(CTransferWorker* worker, const QString& name, const QString& status,
                  const QString& percent);
    void OnDone(CTransferWorker* worker, bool success);
    void OnRelay(CTransferWorker* worker, const CTransferEntry& entry);
    void Report(int number, const CTransferJob& job, bool success, const QString& message);
    // The job leaves its row, and comes back at the end when it failed or recurs.
    void EndJob(int number, bool success, const QList<CTransferEntry>& filesLeft, const QString& details);
    void CheckQueueEmpty();

    int NumberOf(const CTransferWorker* worker) const;
    int NumberAt(int row) const;
    const CRunning* RunningOf(int number) const;
    void RowChanged(int number, int firstColumn, int lastColumn);
    void StateChanged();
    void SaveNow();

    ITransferWorkerFactory& m_factory;
    CSiteList* const m_siteList;
    IAfterQueueAction* const m_afterQueue;

    int m_connectionTimeoutMs = 0;
    int m_limit = 0; // 0: no limit
    bool m_removeFailed = false;
    bool m_preserveRemoteTime = true;
    bool m_preserveLocalTime = false;
    CWorkerOverrides m_overrides;

    CTransferQueueState m_state;
    std::map<int, CRunning> m_workers; // by job number
    std::optional<CTransferQueueStore> m_store;
    bool m_saveDue = false;
    // Reported when saving starts to fail, not again until a save has worked: the reasons name
    // temporary files, so no two texts are alike.
    bool m_storeFailing = false;
    QTimer m_timer;
};
