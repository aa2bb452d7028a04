#pragma once

#include <QStringList>

// The drop-down list of a connection window's folder bar: each folder visited in the window once.
class CFolderBarList
{
public:
    // Adds the folder unless it is listed already (remote paths differ by case), and selects it.
    // Gives its position.
    int Add(const QString& folder);
    // After going back: the folders of the back history, each once, none selected.
    void Rebuild(const QStringList& history);
    const QStringList& Folders() const { return m_folders; }
    // -1 when none is selected.
    int Selected() const { return m_selected; }

private:
    QStringList m_folders;
    int m_selected = -1;
};
