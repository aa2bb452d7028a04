#pragma once

#include <QStringList>
#include <QTextStream>

// zentrava-cli get TARGET REMOTE... -o DIR | put TARGET LOCAL... -r REMOTEDIR |
// mirror TARGET REMOTEDIR LOCALDIR [--reverse], run through the transfer queue and its workers.
// TARGET is a saved site path or an address; command is "get", "put" or "mirror".
int RunQueueCommand(const QString& command, const QStringList& words, QTextStream& out, QTextStream& err);

// True when the words ask for the queued form of get or put (they carry -o or -r).
bool IsQueueForm(const QString& command, const QStringList& words);
