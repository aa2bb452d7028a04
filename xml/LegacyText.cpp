#include "xml/LegacyText.h"

#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace
{

const QByteArray kReplacement("\xEF\xBF\xBD");

iconv_t OpenBig5Converter()
{
    iconv_t converter = iconv_open("UTF-8", "CP950");
    if (converter == reinterpret_cast<iconv_t>(-1))
        converter = iconv_open("UTF-8", "BIG5");
    return converter;
}

QByteArray ReplaceNonAscii(const QByteArray& bytes)
{
    QByteArray out;
    for (const char c : bytes)
    {
        if (static_cast<unsigned char>(c) < 0x80)
            out.append(c);
        else
            out.append(kReplacement);
    }
    return out;
}

// Converts as much as iconv accepts; each byte it refuses becomes one U+FFFD and conversion resumes after it.
QByteArray ConvertSkippingInvalid(iconv_t converter, const QByteArray& bytes)
{
    QByteArray out;
    char* source = const_cast<char*>(bytes.constData());
    size_t sourceLeft = size_t(bytes.size());
    char buffer[512];
    while (sourceLeft > 0)
    {
        char* target = buffer;
        size_t targetLeft = sizeof(buffer);
        const size_t result = iconv(converter, &source, &sourceLeft, &target, &targetLeft);
        out.append(buffer, target - buffer);
        if (result == size_t(-1) && errno != E2BIG)
        {
            out.append(kReplacement);
            ++source;
            --sourceLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(bytes);
    return !decoder.hasError();
}

QByteArray LegacyTextToUtf8(const QByteArray& bytes)
{
    if (IsValidUtf8(bytes))
        return bytes;
    iconv_t converter = OpenBig5Converter();
    if (converter == reinterpret_cast<iconv_t>(-1))
        return ReplaceNonAscii(bytes);
    const QByteArray out = ConvertSkippingInvalid(converter, bytes);
    iconv_close(converter);
    return out;
}
