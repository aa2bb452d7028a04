#include "engine/sftp/SftpPacket.h"

#include "engine/sftp/SftpAttributes.h"

#include <QtEndian>
#include <utility>

CSftpPacket::CSftpPacket(quint8 type, quint32 id)
{
    m_bytes.reserve(64);
    AddUint32(0).AddByte(type).AddUint32(id);
}

CSftpPacket CSftpPacket::Init(quint32 version)
{
    CSftpPacket packet;
    packet.AddUint32(0).AddByte(1).AddUint32(version);
    return packet;
}

CSftpPacket& CSftpPacket::AddByte(quint8 value)
{
    m_bytes.append(char(value));
    return *this;
}

CSftpPacket& CSftpPacket::AddUint32(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    m_bytes.append(bytes, 4);
    return *this;
}

CSftpPacket& CSftpPacket::AddUint64(quint64 value)
{
    char bytes[8];
    qToBigEndian(value, bytes);
    m_bytes.append(bytes, 8);
    return *this;
}

CSftpPacket& CSftpPacket::AddString(const QByteArray& value)
{
    return AddString(value.constData(), value.size());
}

CSftpPacket& CSftpPacket::AddString(const char* data, qint64 size)
{
    m_bytes.reserve(m_bytes.size() + 4 + size);
    AddUint32(quint32(size));
    m_bytes.append(data, size);
    return *this;
}

CSftpPacket& CSftpPacket::AddAttributes(const SftpAttributes& attributes)
{
    attributes.Write(*this);
    return *this;
}

QByteArray CSftpPacket::Finish()
{
    qToBigEndian(quint32(m_bytes.size() - 4), m_bytes.data());
    return std::exchange(m_bytes, {});
}
