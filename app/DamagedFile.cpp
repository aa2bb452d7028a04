#include "app/DamagedFile.h"

#include <QFile>

namespace
{
// Names already taken beyond this many mean something else is wrong; the file then stays where it is.
constexpr int kMaxNumbers = 100;
} // namespace

CStoredFileLoad CDamagedFile::SetAside(const QString& path, const QDateTime& when)
{
    const QString base =
        path + QStringLiteral(".damaged-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int number = 1; number <= kMaxNumbers; ++number)
    {
        const QString aside = number == 1 ? base : base + u'-' + QString::number(number);
        // QFile::rename refuses an existing target.
        if (QFile::exists(aside))
            continue;
        if (QFile::rename(path, aside))
            return CStoredFileLoad::Damaged(path, aside);
        qWarning("zentrava: cannot move %s aside to %s", qPrintable(path), qPrintable(aside));
        break;
    }
    return CStoredFileLoad::Damaged(path, {});
}
