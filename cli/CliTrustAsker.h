#pragma once

#include "cli/Arguments.h"
#include "security/TrustPolicy.h"

#include <QTextStream>

class CRemoteConnection;
struct FtpResult;

// zentrava-cli's options about servers that nothing on record vouches for: --accept-certificate and
// --accept-host-key take them for this run; with --trust they are recorded for their host and port.
struct CliTrustOptions
{
    bool acceptCertificate = false;
    bool acceptHostKey = false;
    bool trust = false;

    static CliTrustOptions From(const CArguments& args);
    // The three flags, for a command's list of flag options.
    static QSet<QString> Flags();
    // What the options answer without anyone asked (transfer workers, scripts): refuse, unless given.
    TrustAnswer CertificateAnswer() const { return Given(acceptCertificate); }
    TrustAnswer HostKeyAnswer() const { return Given(acceptHostKey); }

private:
    TrustAnswer Given(bool accepted) const;
};

// The command line's questions about a server: the options' answer where they give one, else a
// question on a terminal (yes for this run, always, no), else refused with the option named.
class CCliTrustAsker
{
public:
    CCliTrustAsker(QTextStream& err, const CliTrustOptions& options);

    TrustAnswer Certificate(const ServerCertificate& certificate);
    // server: "host" or "[host]:port".
    TrustAnswer HostKey(const QString& server, const SshHostKey& key);

    // Puts the trust policy in front of the connection with these questions; what the user should
    // read goes to the terminal. The asker outlives the connection's calls.
    void Guard(CRemoteConnection& connection);
    // After a connection that the policy refused: a host key refused unasked (changed or revoked) was
    // refused by the record, and a script's user needs to know where it lies.
    void ExplainRefusal(const FtpResult& connected, const CConnectionTarget& target) const;

private:
    TrustAnswer AskOnTerminal(const char* keptWhere);

    QTextStream& m_err;
    CliTrustOptions m_options;
    bool m_askedHostKey = false;
};
