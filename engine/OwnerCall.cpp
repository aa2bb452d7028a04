#include "engine/OwnerCall.h"

bool COwnerCall::Pending::IsAbandoned()
{
    const std::lock_guard lock(m_mutex);
    return m_abandoned;
}

void COwnerCall::Pending::Answer(const std::function<void()>& store)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_abandoned)
            return;
        store();
        m_answered = true;
    }
    m_changed.notify_all();
}

bool COwnerCall::Pending::WaitAnswered(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [this] { return m_answered || m_abandoned; });
    m_abandoned = !m_answered;
    return m_answered;
}

void COwnerCall::Pending::Abandon()
{
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
}

void COwnerCall::Cancel()
{
    const std::lock_guard lock(m_mutex);
    m_cancelled = true;
    if (m_current)
        m_current->Abandon();
}

void COwnerCall::Reset()
{
    const std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

bool COwnerCall::Wait(const std::shared_ptr<Pending>& pending, int timeoutMs)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_cancelled)
        {
            pending->Abandon();
            return false;
        }
        m_current = pending;
    }
    const bool answered = pending->WaitAnswered(timeoutMs);
    const std::lock_guard lock(m_mutex);
    m_current.reset();
    return answered;
}
