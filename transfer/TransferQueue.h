#pragma once

#include "transfer/ScheduleInfo.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferWorker.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

class CSiteList;
class IAfterQueueAction;
class ITransferWorkerFactory;

// The transfer queue: one row per queued worker, which the queue owns from the add until its
// completion has been handled. The row's status text is the queue state: scheduled, pending or
// failed rows wait; the queue starts pending ones up to the transfer limit, turns due scheduled
// ones pending, re-queues failed and recurring jobs, and runs the after-queue action when the last
// row is gone. Lives on the user-interface thread; the transfer bar only draws it.
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
        ThreadIdRole = Qt::UserRole, // the number in the worker's "[%d]" log lines
        FolderRole,                  // the name column shows a folder (for its icon)
        TransferredBytesRole         // how far the row's worker has got, in bytes (for speeds)
    };

    static const QString kScheduled;
    static const QString kPending;
    static const QString kFailed;

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

    // Queue one job: false when its file list is empty or no worker thread could be made.
    bool AddDownload(const CTransferJob& job);
    bool AddUpload(const CTransferJob& job);
    // Starts pending rows from the top within the limit and turns due scheduled rows pending.
    // Runs every second, after every add and after every completion.
    void ProcessQueue();

    // Commands on rows (the view's selection); rows out of range are skipped.
    // Disables each worker's schedule and ends it; each then reports its completion.
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

    int RunningCount() const { return m_running; }
    // Rows waiting for their turn, not started yet (scheduled and failed ones not counted).
    int PendingCount() const;
    int TransferLimit() const { return m_limit; }
    // A caller's limit in place of the stored TransferMax (0: no limit); pending rows start at once if it
    // rose.
    void SetTransferLimit(int limit);
    // The stored settings read again, after the options changed; a limit that rose starts pending rows.
    void ReloadSettings();
    // Handed to every worker added from now on.
    void SetWorkerOverrides(const CWorkerOverrides& overrides) { m_overrides = overrides; }

private:
    struct Row
    {
        CTransferWorker* worker = nullptr;
        std::array<QString, ColumnCount> texts;
        bool folder = false;
    };

    bool Add(CTransferWorker::Kind kind, const CTransferJob& job, const CWorkerSettings& settings, Row row);
    CWorkerSettings DownloadSettings(const CTransferJob& job) const;
    CWorkerSettings UploadSettings() const;
    static QString InitialState(const CTransferJob& job);
    void ReadSettings();

    void OnStatus(CTransferWorker* worker, const QString& name, const QString& status,
                  const QString& percent);
    void OnDone(CTransferWorker* worker, bool success);
    void OnRelay(CTransferWorker* worker, const CTransferEntry& entry);
    void Requeue(const CTransferWorker& worker, bool success);
    void CheckQueueEmpty();

    bool LimitReached() const;
    void Start(CTransferWorker& worker);
    bool IsDue(const CTransferWorker& worker) const;
    int RowOf(const CTransferWorker* worker) const;
    CTransferWorker* WorkerAt(int row) const;
    QList<CTransferWorker*> WorkersAt(const QList<int>& rows) const;
    void SetText(int row, int column, const QString& text);
    void RemoveRow(int row);
    std::unique_ptr<CTransferWorker> TakeWorker(const CTransferWorker* worker);

    ITransferWorkerFactory& m_factory;
    CSiteList* const m_siteList;
    IAfterQueueAction* const m_afterQueue;

    int m_connectionTimeoutMs = 0;
    int m_limit = 0; // 0: no limit
    bool m_removeFailed = false;
    bool m_preserveRemoteTime = true;
    bool m_preserveLocalTime = false;
    CWorkerOverrides m_overrides;

    QList<Row> m_rows;
    std::vector<std::unique_ptr<CTransferWorker>> m_downloads;
    std::vector<std::unique_ptr<CTransferWorker>> m_uploads;
    int m_running = 0; // started by the queue and not yet completed
    QTimer m_timer;
};
