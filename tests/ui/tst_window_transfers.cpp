#include "support/TestFiles.h"

#include "app/Profile.h"
#include "app/StringList.h"
#include "sites/SiteList.h"
#include "transfer/TransferQueue.h"
#include "ui/ChildFrame.h"
#include "ui/FTPClientView.h"
#include "ui/MainFrame.h"
#include "ui/RemoteIconModel.h"

#include "ModalAnswerer.h"
#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QListView>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;
using namespace WindowTestSupport;

namespace
{

constexpr int kWaitMs = 30000;

bool MakeServerFile(const QString& path, const QByteArray& content, const QString& ownerOf)
{
    return WriteFile(path, content) && GiveToServerUser(path, ownerOf);
}

// A fresh folder of the server with a.txt, b.bin, old.txt and sub/inner.txt.
bool MakeServerFolder(CTestServer& server, CRemoteFolder* folder)
{
    const QString name = QStringLiteral("wt%1").arg(QRandomGenerator::global()->bounded(1000000));
    folder->disk = server.Root() + u'/' + name;
    folder->remote = u'/' + name;
    if (!QDir().mkpath(folder->disk + "/sub") || !GiveToServerUser(folder->disk, server.Root()) ||
        !GiveToServerUser(folder->disk + "/sub", server.Root()))
        return false;
    return MakeServerFile(folder->disk + "/a.txt", "a", server.Root()) &&
           MakeFile(folder->disk + "/b.bin", 70000) &&
           GiveToServerUser(folder->disk + "/b.bin", server.Root()) &&
           MakeServerFile(folder->disk + "/old.txt", "old", server.Root()) &&
           MakeServerFile(folder->disk + "/sub/inner.txt", "inner", server.Root());
}

QString Status(const CTransferQueue& queue, int row)
{
    return queue.data(queue.index(row, CTransferQueue::StatusColumn)).toString();
}

// Every file under the folder with its content, by path relative to it.
QMap<QString, QByteArray> TreeOf(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        const QString path = it.next();
        tree.insert(QDir(root).relativeFilePath(path), ReadFile(path));
    }
    return tree;
}

void SaveMasks(const QString& key, const QStringList& masks)
{
    CStringList list;
    list.Items() = masks;
    SaveProfileObject(QStringLiteral("Filter"), key, list);
}

// Ticks "啟動排程" with a start a day ahead, so that the job waits.
CModalAnswerer::Answer ScheduleTomorrow()
{
    return [](QDialog* dialog)
    {
        auto* enabled = dialog->findChild<QCheckBox*>(QStringLiteral("enabled"));
        auto* date = dialog->findChild<QDateEdit*>(QStringLiteral("date"));
        if (enabled && date)
        {
            enabled->setChecked(true);
            date->setDate(QDate::currentDate().addDays(1));
        }
        dialog->accept();
    };
}

// Sends a file manager's drag of the URLs onto the widget; true when the widget took the drop.
bool DropUrls(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint where = target->rect().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

class TestWindowTransfers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void cleanupTestCase() { m_servers.Clear(); }

    void downloadToAsksForTarget_data();
    void downloadToAsksForTarget();
    void scheduledTransfersWait_data();
    void scheduledTransfersWait();
    void filteredTransfersLeaveOutNames_data();
    void filteredTransfersLeaveOutNames();
    void droppedLocalFilesAreUploaded();
    void replacePromptTimesOutIntoSetting_data();
    void replacePromptTimesOutIntoSetting();
    void parallelUploadGivesRowPerFile_data();
    void parallelUploadGivesRowPerFile();
    void copiesSelectionToAnotherSite();

private:
    // A main frame with one window connected to a fresh folder of the server.
    CFTPClientView* Open(const QString& kind, CRemoteFolder* folder);
    bool WaitForEmptyQueue();

    std::unique_ptr<QTemporaryDir> m_home;
    CServerPool m_servers;
    std::unique_ptr<CModalAnswerer> m_answerer;
    std::unique_ptr<CMainFrame> m_frame;
};

void TestWindowTransfers::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
    WriteProfileInt("Settings", "ConnectionTimeout", 20);
    m_answerer = std::make_unique<CModalAnswerer>();
}

void TestWindowTransfers::cleanup()
{
    m_frame.reset();
    m_answerer.reset();
    m_home.reset();
}

CFTPClientView* TestWindowTransfers::Open(const QString& kind, CRemoteFolder* folder)
{
    CTestServer* server = m_servers.Require(kind);
    if (!server || !MakeServerFolder(*server, folder))
        return nullptr;
    if (!m_frame)
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->ShowWithSavedPlacement();
    }
    const QString address = QStringLiteral("ftp://%1:%2@127.0.0.1:%3%4")
                                .arg(server->User(), server->Password())
                                .arg(server->Port())
                                .arg(folder->remote);
    auto* window = qobject_cast<CChildFrame*>(m_frame->OpenConnection(address)->widget());
    if (!window)
        return nullptr;
    CFTPClientView* view = window->View();
    const bool settled = QTest::qWaitFor(
        [&] { return view->Session().IsConnected() && !view->IsWaiting() && !view->IsBusyShown(); }, kWaitMs);
    return settled ? view : nullptr;
}

bool TestWindowTransfers::WaitForEmptyQueue()
{
    const CTransferQueue& queue = m_frame->TransferQueue();
    const bool emptied = QTest::qWaitFor([&] { return queue.rowCount() == 0; }, kWaitMs);
    if (!emptied)
        qWarning("%s", qPrintable(QueueText(queue)));
    return emptied;
}

// ---- download to

void TestWindowTransfers::downloadToAsksForTarget_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("several rows into a folder")
        << QStringList{"a.txt", "sub"} << false << QStringList{"a.txt", "sub/inner.txt"};
    QTest::newRow("one row through a file name") << QStringList{"b.bin"} << false << QStringList{"b.bin"};
    QTest::newRow("several rows cancelled") << QStringList{"a.txt", "b.bin"} << true << QStringList{};
    QTest::newRow("one row cancelled") << QStringList{"a.txt"} << true << QStringList{};
}

void TestWindowTransfers::downloadToAsksForTarget()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, cancel);
    QFETCH(QStringList, expected);
    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QTemporaryDir target;
    QStringList asked;
    QStringList starts;
    auto answer = [&](const QString& kind, const QString& start)
    {
        asked << kind;
        starts << start;
        if (cancel)
            return QString();
        // The dialog's file name may differ from the row's: only its folder counts.
        return kind == "folder" ? target.path() : target.path() + "/chosen.name";
    };
    view->Choosers().folder = [&](QWidget*, const QString& start) { return answer("folder", start); };
    view->Choosers().saveFile = [&](QWidget*, const QString& suggested) { return answer("file", suggested); };

    SelectRows(view, rows);
    view->RunCommand(FrameCommand::DownloadTo);
    QCOMPARE(asked, QStringList{rows.size() == 1 ? "file" : "folder"});
    if (rows.size() == 1)
        QCOMPARE(QFileInfo(starts.first()).fileName(), rows.first());
    QVERIFY(WaitForEmptyQueue());
    QStringList got = TreeOf(target.path()).keys();
    QCOMPARE(got, expected);
    for (const QString& name : expected)
        QCOMPARE(ReadFile(target.filePath(name)), ReadFile(folder.disk + u'/' + name));

    // The next several-row choice starts where the last one went; a cancelled one moves nothing.
    SelectRows(view, {"a.txt", "old.txt"});
    cancel = true;
    view->RunCommand(FrameCommand::DownloadTo);
    QCOMPARE(starts.last(), expected.isEmpty() ? QString() : target.path());
    QCOMPARE(m_frame->TransferQueue().rowCount(), 0);
}

// ---- schedules

void TestWindowTransfers::scheduledTransfersWait_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<bool>("accept");
    QTest::newRow("download") << false << true;
    QTest::newRow("upload") << true << true;
    QTest::newRow("download cancelled") << false << false;
    QTest::newRow("upload cancelled") << true << false;
}

void TestWindowTransfers::scheduledTransfersWait()
{
    QFETCH(bool, upload);
    QFETCH(bool, accept);
    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QTemporaryDir local;
    WriteProfileString("Settings", "DefaultLocalPath", local.path());
    QVERIFY(WriteFile(local.filePath("new.txt"), "new"));
    int filesAsked = 0;
    view->Choosers().openFiles = [&](QWidget*)
    {
        ++filesAsked;
        return QStringList{local.filePath("new.txt")};
    };
    m_answerer->Queue(accept ? ScheduleTomorrow() : CModalAnswerer::Answer([](QDialog* d) { d->reject(); }));

    SelectRows(view, {"a.txt"});
    if (upload)
        view->ScheduledUpload();
    else
        view->ScheduledDownload();
    QCOMPARE(m_answerer->Seen(), QStringList{"排程作業"});
    // The files are asked for only once a schedule was given.
    QCOMPARE(filesAsked, upload && accept ? 1 : 0);
    CTransferQueue& queue = m_frame->TransferQueue();
    if (!accept)
    {
        QCOMPARE(queue.rowCount(), 0);
        return;
    }
    QCOMPARE(queue.rowCount(), 1);
    QCOMPARE(Status(queue, 0), CTransferQueue::kScheduled);
    QVERIFY(queue.Schedule(0).enabled);
    QCOMPARE(queue.Schedule(0).start.toLocalTime().date(), QDate::currentDate().addDays(1));
    // Still waiting after a few passes of the queue.
    QTest::qWait(1500);
    QCOMPARE(Status(queue, 0), CTransferQueue::kScheduled);
    QVERIFY(!QFile::exists(local.filePath("a.txt")));
    QVERIFY(!QFile::exists(folder.disk + "/new.txt"));
    queue.Cancel({0});
    QVERIFY(WaitForEmptyQueue());
}

// ---- filters

void TestWindowTransfers::filteredTransfersLeaveOutNames_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<bool>("command");
    QTest::addColumn<bool>("filterTransfers");
    QTest::addColumn<bool>("filtered");
    QTest::newRow("download, filtered command") << false << true << false << true;
    QTest::newRow("download, filtered transfers") << false << false << true << true;
    QTest::newRow("download, no filter") << false << false << false << false;
    QTest::newRow("upload, filtered command") << true << true << false << true;
    QTest::newRow("upload, filtered transfers") << true << false << true << true;
    QTest::newRow("upload, no filter") << true << false << false << false;
}

void TestWindowTransfers::filteredTransfersLeaveOutNames()
{
    QFETCH(bool, upload);
    QFETCH(bool, command);
    QFETCH(bool, filterTransfers);
    QFETCH(bool, filtered);
    // The exclusions count only behind an inclusion list.
    SaveMasks("Mask", {"*"});
    SaveMasks("NotMask", {"*.bin"});
    WriteProfileInt("Filter", "FilterTransfers", filterTransfers ? 1 : 0);
    WriteProfileInt("Filter", "EnableFiltering", filterTransfers ? 1 : 0);
    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QTemporaryDir local;
    WriteProfileString("Settings", "DefaultLocalPath", local.path());

    if (upload)
    {
        QVERIFY(WriteFile(local.filePath("up.txt"), "up"));
        QVERIFY(MakeFile(local.filePath("up.bin"), 5000));
        view->Choosers().openFiles = [&](QWidget*) {
            return QStringList{local.filePath("up.txt"), local.filePath("up.bin")};
        };
        if (command)
            view->FilteredUpload();
        else
            view->ChooseAndUpload();
        QVERIFY(WaitForEmptyQueue());
        QCOMPARE(ReadFile(folder.disk + "/up.txt"), QByteArray("up"));
        QCOMPARE(QFile::exists(folder.disk + "/up.bin"), !filtered);
        return;
    }
    // Filtered listings hide b.bin from the list, so it is put there as if listed before.
    if (view->Session().ListModel().FindRow("b.bin") < 0)
    {
        CFtpListItem item;
        item.name = "b.bin";
        item.size = 70000;
        view->Session().ListModel().AppendRow(item);
    }
    QVERIFY(MakeFile(folder.disk + "/sub/deep.bin", 100));
    SelectRows(view, {"a.txt", "b.bin", "sub"});
    if (command)
        view->FilteredDownload();
    else
        view->DownloadSelection();
    QVERIFY(WaitForEmptyQueue());
    QStringList expected{"a.txt", "sub/inner.txt"};
    if (!filtered)
        expected = QStringList{"a.txt", "b.bin", "sub/deep.bin", "sub/inner.txt"};
    QCOMPARE(TreeOf(local.path()).keys(), expected);
}

// ---- drops

void TestWindowTransfers::droppedLocalFilesAreUploaded()
{
    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QTemporaryDir local;
    QVERIFY(MakeFile(local.filePath("one.dat"), 40000));
    QVERIFY(QDir().mkpath(local.filePath("tree/inner")));
    QVERIFY(WriteFile(local.filePath("tree/inner/two.txt"), "two"));
    QWidget* viewport = view->CurrentView()->viewport();

    // Nothing local in the drag: refused, nothing queued.
    QVERIFY(!DropUrls(viewport, {QUrl("https://example.invalid/x.txt")}));
    QTest::qWait(50);
    QCOMPARE(m_frame->TransferQueue().rowCount(), 0);

    // A web address among the files is left out; the files and the folder go up.
    QVERIFY(DropUrls(viewport,
                     {QUrl::fromLocalFile(local.filePath("one.dat")), QUrl("https://example.invalid/x.txt"),
                      QUrl::fromLocalFile(local.filePath("tree"))}));
    QVERIFY(QTest::qWaitFor([&] { return m_frame->TransferQueue().rowCount() > 0; }, kWaitMs));
    QVERIFY(WaitForEmptyQueue());
    QCOMPARE(ReadFile(folder.disk + "/one.dat"), ReadFile(local.filePath("one.dat")));
    QCOMPARE(ReadFile(folder.disk + "/tree/inner/two.txt"), QByteArray("two"));
    QVERIFY(!QFile::exists(folder.disk + "/x.txt"));
    QVERIFY(view->Session().ListModel().FindRow("one.dat") >= 0);
}

// ---- the replace prompt of an upload

void TestWindowTransfers::replacePromptTimesOutIntoSetting_data()
{
    QTest::addColumn<int>("promptAction");
    QTest::addColumn<QByteArray>("remoteAfter");
    QTest::newRow("overwrite") << 0 << QByteArray("xy");
    QTest::newRow("skip") << 1 << QByteArray("old");
}

void TestWindowTransfers::replacePromptTimesOutIntoSetting()
{
    QFETCH(int, promptAction);
    QFETCH(QByteArray, remoteAfter);
    WriteProfileInt("SmartOverwrite", "MatchingFiles", int(OverwriteAction::Prompt));
    WriteProfileInt("SmartOverwrite", "EnableTimeout", 1);
    WriteProfileInt("SmartOverwrite", "Timeout", 1);
    WriteProfileInt("SmartOverwrite", "PromptAction", promptAction);
    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QTemporaryDir local;
    // Shorter than the remote file, so that it cannot be a resume.
    QVERIFY(WriteFile(local.filePath("old.txt"), "xy"));
    QVERIFY(WriteFile(local.filePath("fresh.txt"), "fresh"));
    bool counting = false;
    // Left unanswered, so that its countdown decides.
    m_answerer->Queue([&](QDialog* dialog)
                      { counting = dialog->isVisible() && dialog->windowTitle().contains("1 秒內關閉"); });

    view->UploadFiles({local.filePath("old.txt"), local.filePath("fresh.txt")});
    QVERIFY(counting);
    QCOMPARE(m_answerer->Seen().size(), 1);
    QVERIFY2(m_answerer->Seen().first().startsWith("確認取代檔案"), qPrintable(m_answerer->Seen().first()));
    QVERIFY(WaitForEmptyQueue());
    QCOMPARE(ReadFile(folder.disk + "/old.txt"), remoteAfter);
    QCOMPARE(ReadFile(folder.disk + "/fresh.txt"), QByteArray("fresh"));
}

// ---- one job or one per file

void TestWindowTransfers::parallelUploadGivesRowPerFile_data()
{
    QTest::addColumn<int>("forceParallel");
    QTest::addColumn<int>("rows");
    QTest::newRow("one job") << 0 << 1;
    QTest::newRow("one job per file") << 1 << 3;
}

void TestWindowTransfers::parallelUploadGivesRowPerFile()
{
    QFETCH(int, forceParallel);
    QFETCH(int, rows);
    WriteProfileInt("Settings", "ForceParallelTransfers", forceParallel);
    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QTemporaryDir local;
    QStringList paths;
    for (const char* name : {"p1.dat", "p2.dat", "p3.dat"})
    {
        paths << local.filePath(name);
        QVERIFY(MakeFile(paths.last(), 30000));
    }
    view->UploadFiles(paths);
    QCOMPARE(m_frame->TransferQueue().rowCount(), rows);
    QVERIFY(WaitForEmptyQueue());
    for (const QString& path : paths)
        QCOMPARE(ReadFile(folder.disk + u'/' + QFileInfo(path).fileName()), ReadFile(path));
}

// ---- server to server

void TestWindowTransfers::copiesSelectionToAnotherSite()
{
    CTestServer* target = m_servers.Require("pyftpdlib");
    QVERIFY(target);
    CRemoteFolder into;
    QVERIFY(MakeServerFolder(*target, &into));
    // The target site lands in the copy's own folder of the second server.
    CSiteList sites;
    sites.LoadSites();
    CFtpSite site;
    site.Name = "target";
    site.Address = "127.0.0.1";
    site.Port = target->Port();
    site.Login = target->User();
    site.Password = target->Password();
    site.RemotePath = into.remote;
    QVERIFY(sites.StoreSite(site));

    CRemoteFolder folder;
    CFTPClientView* view = Open("proftpd", &folder);
    QVERIFY(view);
    QStringList offered;
    view->Choosers().targetSite = [&](QWidget*, CSiteList& known) -> std::optional<QString>
    {
        offered = known.SitePaths();
        return QStringLiteral("target");
    };
    SelectRows(view, {"b.bin", "sub"});
    view->CopySelectionToSite();
    QCOMPARE(offered, QStringList{"target"});
    CTransferQueue& queue = m_frame->TransferQueue();
    QCOMPARE(queue.rowCount(), 1);
    QVERIFY(
        queue.data(queue.index(0, CTransferQueue::DestinationColumn)).toString().startsWith("ftp:\\target"));
    QVERIFY(WaitForEmptyQueue());
    QCOMPARE(ReadFile(into.disk + "/b.bin"), ReadFile(folder.disk + "/b.bin"));
    QCOMPARE(ReadFile(into.disk + "/sub/inner.txt"), QByteArray("inner"));

    // No site chosen: nothing queued.
    view->Choosers().targetSite = [](QWidget*, CSiteList&) { return std::optional<QString>(); };
    view->CopySelectionToSite();
    QCOMPARE(queue.rowCount(), 0);
}

QTEST_MAIN(TestWindowTransfers)
#include "tst_window_transfers.moc"
