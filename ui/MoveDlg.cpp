#include "ui/MoveDlg.h"

#include "ui/HistoryComboBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CMoveDlg::CMoveDlg(QWidget* parent) : QDialog(parent), m_folder(new CHistoryComboBox(this))
{
    setWindowTitle(QStringLiteral("搬移到資料夾..."));
    auto* label = new QLabel(QStringLiteral("目的資料夾(&D)："), this);
    label->setBuddy(m_folder);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->LoadHistory(QStringLiteral("MoveToFolder"));
    m_folder->setMinimumContentsLength(40);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_folder);
    layout->addWidget(buttons);
    m_folder->setFocus();
}

void CMoveDlg::accept()
{
    m_chosen = m_folder->currentText().trimmed();
    if (QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier))
        m_folder->ClearHistory();
    else
        m_folder->AddHistoryItem(m_chosen);
    QDialog::accept();
}
