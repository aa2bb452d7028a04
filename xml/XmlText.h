#pragma once

#include <QByteArray>

// Text escaping of the element tree files. Both work on bytes: every byte above 127 is written as its own
// decimal character reference, so the files stay pure ASCII in their text parts.
QByteArray EscapeXmlText(const QByteArray& text, bool escapeQuotes = false);
QByteArray UnescapeXmlText(const QByteArray& text);
