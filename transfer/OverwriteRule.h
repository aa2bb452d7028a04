#pragma once

#include "transfer/OverwriteAction.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A smart overwrite rule: four digits "date size when then". Digits outside their choices are kept as
// they are and simply never match.
struct COverwriteRule
{
    int date = 0; // the target's date against the source's: 0 newer, 1 any, 2 older, 3 equal, 4 not equal
    int size = 0; // the target's size against the source's: 0 larger, 1 any, 2 smaller, 3 equal, 4 not equal
    int when = 0; // 0 any transfer, 1 downloads, 2 uploads
    int then = 0; // 0 overwrite, 1 number, 2 resume, 3 prompt, 4 skip

    // The rule number date·1000 + size·100 + when·10 + then, as the rule dialog keeps it.
    static COverwriteRule FromNumber(unsigned number);
    unsigned Number() const;
    // Stored texts: the number with "%04u". Texts shorter than four characters, or whose first four
    // characters are not all digits, are no rule.
    static std::optional<COverwriteRule> FromText(const QString& text);
    QString ToText() const;

    // The line the rule list shows.
    QString Describe() const;
    // The rule's action when it covers this transfer; nothing when it does not.
    std::optional<OverwriteAction> Evaluate(TransferDirection direction, qint64 sourceSize, qint64 targetSize,
                                            qint64 sourceTime, qint64 targetTime) const;

    // The choices of each digit in order, as the rule dialog's combo boxes list them.
    static QStringList DateChoices();
    static QStringList SizeChoices();
    static QStringList WhenChoices();
    static QStringList ThenChoices();
};

// The stored rules in order; unreadable entries are left out, a missing or oversized value gives none.
QList<COverwriteRule> LoadOverwriteRules();
// False when the list would not fit in the store; the stored list then stays as it was.
bool SaveOverwriteRules(const QList<COverwriteRule>& rules);
