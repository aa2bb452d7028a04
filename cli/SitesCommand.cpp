#include "cli/SitesCommand.h"

#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "cli/SecretFile.h"
#include "session/SessionUrl.h"
#include "sites/SiteList.h"

namespace
{

int Usage(QTextStream& err, const QString& problem = {})
{
    if (!problem.isEmpty())
        err << "zentrava-cli: " << problem << Qt::endl;
    err << "usage: zentrava-cli sites list\n"
           "       zentrava-cli sites show PATH [--show-password]\n"
           "       zentrava-cli sites add --name N --address A [--port P] [--login L] [--password W]\n"
           "                              [--password-file FILE] [--folder F\\G] [--protocol 0..3]\n"
           "                              [--remote-path R] [--local-path D]"
        << Qt::endl;
    return ExitUsage;
}

int List(CSiteList& sites, QTextStream& out)
{
    for (const QString& path : sites.SitePaths())
        out << path << Qt::endl;
    return ExitSuccess;
}

int Show(CSiteList& sites, const CArguments& args, QTextStream& out, QTextStream& err)
{
    if (args.Positional().size() != 1)
        return Usage(err, QStringLiteral("sites show takes one site path"));
    const QString path = args.Positional()[0];
    CFtpSite site;
    if (!sites.LoadSiteByPath(path, site))
    {
        err << "zentrava-cli: no saved site " << path << Qt::endl;
        return ExitFailure;
    }
    const bool showPassword = args.Has(QStringLiteral("show-password"));
    for (const auto& [name, value] : site.Fields())
    {
        const bool hide = name == QLatin1String("Password") && !showPassword;
        out << name << '=' << (hide ? QString(value.size(), u'*') : value) << Qt::endl;
    }
    return ExitSuccess;
}

bool ReadNumber(const CArguments& args, const char* option, qint32& value, QString& problem)
{
    if (!args.Has(option))
        return true;
    bool ok = false;
    value = args.Value(option).toInt(&ok);
    if (!ok)
        problem = QStringLiteral("--%1 takes a number, not %2").arg(option, args.Value(option));
    return ok;
}

// From --password, or from the first line of --password-file so that it stays out of the process list.
int TakePassword(const CArguments& args, CFtpSite& site, QTextStream& err)
{
    if (!args.Has("password-file"))
    {
        site.Password = args.Value("password");
        return ExitSuccess;
    }
    if (args.Has("password"))
        return Usage(err, QStringLiteral("give --password or --password-file, not both"));
    QByteArray password;
    QString problem;
    if (!ReadSecretFile(QStringLiteral("password file"), args.Value("password-file"), &password, &problem))
    {
        err << "zentrava-cli: " << problem << Qt::endl;
        return ExitFailure;
    }
    site.Password = QString::fromUtf8(password);
    return ExitSuccess;
}

int Add(CSiteList& sites, const CArguments& args, QTextStream& out, QTextStream& err)
{
    if (!args.Positional().isEmpty())
        return Usage(err, QStringLiteral("unexpected argument: %1").arg(args.Positional()[0]));
    if (!args.Has("name") || !args.Has("address"))
        return Usage(err, QStringLiteral("sites add needs --name and --address"));
    CFtpSite site = CFtpSite::QuickConnectDefaults();
    site.Name = args.Value("name");
    QString problem = CSiteList::CheckName(site.Name);
    if (problem.isEmpty() && !ReadNumber(args, "protocol", site.ProtocolType, problem))
        return Usage(err, problem);
    if (problem.isEmpty() &&
        (site.ProtocolType < CFtpSite::ProtocolFtp || site.ProtocolType > CFtpSite::ProtocolSftp))
        problem = QStringLiteral("--protocol takes 0 (FTP), 1 (implicit TLS), 2 (explicit TLS) or 3 (SFTP)");
    site.Port = CFtpSite::DefaultPort(site.ProtocolType);
    // The address's own scheme, port, log-in and folder come after --protocol and before the other options.
    if (problem.isEmpty() && !TakeTypedAddress(args.Value("address"), site))
        problem = QStringLiteral("--address takes host, host:port or an ftp://, ftpes://, ftps:// or sftp:// "
                                 "address, not %1")
                      .arg(args.Value("address"));
    if (problem.isEmpty() && ReadNumber(args, "port", site.Port, problem) &&
        (site.Port < 1 || site.Port > 65535))
        problem = QStringLiteral("--port takes a number from 1 to 65535");
    if (!problem.isEmpty())
        return Usage(err, problem);
    if (args.Has("login"))
        site.Login = args.Value("login");
    if (args.Has("password") || args.Has("password-file"))
        if (const int taken = TakePassword(args, site, err); taken != ExitSuccess)
            return taken;
    if (args.Has("remote-path"))
        site.RemotePath = args.Value("remote-path");
    if (args.Has("local-path"))
        site.LocalPath = args.Value("local-path");

    // The folder the user named, made when missing, rather than the root in its place.
    const QString folder = args.Value("folder");
    if (!folder.isEmpty() && !sites.MakeFolderPath(folder))
        return Usage(err,
                     QStringLiteral("--folder %1: folder names must not be empty nor hold \" < > or line "
                                    "breaks")
                         .arg(folder));
    if (!sites.StoreSite(site, folder))
    {
        err << "zentrava-cli: could not write " << sites.FilePath() << Qt::endl;
        return ExitFailure;
    }
    CXmlElement* folderElement = folder.isEmpty() ? nullptr : sites.FindFolderByPath(nullptr, folder);
    out << "stored " << sites.PathOf(sites.FindSiteInFolder(folderElement, site.Name)) << Qt::endl;
    return ExitSuccess;
}

} // namespace

int RunSitesCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const QString verb = words.value(0);
    const CArguments args(words.mid(1),
                          {"name", "address", "port", "login", "password", "password-file", "folder",
                           "protocol", "remote-path", "local-path"},
                          {"show-password"});
    if (!args.IsValid())
        return Usage(err, args.Error());
    const bool list = verb == QLatin1String("list") && args.Positional().isEmpty();
    if (!list && verb != QLatin1String("show") && verb != QLatin1String("add"))
        return Usage(err);
    CSiteList sites;
    const CStoredFileLoad loaded = sites.LoadSites();
    if (loaded.IsDamaged())
        err << "zentrava-cli: " << loaded.CommandLineText() << Qt::endl;
    // Adding starts the new file; listing and showing needed what the damaged one held.
    if (verb == QLatin1String("add"))
        return Add(sites, args, out, err);
    if (loaded.IsDamaged())
        return ExitFailure;
    return list ? List(sites, out) : Show(sites, args, out, err);
}
