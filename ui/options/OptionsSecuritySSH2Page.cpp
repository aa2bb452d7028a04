#include "ui/options/OptionsSecuritySSH2Page.h"

#include "ui/options/OptionsRow.h"

#include <QCheckBox>
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
      m_password(BoundCheck(QStringLiteral("使用密碼驗證(&W)"), kSsh2, QStringLiteral("PassAuthentication"))),
      m_publicKey(BoundCheck(QStringLiteral("使用公開金鑰驗證(&K)"), kSsh2,
                             QStringLiteral("PublicKeyAuthentication")))
{
    auto* form = new QFormLayout(this);
    form->addRow(m_password);
    form->addRow(m_publicKey);
    const auto addKeyRow = [&](const QString& label, QWidget* field)
    {
        auto* caption = new QLabel(label, this);
        form->addRow(caption, field);
        m_keyFields << caption << field;
    };
    addKeyRow(QStringLiteral("公開金鑰路徑(&B)："),
              FilePickerRow(BoundText(kSsh2, QStringLiteral("PublicKeyPath")), QStringLiteral("選擇公開金鑰"),
                            QStringLiteral("公開金鑰 (*.pub);;所有檔案 (*)")));
    addKeyRow(QStringLiteral("私密金鑰路徑(&V)："),
              FilePickerRow(BoundText(kSsh2, QStringLiteral("PrivateKeyPath")),
                            QStringLiteral("選擇私密金鑰"),
                            QStringLiteral("私密金鑰 (*.key);;所有檔案 (*)")));
    addKeyRow(QStringLiteral("密碼(&P)："), BoundText(kSsh2, QStringLiteral("Password"), true));
    m_keyFields << m_password;
    // The key maker and the trusted host keys come with the certificate manager.
    auto* buttons = new QHBoxLayout;
    for (const QString& text :
         {QStringLiteral("建立金鑰檔案(&F)..."), QStringLiteral("信任的識別清單(&L)...")})
    {
        auto* button = new QPushButton(text, this);
        button->setEnabled(false);
        buttons->addWidget(button);
    }
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
