#pragma once

#include "app/Serializable.h"

#include <QStringList>

// A list of strings in the archive form every stored list uses: a 16-bit count, then each string
// with a one-byte length (0xFF plus a 16-bit length from 255 bytes on) and its UTF-8 bytes.
class CStringList : public ISerializable
{
public:
    CStringList() = default;
    explicit CStringList(QStringList items) : m_items(std::move(items)) {}

    const QStringList& Items() const { return m_items; }
    QStringList& Items() { return m_items; }

    QByteArray Serialize() const override;
    bool Deserialize(const QByteArray& bytes) override;

    static QByteArray SerializeStrings(const QList<QByteArray>& strings);
    static bool DeserializeStrings(const QByteArray& bytes, QList<QByteArray>& strings);

private:
    QStringList m_items;
};
