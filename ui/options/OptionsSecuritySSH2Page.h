#pragma once

#include "ui/options/OptionsPage.h"

class QCheckBox;
class QLineEdit;

// "SSH2": password and public-key log-in for SFTP, with the key files and the key's pass phrase. Without
// public-key log-in the password is the only way in, so it is forced on.
class COptionsSecuritySSH2Page : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSecuritySSH2Page(QWidget* parent = nullptr);

    // "建立金鑰檔案(&F)...": the key pair wizard; a key it is told to hand over fills the page's fields.
    void GenerateKeyPair();
    // "信任的識別清單(&L)...": the trusted host keys.
    void ShowKnownHosts();

private:
    void FollowPublicKey(bool on);

    QCheckBox* m_password;
    QCheckBox* m_publicKey;
    QLineEdit* m_publicPath;
    QLineEdit* m_privatePath;
    QLineEdit* m_passphrase;
    QList<QWidget*> m_keyFields;
};
