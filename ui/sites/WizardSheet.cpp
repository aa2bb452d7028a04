#include "ui/sites/WizardSheet.h"

#include "app/Profile.h"
#include "session/SessionUrl.h"
#include "sites/FtpSite.h"
#include "sites/SiteList.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/sites/WizardFinish.h"
#include "ui/sites/WizardPage1.h"
#include "ui/sites/WizardPage2.h"
#include "ui/sites/WizardPage3.h"
#include "ui/sites/WizardPage4.h"
#include "ui/sites/WizardPage5.h"

#include <QCoreApplication>

QString CWizardSheet::PageTitle()
{
    return QCoreApplication::translate("WizardSheet", "Zentrava Pro 連線精靈");
}

CWizardSheet::CWizardSheet(CSiteList& sites, QWidget* parent)
    : QWizard(parent), m_sites(sites), m_namePage(new CWizardPage1(this)),
      m_addressPage(new CWizardPage2(this)), m_logonPage(new CWizardPage3(this)),
      m_localFolderPage(new CWizardPage4(this)), m_folderPage(new CWizardPage5(sites, this)),
      m_finishPage(new CWizardFinish(this))
{
    setWindowTitle(QStringLiteral("Connection Wizard"));
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    setPage(NamePage, m_namePage);
    setPage(AddressPage, m_addressPage);
    setPage(LogonPage, m_logonPage);
    setPage(LocalFolderPage, m_localFolderPage);
    setPage(FolderPage, m_folderPage);
    setPage(FinishPage, m_finishPage);
}

QMessageBox::StandardButton CWizardSheet::Message(QWidget* parent, QMessageBox::Icon icon,
                                                  const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, QCoreApplication::translate("WizardSheet", "連線精靈"), text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

CFtpSite CWizardSheet::MakeSite() const
{
    CFtpSite site;
    site.Port = 21;
    site.TransferType = 0;
    site.DataMode = 0;
    site.ProtocolType = CFtpSite::ProtocolFtp;
    site.Retries = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DefaultRetries"));
    site.RetryDelay = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DefaultRetryDelay"));
    TakeTypedAddress(m_addressPage->Address(), site);
    site.Login = m_logonPage->Login();
    site.Password = m_logonPage->Password();
    site.Name = m_namePage->SiteName();
    site.LocalPath = m_localFolderPage->LocalFolder();
    return site;
}

CWizardResult CWizardSheet::StoreSite()
{
    // The site path must name where the site really lands: a folder that vanished means the root.
    QString folderPath = m_folderPage->FolderPath();
    if (!folderPath.isEmpty() && !m_sites.FindFolderByPath(nullptr, folderPath))
        folderPath.clear();
    const CFtpSite site = MakeSite();
    if (!m_sites.StoreSite(site, folderPath))
        CMessageBox::Show(
            parentWidget(), QMessageBox::Warning,
            QCoreApplication::translate("WizardSheet", "無法儲存站台設定到 %1").arg(m_sites.FilePath()));
    CWizardResult result;
    result.finished = true;
    result.sitePath = folderPath.isEmpty() ? site.Name : folderPath + u'\\' + site.Name;
    result.connectNow = m_finishPage->ConnectNow();
    return result;
}
