#include "app/StringList.h"

#include "app/Archive.h"

QByteArray CStringList::SerializeStrings(const QList<QByteArray>& strings)
{
    CArchiveWriter writer;
    writer.WriteCount(quint32(strings.size()));
    for (const QByteArray& s : strings)
        writer.WriteString(s);
    return writer.Bytes();
}

bool CStringList::DeserializeStrings(const QByteArray& bytes, QList<QByteArray>& strings)
{
    CArchiveReader reader(bytes);
    quint32 count = 0;
    if (!reader.ReadCount(count))
        return false;
    // Every string takes at least one byte, so a larger count cannot be genuine.
    if (count > quint64(reader.Remaining()))
        return false;
    QList<QByteArray> result;
    result.reserve(count);
    for (quint32 i = 0; i < count; ++i)
    {
        QByteArray s;
        if (!reader.ReadString(s))
            return false;
        result.append(s);
    }
    if (!reader.AtEnd())
        return false;
    strings = std::move(result);
    return true;
}

QByteArray CStringList::Serialize() const
{
    QList<QByteArray> strings;
    strings.reserve(m_items.size());
    for (const QString& item : m_items)
        strings.append(item.toUtf8());
    return SerializeStrings(strings);
}

bool CStringList::Deserialize(const QByteArray& bytes)
{
    QList<QByteArray> strings;
    if (!DeserializeStrings(bytes, strings))
        return false;
    m_items.clear();
    for (const QByteArray& s : strings)
        m_items.append(QString::fromUtf8(s));
    return true;
}
