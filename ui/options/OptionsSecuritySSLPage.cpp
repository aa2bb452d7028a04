#include "ui/options/OptionsSecuritySSLPage.h"

#include "ui/options/CertificateManagerDlg.h"
#include "ui/options/CertificateWizard.h"
#include "ui/options/OptionsRow.h"

#include <QCheckBox>
#include <QCoreApplication>
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
      m_use(BoundCheck(QCoreApplication::translate("OptionsSecuritySSLPage", "使用SSL憑證驗證(&U)"), kSsl,
                       QStringLiteral("UseCertificate"))),
      m_certificate(BoundText(kSsl, QStringLiteral("Certificate"))),
      m_key(BoundText(kSsl, QStringLiteral("PrivateKey"))),
      m_password(BoundText(kSsl, QStringLiteral("Password"), true))
{
    auto* form = new QFormLayout(this);
    form->addRow(m_use);
    form->addRow(
        QCoreApplication::translate("OptionsSecuritySSLPage", "憑證(&I)："),
        FilePickerRow(m_certificate, QCoreApplication::translate("OptionsSecuritySSLPage", "選擇憑證"),
                      QCoreApplication::translate("OptionsSecuritySSLPage", "憑證 (*.crt);;所有檔案 (*)")));
    form->addRow(QCoreApplication::translate("OptionsSecuritySSLPage", "私密金鑰(&P)："),
                 FilePickerRow(m_key, QCoreApplication::translate("OptionsSecuritySSLPage", "選擇私密金鑰"),
                               QCoreApplication::translate("OptionsSecuritySSLPage",
                                                           "私密金鑰 (*.key);;所有檔案 (*)")));
    form->addRow(QCoreApplication::translate("OptionsSecuritySSLPage", "密碼(&W)："), m_password);
    auto* buttons = new QHBoxLayout;
    auto* generate =
        new QPushButton(QCoreApplication::translate("OptionsSecuritySSLPage", "建立憑證(&C)..."), this);
    auto* trusted =
        new QPushButton(QCoreApplication::translate("OptionsSecuritySSLPage", "信任的憑證(&T)..."), this);
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
