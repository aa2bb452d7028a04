#include "transfer/PassiveReply.h"

#include <QStringList>

namespace
{
constexpr int kByteMax = 255;

std::optional<int> ByteValue(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > kByteMax)
        return std::nullopt;
    return value;
}
} // namespace

QString CPassiveAddress::PortArgument() const
{
    return QStringLiteral("%1,%2,%3").arg(host).arg(port / 256).arg(port % 256);
}

std::optional<CPassiveAddress> ParsePassiveReply(const QString& reply)
{
    const qsizetype open = reply.indexOf(u'(');
    QString inner = reply.mid(open + 1);
    const qsizetype close = inner.indexOf(u')');
    if (close >= 0)
        inner.truncate(close);
    const QStringList parts = inner.split(u',');
    if (parts.size() != 6)
        return std::nullopt;
    int values[6] = {};
    for (int i = 0; i < 6; ++i)
    {
        const std::optional<int> value = ByteValue(parts[i]);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    const QString host =
        QStringLiteral("%1,%2,%3,%4").arg(values[0]).arg(values[1]).arg(values[2]).arg(values[3]);
    return CPassiveAddress{host, values[4] * 256 + values[5]};
}
