#pragma once

#include "transfer/OverwriteAction.h"

#include <QDateTime>
#include <QString>

// What a prompt about one existing target shows.
struct COverwritePromptInfo
{
    QString targetPath; // the existing file; its name heads the prompt
    qint64 existingSize = 0;
    QDateTime existingTime;
    qint64 incomingSize = 0;
    QDateTime incomingTime;
    bool lastFile = false; // the job has only this file left
};

// The questions a decision may ask. The windows answer them on the GUI thread (a countdown included);
// tests and the command line answer them from a script.
class IOverwritePrompts
{
public:
    // The replace prompt's answer: Overwrite, OverwriteAll, Skip, or a countdown's action.
    virtual OverwriteAction AskReplace(const COverwritePromptInfo& info) = 0;
    // The resume prompt's answer: Resume, Overwrite, Skip, or a countdown's action.
    virtual OverwriteAction AskResume(const COverwritePromptInfo& info) = 0;
    // The rename dialog: the entered name, or an empty text when cancelled.
    virtual QString AskNewName(const QString& originalName, const QString& proposedName) = 0;

protected:
    ~IOverwritePrompts() = default;
};
