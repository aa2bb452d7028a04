#include "ui/sites/WizardPage1.h"

#include "sites/SiteList.h"
#include "ui/sites/WizardSheet.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CWizardPage1::CWizardPage1(QWidget* parent) : QWizardPage(parent), m_name(new QLineEdit(this))
{
    setTitle(CWizardSheet::PageTitle());
    setSubTitle(QCoreApplication::translate("WizardPage1", "站台名稱"));
    auto* text = new QLabel(QCoreApplication::translate("WizardPage1",
                                                        "請輸入一個容易記憶的站台名稱，以方便未來識別用。\n"
                                                        "例如：公司伺服器、個人網站、軟體下載站"),
                            this);
    text->setWordWrap(true);
    m_name->setObjectName(QStringLiteral("siteName"));
    registerField(QStringLiteral("siteName"), m_name);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_name);
    layout->addStretch();
}

QString CWizardPage1::SiteName() const
{
    return m_name->text();
}

bool CWizardPage1::validatePage()
{
    if (SiteName().trimmed().isEmpty())
        return Refuse(QCoreApplication::translate("WizardPage1", "請輸入有效的站台名稱"));
    // A quote, "<" or ">" would not survive the trip through sites.xml, and "\" splits site paths.
    const QString refusal = CSiteList::CheckName(SiteName());
    if (!refusal.isEmpty())
        return Refuse(refusal);
    return true;
}

bool CWizardPage1::Refuse(const QString& message)
{
    CWizardSheet::Message(this, QMessageBox::Warning, message);
    m_name->setFocus();
    return false;
}
