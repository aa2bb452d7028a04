#pragma once

#include "engine/net/IoResult.h"

// A connected byte stream: plain TCP, TLS over another transport, or (later) a proxied connection.
// Every call blocks for at most its time-out and ends early when the owner's cancel token is set.
class CTransport
{
public:
    virtual ~CTransport() = default;

    // Reads up to size bytes (at least one); Closed at the end of the stream.
    virtual IoResult Read(char* data, qint64 size, int timeoutMs) = 0;
    // Writes all size bytes.
    virtual IoResult Write(const char* data, qint64 size, int timeoutMs) = 0;
    // Ends the stream in an orderly way (TLS close_notify, then FIN).
    virtual IoResult Finish(int timeoutMs) = 0;
    // Drops the connection at once, resetting it so the peer's pending writes fail promptly.
    virtual void Abort() = 0;
    // The socket underneath, for addresses and for waiting on several descriptors.
    virtual int Fd() const = 0;
};
