#include "transfer/WorkerPaths.h"

#include "engine/VisibleText.h"

#include <QStringList>

QString StripCommonPrefix(const QString& path, const QString& prefix)
{
    qsizetype shared = 0;
    const qsizetype limit = qMin(path.size(), prefix.size());
    while (shared < limit && path[shared].toCaseFolded() == prefix[shared].toCaseFolded())
        ++shared;
    return path.mid(shared);
}

bool IsSafeRemoteName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return !name.contains(u'/') && !name.contains(u'\\') && !HasControlCharacters(name);
}

bool IsSafeRelativePath(const QString& path)
{
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString& part : parts)
    {
        if (!IsSafeRemoteName(part))
            return false;
    }
    return true;
}

QString AbbreviateFolder(const QString& folder, int maxLength)
{
    if (folder.size() <= maxLength)
        return folder;
    const QStringList parts = folder.split(u'/', Qt::SkipEmptyParts);
    const QString head =
        (folder.startsWith(u'/') ? QStringLiteral("/") : parts.value(0) + u'/') + QStringLiteral("...");
    QString tail;
    for (auto part = parts.crbegin(); part != parts.crend(); ++part)
    {
        const QString longer = u'/' + *part + tail;
        if (head.size() + longer.size() > maxLength)
            break;
        tail = longer;
    }
    if (tail.isEmpty())
        return parts.isEmpty() ? folder : parts.last();
    return head + tail;
}

QString LocalFolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}
