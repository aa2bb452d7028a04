#include "support/Screenshot.h"

#include "ui/AboutDlg.h"
#include "ui/FrameCommands.h"
#include "ui/MdiTabBar.h"
#include "ui/PropertiesDlg.h"
#include "ui/ResizableDlgBar.h"
#include "ui/Translations.h"

#include "WindowTestSupport.h"

#include <QMdiArea>

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
        frame.resize(1024, 700);
        frame.ShowWithSavedPlacement();
        CChildFrame* window = OpenAndWait(
            frame,
            u"ftp://%1:%2@127.0.0.1:%3/"_s.arg(server->User(), server->Password()).arg(server->Port()));
        QVERIFY(window);
        CFTPClientView* view = window->View();
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
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
