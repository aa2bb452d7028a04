#include "cli/CliOverwritePrompts.h"

#include <QDateTime>

#include <cstdio>
#include <unistd.h>

CCliOverwritePrompts::CCliOverwritePrompts(bool ask, OverwriteAction fixed)
    : m_ask(ask && isatty(STDIN_FILENO)), m_fixed(fixed)
{
}

OverwriteAction CCliOverwritePrompts::AskReplace(const COverwritePromptInfo& info)
{
    return Ask(info, "[o]verwrite, overwrite [a]ll, [s]kip, [n]umber");
}

OverwriteAction CCliOverwritePrompts::AskResume(const COverwritePromptInfo& info)
{
    return Ask(info, "[r]esume, [o]verwrite, overwrite [a]ll, [s]kip, [n]umber");
}

QString CCliOverwritePrompts::AskNewName(const QString&, const QString& proposedName)
{
    if (!m_ask)
        return {};
    const QMutexLocker lock(&m_mutex);
    const QString line = Question(QStringLiteral("new name [%1]: ").arg(proposedName));
    return line.isEmpty() ? proposedName : line;
}

OverwriteAction CCliOverwritePrompts::Ask(const COverwritePromptInfo& info, const char* choices)
{
    if (!m_ask)
        return m_fixed;
    const QMutexLocker lock(&m_mutex);
    const QString question =
        QStringLiteral("\n%1 exists (%2 bytes, %3); the new one has %4 bytes (%5).\n%6? ")
            .arg(info.targetPath)
            .arg(info.existingSize)
            .arg(info.existingTime.toString(Qt::ISODate))
            .arg(info.incomingSize)
            .arg(info.incomingTime.toString(Qt::ISODate), QString::fromLatin1(choices));
    const QString answer = Question(question).toLower();
    if (answer.startsWith(u'o'))
        return OverwriteAction::Overwrite;
    if (answer.startsWith(u'a'))
        return OverwriteAction::OverwriteAll;
    if (answer.startsWith(u'r'))
        return OverwriteAction::Resume;
    if (answer.startsWith(u'n'))
        return OverwriteAction::Number;
    return OverwriteAction::Skip;
}

// One line from standard input; the end of input reads as an empty answer.
QString CCliOverwritePrompts::Question(const QString& text)
{
    m_asking.storeRelease(1);
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    char buffer[1024];
    const bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
    m_asking.storeRelease(0);
    return read ? QString::fromLocal8Bit(buffer).trimmed() : QString();
}
