// Passive replies: PASV (RFC 959), EPSV (RFC 2428).
#include "engine/ftp/PassiveReply.h"

#include <QRegularExpression>

std::optional<CSocketAddress> CPassiveReply::ParsePasv(const QByteArray& text)
{
    static const QRegularExpression numbers(
        QStringLiteral(R"((\d{1,3}),\s*(\d{1,3}),\s*(\d{1,3}),\s*(\d{1,3}),\s*(\d{1,3}),\s*(\d{1,3}))"));
    const QString reply = QString::fromLatin1(text.size() > 4 ? text.mid(4) : QByteArray());
    const QRegularExpressionMatch match = numbers.match(reply);
    if (!match.hasMatch())
        return std::nullopt;
    int value[6] = {};
    for (int i = 0; i < 6; ++i)
    {
        value[i] = match.captured(i + 1).toInt();
        if (value[i] > 255)
            return std::nullopt;
    }
    const QByteArray host = QByteArray::number(value[0]) + '.' + QByteArray::number(value[1]) + '.' +
                            QByteArray::number(value[2]) + '.' + QByteArray::number(value[3]);
    const int port = value[4] * 256 + value[5];
    if (port == 0)
        return std::nullopt;
    return CSocketAddress::FromNumeric(host, quint16(port));
}

std::optional<quint16> CPassiveReply::ParseEpsv(const QByteArray& text)
{
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.indexOf(')', open + 1);
    if (open < 0 || close < 0 || close - open < 6)
        return std::nullopt;
    const QByteArray inside = text.mid(open + 1, close - open - 1);
    const char delimiter = inside[0];
    if (delimiter < 33 || delimiter > 126 || inside[1] != delimiter || inside[2] != delimiter ||
        !inside.endsWith(delimiter))
        return std::nullopt;
    const QByteArray digits = inside.mid(3, inside.size() - 4);
    if (digits.isEmpty() || digits.size() > 5)
        return std::nullopt;
    uint port = 0;
    for (const char c : digits)
    {
        if (c < '0' || c > '9')
            return std::nullopt;
        port = port * 10 + uint(c - '0');
    }
    if (port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

CSocketAddress CPassiveReply::Choose(const CSocketAddress& offered, const CSocketAddress& controlPeer)
{
    if (offered.SameHost(controlPeer) || offered.IsPublic())
        return offered;
    CSocketAddress substitute = controlPeer;
    substitute.SetPort(offered.Port());
    return substitute;
}

QByteArray CPassiveReply::PortArgument(const CSocketAddress& address)
{
    QByteArray text = address.Host().replace('.', ',');
    return text + ',' + QByteArray::number(address.Port() / 256) + ',' +
           QByteArray::number(address.Port() % 256);
}
