#include "packing/PackSelection.h"

#include "packing/PackProgress.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

QString TemporaryFolder()
{
    return QDir::tempPath() + QLatin1Char('/');
}

QString ArchiveBaseName(const QString& firstPath)
{
    const QString path = QDir::cleanPath(firstPath);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString ArchivePath(const QString& folder, const QString& baseName, const QString& suffix)
{
    return QDir(folder).absoluteFilePath(baseName + suffix);
}

QString StoredName(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return absolute.startsWith(QLatin1Char('/')) ? absolute.mid(1) : absolute;
}

QStringList CollectFilesRecursive(const QString& folder)
{
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList files;
    QStringList subfolders;
    for (const QFileInfo& entry : entries)
    {
        if (!entry.isDir())
            files.append(entry.absoluteFilePath());
        else if (!entry.isSymLink())
            subfolders.append(entry.absoluteFilePath());
    }
    for (const QString& subfolder : subfolders)
        files += CollectFilesRecursive(subfolder);
    return files;
}

std::optional<QStringList> ExpandSelection(const QStringList& selection, CPackProgress& progress)
{
    QStringList files;
    QSet<QString> seen;
    const auto append = [&](const QString& file)
    {
        const QString absolute = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
        if (!seen.contains(absolute))
        {
            seen.insert(absolute);
            files.append(absolute);
        }
    };
    for (const QString& path : selection)
    {
        if (!progress.Report(path, 0, 0))
            return std::nullopt;
        if (QFileInfo(path).isDir())
        {
            for (const QString& file : CollectFilesRecursive(path))
                append(file);
        }
        else
        {
            append(path);
        }
    }
    return files;
}
