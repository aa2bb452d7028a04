#include "transfer/TransferWorker.h"

#include "engine/RemoteConnection.h"

#include <QMutexLocker>

#include <unistd.h>

CTransferWorker::CTransferWorker(Kind kind, const CTransferJob& job, const CWorkerSettings& settings,
                                 QObject* parent)
    : QThread(parent), m_kind(kind), m_job(job), m_settings(settings), m_details(job.details)
{
    if (job.schedule)
        SetSchedule(*job.schedule);
}

CTransferWorker::~CTransferWorker()
{
    StopThread();
}

bool CTransferWorker::Launch()
{
    QMutexLocker lock(&m_mutex);
    start();
    if (!isRunning())
        return false;
    while (m_threadId.loadAcquire() == 0)
        m_wake.wait(&m_mutex);
    return true;
}

void CTransferWorker::Resume()
{
    if (m_started)
        return;
    m_started = true;
    QMutexLocker lock(&m_mutex);
    m_released = true;
    m_wake.wakeAll();
}

void CTransferWorker::SetSchedule(const CScheduleInfo& schedule)
{
    m_schedule = schedule;
    if (!m_schedule.enabled)
        m_schedule.repeat = false;
}

void CTransferWorker::Cancel()
{
    m_cancelFlag = true;
    m_cancelEvent.Set();
    QMutexLocker lock(&m_mutex);
    for (CRemoteConnection* connection : std::as_const(m_cancelTargets))
        connection->Cancel();
    m_cancelled = true;
    m_released = true;
    m_wake.wakeAll();
}

bool CTransferWorker::IsCancelled() const
{
    QMutexLocker lock(&m_mutex);
    return m_cancelled;
}

QString CTransferWorker::FinalMessage() const
{
    QMutexLocker lock(&m_mutex);
    return m_finalMessage;
}

QString CTransferWorker::Details() const
{
    QMutexLocker lock(&m_mutex);
    return m_details;
}

void CTransferWorker::SetOutcome(bool success, const QString& finalMessage)
{
    QMutexLocker lock(&m_mutex);
    m_succeeded = success;
    m_finalMessage = finalMessage;
}

QList<CTransferEntry> CTransferWorker::ResumeFiles() const
{
    QMutexLocker lock(&m_mutex);
    return m_failedFiles.isEmpty() ? m_job.files : m_failedFiles;
}

void CTransferWorker::SetFailedFiles(const QList<CTransferEntry>& files)
{
    QMutexLocker lock(&m_mutex);
    m_failedFiles = files;
}

void CTransferWorker::AddCancelTarget(CRemoteConnection& connection)
{
    QMutexLocker lock(&m_mutex);
    m_cancelTargets.append(&connection);
    if (m_cancelled)
        connection.Cancel();
}

void CTransferWorker::RemoveCancelTarget(CRemoteConnection& connection)
{
    QMutexLocker lock(&m_mutex);
    m_cancelTargets.removeOne(&connection);
}

void CTransferWorker::AppendDetails(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_details += text;
}

void CTransferWorker::StopThread()
{
    if (!isRunning())
        return;
    Cancel();
    wait();
}

void CTransferWorker::run()
{
    {
        QMutexLocker lock(&m_mutex);
        m_threadId.storeRelease(static_cast<int>(gettid()));
        m_wake.wakeAll();
        while (!m_released)
            m_wake.wait(&m_mutex);
    }
    Transfer();
    Q_EMIT Done(this, Succeeded());
}

CJobTally CTransferWorker::Tally() const
{
    QMutexLocker lock(&m_mutex);
    CJobTally tally = m_tally;
    tally.files = int(m_job.files.size());
    return tally;
}

void CTransferWorker::CountCopied(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    ++m_tally.copied;
    m_tally.bytes += bytes;
}

void CTransferWorker::CountSkipped()
{
    QMutexLocker lock(&m_mutex);
    ++m_tally.skipped;
}

void CTransferWorker::SetFailureLines(const QStringList& lines)
{
    QMutexLocker lock(&m_mutex);
    m_tally.failures = lines;
}
