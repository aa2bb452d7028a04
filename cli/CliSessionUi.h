#pragma once

#include "cli/CliTrustAsker.h"
#include "session/PlainSessionUi.h"

#include <QTextStream>

// A session's questions answered on the command line: a certificate or a new host key as
// CCliTrustAsker answers. Asked for a missing password, it logs in without one; a refused one ends the
// connect with the server's reason.
class CCliSessionUi : public CPlainSessionUi
{
public:
    CCliSessionUi(QTextStream& err, const CliTrustOptions& trust);

    std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login, bool again) override;
    TrustAnswer AcceptCertificate(const ServerCertificate& certificate, const QString& problem) override;
    TrustAnswer AcceptHostKey(const QString& host, const SshHostKey& key) override;

private:
    CCliTrustAsker m_trust;
};
