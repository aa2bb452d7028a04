#include "common/LogLine.h"

#include "app/Profile.h"
#include "engine/FtpLog.h"
#include "engine/VisibleText.h"

#include <unistd.h>

QString ThreadTag()
{
    return u'[' + QString::number(gettid()) + u']';
}

QString CleanLogLine(const QString& text)
{
    QString line = text;
    return VisibleText(line.remove(u'\r').replace(u'\n', u' '));
}

QString MaskedCommandLine(const QString& cleaned)
{
    if (!IsPasswordCommand(cleaned) || !GetProfileInt("Security", "MaskPassword"))
        return cleaned;
    return QStringLiteral("PASS ") + QString(std::max<qsizetype>(cleaned.size() - 4, 0), u'*');
}

QString CollapseSlashes(QString path)
{
    while (path.contains(QLatin1String("//")))
        path.replace(QLatin1String("//"), QLatin1String("/"));
    return path;
}

QString WithoutTrailingSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}
