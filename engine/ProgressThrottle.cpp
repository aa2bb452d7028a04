#include "engine/ProgressThrottle.h"

CProgressThrottle::CProgressThrottle(Sink sink, int intervalMs)
    : m_sink(std::move(sink)), m_intervalMs(intervalMs)
{
}

void CProgressThrottle::Report(qint64 position, qint64 total)
{
    m_position = position;
    m_total = total;
    m_held = true;
    if (!m_sincePassed.isValid() || m_sincePassed.hasExpired(m_intervalMs))
        Pass();
}

void CProgressThrottle::Flush()
{
    if (m_held)
        Pass();
}

void CProgressThrottle::Pass()
{
    m_held = false;
    m_sincePassed.start();
    m_sink(m_position, m_total);
}
