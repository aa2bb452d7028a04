#pragma once

#include <QStringList>
#include <QTextStream>

// zentrava-cli settings get SECTION KEY | settings set SECTION KEY VALUE...
int RunSettingsCommand(const QStringList& words, QTextStream& out, QTextStream& err);
