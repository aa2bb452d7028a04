#include "ui/sites/WizardPage5.h"

#include "sites/SiteList.h"
#include "ui/sites/SiteFolderTree.h"
#include "ui/sites/WizardSheet.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

CWizardPage5::CWizardPage5(CSiteList& sites, QWidget* parent)
    : QWizardPage(parent), m_sites(sites), m_tree(new CSiteFolderTree(sites, false, this))
{
    setTitle(CWizardSheet::PageTitle());
    setSubTitle(QCoreApplication::translate("WizardPage5", "新增至我的最愛"));
    auto* text = new QLabel(QCoreApplication::translate("WizardPage5", "選擇站台所屬的群組或資料夾"), this);
    auto* caption = new QLabel(QCoreApplication::translate("WizardPage5", "建立在："), this);
    caption->setBuddy(m_tree);
    m_tree->setObjectName(QStringLiteral("folders"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(caption);
    layout->addWidget(m_tree);
}

QString CWizardPage5::FolderPath() const
{
    return m_tree->SelectedPath();
}

void CWizardPage5::initializePage()
{
    m_tree->Rebuild();
}

bool CWizardPage5::validatePage()
{
    const QString name = field(QStringLiteral("siteName")).toString();
    if (!m_sites.FindSiteInFolder(m_tree->SelectedElement(), name))
        return true;
    const QString question =
        QCoreApplication::translate("WizardPage5", "這個資料夾中已經有站台 '%1'，要以新的設定取代它嗎？")
            .arg(name);
    return CWizardSheet::Message(this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}
