#pragma once

#include <QString>

// "[" and the calling operating-system thread's id and "]": the start of every session log line.
QString ThreadTag();

// A command or reply as one log line: CR removed, LF become spaces, other control characters shown as
// escapes.
QString CleanLogLine(const QString& text);

// A cleaned command line; a PASS command (IsPasswordCommand) becomes "PASS " and as many stars as the
// line is long less four while "Security" "MaskPassword" is set. Other commands stay as they are, even
// when they contain the letters PASS.
QString MaskedCommandLine(const QString& cleaned);

// Every "//" made "/" until none is left.
QString CollapseSlashes(QString path);

// The folder without its trailing "/" ("/" stays as it is).
QString WithoutTrailingSlash(QString folder);
