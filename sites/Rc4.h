#pragma once

#include <QByteArray>

#include <array>

// The RC4 stream cipher. OpenSSL 3 offers it only through its legacy provider, so we keep our own. Successive
// calls of Apply continue one key stream; encryption and decryption are the same operation.
class CRc4
{
public:
    // An empty key acts as a single zero byte.
    explicit CRc4(const QByteArray& key);

    QByteArray Apply(QByteArray data);

private:
    std::array<quint8, 256> m_state{};
    quint8 m_i = 0;
    quint8 m_j = 0;
};
