#pragma once

#include <QList>
#include <QStorageInfo>
#include <QString>
#include <QStringList>

// The folders behind the local browser's place buttons, as the Linux desktop names them.
class CLocalPlaces
{
public:
    static constexpr int kRecentLimit = 20;
    // The recent-files store is written by other programs: larger ones are not read.
    static constexpr qint64 kRecentStoreLimit = 4 * 1024 * 1024;

    // The XDG desktop folder, or the home folder when there is none.
    static QString Desktop();
    // The XDG documents folder, or the home folder when there is none.
    static QString Documents();
    // The desktop's network mounts ($XDG_RUNTIME_DIR/gvfs); empty when there are none.
    static QString NetworkFolder();
    // The desktop's list of recently used files: $XDG_DATA_HOME/recently-used.xbel.
    static QString RecentFilesStore();
    // The existing local files and folders of such a list, newest first. What follows a damage in the
    // file is ignored; a missing, oversized or unreadable file gives none.
    static QStringList RecentFiles(const QString& storePath, int limit = kRecentLimit);
    // The mounted file systems worth browsing: ready, and not the kernel's own.
    static QList<QStorageInfo> Volumes();
    // A volume's name and root path, or the root path alone.
    static QString VolumeLabel(const QStorageInfo& volume);
};
