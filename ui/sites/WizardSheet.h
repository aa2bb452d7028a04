#pragma once

#include "ui/sites/ConnectionWizard.h"

#include <QMessageBox>
#include <QWizard>

class CFtpSite;
class CSiteList;
class CWizardFinish;
class CWizardPage1;
class CWizardPage2;
class CWizardPage3;
class CWizardPage4;
class CWizardPage5;

// "Connection Wizard": asks for a new site page by page: name, host, log-in, download folder, the
// favourites folder it goes into, and whether to connect at once.
class CWizardSheet : public QWizard
{
    Q_OBJECT

public:
    enum PageId
    {
        NamePage,
        AddressPage,
        LogonPage,
        LocalFolderPage,
        FolderPage,
        FinishPage
    };

    static QString PageTitle();

    CWizardSheet(CSiteList& sites, QWidget* parent = nullptr);

    // The wizard's messages carry its own caption.
    static QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                               QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    // A new record with the program's defaults and what the pages hold.
    CFtpSite MakeSite() const;
    // Stores the site made from the pages into the chosen folder (the root when it no longer exists).
    CWizardResult StoreSite();

private:
    CSiteList& m_sites;
    CWizardPage1* m_namePage;
    CWizardPage2* m_addressPage;
    CWizardPage3* m_logonPage;
    CWizardPage4* m_localFolderPage;
    CWizardPage5* m_folderPage;
    CWizardFinish* m_finishPage;
};
