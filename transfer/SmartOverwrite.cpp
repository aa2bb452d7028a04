#include "transfer/SmartOverwrite.h"

#include "app/Profile.h"
#include "transfer/OverwriteRule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

namespace
{

const QString kSection = QStringLiteral("SmartOverwrite");
// MatchingFiles value that hands the decision to the rule list.
constexpr int kUseRules = 6;

QString NumberedName(const QString& name, qint64 n)
{
    if (n == 1)
        return QCoreApplication::translate("SmartOverwrite", "複製 -") + name;
    return QCoreApplication::translate("SmartOverwrite", "複製(%1) -").arg(n) + name;
}

bool Occupied(const QString& path)
{
    // A folder or a dangling link in the way is as much in the way as a file.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

OverwriteAction DecideOverwrite(TransferDirection direction, qint64 sourceSize, qint64 targetSize,
                                qint64 sourceTime, qint64 targetTime, std::optional<int> matchingFiles)
{
    if (GetProfileInt(kSection, QStringLiteral("IgnoreZeroBytes")) != 0 && targetSize == 0)
        return OverwriteAction::Overwrite;
    const int matching = matchingFiles.value_or(GetProfileInt(kSection, QStringLiteral("MatchingFiles")));
    if (matching >= int(OverwriteAction::Prompt) && matching <= int(OverwriteAction::Number))
        return OverwriteAction(matching);
    // Anything but "use the rules" is a stored value no version wrote: asking loses nothing.
    if (matching != kUseRules)
        return OverwriteAction::Prompt;
    for (const COverwriteRule& rule : LoadOverwriteRules())
    {
        if (const auto action = rule.Evaluate(direction, sourceSize, targetSize, sourceTime, targetTime))
            return *action;
    }
    return OverwriteAction::Prompt;
}

QString MakeNumberedLocalName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    // A folder holds finitely many entries, so a free number always turns up.
    qint64 n = 1;
    while (Occupied(folder + NumberedName(name, n)))
        ++n;
    return folder + NumberedName(name, n);
}

QString MakeNumberedRemoteName(const QString& path, const QStringList& names)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    QSet<QString> taken;
    for (const QString& existing : names)
        taken.insert(existing.toCaseFolded());
    // At most names.size() candidates can be taken.
    qint64 n = 1;
    while (taken.contains(NumberedName(name, n).toCaseFolded()))
        ++n;
    return NumberedName(name, n);
}
