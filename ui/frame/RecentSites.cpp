#include "ui/frame/RecentSites.h"

#include "app/Profile.h"

namespace
{
const QString kSection = QStringLiteral("Recent File List");

QString Key(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}
} // namespace

QStringList CRecentSites::Load()
{
    QStringList paths;
    for (int index = 0; index < kLimit; ++index)
    {
        const QString path = GetProfileString(kSection, Key(index));
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

void CRecentSites::Add(const QString& sitePath)
{
    QStringList paths = Load();
    paths.removeIf([&](const QString& path) { return path.compare(sitePath, Qt::CaseInsensitive) == 0; });
    paths.prepend(sitePath);
    for (int index = 0; index < kLimit; ++index)
        WriteProfileString(kSection, Key(index), paths.value(index));
}
