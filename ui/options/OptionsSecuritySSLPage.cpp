#include "ui/options/OptionsSecuritySSLPage.h"

#include "ui/options/CertificateManagerDlg.h"
#include "ui/options/CertificateWizard.h"
#include "ui/options/OptionsRow.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace
{
const QString kSsl = QStringLiteral("SSL");
} // namespace

COptionsSecuritySSLPage::COptionsSecuritySSLPage(QWidget* parent)
    : COptionsPage(parent),
      m_use(BoundCheck(QStringLiteral("使用SSL憑證驗證(&U)"), kSsl, QStringLiteral("UseCertificate"))),
      m_certificate(BoundText(kSsl, QStringLiteral("Certificate"))),
      m_key(BoundText(kSsl, QStringLiteral("PrivateKey"))),
      m_password(BoundText(kSsl, QStringLiteral("Password"), true))
{
    auto* form = new QFormLayout(this);
    form->addRow(m_use);
    form->addRow(QStringLiteral("憑證(&I)："), FilePickerRow(m_certificate, QStringLiteral("選擇憑證"),
                                                             QStringLiteral("憑證 (*.crt);;所有檔案 (*)")));
    form->addRow(QStringLiteral("私密金鑰(&P)："),
                 FilePickerRow(m_key, QStringLiteral("選擇私密金鑰"),
                               QStringLiteral("私密金鑰 (*.key);;所有檔案 (*)")));
    form->addRow(QStringLiteral("密碼(&W)："), m_password);
    auto* buttons = new QHBoxLayout;
    auto* generate = new QPushButton(QStringLiteral("建立憑證(&C)..."), this);
    auto* trusted = new QPushButton(QStringLiteral("信任的憑證(&T)..."), this);
    connect(generate, &QPushButton::clicked, this, &COptionsSecuritySSLPage::GenerateCertificate);
    connect(trusted, &QPushButton::clicked, this, &COptionsSecuritySSLPage::ShowTrustedCertificates);
    buttons->addWidget(generate);
    buttons->addWidget(trusted);
    form->addRow(buttons);
}

void COptionsSecuritySSLPage::GenerateCertificate()
{
    CCertificateWizard wizard(this);
    if (wizard.exec() != QDialog::Accepted || !wizard.HandOver())
        return;
    m_use->setChecked(true);
    m_certificate->setText(wizard.Files().certificatePath);
    m_key->setText(wizard.Files().privateKeyPath);
    m_password->setText(QString::fromUtf8(wizard.Answers().passphrase));
}

void COptionsSecuritySSLPage::ShowTrustedCertificates()
{
    CCertificateManagerDlg(this).exec();
}
