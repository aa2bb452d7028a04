#pragma once

#include "engine/net/SocketAddress.h"

#include <QByteArray>
#include <optional>

// Reading passive-mode replies and deciding where the data connection goes.
class CPassiveReply
{
public:
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" (parentheses optional, RFC 959 and RFC 1123).
    static std::optional<CSocketAddress> ParsePasv(const QByteArray& text);
    // "229 Entering Extended Passive Mode (|||port|)" with any printable delimiter (RFC 2428).
    static std::optional<quint16> ParseEpsv(const QByteArray& text);
    // The argument of PORT for an IPv4 address: "h1,h2,h3,h4,p1,p2".
    static QByteArray PortArgument(const CSocketAddress& address);
    // The address a PASV reply offers is used when it is the control connection's peer or public;
    // a private one from a server reached elsewhere sits behind NAT, so the peer is used instead.
    static CSocketAddress Choose(const CSocketAddress& offered, const CSocketAddress& controlPeer);
};
