#pragma once

#include "ui/options/OptionsPage.h"

class QCheckBox;

// "SSH2": password and public-key log-in for SFTP, with the key files and the key's pass phrase. Without
// public-key log-in the password is the only way in, so it is forced on.
class COptionsSecuritySSH2Page : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSecuritySSH2Page(QWidget* parent = nullptr);

private:
    void FollowPublicKey(bool on);

    QCheckBox* m_password;
    QCheckBox* m_publicKey;
    QList<QWidget*> m_keyFields;
};
