#include "session/FolderBarList.h"

int CFolderBarList::Add(const QString& folder)
{
    qsizetype at = m_folders.indexOf(folder);
    if (at < 0)
    {
        at = m_folders.size();
        m_folders.append(folder);
    }
    m_selected = int(at);
    return m_selected;
}

void CFolderBarList::Rebuild(const QStringList& history)
{
    m_folders.clear();
    for (const QString& folder : history)
    {
        if (!m_folders.contains(folder))
            m_folders.append(folder);
    }
    m_selected = -1;
}
