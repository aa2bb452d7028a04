#pragma once

#include <QByteArray>
#include <QList>

// One complete server reply (RFC 959 section 4.2): the code and every line as received, CR LF removed.
struct FtpReply
{
    int code = 0;
    QList<QByteArray> lines;

    bool IsPreliminary() const { return code >= 100 && code < 200; }
    bool IsPositive() const { return code >= 200 && code < 300; }
    bool IsIntermediate() const { return code >= 300 && code < 400; }
    // All lines joined by LF, codes included: "530 Login incorrect."
    QByteArray Text() const { return lines.join('\n'); }
    // The last line without its code: "213 20240102030405" gives "20240102030405".
    QByteArray LastText() const { return lines.isEmpty() ? QByteArray() : lines.last().mid(4).trimmed(); }
};
