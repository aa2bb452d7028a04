#include "app/Translations.h"
#include "platform/SingleInstance.h"
#include "ui/frame/ZentravaApp.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
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
