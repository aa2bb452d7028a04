#include "cli/CliConnection.h"

#include "app/DataFolder.h"
#include "engine/VisibleText.h"
#include "security/TrustPolicy.h"
#include "sites/ConnectionTargets.h"

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
} // namespace

CCliConnection::CCliConnection(const CFtpUrl& url, const CliConnectionOptions& options, QTextStream& err)
    : m_options(options), m_err(err), m_trust(err, options.trust), m_progress(err),
      m_showProgress(isatty(STDERR_FILENO))
{
    m_ftp.SetBlocking(true);
    CConnectionTarget target;
    target.protocol = url.Protocol();
    target.host = url.Host();
    target.port = url.Port();
    const bool sftp = url.Protocol() == FtpProtocol::Sftp;
    const QString defaultUser = sftp ? qEnvironmentVariable("USER") : QStringLiteral("anonymous");
    target.login = url.HasUser() ? url.User() : defaultUser;
    if (sftp)
    {
        target.keyFile = options.keyFile;
        target.keyPassphrase = options.keyPassphrase;
    }
    target.password = options.password;
    target.passive = !options.active;
    if (options.proxy)
        options.proxy->ApplyTo(target);
    else
        ApplyProxySettings(target);
    m_ftp.SetTarget(target);
    m_ftp.SetTransferMode(options.ascii ? FtpTransferType::Ascii : FtpTransferType::Binary);
    m_ftp.SetResume(options.resume);
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
                     [this](const ServerCertificate& certificate, int, const QString&, bool& accept)
                     { accept = Decide(certificate); });
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

bool CCliConnection::Decide(const ServerCertificate& certificate)
{
    const TrustOutcome outcome = CTrustPolicy::For(m_ftp.Target()).Certificate(
        certificate, [this](const ServerCertificate& asked) { return m_trust.Certificate(asked); });
    if (!outcome.problem.isEmpty())
        m_err << "zentrava-cli: " << outcome.problem << Qt::endl;
    return outcome.accepted;
}

bool CCliConnection::DecideHostKey(const SshHostKey& key)
{
    const CTrustPolicy policy = CTrustPolicy::For(m_ftp.Target());
    const QString host = policy.ServerName();
    const TrustOutcome outcome =
        policy.HostKey(key, [this, &host](const SshHostKey& asked) { return m_trust.HostKey(host, asked); });
    if (!outcome.problem.isEmpty())
        m_err << "zentrava-cli: " << outcome.problem << Qt::endl;
    const HostKeyCheck& check = outcome.hostKey;
    if (check.match == HostKeyMatch::Changed)
        m_err << "zentrava-cli: WARNING: the host key of " << host << " has changed; refusing to connect.\n"
              << "  on record: " << check.knownType << " " << check.knownFingerprint << "\n"
              << "  offered:   " << key.type << " " << key.Fingerprint() << "\n"
              << "If the change is expected, remove the old key from "
              << CDataFolder::FilePath(QStringLiteral("known_hosts")) << Qt::endl;
    else if (check.match == HostKeyMatch::Revoked)
        m_err << "zentrava-cli: the host key of " << host << " (" << key.Fingerprint()
              << ") is marked revoked in " << CDataFolder::FilePath(QStringLiteral("known_hosts"))
              << Qt::endl;
    return outcome.accepted;
}
