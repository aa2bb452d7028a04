#include "transfer/TreeComparison.h"

#include "transfer/Wildcard.h"

#include <QHash>
#include <QSet>

namespace
{
bool Matches(const QString& path, const QStringList& globs)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    for (const QString& glob : globs)
    {
        if (MatchWildcard(name, glob, true) || MatchWildcard(path, glob, true))
            return true;
    }
    return false;
}

// Whether one of the folders above the path is among the given ones.
bool Below(const QString& path, const QSet<QString>& folders)
{
    for (qsizetype slash = path.indexOf(u'/'); slash >= 0 && !folders.isEmpty();
         slash = path.indexOf(u'/', slash + 1))
    {
        if (folders.contains(path.left(slash)))
            return true;
    }
    return false;
}

// Left out by an exclude that names the entry or one of the folders above it, or a file no include names.
bool LeftOut(const CTreeEntry& entry, const CMirrorRules& rules)
{
    for (qsizetype slash = entry.path.indexOf(u'/'); slash >= 0; slash = entry.path.indexOf(u'/', slash + 1))
    {
        if (Matches(entry.path.left(slash), rules.excludes))
            return true;
    }
    if (Matches(entry.path, rules.excludes))
        return true;
    return !entry.folder && !rules.includes.isEmpty() && !Matches(entry.path, rules.includes);
}

// The time in whole units of the coarser precision.
qint64 Unit(const QDateTime& time, int precision)
{
    const qint64 seconds = time.toSecsSinceEpoch();
    return seconds / precision - (seconds % precision < 0 ? 1 : 0);
}

// -1, 0 or 1 as the source's time is older, the same or newer; 0 when a side gives no time.
int CompareTimes(const CTreeEntry& source, const CTreeEntry& target)
{
    if (!source.modified.isValid() || !target.modified.isValid())
        return 0;
    const int precision = qMax(qMax(source.precision, target.precision), 1);
    const qint64 a = Unit(source.modified, precision);
    const qint64 b = Unit(target.modified, precision);
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool NeedsCopy(const CTreeEntry& source, const CTreeEntry& target, const CMirrorRules& rules)
{
    const int time = CompareTimes(source, target);
    if (rules.onlyNewer)
        return time > 0;
    return source.size != target.size || time != 0;
}

QString ParentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}
} // namespace

CTreeDifference CompareTrees(const QList<CTreeEntry>& source, const QList<CTreeEntry>& target,
                             const CMirrorRules& rules)
{
    CTreeDifference difference;
    QHash<QString, const CTreeEntry*> there;
    for (const CTreeEntry& entry : target)
        there.insert(entry.path, &entry);
    QHash<QString, bool> wanted; // the source's paths that go, and whether each is a folder
    QSet<QString> blocked;       // source folders where the target has a file that stays
    for (const CTreeEntry& entry : source)
    {
        if (LeftOut(entry, rules) || Below(entry.path, blocked))
            continue;
        wanted.insert(entry.path, entry.folder);
        const CTreeEntry* other = there.value(entry.path);
        if (other && other->folder != entry.folder && !rules.deleteExtra)
        {
            difference.conflicts.append(entry.path);
            if (entry.folder)
                blocked.insert(entry.path);
            continue;
        }
        const bool replaced = other && other->folder != entry.folder;
        if (entry.folder)
        {
            if (!other || replaced)
                difference.folders.append(entry);
        }
        else if (!other || replaced || NeedsCopy(entry, *other, rules))
            difference.copies.append(entry);
        else
            ++difference.skipped;
    }
    if (!rules.deleteExtra)
        return difference;
    // From the deepest up, so that a folder goes only once nothing it holds is kept.
    QSet<QString> kept;
    for (qsizetype i = target.size() - 1; i >= 0; --i)
    {
        const CTreeEntry& entry = target[i];
        const auto found = wanted.constFind(entry.path);
        const bool stays = (found != wanted.cend() && *found == entry.folder) || LeftOut(entry, rules) ||
                           (entry.folder && kept.contains(entry.path));
        if (!stays)
        {
            difference.deletions.append(entry);
            continue;
        }
        for (QString parent = ParentOf(entry.path); !parent.isEmpty() && !kept.contains(parent);
             parent = ParentOf(parent))
            kept.insert(parent);
    }
    return difference;
}
