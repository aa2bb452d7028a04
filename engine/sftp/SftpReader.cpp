#include "engine/sftp/SftpReader.h"

#include <QtEndian>

bool CSftpReader::Byte(quint8* value)
{
    if (!Has(1))
        return false;
    *value = quint8(m_bytes[m_position++]);
    return true;
}

bool CSftpReader::Uint32(quint32* value)
{
    if (!Has(4))
        return false;
    *value = qFromBigEndian<quint32>(m_bytes.constData() + m_position);
    m_position += 4;
    return true;
}

bool CSftpReader::Uint64(quint64* value)
{
    if (!Has(8))
        return false;
    *value = qFromBigEndian<quint64>(m_bytes.constData() + m_position);
    m_position += 8;
    return true;
}

bool CSftpReader::String(QByteArray* value)
{
    const qsizetype start = m_position;
    if (!SkipString())
        return false;
    *value = m_bytes.mid(start + 4, m_position - start - 4);
    return true;
}

bool CSftpReader::SkipString()
{
    quint32 size = 0;
    if (!Uint32(&size))
        return false;
    if (!Has(qsizetype(size)))
    {
        m_position -= 4;
        return false;
    }
    m_position += qsizetype(size);
    return true;
}

QByteArray CSftpReader::Rest()
{
    const QByteArray rest = m_bytes.mid(m_position);
    m_position = m_bytes.size();
    return rest;
}
