#pragma once

#include "sites/FtpSite.h"

#include <QDialog>

class CSiteGeneralPage;
class CSiteTypeDlg;
class QPushButton;
class QTabWidget;

// "站台連線設定": the two pages of a site, ended with OK or with "連線", which takes the values over
// like OK and asks for a connection afterwards.
class CSitePropertiesSheet : public QDialog
{
    Q_OBJECT

public:
    explicit CSitePropertiesSheet(const CFtpSite& site, QWidget* parent = nullptr);

    // The loaded site with the pages' values taken over.
    CFtpSite Site() const;
    bool ConnectChosen() const { return m_connectChosen; }

    QTabWidget* Tabs() const { return m_tabs; }
    CSiteGeneralPage* GeneralPage() const { return m_general; }
    CSiteTypeDlg* TypePage() const { return m_type; }
    QPushButton* ConnectButton() const { return m_connectButton; }

    // Refuses a name that sites.xml cannot hold.
    void accept() override;

private:
    CFtpSite m_site;
    QTabWidget* m_tabs;
    CSiteGeneralPage* m_general;
    CSiteTypeDlg* m_type;
    QPushButton* m_connectButton;
    bool m_connectChosen = false;
};
