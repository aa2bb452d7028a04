#include "ui/dialogs/GoToDlg.h"

CGoToDlg::CGoToDlg(QWidget* parent)
    : CFolderPromptDlg(QStringLiteral("前往"), QStringLiteral("輸入您想要開啟的資料夾路徑"),
                       QStringLiteral("GoToFolder"), parent)
{
}
