#include "transfer/RenameRule.h"

#include "app/Profile.h"
#include "app/StringList.h"
#include "transfer/Wildcard.h"

#include <string>

namespace
{

const QString kSection = QStringLiteral("RenameRules");
const QString kRulesKey = QStringLiteral("Rules");

struct NameParts
{
    QString folder;
    std::u32string base;
    std::u32string extension;
};

// Folder up to the last "/", then base and extension split at the last dot (the dot goes with the extension).
NameParts Split(const QString& name)
{
    const qsizetype folderEnd = name.lastIndexOf(u'/') + 1;
    const QString file = name.mid(folderEnd);
    const qsizetype dot = file.lastIndexOf(u'.');
    const QString base = dot < 0 ? file : file.left(dot);
    const QString extension = dot < 0 ? QString() : file.mid(dot);
    return {name.left(folderEnd), base.toStdU32String(), extension.toStdU32String()};
}

std::u32string BuildPart(const std::u32string& name, const std::u32string& target)
{
    std::u32string out;
    size_t i = 0;
    size_t j = 0;
    while (j < target.size())
    {
        const char32_t t = target[j];
        if (i >= name.size() && (t == U'?' || t == U'*'))
            break;
        if (t == U'*' || t == U'?')
            out += name[i];
        else
            out += t;
        ++i;
        // A star keeps copying: anything after it in the target part is never reached.
        if (t != U'*')
            ++j;
    }
    return out;
}

bool IsSafeFileName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

QString RenameWithRules(const QString& name)
{
    for (const CRenameRule& rule : LoadRenameRules())
    {
        if (rule.newName.isEmpty() || !MatchWildcard(name, rule.pattern, true))
            continue;
        const QString renamed = RenameByPattern(name, rule.newName);
        if (IsSafeFileName(renamed))
            return renamed;
    }
    return name;
}

} // namespace

CRenameRule CRenameRule::FromText(const QString& text)
{
    const QStringList fields = text.split(u'|');
    return {fields.value(0), fields.value(1)};
}

QString CRenameRule::ToText() const
{
    return pattern + u'|' + newName;
}

QList<CRenameRule> LoadRenameRules()
{
    CStringList stored;
    LoadProfileObject(kSection, kRulesKey, stored);
    QList<CRenameRule> rules;
    for (const QString& text : stored.Items())
        rules.append(CRenameRule::FromText(text));
    return rules;
}

bool SaveRenameRules(const QList<CRenameRule>& rules)
{
    CStringList stored;
    for (const CRenameRule& rule : rules)
        stored.Items().append(rule.ToText());
    return SaveProfileObject(kSection, kRulesKey, stored);
}

QString ApplyRenameRules(const QString& path)
{
    if (GetProfileInt(kSection, QStringLiteral("ApplyRules")) == 0)
        return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    const QString renamed = RenameWithRules(name);
    if (renamed == name)
        return path;
    if (slash < 0)
        return renamed;
    QString folder = path.left(slash);
    while (folder.endsWith(u'/'))
        folder.chop(1);
    return folder + u'/' + renamed;
}

QString RenameByPattern(const QString& name, const QString& target)
{
    const NameParts source = Split(name);
    const NameParts pattern = Split(target);
    const std::u32string base = BuildPart(source.base, pattern.base);
    const std::u32string extension = BuildPart(source.extension, pattern.extension);
    return pattern.folder + QString::fromStdU32String(base + extension);
}
