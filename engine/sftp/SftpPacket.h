#pragma once

#include <QByteArray>

struct SftpAttributes;

// Builds one SFTP request: length, type, request id and the fields in network byte order.
class CSftpPacket
{
public:
    CSftpPacket(quint8 type, quint32 id);
    // SSH_FXP_INIT carries the version where other requests carry an id.
    static CSftpPacket Init(quint32 version);

    CSftpPacket& AddByte(quint8 value);
    CSftpPacket& AddUint32(quint32 value);
    CSftpPacket& AddUint64(quint64 value);
    CSftpPacket& AddString(const QByteArray& value);
    CSftpPacket& AddString(const char* data, qint64 size);
    CSftpPacket& AddAttributes(const SftpAttributes& attributes);

    // The whole packet with its length in front; the builder is done with it.
    QByteArray Finish();

private:
    CSftpPacket() = default;

    QByteArray m_bytes;
};
