#include "platform/FakeSystemServices.h"
#include "platform/PrivateBus.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "session/KeepAlive.h"
#include "transfer/TransferQueue.h"
#include "ui/AfterQueueActions.h"
#include "ui/ChildFrame.h"
#include "ui/FTPClientView.h"
#include "ui/MainFrame.h"
#include "ui/RemoteIconModel.h"

#include "ModalAnswerer.h"
#include "WindowTestSupport.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;
using namespace WindowTestSupport;

namespace
{

constexpr int kWaitMs = 30000;

// Set at once by the window's disconnect command, while the connection closes a little later.
bool AskedToDisconnect(CChildFrame* window)
{
    return window->View()->KeepAlive().IsUserDisconnected();
}

} // namespace

class TestAfterQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void actsWhenDownloadEmptiesQueue_data();
    void actsWhenDownloadEmptiesQueue();
    void systemActionsReportOrQuit_data();
    void systemActionsReportOrQuit();

private:
    bool PrepareFolder(QString* address);
    CChildFrame* OpenAndWait(CMainFrame& frame, const QString& address);

    // Stands in for the system bus for the whole run: the frame's actions must never reach the real one.
    CPrivateBus m_systemBus;
    std::unique_ptr<QTemporaryDir> m_home;
    CServerPool m_servers;
    std::unique_ptr<CModalAnswerer> m_answerer;
};

void TestAfterQueue::initTestCase()
{
    QString error;
    QVERIFY2(m_systemBus.Start(&error), qPrintable(error));
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus.Address().toUtf8());
}

void TestAfterQueue::cleanupTestCase()
{
    m_servers.Clear();
}

void TestAfterQueue::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
    WriteProfileInt("Settings", "ConnectionTimeout", 20);
    m_answerer = std::make_unique<CModalAnswerer>();
}

void TestAfterQueue::cleanup()
{
    m_answerer.reset();
    m_home.reset();
}

bool TestAfterQueue::PrepareFolder(QString* address)
{
    CTestServer* server = m_servers.Require("proftpd");
    if (!server)
        return false;
    const QString name = QStringLiteral("aq%1").arg(QRandomGenerator::global()->bounded(1000000));
    const QString disk = server->Root() + u'/' + name;
    if (!QDir().mkpath(disk) || !GiveToServerUser(disk, server->Root()) ||
        !MakeFile(disk + "/file.bin", 3000) || !GiveToServerUser(disk + "/file.bin", server->Root()))
        return false;
    *address = QStringLiteral("ftp://%1:%2@127.0.0.1:%3/%4")
                   .arg(server->User(), server->Password())
                   .arg(server->Port())
                   .arg(name);
    return true;
}

CChildFrame* TestAfterQueue::OpenAndWait(CMainFrame& frame, const QString& address)
{
    auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(address)->widget());
    if (!window)
        return nullptr;
    CFTPClientView* view = window->View();
    const bool settled = QTest::qWaitFor(
        [&] { return view->Session().IsConnected() && !view->IsWaiting() && !view->IsBusyShown(); }, kWaitMs);
    return settled ? window : nullptr;
}

void TestAfterQueue::actsWhenDownloadEmptiesQueue_data()
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
        << 4 << false << true << QStringLiteral("無法關閉電腦：系統服務 org.freedesktop.login1 沒有執行");
}

void TestAfterQueue::actsWhenDownloadEmptiesQueue()
{
    QFETCH(int, events);
    QFETCH(bool, disconnected);
    QFETCH(bool, frameOpen);
    QFETCH(QString, status);
    QString address;
    QVERIFY(PrepareFolder(&address));
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    CChildFrame* first = OpenAndWait(frame, address);
    CChildFrame* second = OpenAndWait(frame, address);
    QVERIFY(first && second);
    QVERIFY(!AskedToDisconnect(first) && !AskedToDisconnect(second));
    // Read when the queue empties, not when the frame was made.
    WriteProfileInt("Settings", "Events", events);

    CFTPClientView* view = second->View();
    const QModelIndex file =
        view->ShownModel()->index(view->Session().ListModel().FindRow(QStringLiteral("file.bin")), 0);
    view->DetailsView()->selectionModel()->setCurrentIndex(file, QItemSelectionModel::ClearAndSelect |
                                                                     QItemSelectionModel::Rows);
    QTemporaryDir target;
    view->DownloadSelection(target.path() + u'/');
    CTransferQueue& queue = frame.TransferQueue();
    QCOMPARE(queue.rowCount(), 1);
    QVERIFY(QTest::qWaitFor([&] { return queue.rowCount() == 0; }, kWaitMs));

    QCOMPARE(QFileInfo(target.filePath("file.bin")).size(), 3000);
    for (CChildFrame* window : {first, second})
    {
        QCOMPARE(AskedToDisconnect(window), disconnected);
        if (disconnected)
            QTRY_VERIFY_WITH_TIMEOUT(!window->View()->Session().IsConnected(), kWaitMs);
        else
            QVERIFY(window->View()->Session().IsConnected());
    }
    QCOMPARE(frame.isVisible(), frameOpen);
    QCOMPARE(frame.statusBar()->currentMessage(), status);
}

void TestAfterQueue::systemActionsReportOrQuit_data()
{
    QTest::addColumn<int>("events");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("quits");
    QTest::addColumn<QString>("status");
    const QString denied = QStringLiteral("拒絕了要求：Access denied");
    QTest::newRow("power off") << 4 << false << QStringList{"PowerOff false"} << 1 << QString();
    QTest::newRow("power off refused") << 4 << true << QStringList{"PowerOff false"} << 0
                                       << "無法關閉電腦：系統服務 org.freedesktop.login1 " + denied;
    QTest::newRow("log off") << 5 << false << QStringList{"TerminateSession 9"} << 1 << QString();
    QTest::newRow("log off refused") << 5 << true << QStringList{"TerminateSession 9"} << 0
                                     << "無法登出：系統服務 org.freedesktop.login1 " + denied;
    // Hanging up leaves the program running either way.
    QTest::newRow("hang up") << 3 << false
                             << QStringList{"DeactivateConnection " + CFakeSystemServices::ActivePath(0)} << 0
                             << QString();
    QTest::newRow("hang up refused")
        << 3 << true << QStringList{"DeactivateConnection " + CFakeSystemServices::ActivePath(0)} << 0
        << "無法中斷網際網路連線：系統服務 org.freedesktop.NetworkManager " + denied;
}

void TestAfterQueue::systemActionsReportOrQuit()
{
    QFETCH(int, events);
    QFETCH(bool, refuse);
    QFETCH(QStringList, calls);
    QFETCH(int, quits);
    QFETCH(QString, status);
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
    int quitCount = 0;
    {
        CAfterQueueActions actions(
            frame, [&bus] { return bus.Connect(QStringLiteral("actions")); }, [&quitCount] { ++quitCount; });
        actions.OnQueueEmpty(events);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("actions"));
    qunsetenv("XDG_SESSION_ID");

    QCOMPARE(services.Calls(), calls);
    QCOMPARE(quitCount, quits);
    QCOMPARE(frame.statusBar()->currentMessage(), status);
    QVERIFY(frame.isVisible());
}

QTEST_MAIN(TestAfterQueue)
#include "tst_after_queue.moc"
