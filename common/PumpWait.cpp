#include "common/PumpWait.h"

#include "common/Event.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <initializer_list>

namespace
{
// Keeps the loop registered with the events for exactly as long as the loop exists.
class CWaiterRegistration
{
public:
    CWaiterRegistration(std::initializer_list<CEvent*> events, QEventLoop& loop)
        : m_events(events), m_loop(loop)
    {
        for (CEvent* event : m_events)
            event->AddWaiter(&m_loop);
    }
    ~CWaiterRegistration()
    {
        for (CEvent* event : m_events)
            event->RemoveWaiter(&m_loop);
    }
    CWaiterRegistration(const CWaiterRegistration&) = delete;
    CWaiterRegistration& operator=(const CWaiterRegistration&) = delete;

private:
    std::initializer_list<CEvent*> m_events;
    QEventLoop& m_loop;
};

// 1 + the index of the first event found set, or 0 at the deadline.
int PumpWaitAny(std::initializer_list<CEvent*> events, int ms)
{
    const QDeadlineTimer deadline(qMax(ms, 0), Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const CWaiterRegistration registration(events, loop);
    // A Set() between the check and exec() is not lost: its queued quit waits for the loop.
    for (;;)
    {
        int number = 1;
        for (CEvent* event : events)
        {
            if (event->Take())
                return number;
            ++number;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return 0;
        timer.start(int(left));
        loop.exec();
    }
}
} // namespace

int PumpWait(CEvent& event, int ms)
{
    return PumpWaitAny({&event}, ms);
}

int PumpWaitEither(CEvent& first, CEvent& second, int ms)
{
    return PumpWaitAny({&first, &second}, ms);
}
