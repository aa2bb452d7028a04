#pragma once

#include <QWizardPage>

class QLineEdit;

// The host's address or name; it must not be empty.
class CWizardPage2 : public QWizardPage
{
    Q_OBJECT

public:
    explicit CWizardPage2(QWidget* parent = nullptr);

    // Trimmed: stray blanks around a host name would only make the connection fail.
    QString Address() const;
    bool validatePage() override;

private:
    QLineEdit* m_address;
};
