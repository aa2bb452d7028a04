#pragma once

#include <QByteArray>
#include <QString>

// Remote names are bytes, and not every server's bytes are UTF-8. As text, a byte that is not part of
// valid UTF-8 is kept as a lone low surrogate (U+DC80 + byte), so a name read from a listing goes back
// to the server exactly as it came; valid UTF-8 reads and writes as usual.
class CRemoteName
{
public:
    static QString ToText(const QByteArray& bytes);
    static QByteArray ToBytes(const QString& text);
    // The name for a local file: every byte that could not be read becomes U+FFFD.
    static QString LocalName(const QString& text);

private:
    // The byte a character stands for, or -1 when it is an ordinary character.
    static int EscapedByte(const QString& text, qsizetype i);
};
