#include "ui/connection/FileTypeIcon.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QStyle>

QIcon FileTypeIcon(const QString& name, bool folder)
{
    QStyle* style = QApplication::style();
    if (folder)
        return QIcon::fromTheme(QStringLiteral("folder"), style->standardIcon(QStyle::SP_DirIcon));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    const QIcon fallback = QIcon::fromTheme(type.genericIconName(), style->standardIcon(QStyle::SP_FileIcon));
    return QIcon::fromTheme(type.iconName(), fallback);
}
