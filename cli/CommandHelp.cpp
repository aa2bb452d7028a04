#include "cli/CommandHelp.h"

#include <algorithm>
#include <utility>

namespace
{

const char kSites[] = R"(usage: zentrava-cli sites list
       zentrava-cli sites show PATH [--show-password]
       zentrava-cli sites add --name N --address A [--port P] [--login L]
                              [--password W | --password-file FILE] [--folder F\G] [--protocol 0..3]
                              [--remote-path R] [--local-path D]
  list   every saved site path, one per line
  show   the fields of one saved site (--show-password: the password too)
  add    add a site, or update the same-named one; a missing folder F\G is made
)";

const char kSettings[] = R"(usage: zentrava-cli settings get SECTION KEY
       zentrava-cli settings set SECTION KEY VALUE...
  get   one value of the settings store
  set   change it (a list takes one VALUE per item)
)";

const char kLs[] = R"(usage: zentrava-cli ls URL [options]
  list a remote folder
)";

const char kGet[] = R"(usage: zentrava-cli get URL [LOCALPATH] [options]
         download a file (into LOCALPATH, a file or a folder)
       zentrava-cli get TARGET REMOTE... -o DIR [queue options]
         download into DIR through the transfer queue
)";

const char kPut[] = R"(usage: zentrava-cli put LOCALPATH URL [options]
         upload a file (a URL ending in "/" keeps its name)
       zentrava-cli put TARGET LOCAL... -r REMOTEDIR [--pack zip|cab|targz] [queue options]
         upload files and folders into REMOTEDIR through the transfer queue; --pack uploads one
         archive of the local selection
)";

const char kUrl[] = R"(URL: ftp:// (plain), ftpes:// (explicit TLS) or ftps:// (implicit TLS), as
  scheme://[user[:password]@]host[:port]/path, with %XX escapes; the path is relative to the
  log-in folder ("//path" for an absolute one).
  sftp://[user[:password]@]host[:port]/path is SFTP over SSH (port 22; the user defaults to $USER).
)";

const char kTarget[] =
    R"(TARGET: a saved site path or scheme://[user[:password]@]host[:port][/folder]; remote paths are
  absolute or relative to its folder.
)";

const char kQueueOptions[] = R"(queue options:
  --parallel N (one job per entry)  --retries N  --retry-delay S  --password-file FILE
  --verify crc|md5|sha1  --filter  --overwrite ask|overwrite|skip|resume|number|rules
  --accept-certificate  --accept-host-key (a server nothing on record vouches for, this run only;
  with --trust it is recorded)
)";

const char kMirror[] = R"(usage: zentrava-cli mirror TARGET REMOTEDIR LOCALDIR [options]
  Makes LOCALDIR a copy of REMOTEDIR's contents (--reverse: REMOTEDIR a copy of LOCALDIR's),
  creating the target folder with its parents. Files whose size and modification time match the
  other side's are skipped.
options:
  --reverse          upload: LOCALDIR is the source, REMOTEDIR the target
  --only-newer       copy only files newer than the other side's
  --delete           remove what the source does not have from the target folder
  --dry-run          print what would be copied and deleted; change nothing
  --exclude GLOB     leave out matching names or paths (repeatable)
  --include GLOB     take only matching files (repeatable)
  --parallel N       share the files out into N jobs
  --retries N  --retry-delay S  --password-file FILE  --verify crc|md5|sha1  --filter
  --accept-certificate  --accept-host-key  --trust
)";

const char kShell[] =
    R"(usage: zentrava-cli shell TARGET [-b FILE] [-v] [--password-file FILE] [--accept-certificate]
                          [--accept-host-key] [--trust]
  a session with a saved site (its path) or an address: ls, cd, pwd, mkdir, rm, rmdir [-r], mv,
  rename, chmod MODE NAME, quote, get, put, back, history, quit
options:
  -b FILE               run a file ("-": standard input) and stop at the first failure
  -v                    show the session log
)";

const char kPack[] = R"(usage: zentrava-cli pack zip|cab|targz PATH... [-o DIR]
  pack files and folders into one archive (in DIR); prints its path
)";

const char kUnpack[] = R"(usage: zentrava-cli unpack ARCHIVE.zip [--password W]
  extract a zip beside it, into the folder of its name (--password: that of an encrypted zip)
)";

const char kKeygen[] = R"(usage: zentrava-cli keygen [--type ed25519|rsa|dsa] [--bits 512|1024|2048|4096]
         [--passphrase W | --passphrase-file FILE] [--private PATH] [--public PATH]
  make an SSH key pair (default: Ed25519 in OpenSSH's format, identity.key and identity.pub in the
  Security folder; --bits sizes RSA and DSA keys, default 1024; current servers refuse DSA)
options:
  --passphrase-file FILE  the pass phrase is the file's first line
)";

const char kCertgen[] =
    R"(usage: zentrava-cli certgen --name N [--out DIR] [--bits 512|1024|2048|4096] [--expires YYYY-MM-DD]
         [--cn NAME] [--org O] [--unit U] [--country CC] [--state S] [--city C] [--email E]
         [--passphrase W | --passphrase-file FILE]
  make an RSA key and a self-signed certificate, N.key and N.crt
options:
  --passphrase-file FILE  the pass phrase is the file's first line
)";

const char kCert[] = R"(usage: zentrava-cli cert show FILE
  issuer, subject, expiry and every field of a certificate
)";

// The options of the commands that connect, in the order they are shown; each command picks its own.
const std::pair<const char*, const char*> kConnectionOptions[] = {
    {"password-file", "  --password-file FILE  the password is the file's first line (it then stays out of "
                      "the process list)\n"},
    {"resume", "  --resume              continue a partial file (get: the local one, put: the remote one)\n"},
    {"ascii", "  --ascii               ASCII mode: CR LF on the wire, LF on disk\n"},
    {"active", "  --active              active data connections (EPRT/PORT) instead of passive ones\n"},
    {"accept-certificate",
     "  --accept-certificate  take the server's TLS certificate for this run without asking. Otherwise a\n"
     "                        certificate that the system does not verify, and that was not accepted for\n"
     "                        this host and port (or accepted once and made out for this host), is asked\n"
     "                        about on a terminal (yes for this run, always, no) and refused elsewhere\n"},
    {"verbose", "  --verbose             the commands and replies on standard error (passwords masked)\n"},
    {"key", "  --key FILE            sftp: log in with this private key (OpenSSH or PEM format)\n"},
    {"passphrase-file", "  --passphrase-file FILE  sftp: the key's pass phrase is the file's first line\n"},
    {"accept-host-key",
     "  --accept-host-key     sftp: take a host key that is not known yet for this run; a key that differs\n"
     "                        from the one on record is always refused\n"},
    {"trust",
     "  --trust               keep what --accept-certificate or --accept-host-key takes, for this host and\n"
     "                        port: in certifates.xml or known_hosts in the data folder (as \"always\" "
     "does)\n"},
    {"proxy",
     "  --proxy URL           connect through a proxy, as scheme://[user[:password]@]host[:port]:\n"
     "                        socks4://, socks4a:// and socks5:// (the last two let the proxy resolve the\n"
     "                        host name), http:// (CONNECT), relay:// (dial the proxy in place of the\n"
     "                        server), or the FTP proxy log-in styles ftp-site://, ftp-open:// and\n"
     "                        ftp-user:// (FTP only); without it the settings' Proxy section applies\n"},
};

// The connection options' lines, but for those left out.
QString ConnectionOptions(std::initializer_list<const char*> leftOut)
{
    QString text;
    for (const auto& [name, lines] : kConnectionOptions)
        if (std::none_of(leftOut.begin(), leftOut.end(),
                         [&](const char* out) { return qstrcmp(out, name) == 0; }))
            text += QLatin1String(lines);
    return text;
}

} // namespace

QString CommandHelp(const QString& command)
{
    const QString transfer = QString(kUrl) + "options:\n" + ConnectionOptions({}) + kTarget + kQueueOptions;
    const std::pair<const char*, QString> texts[] = {
        {"sites", kSites},
        {"settings", kSettings},
        {"ls", QString(kLs) + kUrl + "options:\n" + ConnectionOptions({"resume", "ascii"})},
        {"get", kGet + transfer},
        {"put", kPut + transfer},
        {"mirror", kMirror},
        {"shell", kShell + ConnectionOptions(
                               {"resume", "ascii", "active", "verbose", "key", "passphrase-file", "proxy"})},
        {"pack", kPack},
        {"unpack", kUnpack},
        {"keygen", kKeygen},
        {"certgen", kCertgen},
        {"cert", kCert},
    };
    for (const auto& [name, text] : texts)
        if (command == QLatin1String(name))
            return text;
    return {};
}
