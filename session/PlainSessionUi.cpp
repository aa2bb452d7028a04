#include "session/PlainSessionUi.h"

#include "common/PumpWait.h"

#include <algorithm>

std::optional<CSessionLogin> CPlainSessionUi::AskLogin(const QString& server, const QString& login, bool)
{
    if (!loginQuestion)
        return std::nullopt;
    return loginQuestion(server, login);
}

void CPlainSessionUi::ShowMessage(const QString& text)
{
    m_messages.append(text);
    if (messageShown)
        messageShown(text);
}

bool CPlainSessionUi::RetryCountdown(int delaySeconds, const QString& message)
{
    m_countdowns.append(delaySeconds);
    if (countdownStarted)
        countdownStarted(delaySeconds, message);
    const int ms = int(std::clamp(qint64(delaySeconds) * 1000, qint64(0), qint64(INT_MAX)));
    return PumpWait(m_cancel, ms) == 0;
}

TrustAnswer CPlainSessionUi::AcceptCertificate(const ServerCertificate& certificate, const QString& problem)
{
    return certificateQuestion ? certificateQuestion(certificate, problem) : TrustAnswer::Refuse;
}

TrustAnswer CPlainSessionUi::AcceptHostKey(const QString& host, const SshHostKey& key)
{
    return hostKeyQuestion ? hostKeyQuestion(host, key) : TrustAnswer::Refuse;
}
