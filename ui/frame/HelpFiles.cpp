#include "ui/frame/HelpFiles.h"

#include <QDir>
#include <QFileInfo>

QString CHelpFiles::IndexPath(const QString& programFolder, bool english)
{
    const QDir program(programFolder);
    const QString page = english ? QStringLiteral("en/index.html") : QStringLiteral("index.html");
    for (const QString& relative :
         {QStringLiteral("help/") + page, QStringLiteral("../share/zentrava/help/") + page})
    {
        const QFileInfo index(program.filePath(relative));
        if (index.isFile())
            return index.canonicalFilePath();
    }
    return {};
}
