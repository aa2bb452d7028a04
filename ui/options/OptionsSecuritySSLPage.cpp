#include "ui/options/OptionsSecuritySSLPage.h"

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

COptionsSecuritySSLPage::COptionsSecuritySSLPage(QWidget* parent) : COptionsPage(parent)
{
    auto* form = new QFormLayout(this);
    form->addRow(BoundCheck(QStringLiteral("使用SSL憑證驗證(&U)"), kSsl, QStringLiteral("UseCertificate")));
    form->addRow(QStringLiteral("憑證(&I)："),
                 FilePickerRow(BoundText(kSsl, QStringLiteral("Certificate")), QStringLiteral("選擇憑證"),
                               QStringLiteral("憑證 (*.crt);;所有檔案 (*)")));
    form->addRow(QStringLiteral("私密金鑰(&P)："),
                 FilePickerRow(BoundText(kSsl, QStringLiteral("PrivateKey")), QStringLiteral("選擇私密金鑰"),
                               QStringLiteral("私密金鑰 (*.key);;所有檔案 (*)")));
    form->addRow(QStringLiteral("密碼(&W)："), BoundText(kSsl, QStringLiteral("Password"), true));
    // The certificate maker and the trusted store come with the certificate manager.
    auto* buttons = new QHBoxLayout;
    for (const QString& text : {QStringLiteral("建立憑證(&C)..."), QStringLiteral("信任的憑證(&T)...")})
    {
        auto* button = new QPushButton(text, this);
        button->setEnabled(false);
        buttons->addWidget(button);
    }
    form->addRow(buttons);
}
