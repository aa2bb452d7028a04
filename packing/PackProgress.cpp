#include "packing/PackProgress.h"

CPackProgress::~CPackProgress() = default;

bool CPackProgress::Report(const QString& file, qint64 done, qint64 total)
{
    if (!m_cancelled && !Step(file, done, total))
        m_cancelled = true;
    return !m_cancelled;
}

std::optional<QString> CPackProgress::Password(const QString&)
{
    return std::nullopt;
}
