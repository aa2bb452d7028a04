#pragma once

#include "engine/net/ServerCertificate.h"
#include "engine/sftp/SshHostKey.h"
#include "security/TrustPolicy.h"
#include "sites/FtpSite.h"

#include <QString>

#include <optional>

// A log-in the user typed.
struct CSessionLogin
{
    QString login;
    QString password;
    bool savePassword = false;
};

// Everything a session shows or asks while it works: a connection window answers with dialogs, the
// command line and the tests with CPlainSessionUi.
class IFtpSessionUi
{
public:
    virtual ~IFtpSessionUi() = default;

    // The site selected in the site manager, if any.
    virtual std::optional<CFtpSite> SelectedSite() = 0;
    // The connection wizard; nothing when it was cancelled.
    virtual std::optional<CFtpSite> RunConnectionWizard() = 0;
    // The log-in dialog; nothing when it was cancelled. Asked again after the server refused the
    // password given last: an asker that cannot ask a person then gives nothing.
    virtual std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login,
                                                  bool again) = 0;
    virtual void ShowMessage(const QString& text) = 0;
    // Counts the delay down before the next attempt; false when the user cancelled it.
    virtual bool RetryCountdown(int delaySeconds, const QString& message) = 0;
    // A certificate that nothing on record vouches for at this server.
    virtual TrustAnswer AcceptCertificate(const ServerCertificate& certificate, const QString& problem) = 0;
    // An SSH host key not on record for host ("host" or "[host]:port").
    virtual TrustAnswer AcceptHostKey(const QString& host, const SshHostKey& key) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The animation over the remote list while a listing runs.
    virtual void ShowBusy(bool on) = 0;
    // The connecting or listing flag changed: enable and disable the commands again.
    virtual void RefreshCommandStates() = 0;
    // The site in use changed: the window's title follows it.
    virtual void UpdateTitle() = 0;
};
