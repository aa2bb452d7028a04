#include "cli/ExitCodes.h"
#include "cli/SettingsCommand.h"
#include "cli/SitesCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace
{

const char kUsage[] = R"(usage: zentrava-cli [--home DIR] COMMAND ...

Commands:
  sites list                         every saved site path, one per line
  sites show PATH [--show-password]  the fields of one saved site
  sites add --name N --address A [--port P] [--login L] [--password W]
            [--folder F\G] [--protocol 0..3] [--remote-path R] [--local-path D]
                                     add a site, or update the same-named one
  settings get SECTION KEY           one value of the settings store
  settings set SECTION KEY VALUE...  change it (a list takes one VALUE per item)
  help                               this text

Options:
  --home DIR   keep sites, certificates and settings in DIR (as ZENTRAVA_HOME does)

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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentrava-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList words = QCoreApplication::arguments().mid(1);
    if (!TakeHomeOption(words, err))
        return ExitUsage;
    const QString command = words.value(0);
    const QStringList rest = words.mid(1);
    if (command == QLatin1String("sites"))
        return RunSitesCommand(rest, out, err);
    if (command == QLatin1String("settings"))
        return RunSettingsCommand(rest, out, err);
    if (command == QLatin1String("help") || command == QLatin1String("--help") ||
        command == QLatin1String("-h"))
    {
        out << kUsage;
        return ExitSuccess;
    }
    if (command.isEmpty())
        err << kUsage;
    else
        err << "zentrava-cli: unknown command: " << command << "\n\n" << kUsage;
    return ExitUsage;
}
