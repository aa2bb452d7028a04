#pragma once

#include <QStringList>
#include <QTextStream>

// zentrava-cli ls URL | get URL [LOCALPATH] | put LOCALPATH URL on one blocking connection, with
// --password-file FILE, --resume, --ascii, --active, the trust options, --key, --passphrase-file, --proxy
// and --verbose. command is "ls", "get" or "put".
int RunTransferCommand(const QString& command, const QStringList& words, QTextStream& out, QTextStream& err);
