#include "ui/options/OptionsSecurityPage.h"

#include "sites/PasswordProtection.h"
#include "ui/options/MasterPasswordDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const QString kSection = QStringLiteral("Security");

} // namespace

COptionsSecurityPage::COptionsSecurityPage(QWidget* parent)
    : COptionsPage(parent),
      m_encrypt(BoundCheck(
          QCoreApplication::translate("OptionsSecurityPage", "加密我的最愛中的連線密碼設定 (SITES.XML)"),
          kSection, QStringLiteral("EncryptPasswords"))),
      m_masterButton(
          new QPushButton(QCoreApplication::translate("OptionsSecurityPage", "加密用密碼(&P)"), this)),
      m_master(ReadMasterPassword())
{
    setObjectName(QStringLiteral("SecurityPage"));
    setWindowTitle(QCoreApplication::translate("OptionsSecurityPage", "安全"));
    m_masterButton->setObjectName(QStringLiteral("MasterPasswordButton"));
    auto* note =
        new QLabel(QCoreApplication::translate("OptionsSecurityPage",
                                               "注意：強烈建議加密我的最愛中的連線密碼，"
                                               "您可以使用一組自定的密碼加密管理其他連線設定的密碼。"),
                   this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_encrypt);
    layout->addWidget(m_masterButton, 0, Qt::AlignLeft);
    layout->addWidget(
        BoundCheck(QCoreApplication::translate("OptionsSecurityPage", "不要在即時訊息視窗中顯示密碼"),
                   kSection, QStringLiteral("MaskPassword")));
    layout->addWidget(note);
    layout->addStretch();
    m_masterButton->setEnabled(m_encrypt->isChecked());
    // Only the user's click asks for a password; unticking below must not.
    connect(m_encrypt, &QCheckBox::clicked, this, &COptionsSecurityPage::EnableProtection);
    connect(m_masterButton, &QPushButton::clicked, this, &COptionsSecurityPage::AskMasterPassword);
}

void COptionsSecurityPage::SaveOptions()
{
    if (m_masterChosen)
        WriteMasterPassword(m_master);
    COptionsPage::SaveOptions();
}

void COptionsSecurityPage::EnableProtection(bool enabled)
{
    m_masterButton->setEnabled(enabled);
    if (enabled)
        AskMasterPassword();
}

void COptionsSecurityPage::AskMasterPassword()
{
    CMasterPasswordDlg dialog(m_master, this);
    if (dialog.exec() == QDialog::Accepted)
    {
        m_master = dialog.Password();
        m_masterChosen = true;
    }
    // Protection without a master password would store the passwords in plain text anyway.
    if (dialog.Password().isEmpty())
    {
        m_encrypt->setChecked(false);
        m_masterButton->setEnabled(false);
    }
}
