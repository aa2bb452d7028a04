#include "ui/transfers/CachedTransferSettings.h"

#include "app/Profile.h"

CCachedTransferSettings CCachedTransferSettings::Read()
{
    const QString section = QStringLiteral("Settings");
    CCachedTransferSettings settings;
    settings.forceParallelTransfers = GetProfileInt(section, QStringLiteral("ForceParallelTransfers")) != 0;
    settings.transferMax = GetProfileInt(section, QStringLiteral("TransferMax"));
    settings.connectionTimeout = GetProfileInt(section, QStringLiteral("ConnectionTimeout"));
    settings.removeFailed = GetProfileInt(section, QStringLiteral("RemoveFailed")) != 0;
    settings.preserveRemoteTimeStamp = GetProfileInt(section, QStringLiteral("PreserveRemoteTimeStamp")) != 0;
    settings.preserveLocalTimeStamp = GetProfileInt(section, QStringLiteral("PreserveLocalTimeStamp")) != 0;
    return settings;
}
