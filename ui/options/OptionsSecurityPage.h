#pragma once

#include "ui/options/OptionsPage.h"

#include <QByteArray>

class QPushButton;
class QVBoxLayout;

// "安全": whether site passwords are protected in sites.xml, the master password that protects them,
// whether the trace masks passwords and whether the desktop's keyring keeps every password instead.
class COptionsSecurityPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSecurityPage(QWidget* parent = nullptr);

    // A new master password is stored only here: written while the dialog could still be cancelled, it
    // would no longer decrypt the sites.xml that the main frame then does not save again.
    void SaveOptions() override;

private:
    void AddKeyringChoice(QVBoxLayout* layout);
    // On OK, when the keyring choice changed: every password moves, or the user learns which did not.
    void MoveKeyringPasswords();
    void EnableProtection(bool enabled);
    void AskMasterPassword();

    QCheckBox* m_encrypt;
    QPushButton* m_masterButton;
    QByteArray m_master;
    bool m_masterChosen = false;
    QCheckBox* m_keyring;
};
