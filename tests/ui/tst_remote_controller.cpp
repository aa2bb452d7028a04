#include "sites/SiteList.h"
#include "transfer/TransferQueue.h"
#include "transfer/WorkerFactory.h"
#include "ui/connection/FTPClientDoc.h"
#include "ui/connection/RemoteController.h"
#include "ui/connection/RemoteIconModel.h"
#include "ui/connection/RemoteViewDialogs.h"

#include "../transfer/WorkerTestSupport.h"
#include "WindowTestSupport.h"

#include <QItemSelectionModel>
#include <QSignalSpy>

using namespace WindowTestSupport;

namespace
{

using C = FrameCommand;
// clang-format off
const QList<C> kCommands{C::Connect, C::Disconnect, C::Stop, C::Browse, C::NewFolder, C::Rename, C::Delete,
    C::Move, C::Properties, C::Download, C::DownloadTo, C::Upload, C::GoTo, C::Refresh, C::SelectAll,
    C::GoToLocalFolder, C::GoToDefaultFolder, C::UpdateLocalFolder};
// clang-format on
const QStringList kNames =
    u"connect,disconnect,stop,browse,new folder,rename,delete,move,properties,download,"
    u"download to,upload,go to,refresh,select all,site's local folder,default folder,"
    u"update local folder"_s.split(u',');

} // namespace

// The connection window's commands without a window: which are enabled, and where they put files.
class TestRemoteController : public QObject
{
    Q_OBJECT

    std::optional<CFixture> m_fixture;
    // No question is asked here: the dialogs would open only when one was.
    CRemoteViewDialogs m_dialogs{nullptr};
    CRemoteFolder m_folder;
    QTemporaryDir m_local;

    QStringList Enabled(const CRemoteController& controller)
    {
        QStringList names;
        for (qsizetype i = 0; i < kCommands.size(); ++i)
            if (controller.IsCommandEnabled(kCommands[i]))
                names << kNames[i];
        return names;
    }
    static void Select(CRemoteController& controller, const QStringList& names)
    {
        controller.Selection()->clearSelection();
        // The parent row is the first; FindRow looks only at the others.
        for (const QString& name : names)
            controller.Selection()->setCurrentIndex(
                controller.ShownModel()->index(
                    name == ".."_L1 ? 0 : controller.Session().ListModel().FindRow(name), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The harness folder saved as the site "Work\Box" with its own local folder.
    bool SaveSite(CSiteList& sites)
    {
        CFtpSite site;
        CTestServer* server = Harness::Require("proftpd");
        site.Name = u"Box"_s;
        site.Address = u"127.0.0.1"_s;
        site.Port = int(server->Port());
        site.Login = server->User();
        site.Password = server->Password();
        site.RemotePath = m_folder.remote;
        site.LocalPath = m_local.filePath(u"site"_s);
        return QDir().mkpath(site.LocalPath) && sites.StoreSite(site, u"Work"_s);
    }

private Q_SLOTS:
    void init()
    {
        m_fixture.emplace();
        QVERIFY(MakeServerFolder("proftpd", &m_folder));
    }
    void cleanup() { m_fixture.reset(); }

    void enabledStates_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<bool>("queue");
        QTest::addColumn<bool>("local");
        QTest::addColumn<QStringList>("enabled");
        const QStringList idle{"connect", "disconnect", "new folder", "upload",
                               "go to",   "refresh",    "select all"};
        const QStringList oneFile =
            idle + QStringList{"browse", "rename", "delete", "move", "properties", "download", "download to"};
        QTest::newRow("not connected")
            << false << QStringList() << true << true << QStringList{"connect", "default folder"};
        QTest::newRow("nothing selected") << true << QStringList() << true << false << idle;
        QTest::newRow("parent row only")
            << true << QStringList{".."} << true << false << idle + QStringList{"browse"};
        QTest::newRow("one file") << true << QStringList{"a.txt"} << true << false << oneFile;
        QStringList two = oneFile;
        two.removeOne("rename");
        QTest::newRow("a file and a folder") << true << QStringList{"a.txt", "sub"} << true << false << two;
        QStringList noQueue = oneFile;
        for (const char* name : {"upload", "download", "download to"})
            noQueue.removeOne(QString::fromLatin1(name));
        QTest::newRow("without a queue") << true << QStringList{"a.txt"} << false << false << noQueue;
        QTest::newRow("typed address, local browser")
            << true << QStringList() << true << true << idle + QStringList{"default folder"};
    }
    void enabledStates()
    {
        QFETCH(bool, connect);
        QFETCH(QStringList, selected);
        QFETCH(bool, queue);
        QFETCH(bool, local);
        QFETCH(QStringList, enabled);
        CWorkerFactory factory(m_dialogs.OverwritePrompts());
        CTransferQueue transfers(factory, nullptr, nullptr);
        CConnectionContext context;
        context.queue = queue ? &transfers : nullptr;
        if (local)
        {
            context.localFolder = [this] { return m_local.path(); };
            context.showLocalFolder = [](const QString&) {};
        }
        CRemoteController controller(context, m_dialogs);
        const auto target = CFTPClientDoc::SplitTarget(m_folder.address, {}, {});
        if (connect)
            QVERIFY(controller.ConnectTo(target.address, target.login, target.password));
        Select(controller, selected);
        std::sort(enabled.begin(), enabled.end());
        QStringList shown = Enabled(controller);
        std::sort(shown.begin(), shown.end());
        QCOMPARE(shown, enabled);
    }

    // The view style and the transfer type each carry one check mark in their group.
    void checkedStates()
    {
        CRemoteController controller({}, m_dialogs);
        const QList<QList<C>> groups{{C::SmallIcons, C::LargeIcons, C::List, C::Details},
                                     {C::TypeAuto, C::TypeAscii, C::TypeBinary}};
        for (const QList<C>& group : groups)
            for (qsizetype chosen = 0; chosen < group.size(); ++chosen)
            {
                if (group.size() == 4)
                    controller.SetViewStyle(CRemoteController::SmallIconStyle + int(chosen));
                else
                    controller.RunCommand(group[chosen]);
                for (qsizetype i = 0; i < group.size(); ++i)
                    QCOMPARE(controller.IsCommandChecked(group[i]), i == chosen);
            }
    }

    // A saved site: its local folder shown on request, and the local browser's folder stored back into it;
    // a download goes to the local browser's folder unless DownloadToLocalBrowser is off.
    void localFolders_data()
    {
        QTest::addColumn<int>("toLocalBrowser");
        QTest::addColumn<QString>("expectedFolder");
        QTest::newRow("to the local browser") << 1 << u"browser"_s;
        QTest::newRow("to the site's folder") << 0 << u"site"_s;
    }
    void localFolders()
    {
        QFETCH(int, toLocalBrowser);
        QFETCH(QString, expectedFolder);
        WriteProfileInt("Settings", "DownloadToLocalBrowser", toLocalBrowser);
        CSiteList sites;
        sites.LoadSites();
        QVERIFY(SaveSite(sites));
        QString browser = m_local.filePath(u"browser"_s);
        QVERIFY(QDir().mkpath(browser));
        QStringList shown;
        CWorkerFactory factory(m_dialogs.OverwritePrompts());
        CTransferQueue transfers(factory, &sites, nullptr);
        CConnectionContext context;
        context.sites = &sites;
        context.queue = &transfers;
        context.localFolder = [&] { return browser; };
        context.showLocalFolder = [&](const QString& folder) { shown << folder; };
        CRemoteController controller(context, m_dialogs);
        QVERIFY(controller.ConnectTo(u"Work\\Box"_s, {}, {}));
        QVERIFY(Enabled(controller).contains(u"site's local folder"_s));
        controller.RunCommand(C::GoToLocalFolder);
        QCOMPARE(shown, QStringList{m_local.filePath(u"site"_s)});

        Select(controller, {u"b.bin"_s});
        controller.DownloadSelection();
        QVERIFY(WaitForEmptyQueue(transfers));
        QCOMPARE(TestFiles::ReadFile(m_local.filePath(expectedFolder + u"/b.bin"_s)),
                 TestFiles::ReadFile(m_folder.disk + u"/b.bin"_s));

        browser = m_local.filePath(u"elsewhere"_s);
        controller.RunCommand(C::UpdateLocalFolder);
        CFtpSite stored;
        QVERIFY(sites.LoadSiteByPath(u"Work\\Box"_s, stored));
        QCOMPARE(stored.LocalPath, browser);
        QCOMPARE(stored.Password, Harness::Require("proftpd")->Password());
    }

    // A folder downloaded in parallel is listed on a thread and shared out into TransferMax jobs.
    void sharesAFolderDownload()
    {
        QVERIFY(WriteProfileInt("Settings", "ForceParallelTransfers", 1) &&
                WriteProfileInt("Settings", "TransferMax", 4));
        const QString deep = m_folder.disk + u"/sub/deep"_s;
        QVERIFY(QDir().mkpath(deep) && GiveToServerUser(deep, m_folder.disk));
        for (int i = 0; i < 8; ++i)
            QVERIFY(
                MakeServerFile(deep + u"/f%1"_s.arg(i), QByteArray(9000 * i, char('a' + i)), m_folder.disk));
        QVERIFY(QFile::remove(m_folder.disk + u"/b.bin"_s) && QFile::remove(m_folder.disk + u"/old.txt"_s));
        CWorkerFactory factory(m_dialogs.OverwritePrompts());
        CTransferQueue transfers(factory, nullptr, nullptr);
        CConnectionContext context;
        context.queue = &transfers;
        CRemoteController controller(context, m_dialogs);
        const auto target = CFTPClientDoc::SplitTarget(m_folder.address, {}, {});
        QVERIFY(controller.ConnectTo(target.address, target.login, target.password));
        Select(controller, {u"sub"_s, u"a.txt"_s});
        QSignalSpy queued(&transfers, &QAbstractItemModel::rowsInserted);
        const QString local = m_local.filePath(u"parallel"_s);
        controller.DownloadSelection(local);
        QVERIFY(controller.IsPlanning() && controller.IsBusyShown());
        QVERIFY(QTest::qWaitFor([&] { return !controller.IsPlanning(); }, kWaitMs));
        QCOMPARE(queued.size(), 4);
        QVERIFY(!controller.IsBusyShown() && WaitForEmptyQueue(transfers));
        QCOMPARE(WorkerTest::TreeOf(local), WorkerTest::TreeOf(m_folder.disk));
    }
};

QTEST_MAIN(TestRemoteController)
#include "tst_remote_controller.moc"
