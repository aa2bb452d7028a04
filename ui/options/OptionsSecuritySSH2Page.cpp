#include "ui/options/OptionsSecuritySSH2Page.h"

#include "ui/options/IdentityFileWizard.h"
#include "ui/options/KnownHostsDlg.h"
#include "ui/options/OptionsRow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
const QString kSsh2 = QStringLiteral("SSH2");
} // namespace

COptionsSecuritySSH2Page::COptionsSecuritySSH2Page(QWidget* parent)
    : COptionsPage(parent),
      m_password(BoundCheck(QCoreApplication::translate("OptionsSecuritySSH2Page", "使用密碼驗證(&W)"), kSsh2,
                            QStringLiteral("PassAuthentication"))),
      m_publicKey(BoundCheck(QCoreApplication::translate("OptionsSecuritySSH2Page", "使用公開金鑰驗證(&K)"),
                             kSsh2, QStringLiteral("PublicKeyAuthentication"))),
      m_publicPath(BoundText(kSsh2, QStringLiteral("PublicKeyPath"))),
      m_privatePath(BoundText(kSsh2, QStringLiteral("PrivateKeyPath"))),
      m_passphrase(BoundText(kSsh2, QStringLiteral("Password"), true))
{
    auto* form = new QFormLayout(this);
    form->addRow(m_password);
    form->addRow(m_publicKey);
    const auto addKeyRow = [&](const QString& label, QWidget* field)
    {
        auto* caption = new QLabel(label, this);
        // With its field as buddy the caption's "&" marks a shortcut instead of showing.
        caption->setBuddy(field);
        form->addRow(caption, field);
        m_keyFields << caption << field;
    };
    addKeyRow(QCoreApplication::translate("OptionsSecuritySSH2Page", "公開金鑰路徑(&B)："),
              FilePickerRow(
                  m_publicPath, QCoreApplication::translate("OptionsSecuritySSH2Page", "選擇公開金鑰"),
                  QCoreApplication::translate("OptionsSecuritySSH2Page", "公開金鑰 (*.pub);;所有檔案 (*)")));
    addKeyRow(QCoreApplication::translate("OptionsSecuritySSH2Page", "私密金鑰路徑(&V)："),
              FilePickerRow(
                  m_privatePath, QCoreApplication::translate("OptionsSecuritySSH2Page", "選擇私密金鑰"),
                  QCoreApplication::translate("OptionsSecuritySSH2Page", "私密金鑰 (*.key);;所有檔案 (*)")));
    addKeyRow(QCoreApplication::translate("OptionsSecuritySSH2Page", "密碼(&P)："), m_passphrase);
    m_keyFields << m_password;
    auto* buttons = new QHBoxLayout;
    auto* generate =
        new QPushButton(QCoreApplication::translate("OptionsSecuritySSH2Page", "建立金鑰檔案(&F)..."), this);
    auto* knownHosts = new QPushButton(
        QCoreApplication::translate("OptionsSecuritySSH2Page", "信任的識別清單(&L)..."), this);
    connect(generate, &QPushButton::clicked, this, &COptionsSecuritySSH2Page::GenerateKeyPair);
    connect(knownHosts, &QPushButton::clicked, this, &COptionsSecuritySSH2Page::ShowKnownHosts);
    buttons->addWidget(generate);
    buttons->addWidget(knownHosts);
    form->addRow(buttons);
    connect(m_publicKey, &QCheckBox::toggled, this, &COptionsSecuritySSH2Page::FollowPublicKey);
    FollowPublicKey(m_publicKey->isChecked());
}

void COptionsSecuritySSH2Page::FollowPublicKey(bool on)
{
    for (QWidget* widget : std::as_const(m_keyFields))
        widget->setEnabled(on);
    if (!on)
        m_password->setChecked(true);
}

void COptionsSecuritySSH2Page::GenerateKeyPair()
{
    CIdentityFileWizard wizard(this);
    if (wizard.exec() != QDialog::Accepted || !wizard.HandOver())
        return;
    m_publicKey->setChecked(true);
    m_publicPath->setText(wizard.Files().publicKeyPath);
    m_privatePath->setText(wizard.Files().privateKeyPath);
    m_passphrase->setText(QString::fromUtf8(wizard.Answers().passphrase));
}

void COptionsSecuritySSH2Page::ShowKnownHosts()
{
    CKnownHostsDlg(this).exec();
}
