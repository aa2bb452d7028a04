#pragma once

#include "transfer/OverwritePrompts.h"

#include <QAtomicInt>
#include <QMutex>

// The answers to the workers' overwrite questions: a fixed one, or the user's on a terminal.
class CCliOverwritePrompts final : public IOverwritePrompts
{
public:
    // ask: put every question on the terminal; without a terminal the answer is fixed.
    CCliOverwritePrompts(bool ask, OverwriteAction fixed);

    OverwriteAction AskReplace(const COverwritePromptInfo& info) override;
    OverwriteAction AskResume(const COverwritePromptInfo& info) override;
    QString AskNewName(const QString& source, const QString& proposedName) override;

    // Set while a question waits, so the progress lines leave the terminal alone.
    bool IsAsking() const { return m_asking.loadAcquire() != 0; }

private:
    OverwriteAction Ask(const COverwritePromptInfo& info, const char* choices);
    QString Question(const QString& text);

    const bool m_ask;
    const OverwriteAction m_fixed;
    QMutex m_mutex; // several workers may ask at once
    QAtomicInt m_asking;
};
