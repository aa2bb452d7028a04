#include "ui/connection/DropMarkerWatcher.h"

#include "ui/connection/DragMarker.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace
{

constexpr int kRecheckMs = 50;

// The user folders Qt does not name, from user-dirs.dirs; their lines read XDG_NAME_DIR="$HOME/Name".
QStringList MoreUserFolders()
{
    QFile file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression line(QStringLiteral("^XDG_(PUBLICSHARE|TEMPLATES)_DIR=\"(.*)\"$"),
                                         QRegularExpression::MultilineOption);
    QStringList folders;
    for (auto it = line.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();)
        folders << it.next().captured(2).replace(QStringLiteral("$HOME"), QDir::homePath());
    return folders;
}

QStringList Subfolders(const QString& folder)
{
    QStringList folders;
    for (const QString& name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << QDir(folder).filePath(name);
    return folders;
}

} // namespace

CDropMarkerWatcher::CDropMarkerWatcher(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CDropMarkerWatcher::Scan);
    m_recheck.setInterval(kRecheckMs);
    m_recheck.setSingleShot(true);
    connect(&m_recheck, &QTimer::timeout, this,
            [this]
            {
                const QSet<QString> folders = std::exchange(m_unfinished, {});
                for (const QString& folder : folders)
                    Scan(folder);
            });
}

QStringList CDropMarkerWatcher::LikelyDropFolders(const QStringList& extraFolders)
{
    const QString home = QDir::homePath();
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QStringList candidates = extraFolders;
    candidates << home << desktop;
    for (auto location :
         {QStandardPaths::DocumentsLocation, QStandardPaths::DownloadLocation, QStandardPaths::MusicLocation,
          QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation})
        candidates << QStandardPaths::writableLocation(location);
    candidates << MoreUserFolders() << Subfolders(home) << Subfolders(desktop);
    QStringList folders;
    for (const QString& candidate : candidates)
    {
        const QFileInfo info(candidate);
        const QString folder = info.canonicalFilePath();
        if (!candidate.isEmpty() && info.isDir() && !folders.contains(folder))
            folders << folder;
        if (folders.size() == kMaxFolders)
            break;
    }
    return folders;
}

void CDropMarkerWatcher::Watch(const QStringList& folders)
{
    m_found = false;
    for (const QString& folder : folders)
    {
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (CDragMarker::IsMarkerName(name))
                m_existing.insert(QDir(folder).filePath(name));
    }
    if (!folders.isEmpty())
        m_watcher.addPaths(folders);
}

void CDropMarkerWatcher::Stop()
{
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_existing.clear();
    m_unfinished.clear();
    m_recheck.stop();
}

bool CDropMarkerWatcher::WaitForMarker(int timeoutMs)
{
    if (m_found)
        return true;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &CDropMarkerWatcher::MarkerFound, &loop, &QEventLoop::quit);
    m_wait = &loop;
    loop.exec();
    m_wait = nullptr;
    return m_found;
}

void CDropMarkerWatcher::EndWait()
{
    if (m_wait)
        m_wait->quit();
}

void CDropMarkerWatcher::Scan(const QString& folder)
{
    const QByteArray content = CDragMarker::Content();
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
    {
        const QString path = QDir(folder).filePath(name);
        if (!CDragMarker::IsMarkerName(name) || m_existing.contains(path))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray head = file.read(content.size() + 1);
        // A file of the same name with other content is somebody's own: it stays. A copy still being
        // written is looked at again shortly.
        if (head != content)
        {
            if (content.startsWith(head) && m_watcher.directories().contains(folder))
            {
                m_unfinished.insert(folder);
                m_recheck.start();
            }
            continue;
        }
        file.close();
        QFile::remove(path);
        m_found = true;
        Q_EMIT MarkerFound(folder);
    }
}
