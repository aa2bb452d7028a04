#pragma once

#include <QByteArray>

#include <iconv.h>

// Big5 bytes as the Windows program stores them, made from a UTF-8 literal.
inline QByteArray Big5(const QByteArray& utf8)
{
    iconv_t converter = iconv_open("CP950", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray out(utf8.size() * 2, '\0');
    char* source = const_cast<char*>(utf8.constData());
    size_t sourceLeft = size_t(utf8.size());
    char* target = out.data();
    size_t targetLeft = size_t(out.size());
    const size_t result = iconv(converter, &source, &sourceLeft, &target, &targetLeft);
    iconv_close(converter);
    if (result == size_t(-1))
        return {};
    out.truncate(out.size() - qsizetype(targetLeft));
    return out;
}
