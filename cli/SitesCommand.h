#pragma once

#include <QStringList>
#include <QTextStream>

// zentrava-cli sites list | sites show PATH [--show-password] | sites add --name N --address A ...
int RunSitesCommand(const QStringList& words, QTextStream& out, QTextStream& err);
