#include "ui/options/OptionsSecurityPage.h"

#include "app/KeyringStore.h"
#include "app/Profile.h"
#include "sites/KeyringSwitch.h"
#include "sites/PasswordProtection.h"
#include "sites/SiteList.h"
#include "ui/dialogs/MessageBox.h"
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
      m_master(ReadMasterPassword()),
      m_keyring(new QCheckBox(
          QCoreApplication::translate("OptionsSecurityPage", "密碼存放在桌面的金鑰圈(&K)"), this))
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
    AddKeyringChoice(layout);
    layout->addStretch();
    m_masterButton->setEnabled(m_encrypt->isChecked());
    // Only the user's click asks for a password; unticking below must not.
    connect(m_encrypt, &QCheckBox::clicked, this, &COptionsSecurityPage::EnableProtection);
    connect(m_masterButton, &QPushButton::clicked, this, &COptionsSecurityPage::AskMasterPassword);
}

void COptionsSecurityPage::AddKeyringChoice(QVBoxLayout* layout)
{
    m_keyring->setObjectName(QStringLiteral("KeyringPasswords"));
    m_keyring->setChecked(ProfileSecretsInKeyring());
    layout->addWidget(m_keyring);
    if (CKeyringStore::Available())
        return;
    m_keyring->setEnabled(false);
    auto* missing = new QLabel(
        QCoreApplication::translate("OptionsSecurityPage", "找不到桌面的金鑰圈服務，密碼存放在檔案中。"),
        this);
    missing->setObjectName(QStringLiteral("KeyringMissing"));
    layout->addWidget(missing);
}

void COptionsSecurityPage::SaveOptions()
{
    // Before a new master password is stored: sites.xml is read with the one it was written with.
    if (m_keyring->isChecked() != ProfileSecretsInKeyring())
        MoveKeyringPasswords();
    if (m_masterChosen)
        WriteMasterPassword(m_master);
    COptionsPage::SaveOptions();
}

void COptionsSecurityPage::MoveKeyringPasswords()
{
    CSiteList sites;
    sites.LoadSites();
    const QString problem = SwitchKeyringPasswords(m_keyring->isChecked(), sites);
    if (!problem.isEmpty())
        CMessageBox::Show(this, QMessageBox::Warning, problem);
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
