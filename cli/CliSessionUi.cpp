#include "cli/CliSessionUi.h"

#include <QFile>

#include <unistd.h>

namespace
{
bool IsTerminal()
{
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}
} // namespace

CCliSessionUi::CCliSessionUi(QTextStream& err, bool acceptCertificate, bool acceptHostKey)
    : m_err(err), m_acceptCertificate(acceptCertificate), m_acceptHostKey(acceptHostKey)
{
}

std::optional<CSessionLogin> CCliSessionUi::AskLogin(const QString&, const QString& login)
{
    // Anonymous log-in and key log-in need no password; a server that wants one says so.
    return CSessionLogin{login, {}, false};
}

bool CCliSessionUi::AcceptCertificate(const ServerCertificate& certificate, const QString& problem)
{
    if (m_acceptCertificate || certificate.trusted)
        return true;
    if (!IsTerminal())
    {
        m_err << "zentrava-cli: the server's certificate is not trusted (" << problem
              << "); --accept-certificate accepts it" << Qt::endl;
        return false;
    }
    m_err << "The server's certificate is not trusted: " << problem << "\n"
          << "  subject:  " << certificate.subject << "\n"
          << "  issuer:   " << certificate.issuer << "\n"
          << "  SHA-256:  " << certificate.sha256 << "\n"
          << "Accept it and keep it among the trusted certificates? [y/N] " << Qt::flush;
    return AnsweredYes();
}

bool CCliSessionUi::AcceptHostKey(const QString& host, const SshHostKey& key)
{
    if (m_acceptHostKey)
        return true;
    if (!IsTerminal())
    {
        m_err << "zentrava-cli: the host key of " << host << " is not known (" << key.type << " "
              << key.Fingerprint() << "); --accept-host-key accepts it" << Qt::endl;
        return false;
    }
    m_err << "The host key of " << host << " is not known.\n"
          << "  " << key.type << " " << key.Fingerprint() << "\n"
          << "Accept it and keep it among the known hosts? [y/N] " << Qt::flush;
    return AnsweredYes();
}

bool CCliSessionUi::AnsweredYes()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return false;
    const QByteArray answer = input.readLine().trimmed().toLower();
    return answer == "y" || answer == "yes";
}
