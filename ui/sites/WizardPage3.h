#pragma once

#include <QWizardPage>

class QCheckBox;
class QLineEdit;

// The log-in; the anonymous box fills in "anonymous" and the e-mail address of the settings.
class CWizardPage3 : public QWizardPage
{
    Q_OBJECT

public:
    explicit CWizardPage3(QWidget* parent = nullptr);

    QString Login() const;
    QString Password() const;

private:
    void SetAnonymous(bool anonymous);

    QLineEdit* m_login;
    QLineEdit* m_password;
    QCheckBox* m_anonymous;
};
