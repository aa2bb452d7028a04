#pragma once

#include "security/IdentityFiles.h"

#include <QMap>
#include <QWizard>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;

// "SSL憑證產生器": the certificate's name, folder, key size, expiry and pass phrase, then its subject,
// then whether the program should present it and whether to show it. Finish writes <name>.key and
// <name>.crt; a failure is shown and the wizard stays open.
class CCertificateWizard : public QWizard
{
    Q_OBJECT

public:
    explicit CCertificateWizard(QWidget* parent = nullptr);

    CertificateAnswers Answers() const;
    // Whether the certificate should be presented to FTPS servers.
    bool HandOver() const;
    const IdentityFiles& Files() const { return m_files; }

    void accept() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_folder;
    QComboBox* m_bits;
    QDateTimeEdit* m_expires;
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
    QMap<CertificateField, QLineEdit*> m_subject;
    QCheckBox* m_handOver;
    QCheckBox* m_show;
    IdentityFiles m_files;
};
