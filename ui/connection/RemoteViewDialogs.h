#pragma once

#include "ui/connection/RemoteDialogs.h"
#include "ui/transfers/GuiOverwritePrompts.h"

#include <functional>

class QWidget;

// The connection window's questions as dialogs over the window.
class CRemoteViewDialogs final : public IRemoteDialogs
{
public:
    // The file and site choosers of the transfer commands; tests put their own answers in their place.
    struct TransferChoosers
    {
        std::function<QString(QWidget* parent, const QString& startFolder)> folder;
        std::function<QString(QWidget* parent, const QString& suggestedPath)> saveFile;
        std::function<QStringList(QWidget* parent)> openFiles;
        std::function<std::optional<QString>(QWidget* parent, CSiteList& sites)> targetSite;
    };

    explicit CRemoteViewDialogs(QWidget* parent);
    ~CRemoteViewDialogs() override;

    TransferChoosers& Choosers() { return m_choosers; }

    std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login, bool again) override;
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    bool RetryCountdown(int delaySeconds, const QString& message) override;
    TrustAnswer AcceptCertificate(const ServerCertificate& certificate, const QString& problem) override;
    TrustAnswer AcceptHostKey(const QString& host, const SshHostKey& key) override;
    std::optional<CFtpSite> RunConnectionWizard(CSiteList& sites) override;
    void SetWaitCursor(bool on) override;
    IOverwritePrompts& OverwritePrompts() override { return m_prompts; }
    bool ConfirmDelete(const QList<CFtpListItem>& items) override;
    QString AskMoveFolder() override;
    std::optional<int> AskProperties(const QList<CFtpListItem>& items, const QString& server,
                                     const QString& folder, bool canChangePermissions) override;
    QString AskGoToFolder() override;
    QString AskCustomCommand() override;
    std::optional<CScheduleInfo> AskSchedule() override;
    QString ChooseFolder(const QString& startFolder) override;
    QString ChooseSaveFile(const QString& suggestedPath) override;
    QStringList ChooseFilesToUpload() override;
    std::optional<QString> ChooseTargetSite(CSiteList& sites) override;
    void ShowPackProgress(CPackRun& run) override;
    std::optional<QString> AskArchivePassword(const QString& archive) override;

private:
    QWidget* m_parent;
    CGuiOverwritePrompts m_prompts;
    TransferChoosers m_choosers;
    bool m_waitCursor = false;
};
