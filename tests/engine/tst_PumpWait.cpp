#include "common/Event.h"
#include "common/PumpWait.h"

#include <QTest>
#include <QTimer>
#include <thread>

Q_DECLARE_METATYPE(CEvent::Mode)

class TestPumpWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The thread's timers run while it waits; a deadline that has passed, or none, ends the wait at once.
    void timesOutWhenNeverSet()
    {
        CEvent event;
        int timerRuns = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++timerRuns; });
        timer.start(5);
        QCOMPARE(PumpWait(event, 200), 0);
        QVERIFY(timerRuns > 0);
        QCOMPARE(PumpWait(event, 0), 0);
        QCOMPARE(PumpWait(event, -5), 0);
        QVERIFY(!event.IsSet());
    }

    void endsOnTheEvent_data()
    {
        QTest::addColumn<CEvent::Mode>("mode");
        QTest::newRow("manual reset") << CEvent::Mode::ManualReset;
        QTest::newRow("auto reset") << CEvent::Mode::AutoReset;
    }
    // Set already, set by another thread, or set by a queued call from another thread that runs here after
    // the calls queued before it. The deadlines are far off: only the event can end these waits with 1.
    void endsOnTheEvent()
    {
        QFETCH(CEvent::Mode, mode);
        const bool autoReset = mode == CEvent::Mode::AutoReset;
        CEvent preset(mode, true);
        QCOMPARE(PumpWait(preset, 0), 1);
        // An auto-reset event is used up by the wait that saw it; a manual one stays set.
        QCOMPARE(preset.IsSet(), !autoReset);
        QCOMPARE(PumpWait(preset, 20), autoReset ? 0 : 1);
        preset.Reset();
        QCOMPARE(PumpWait(preset, 20), 0);

        CEvent event(mode);
        std::thread setter(
            [&]
            {
                QThread::msleep(50);
                event.Set();
            });
        QCOMPARE(PumpWait(event, 120000), 1);
        setter.join();
        event.Reset();

        QStringList order;
        QMetaObject::invokeMethod(
            this, [&] { order << "queued"; }, Qt::QueuedConnection);
        std::thread poster(
            [&]
            {
                QMetaObject::invokeMethod(
                    this,
                    [&]
                    {
                        order << "from thread";
                        event.Set();
                    },
                    Qt::QueuedConnection);
            });
        QCOMPARE(PumpWait(event, 120000), 1);
        poster.join();
        QCOMPARE(order, (QStringList{"queued", "from thread"}));
    }

    void nestedWaitsEachEndOnTheirOwnEvent()
    {
        CEvent outer;
        CEvent inner;
        int innerResult = -1;
        bool outerSetDuringInner = false;
        // Runs inside the outer wait: sets the outer event, then waits for the inner one.
        QTimer::singleShot(0, this,
                           [&]
                           {
                               outer.Set();
                               QTimer::singleShot(20, this, [&] { inner.Set(); });
                               innerResult = PumpWait(inner, 120000);
                               outerSetDuringInner = outer.IsSet();
                           });
        QCOMPARE(PumpWait(outer, 120000), 1);
        QCOMPARE(innerResult, 1);
        QVERIFY(outerSetDuringInner);
    }
};

QTEST_MAIN(TestPumpWait)
#include "tst_PumpWait.moc"
