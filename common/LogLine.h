#pragma once

#include <QString>

// "[" and the calling operating-system thread's id and "]": the start of every session log line.
QString ThreadTag();

// A command or reply as one log line: CR removed, LF become spaces, other control characters shown as
// escapes.
QString CleanLogLine(const QString& text);

// A cleaned command line; a PASS command becomes "PASS " and stars while "Security" "MaskPassword" is
// set (other commands that merely contain the letters stay as they are).
QString MaskedCommandLine(const QString& cleaned);

// Every "//" made "/" until none is left.
QString CollapseSlashes(QString path);

// The folder without its trailing "/" ("/" stays as it is).
QString WithoutTrailingSlash(QString folder);
