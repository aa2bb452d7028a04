#pragma once

#include <QByteArray>

// The component's proxy type numbers; stored settings and sessions use them as they are.
enum class ProxyType
{
    None = 0,
    Socks4 = 1,
    Socks5 = 2,
    HttpConnect = 3,
    Relay = 4,     // a plain forwarder: the proxy's address is dialled instead of the server's
    Socks4a = 5,   // SOCKS4 with the host name resolved by the proxy
    FtpSite = 100, // log in to the proxy, then "SITE host"
    FtpOpen = 101, // "OPEN host"
    FtpUser = 102  // "USER user@host"
};

struct ProxySettings
{
    ProxyType type = ProxyType::None;
    QByteArray host;
    quint16 port = 0; // 0: the kind's usual port
    QByteArray user;
    QByteArray password;

    // The proxy opens a byte stream to any target (SOCKS, HTTP CONNECT).
    bool IsTunnel() const
    {
        return type == ProxyType::Socks4 || type == ProxyType::Socks4a || type == ProxyType::Socks5 ||
               type == ProxyType::HttpConnect;
    }
    // The proxy speaks FTP and is told the real server by a command.
    bool IsFtpStyle() const
    {
        return type == ProxyType::FtpSite || type == ProxyType::FtpOpen || type == ProxyType::FtpUser;
    }
    // Valid type numbers only; anything else means no proxy.
    static ProxyType TypeFromNumber(int number)
    {
        switch (number)
        {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 100:
        case 101:
        case 102:
            return static_cast<ProxyType>(number);
        default:
            return ProxyType::None;
        }
    }
};
