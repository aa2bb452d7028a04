#pragma once

#include "servers/TestServer.h"

#include "engine/ConnectionTarget.h"

// A target for a harness server on loopback: its port (its TLS port for implicit TLS), user and password.
inline CConnectionTarget ServerTarget(const CTestServer& server, FtpProtocol protocol, int timeoutMs)
{
    CConnectionTarget target;
    target.protocol = protocol;
    target.host = QStringLiteral("127.0.0.1");
    target.port = protocol == FtpProtocol::ImplicitTls ? server.TlsPort() : server.Port();
    target.login = server.User();
    target.password = server.Password();
    target.timeoutMs = timeoutMs;
    return target;
}
