#include "cli/CliConnection.h"

#include "app/DataFolder.h"
#include "engine/KnownHosts.h"
#include "engine/VisibleText.h"
#include "security/TrustedCertificates.h"
#include "session/ConnectionSettings.h"

#include <QFile>
#include <unistd.h>

namespace
{
// The log never shows a password, nor how long it is.
QString Masked(const QString& command)
{
    const bool isPass = command.startsWith(QLatin1String("PASS"), Qt::CaseInsensitive) &&
                        (command.size() == 4 || command[4] == u' ');
    return isPass ? QStringLiteral("PASS ****") : command;
}

bool IsInteractive()
{
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}
} // namespace

CCliConnection::CCliConnection(const CFtpUrl& url, const CliConnectionOptions& options, QTextStream& err)
    : m_options(options), m_host(url.Host().toUtf8()), m_port(quint16(url.Port())), m_err(err),
      m_progress(err), m_showProgress(isatty(STDERR_FILENO))
{
    m_ftp.SetBlocking(true);
    m_ftp.SetProtocol(url.Protocol());
    m_ftp.SetHost(url.Host());
    m_ftp.SetPort(url.Port());
    const bool sftp = url.Protocol() == FtpProtocol::Sftp;
    const QString defaultUser = sftp ? qEnvironmentVariable("USER") : QStringLiteral("anonymous");
    m_ftp.SetLogin(url.HasUser() ? url.User() : defaultUser);
    if (sftp)
        m_ftp.SetPrivateKey(options.keyFile, options.keyPassphrase);
    m_ftp.SetPassword(options.password);
    m_ftp.SetPassive(!options.active);
    m_ftp.SetTransferMode(options.ascii ? FtpTransferType::Ascii : FtpTransferType::Binary);
    m_ftp.SetResume(options.resume);
    if (options.proxy)
        options.proxy->ApplyTo(m_ftp);
    else
        ApplyProxySettings(m_ftp);
    ConnectEvents();
}

QString CCliConnection::Open()
{
    m_ftp.Connect();
    return Outcome();
}

QString CCliConnection::List(const QString& path)
{
    m_ftp.List(path);
    return Outcome();
}

QString CCliConnection::Download(const QString& remotePath, const QString& localPath)
{
    m_ftp.Download(localPath, remotePath);
    m_progress.Finish();
    return Outcome();
}

QString CCliConnection::Upload(const QString& localPath, const QString& remotePath)
{
    m_ftp.Upload(localPath, remotePath);
    m_progress.Finish();
    return Outcome();
}

void CCliConnection::Close()
{
    m_ftp.Disconnect();
}

void CCliConnection::ConnectEvents()
{
    QObject::connect(&m_ftp, &CFtpComponent::Connected, &m_ftp,
                     [this](int code, const QString& text) { StoreOutcome(code, text); });
    QObject::connect(&m_ftp, &CFtpComponent::Done, &m_ftp,
                     [this](int code, const QString& text) { StoreOutcome(code, text); });
    QObject::connect(&m_ftp, &CFtpComponent::HostCertificate, &m_ftp,
                     [this](const ServerCertificate& certificate, int, const QString& problem, bool& accept)
                     { accept = Decide(certificate, problem); });
    QObject::connect(&m_ftp, &CFtpComponent::HostKey, &m_ftp,
                     [this](const QString&, const QString&, bool& accept)
                     { accept = DecideHostKey(m_ftp.ServerHostKey()); });
    if (m_showProgress)
        QObject::connect(&m_ftp, &CFtpComponent::Progress, &m_ftp,
                         [this](qint64 position, qint64 total) { m_progress.Show(position, total); });
    if (!m_options.verbose)
        return;
    QObject::connect(&m_ftp, &CFtpComponent::PreTranslateCommand, &m_ftp,
                     [this](QString& command) { m_err << "> " << VisibleText(Masked(command)) << Qt::endl; });
    QObject::connect(&m_ftp, &CFtpComponent::PreTranslateReply, &m_ftp,
                     [this](int, const QString& reply) { m_err << "< " << VisibleText(reply) << Qt::endl; });
    QObject::connect(&m_ftp, &CFtpComponent::Information, &m_ftp,
                     [this](const QString& text)
                     { m_err << "* " << VisibleText(text, LineBreaks::Kept) << Qt::endl; });
}

void CCliConnection::StoreOutcome(int code, const QString& text)
{
    m_code = code;
    m_text = text;
}

QString CCliConnection::Outcome() const
{
    if (m_code == 0)
        return {};
    return m_text.isEmpty() ? QStringLiteral("error %1").arg(m_code) : VisibleText(m_text, LineBreaks::Kept);
}

bool CCliConnection::Decide(const ServerCertificate& certificate, const QString& problem)
{
    if (m_options.acceptCertificate || certificate.trusted)
        return true;
    CTrustedCertificates store;
    store.Load();
    if (store.Contains(certificate.pem))
        return true;
    if (!IsInteractive())
    {
        m_err << "zentrava-cli: the server's certificate is not trusted (" << problem
              << "); --accept-certificate accepts it" << Qt::endl;
        return false;
    }
    if (!AskOnTerminal(certificate, problem))
        return false;
    if (!store.Add(certificate.pem))
        m_err << "zentrava-cli: could not save the certificate in " << store.FilePath() << Qt::endl;
    return true;
}

bool CCliConnection::AskOnTerminal(const ServerCertificate& certificate, const QString& problem)
{
    m_err << "The server's certificate is not trusted: " << problem << "\n"
          << "  subject:  " << certificate.subject << "\n"
          << "  issuer:   " << certificate.issuer << "\n"
          << "  valid:    " << certificate.notBefore.toString(Qt::ISODate) << " to "
          << certificate.notAfter.toString(Qt::ISODate) << "\n"
          << "  SHA-256:  " << certificate.sha256 << "\n"
          << "Accept it and keep it among the trusted certificates? [y/N] " << Qt::flush;
    return AnsweredYes();
}

bool CCliConnection::DecideHostKey(const SshHostKey& key)
{
    CKnownHosts store(CDataFolder::FilePath(QStringLiteral("known_hosts")));
    const FtpResult loaded = store.Load();
    if (!loaded.Ok())
    {
        m_err << "zentrava-cli: " << loaded.message << Qt::endl;
        return false;
    }
    const QString host = QString::fromUtf8(CKnownHosts::HostName(m_host, m_port));
    const HostKeyCheck check = store.Check(m_host, m_port, key);
    switch (check.match)
    {
    case HostKeyMatch::Known:
        return true;
    case HostKeyMatch::Changed:
        m_err << "zentrava-cli: WARNING: the host key of " << host << " has changed; refusing to connect.\n"
              << "  on record: " << check.knownType << " " << check.knownFingerprint << "\n"
              << "  offered:   " << key.type << " " << key.Fingerprint() << "\n"
              << "If the change is expected, remove the old key from " << store.FilePath() << Qt::endl;
        return false;
    case HostKeyMatch::Revoked:
        m_err << "zentrava-cli: the host key of " << host << " (" << key.Fingerprint()
              << ") is marked revoked in " << store.FilePath() << Qt::endl;
        return false;
    case HostKeyMatch::New:
        break;
    }
    if (!m_options.acceptHostKey && !IsInteractive())
    {
        m_err << "zentrava-cli: the host key of " << host << " is not known (" << key.type << " "
              << key.Fingerprint() << "); --accept-host-key accepts it" << Qt::endl;
        return false;
    }
    if (!m_options.acceptHostKey && !AskAboutHostKey(key))
        return false;
    const FtpResult added = CDataFolder::Ensure() ? store.Add(m_host, m_port, key)
                                                  : FtpResult::Failure(FtpStatus::Local, store.FilePath());
    if (!added.Ok())
        m_err << "zentrava-cli: could not save the host key: " << added.message << Qt::endl;
    return true;
}

bool CCliConnection::AskAboutHostKey(const SshHostKey& key)
{
    m_err << "The host key of " << CKnownHosts::HostName(m_host, m_port) << " is not known.\n"
          << "  " << key.type << " " << key.Fingerprint() << "\n"
          << "Accept it and keep it among the known hosts? [y/N] " << Qt::flush;
    return AnsweredYes();
}

bool CCliConnection::AnsweredYes()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return false;
    const QByteArray answer = input.readLine().trimmed().toLower();
    return answer == "y" || answer == "yes";
}
