#include "support/Screenshot.h"

#include "ui/AboutDlg.h"
#include "ui/FrameCommands.h"
#include "ui/MdiTabBar.h"
#include "ui/PropertiesDlg.h"
#include "ui/ReplaceFileDlg.h"
#include "ui/ResizableDlgBar.h"
#include "ui/Translations.h"

#include "WindowTestSupport.h"

#include <QMdiArea>
#include <QPainter>

using namespace WindowTestSupport;

// Pictures of the main window for a person to look at, checked and written in every run.
class TestScreenshots : public QObject
{
    Q_OBJECT

    CHome m_home;

    static void Save(QWidget* widget, const QString& name, const QStringList& texts)
    {
        const QString problem = Screenshot::Save(*widget, name, texts);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    // Shows the frame and opens a window connected to the folder of proftpd; null when it did not connect.
    static CFTPClientView* OpenConnected(CMainFrame& frame, const QString& folder)
    {
        CTestServer* server = Harness::Require(u"proftpd"_s);
        frame.resize(1024, 700);
        frame.ShowWithSavedPlacement();
        CChildFrame* window =
            server
                ? OpenAndWait(frame, u"ftp://%1:%2@127.0.0.1:%3%4"_s.arg(server->User(), server->Password())
                                         .arg(server->Port())
                                         .arg(folder))
                : nullptr;
        return window ? window->View() : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        CTranslations::Install(*qApp);
        QApplication::setWindowIcon(QIcon(u":/zentrava.svg"_s));
    }

    void mainWindowAndProperties()
    {
        CTestServer* server = Harness::Require(u"proftpd"_s);
        QVERIFY(server);
        QVERIFY(QDir().mkpath(server->Root() + u"/文件"_s));
        for (const char* name : {"報告.pdf", "index.html", "photo.jpg", "notes.txt"})
            QVERIFY(
                TestFiles::WriteFile(server->Root() + u'/' + QString::fromUtf8(name), QByteArray(3000, 'x')));
        CMainFrame frame;
        CFTPClientView* view = OpenConnected(frame, u"/"_s);
        QVERIFY(view);
        frame.Commands()->Action(FrameCommand::Details)->trigger();
        // The picture is of the connection window: the bars that are still empty make room for it.
        frame.TransferManagerBar()->hide();
        frame.LocalBrowserBar()->hide();
        QTRY_VERIFY(frame.MdiArea()->height() > frame.height() / 2);
        QTRY_COMPARE(frame.TabBar()->count(), 1);
        Save(&frame, u"mainframe.png"_s, {u"報告.pdf"_s, u"文件"_s, u"連線"_s});

        const CRemoteListModel& rows = view->Session().ListModel();
        CPropertiesDlg properties({rows.Item(rows.FindRow(u"報告.pdf"_s))}, view->Session().ServerName(),
                                  view->Session().CurrentFolder(), view->Session().HasSiteChmod());
        properties.show();
        QVERIFY(QTest::qWaitForWindowExposed(&properties));
        Save(&properties, u"properties.png"_s, {u"報告.pdf"_s});
    }

    void aboutBox()
    {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        Save(&about, u"about.png"_s, {about.windowTitle()});
    }

    // Three downloads, each past its first file and waiting at the replace prompt of its second; the
    // picture is the frame with the first prompt drawn where it stands.
    void transfersWithPrompt()
    {
        CTestServer* server = Harness::Require(u"proftpd"_s);
        QVERIFY(server);
        const QString remote = server->Root() + u"/傳輸"_s;
        QVERIFY(QDir().mkpath(remote));
        QTemporaryDir local;
        const QStringList jobs{u"影片"_s, u"備份"_s, u"相片"_s};
        for (const QString& job : jobs)
        {
            QVERIFY(TestFiles::MakeFile(remote + u'/' + job + u"-1.bin"_s, 8 << 20));
            QVERIFY(TestFiles::MakeFile(remote + u'/' + job + u"-2.bin"_s, 8 << 20));
            // Larger than the remote file, so that the question is a replace and not a resume.
            QVERIFY(TestFiles::MakeFile(local.filePath(job + u"-2.bin"_s), 9 << 20));
        }
        WriteProfileInt(u"SmartOverwrite"_s, u"MatchingFiles"_s, 0);
        WriteProfileInt(u"SmartOverwrite"_s, u"EnableTimeout"_s, 0);

        CMainFrame frame;
        CFTPClientView* view = OpenConnected(frame, u"/傳輸/"_s);
        QVERIFY(view);
        frame.TransferManagerBar()->show();
        // The queue's columns need the frame's whole width on the small offscreen screen.
        frame.SiteManagerBar()->hide();
        frame.LocalBrowserBar()->hide();
        for (const QString& job : jobs)
        {
            SelectRows(view, {job + u"-1.bin"_s, job + u"-2.bin"_s});
            view->DownloadSelection(local.path());
        }
        CTransferQueue& queue = frame.TransferQueue();
        QCOMPARE(queue.rowCount(), 3);
        auto prompts = []
        {
            QList<QWidget*> open;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (qobject_cast<CReplaceFileDlg*>(widget) && widget->isVisible())
                    open << widget;
            return open;
        };
        QTRY_COMPARE_WITH_TIMEOUT(prompts().size(), 3, 30000);
        QCOMPARE(queue.RunningCount(), 3);

        QWidget* prompt = prompts().constFirst();
        QImage picture = frame.grab().toImage();
        {
            QPainter painter(&picture);
            const QPoint at((frame.width() - prompt->width()) / 2, (frame.height() - prompt->height()) / 2);
            painter.drawPixmap(at * frame.devicePixelRatio(), prompt->grab());
        }
        const QString problem = Screenshot::Problem(picture, frame, {u"影片-1.bin"_s});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(picture.save(Screenshot::Folder().filePath(u"transfers.png"_s)));
        queue.Cancel({0, 1, 2});
        QTRY_COMPARE_WITH_TIMEOUT(queue.rowCount(), 0, 30000);
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
