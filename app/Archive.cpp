#include "app/Archive.h"

void CArchiveWriter::Append16(quint16 value)
{
    m_bytes.append(char(value & 0xFF));
    m_bytes.append(char(value >> 8));
}

void CArchiveWriter::Append32(quint32 value)
{
    Append16(quint16(value & 0xFFFF));
    Append16(quint16(value >> 16));
}

void CArchiveWriter::WriteCount(quint32 count)
{
    if (count < 0xFFFF)
    {
        Append16(quint16(count));
        return;
    }
    Append16(0xFFFF);
    Append32(count);
}

void CArchiveWriter::WriteInt32(qint32 value)
{
    Append32(quint32(value));
}

void CArchiveWriter::WriteString(const QByteArray& bytes)
{
    const qsizetype length = bytes.size();
    if (length < 255)
        m_bytes.append(char(length));
    else if (length < 0xFFFE)
    {
        m_bytes.append(char(0xFF));
        Append16(quint16(length));
    }
    else
    {
        m_bytes.append(char(0xFF));
        Append16(0xFFFF);
        Append32(quint32(length));
    }
    m_bytes.append(bytes);
}

bool CArchiveReader::ReadLe(int width, quint32& value)
{
    if (width > Remaining())
        return false;
    value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(m_bytes[m_pos + i]);
    m_pos += width;
    return true;
}

bool CArchiveReader::ReadCount(quint32& count)
{
    if (!ReadLe(2, count))
        return false;
    return count != 0xFFFF || ReadLe(4, count);
}

bool CArchiveReader::ReadInt32(qint32& value)
{
    quint32 raw = 0;
    if (!ReadLe(4, raw))
        return false;
    value = qint32(raw);
    return true;
}

bool CArchiveReader::ReadString(QByteArray& bytes)
{
    quint32 length = 0;
    if (!ReadLe(1, length))
        return false;
    if (length == 0xFF)
    {
        if (!ReadLe(2, length))
            return false;
        // 0xFFFE marks a wide-character string, which these archives never hold.
        if (length == 0xFFFE || (length == 0xFFFF && !ReadLe(4, length)))
            return false;
    }
    if (length > quint64(Remaining()))
        return false;
    bytes = m_bytes.mid(m_pos, length);
    m_pos += length;
    return true;
}
