#include "cli/ShellCommand.h"

#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "engine/VisibleText.h"
#include "session/PermissionBits.h"
#include "common/LogLine.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace
{

const char kUsage[] = "usage: zentrava-cli shell TARGET [-b FILE] [-v] [--password-file FILE]\n"
                      "       [--accept-certificate] [--accept-host-key] [--trust]\n";
const char kHelp[] = "commands: ls, cd PATH, pwd, mkdir NAME, rm NAME, rmdir [-r] NAME, mv FROM TO,\n"
                     "  rename OLD NEW, chmod MODE NAME, quote COMMAND, get REMOTE [LOCAL],\n"
                     "  put LOCAL [REMOTE], back, history, quit\n";

// Words split at spaces; "double quotes" keep a name with spaces together.
QStringList SplitWords(const QString& line)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool any = false;
    for (const QChar c : line)
    {
        if (c == u'"')
        {
            quoted = !quoted;
            any = true;
        }
        else if (c.isSpace() && !quoted)
        {
            if (any)
                words << word;
            word.clear();
            any = false;
        }
        else
        {
            word += c;
            any = true;
        }
    }
    if (any)
        words << word;
    return words;
}

QString FirstLine(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? QString::fromUtf8(file.readLine()).trimmed() : QString();
}

QString NameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

CShellCommand::CShellCommand(QTextStream& out, QTextStream& err, bool verbose, const CliTrustOptions& trust)
    : m_out(out), m_err(err), m_verbose(verbose), m_ui(err, trust), m_session(this, m_ui, m_sites)
{
    if (const CStoredFileLoad loaded = m_sites.LoadSites(); loaded.IsDamaged())
        m_err << "zentrava-cli: " << loaded.CommandLineText() << Qt::endl;
    m_session.SetAutoReconnect(true);
}

void CShellCommand::OnLog(int level, const QString& text)
{
    if (m_verbose || level == LogError)
        m_err << text << Qt::endl;
}

bool CShellCommand::Open(const QString& target, const QString& password)
{
    CFtpSite saved;
    if (m_sites.LoadSiteByPath(target, saved))
        return m_session.Connect(target) && m_session.List(m_session.CurrentFolder(), true);
    std::optional<CSessionUrl> url = CSessionUrl::Parse(target);
    QString address = target;
    QString login = QStringLiteral("anonymous");
    QString secret = password;
    if (url && !url->user.isEmpty())
    {
        // The credentials go to the session apart from the address, which the log shows.
        login = url->user;
        if (secret.isEmpty())
            secret = url->password;
        address = url->scheme + QStringLiteral("://") +
                  (url->server.contains(u':') ? u'[' + url->server + u']' : url->server) +
                  (url->port ? u':' + QString::number(url->port) : QString()) + url->path;
    }
    return m_session.Connect(address, login, secret) && m_session.List(m_session.CurrentFolder(), true);
}

void CShellCommand::Close()
{
    if (!m_session.IsAttached())
        return;
    // The QUIT goes out before the program ends.
    m_session.Component().SetBlocking(true);
    m_session.Disconnect();
}

bool CShellCommand::Execute(const QString& line)
{
    const QStringList w = SplitWords(line);
    if (w.isEmpty() || w[0].startsWith(u'#'))
        return true;
    const QString& c = w[0];
    const qsizetype n = w.size() - 1;
    if (c == QLatin1String("quit") || c == QLatin1String("exit"))
        return m_finished = true;
    if (c == QLatin1String("help"))
        return (m_out << kHelp << Qt::flush), true;
    if (c == QLatin1String("ls") && n == 0)
        return m_session.List(m_session.CurrentFolder(), true, true) && List();
    if (c == QLatin1String("pwd") && n == 0)
        return (m_out << m_session.CurrentFolder() << Qt::endl), true;
    if (c == QLatin1String("cd") && n == 1)
        return ChangeFolder(w[1]);
    if (c == QLatin1String("mkdir") && n == 1)
        return m_session.MakeFolder(w[1]);
    if (c == QLatin1String("rm") && n == 1)
        return m_session.DeleteFile(w[1]);
    if (c == QLatin1String("rmdir") && n == 1)
        return m_session.DeleteFolder(w[1], false);
    if (c == QLatin1String("rmdir") && n == 2 && w[1] == QLatin1String("-r"))
        return m_session.DeleteFolder(w[2], true);
    if (c == QLatin1String("mv") && n == 2)
        return m_session.Move(Absolute(w[1]), Absolute(w[2]));
    if (c == QLatin1String("rename") && n == 2)
        return m_session.Rename(w[1], w[2]);
    if (c == QLatin1String("chmod") && n == 2)
        return ChangeMode(w[1], w[2]);
    if (c == QLatin1String("quote") && n >= 1)
        return Quote(QStringList(w.mid(1)).join(u' '));
    if (c == QLatin1String("get") && (n == 1 || n == 2))
        return Download(w[1], n == 2 ? w[2] : NameOf(w[1]));
    if (c == QLatin1String("put") && (n == 1 || n == 2))
        return Upload(w[1], n == 2 ? w[2] : QFileInfo(w[1]).fileName());
    if (c == QLatin1String("back") && n == 0)
        return m_session.GoBack() && List();
    if (c == QLatin1String("history") && n == 0)
        return PrintHistory();
    return Usage(QStringLiteral("not understood: %1").arg(line.trimmed()));
}

bool CShellCommand::Usage(const QString& text)
{
    m_err << "zentrava-cli: " << text << "\n" << kHelp << Qt::flush;
    return false;
}

QString CShellCommand::Absolute(const QString& path) const
{
    return CollapseSlashes(path.startsWith(u'/') ? path : m_session.CurrentFolder() + u'/' + path);
}

bool CShellCommand::List()
{
    for (const CFtpListItem& item : m_session.ListModel().Items())
    {
        if (item.IsParent())
            continue;
        m_out << PermissionText(item.permissionBits, item.isFolder) << ' ' << qSetFieldWidth(12) << item.size
              << qSetFieldWidth(0) << ' ' << item.modified.toString(Qt::ISODate) << ' '
              << VisibleText(item.name) << '\n';
    }
    m_out.flush();
    return true;
}

bool CShellCommand::ChangeFolder(const QString& path)
{
    QString folder = Absolute(path);
    if (path == QLatin1String(".."))
        folder = WithoutTrailingSlash(m_session.CurrentFolder()).section(u'/', 0, -2);
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    return m_session.ChangeFolder(folder) && m_session.List(folder, true);
}

bool CShellCommand::ChangeMode(const QString& mode, const QString& name)
{
    const std::optional<int> bits = PermissionBitsFromNumber(mode);
    if (!bits)
        return Usage(QStringLiteral("chmod takes three digits 0-7: %1").arg(mode));
    int row = m_session.ListModel().FindRow(name);
    if (row < 0 && m_session.List(m_session.CurrentFolder(), false, true))
        row = m_session.ListModel().FindRow(name);
    if (row < 0)
        return Usage(QStringLiteral("no such entry: %1").arg(name));
    return m_session.ChangePermissions(row, *bits);
}

bool CShellCommand::Quote(const QString& command)
{
    const std::optional<CCommandReply> reply = m_session.SendCustomCommand(command);
    if (!reply)
        return false;
    m_out << VisibleText(reply->text.trimmed(), LineBreaks::Kept) << Qt::endl;
    return reply->code < 400;
}

bool CShellCommand::Download(const QString& remote, const QString& local)
{
    if (HasControlCharacters(local))
        return Usage(
            QStringLiteral("not a local file name, it holds control characters: %1").arg(VisibleText(local)));
    m_session.Component().Download(local, Absolute(remote));
    return RunTransfer();
}

bool CShellCommand::Upload(const QString& local, const QString& remote)
{
    m_session.Component().Upload(local, Absolute(remote));
    return RunTransfer();
}

bool CShellCommand::RunTransfer()
{
    if (!m_session.IsConnected())
        return Usage(QStringLiteral("not connected"));
    if (m_session.WaitDone() && m_session.ResultCode() == 0)
        return true;
    m_err << "zentrava-cli: " << m_session.LastError() << Qt::endl;
    return false;
}

bool CShellCommand::PrintHistory()
{
    for (const QString& folder : m_session.BackHistory().Folders())
        m_out << folder << '\n';
    m_out.flush();
    return true;
}

int RunShellCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(words, {QStringLiteral("b"), QStringLiteral("password-file")},
                          CliTrustOptions::Flags() + QSet<QString>{QStringLiteral("v")});
    if (!args.IsValid() || args.Positional().size() != 1)
    {
        err << (args.IsValid() ? QString() : args.Error() + u'\n') << kUsage << Qt::flush;
        return ExitUsage;
    }
    QString password;
    if (args.Has(QStringLiteral("password-file")))
    {
        bool ok = false;
        password = FirstLine(args.Value(QStringLiteral("password-file")), &ok);
        if (!ok)
            return (err << "zentrava-cli: cannot read the password file" << Qt::endl), ExitFailure;
    }
    QFile script;
    const bool batch = args.Has(QStringLiteral("b"));
    const QString scriptPath = args.Value(QStringLiteral("b"));
    const bool opened = batch && scriptPath != QLatin1String("-")
                            ? (script.setFileName(scriptPath), script.open(QIODevice::ReadOnly))
                            : script.open(stdin, QIODevice::ReadOnly);
    if (!opened)
        return (err << "zentrava-cli: cannot read " << scriptPath << Qt::endl), ExitFailure;

    CShellCommand shell(out, err, args.Has(QStringLiteral("v")), CliTrustOptions::From(args));
    shell.Ui().messageShown = [&err](const QString& text) { err << "zentrava-cli: " << text << Qt::endl; };
    if (!shell.Open(args.Positional().first(), password))
        return ExitFailure;
    const bool prompt = !batch && isatty(STDIN_FILENO);
    int result = ExitSuccess;
    while (!shell.IsFinished())
    {
        if (prompt)
            out << "zentrava> " << Qt::flush;
        const QByteArray line = script.readLine();
        if (line.isEmpty())
            break;
        if (!shell.Execute(QString::fromUtf8(line).trimmed()) && batch)
        {
            result = ExitFailure;
            break;
        }
    }
    shell.Close();
    return result;
}
