#pragma once

#include <QList>
#include <QString>

// A rename rule: files whose name matches the pattern (always with case) get a name built from newName.
struct CRenameRule
{
    QString pattern;
    QString newName;

    // Stored as pattern + "|" + newName; a text without "|" has an empty new name.
    static CRenameRule FromText(const QString& text);
    QString ToText() const;
};

QList<CRenameRule> LoadRenameRules();
// False when the list would not fit in the store; the stored list then stays as it was.
bool SaveRenameRules(const QList<CRenameRule>& rules);

// The path with its file name (the part after the last "/") renamed by the first matching rule, or the
// path itself when ApplyRules is off or no rule fits. A rule that would give an empty name, "." or "..",
// or a name holding a path separator is passed over, so no name can leave its folder.
QString ApplyRenameRules(const QString& path);

// Builds a name from a target such as "*.html": "*" copies the rest of the name's part, "?" one
// character, anything else stands for itself. Base name and extension are built separately.
QString RenameByPattern(const QString& name, const QString& target);
