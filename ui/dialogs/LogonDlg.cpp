#include "ui/dialogs/LogonDlg.h"

#include "app/Profile.h"
#include "ui/dialogs/HistoryComboBox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace
{

const QString kAnonymous = QStringLiteral("anonymous");

} // namespace

CLogonDlg::CLogonDlg(const QString& server, const QString& login, const QString& password, QWidget* parent)
    : QDialog(parent), m_login(new CHistoryComboBox(this)), m_password(new QLineEdit(this)),
      m_anonymous(new QCheckBox(QCoreApplication::translate("LogonDlg", "匿名存取(&A)"), this)),
      m_savePassword(new QCheckBox(QCoreApplication::translate("LogonDlg", "儲存密碼(&S)"), this)),
      m_keptLogin(login), m_keptPassword(password)
{
    setWindowTitle(QCoreApplication::translate("LogonDlg", "登入身分"));
    auto* serverText = new QLineEdit(server, this);
    serverText->setObjectName(QStringLiteral("server"));
    serverText->setReadOnly(true);
    m_login->setObjectName(QStringLiteral("login"));
    m_login->LoadHistory(QStringLiteral("LogonUsers"));
    m_login->setEditText(login);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setText(password);
    m_anonymous->setObjectName(QStringLiteral("anonymous"));
    m_savePassword->setObjectName(QStringLiteral("savePassword"));

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("LogonDlg", "FTP 伺服器："), serverText);
    auto* loginLabel = new QLabel(QCoreApplication::translate("LogonDlg", "帳號(&U)："), this);
    loginLabel->setBuddy(m_login);
    form->addRow(loginLabel, m_login);
    auto* passwordLabel = new QLabel(QCoreApplication::translate("LogonDlg", "密碼(&P)："), this);
    passwordLabel->setBuddy(m_password);
    form->addRow(passwordLabel, m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_anonymous);
    layout->addWidget(m_savePassword);
    layout->addWidget(buttons);

    if (login.compare(kAnonymous, Qt::CaseInsensitive) == 0)
    {
        m_anonymous->setChecked(true);
        ShowAnonymous();
    }
    else
    {
        m_password->setEchoMode(QLineEdit::Password);
    }
    connect(m_anonymous, &QCheckBox::toggled, this, &CLogonDlg::SetAnonymous);
    m_password->setFocus();
}

QString CLogonDlg::Login() const
{
    return m_login->currentText();
}

QString CLogonDlg::Password() const
{
    return m_password->text();
}

bool CLogonDlg::SavePassword() const
{
    return m_savePassword->isChecked();
}

void CLogonDlg::SetAnonymous(bool anonymous)
{
    if (anonymous)
    {
        m_keptLogin = Login();
        m_keptPassword = Password();
        m_login->setEditText(kAnonymous);
        ShowAnonymous();
        return;
    }
    m_login->setEditText(m_keptLogin);
    m_password->setText(m_keptPassword);
    m_login->setEnabled(true);
    m_password->setEchoMode(QLineEdit::Password);
}

void CLogonDlg::ShowAnonymous()
{
    m_password->setText(GetProfileString(QStringLiteral("Settings"), QStringLiteral("EmailAddress")));
    m_password->setEchoMode(QLineEdit::Normal);
    m_login->setEnabled(false);
}
