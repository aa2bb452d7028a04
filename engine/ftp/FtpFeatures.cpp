// FEAT replies (RFC 2389); HASH per draft-bryan-ftp-hash.
#include "engine/ftp/FtpFeatures.h"

CFtpFeatures CFtpFeatures::Parse(const FtpReply& reply)
{
    CFtpFeatures features;
    if (!reply.IsPositive())
        return features;
    // The first and the last line carry the code; each feature line in between starts with a space.
    for (qsizetype i = 1; i + 1 < reply.lines.size(); ++i)
    {
        const QByteArray line = reply.lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype space = line.indexOf(' ');
        const QByteArray name = (space < 0 ? line : line.left(space)).toUpper();
        features.m_features.insert(name, space < 0 ? QByteArray() : line.mid(space + 1).trimmed());
    }
    return features;
}

QList<QByteArray> CFtpFeatures::HashAlgorithms() const
{
    QList<QByteArray> names;
    for (QByteArray name : Parameters("HASH").split(';'))
    {
        name = name.trimmed().toUpper();
        if (name.endsWith('*'))
            name.chop(1);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

QByteArray CFtpFeatures::SelectedHash() const
{
    for (const QByteArray& name : Parameters("HASH").split(';'))
    {
        if (name.trimmed().endsWith('*'))
            return name.trimmed().chopped(1).toUpper();
    }
    return {};
}
