#pragma once

#include "engine/net/IoResult.h"
#include "engine/net/ProxySettings.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <memory>

class CCancelToken;
class CTcpTransport;

// Opens TCP streams the way the proxy settings say: through SOCKS4, SOCKS4a, SOCKS5 or HTTP CONNECT,
// to the proxy itself for a relay or an FTP proxy, or straight to the target without one. The whole
// exchange shares one time-out and ends early when the cancel token is set.
class CProxyConnector
{
public:
    CProxyConnector(const ProxySettings& proxy, const CCancelToken& cancel);

    // Null on failure, with *io saying why (a refusing proxy's own reason in io->error).
    std::unique_ptr<CTcpTransport> Connect(const QByteArray& host, quint16 port, int timeoutMs,
                                           IoResult* io) const;
    // The port dialled for the proxy: its own setting, else the kind's usual one (a relay keeps the
    // server's port).
    quint16 ProxyPort(quint16 serverPort) const;

private:
    IoResult Socks4(CTcpTransport& tcp, const QByteArray& host, quint16 port,
                    const QDeadlineTimer& deadline) const;
    IoResult Socks5(CTcpTransport& tcp, const QByteArray& host, quint16 port,
                    const QDeadlineTimer& deadline) const;
    IoResult Socks5LogIn(CTcpTransport& tcp, const QDeadlineTimer& deadline) const;
    IoResult HttpConnect(CTcpTransport& tcp, const QByteArray& host, quint16 port,
                         const QDeadlineTimer& deadline) const;

    ProxySettings m_proxy;
    const CCancelToken& m_cancel;
};
