#include "app/StringList.h"
#include "sites/SiteList.h"

#include "WindowTestSupport.h"

using namespace TestFiles;
using namespace WindowTestSupport;

namespace
{

// Every file under the folder, by path relative to it.
QStringList FilesUnder(const QString& root)
{
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

void SaveMasks(const QString& key, const QStringList& masks)
{
    CStringList list;
    list.Items() = masks;
    SaveProfileObject(u"Filter"_s, key, list);
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

    std::optional<CFixture> m_fixture;
    CModalAnswerer& Answerer() { return m_fixture->answerer; }
    std::unique_ptr<CMainFrame> m_frame;
    CRemoteFolder m_folder;
    std::unique_ptr<QTemporaryDir> m_local;

    // The frame's window connected to a fresh folder of proftpd.
    CFTPClientView* Open()
    {
        if (!MakeServerFolder("proftpd", &m_folder))
            return nullptr;
        m_frame = std::make_unique<CMainFrame>();
        m_frame->ShowWithSavedPlacement();
        CChildFrame* window = OpenAndWait(*m_frame, m_folder.address);
        return window ? window->View() : nullptr;
    }
    CTransferQueue& Queue() { return m_frame->TransferQueue(); }
    QString Local(const QString& name) const { return m_local->filePath(name); }
    QByteArray Remote(const QString& name) const { return ReadFile(m_folder.disk + u'/' + name); }
    QString Status() { return Queue().data(Queue().index(0, CTransferQueue::StatusColumn)).toString(); }

private Q_SLOTS:
    void init()
    {
        m_fixture.emplace();
        m_local = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_frame.reset();
        m_fixture.reset();
    }

    void downloadToAsksForTarget_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("several rows into a folder")
            << QStringList{"a.txt", "sub"} << false << QStringList{"a.txt", "sub/inner.txt"};
        QTest::newRow("one row through a file name") << QStringList{"b.bin"} << false << QStringList{"b.bin"};
        QTest::newRow("one row cancelled") << QStringList{"a.txt"} << true << QStringList{};
    }
    void downloadToAsksForTarget()
    {
        QFETCH(QStringList, rows);
        QFETCH(bool, cancel);
        QFETCH(QStringList, expected);
        CFTPClientView* view = Open();
        QVERIFY(view);
        QStringList asked, starts;
        auto answer = [&](const QString& kind, const QString& start)
        {
            asked << kind;
            starts << start;
            // The dialog's file name may differ from the row's: only its folder counts.
            return cancel ? QString() : kind == "folder" ? m_local->path() : Local("chosen.name");
        };
        view->Choosers().folder = [&](QWidget*, const QString& start) { return answer("folder", start); };
        view->Choosers().saveFile = [&](QWidget*, const QString& suggested)
        { return answer("file", suggested); };

        SelectRows(view, rows);
        view->RunCommand(FrameCommand::DownloadTo);
        QCOMPARE(asked, QStringList{rows.size() == 1 ? "file" : "folder"});
        QVERIFY(rows.size() > 1 || QFileInfo(starts.first()).fileName() == rows.first());
        QVERIFY(WaitForEmptyQueue(Queue()));
        QCOMPARE(FilesUnder(m_local->path()), expected);

        // The next several-row choice starts where the last one went; a cancelled one moves nothing.
        SelectRows(view, {"a.txt", "old.txt"});
        cancel = true;
        view->RunCommand(FrameCommand::DownloadTo);
        QCOMPARE(starts.last(), expected.isEmpty() ? QString() : m_local->path());
        QCOMPARE(Queue().rowCount(), 0);
    }

    void scheduledTransfersWait_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<bool>("accept");
        QTest::newRow("download") << false << true;
        QTest::newRow("upload") << true << true;
        QTest::newRow("download cancelled") << false << false;
        QTest::newRow("upload cancelled") << true << false;
    }
    void scheduledTransfersWait()
    {
        QFETCH(bool, upload);
        QFETCH(bool, accept);
        CFTPClientView* view = Open();
        QVERIFY(view);
        WriteProfileString("Settings", "DefaultLocalPath", m_local->path());
        QVERIFY(WriteFile(Local("new.txt"), "new"));
        int filesAsked = 0;
        view->Choosers().openFiles = [&](QWidget*)
        {
            ++filesAsked;
            return QStringList{Local("new.txt")};
        };
        // Ticks "啟動排程" with a start a day ahead, so that the job waits.
        Answerer().Queue(
            [accept](QDialog* dialog)
            {
                dialog->findChild<QCheckBox*>(u"enabled"_s)->setChecked(true);
                dialog->findChild<QDateEdit*>(u"date"_s)->setDate(QDate::currentDate().addDays(1));
                accept ? dialog->accept() : dialog->reject();
            });

        SelectRows(view, {"a.txt"});
        upload ? view->ScheduledUpload() : view->ScheduledDownload();
        QCOMPARE(Answerer().Seen(), QStringList{"排程作業"});
        // The files are asked for only once a schedule was given.
        QCOMPARE(filesAsked, upload && accept ? 1 : 0);
        QCOMPARE(Queue().rowCount(), accept ? 1 : 0);
        if (!accept)
            return;
        QCOMPARE(
            QStringList({Status(), Queue().data(Queue().index(0, CTransferQueue::NameColumn)).toString()}),
            QStringList({CTransferQueue::kScheduled, upload ? u"new.txt"_s : u"a.txt"_s}));
        QVERIFY(Queue().Schedule(0).enabled);
        QCOMPARE(Queue().Schedule(0).start.toLocalTime().date(), QDate::currentDate().addDays(1));
    }

    // The filtered commands leave out what the filter excludes; which names a filter passes is the
    // workers' concern.
    void filteredCommandsLeaveOutNames_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("download") << false;
        QTest::newRow("upload") << true;
    }
    void filteredCommandsLeaveOutNames()
    {
        QFETCH(bool, upload);
        // The exclusions count only behind an inclusion list.
        SaveMasks("Mask", {"*"});
        SaveMasks("NotMask", {"*.bin"});
        CFTPClientView* view = Open();
        QVERIFY(view);
        WriteProfileString("Settings", "DefaultLocalPath", m_local->path());
        if (upload)
        {
            QVERIFY(WriteFile(Local("up.txt"), "up") && WriteFile(Local("up.bin"), "bin"));
            view->Choosers().openFiles = [&](QWidget*) {
                return QStringList{Local("up.txt"), Local("up.bin")};
            };
            view->FilteredUpload();
        }
        else
        {
            SelectRows(view, {"a.txt", "b.bin", "sub"});
            view->FilteredDownload();
        }
        QVERIFY(WaitForEmptyQueue(Queue()));
        if (upload)
            QVERIFY(Remote("up.txt") == "up" && !QFile::exists(m_folder.disk + "/up.bin"));
        else
            QCOMPARE(FilesUnder(m_local->path()), QStringList({"a.txt", "sub/inner.txt"}));
    }

    void droppedLocalFilesAreUploaded()
    {
        CFTPClientView* view = Open();
        QVERIFY(view);
        QVERIFY(WriteFile(Local("one.dat"), "one") && QDir().mkpath(Local("tree/inner")));
        QVERIFY(WriteFile(Local("tree/inner/two.txt"), "two"));
        QWidget* viewport = view->CurrentView()->viewport();
        const QUrl web(u"https://example.invalid/x.txt"_s);

        // Nothing local in the drag: refused, nothing queued.
        QVERIFY(!DropUrls(viewport, {web}));
        QTest::qWait(50);
        QCOMPARE(Queue().rowCount(), 0);

        // A web address among the files is left out; the files and the folder go up.
        QVERIFY(DropUrls(viewport,
                         {QUrl::fromLocalFile(Local("one.dat")), web, QUrl::fromLocalFile(Local("tree"))}));
        QVERIFY(QTest::qWaitFor([&] { return Queue().rowCount() > 0; }, kWaitMs));
        QVERIFY(WaitForEmptyQueue(Queue()));
        QCOMPARE(Remote("one.dat") + Remote("tree/inner/two.txt"), QByteArray("onetwo"));
        QVERIFY(!QFile::exists(m_folder.disk + "/x.txt"));
        QVERIFY(view->Session().ListModel().FindRow("one.dat") >= 0);
    }

    void parallelUploadGivesRowPerFile_data()
    {
        QTest::addColumn<int>("forceParallel");
        QTest::addColumn<int>("rows");
        QTest::newRow("one job") << 0 << 1;
        QTest::newRow("one job per file") << 1 << 3;
    }
    void parallelUploadGivesRowPerFile()
    {
        QFETCH(int, forceParallel);
        WriteProfileInt("Settings", "ForceParallelTransfers", forceParallel);
        CFTPClientView* view = Open();
        QVERIFY(view);
        const QStringList names{"p1.dat", "p2.dat", "p3.dat"};
        for (const QString& name : names)
            QVERIFY(MakeFile(Local(name), 30000 + name.at(1).digitValue()));
        view->UploadFiles({Local(names[0]), Local(names[1]), Local(names[2])});
        QTEST(Queue().rowCount(), "rows");
        QVERIFY(WaitForEmptyQueue(Queue()));
        // The rows come from the finished uploads.
        const CRemoteListModel& rows = view->Session().ListModel();
        for (const QString& name : names)
            QCOMPARE(rows.Items().value(rows.FindRow(name)).size, 30000 + name.at(1).digitValue());
    }

    void copiesSelectionToAnotherSite()
    {
        CTestServer* target = Harness::Require("pyftpdlib");
        QVERIFY(target);
        CRemoteFolder into;
        QVERIFY(MakeServerFolder("pyftpdlib", &into));
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

        CFTPClientView* view = Open();
        QVERIFY(view);
        QStringList offered;
        view->Choosers().targetSite = [&](QWidget*, CSiteList& known) -> std::optional<QString>
        {
            offered = known.SitePaths();
            return u"target"_s;
        };
        SelectRows(view, {"b.bin", "sub"});
        view->CopySelectionToSite();
        QCOMPARE(offered, QStringList{"target"});
        QCOMPARE(Queue().rowCount(), 1);
        QVERIFY(WaitForEmptyQueue(Queue()));
        QCOMPARE(ReadFile(into.disk + "/b.bin"), Remote("b.bin"));
        QCOMPARE(ReadFile(into.disk + "/sub/inner.txt"), QByteArray("inner"));

        // No site chosen: nothing queued.
        view->Choosers().targetSite = [](QWidget*, CSiteList&) { return std::optional<QString>(); };
        view->CopySelectionToSite();
        QCOMPARE(Queue().rowCount(), 0);
    }
};

QTEST_MAIN(TestWindowTransfers)
#include "tst_window_transfers.moc"
