#include "ui/sites/SitePropertiesSheet.h"

#include "sites/SiteList.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/sites/SiteGeneralPage.h"
#include "ui/sites/SiteTypeDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CSitePropertiesSheet::CSitePropertiesSheet(const CFtpSite& site, QWidget* parent)
    : QDialog(parent), m_site(site), m_tabs(new QTabWidget(this)), m_general(new CSiteGeneralPage(m_tabs)),
      m_type(new CSiteTypeDlg(m_tabs)),
      m_connectButton(new QPushButton(QCoreApplication::translate("SitePropertiesSheet", "連線"), this))
{
    setObjectName(QStringLiteral("SitePropertiesSheet"));
    setWindowTitle(QCoreApplication::translate("SitePropertiesSheet", "站台連線設定"));
    m_general->Load(site);
    m_type->Load(site);
    m_tabs->addTab(m_general, m_general->windowTitle());
    m_tabs->addTab(m_type, m_type->windowTitle());
    // Buttons of one role keep the order they were added in, so "連線" stays left of OK.
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_connectButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    m_connectButton->setDefault(true);
    connect(m_connectButton, &QPushButton::clicked, this,
            [this]
            {
                m_connectChosen = true;
                accept();
            });
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

CFtpSite CSitePropertiesSheet::Site() const
{
    CFtpSite site = m_site;
    m_general->Store(site);
    m_type->Store(site);
    return site;
}

void CSitePropertiesSheet::accept()
{
    const QString problem = CSiteList::CheckName(m_general->NameEdit()->text());
    if (!problem.isEmpty())
    {
        m_connectChosen = false;
        CMessageBox::Show(this, QMessageBox::Warning, problem);
        m_tabs->setCurrentWidget(m_general);
        m_general->NameEdit()->setFocus();
        return;
    }
    QDialog::accept();
}
