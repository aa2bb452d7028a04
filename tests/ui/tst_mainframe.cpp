#include "platform/FakeSystemServices.h"
#include "platform/PrivateBus.h"

#include "session/KeepAlive.h"
#include "ui/AfterQueueActions.h"
#include "ui/MdiTabBar.h"

#include "WindowTestSupport.h"

using namespace WindowTestSupport;

namespace
{

const QString kSettings = u"Settings"_s;

// A connection window that is waiting for its server: it refuses to close while busy.
class CBusyWindow : public QWidget
{
public:
    bool busy = true;
    int asked = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ++asked;
        event->setAccepted(!busy);
    }
};

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

    // Stands in for the system bus for the whole run: the frame's actions must never reach the real one.
    CPrivateBus m_systemBus;
    // The windows' questions, if any, are cancelled.
    std::optional<CFixture> m_fixture;
    CModalAnswerer& Answerer() { return m_fixture->answerer; }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_systemBus.Start(&error), qPrintable(error));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus.Address().toUtf8());
    }
    void init() { m_fixture.emplace(); }
    void cleanup() { m_fixture.reset(); }

    // One tab per window, in opening order, following titles and activation; a tab's click shows its
    // window maximised, its menu closes it.
    void tabStripFollowsWindows()
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        CMdiTabBar* tabs = frame.TabBar();
        QVERIFY(tabs->isHidden());
        // Windows without a target: nothing connects and retitles them while the test runs.
        QMdiSubWindow* first = frame.OpenConnection(QString());
        QMdiSubWindow* second = frame.OpenConnection(QString());
        QVERIFY(tabs->count() == 2 && tabs->isVisible() && tabs->WindowAt(0) == first &&
                tabs->currentIndex() == 1);
        // Renamed: the tab keeps its place and takes the new title; the frame keeps its own.
        first->widget()->setWindowTitle(u"R&D 主機"_s);
        QTRY_COMPARE(tabs->tabText(0), u"R&&D 主機 "_s);
        QVERIFY(tabs->WindowAt(0) == first && frame.windowTitle() == "Zentrava Pro");
        first->showNormal();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QVERIFY(frame.MdiArea()->activeSubWindow() == first && first->isMaximized() &&
                tabs->currentIndex() == 0);

        frame.MdiArea()->setActiveSubWindow(second);
        QTimer::singleShot(0, this,
                           [&]
                           {
                               if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                               {
                                   menu->actions().constFirst()->trigger();
                                   menu->close();
                               }
                           });
        const QPoint where = tabs->tabRect(0).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, where, tabs->mapToGlobal(where));
        QApplication::sendEvent(tabs, &click);
        QTRY_COMPARE(tabs->count(), 1);
        QCOMPARE(tabs->WindowAt(0), second);
        second->close();
        QTRY_VERIFY(tabs->count() == 0 && tabs->isHidden());
    }

    void closeRefusedWhileWindowBusy()
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        auto* busy = new CBusyWindow;
        frame.MdiArea()->addSubWindow(busy)->show();
        frame.OpenConnection(QString());
        QVERIFY(!frame.close() && frame.isVisible() && busy->asked == 1);
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 2);
        // Nothing was saved by the refused close.
        QCOMPARE(GetProfileInt(kSettings, u"FrameLeft"_s), -1);
        busy->busy = false;
        QVERIFY(frame.close());
        QVERIFY(GetProfileInt(kSettings, u"FrameLeft"_s) != -1);
    }

    // The system actions' own path is systemActionsReportOrQuit's.
    void actsWhenDownloadEmptiesQueue_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<bool>("disconnected");
        QTest::addColumn<bool>("frameOpen");
        QTest::newRow("nothing") << 0 << false << true;
        QTest::newRow("disconnect") << 1 << true << true;
        QTest::newRow("disconnect and exit") << 2 << true << false;
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
        // Read when the queue empties, not when the frame was made.
        WriteProfileInt("Settings", "Events", events);

        SelectRows(second->View(), {"..", "b.bin"});
        QTemporaryDir target;
        second->View()->DownloadSelection(target.path() + u'/');
        QCOMPARE(frame.TransferQueue().rowCount(), 1);
        QVERIFY(WaitForEmptyQueue(frame.TransferQueue()));
        QVERIFY(QFile::exists(target.filePath("b.bin")));
        for (CChildFrame* window : {first, second})
        {
            QCOMPARE(asked(window), disconnected);
            QTRY_COMPARE_WITH_TIMEOUT(window->View()->Session().IsConnected(), !disconnected, kWaitMs);
        }
        QTEST(frame.isVisible(), "frameOpen");
    }

    void systemActionsReportOrQuit_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("quits");
        QTest::addColumn<QString>("status");
        const QString denied = u" 拒絕了要求：Access denied"_s;
        const QString hangUp = "DeactivateConnection " + CFakeSystemServices::ActivePath(0);
        QTest::newRow("power off") << 4 << false << "PowerOff false" << 1 << QString();
        QTest::newRow("log off refused")
            << 5 << true << "TerminateSession 9" << 0 << "無法登出：系統服務 org.freedesktop.login1" + denied;
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
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
