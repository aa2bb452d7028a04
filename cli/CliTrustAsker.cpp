#include "cli/CliTrustAsker.h"

#include "app/DataFolder.h"
#include "engine/RemoteConnection.h"
#include "engine/VisibleText.h"

#include <QFile>

#include <unistd.h>

namespace
{
bool IsTerminal()
{
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}
} // namespace

CliTrustOptions CliTrustOptions::From(const CArguments& args)
{
    return {args.Has(QStringLiteral("accept-certificate")), args.Has(QStringLiteral("accept-host-key")),
            args.Has(QStringLiteral("trust"))};
}

QSet<QString> CliTrustOptions::Flags()
{
    return {QStringLiteral("accept-certificate"), QStringLiteral("accept-host-key"), QStringLiteral("trust")};
}

TrustAnswer CliTrustOptions::Given(bool accepted) const
{
    if (!accepted)
        return TrustAnswer::Refuse;
    return trust ? TrustAnswer::Always : TrustAnswer::ThisRun;
}

CCliTrustAsker::CCliTrustAsker(QTextStream& err, const CliTrustOptions& options)
    : m_err(err), m_options(options)
{
}

TrustAnswer CCliTrustAsker::Certificate(const ServerCertificate& certificate)
{
    if (m_options.acceptCertificate)
        return m_options.CertificateAnswer();
    if (!IsTerminal())
    {
        m_err << "zentrava-cli: the server's certificate is not trusted (" << VisibleText(certificate.problem)
              << "); --accept-certificate accepts it for this run, with --trust for good" << Qt::endl;
        return TrustAnswer::Refuse;
    }
    m_err << "The server's certificate is not trusted: " << VisibleText(certificate.problem) << "\n"
          << "  subject:  " << VisibleText(certificate.subject) << "\n"
          << "  issuer:   " << VisibleText(certificate.issuer) << "\n"
          << "  valid:    " << certificate.notBefore.toString(Qt::ISODate) << " to "
          << certificate.notAfter.toString(Qt::ISODate) << "\n"
          << "  SHA-256:  " << certificate.sha256 << "\n";
    return AskOnTerminal("among the trusted certificates");
}

TrustAnswer CCliTrustAsker::HostKey(const QString& server, const SshHostKey& key)
{
    m_askedHostKey = true;
    if (m_options.acceptHostKey)
        return m_options.HostKeyAnswer();
    if (!IsTerminal())
    {
        m_err << "zentrava-cli: the host key of " << server << " is not known (" << key.type << " "
              << key.Fingerprint() << "); --accept-host-key accepts it for this run, with --trust for good"
              << Qt::endl;
        return TrustAnswer::Refuse;
    }
    m_err << "The host key of " << server << " is not known.\n"
          << "  " << key.type << " " << key.Fingerprint() << "\n";
    return AskOnTerminal("in known_hosts");
}

void CCliTrustAsker::Guard(CRemoteConnection& connection)
{
    const QString server = CTrustPolicy::For(connection.Target()).ServerName();
    CTrustPolicy::Guard(
        connection, [this](const ServerCertificate& certificate) { return Certificate(certificate); },
        [this, server](const SshHostKey& key) { return HostKey(server, key); },
        [this](const QString& note) { m_err << "zentrava-cli: " << VisibleText(note) << Qt::endl; });
}

void CCliTrustAsker::ExplainRefusal(const FtpResult& connected, const CConnectionTarget& target) const
{
    if (connected.status != FtpStatus::Rejected || !target.IsSftp() || m_askedHostKey)
        return;
    m_err << "zentrava-cli: the host key of " << CTrustPolicy::For(target).ServerName()
          << " is refused by the keys on record; if the server's key was changed on purpose, remove the old "
          << "one from " << CDataFolder::FilePath(QStringLiteral("known_hosts")) << Qt::endl;
}

TrustAnswer CCliTrustAsker::AskOnTerminal(const char* keptWhere)
{
    m_err << "Accept it? y = yes, this time; a = always (keep it " << keptWhere << " for this server); "
          << "n = no [y/a/N] " << Qt::flush;
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return TrustAnswer::Refuse;
    const QByteArray answer = input.readLine().trimmed().toLower();
    if (answer == "y" || answer == "yes")
        return TrustAnswer::ThisRun;
    if (answer == "a" || answer == "always")
        return TrustAnswer::Always;
    return TrustAnswer::Refuse;
}
