#include "cli/CliSessionUi.h"

CCliSessionUi::CCliSessionUi(QTextStream& err, const CliTrustOptions& trust) : m_trust(err, trust) {}

std::optional<CSessionLogin> CCliSessionUi::AskLogin(const QString&, const QString& login, bool again)
{
    if (again)
        return std::nullopt;
    // Anonymous log-in and key log-in need no password; a server that wants one says so.
    return CSessionLogin{login, {}, false};
}

TrustAnswer CCliSessionUi::AcceptCertificate(const ServerCertificate& certificate, const QString&)
{
    return m_trust.Certificate(certificate);
}

TrustAnswer CCliSessionUi::AcceptHostKey(const QString& host, const SshHostKey& key)
{
    return m_trust.HostKey(host, key);
}
