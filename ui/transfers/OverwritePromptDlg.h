#pragma once

#include "transfer/OverwritePrompt.h"
#include "transfer/OverwritePrompts.h"

#include <QDialog>

class QHBoxLayout;
class QTimer;

// What the replace and resume prompts share: the line naming the existing file, the two files'
// descriptions with their type icons, the answer buttons, and the countdown in the title that ends
// the dialog with the PromptAction setting's answer. Finishes with the chosen action's code; closing
// the window skips the file.
class COverwritePromptDlg : public QDialog
{
    Q_OBJECT

public:
    // The answer of a finished dialog.
    OverwriteAction Answer() const;
    // Seconds left before the dialog answers itself; nothing when it waits for the user.
    std::optional<int> SecondsLeft() const { return m_secondsLeft; }

protected:
    COverwritePromptDlg(PromptKind kind, const COverwritePromptInfo& info, QWidget* parent);

private:
    void AddButtons(QHBoxLayout* row, bool lastFile);
    void Tick();
    void ShowTitle();

    const PromptKind m_kind;
    std::optional<int> m_secondsLeft;
    QTimer* m_timer;
};
