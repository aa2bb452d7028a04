#pragma once

#include "engine/ConnectionTarget.h"
#include "engine/keys/KnownHosts.h"
#include "engine/net/ServerCertificate.h"

#include <QString>

#include <functional>

class CRemoteConnection;

// A user's answer about a server that nothing on record vouches for.
enum class TrustAnswer
{
    Refuse,
    ThisRun, // go on; nothing is recorded
    Always   // go on, and record it for this host and port
};

struct TrustOutcome
{
    bool accepted = false;
    // Host keys: what known_hosts holds for the server; a changed or revoked key is refused unasked.
    HostKeyCheck hostKey;
    // A store that could not be read (the server is refused), or an answer "always" that could not be
    // recorded (the server is still taken this time).
    QString problem;
};

// The one decision whether a server is trusted, for every connection that meets one. A certificate is
// taken silently when the system verifies it for this host, or when the user accepted it for this host
// and port, or accepted it and it names this host; an SSH host key when known_hosts holds it for this
// host and port. Anything else is asked; without a question it is refused.
class CTrustPolicy
{
public:
    using CertificateQuestion = std::function<TrustAnswer(const ServerCertificate& certificate)>;
    using HostKeyQuestion = std::function<TrustAnswer(const SshHostKey& key)>;

    CTrustPolicy(QByteArray host, quint16 port);
    // The target's host and port, or its protocol's own port when it has none.
    static CTrustPolicy For(const CConnectionTarget& target);

    using Note = std::function<void(const QString& text)>;

    // Puts the policy of the connection's target in front of a blocking connection: its certificate
    // and host key hooks decide as below, asking the questions given (none: refuse what is unknown).
    // What the user should read (a store that could not be read or written, a changed or revoked host
    // key with both fingerprints) goes to note.
    static void Guard(CRemoteConnection& connection, CertificateQuestion askCertificate,
                      HostKeyQuestion askHostKey, Note note);
    // The reason a host key was refused unasked, for the log; empty when it was not.
    QString HostKeyRefusal(const TrustOutcome& outcome, const SshHostKey& key) const;

    // "host", or "[host]:port" for a port other than 22, as known_hosts names servers.
    QString ServerName() const;
    // "host:port" (an IPv6 address in brackets), as messages name servers.
    QString HostAndPort() const;
    TrustOutcome Certificate(const ServerCertificate& certificate, const CertificateQuestion& ask) const;
    TrustOutcome HostKey(const SshHostKey& key, const HostKeyQuestion& ask) const;

private:
    QString RecordCertificate(const QByteArray& pem) const;
    QString RecordHostKey(const SshHostKey& key) const;

    QByteArray m_host;
    quint16 m_port;
};
