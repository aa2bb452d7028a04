#include "session/BackHistory.h"

void CBackHistory::Add(const QString& folder)
{
    if (!m_folders.isEmpty() && m_folders.constLast() == folder)
        return;
    m_folders.append(folder);
    while (m_folders.size() > kLimit)
        m_folders.removeFirst();
}

QString CBackHistory::Back()
{
    if (!CanGoBack())
        return {};
    m_folders.removeLast();
    return m_folders.takeLast();
}
