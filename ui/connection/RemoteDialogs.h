#pragma once

#include "session/FtpSessionUi.h"
#include "transfer/FtpListItem.h"
#include "transfer/ScheduleInfo.h"

#include <QStringList>

#include <optional>

class CPackRun;
class CSiteList;
class IOverwritePrompts;

// Everything a connection window asks the user apart from the session's own questions: the dialogs of
// its commands and the choosers of its transfers. Each question answers nothing when the user cancels.
class IRemoteDialogs
{
public:
    virtual ~IRemoteDialogs() = default;

    // The session's questions (see IFtpSessionUi).
    virtual std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login,
                                                  bool again) = 0;
    virtual void ShowMessage(const QString& text) = 0;
    // A failure the user is told about with the error icon.
    virtual void ShowError(const QString& text) = 0;
    virtual bool RetryCountdown(int delaySeconds, const QString& message) = 0;
    virtual TrustAnswer AcceptCertificate(const ServerCertificate& certificate, const QString& problem) = 0;
    virtual TrustAnswer AcceptHostKey(const QString& host, const SshHostKey& key) = 0;
    // The wizard stores the site it made; the site it stored when it finished.
    virtual std::optional<CFtpSite> RunConnectionWizard(CSiteList& sites) = 0;
    virtual void SetWaitCursor(bool on) = 0;

    virtual IOverwritePrompts& OverwritePrompts() = 0;

    virtual bool ConfirmDelete(const QList<CFtpListItem>& items) = 0;
    virtual QString AskMoveFolder() = 0;
    // The permission bits to set, when the dialog showed them and the user pressed OK.
    virtual std::optional<int> AskProperties(const QList<CFtpListItem>& items, const QString& server,
                                             const QString& folder, bool canChangePermissions) = 0;
    virtual QString AskGoToFolder() = 0;
    virtual QString AskCustomCommand() = 0;
    virtual std::optional<CScheduleInfo> AskSchedule() = 0;
    virtual QString ChooseFolder(const QString& startFolder) = 0;
    virtual QString ChooseSaveFile(const QString& suggestedPath) = 0;
    virtual QStringList ChooseFilesToUpload() = 0;
    virtual std::optional<QString> ChooseTargetSite(CSiteList& sites) = 0;
    // The modeless progress window of a pack or unpack command, open until the run has finished.
    virtual void ShowPackProgress(CPackRun& run) = 0;
    virtual std::optional<QString> AskArchivePassword(const QString& archive) = 0;
};
