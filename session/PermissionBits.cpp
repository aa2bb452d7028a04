#include "session/PermissionBits.h"

namespace
{

struct PermissionFlag
{
    int bit;
    char letter;
};

// In the order of the permission text after its type letter.
constexpr PermissionFlag kFlags[] = {{0x400, 'r'}, {0x200, 'w'}, {0x100, 'x'}, {0x40, 'r'}, {0x20, 'w'},
                                     {0x10, 'x'},  {0x4, 'r'},   {0x2, 'w'},   {0x1, 'x'}};

} // namespace

int ParsePermissionBits(QStringView text)
{
    if (text.size() < 10)
        return 0;
    int bits = 0;
    for (int i = 0; i < 9; ++i)
    {
        if (text[i + 1].toLower() == QLatin1Char(kFlags[i].letter))
            bits |= kFlags[i].bit;
    }
    return bits;
}

QString PermissionText(int bits, bool isFolder)
{
    QString text(isFolder ? u'd' : u'-');
    for (const PermissionFlag& flag : kFlags)
        text += QLatin1Char((bits & flag.bit) ? flag.letter : '-');
    return text;
}

QString PermissionNumber(int bits)
{
    return QString::number(bits, 16).toUpper();
}

std::optional<int> PermissionBitsFromNumber(QStringView number)
{
    if (number.size() != 3)
        return std::nullopt;
    int bits = 0;
    for (QChar digit : number)
    {
        // Only octal digits name boxes; 8, 9 or a letter would set bits that no box shows.
        if (digit < u'0' || digit > u'7')
            return std::nullopt;
        bits = bits * 16 + (digit.unicode() - u'0');
    }
    return bits;
}

QString SiteChmodCommand(int bits, const QString& name)
{
    return QStringLiteral("SITE CHMOD ") + QString::number(bits, 16) + u' ' + name;
}
