#include "ui/sites/WizardFinish.h"

#include "ui/sites/WizardSheet.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

CWizardFinish::CWizardFinish(QWidget* parent)
    : QWizardPage(parent),
      m_connectNow(new QCheckBox(QCoreApplication::translate("WizardFinish", "立即連線"), this))
{
    // Without a subtitle the wizard shows no header on this page.
    setTitle(CWizardSheet::PageTitle());
    auto* text = new QLabel(QCoreApplication::translate("WizardFinish",
                                                        "恭喜您已經成功的新增了一個站台設定。"
                                                        "您可以隨時到站台管理的視窗中修改這些設定值。"),
                            this);
    text->setWordWrap(true);
    m_connectNow->setObjectName(QStringLiteral("connectNow"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_connectNow);
    layout->addStretch();
}

bool CWizardFinish::ConnectNow() const
{
    return m_connectNow->isChecked();
}
