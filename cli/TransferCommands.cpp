#include "cli/TransferCommands.h"

#include "cli/Arguments.h"
#include "cli/CliTrustAsker.h"
#include "cli/ExitCodes.h"
#include "cli/ProgressBar.h"
#include "cli/SecretFile.h"
#include "cli/UrlTarget.h"
#include "engine/RemoteConnection.h"
#include "engine/RemoteName.h"
#include "engine/VisibleText.h"
#include "session/PermissionBits.h"

#include <QFileInfo>

#include <unistd.h>

namespace
{
const char kUsage[] = "usage: zentrava-cli ls URL\n"
                      "       zentrava-cli get URL [LOCALPATH]\n"
                      "       zentrava-cli put LOCALPATH URL\n"
                      "URL: ftp://, ftpes:// (explicit TLS), ftps:// (implicit TLS) or sftp:// "
                      "[user[:password]@]host[:port]/path\n"
                      "options: --password-file FILE  --resume  --ascii (get, put)  --active  "
                      "--accept-certificate  --trust  --verbose\n"
                      "sftp:    --key FILE  --passphrase-file FILE  --accept-host-key\n"
                      "proxy:   --proxy socks4|socks4a|socks5|http|relay|ftp-site|ftp-open|ftp-user"
                      "://[user[:password]@]host[:port]";

int Usage(QTextStream& err, const QString& problem)
{
    err << "zentrava-cli: " << problem << "\n" << kUsage << Qt::endl;
    return ExitUsage;
}

int Failure(QTextStream& err, const QString& problem)
{
    err << "zentrava-cli: " << problem << Qt::endl;
    return ExitFailure;
}

int Outcome(const FtpResult& result, QTextStream& err)
{
    return result.Ok() ? ExitSuccess : Failure(err, VisibleText(result.message, LineBreaks::Kept));
}

QString FileName(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The commands and replies on standard error; the password never shows.
void ShowLog(CRemoteConnection& connection, QTextStream& err)
{
    connection.SetLogHook(
        [&err](FtpLogKind kind, const QByteArray& line)
        {
            const QString text = QString::fromUtf8(line);
            if (kind == FtpLogKind::Command)
                err << "> " << VisibleText(MaskedCommand(text)) << Qt::endl;
            else if (kind == FtpLogKind::Reply)
                err << "< " << VisibleText(text) << Qt::endl;
            else
                err << "* " << VisibleText(text, LineBreaks::Kept) << Qt::endl;
        });
}

// The bar is drawn on a terminal only: a log file would fill up with redrawn lines.
FtpProgressHook ProgressOn(CProgressBar& bar)
{
    if (!isatty(STDERR_FILENO))
        return {};
    return [&bar](qint64 position, qint64 total) { bar.Show(position, total); };
}

// "permissions owner group size date name", the columns ls has always printed.
QString RowText(const ListItem& item)
{
    const QString date = item.modified.isValid()
                             ? item.modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                             : QString(16, u' ');
    const bool folder = item.kind == ListItem::Kind::Folder;
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(PermissionText(ParsePermissionBits(QString::fromLatin1(item.permissions)), folder), -10)
        .arg(VisibleText(CRemoteName::ToText(item.owner)), -8)
        .arg(VisibleText(CRemoteName::ToText(item.group)), -8)
        .arg(item.size, 12)
        .arg(date, VisibleText(CRemoteName::ToText(item.name)));
}

// An empty path lists the folder the log-in starts in.
int List(CRemoteConnection& connection, const QString& path, QTextStream& out, QTextStream& err)
{
    if (!path.isEmpty())
    {
        const FtpResult entered = connection.ChangeFolder(path);
        if (!entered.Ok())
            return Outcome(entered, err);
    }
    const FtpValue<FtpListing> listing = connection.List();
    if (!listing.result.Ok())
        return Outcome(listing.result, err);
    for (const ListItem& item : listing.value.items)
    {
        if (item.name != "." && item.name != "..")
            out << RowText(item) << '\n';
    }
    out.flush();
    return ExitSuccess;
}

int Get(CRemoteConnection& connection, const QString& remotePath, const QString& localPath, bool resume,
        QTextStream& err)
{
    CProgressBar bar(err);
    const FtpResult done = connection.Download(remotePath, localPath, resume, ProgressOn(bar));
    bar.Finish();
    return Outcome(done, err);
}

int Put(CRemoteConnection& connection, const QString& localPath, QString remotePath, bool resume,
        QTextStream& err)
{
    if (remotePath.isEmpty() || remotePath.endsWith(u'/'))
        remotePath += FileName(localPath);
    CProgressBar bar(err);
    const FtpResult done = connection.Upload(
        localPath, remotePath, resume ? FtpUploadMode::Resume : FtpUploadMode::Replace, ProgressOn(bar));
    bar.Finish();
    return Outcome(done, err);
}

// get's local file: the remote name, in the folder given or the current one.
QString LocalPathOf(const QString& remotePath, const QString& given)
{
    if (given.isEmpty())
        return FileName(remotePath);
    return QFileInfo(given).isDir() ? given + u'/' + FileName(remotePath) : given;
}

bool ReadTargetOptions(const CArguments& args, UrlTargetOptions* options, QString* problem)
{
    if (args.Has(QStringLiteral("password-file")))
    {
        QByteArray password;
        if (!ReadSecretFile(QStringLiteral("password file"), args.Value(QStringLiteral("password-file")),
                            &password, problem))
            return false;
        options->password = QString::fromUtf8(password);
    }
    options->keyFile = args.Value(QStringLiteral("key"));
    options->active = args.Has(QStringLiteral("active"));
    return !args.Has(QStringLiteral("passphrase-file")) ||
           ReadSecretFile(QStringLiteral("pass phrase file"), args.Value(QStringLiteral("passphrase-file")),
                          &options->keyPassphrase, problem);
}
} // namespace

int RunTransferCommand(const QString& command, const QStringList& words, QTextStream& out, QTextStream& err)
{
    const bool isList = command == QLatin1String("ls");
    const bool isPut = command == QLatin1String("put");
    QSet<QString> flags =
        CliTrustOptions::Flags() + QSet<QString>{QStringLiteral("active"), QStringLiteral("verbose")};
    if (!isList)
        flags += {QStringLiteral("resume"), QStringLiteral("ascii")};
    const CArguments args(words,
                          {QStringLiteral("password-file"), QStringLiteral("key"),
                           QStringLiteral("passphrase-file"), QStringLiteral("proxy")},
                          flags);
    if (!args.IsValid())
        return Usage(err, args.Error());
    const QStringList& positional = args.Positional();
    const qsizetype fewest = isPut ? 2 : 1;
    if (positional.size() < fewest || positional.size() > (isList ? 1 : 2))
        return Usage(err, QStringLiteral("%1 takes %2").arg(command, isPut ? "LOCALPATH URL" : "URL"));
    const CFtpUrl url = CFtpUrl::Parse(positional[isPut ? 1 : 0]);
    if (!url.IsValid())
        return Usage(err, url.Error());
    const bool isGet = !isList && !isPut;
    if (isGet && (url.Path().isEmpty() || url.Path().endsWith(u'/')))
        return Usage(err, QStringLiteral("get needs a URL that names a file: %1").arg(url.Display()));
    UrlTargetOptions options;
    if (args.Has(QStringLiteral("proxy")))
    {
        options.proxy = CProxyUrl::Parse(args.Value(QStringLiteral("proxy")));
        if (!options.proxy->IsValid())
            return Usage(err, options.proxy->Error());
    }
    QString problem;
    if (!ReadTargetOptions(args, &options, &problem))
        return Failure(err, problem);
    const QString localPath = isGet ? LocalPathOf(url.Path(), positional.value(1)) : positional[0];
    if (isGet && HasControlCharacters(FileName(localPath)))
        return Failure(err, QStringLiteral("not a local file name, it holds control characters: %1")
                                .arg(VisibleText(FileName(localPath))));
    if (isPut && !QFileInfo(localPath).isFile())
        return Failure(err, QStringLiteral("no such local file: %1").arg(localPath));

    CCliTrustAsker trust(err, CliTrustOptions::From(args));
    CRemoteConnection connection(UrlTarget(url, options));
    trust.Guard(connection);
    if (args.Has(QStringLiteral("verbose")))
        ShowLog(connection, err);
    const FtpResult connected = connection.Connect();
    if (!connected.Ok())
    {
        const int failed = Outcome(connected, err);
        trust.ExplainRefusal(connected, connection.Target());
        return failed;
    }
    connection.SetTransferType(args.Has(QStringLiteral("ascii")) ? FtpTransferType::Ascii
                                                                 : FtpTransferType::Binary);
    const bool resume = args.Has(QStringLiteral("resume"));
    const int result = isList  ? List(connection, url.Path(), out, err)
                       : isPut ? Put(connection, localPath, url.Path(), resume, err)
                               : Get(connection, url.Path(), localPath, resume, err);
    connection.Close();
    return result;
}
