#pragma once

#include <QWizardPage>

class QLineEdit;

// The site's name; refuses an empty name and names the site list cannot store.
class CWizardPage1 : public QWizardPage
{
    Q_OBJECT

public:
    explicit CWizardPage1(QWidget* parent = nullptr);

    QString SiteName() const;
    bool validatePage() override;

private:
    bool Refuse(const QString& message);

    QLineEdit* m_name;
};
