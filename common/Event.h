#pragma once

#include <QList>
#include <mutex>

class QEventLoop;

// A signalled/unsignalled flag that one thread sets and another waits for with PumpWait. A manual-reset
// event stays set until Reset(); an auto-reset event is taken back by the one wait that sees it.
class CEvent
{
public:
    enum class Mode
    {
        ManualReset,
        AutoReset
    };

    explicit CEvent(Mode mode = Mode::ManualReset, bool initiallySet = false);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // Safe from any thread; wakes every PumpWait on this event.
    void Set();
    void Reset();
    bool IsSet() const;

    // For the waits: true when set, and an auto-reset event is reset by it.
    bool Take();
    // A waiting loop that Set() ends (through a queued quit, so it works from any thread).
    void AddWaiter(QEventLoop* loop);
    void RemoveWaiter(QEventLoop* loop);

private:
    const Mode m_mode;
    mutable std::mutex m_mutex;
    bool m_set;
    QList<QEventLoop*> m_waiters;
};
