#pragma once

#include "app/StoredFileLoad.h"

#include <QDateTime>
#include <QString>

// Moves a stored file that exists but cannot be read out of the way, so that writing a new one in its
// place loses nothing. The file keeps its bytes under "NAME.damaged-YYYYMMDD-HHMMSS" beside it, with a
// number added when that name is taken; an existing file is never replaced.
class CDamagedFile
{
public:
    static CStoredFileLoad SetAside(const QString& path,
                                    const QDateTime& when = QDateTime::currentDateTime());
};
