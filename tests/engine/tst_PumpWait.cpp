#include "common/Event.h"
#include "common/PumpWait.h"

#include <QTest>
#include <QTimer>
#include <thread>

class TestPumpWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
    void returnsAtOnceWhenAlreadySet_data()
    {
        QTest::addColumn<bool>("autoReset");
        QTest::newRow("manual reset") << false;
        QTest::newRow("auto reset") << true;
    }
    void returnsAtOnceWhenAlreadySet()
    {
        QFETCH(bool, autoReset);
        CEvent event(autoReset ? CEvent::Mode::AutoReset : CEvent::Mode::ManualReset, true);
        QCOMPARE(PumpWait(event, 0), 1);
        // An auto-reset event is used up by the wait that saw it; a manual one stays set.
        QCOMPARE(event.IsSet(), !autoReset);
        QCOMPARE(PumpWait(event, 20), autoReset ? 0 : 1);
        event.Reset();
        QCOMPARE(PumpWait(event, 20), 0);
    }
    void wakesWhenSetFromAnotherThread()
    {
        for (const CEvent::Mode mode : {CEvent::Mode::ManualReset, CEvent::Mode::AutoReset})
        {
            CEvent event(mode);
            std::thread setter(
                [&]
                {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    event.Set();
                });
            // The deadline is far off: only the set can end this wait with 1.
            const int result = PumpWait(event, 120000);
            setter.join();
            QCOMPARE(result, 1);
        }
    }
    void dispatchesQueuedEventsWhileWaiting()
    {
        CEvent event;
        QStringList order;
        QMetaObject::invokeMethod(
            this, [&] { order.append(QStringLiteral("queued")); }, Qt::QueuedConnection);
        std::thread poster(
            [&]
            {
                // A queued call from another thread whose handler, on this thread, sets the event.
                QMetaObject::invokeMethod(
                    this,
                    [&]
                    {
                        order.append(QStringLiteral("from thread"));
                        event.Set();
                    },
                    Qt::QueuedConnection);
            });
        const int result = PumpWait(event, 120000);
        poster.join();
        QCOMPARE(result, 1);
        QCOMPARE(order, (QStringList{QStringLiteral("queued"), QStringLiteral("from thread")}));
    }
    void nestedWaitsEachEndOnTheirOwnEvent()
    {
        CEvent outer;
        CEvent inner;
        int innerResult = -1;
        bool outerSetDuringInner = false;
        QTimer::singleShot(0, this,
                           [&]
                           {
                               // Runs inside the outer wait: sets the outer event, then waits for the inner
                               // one.
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
