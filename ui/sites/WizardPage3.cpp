#include "ui/sites/WizardPage3.h"

#include "app/Profile.h"
#include "ui/sites/WizardSheet.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLineEdit>

CWizardPage3::CWizardPage3(QWidget* parent)
    : QWizardPage(parent), m_login(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_anonymous(new QCheckBox(QCoreApplication::translate("WizardPage3", "匿名存取(&A)"), this))
{
    setTitle(CWizardSheet::PageTitle());
    setSubTitle(QCoreApplication::translate("WizardPage3", "帳號密碼"));
    m_login->setObjectName(QStringLiteral("login"));
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_anonymous->setObjectName(QStringLiteral("anonymous"));
    connect(m_anonymous, &QCheckBox::toggled, this, &CWizardPage3::SetAnonymous);

    auto* layout = new QFormLayout(this);
    layout->addRow(QCoreApplication::translate("WizardPage3", "帳號："), m_login);
    layout->addRow(QCoreApplication::translate("WizardPage3", "密碼："), m_password);
    layout->addRow(m_anonymous);
}

QString CWizardPage3::Login() const
{
    return m_login->text();
}

QString CWizardPage3::Password() const
{
    return m_password->text();
}

void CWizardPage3::SetAnonymous(bool anonymous)
{
    // Unticking keeps what the box filled in; only the password is hidden again.
    if (anonymous)
    {
        m_login->setText(QStringLiteral("anonymous"));
        m_password->setText(GetProfileString(QStringLiteral("Settings"), QStringLiteral("EmailAddress")));
    }
    m_password->setEchoMode(anonymous ? QLineEdit::Normal : QLineEdit::Password);
}
