#pragma once

#include "engine/net/IoResult.h"

class CCancelToken;
class CSocketAddress;
class CTcpTransport;

// The listening socket of an active-mode data connection.
class CTcpListener
{
public:
    explicit CTcpListener(const CCancelToken& cancel);
    ~CTcpListener();
    CTcpListener(const CTcpListener&) = delete;
    CTcpListener& operator=(const CTcpListener&) = delete;

    // Listens on the given address with a port picked by the kernel.
    IoResult Listen(const CSocketAddress& local);
    quint16 Port() const;
    int Fd() const { return m_fd; }
    // Accepts one connection (the caller has already waited for readiness or lets this wait).
    IoResult Accept(int timeoutMs, CTcpTransport& into);
    void Close();

private:
    const CCancelToken& m_cancel;
    int m_fd = -1;
};
