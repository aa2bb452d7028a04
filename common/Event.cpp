#include "common/Event.h"

#include <QEventLoop>

CEvent::CEvent(Mode mode, bool initiallySet) : m_mode(mode), m_set(initiallySet) {}

void CEvent::Set()
{
    const std::lock_guard lock(m_mutex);
    m_set = true;
    // The loop stays registered, and so alive, while the lock is held.
    for (QEventLoop* loop : std::as_const(m_waiters))
        QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
}

void CEvent::Reset()
{
    const std::lock_guard lock(m_mutex);
    m_set = false;
}

bool CEvent::IsSet() const
{
    const std::lock_guard lock(m_mutex);
    return m_set;
}

bool CEvent::Take()
{
    const std::lock_guard lock(m_mutex);
    const bool wasSet = m_set;
    if (m_mode == Mode::AutoReset)
        m_set = false;
    return wasSet;
}

void CEvent::AddWaiter(QEventLoop* loop)
{
    const std::lock_guard lock(m_mutex);
    m_waiters.append(loop);
}

void CEvent::RemoveWaiter(QEventLoop* loop)
{
    const std::lock_guard lock(m_mutex);
    m_waiters.removeOne(loop);
}
