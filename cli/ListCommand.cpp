#include "cli/ListCommand.h"

#include "app/DataFolder.h"
#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "engine/keys/KnownHosts.h"
#include "engine/VisibleText.h"
#include "session/PermissionBits.h"

#include <QFile>

namespace
{
const char kUsage[] = "usage: zentrava-cli ls URL\n"
                      "URL: ftp://, ftpes:// (explicit TLS), ftps:// (implicit TLS) or sftp:// "
                      "[user[:password]@]host[:port]/path\n"
                      "options: --password-file FILE  --active  --accept-certificate  --trust  --verbose\n"
                      "sftp:    --key FILE  --passphrase-file FILE  --accept-host-key\n"
                      "proxy:   --proxy socks4|socks4a|socks5|http|relay|ftp-site|ftp-open|ftp-user"
                      "://[user[:password]@]host[:port]";

int Usage(QTextStream& err, const QString& problem)
{
    err << "zentrava-cli: " << problem << "\n" << kUsage << Qt::endl;
    return ExitUsage;
}

// The first line of the file, so the secret need not show in the process list.
std::optional<QByteArray> ReadSecret(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

bool ReadSecretOption(const CArguments& args, const QString& option, const QString& what, QByteArray* secret,
                      QTextStream& err)
{
    if (!args.Has(option))
        return true;
    const std::optional<QByteArray> read = ReadSecret(args.Value(option));
    if (!read)
    {
        err << "zentrava-cli: cannot read the " << what << " " << args.Value(option) << Qt::endl;
        return false;
    }
    *secret = *read;
    return true;
}

QString LoginOf(const CFtpUrl& url)
{
    if (url.HasUser())
        return url.User();
    return url.Protocol() == FtpProtocol::Sftp ? qEnvironmentVariable("USER") : QStringLiteral("anonymous");
}

// The server part alone: the log shows it, so the log-in goes to the session apart from it.
QString AddressOf(const CFtpUrl& url, const QString& scheme)
{
    const QString host = url.Host().contains(u':') ? u'[' + url.Host() + u']' : url.Host();
    return QStringLiteral("%1://%2:%3").arg(scheme, host).arg(url.Port());
}
} // namespace

CListCommand::CListCommand(const ListOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err), m_ui(err, options.trust), m_session(this, m_ui, m_sites)
{
    m_session.SetAutoReconnect(false);
    m_ui.messageShown = [](const QString&) {};
    m_session.SetComponentOverride([this](CFtpComponent& ftp) { ApplyOptions(ftp); });
}

void CListCommand::OnLog(int level, const QString& text)
{
    if (level == LogError)
        ++m_errors;
    if (level == LogReply)
        m_lastReply = text;
    if (m_options.verbose || level == LogError)
        m_err << TerminalLine(level, text) << Qt::endl;
}

QString CListCommand::TerminalLine(int level, const QString& text)
{
    const qsizetype tagEnd = text.startsWith(u'[') ? text.indexOf(u']') + 1 : 0;
    const QString tag = text.left(tagEnd);
    QString line = text.mid(tagEnd);
    const bool spaced = line.startsWith(u' ');
    if (spaced)
        line.remove(0, 1);
    if (level == LogCommand && (line.startsWith(QLatin1String("PASS ")) || line == QLatin1String("PASS")))
        line = QStringLiteral("PASS ****");
    const QString separator = spaced ? QStringLiteral(" ") : QString();
    if (level == LogCommand)
        return tag + separator + QStringLiteral("> ") + line;
    if (level == LogReply)
        return tag + separator + QStringLiteral("< ") + line;
    return tag + separator + line;
}

QString CListCommand::RowText(const CFtpListItem& item)
{
    const QString date = item.modified.isValid()
                             ? item.modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                             : QString(16, u' ');
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(PermissionText(item.permissionBits, item.isFolder), -10)
        .arg(VisibleText(item.owner), -8)
        .arg(VisibleText(item.group), -8)
        .arg(item.size, 12)
        .arg(date, VisibleText(item.name));
}

// The session applies the stored settings before each attempt; the command's options go over them.
void CListCommand::ApplyOptions(CFtpComponent& ftp)
{
    CConnectionTarget target = ftp.Target();
    if (!m_options.keyFile.isEmpty() && target.IsSftp())
    {
        target.keyFile = m_options.keyFile;
        target.keyPassphrase = m_options.keyPassphrase;
    }
    if (m_options.active)
        target.passive = false;
    if (m_options.proxy)
        m_options.proxy->ApplyTo(target);
    ftp.SetTarget(target);
}

int CListCommand::Run(const CFtpUrl& url, const QString& scheme)
{
    const bool connected = m_session.Connect(AddressOf(url, scheme), LoginOf(url), m_options.password);
    if (!connected)
        ExplainChangedHostKey(url);
    const bool listed = connected && ListFolder(url.Path());
    if (listed)
        PrintRows();
    Close();
    return listed ? ExitSuccess : ExitFailure;
}

// The session refuses a host key that differs from the one on record; a script's user also needs to
// know where that record lies.
void CListCommand::ExplainChangedHostKey(const CFtpUrl& url)
{
    const SshHostKey& key = m_session.Component().ServerHostKey();
    CKnownHosts store(CDataFolder::FilePath(QStringLiteral("known_hosts")));
    if (key.blob.isEmpty() || !store.Load().Ok())
        return;
    const QByteArray host = url.Host().toUtf8();
    const quint16 port = quint16(url.Port());
    if (store.Check(host, port, key).match != HostKeyMatch::Changed)
        return;
    m_err << "zentrava-cli: WARNING: the host key of " << CKnownHosts::HostName(host, port)
          << " has changed; refusing to connect.\n"
          << "If the change is expected, remove the old key from " << store.FilePath() << Qt::endl;
}

// The URL's path lies under the folder the log-in starts in unless it is absolute.
bool CListCommand::ListFolder(const QString& path)
{
    QString folder = CFtpSession::InitialFolder(m_session.RootFolder(), path);
    if (folder.isEmpty())
        folder = m_session.CurrentFolder();
    // A folder that cannot be opened shows as an error line, yet the listing call itself succeeds.
    const int errorsBefore = m_errors;
    m_lastReply.clear();
    if (m_session.List(folder, false) && m_errors == errorsBefore)
        return true;
    // The error line names the folder only; the server's reply says why.
    if (!m_options.verbose && !m_lastReply.isEmpty())
        m_err << TerminalLine(LogReply, m_lastReply) << Qt::endl;
    return false;
}

void CListCommand::PrintRows()
{
    for (const CFtpListItem& item : m_session.ListModel().Items())
    {
        if (!item.IsParent())
            m_out << RowText(item) << '\n';
    }
    m_out.flush();
}

void CListCommand::Close()
{
    if (!m_session.IsAttached())
        return;
    // The QUIT goes out before the program ends.
    m_session.Component().SetBlocking(true);
    m_session.Disconnect();
}

int RunListCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(words,
                          {QStringLiteral("password-file"), QStringLiteral("key"),
                           QStringLiteral("passphrase-file"), QStringLiteral("proxy")},
                          CliTrustOptions::Flags() +
                              QSet<QString>{QStringLiteral("active"), QStringLiteral("verbose")});
    if (!args.IsValid())
        return Usage(err, args.Error());
    if (args.Positional().size() != 1)
        return Usage(err, QStringLiteral("ls takes URL"));
    const QString text = args.Positional().first();
    const CFtpUrl url = CFtpUrl::Parse(text);
    if (!url.IsValid())
        return Usage(err, url.Error());
    ListOptions options;
    if (args.Has(QStringLiteral("proxy")))
    {
        options.proxy = CProxyUrl::Parse(args.Value(QStringLiteral("proxy")));
        if (!options.proxy->IsValid())
            return Usage(err, options.proxy->Error());
    }
    QByteArray password = url.Password().toUtf8();
    if (!ReadSecretOption(args, QStringLiteral("password-file"), QStringLiteral("password file"), &password,
                          err) ||
        !ReadSecretOption(args, QStringLiteral("passphrase-file"), QStringLiteral("pass phrase file"),
                          &options.keyPassphrase, err))
        return ExitFailure;
    options.password = QString::fromUtf8(password);
    options.keyFile = args.Value(QStringLiteral("key"));
    options.active = args.Has(QStringLiteral("active"));
    options.verbose = args.Has(QStringLiteral("verbose"));
    options.trust = CliTrustOptions::From(args);
    CListCommand command(options, out, err);
    return command.Run(url, text.section(QStringLiteral("://"), 0, 0).toLower());
}
