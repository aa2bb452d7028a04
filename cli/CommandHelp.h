#pragma once

#include <QString>

// The usage and options of one command, e.g. "get"; empty for a command there is none of.
QString CommandHelp(const QString& command);
