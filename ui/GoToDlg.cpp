#include "ui/GoToDlg.h"

#include "ui/HistoryComboBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CGoToDlg::CGoToDlg(QWidget* parent) : QDialog(parent), m_folder(new CHistoryComboBox(this))
{
    setWindowTitle(QStringLiteral("前往"));
    auto* label = new QLabel(QStringLiteral("輸入您想要開啟的資料夾路徑"), this);
    label->setBuddy(m_folder);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->LoadHistory(QStringLiteral("GoToFolder"));
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

QString CGoToDlg::Folder() const
{
    return m_folder->currentText().trimmed();
}
