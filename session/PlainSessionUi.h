#pragma once

#include "common/Event.h"
#include "session/FtpSessionUi.h"

#include <QStringList>

#include <functional>

// A session's questions answered without a window, for zentrava-cli and the tests: by the answers set
// here, else by refusing. The retry countdown really waits its delay, dispatching events, and can be
// cut short with CancelCountdown().
class CPlainSessionUi : public IFtpSessionUi
{
public:
    std::optional<CFtpSite> selectedSite;
    std::optional<CFtpSite> wizardSite;
    std::function<std::optional<CSessionLogin>(const QString& server, const QString& login)> loginQuestion;
    std::function<TrustAnswer(const ServerCertificate& certificate, const QString& problem)>
        certificateQuestion;
    std::function<TrustAnswer(const QString& host, const SshHostKey& key)> hostKeyQuestion;
    // Told of every message and every countdown as it starts.
    std::function<void(const QString& text)> messageShown;
    std::function<void(int delaySeconds, const QString& message)> countdownStarted;

    CPlainSessionUi() : m_cancel(CEvent::Mode::AutoReset) {}

    // Ends the countdown running now, or else the next one, as cancelled.
    void CancelCountdown() { m_cancel.Set(); }
    const QStringList& Messages() const { return m_messages; }
    // The delay of each countdown shown so far.
    const QList<int>& Countdowns() const { return m_countdowns; }
    bool IsWaitCursorShown() const { return m_waitCursor; }
    bool IsBusyShown() const { return m_busy; }

    std::optional<CFtpSite> SelectedSite() override { return selectedSite; }
    std::optional<CFtpSite> RunConnectionWizard() override { return wizardSite; }
    std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login, bool again) override;
    void ShowMessage(const QString& text) override;
    bool RetryCountdown(int delaySeconds, const QString& message) override;
    TrustAnswer AcceptCertificate(const ServerCertificate& certificate, const QString& problem) override;
    TrustAnswer AcceptHostKey(const QString& host, const SshHostKey& key) override;
    void SetWaitCursor(bool on) override { m_waitCursor = on; }
    void ShowBusy(bool on) override { m_busy = on; }
    void RefreshCommandStates() override {}
    void UpdateTitle() override {}

private:
    CEvent m_cancel;
    QStringList m_messages;
    QList<int> m_countdowns;
    bool m_waitCursor = false;
    bool m_busy = false;
};
