#include "ui/sites/WizardPage2.h"

#include "session/SessionUrl.h"
#include "sites/FtpSite.h"
#include "ui/sites/WizardSheet.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CWizardPage2::CWizardPage2(QWidget* parent) : QWizardPage(parent), m_address(new QLineEdit(this))
{
    setTitle(CWizardSheet::PageTitle());
    setSubTitle(QCoreApplication::translate("WizardPage2", "主機位址"));
    auto* text = new QLabel(
        QCoreApplication::translate("WizardPage2", "請輸入主機的 IP 位址或名稱，例如：ftp.example.com；"
                                                   "另一個通訊埠寫在冒號之後（ftp.example.com:2121），"
                                                   "SFTP 與 FTPS 站台以網址輸入（sftp://ftp.example.com）"),
        this);
    text->setWordWrap(true);
    m_address->setObjectName(QStringLiteral("address"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_address);
    layout->addStretch();
}

QString CWizardPage2::Address() const
{
    return m_address->text().trimmed();
}

bool CWizardPage2::validatePage()
{
    CFtpSite site;
    if (!Address().isEmpty() && TakeTypedAddress(Address(), site))
        return true;
    CWizardSheet::Message(this, QMessageBox::Warning,
                          Address().isEmpty()
                              ? QCoreApplication::translate("WizardPage2", "請輸入站台位址")
                              : QCoreApplication::translate("WizardPage2", "請輸入有效的FTP位址"));
    m_address->setFocus();
    return false;
}
