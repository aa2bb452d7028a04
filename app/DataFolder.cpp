#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{

const char kHomeVariable[] = "ZENTRAVA_HOME";
const char kOrganisation[] = "Mollberg, Inc.";
const char kApplication[] = "Zentrava Pro 3.1";
const char kDataFolderName[] = "Zentrava Pro";

QString HomeOverride()
{
    return qEnvironmentVariable(kHomeVariable);
}

} // namespace

QString CDataFolder::ProgramFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

QString CDataFolder::Path()
{
    const QString home = HomeOverride();
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    const QDir program(ProgramFolder());
    if (program.exists(QStringLiteral("sites.xml")) || program.exists(QStringLiteral("certifates.xml")))
        return program.absolutePath();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' +
           QLatin1String(kDataFolderName);
}

QString CDataFolder::FilePath(const QString& name)
{
    return Path() + u'/' + name;
}

bool CDataFolder::Ensure()
{
    return QDir().mkpath(Path());
}

QString CDataFolder::SettingsFile()
{
    const QString file = QLatin1String(kApplication) + QLatin1String(".ini");
    const QString home = HomeOverride();
    if (!home.isEmpty())
        return QDir(home).absoluteFilePath(file);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QLatin1String(kOrganisation) + u'/' + file;
}
