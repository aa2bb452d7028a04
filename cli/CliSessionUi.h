#pragma once

#include "session/PlainSessionUi.h"

#include <QTextStream>

// A session's questions answered on the command line: a certificate or a new host key by the
// --accept-certificate and --accept-host-key options, else by asking on a terminal, else refused with
// the option that would accept it named. Asked for a missing password, it logs in without one.
class CCliSessionUi : public CPlainSessionUi
{
public:
    CCliSessionUi(QTextStream& err, bool acceptCertificate, bool acceptHostKey);

    std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login) override;
    bool AcceptCertificate(const ServerCertificate& certificate, const QString& problem) override;
    bool AcceptHostKey(const QString& host, const SshHostKey& key) override;

private:
    bool AnsweredYes();

    QTextStream& m_err;
    bool m_acceptCertificate;
    bool m_acceptHostKey;
};
