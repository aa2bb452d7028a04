#pragma once

// What happens when the transfer queue has become empty, chosen by the Events setting: 0 nothing,
// 1 disconnect every connection window, 2 that and exit, 3 hang up dial-up connections, 4 shut
// down, 5 log off.
class IAfterQueueAction
{
public:
    // Called once for every completion that leaves the queue without rows, with the Events value
    // read at that moment.
    virtual void OnQueueEmpty(int events) = 0;

protected:
    ~IAfterQueueAction() = default;
};
