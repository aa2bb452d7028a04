#include "app/Profile.h"
#include "app/Translations.h"
#include "cli/CommandHelp.h"
#include "cli/ExitCodes.h"
#include "cli/KeyCommands.h"
#include "cli/PackCommands.h"
#include "cli/QueueCommands.h"
#include "cli/SettingsCommand.h"
#include "cli/ShellCommand.h"
#include "cli/SitesCommand.h"
#include "cli/TransferCommands.h"
#include "security/TrustedCertificates.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace
{

const char kUsage[] = R"(usage: zentrava-cli [--home DIR] COMMAND ...
       zentrava-cli COMMAND --help       the usage and options of one command (also: help COMMAND)
       zentrava-cli --version            the program's version and that of Qt (also: -V, version)

Commands:
  sites list                         every saved site path, one per line
  sites show PATH [--show-password]  the fields of one saved site
  sites add --name N --address A [--port P] [--login L] [--password W | --password-file FILE]
            [--folder F\G] [--protocol 0..3] [--remote-path R] [--local-path D]
                                     add a site, or update the same-named one; a missing
                                     folder F\G is made
  settings get SECTION KEY           one value of the settings store
  settings set SECTION KEY VALUE...  change it (a list takes one VALUE per item)
  ls URL                             list a remote folder
  get URL [LOCALPATH]                download a file (into LOCALPATH, a file or a folder)
  put LOCALPATH URL                  upload a file (a URL ending in "/" keeps its name)
  get TARGET REMOTE... -o DIR        download through the transfer queue (TARGET: a saved site
                                     path or an address; remote paths absolute or relative to it)
  put TARGET LOCAL... -r REMOTEDIR   upload files and folders through the transfer queue
  mirror TARGET REMOTEDIR LOCALDIR [--reverse] [--only-newer] [--delete] [--dry-run]
         [--exclude GLOB] [--include GLOB]
                                     make LOCALDIR a copy of REMOTEDIR's contents (--reverse:
                                     REMOTEDIR a copy of LOCALDIR's); --only-newer copies only newer
                                     files, --delete removes what the source does not have,
                                     --dry-run only prints what it would do, --exclude and
                                     --include filter by name (repeatable).
                                     Queue options: --parallel N, --retries N, --retry-delay S,
                                     --overwrite ask|overwrite|skip|resume|number|rules,
                                     --verify crc|md5|sha1, --filter; put --pack zip|cab|targz
                                     uploads one archive of the selection; the queue cannot ask,
                                     so a server nothing on record vouches for needs the options below
  shell TARGET [-b FILE] [-v] [--password-file FILE] [--accept-certificate] [--accept-host-key] [--trust]
                                     a session with a saved site (its path) or an address: ls, cd,
                                     pwd, mkdir, rm, rmdir [-r], mv, rename, chmod MODE NAME, quote,
                                     get, put, back, history, quit; -b runs a file ("-": standard
                                     input) and stops at the first failure; -v shows the session log
  pack zip|cab|targz PATH... [-o DIR]
                                     pack files and folders into one archive; prints its path
  unpack ARCHIVE.zip [--password W]  extract a zip beside it, into the folder of its name
  keygen [--type ed25519|rsa|dsa] [--bits N] [--passphrase W] [--private PATH] [--public PATH]
                                     make an SSH key pair (default: Ed25519, identity.key and
                                     identity.pub in the Security folder)
  certgen --name N [--out DIR] [--bits N] [--expires YYYY-MM-DD] [--cn ...] [--org ...]
          [--unit ...] [--country ...] [--state ...] [--city ...] [--email ...] [--passphrase W]
                                     make an RSA key and a self-signed certificate, N.key and N.crt
  cert show FILE                     issuer, subject, expiry and every field of a certificate
  help [COMMAND]                     this text, or that of one command

Options:
  --home DIR   keep sites, certificates and settings in DIR (as ZENTRAVA_HOME does)
  --passphrase-file FILE  keygen, certgen: the pass phrase is the file's first line

URL: ftp:// (plain), ftpes:// (explicit TLS) or ftps:// (implicit TLS), as
  scheme://[user[:password]@]host[:port]/path, with %XX escapes; the path is relative to the
  log-in folder ("//path" for an absolute one).
  sftp://[user[:password]@]host[:port]/path is SFTP over SSH (port 22; the user defaults to $USER).
Transfer options (ls, get, put; --password-file, --accept-certificate, --accept-host-key and --trust
also shell, queued get and put, mirror):
  --password-file FILE  the password is the file's first line (it then stays out of the process list)
  --resume              continue a partial file (get: the local one, put: the remote one)
  --ascii               ASCII mode: CR LF on the wire, LF on disk
  --active              active data connections (EPRT/PORT) instead of passive ones
  --accept-certificate  take the server's TLS certificate for this run without asking. Otherwise a
                        certificate that the system does not verify, and that was not accepted for
                        this host and port (or accepted once and made out for this host), is asked
                        about on a terminal (yes for this run, always, no) and refused elsewhere
  --verbose             the commands and replies on standard error (passwords masked)
  --key FILE            sftp: log in with this private key (OpenSSH or PEM format)
  --passphrase-file FILE  sftp: the key's pass phrase is the file's first line
  --accept-host-key     sftp: take a host key that is not known yet for this run; a key that differs
                        from the one on record is always refused
  --trust               keep what --accept-certificate or --accept-host-key takes, for this host and
                        port: in certifates.xml or known_hosts in the data folder (as "always" does)
  --proxy URL           connect through a proxy, as scheme://[user[:password]@]host[:port]:
                        socks4://, socks4a:// and socks5:// (the last two let the proxy resolve the
                        host name), http:// (CONNECT), relay:// (dial the proxy in place of the
                        server), or the FTP proxy log-in styles ftp-site://, ftp-open:// and
                        ftp-user:// (FTP only); without it the settings' Proxy section applies

Exit codes: 0 success, 1 failure or not found, 2 usage error.
)";

// --home may stand anywhere; it must take effect before any command touches a file.
bool TakeHomeOption(QStringList& words, QTextStream& err)
{
    const qsizetype at = words.indexOf(QStringLiteral("--home"));
    if (at < 0)
        return true;
    if (at + 1 >= words.size())
    {
        err << "zentrava-cli: option --home needs a folder" << Qt::endl;
        return false;
    }
    qputenv("ZENTRAVA_HOME", words[at + 1].toLocal8Bit());
    words.remove(at, 2);
    return true;
}

bool IsHelpWord(const QString& word)
{
    return word == QLatin1String("--help") || word == QLatin1String("-h");
}

// Whether a command's words ask for its help: "--help" anywhere, "-h" only first, so that a value "-h"
// (a password, a settings value) still reaches the command.
bool AsksForHelp(const QStringList& words)
{
    return words.contains(QStringLiteral("--help")) || words.value(0) == QLatin1String("-h");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentrava-cli"));
    CTranslations::Install(app, CTranslations::FromLocale());
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList words = QCoreApplication::arguments().mid(1);
    if (!TakeHomeOption(words, err))
        return ExitUsage;
    const QString command = words.value(0);
    const QStringList rest = words.mid(1);
    // Help and the version touch no file, so they come before the files are checked.
    if (command == QLatin1String("--version") || command == QLatin1String("-V") ||
        command == QLatin1String("version"))
    {
        out << "zentrava-cli " << ZENTRAVA_VERSION << "\nQt " << qVersion() << Qt::endl;
        return ExitSuccess;
    }
    const bool helpCommand = command == QLatin1String("help") || IsHelpWord(command);
    if (helpCommand && rest.isEmpty())
    {
        out << kUsage;
        return ExitSuccess;
    }
    if (helpCommand || AsksForHelp(rest))
    {
        const QString topic = helpCommand ? rest.first() : command;
        const QString help = CommandHelp(topic);
        if (help.isEmpty())
        {
            err << "zentrava-cli: unknown command: " << topic << "\n\n" << kUsage;
            return ExitUsage;
        }
        out << help;
        return ExitSuccess;
    }
    const CStoredFileLoad settings = CheckProfileFile();
    // Checked once here, so that whichever command meets a damaged file tells where it went.
    for (const CStoredFileLoad& load : {settings, CTrustedCertificates().Load()})
        if (load.IsDamaged())
            err << "zentrava-cli: " << load.CommandLineText() << Qt::endl;
    // What get would print is a default now, not the value the user stored.
    if (settings.IsDamaged() && command == QLatin1String("settings") && rest.value(0) == QLatin1String("get"))
        return ExitFailure;
    if (command == QLatin1String("sites"))
        return RunSitesCommand(rest, out, err);
    if (command == QLatin1String("settings"))
        return RunSettingsCommand(rest, out, err);
    if (command == QLatin1String("mirror") || IsQueueForm(command, rest))
        return RunQueueCommand(command, rest, out, err);
    if (command == QLatin1String("ls") || command == QLatin1String("get") || command == QLatin1String("put"))
        return RunTransferCommand(command, rest, out, err);
    if (command == QLatin1String("shell"))
        return RunShellCommand(rest, out, err);
    if (command == QLatin1String("pack"))
        return RunPackCommand(rest, out, err);
    if (command == QLatin1String("unpack"))
        return RunUnpackCommand(rest, out, err);
    if (command == QLatin1String("keygen"))
        return RunKeygenCommand(rest, out, err);
    if (command == QLatin1String("certgen"))
        return RunCertgenCommand(rest, out, err);
    if (command == QLatin1String("cert"))
        return RunCertCommand(rest, out, err);
    if (command.isEmpty())
        err << kUsage;
    else
        err << "zentrava-cli: unknown command: " << command << "\n\n" << kUsage;
    return ExitUsage;
}
