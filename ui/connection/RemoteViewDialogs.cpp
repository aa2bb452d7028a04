#include "ui/connection/RemoteViewDialogs.h"

#include "app/Profile.h"
#include "session/DeleteConfirmation.h"
#include "sites/SiteList.h"
#include "ui/connection/PackRun.h"
#include "ui/dialogs/ArchivePasswordDlg.h"
#include "ui/dialogs/CertificateDlg.h"
#include "ui/dialogs/CustomCommandDlg.h"
#include "ui/dialogs/GoToDlg.h"
#include "ui/dialogs/HostKeyDlg.h"
#include "ui/dialogs/LogonDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/dialogs/MoveDlg.h"
#include "ui/dialogs/PackProgressDlg.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/RetryCountdownDlg.h"
#include "ui/sites/ConnectionWizard.h"
#include "ui/sites/TargetSiteDlg.h"
#include "ui/transfers/ScheduleDlg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QTimer>

namespace
{

CRemoteViewDialogs::TransferChoosers DialogChoosers()
{
    CRemoteViewDialogs::TransferChoosers choosers;
    choosers.folder = [](QWidget* parent, const QString& start)
    {
        return QFileDialog::getExistingDirectory(
            parent, QCoreApplication::translate("RemoteViewDialogs", "下載到指定資料夾："), start);
    };
    choosers.saveFile = [](QWidget* parent, const QString& suggested)
    {
        return QFileDialog::getSaveFileName(
            parent, QCoreApplication::translate("RemoteViewDialogs", "下載到"), suggested,
            QCoreApplication::translate("RemoteViewDialogs", "所有檔案 (*.*)"));
    };
    choosers.openFiles = [](QWidget* parent)
    {
        return QFileDialog::getOpenFileNames(parent, QCoreApplication::translate("RemoteViewDialogs", "上傳"),
                                             {}, QStringLiteral("All Files (*)"));
    };
    choosers.targetSite = [](QWidget* parent, CSiteList& sites)
    { return CTargetSiteDlg::ChooseSite(parent, sites); };
    return choosers;
}

} // namespace

CRemoteViewDialogs::CRemoteViewDialogs(QWidget* parent)
    : m_parent(parent), m_prompts(parent), m_choosers(DialogChoosers())
{
}

CRemoteViewDialogs::~CRemoteViewDialogs()
{
    SetWaitCursor(false);
}

std::optional<CSessionLogin> CRemoteViewDialogs::AskLogin(const QString& server, const QString& login, bool)
{
    CLogonDlg dialog(server, login, {}, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return CSessionLogin{dialog.Login(), dialog.Password(), dialog.SavePassword()};
}

void CRemoteViewDialogs::ShowMessage(const QString& text)
{
    CMessageBox::Show(m_parent, QMessageBox::Warning, text);
}

void CRemoteViewDialogs::ShowError(const QString& text)
{
    CMessageBox::Show(m_parent, QMessageBox::Critical, text);
}

bool CRemoteViewDialogs::RetryCountdown(int delaySeconds, const QString& message)
{
    return CRetryCountdownDlg(delaySeconds, message, m_parent).exec() == QDialog::Accepted;
}

// The dialogs' "接受(&A)" trusts the server from now on.
TrustAnswer CRemoteViewDialogs::AcceptCertificate(const ServerCertificate& certificate,
                                                  const QString& problem)
{
    return CCertificateDlg(certificate, problem, m_parent).exec() == QDialog::Accepted ? TrustAnswer::Always
                                                                                       : TrustAnswer::Refuse;
}

TrustAnswer CRemoteViewDialogs::AcceptHostKey(const QString& host, const SshHostKey& key)
{
    return CHostKeyDlg(host, key, m_parent).exec() == QDialog::Accepted ? TrustAnswer::Always
                                                                        : TrustAnswer::Refuse;
}

std::optional<CFtpSite> CRemoteViewDialogs::RunConnectionWizard(CSiteList& sites)
{
    const CWizardResult result = ::RunConnectionWizard(m_parent, sites);
    CFtpSite site;
    if (!result.finished || !sites.LoadSiteByPath(result.sitePath, site))
        return std::nullopt;
    return site;
}

void CRemoteViewDialogs::SetWaitCursor(bool on)
{
    if (on == m_waitCursor)
        return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool CRemoteViewDialogs::ConfirmDelete(const QList<CFtpListItem>& items)
{
    return GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DeleteConfirmation")) == 0 ||
           CMessageBox::Show(m_parent, QMessageBox::Question, DeleteConfirmationText(items),
                             QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString CRemoteViewDialogs::AskMoveFolder()
{
    CMoveDlg dialog(m_parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Folder() : QString();
}

std::optional<int> CRemoteViewDialogs::AskProperties(const QList<CFtpListItem>& items, const QString& server,
                                                     const QString& folder, bool canChangePermissions)
{
    CPropertiesDlg dialog(items, server, folder, canChangePermissions, m_parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.PermissionsShown())
        return std::nullopt;
    return dialog.PermissionBits();
}

QString CRemoteViewDialogs::AskGoToFolder()
{
    CGoToDlg dialog(m_parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Folder() : QString();
}

QString CRemoteViewDialogs::AskCustomCommand()
{
    CCustomCommandDlg dialog(m_parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Command() : QString();
}

std::optional<CScheduleInfo> CRemoteViewDialogs::AskSchedule()
{
    CScheduleDlg dialog(CScheduleInfo{}, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Schedule();
}

QString CRemoteViewDialogs::ChooseFolder(const QString& startFolder)
{
    return m_choosers.folder(m_parent, startFolder);
}

QString CRemoteViewDialogs::ChooseSaveFile(const QString& suggestedPath)
{
    return m_choosers.saveFile(m_parent, suggestedPath);
}

QStringList CRemoteViewDialogs::ChooseFilesToUpload()
{
    return m_choosers.openFiles(m_parent);
}

std::optional<QString> CRemoteViewDialogs::ChooseTargetSite(CSiteList& sites)
{
    return m_choosers.targetSite(m_parent, sites);
}

void CRemoteViewDialogs::ShowPackProgress(CPackRun& run)
{
    auto* dialog = new CPackProgressDlg(run.Kind() == CPackRun::EKind::Unzip, m_parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* timer = new QTimer(dialog);
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, &run] { dialog->SetFile(run.CurrentFile()); });
    timer->start(100);
    QObject::connect(dialog, &CPackProgressDlg::CancelPressed, &run, &CPackRun::Cancel);
    QObject::connect(&run, &CPackRun::Finished, dialog, &QDialog::close);
    QObject::connect(&run, &QObject::destroyed, dialog, &QDialog::close);
    dialog->show();
}

std::optional<QString> CRemoteViewDialogs::AskArchivePassword(const QString&)
{
    return CArchivePasswordDlg::Ask(m_parent);
}
