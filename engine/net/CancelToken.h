#pragma once

#include "engine/net/IoResult.h"

// Lets another thread end any blocking wait of its owner: every wait polls the file descriptor it
// waits for together with this token's eventfd.
class CCancelToken
{
public:
    CCancelToken();
    ~CCancelToken();
    CCancelToken(const CCancelToken&) = delete;
    CCancelToken& operator=(const CCancelToken&) = delete;

    // Safe from any thread; stays set until Clear().
    void Cancel();
    void Clear();
    // Checked before each read and write: a stream that never has to wait would otherwise never see it.
    bool IsSet() const;

    // Waits until fd is ready for events (POLLIN/POLLOUT), the token is set or timeoutMs passes.
    IoStatus Wait(int fd, short events, int timeoutMs) const;
    // The same for two descriptors; *which gets 0 or 1 for the one that became ready.
    IoStatus WaitEither(int fd0, short events0, int fd1, short events1, int timeoutMs, int* which) const;

private:
    int m_fd = -1;
};
