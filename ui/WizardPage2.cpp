#include "ui/WizardPage2.h"

#include "ui/WizardSheet.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CWizardPage2::CWizardPage2(QWidget* parent) : QWizardPage(parent), m_address(new QLineEdit(this))
{
    setTitle(CWizardSheet::kPageTitle);
    setSubTitle(QStringLiteral("主機位址"));
    auto* text = new QLabel(QStringLiteral("請輸入主機的 IP 位址或名稱，例如：ftp.example.com"), this);
    text->setWordWrap(true);
    m_address->setObjectName(QStringLiteral("address"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_address);
    layout->addStretch();
}

QString CWizardPage2::Address() const
{
    return m_address->text().trimmed();
}

bool CWizardPage2::validatePage()
{
    if (!Address().isEmpty())
        return true;
    CWizardSheet::Message(this, QMessageBox::Warning, QStringLiteral("請輸入站台位址"));
    m_address->setFocus();
    return false;
}
