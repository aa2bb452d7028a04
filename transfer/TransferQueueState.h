#pragma once

#include "transfer/ScheduleInfo.h"
#include "transfer/TransferJob.h"

#include <QDateTime>
#include <QList>

#include <optional>

// Where a queued job stands. Pending, scheduled and failed jobs wait without a worker; a running one has
// its worker, and so has a cancelled one until its worker has ended; a done job has left the queue.
enum class JobState
{
    Pending,
    Scheduled,
    Running,
    Failed,
    Done,
    Cancelled
};

// One job of the queue as the queue keeps it, also across restarts.
struct CQueueItem
{
    int number = 0; // in the "[%d]" of its log lines, given when it is queued
    JobKind kind = JobKind::Download;
    CTransferJob job;
    JobState state = JobState::Pending;
    CScheduleInfo schedule;
    int runs = 0; // runs started so far, this one included
};

// The queue's rules without threads, workers or a window: which jobs start within the limit, when a
// scheduled job is due, what a finished, failed or cancelled job leaves behind. The transfer queue holds
// one and starts a worker for each job it says to start.
class CTransferQueueState
{
public:
    // What Cancel asks of the caller.
    enum class CancelEffect
    {
        None,       // no such job
        Removed,    // it waited: it is gone
        StopWorker, // it runs: its worker must end, and Finished follows
    };

    // Queues the job at the end: scheduled when its schedule is enabled, failed when it comes back from a
    // failure, else pending. Its number.
    int Add(JobKind kind, const CTransferJob& job);
    // Jobs as they were stored: the numbers go on after the highest; a job that was running comes back
    // failed, so that Resume continues it.
    void Restore(const QList<CQueueItem>& jobs);

    // One pass from the top: pending jobs start within the limit (0: none), due scheduled ones turn
    // pending for the next pass. The numbers of the jobs to start, now running.
    QList<int> TakeStartable(const QDateTime& now, int limit);
    // A pending or failed job starts whatever the limit; false for any other.
    bool Resume(int number);
    // A cancelled job never recurs, nor comes back failed.
    CancelEffect Cancel(int number);

    struct CEnd
    {
        JobState state = JobState::Done; // done, failed or cancelled
        // The job to queue again (Add), when it recurs or failed.
        std::optional<CTransferJob> again;
    };
    // A running (or cancelled) job's worker ended; the job leaves the queue. Success (or a failure with
    // removeFailed) ends it, unless its schedule recurs: it comes back scheduled one interval on. Another
    // failure brings it back failed, with the files still to do. A cancelled job never comes back.
    CEnd Finished(int number, bool success, bool removeFailed, const QList<CTransferEntry>& filesLeft,
                  const QString& details);
    // Waiting jobs turn scheduled or pending by it; a running one keeps running and uses it when it ends.
    void SetSchedule(int number, const CScheduleInfo& schedule);

    const QList<CQueueItem>& Jobs() const { return m_jobs; }
    const CQueueItem* Find(int number) const;
    int IndexOf(int number) const;
    // Jobs with a worker: running and cancelled ones.
    int RunningCount() const;
    // Jobs waiting for their turn (scheduled and failed ones do not count).
    int PendingCount() const;

private:
    CQueueItem* Job(int number);
    static JobState WaitingState(const CTransferJob& job, const CScheduleInfo& schedule);

    QList<CQueueItem> m_jobs;
    int m_lastNumber = 0;
};
