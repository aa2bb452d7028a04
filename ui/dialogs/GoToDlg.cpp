#include "ui/dialogs/GoToDlg.h"

#include <QCoreApplication>

CGoToDlg::CGoToDlg(QWidget* parent)
    : CFolderPromptDlg(QCoreApplication::translate("GoToDlg", "前往"),
                       QCoreApplication::translate("GoToDlg", "輸入您想要開啟的資料夾路徑"),
                       QStringLiteral("GoToFolder"), parent)
{
}
