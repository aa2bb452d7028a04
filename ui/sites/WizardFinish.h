#pragma once

#include <QWizardPage>

class QCheckBox;

// The last page: the site is made; "立即連線" asks for a connection at once.
class CWizardFinish : public QWizardPage
{
    Q_OBJECT

public:
    explicit CWizardFinish(QWidget* parent = nullptr);

    bool ConnectNow() const;

private:
    QCheckBox* m_connectNow;
};
