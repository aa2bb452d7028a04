#pragma once

#include <QDialog>

class CHistoryComboBox;
class QCheckBox;
class QLineEdit;

// "登入身分": asks for the login and password of a site that has no password stored.
class CLogonDlg : public QDialog
{
    Q_OBJECT

public:
    CLogonDlg(const QString& server, const QString& login, const QString& password,
              QWidget* parent = nullptr);

    QString Login() const;
    QString Password() const;
    bool SavePassword() const;

private:
    void SetAnonymous(bool anonymous);
    void ShowAnonymous();

    CHistoryComboBox* m_login;
    QLineEdit* m_password;
    QCheckBox* m_anonymous;
    QCheckBox* m_savePassword;
    // What the user had before ticking the anonymous box, given back when it is unticked.
    QString m_keptLogin;
    QString m_keptPassword;
};
