#include "ui/sites/SiteGeneralPage.h"

#include "app/Profile.h"
#include "sites/FtpSite.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <climits>

namespace
{

const QString kAnonymous = QStringLiteral("anonymous");

bool IsAnonymous(const QString& login)
{
    return login.compare(kAnonymous, Qt::CaseInsensitive) == 0;
}

QSpinBox* NumberBox(QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, INT_MAX);
    return box;
}

} // namespace

CSiteGeneralPage::CSiteGeneralPage(QWidget* parent)
    : QWidget(parent), m_name(new QLineEdit(this)), m_address(new QLineEdit(this)),
      m_login(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_anonymous(new QCheckBox(QCoreApplication::translate("SiteGeneralPage", "匿名存取"), this)),
      m_remoteFolder(new QLineEdit(this)), m_localFolder(new QLineEdit(this)),
      m_browse(new QPushButton(QStringLiteral("..."), this)), m_retries(NumberBox(this)),
      m_retryDelay(NumberBox(this)), m_comment(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("SiteGeneralPage"));
    setWindowTitle(QCoreApplication::translate("SiteGeneralPage", "站台內容"));
    auto* local = new QHBoxLayout;
    local->addWidget(m_localFolder, 1);
    local->addWidget(m_browse);
    auto* retries = new QHBoxLayout;
    retries->addWidget(m_retries, 1);
    retries->addWidget(new QLabel(QCoreApplication::translate("SiteGeneralPage", "間隔"), this));
    retries->addWidget(m_retryDelay, 1);
    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "站台名稱"), m_name);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "主機位址"), m_address);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "帳號"), m_login);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "密碼"), m_password);
    form->addRow(QString(), m_anonymous);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "遠端資料夾"), m_remoteFolder);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "本機資料夾"), local);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "重試"), retries);
    form->addRow(QCoreApplication::translate("SiteGeneralPage", "註解"), m_comment);
    ShowPassword(false);
    connect(m_anonymous, &QCheckBox::toggled, this, &CSiteGeneralPage::OnAnonymousToggled);
    connect(m_login, &QLineEdit::textEdited, this, &CSiteGeneralPage::OnLoginEdited);
    connect(m_browse, &QPushButton::clicked, this, &CSiteGeneralPage::BrowseLocalFolder);
}

void CSiteGeneralPage::Load(const CFtpSite& site)
{
    m_name->setText(site.Name);
    m_address->setText(site.Address);
    m_login->setText(site.Login);
    m_password->setText(site.Password);
    m_remoteFolder->setText(site.RemotePath);
    m_localFolder->setText(site.LocalPath);
    m_retries->setValue(site.Retries);
    m_retryDelay->setValue(site.RetryDelay);
    m_comment->setPlainText(site.Description);
    const QSignalBlocker blocker(m_anonymous);
    m_anonymous->setChecked(IsAnonymous(site.Login));
    ShowPassword(IsAnonymous(site.Login));
}

void CSiteGeneralPage::Store(CFtpSite& site) const
{
    site.Name = m_name->text();
    site.Address = m_address->text();
    site.Login = m_login->text();
    site.Password = m_password->text();
    site.RemotePath = m_remoteFolder->text();
    site.LocalPath = m_localFolder->text();
    site.Retries = m_retries->value();
    site.RetryDelay = m_retryDelay->value();
    site.Description = m_comment->toPlainText();
}

void CSiteGeneralPage::ShowPassword(bool shown)
{
    m_password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
}

void CSiteGeneralPage::OnAnonymousToggled(bool on)
{
    if (on)
    {
        m_savedLogin = m_login->text();
        m_savedPassword = m_password->text();
        m_login->setText(kAnonymous);
        m_password->setText(GetProfileString(QStringLiteral("Settings"), QStringLiteral("EmailAddress")));
    }
    else
    {
        m_login->setText(m_savedLogin);
        m_password->setText(m_savedPassword);
    }
    ShowPassword(on);
}

void CSiteGeneralPage::OnLoginEdited(const QString& login)
{
    if (IsAnonymous(login))
        return;
    ShowPassword(false);
    const QSignalBlocker blocker(m_anonymous);
    m_anonymous->setChecked(false);
}

void CSiteGeneralPage::BrowseLocalFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, QCoreApplication::translate("SiteGeneralPage", "選取資料夾："), m_localFolder->text());
    if (!folder.isEmpty())
        m_localFolder->setText(folder);
}
