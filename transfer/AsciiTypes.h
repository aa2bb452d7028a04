#pragma once

#include "transfer/TransferModeTarget.h"

#include <QStringList>

// Transfer types of a queue item (a site's TransferType uses the same values).
enum TransferType
{
    TransferTypeProgramWide = 0,
    TransferTypeAutomatic = 1,
    TransferTypeAscii = 2,
    TransferTypeBinary = 3
};

// The extensions (without the dot) sent in ASCII mode when none are stored.
QStringList DefaultAsciiTypes();
// The stored list; the defaults only when no list is stored at all (an oversized one gives an empty list).
QStringList LoadAsciiTypes();
// False when the list would not fit in the store; the stored list then stays as it was.
bool SaveAsciiTypes(const QStringList& extensions);

// The mode for one file: type 0 follows the program-wide setting; automatic compares the part after the
// file name's last dot (the whole name without one) with the ASCII list, without case.
TransferMode TransferModeFor(int itemTransferType, const QString& fileName);
// Switches the target to the mode for this file; workers call it before each file.
void ChooseTransferMode(int itemTransferType, const QString& fileName, ITransferModeTarget& target);
