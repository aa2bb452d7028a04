#include "ui/connection/DragMarker.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

const QString CDragMarker::kFileName = QStringLiteral("deleteme.!!!");

CDragMarker::CDragMarker()
    : m_folder(QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
               QStringLiteral("/zentrava-drag-XXXXXX"))
{
    if (!m_folder.isValid())
        return;
    // Only the user may see or swap the file that other programs are told to copy.
    QFile::setPermissions(m_folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(m_folder.filePath(kFileName));
    const QByteArray content = Content();
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(content) == content.size() &&
        file.flush())
        m_path = file.fileName();
}

QByteArray CDragMarker::Content()
{
    // The closing NUL belongs to the content.
    return QByteArrayLiteral("This file is created by Zentrava Pro. You can safely remove this file.\0");
}

bool CDragMarker::IsMarkerName(const QString& fileName)
{
    return fileName.compare(kFileName, Qt::CaseInsensitive) == 0;
}
