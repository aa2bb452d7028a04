#pragma once

#include <QStringList>

// The folders a connection window has listed, newest last, for its Back command.
class CBackHistory
{
public:
    static constexpr int kLimit = 25;

    // Appends the folder (the oldest drops out past the limit); listing the folder already on top
    // again, as a refresh does, adds nothing, so Back always leads somewhere else.
    void Add(const QString& folder);
    bool CanGoBack() const { return m_folders.size() >= 2; }
    // Takes the current folder off and gives the one before it, which is taken off too: listing it
    // with history puts it back on top. Empty when there is nowhere to go back to.
    QString Back();
    const QStringList& Folders() const { return m_folders; }

private:
    QStringList m_folders;
};
