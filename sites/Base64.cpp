#include "sites/Base64.h"

#include <array>

namespace
{

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr qsizetype kGroupsPerLine = 19;
constexpr qsizetype kCharsPerLine = kGroupsPerLine * 4;

constexpr std::array<qint8, 256> MakeDecodeTable()
{
    std::array<qint8, 256> table{};
    table.fill(-1);
    for (int value = 0; value < 64; ++value)
        table[static_cast<unsigned char>(kAlphabet[value])] = static_cast<qint8>(value);
    return table;
}

constexpr std::array<qint8, 256> kDecodeTable = MakeDecodeTable();

// Writes the four characters of up to three bytes; `count` bytes are real, the rest is "=" padding.
char* WriteGroup(const unsigned char* data, qsizetype count, char* out)
{
    quint32 bits = 0;
    for (qsizetype i = 0; i < 3; ++i)
        bits = bits << 8 | (i < count ? data[i] : 0u);
    for (qsizetype i = 0; i < 4; ++i)
        *out++ = i <= count ? kAlphabet[(bits >> (18 - 6 * i)) & 0x3F] : '=';
    return out;
}

struct SDecodedGroup
{
    quint32 bits = 0;
    int chars = 0;
};

// Reads up to four alphabet characters from `*pos` on, skipping everything else.
SDecodedGroup ReadGroup(const char* text, qsizetype length, qsizetype* pos)
{
    SDecodedGroup group;
    while (group.chars < 4 && *pos < length)
    {
        const qint8 value = kDecodeTable[static_cast<unsigned char>(text[(*pos)++])];
        if (value < 0)
            continue;
        group.bits = group.bits << 6 | static_cast<quint32>(value);
        ++group.chars;
    }
    group.bits <<= 6 * (4 - group.chars);
    return group;
}

} // namespace

qsizetype Base64EncodedLength(qsizetype length)
{
    if (length < 0)
        return 0;
    const qsizetype padded = (length + 2) / 3 * 4;
    const qsizetype lines = (padded + kCharsPerLine - 1) / kCharsPerLine;
    return padded + 2 * lines + 2;
}

bool Base64Encode(const unsigned char* data, qsizetype length, char* out, qsizetype* outLength)
{
    if (length < 0 || (length > 0 && !data) || !out || !outLength)
        return false;
    if (*outLength < Base64EncodedLength(length))
        return false;

    char* end = out;
    const qsizetype fullGroups = length / 3;
    for (qsizetype group = 1; group <= fullGroups; ++group)
    {
        end = WriteGroup(data + 3 * (group - 1), 3, end);
        if (group % kGroupsPerLine == 0)
        {
            *end++ = '\r';
            *end++ = '\n';
        }
    }
    if (length % 3 != 0)
        end = WriteGroup(data + 3 * fullGroups, length % 3, end);
    *outLength = end - out;
    return true;
}

bool Base64Decode(const char* text, qsizetype length, unsigned char* out, qsizetype* outLength)
{
    if (length < 0 || (length > 0 && !text) || !outLength || *outLength < 0 || (*outLength > 0 && !out))
        return false;

    const qsizetype capacity = *outLength;
    qsizetype written = 0;
    qsizetype pos = 0;
    while (pos < length)
    {
        const SDecodedGroup group = ReadGroup(text, length, &pos);
        const int bytes = group.chars * 6 / 8;
        if (written + bytes > capacity)
            break;
        for (int i = 0; i < bytes; ++i)
            out[written++] = static_cast<unsigned char>(group.bits >> (16 - 8 * i));
    }
    *outLength = written;
    return true;
}

QByteArray Base64Encode(const QByteArray& data)
{
    QByteArray text(Base64EncodedLength(data.size()), Qt::Uninitialized);
    qsizetype length = text.size();
    if (!Base64Encode(reinterpret_cast<const unsigned char*>(data.constData()), data.size(), text.data(),
                      &length))
        return {};
    text.truncate(length);
    return text;
}

QByteArray Base64Decode(const QByteArray& text)
{
    // Four characters never give more than three bytes, so a buffer as long as the text always suffices.
    QByteArray data(text.size(), Qt::Uninitialized);
    qsizetype length = data.size();
    if (!Base64Decode(text.constData(), text.size(), reinterpret_cast<unsigned char*>(data.data()), &length))
        return {};
    data.truncate(length);
    return data;
}
