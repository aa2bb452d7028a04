#pragma once

#include "engine/net/Transport.h"

#include <QByteArray>

class CCancelToken;
class CSocketAddress;
struct sockaddr;

// A TCP connection over IPv4 or IPv6 (non-blocking socket; every wait goes through the cancel token).
class CTcpTransport final : public CTransport
{
public:
    explicit CTcpTransport(const CCancelToken& cancel);
    ~CTcpTransport() override;
    CTcpTransport(const CTcpTransport&) = delete;
    CTcpTransport& operator=(const CTcpTransport&) = delete;

    // Resolves host (name or numeric) and tries each address until one answers within timeoutMs overall.
    IoResult Connect(const QByteArray& host, quint16 port, int timeoutMs);
    IoResult Connect(const CSocketAddress& address, int timeoutMs);
    // Takes over a socket accepted elsewhere.
    void Adopt(int fd);

    IoResult Read(char* data, qint64 size, int timeoutMs) override;
    IoResult Write(const char* data, qint64 size, int timeoutMs) override;
    IoResult Finish(int timeoutMs) override;
    void Abort() override;
    int Fd() const override { return m_fd; }

private:
    IoResult ConnectOne(const sockaddr* address, unsigned length, int timeoutMs);
    void Tune();
    void CloseFd();

    const CCancelToken& m_cancel;
    int m_fd = -1;
};
