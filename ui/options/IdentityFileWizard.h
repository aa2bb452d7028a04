#pragma once

#include "security/IdentityFiles.h"

#include <QWizard>

class QCheckBox;
class QComboBox;
class QLineEdit;

// "公開/私密金鑰產生器": the key type, the private key's pass phrase, then where the two files go, the key
// size and whether the program should log in with the new key. Finish writes the files; a failure is
// shown and the wizard stays open.
class CIdentityFileWizard : public QWizard
{
    Q_OBJECT

public:
    explicit CIdentityFileWizard(QWidget* parent = nullptr);

    KeyPairAnswers Answers() const;
    // Whether the key should be set for the SSH2 log-in.
    bool HandOver() const;
    // What Finish wrote.
    const IdentityFiles& Files() const { return m_files; }

    void accept() override;

private:
    QComboBox* m_type;
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
    QLineEdit* m_publicPath;
    QLineEdit* m_privatePath;
    QComboBox* m_bits;
    QCheckBox* m_handOver;
    IdentityFiles m_files;
};
