#pragma once

#include "ui/transfers/FolderPromptDlg.h"

// "搬移到資料夾...": asks for the destination folder. OK adds it to the "MoveToFolder" history;
// Shift+OK clears that history instead.
class CMoveDlg : public CFolderPromptDlg
{
    Q_OBJECT

public:
    explicit CMoveDlg(QWidget* parent = nullptr);

    // The folder typed when OK was pressed, trimmed.
    QString Folder() const { return m_chosen; }

    void accept() override;

private:
    QString m_chosen;
};
