#include "transfer/OverwriteRule.h"

#include "app/Profile.h"
#include "app/StringList.h"

#include <QCoreApplication>

namespace
{

const QString kSection = QStringLiteral("OverwriteRules");
const QString kKey = QStringLiteral("Rules");

// Compares the target with the source by one of the five choices shared by the date and size digits.
bool Compares(int choice, qint64 target, qint64 source)
{
    switch (choice)
    {
    case 0:
        return target > source;
    case 1:
        return true;
    case 2:
        return target < source;
    case 3:
        return target == source;
    case 4:
        return target != source;
    default:
        return false;
    }
}

std::optional<OverwriteAction> ActionOf(int then)
{
    switch (then)
    {
    case 0:
        return OverwriteAction::Overwrite;
    case 1:
        return OverwriteAction::Number;
    case 2:
        return OverwriteAction::Resume;
    case 3:
        return OverwriteAction::Prompt;
    case 4:
        return OverwriteAction::Skip;
    default:
        return std::nullopt;
    }
}

} // namespace

COverwriteRule COverwriteRule::FromNumber(unsigned number)
{
    return {int(number / 1000 % 10), int(number / 100 % 10), int(number / 10 % 10), int(number % 10)};
}

unsigned COverwriteRule::Number() const
{
    return unsigned(date * 1000 + size * 100 + when * 10 + then);
}

std::optional<COverwriteRule> COverwriteRule::FromText(const QString& text)
{
    if (text.size() < 4)
        return std::nullopt;
    int digits[4];
    for (int i = 0; i < 4; ++i)
    {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        digits[i] = text[i].unicode() - u'0';
    }
    return COverwriteRule{digits[0], digits[1], digits[2], digits[3]};
}

QString COverwriteRule::ToText() const
{
    return QStringLiteral("%1").arg(Number(), 4, 10, QChar(u'0'));
}

QString COverwriteRule::Describe() const
{
    return QCoreApplication::translate("OverwriteRule",
                                       "如果目標日期 <%1> 而且檔案大小 <%2> 發生在 <%3>, 則 <%4>")
        .arg(DateChoices().value(date), SizeChoices().value(size), WhenChoices().value(when),
             ThenChoices().value(then));
}

std::optional<OverwriteAction> COverwriteRule::Evaluate(TransferDirection direction, qint64 sourceSize,
                                                        qint64 targetSize, qint64 sourceTime,
                                                        qint64 targetTime) const
{
    if (when != 0 && when != int(direction))
        return std::nullopt;
    if (!Compares(date, targetTime, sourceTime) || !Compares(size, targetSize, sourceSize))
        return std::nullopt;
    return ActionOf(then);
}

QStringList COverwriteRule::DateChoices()
{
    return {QCoreApplication::translate("OverwriteRule", "較新"),
            QCoreApplication::translate("OverwriteRule", "不考慮"),
            QCoreApplication::translate("OverwriteRule", "較舊"),
            QCoreApplication::translate("OverwriteRule", "相同"),
            QCoreApplication::translate("OverwriteRule", "不相同")};
}

QStringList COverwriteRule::SizeChoices()
{
    return {QCoreApplication::translate("OverwriteRule", "較大"),
            QCoreApplication::translate("OverwriteRule", "不考慮"),
            QCoreApplication::translate("OverwriteRule", "較小"),
            QCoreApplication::translate("OverwriteRule", "相同"),
            QCoreApplication::translate("OverwriteRule", "不相同")};
}

QStringList COverwriteRule::WhenChoices()
{
    return {QCoreApplication::translate("OverwriteRule", "任何傳送"),
            QCoreApplication::translate("OverwriteRule", "下載時"),
            QCoreApplication::translate("OverwriteRule", "上傳時")};
}

QStringList COverwriteRule::ThenChoices()
{
    return {QCoreApplication::translate("OverwriteRule", "覆寫"),
            QCoreApplication::translate("OverwriteRule", "編號識別"),
            QCoreApplication::translate("OverwriteRule", "續傳"),
            QCoreApplication::translate("OverwriteRule", "提示"),
            QCoreApplication::translate("OverwriteRule", "略過")};
}

QList<COverwriteRule> LoadOverwriteRules()
{
    CStringList stored;
    LoadProfileObject(kSection, kKey, stored);
    QList<COverwriteRule> rules;
    for (const QString& text : stored.Items())
    {
        if (const std::optional<COverwriteRule> rule = COverwriteRule::FromText(text))
            rules.append(*rule);
    }
    return rules;
}

bool SaveOverwriteRules(const QList<COverwriteRule>& rules)
{
    CStringList stored;
    for (const COverwriteRule& rule : rules)
        stored.Items().append(rule.ToText());
    return SaveProfileObject(kSection, kKey, stored);
}
