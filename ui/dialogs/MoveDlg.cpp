#include "ui/dialogs/MoveDlg.h"

#include "ui/dialogs/HistoryComboBox.h"

#include <QApplication>
#include <QCoreApplication>

CMoveDlg::CMoveDlg(QWidget* parent)
    : CFolderPromptDlg(QCoreApplication::translate("MoveDlg", "搬移到資料夾..."),
                       QCoreApplication::translate("MoveDlg", "目的資料夾(&D)："),
                       QStringLiteral("MoveToFolder"), parent)
{
}

void CMoveDlg::accept()
{
    m_chosen = CFolderPromptDlg::Folder();
    if (QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier))
        History()->ClearHistory();
    else
        History()->AddHistoryItem(m_chosen);
    QDialog::accept();
}
