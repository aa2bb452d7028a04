#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One thread that runs posted jobs one after another. Another thread can end the running job: cancel
// (given at construction) interrupts its blocking call, and clear takes that request back once the job
// is over, so it never reaches a later job.
class CJobThread
{
public:
    using Job = std::function<void()>;

    CJobThread(std::function<void()> cancel, std::function<void()> clear);
    ~CJobThread();
    CJobThread(const CJobThread&) = delete;
    CJobThread& operator=(const CJobThread&) = delete;

    void Post(Job job, bool abortable);
    // Ends the running job when it was posted abortable; false when there was none to end.
    bool AbortRunning();
    // The same, and every abortable job waiting now starts aborted, so it ends at once.
    void AbortAll();
    // Set for the running job once it is to end; jobs of several steps check it between them.
    const std::atomic<bool>& Aborted() const { return m_aborted; }
    // Drops the waiting jobs, ends the running one whatever it is and waits for the thread.
    void Stop();

private:
    struct Entry
    {
        Job job;
        bool abortable = false;
        bool abortAtStart = false;
    };

    void Run();
    void CancelRunning();

    std::function<void()> m_cancel;
    std::function<void()> m_clear;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_jobs;
    bool m_running = false;
    bool m_runningAbortable = false;
    bool m_stopping = false;
    std::atomic<bool> m_aborted{false};
    std::thread m_thread; // last: starts once everything above exists
};
