#pragma once

#include "engine/FtpResult.h"
#include "engine/net/ProxySettings.h"
#include "engine/net/SocketAddress.h"

#include <memory>

class CCancelToken;
class CControlChannel;
class CTcpListener;
class CTlsContext;
class CTransport;
struct FtpCapabilities;

struct FtpDataSettings
{
    bool passive = true;
    CTlsContext* tls = nullptr; // protected data connections (PROT P) when set
    QByteArray tlsHost;         // the name the control connection's TLS used
    CSocketAddress controlPeer;
    int timeoutMs = 30000;
    ProxySettings proxy;   // a SOCKS or HTTP proxy carries passive data connections too
    QByteArray serverHost; // the target named through such a proxy
};

// One data connection: passive (EPSV, falling back to PASV) or active (EPRT, falling back to PORT),
// clear or TLS with the control connection's session.
class CFtpDataChannel
{
public:
    CFtpDataChannel(CControlChannel& control, const CCancelToken& cancel, FtpCapabilities& capabilities,
                    const FtpDataSettings& settings);
    ~CFtpDataChannel();

    // Before the transfer command: connects (passive) or listens and announces the port (active).
    FtpResult Prepare();
    // After the preliminary reply: accepts (active) and shakes hands (TLS). A final reply the server
    // sent meanwhile comes back in the result: with a failure when it gave up instead of connecting,
    // with success when it was quicker than the accept.
    FtpResult Attach();
    CTransport* Transport() const { return m_transport.get(); }
    IoResult Finish();
    void Abort();

private:
    FtpResult PreparePassive();
    FtpResult PrepareActive();
    FtpResult ConnectTo(const CSocketAddress& address);
    // Through a SOCKS or HTTP proxy, to the server's own name and the port it offered.
    FtpResult ConnectThroughProxy(quint16 port);
    FtpResult AcceptActive();
    FtpResult StartTls();
    // 5xx replies that mean "this command is not available" rather than "this request failed".
    static bool IsUnsupported(const FtpReply& reply);

    CControlChannel& m_control;
    const CCancelToken& m_cancel;
    FtpCapabilities& m_capabilities;
    FtpDataSettings m_settings;
    std::unique_ptr<CTcpListener> m_listener;
    std::unique_ptr<CTransport> m_transport;
};
