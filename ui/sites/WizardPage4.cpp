#include "ui/sites/WizardPage4.h"

#include "app/Profile.h"
#include "ui/sites/WizardSheet.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CWizardPage4::CWizardPage4(QWidget* parent) : QWizardPage(parent), m_folder(new QLineEdit(this))
{
    setTitle(CWizardSheet::PageTitle());
    setSubTitle(QCoreApplication::translate("WizardPage4", "預設下載資料夾"));
    auto* text =
        new QLabel(QCoreApplication::translate("WizardPage4", "下載的檔案將存放在這個本機資料夾。"), this);
    m_folder->setObjectName(QStringLiteral("localFolder"));
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("browse"));
    connect(browse, &QPushButton::clicked, this, &CWizardPage4::Browse);

    auto* row = new QHBoxLayout;
    row->addWidget(m_folder);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(row);
    layout->addStretch();
}

QString CWizardPage4::LocalFolder() const
{
    return m_folder->text();
}

void CWizardPage4::initializePage()
{
    m_folder->setText(GetProfileString(QStringLiteral("Settings"), QStringLiteral("DefaultLocalPath")));
}

void CWizardPage4::Browse()
{
    QFileDialog dialog(this, QCoreApplication::translate("WizardPage4", "選取資料夾："), m_folder->text());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_folder->setText(dialog.selectedFiles().constFirst());
}
