#pragma once

#include "ui/transfers/FolderPromptDlg.h"

// "前往": asks for a remote folder to open, offering the stored "GoToFolder" entries.
class CGoToDlg : public CFolderPromptDlg
{
    Q_OBJECT

public:
    explicit CGoToDlg(QWidget* parent = nullptr);
};
