#pragma once

#include "transfer/FtpListItem.h"

#include <QList>

// The question asked before deleting the selected rows, the parent row left out: one folder, one file
// or the count of several. Empty when nothing is left to delete.
QString DeleteConfirmationText(const QList<CFtpListItem>& selected);
