#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class QEventLoop;

// Learns where a dragged marker file was dropped: watches folders for a new copy of it, deletes the copy
// and reports its folder.
class CDropMarkerWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxFolders = 256;

    explicit CDropMarkerWatcher(QObject* parent = nullptr);

    // The given folders, home, the user's standard folders and the first-level folders of home and the
    // desktop: the places a file manager drop most likely goes. Existing folders only, at most kMaxFolders.
    static QStringList LikelyDropFolders(const QStringList& extraFolders);

    // Marker copies present already are left alone.
    void Watch(const QStringList& folders);
    void Stop();
    // Runs the event loop until a marker was found or the time is up; true when one was found.
    bool WaitForMarker(int timeoutMs);
    // Ends a running wait early.
    void EndWait();
    bool Found() const { return m_found; }

Q_SIGNALS:
    void MarkerFound(const QString& folder);

private:
    void Scan(const QString& folder);

    QFileSystemWatcher m_watcher;
    QSet<QString> m_existing;
    // Folders holding a copy still being written.
    QSet<QString> m_unfinished;
    QTimer m_recheck;
    bool m_found = false;
    QEventLoop* m_wait = nullptr;
};
