#pragma once

#include <QString>

// Text that came from a server and goes to a terminal or a window. A control character there could
// move the cursor, set a window title or start a new line of its own, so each one is written out as an
// escape ("\x1b", "\u2028"); printable text of any script stays as it is.
enum class LineBreaks
{
    Escaped, // one line: names, single log lines
    Kept     // a message of several lines: LF stays a line break
};

QString VisibleText(const QString& text, LineBreaks breaks = LineBreaks::Escaped);
// True when the text holds a character that VisibleText escapes: such a name never becomes a local
// file name.
bool HasControlCharacters(const QString& text);
