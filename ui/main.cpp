#include "app/Translations.h"
#include "platform/SingleInstance.h"
#include "ui/frame/ZentravaApp.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

namespace
{
const char kUsage[] =
    "usage: zentrava [SITE-PATH | ADDRESS]\n"
    "\n"
    "Starts the desktop client with a connection window; when zentrava already runs, that window\n"
    "opens there.\n"
    "\n"
    "  SITE-PATH  a saved site, its folders separated by \"\\\" (for example Work\\Backup)\n"
    "  ADDRESS    scheme://[user[:password]@]host[:port][/path] with the scheme ftp, ftps (implicit\n"
    "             TLS), ftpes (explicit TLS) or sftp, for example ftp://user@host/\n"
    "\n"
    "  --help     this text\n"
    "  --version  the program's version and that of Qt\n";
}

int main(int argc, char* argv[])
{
    // Answered before the application object exists, so they need no display.
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0)
    {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0)
    {
        std::printf("zentrava %s\nQt %s\n", ZENTRAVA_VERSION, qVersion());
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zentrava Pro"));
    QApplication::setApplicationVersion(QStringLiteral(ZENTRAVA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zentrava"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("zentrava"), QIcon(QStringLiteral(":/zentrava.svg"))));
    CTranslations::Install(application, CTranslations::FromSettings());

    CZentravaApp program;
    if (program.Start(QApplication::arguments(), CSingleInstance::DefaultServerName()) ==
        CZentravaApp::StartResult::HandedOver)
        return 0;
    return QApplication::exec();
}
