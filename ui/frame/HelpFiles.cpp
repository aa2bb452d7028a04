#include "ui/frame/HelpFiles.h"

#include <QDir>
#include <QFileInfo>

QString CHelpFiles::IndexPath(const QString& programFolder)
{
    const QDir program(programFolder);
    for (const QString& relative :
         {QStringLiteral("help/index.html"), QStringLiteral("../share/zentrava/help/index.html")})
    {
        const QFileInfo index(program.filePath(relative));
        if (index.isFile())
            return index.canonicalFilePath();
    }
    return {};
}
