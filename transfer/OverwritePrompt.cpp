#include "transfer/OverwritePrompt.h"

#include "app/Profile.h"

#include <QCoreApplication>

#include <iterator>

namespace
{

const QString kSection = QStringLiteral("SmartOverwrite");

// PromptAction values name the choices of the setting's combo box in this order.
constexpr OverwriteAction kTimeoutChoices[] = {OverwriteAction::Overwrite, OverwriteAction::Skip,
                                               OverwriteAction::Rename, OverwriteAction::Resume,
                                               OverwriteAction::Number};

} // namespace

QList<CPromptButton> PromptButtons(PromptKind kind, bool lastFile)
{
    if (kind == PromptKind::Resume)
        return {{QCoreApplication::translate("OverwritePrompt", "是(&Y)"), OverwriteAction::Resume},
                {QCoreApplication::translate("OverwritePrompt", "否(&N)"), OverwriteAction::Overwrite},
                {QCoreApplication::translate("OverwritePrompt", "否(&C)"), OverwriteAction::Skip}};
    if (lastFile)
        return {{QCoreApplication::translate("OverwritePrompt", "是(&Y)"), OverwriteAction::Overwrite},
                {QCoreApplication::translate("OverwritePrompt", "否(&N)"), OverwriteAction::Skip}};
    return {{QCoreApplication::translate("OverwritePrompt", "是(&Y)"), OverwriteAction::Overwrite},
            {QCoreApplication::translate("OverwritePrompt", "全部都是(&A)"), OverwriteAction::OverwriteAll},
            {QCoreApplication::translate("OverwritePrompt", "否(&N)"), OverwriteAction::Skip},
            {QCoreApplication::translate("OverwritePrompt", "取消(&C)"), OverwriteAction::Skip}};
}

OverwriteAction PromptTimeoutAction(PromptKind kind, int promptAction)
{
    if (promptAction >= 0 && promptAction < int(std::size(kTimeoutChoices)))
        return kTimeoutChoices[promptAction];
    // The two prompts fall back differently on values no version wrote.
    return kind == PromptKind::Resume ? OverwriteAction::Resume : OverwriteAction::Overwrite;
}

std::optional<int> PromptCountdownStart()
{
    if (GetProfileInt(kSection, QStringLiteral("EnableTimeout")) == 0)
        return std::nullopt;
    return GetProfileInt(kSection, QStringLiteral("Timeout"));
}

QString PromptTitle(PromptKind kind)
{
    return kind == PromptKind::Resume ? QCoreApplication::translate("OverwritePrompt", "續傳確認")
                                      : QCoreApplication::translate("OverwritePrompt", "取代檔案");
}

QString PromptCountdownTitle(PromptKind kind, int secondsLeft)
{
    const QString format =
        kind == PromptKind::Resume
            ? QCoreApplication::translate("OverwritePrompt", "確認續傳 ( %1 秒內關閉)")
            : QCoreApplication::translate("OverwritePrompt", "確認取代檔案 ( %1 秒內關閉)");
    return format.arg(secondsLeft);
}

QString PromptExistsText(const QString& targetPath)
{
    const QString name = targetPath.mid(targetPath.lastIndexOf(u'/') + 1);
    return QCoreApplication::translate("OverwritePrompt", "資料夾中已經存在另一同名檔案 '%1'").arg(name);
}

QString DescribePromptFile(qint64 size, const QDateTime& modified, const QLocale& locale)
{
    return QStringLiteral("%1 (%2 bytes)\r\n%3")
        .arg(KilobyteText(size), GroupedDigits(size),
             locale.toString(modified.toLocalTime(), QLocale::LongFormat));
}

QString KilobyteText(qint64 size)
{
    const qint64 kilobytes = size <= 0 ? 1 : size / 1024 + (size % 1024 != 0 ? 1 : 0);
    return GroupedDigits(kilobytes) + QStringLiteral(" KB");
}

QString GroupedDigits(qint64 value)
{
    const QString digits = QString::number(value < 0 ? -quint64(value) : quint64(value));
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i)
    {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += u',';
        grouped += digits[i];
    }
    return value < 0 ? u'-' + grouped : grouped;
}
