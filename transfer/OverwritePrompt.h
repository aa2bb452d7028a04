#pragma once

#include "transfer/OverwriteAction.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// What the replace and resume prompts show and answer; the dialogs only draw it.
enum class PromptKind
{
    Replace,
    Resume
};

struct CPromptButton
{
    QString text;
    OverwriteAction action;
};

// The buttons in order. On the last file of a job the replace prompt offers only "是" and "否".
QList<CPromptButton> PromptButtons(PromptKind kind, bool lastFile);
// The answer of a prompt whose countdown ran out, from the PromptAction setting's value.
OverwriteAction PromptTimeoutAction(PromptKind kind, int promptAction);
// The countdown's first value in seconds, or nothing when prompts wait for the user.
std::optional<int> PromptCountdownStart();

QString PromptTitle(PromptKind kind);
QString PromptCountdownTitle(PromptKind kind, int secondsLeft);
// The line above the descriptions, naming the target by its file name.
QString PromptExistsText(const QString& targetPath);
// "<kilobytes> (<bytes> bytes)\r\n<time>", the time as the locale writes a long date and time.
QString DescribePromptFile(qint64 size, const QDateTime& modified, const QLocale& locale);

// Bytes ÷ 1024 rounded up, at least 1, grouped by "," and followed by " KB".
QString KilobyteText(qint64 size);
// Decimal digits grouped by "," in threes.
QString GroupedDigits(qint64 value);
