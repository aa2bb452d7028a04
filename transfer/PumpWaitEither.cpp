#include "transfer/PumpWaitEither.h"

#include "session/Event.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace
{
// One loop that either event's Set() ends, registered for exactly as long as it exists.
class CEitherWaiter
{
public:
    CEitherWaiter(CEvent& first, CEvent& second, QEventLoop& loop)
        : m_first(first), m_second(second), m_loop(loop)
    {
        m_first.AddWaiter(&m_loop);
        m_second.AddWaiter(&m_loop);
    }
    ~CEitherWaiter()
    {
        m_first.RemoveWaiter(&m_loop);
        m_second.RemoveWaiter(&m_loop);
    }
    CEitherWaiter(const CEitherWaiter&) = delete;
    CEitherWaiter& operator=(const CEitherWaiter&) = delete;

private:
    CEvent& m_first;
    CEvent& m_second;
    QEventLoop& m_loop;
};
} // namespace

int PumpWaitEither(CEvent& first, CEvent& second, int ms)
{
    const QDeadlineTimer deadline(qMax(ms, 0), Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const CEitherWaiter registration(first, second, loop);
    for (;;)
    {
        if (first.Take())
            return 1;
        if (second.Take())
            return 2;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return 0;
        timer.start(int(left));
        loop.exec();
    }
}
