#pragma once

#include <QByteArray>
#include <sys/socket.h>

// A numeric IPv4 or IPv6 socket address.
class CSocketAddress
{
public:
    CSocketAddress() = default;
    CSocketAddress(const sockaddr* address, socklen_t length);

    // Numeric host text only ("127.0.0.1", "::1"); invalid for names.
    static CSocketAddress FromNumeric(const QByteArray& host, quint16 port);
    static CSocketAddress PeerOf(int fd);
    static CSocketAddress LocalOf(int fd);

    bool IsValid() const { return m_length > 0; }
    bool IsIpv6() const;
    QByteArray Host() const;
    quint16 Port() const;
    void SetPort(quint16 port);
    // "127.0.0.1:21" or "[::1]:21".
    QByteArray HostAndPort() const;
    // Reachable from the whole Internet: not private, loopback, link-local, shared, documentation,
    // multicast or unspecified (an IPv4-mapped IPv6 address is judged as IPv4).
    bool IsPublic() const;
    bool SameHost(const CSocketAddress& other) const;

    const sockaddr* Raw() const { return reinterpret_cast<const sockaddr*>(&m_storage); }
    socklen_t Length() const { return m_length; }

private:
    sockaddr_storage m_storage{};
    socklen_t m_length = 0;
};
