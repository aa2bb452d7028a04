#pragma once

#include "ui/options/OptionsPage.h"

class QCheckBox;
class QLineEdit;

// "SSL": the client certificate and private key that FTPS connections present.
class COptionsSecuritySSLPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSecuritySSLPage(QWidget* parent = nullptr);

    // "建立憑證(&C)...": the certificate wizard; a certificate it is told to hand over fills the fields.
    void GenerateCertificate();
    // "信任的憑證(&T)...": the certificate manager.
    void ShowTrustedCertificates();

private:
    QCheckBox* m_use;
    QLineEdit* m_certificate;
    QLineEdit* m_key;
    QLineEdit* m_password;
};
