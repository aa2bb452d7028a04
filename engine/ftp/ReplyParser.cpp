#include "engine/ftp/ReplyParser.h"

#include <QRegularExpression>

namespace
{
bool IsHex(const QByteArray& text)
{
    for (const char c : text)
    {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return !text.isEmpty();
}

bool FitsKind(const QByteArray& hex, ChecksumKind kind)
{
    switch (kind)
    {
    case ChecksumKind::Crc32:
        return hex.size() <= 8;
    case ChecksumKind::Md5:
        return hex.size() == 32;
    case ChecksumKind::Sha1:
        return hex.size() == 40;
    }
    return false;
}

QList<QByteArray> Words(const FtpReply& reply)
{
    return reply.LastText().simplified().split(' ');
}
} // namespace

QByteArray CReplyParser::QuotedPath(const FtpReply& reply)
{
    const QByteArray text = reply.LastText();
    const qsizetype open = text.indexOf('"');
    if (open < 0)
        return text.split(' ').value(0);
    QByteArray path;
    for (qsizetype i = open + 1; i < text.size(); ++i)
    {
        if (text[i] != '"')
            path.append(text[i]);
        else if (i + 1 < text.size() && text[i + 1] == '"')
            path.append(text[++i]);
        else
            break;
    }
    return path;
}

qint64 CReplyParser::TransferSize(const FtpReply& reply)
{
    static const QRegularExpression bytes(QStringLiteral(R"(\((\d+) bytes\))"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = bytes.match(QString::fromLatin1(reply.Text()));
    bool ok = false;
    const qint64 size = match.hasMatch() ? match.captured(1).toLongLong(&ok) : -1;
    return ok ? size : -1;
}

QDateTime CReplyParser::Timestamp(const QByteArray& text)
{
    static const QRegularExpression form(QStringLiteral(R"(^(\d{14})(?:\.(\d{1,3}))?$)"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(text.trimmed()));
    if (!match.hasMatch())
        return {};
    QDateTime time = QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMddHHmmss"));
    if (!time.isValid())
        return {};
    time.setTimeSpec(Qt::UTC);
    const QString fraction = match.captured(2);
    return fraction.isEmpty() ? time : time.addMSecs(fraction.leftJustified(3, QLatin1Char('0')).toInt());
}

QByteArray CReplyParser::TimestampText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
}

QByteArray CReplyParser::HashChecksum(const FtpReply& reply)
{
    const QList<QByteArray> words = Words(reply);
    if (words.size() < 3 || !IsHex(words[2]))
        return {};
    return NormaliseChecksum(words[2]);
}

QByteArray CReplyParser::CommandChecksum(const FtpReply& reply, ChecksumKind kind)
{
    for (QByteArray word : Words(reply))
    {
        if (word.startsWith("0x") || word.startsWith("0X"))
            word = word.mid(2);
        if (!IsHex(word) || !FitsKind(word, kind))
            continue;
        if (kind == ChecksumKind::Crc32)
            word = word.rightJustified(8, '0');
        return NormaliseChecksum(word);
    }
    return {};
}
