#include "engine/net/SocketAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace
{
struct Ipv4Block
{
    quint32 network;
    int prefix;
};

// Blocks that never lead to the server from elsewhere (RFC 1918, 6598, 5737, 6890 and friends).
constexpr Ipv4Block kNonPublicIpv4[] = {
    {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},  {0xA9FE0000, 16},
    {0xAC100000, 12}, {0xC0000000, 24}, {0xC0000200, 24}, {0xC0A80000, 16}, {0xC6120000, 15},
    {0xC6336400, 24}, {0xCB007100, 24}, {0xE0000000, 4},  {0xF0000000, 4},
};

bool IsPublicIpv4(quint32 address)
{
    for (const Ipv4Block& block : kNonPublicIpv4)
    {
        const quint32 mask = ~quint32(0) << (32 - block.prefix);
        if ((address & mask) == block.network)
            return false;
    }
    return true;
}

bool IsMappedIpv4(const in6_addr& address)
{
    return IN6_IS_ADDR_V4MAPPED(&address);
}

quint32 MappedIpv4(const in6_addr& address)
{
    quint32 value = 0;
    std::memcpy(&value, address.s6_addr + 12, 4);
    return ntohl(value);
}

bool IsPublicIpv6(const in6_addr& address)
{
    if (IsMappedIpv4(address))
        return IsPublicIpv4(MappedIpv4(address));
    const unsigned char* b = address.s6_addr;
    const bool globalUnicast = (b[0] & 0xE0) == 0x20;
    const bool documentation = b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0D && b[3] == 0xB8;
    return globalUnicast && !documentation;
}
} // namespace

CSocketAddress::CSocketAddress(const sockaddr* address, socklen_t length)
{
    if (length > 0 && length <= socklen_t(sizeof m_storage))
    {
        std::memcpy(&m_storage, address, length);
        m_length = length;
    }
}

CSocketAddress CSocketAddress::FromNumeric(const QByteArray& host, quint16 port)
{
    CSocketAddress result;
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET, host.constData(), &v4.sin_addr) == 1)
    {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        result = CSocketAddress(reinterpret_cast<sockaddr*>(&v4), sizeof v4);
    }
    else if (inet_pton(AF_INET6, host.constData(), &v6.sin6_addr) == 1)
    {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        result = CSocketAddress(reinterpret_cast<sockaddr*>(&v6), sizeof v6);
    }
    return result;
}

CSocketAddress CSocketAddress::PeerOf(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return {};
    return CSocketAddress(reinterpret_cast<sockaddr*>(&storage), length);
}

CSocketAddress CSocketAddress::LocalOf(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return {};
    return CSocketAddress(reinterpret_cast<sockaddr*>(&storage), length);
}

bool CSocketAddress::IsIpv6() const
{
    return m_length > 0 && m_storage.ss_family == AF_INET6;
}

QByteArray CSocketAddress::Host() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (m_storage.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&m_storage)->sin_addr, text, sizeof text);
    else if (m_storage.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&m_storage)->sin6_addr, text, sizeof text);
    return QByteArray(text);
}

quint16 CSocketAddress::Port() const
{
    if (m_storage.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&m_storage)->sin_port);
    if (m_storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&m_storage)->sin6_port);
    return 0;
}

void CSocketAddress::SetPort(quint16 port)
{
    if (m_storage.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in*>(&m_storage)->sin_port = htons(port);
    else if (m_storage.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&m_storage)->sin6_port = htons(port);
}

QByteArray CSocketAddress::HostAndPort() const
{
    const QByteArray host = IsIpv6() ? "[" + Host() + "]" : Host();
    return host + ":" + QByteArray::number(Port());
}

bool CSocketAddress::IsPublic() const
{
    if (m_storage.ss_family == AF_INET)
        return IsPublicIpv4(ntohl(reinterpret_cast<const sockaddr_in*>(&m_storage)->sin_addr.s_addr));
    if (m_storage.ss_family == AF_INET6)
        return IsPublicIpv6(reinterpret_cast<const sockaddr_in6*>(&m_storage)->sin6_addr);
    return false;
}

bool CSocketAddress::SameHost(const CSocketAddress& other) const
{
    auto canonical = [](const CSocketAddress& a)
    {
        const QByteArray host = a.Host();
        return host.startsWith("::ffff:") && host.contains('.') ? host.mid(7) : host;
    };
    return IsValid() && other.IsValid() && canonical(*this) == canonical(other);
}
