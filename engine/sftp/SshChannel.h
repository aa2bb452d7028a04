#pragma once

#include "engine/net/IoResult.h"

class CSshSession;
struct ssh_channel_struct;

// One channel of an SSH connection, used without blocking: the calls move what can move now and the owner
// waits through the session in between. It must go before its session is closed (libssh frees the
// channels with the session).
class CSshChannel
{
public:
    CSshChannel(const CSshSession& session, ssh_channel_struct* channel);
    ~CSshChannel();
    CSshChannel(const CSshChannel&) = delete;
    CSshChannel& operator=(const CSshChannel&) = delete;

    // Bytes taken now; 0 while the peer's window is full.
    IoResult WriteSome(const char* data, qint64 size);
    // Bytes available now (0 when none yet); Closed once the peer has sent everything.
    IoResult ReadSome(char* data, qint64 size, bool errorStream = false);
    IoResult Wait(int timeoutMs) const;
    bool IsClosed() const;
    // The remote command's exit status, -1 while unknown.
    int ExitStatus() const;
    ssh_channel_struct* Handle() const { return m_channel; }

private:
    const CSshSession& m_session;
    ssh_channel_struct* m_channel;
    // Bytes read since the receive window was last opened to a full read's size.
    qint64 m_sinceOpened = -1;
};
