#include "ui/transfers/FolderPromptDlg.h"

#include "ui/dialogs/HistoryComboBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CFolderPromptDlg::CFolderPromptDlg(const QString& title, const QString& label, const QString& historyName,
                                   QWidget* parent)
    : QDialog(parent), m_folder(new CHistoryComboBox(this))
{
    setWindowTitle(title);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(m_folder);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->LoadHistory(historyName);
    m_folder->setMinimumContentsLength(40);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_folder);
    layout->addWidget(buttons);
    m_folder->setFocus();
}

QString CFolderPromptDlg::Folder() const
{
    return m_folder->currentText().trimmed();
}
