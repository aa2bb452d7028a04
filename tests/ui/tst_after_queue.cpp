#include "platform/FakeSystemServices.h"
#include "platform/PrivateBus.h"

#include "session/KeepAlive.h"
#include "ui/AfterQueueActions.h"

#include "ModalAnswerer.h"
#include "WindowTestSupport.h"

#include <QStatusBar>

using namespace WindowTestSupport;

class TestAfterQueue : public QObject
{
    Q_OBJECT

    // Stands in for the system bus for the whole run: the frame's actions must never reach the real one.
    CPrivateBus m_systemBus;
    std::unique_ptr<CHome> m_home;
    // The windows' questions, if any, are cancelled.
    std::unique_ptr<CModalAnswerer> m_answerer;

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_systemBus.Start(&error), qPrintable(error));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus.Address().toUtf8());
    }
    void init()
    {
        m_home = std::make_unique<CHome>();
        m_answerer = std::make_unique<CModalAnswerer>();
    }
    void cleanup()
    {
        m_answerer.reset();
        m_home.reset();
    }

    void actsWhenDownloadEmptiesQueue_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<bool>("disconnected");
        QTest::addColumn<bool>("frameOpen");
        QTest::addColumn<QString>("status");
        QTest::newRow("nothing") << 0 << false << true << QString();
        QTest::newRow("disconnect") << 1 << true << true << QString();
        QTest::newRow("disconnect and exit") << 2 << true << false << QString();
        // The bus standing in for the system bus carries no logind.
        QTest::newRow("power off without logind")
            << 4 << false << true << u"無法關閉電腦：系統服務 org.freedesktop.login1 沒有執行"_s;
    }
    void actsWhenDownloadEmptiesQueue()
    {
        QFETCH(int, events);
        QFETCH(bool, disconnected);
        CRemoteFolder folder;
        QVERIFY(MakeServerFolder("proftpd", &folder));
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        CChildFrame* first = OpenAndWait(frame, folder.address);
        CChildFrame* second = OpenAndWait(frame, folder.address);
        QVERIFY(first && second);
        // Set at once by a window's disconnect command, while the connection closes a little later.
        const auto asked = [](CChildFrame* window)
        { return window->View()->KeepAlive().IsUserDisconnected(); };
        QVERIFY(!asked(first) && !asked(second));
        // Read when the queue empties, not when the frame was made.
        WriteProfileInt("Settings", "Events", events);

        SelectRows(second->View(), {"b.bin"});
        QTemporaryDir target;
        second->View()->DownloadSelection(target.path() + u'/');
        QCOMPARE(frame.TransferQueue().rowCount(), 1);
        QVERIFY(WaitForEmptyQueue(frame.TransferQueue()));
        QCOMPARE(TestFiles::ReadFile(target.filePath("b.bin")), TestFiles::ReadFile(folder.disk + "/b.bin"));
        for (CChildFrame* window : {first, second})
        {
            QCOMPARE(asked(window), disconnected);
            if (disconnected)
                QTRY_VERIFY_WITH_TIMEOUT(!window->View()->Session().IsConnected(), kWaitMs);
            else
                QVERIFY(window->View()->Session().IsConnected());
        }
        QTEST(frame.isVisible(), "frameOpen");
        QTEST(frame.statusBar()->currentMessage(), "status");
    }

    void systemActionsReportOrQuit_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("quits");
        QTest::addColumn<QString>("status");
        const QString denied = u" 拒絕了要求：Access denied"_s;
        const QString login = u"org.freedesktop.login1"_s;
        const QString hangUp = "DeactivateConnection " + CFakeSystemServices::ActivePath(0);
        QTest::newRow("power off") << 4 << false << "PowerOff false" << 1 << QString();
        QTest::newRow("power off refused")
            << 4 << true << "PowerOff false" << 0 << "無法關閉電腦：系統服務 " + login + denied;
        QTest::newRow("log off") << 5 << false << "TerminateSession 9" << 1 << QString();
        QTest::newRow("log off refused")
            << 5 << true << "TerminateSession 9" << 0 << "無法登出：系統服務 " + login + denied;
        // Hanging up leaves the program running either way.
        QTest::newRow("hang up") << 3 << false << hangUp << 0 << QString();
        QTest::newRow("hang up refused")
            << 3 << true << hangUp << 0
            << "無法中斷網際網路連線：系統服務 org.freedesktop.NetworkManager" + denied;
    }
    void systemActionsReportOrQuit()
    {
        QFETCH(int, events);
        QFETCH(bool, refuse);
        QFETCH(QString, call);
        CPrivateBus bus;
        QString error;
        QVERIFY2(bus.Start(&error), qPrintable(error));
        CFakeSystemServices services;
        services.connections = {{"gsm", 8, {}, refuse}};
        services.refusePowerOff = refuse;
        services.refuseTerminate = refuse;
        QVERIFY(services.Start(bus.Address(), true, true));
        qputenv("XDG_SESSION_ID", "9");
        CMainFrame frame;
        frame.show();
        int quits = 0;
        {
            CAfterQueueActions actions(
                frame, [&bus] { return bus.Connect(u"actions"_s); }, [&quits] { ++quits; });
            actions.OnQueueEmpty(events);
        }
        QDBusConnection::disconnectFromBus(u"actions"_s);
        qunsetenv("XDG_SESSION_ID");

        QCOMPARE(services.Calls(), QStringList{call});
        QTEST(quits, "quits");
        QTEST(frame.statusBar()->currentMessage(), "status");
        QVERIFY(frame.isVisible());
    }
};

QTEST_MAIN(TestAfterQueue)
#include "tst_after_queue.moc"
