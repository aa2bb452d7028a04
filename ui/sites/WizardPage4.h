#pragma once

#include <QWizardPage>

class QLineEdit;

// The local folder that downloads go to, starting at the program's default download folder.
class CWizardPage4 : public QWizardPage
{
    Q_OBJECT

public:
    explicit CWizardPage4(QWidget* parent = nullptr);

    QString LocalFolder() const;
    void initializePage() override;

private:
    void Browse();

    QLineEdit* m_folder;
};
