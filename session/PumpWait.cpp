#include "session/PumpWait.h"

#include "session/Event.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace
{
// Keeps the loop registered with the event for exactly as long as the loop exists.
class CWaiterRegistration
{
public:
    CWaiterRegistration(CEvent& event, QEventLoop& loop) : m_event(event), m_loop(loop)
    {
        m_event.AddWaiter(&m_loop);
    }
    ~CWaiterRegistration() { m_event.RemoveWaiter(&m_loop); }
    CWaiterRegistration(const CWaiterRegistration&) = delete;
    CWaiterRegistration& operator=(const CWaiterRegistration&) = delete;

private:
    CEvent& m_event;
    QEventLoop& m_loop;
};
} // namespace

int PumpWait(CEvent& event, int ms)
{
    const QDeadlineTimer deadline(qMax(ms, 0), Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const CWaiterRegistration registration(event, loop);
    // A Set() between the check and exec() is not lost: its queued quit waits for the loop.
    for (;;)
    {
        if (event.Take())
            return 1;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return 0;
        timer.start(int(left));
        loop.exec();
    }
}
