#include "engine/JobThread.h"

CJobThread::CJobThread(std::function<void()> cancel, std::function<void()> clear)
    : m_cancel(std::move(cancel)), m_clear(std::move(clear)), m_thread([this] { Run(); })
{
}

CJobThread::~CJobThread()
{
    Stop();
}

void CJobThread::Post(Job job, bool abortable)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_jobs.push_back({std::move(job), abortable});
    }
    m_wake.notify_one();
}

bool CJobThread::AbortRunning()
{
    const std::lock_guard lock(m_mutex);
    if (!m_running || !m_runningAbortable)
        return false;
    CancelRunning();
    return true;
}

void CJobThread::AbortAll()
{
    const std::lock_guard lock(m_mutex);
    for (Entry& entry : m_jobs)
        entry.abortAtStart = entry.abortable;
    if (m_running && m_runningAbortable)
        CancelRunning();
}

void CJobThread::Stop()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_stopping = true;
        m_jobs.clear();
        if (m_running)
            CancelRunning();
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void CJobThread::CancelRunning()
{
    m_aborted = true;
    m_cancel();
}

void CJobThread::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;)
    {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_stopping)
            return;
        Entry entry = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_running = true;
        m_runningAbortable = entry.abortable;
        m_aborted = false;
        if (entry.abortAtStart)
            CancelRunning();
        lock.unlock();
        entry.job();
        entry.job = nullptr; // what the job captured goes now, on this thread
        lock.lock();
        m_running = false;
        // Under the lock: a cancel aimed at this job cannot arrive after it.
        m_clear();
    }
}
