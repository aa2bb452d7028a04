#pragma once

#include <QByteArray>

// Files written by the Windows program hold text in its ANSI code page, Big5 (CP950). We keep UTF-8.
bool IsValidUtf8(const QByteArray& bytes);

// Gives valid UTF-8 unchanged; anything else is read as Big5 and converted, and bytes that are not Big5
// either become U+FFFD.
QByteArray LegacyTextToUtf8(const QByteArray& bytes);
