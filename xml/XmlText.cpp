#include "xml/XmlText.h"

#include <climits>
#include <cstring>

namespace
{

struct SEntity
{
    const char* name; // without the leading "&", with the closing ";"
    char byte;
};

constexpr SEntity kEntities[] = {
    {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}, {"nbsp;", ' '},
};

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Matches the entity name at pos without regard to ASCII case.
bool MatchesEntity(const QByteArray& text, qsizetype pos, const char* name)
{
    const qsizetype length = qsizetype(std::strlen(name));
    return text.size() - pos >= length && qstrnicmp(text.constData() + pos, name, length) == 0;
}

// Reads a number the way "%lu" does: white space, an optional sign, decimal digits; saturates on overflow
// and negates in unsigned arithmetic. Gives false when no digit follows.
bool ReadUnsignedLong(const QByteArray& text, qsizetype pos, unsigned long& number)
{
    while (pos < text.size() && IsCSpace(text.at(pos)))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text.at(pos) == '+' || text.at(pos) == '-'))
        negative = text.at(pos++) == '-';
    if (pos >= text.size() || !IsDigit(text.at(pos)))
        return false;
    number = 0;
    for (; pos < text.size() && IsDigit(text.at(pos)); ++pos)
    {
        const unsigned long digit = static_cast<unsigned long>(text.at(pos) - '0');
        number = number > (ULONG_MAX - digit) / 10 ? ULONG_MAX : number * 10 + digit;
    }
    if (negative && number != ULONG_MAX)
        number = 0UL - number;
    return true;
}

// Decodes "&#...;" starting after "#"; gives the position after the closing ";" (or the end of text).
qsizetype DecodeCharacterReference(const QByteArray& text, qsizetype pos, QByteArray& out)
{
    unsigned long number = 0;
    if (ReadUnsignedLong(text, pos, number))
        out.append(static_cast<char>(number & 0xFF));
    const qsizetype semicolon = text.indexOf(';', pos);
    return semicolon < 0 ? text.size() : semicolon + 1;
}

// Decodes what follows an "&" at pos - 1; gives the position to continue from.
qsizetype DecodeAfterAmpersand(const QByteArray& text, qsizetype pos, QByteArray& out)
{
    for (const SEntity& entity : kEntities)
    {
        if (MatchesEntity(text, pos, entity.name))
        {
            out.append(entity.byte);
            return pos + qsizetype(std::strlen(entity.name));
        }
    }
    if (text.at(pos) == '#')
        return DecodeCharacterReference(text, pos + 1, out);
    out.append('&');
    return pos;
}

} // namespace

QByteArray EscapeXmlText(const QByteArray& text, bool escapeQuotes)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text)
    {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '&')
            out.append("&amp;");
        else if (c == '<')
            out.append("&lt;");
        else if (c == '>')
            out.append("&gt;");
        else if (escapeQuotes && c == '"')
            out.append("&quot;");
        else if (escapeQuotes && c == '\'')
            out.append("&apos;");
        else if (byte > 127)
            out.append("&#").append(QByteArray::number(byte)).append(';');
        else
            out.append(c);
    }
    return out;
}

QByteArray UnescapeXmlText(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size())
    {
        const char c = text.at(pos++);
        if (c != '&')
            out.append(c);
        else if (pos < text.size())
            pos = DecodeAfterAmpersand(text, pos, out);
    }
    return out;
}
