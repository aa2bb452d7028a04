#include "cli/TransferCommands.h"

#include "cli/Arguments.h"
#include "cli/CliConnection.h"
#include "cli/ExitCodes.h"
#include "cli/ListCommand.h"
#include "cli/SecretFile.h"
#include "engine/VisibleText.h"

#include <QFile>
#include <QFileInfo>

namespace
{
const char kUsage[] = "usage: zentrava-cli get URL [LOCALPATH]\n"
                      "       zentrava-cli put LOCALPATH URL\n"
                      "URL: ftp://, ftpes:// (explicit TLS), ftps:// (implicit TLS) or sftp:// "
                      "[user[:password]@]host[:port]/path\n"
                      "options: --password-file FILE  --resume  --ascii  --active  --accept-certificate  "
                      "--trust  --verbose\n"
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

QString FileName(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

int Get(CCliConnection& connection, const QString& remotePath, QString localPath, QTextStream& err)
{
    if (localPath.isEmpty())
        localPath = FileName(remotePath);
    else if (QFileInfo(localPath).isDir())
        localPath += u'/' + FileName(remotePath);
    if (HasControlCharacters(FileName(localPath)))
        return Failure(err, QStringLiteral("not a local file name, it holds control characters: %1")
                                .arg(VisibleText(FileName(localPath))));
    const QString problem = connection.Download(remotePath, localPath);
    return problem.isEmpty() ? ExitSuccess : Failure(err, problem);
}

int Put(CCliConnection& connection, const QString& localPath, QString remotePath, QTextStream& err)
{
    if (!QFileInfo(localPath).isFile())
        return Failure(err, QStringLiteral("no such local file: %1").arg(localPath));
    if (remotePath.isEmpty() || remotePath.endsWith(u'/'))
        remotePath += FileName(localPath);
    const QString problem = connection.Upload(localPath, remotePath);
    return problem.isEmpty() ? ExitSuccess : Failure(err, problem);
}
} // namespace

int RunTransferCommand(const QString& command, const QStringList& words, QTextStream& out, QTextStream& err)
{
    if (command == QLatin1String("ls"))
        return RunListCommand(words, out, err);
    const CArguments args(words,
                          {QStringLiteral("password-file"), QStringLiteral("key"),
                           QStringLiteral("passphrase-file"), QStringLiteral("proxy")},
                          CliTrustOptions::Flags() +
                              QSet<QString>{QStringLiteral("resume"), QStringLiteral("ascii"),
                                            QStringLiteral("active"), QStringLiteral("verbose")});
    if (!args.IsValid())
        return Usage(err, args.Error());
    const QStringList& positional = args.Positional();
    const bool isPut = command == QLatin1String("put");
    if (positional.size() < (isPut ? 2 : 1) || positional.size() > 2)
        return Usage(err, QStringLiteral("%1 takes %2").arg(command, isPut ? "LOCALPATH URL" : "URL"));
    const CFtpUrl url = CFtpUrl::Parse(positional[isPut ? 1 : 0]);
    if (!url.IsValid())
        return Usage(err, url.Error());
    if (command == QLatin1String("get") && (url.Path().isEmpty() || url.Path().endsWith(u'/')))
        return Usage(err, QStringLiteral("get needs a URL that names a file: %1").arg(url.Display()));

    CliConnectionOptions options;
    if (args.Has(QStringLiteral("proxy")))
    {
        options.proxy = CProxyUrl::Parse(args.Value(QStringLiteral("proxy")));
        if (!options.proxy->IsValid())
            return Usage(err, options.proxy->Error());
    }
    options.password = url.Password();
    QString problem;
    QByteArray password;
    if (args.Has(QStringLiteral("password-file")))
    {
        if (!ReadSecretFile(QStringLiteral("password file"), args.Value(QStringLiteral("password-file")),
                            &password, &problem))
            return Failure(err, problem);
        options.password = QString::fromUtf8(password);
    }
    options.keyFile = args.Value(QStringLiteral("key"));
    if (args.Has(QStringLiteral("passphrase-file")) &&
        !ReadSecretFile(QStringLiteral("pass phrase file"), args.Value(QStringLiteral("passphrase-file")),
                        &options.keyPassphrase, &problem))
        return Failure(err, problem);
    options.ascii = args.Has(QStringLiteral("ascii"));
    options.active = args.Has(QStringLiteral("active"));
    options.resume = args.Has(QStringLiteral("resume"));
    options.trust = CliTrustOptions::From(args);
    options.verbose = args.Has(QStringLiteral("verbose"));

    CCliConnection connection(url, options, err);
    problem = connection.Open();
    if (!problem.isEmpty())
        return Failure(err, problem);
    int result = ExitSuccess;
    if (isPut)
        result = Put(connection, positional[0], url.Path(), err);
    else
        result = Get(connection, url.Path(), positional.value(1), err);
    connection.Close();
    return result;
}
