#pragma once

#include <QByteArray>

// The little-endian archive form that stored objects use: counts, 32-bit numbers and
// length-prefixed byte strings (one-byte length below 255, else 0xFF and a 16-bit length,
// else 0xFF 0xFFFF and a 32-bit length).
class CArchiveWriter
{
public:
    void WriteCount(quint32 count);
    void WriteInt32(qint32 value);
    void WriteString(const QByteArray& bytes);
    const QByteArray& Bytes() const { return m_bytes; }

private:
    void Append16(quint16 value);
    void Append32(quint32 value);

    QByteArray m_bytes;
};

// Every read checks the bounds first and gives false when the bytes run out or make no sense.
class CArchiveReader
{
public:
    explicit CArchiveReader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool ReadCount(quint32& count);
    bool ReadInt32(qint32& value);
    bool ReadString(QByteArray& bytes);
    bool AtEnd() const { return m_pos == m_bytes.size(); }
    qsizetype Remaining() const { return m_bytes.size() - m_pos; }

private:
    bool ReadLe(int width, quint32& value);

    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};
