#pragma once

#include <QIcon>
#include <QString>

// The desktop's icon for a file name's type, found from its extension alone (the file need not
// exist), or the folder icon.
QIcon FileTypeIcon(const QString& name, bool folder);
