#include "ui/local/LocalPlaces.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>

namespace
{

QString ExistingOrHome(QStandardPaths::StandardLocation location)
{
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

struct CRecentEntry
{
    QString path;
    QDateTime when;
};

// The latest of a bookmark's dates; a missing or malformed one counts as oldest.
QDateTime EntryTime(const QXmlStreamAttributes& attributes)
{
    QDateTime latest;
    for (const char* name : {"added", "modified", "visited"})
    {
        const QDateTime when =
            QDateTime::fromString(attributes.value(QLatin1String(name)).toString(), Qt::ISODate);
        if (when.isValid() && (!latest.isValid() || when > latest))
            latest = when;
    }
    return latest;
}

} // namespace

QString CLocalPlaces::Desktop()
{
    return ExistingOrHome(QStandardPaths::DesktopLocation);
}

QString CLocalPlaces::Documents()
{
    return ExistingOrHome(QStandardPaths::DocumentsLocation);
}

QString CLocalPlaces::NetworkFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return {};
    const QString folder = QDir(runtime).filePath(QStringLiteral("gvfs"));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString CLocalPlaces::RecentFilesStore()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("recently-used.xbel"));
}

QStringList CLocalPlaces::RecentFiles(const QString& storePath, int limit)
{
    QFile store(storePath);
    if (!store.open(QIODevice::ReadOnly) || store.size() > kRecentStoreLimit)
        return {};
    QXmlStreamReader reader(store.read(kRecentStoreLimit));
    QList<CRecentEntry> entries;
    QSet<QString> seen;
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::Invalid)
    {
        if (!reader.isStartElement() || reader.name() != QLatin1String("bookmark"))
            continue;
        const QUrl url(reader.attributes().value(QLatin1String("href")).toString(), QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile())
            continue;
        const QString path = QDir::cleanPath(url.toLocalFile());
        if (!QDir::isAbsolutePath(path) || seen.contains(path) || !QFileInfo::exists(path))
            continue;
        seen.insert(path);
        entries.append({path, EntryTime(reader.attributes())});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CRecentEntry& a, const CRecentEntry& b) { return a.when > b.when; });
    QStringList paths;
    for (const CRecentEntry& entry : entries)
        if (paths.size() < limit)
            paths.append(entry.path);
    return paths;
}

QList<QStorageInfo> CLocalPlaces::Volumes()
{
    // Kernel and control file systems that Qt may still list.
    static const QSet<QByteArray> kPseudo = {"proc",      "sysfs",       "devtmpfs", "devpts",  "cgroup",
                                             "cgroup2",   "securityfs",  "debugfs",  "tracefs", "mqueue",
                                             "hugetlbfs", "fusectl",     "configfs", "pstore",  "bpf",
                                             "autofs",    "binfmt_misc", "nsfs",     "efivarfs"};
    QList<QStorageInfo> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !kPseudo.contains(volume.fileSystemType()))
            volumes.append(volume);
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo& a, const QStorageInfo& b) { return a.rootPath() < b.rootPath(); });
    return volumes;
}

QString CLocalPlaces::VolumeLabel(const QStorageInfo& volume)
{
    const QString name = volume.name();
    if (name.isEmpty() || name == volume.rootPath())
        return volume.rootPath();
    return QStringLiteral("%1 (%2)").arg(name, volume.rootPath());
}
