#pragma once

#include "engine/net/ServerCertificate.h"
#include "engine/net/Transport.h"

#include <QByteArray>
#include <memory>

class CCancelToken;
class CTlsContext;
typedef struct ssl_st SSL;

// TLS over another transport's socket. Data connections resume the context's latest session, which
// servers such as vsftpd (require_ssl_reuse) and proftpd demand.
class CTlsTransport final : public CTransport
{
public:
    CTlsTransport(std::unique_ptr<CTransport> lower, CTlsContext& context, const CCancelToken& cancel);
    ~CTlsTransport() override;
    CTlsTransport(const CTlsTransport&) = delete;
    CTlsTransport& operator=(const CTlsTransport&) = delete;

    // hostName gives SNI (names only) and the name the certificate is checked against.
    IoResult Handshake(const QByteArray& hostName, bool resumeSession, int timeoutMs);
    bool SessionReused() const;
    QByteArray Version() const;
    ServerCertificate PeerCertificate(const QByteArray& hostName) const;
    // Ends TLS in both directions and hands back the clear connection underneath (CCC).
    std::unique_ptr<CTransport> Unwrap(int timeoutMs, IoResult* result);

    IoResult Read(char* data, qint64 size, int timeoutMs) override;
    IoResult Write(const char* data, qint64 size, int timeoutMs) override;
    // Sends close_notify, then reads until the server closes as well.
    IoResult Finish(int timeoutMs) override;
    void Abort() override;
    int Fd() const override;

private:
    // Waits as OpenSSL asks after a call that returned ret; Ok means "call again".
    IoResult Await(int ret, int timeoutMs);
    IoResult ReadMore(char* data, qint64 size, qint64 got);
    IoResult AwaitPeerClose(int timeoutMs);
    void TakeArrivedRecords();

    std::unique_ptr<CTransport> m_lower;
    CTlsContext& m_context;
    const CCancelToken& m_cancel;
    SSL* m_ssl = nullptr;
};
