#include "engine/RemoteName.h"

namespace
{
constexpr char16_t kEscapeBase = 0xDC00;

// The length of the UTF-8 sequence a lead byte starts.
qsizetype SequenceLength(uchar lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}
} // namespace

QString CRemoteName::ToText(const QByteArray& bytes)
{
    if (QByteArrayView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 0; i < bytes.size();)
    {
        const qsizetype length = SequenceLength(uchar(bytes[i]));
        const QByteArrayView sequence = QByteArrayView(bytes).sliced(i, qMin(length, bytes.size() - i));
        if (length > 0 && sequence.size() == length && sequence.isValidUtf8())
        {
            text += QString::fromUtf8(sequence);
            i += length;
            continue;
        }
        text += QChar(char16_t(kEscapeBase + uchar(bytes[i])));
        ++i;
    }
    return text;
}

int CRemoteName::EscapedByte(const QString& text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    // A low surrogate after a high one is half of an ordinary character.
    if (c < kEscapeBase + 0x80 || c > kEscapeBase + 0xFF || (i > 0 && text[i - 1].isHighSurrogate()))
        return -1;
    return c - kEscapeBase;
}

QByteArray CRemoteName::ToBytes(const QString& text)
{
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        const int byte = EscapedByte(text, i);
        if (byte < 0)
            continue;
        bytes += QStringView(text).mid(start, i - start).toUtf8();
        bytes += char(byte);
        start = i + 1;
    }
    return bytes + QStringView(text).mid(start).toUtf8();
}

QString CRemoteName::LocalName(const QString& text)
{
    QString name = text;
    for (qsizetype i = 0; i < name.size(); ++i)
    {
        if (EscapedByte(text, i) >= 0)
            name[i] = QChar::ReplacementCharacter;
    }
    return name;
}
