#include "transfer/TransferQueueState.h"

#include <QSet>

#include <algorithm>

namespace
{

// A schedule that is not enabled never repeats.
CScheduleInfo Effective(CScheduleInfo schedule)
{
    if (!schedule.enabled)
        schedule.repeat = false;
    return schedule;
}

} // namespace

JobState CTransferQueueState::WaitingState(const CTransferJob& job, const CScheduleInfo& schedule)
{
    // A failed job waits for Resume even when scheduled: its schedule is due already, and running it
    // again at every tick would only hammer the server.
    if (job.failed)
        return JobState::Failed;
    return schedule.enabled ? JobState::Scheduled : JobState::Pending;
}

int CTransferQueueState::Add(JobKind kind, const CTransferJob& job)
{
    CQueueItem queued;
    queued.number = ++m_lastNumber;
    queued.kind = kind;
    queued.job = job;
    queued.schedule = Effective(job.schedule.value_or(CScheduleInfo()));
    queued.state = WaitingState(job, queued.schedule);
    m_jobs.append(queued);
    return queued.number;
}

void CTransferQueueState::Restore(const QList<CQueueItem>& jobs)
{
    for (const CQueueItem& job : jobs)
        m_lastNumber = std::max(m_lastNumber, job.number);
    QSet<int> numbers;
    for (CQueueItem job : jobs)
    {
        if (job.state == JobState::Done || job.state == JobState::Cancelled)
            continue;
        if (job.state == JobState::Running)
        {
            job.state = JobState::Failed;
            job.job.failed = true;
        }
        // Numbers stay unique even when a stored file repeated one.
        if (job.number <= 0 || numbers.contains(job.number))
            job.number = ++m_lastNumber;
        numbers.insert(job.number);
        m_jobs.append(job);
    }
}

QList<int> CTransferQueueState::TakeStartable(const QDateTime& now, int limit)
{
    QList<int> started;
    int running = RunningCount();
    for (CQueueItem& job : m_jobs)
    {
        if (limit > 0 && running >= limit)
            break;
        if (job.state == JobState::Pending)
        {
            job.state = JobState::Running;
            ++job.runs;
            ++running;
            started.append(job.number);
        }
        else if (job.state == JobState::Scheduled && now >= job.schedule.start)
        {
            job.state = JobState::Pending;
        }
    }
    return started;
}

bool CTransferQueueState::Resume(int number)
{
    CQueueItem* job = Job(number);
    if (!job || (job->state != JobState::Pending && job->state != JobState::Failed))
        return false;
    job->state = JobState::Running;
    ++job->runs;
    return true;
}

CTransferQueueState::CancelEffect CTransferQueueState::Cancel(int number)
{
    CQueueItem* job = Job(number);
    if (!job)
        return CancelEffect::None;
    job->schedule = CScheduleInfo();
    if (job->state == JobState::Running || job->state == JobState::Cancelled)
    {
        job->state = JobState::Cancelled;
        return CancelEffect::StopWorker;
    }
    m_jobs.removeAt(IndexOf(number));
    return CancelEffect::Removed;
}

CTransferQueueState::CEnd CTransferQueueState::Finished(int number, bool success, bool removeFailed,
                                                        const QList<CTransferEntry>& filesLeft,
                                                        const QString& details)
{
    const int index = IndexOf(number);
    if (index < 0 || (m_jobs[index].state != JobState::Running && m_jobs[index].state != JobState::Cancelled))
        return {};
    const CQueueItem ended = m_jobs.takeAt(index);
    if (ended.state == JobState::Cancelled)
        return {JobState::Cancelled, std::nullopt};
    CEnd end{success ? JobState::Done : JobState::Failed, ended.job};
    CTransferJob& again = *end.again;
    again.details = details;
    CScheduleInfo schedule = ended.schedule;
    if (success || removeFailed)
    {
        if (!schedule.repeat)
            return {end.state, std::nullopt};
        schedule.AdvanceOnce();
        schedule.enabled = true;
        again.failed = false;
    }
    else
    {
        again.files = filesLeft;
        again.failed = true;
    }
    again.schedule = schedule;
    return end;
}

void CTransferQueueState::SetSchedule(int number, const CScheduleInfo& schedule)
{
    CQueueItem* job = Job(number);
    // A cancelled job keeps its cleared schedule: it must not recur.
    if (!job || job->state == JobState::Cancelled)
        return;
    job->schedule = Effective(schedule);
    if (job->state != JobState::Running)
        job->state = schedule.enabled ? JobState::Scheduled : JobState::Pending;
}

const CQueueItem* CTransferQueueState::Find(int number) const
{
    const int index = IndexOf(number);
    return index < 0 ? nullptr : &m_jobs[index];
}

CQueueItem* CTransferQueueState::Job(int number)
{
    const int index = IndexOf(number);
    return index < 0 ? nullptr : &m_jobs[index];
}

int CTransferQueueState::IndexOf(int number) const
{
    for (int i = 0; i < m_jobs.size(); ++i)
        if (m_jobs[i].number == number)
            return i;
    return -1;
}

int CTransferQueueState::RunningCount() const
{
    return int(std::count_if(m_jobs.begin(), m_jobs.end(), [](const CQueueItem& job)
                             { return job.state == JobState::Running || job.state == JobState::Cancelled; }));
}

int CTransferQueueState::PendingCount() const
{
    return int(std::count_if(m_jobs.begin(), m_jobs.end(),
                             [](const CQueueItem& job) { return job.state == JobState::Pending; }));
}
