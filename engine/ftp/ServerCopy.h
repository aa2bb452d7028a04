#pragma once

#include "engine/ftp/FtpClient.h"
#include "engine/FtpResult.h"

#include <QString>

class CRemoteConnection;

// Copies one file straight from one FTP server to another, the bytes never passing through here: the
// source opens a passive port, the destination is pointed at it with PORT and told to STOR, and once
// it is ready the source is told to RETR. Both sides are told the type first. When the copy fails
// after the destination was told to store, the destination is connected again (its reply to STOR
// would otherwise come in place of the next command's) and returns to its folder.
FtpResult CopyBetweenServers(CRemoteConnection& source, const QString& sourcePath,
                             CRemoteConnection& destination, const QString& targetPath, FtpTransferType type);
