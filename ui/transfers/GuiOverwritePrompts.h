#pragma once

#include "transfer/OverwritePrompts.h"

#include <QVariant>

#include <functional>

class QDialog;
class QWidget;

// The prompts as windows. A worker thread that asks waits while its dialog is open on the GUI
// thread, without blocking that thread: every prompt is a window of its own with its own countdown,
// so several workers may ask at once. A worker cancelled while it waits gets the file skipped and
// its dialog closes. Asked on the GUI thread itself, the dialog simply runs modal.
class CGuiOverwritePrompts final : public IOverwritePrompts
{
public:
    // The dialogs open over dialogParent, which must outlive every worker that may ask.
    explicit CGuiOverwritePrompts(QWidget* dialogParent);

    OverwriteAction AskReplace(const COverwritePromptInfo& info) override;
    OverwriteAction AskResume(const COverwritePromptInfo& info) override;
    QString AskNewName(const QString& originalName, const QString& proposedName) override;

private:
    using DialogMaker = std::function<QDialog*(QWidget* parent)>;
    using AnswerReader = std::function<QVariant(QDialog& dialog)>;

    QVariant Ask(const DialogMaker& make, const AnswerReader& read, const QVariant& abandoned) const;

    QWidget* m_parent;
};
