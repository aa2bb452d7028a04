#include "support/Screenshot.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "transfer/TransferQueue.h"
#include "ui/AboutDlg.h"
#include "ui/ChildFrame.h"
#include "ui/FTPClientView.h"
#include "ui/FrameCommands.h"
#include "ui/MainFrame.h"
#include "ui/MdiTabBar.h"
#include "ui/PropertiesDlg.h"
#include "ui/RemoteIconModel.h"
#include "ui/ReplaceFileDlg.h"
#include "ui/ResizableDlgBar.h"
#include "ui/Translations.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QItemSelectionModel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace
{

// Shows the frame and opens a window connected to the server's folder; null when it did not connect.
CFTPClientView* OpenConnected(CMainFrame& frame, CTestServer& server, const QString& folder)
{
    frame.resize(1024, 700);
    frame.ShowWithSavedPlacement();
    const QString address = QStringLiteral("ftp://%1:%2@127.0.0.1:%3%4")
                                .arg(server.User(), server.Password())
                                .arg(server.Port())
                                .arg(folder);
    auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(address)->widget());
    if (!window)
        return nullptr;
    CFTPClientView* view = window->View();
    return QTest::qWaitFor([view] { return view->Session().IsConnected() && !view->IsWaiting(); }, 30000)
               ? view
               : nullptr;
}

} // namespace

// Pictures of the main window for a person to look at, checked and written in every run.
class TestScreenshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void mainWindow();
    void aboutBox();
    void transfersWithPrompt();

private:
    void Save(QWidget* widget, const QString& name, const QStringList& texts);

    QTemporaryDir m_home;
    TestFiles::CServerPool m_servers;
};

void TestScreenshots::initTestCase()
{
    qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
    CTranslations::Install(*qApp);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zentrava.svg")));
}

void TestScreenshots::Save(QWidget* widget, const QString& name, const QStringList& texts)
{
    const QString problem = Screenshot::Save(*widget, name, texts);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestScreenshots::mainWindow()
{
    CTestServer* server = m_servers.Get(QStringLiteral("proftpd"));
    QVERIFY2(server, qPrintable(m_servers.Error(QStringLiteral("proftpd"))));
    QVERIFY(QDir().mkpath(server->Root() + QStringLiteral("/文件")));
    for (const char* name : {"報告.pdf", "index.html", "photo.jpg", "notes.txt"})
        QVERIFY(TestFiles::WriteFile(server->Root() + u'/' + QString::fromUtf8(name), QByteArray(3000, 'x')));
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("ConnectionTimeout"), 20);

    CMainFrame frame;
    CFTPClientView* view = OpenConnected(frame, *server, QStringLiteral("/"));
    QVERIFY(view);
    frame.Commands()->Action(FrameCommand::Details)->trigger();
    // The picture is of the connection window: the bars that are still empty make room for it.
    frame.TransferManagerBar()->hide();
    frame.LocalBrowserBar()->hide();
    QTRY_VERIFY(frame.MdiArea()->height() > frame.height() / 2);
    QTRY_COMPARE(frame.TabBar()->count(), 1);
    Save(&frame, QStringLiteral("mainframe.png"), {QStringLiteral("報告.pdf"), QStringLiteral("文件")});

    const CRemoteListModel& rows = view->Session().ListModel();
    CPropertiesDlg properties({rows.Item(rows.FindRow(QStringLiteral("報告.pdf")))},
                              view->Session().ServerName(), view->Session().CurrentFolder(),
                              view->Session().HasSiteChmod());
    properties.show();
    QVERIFY(QTest::qWaitForWindowExposed(&properties));
    Save(&properties, QStringLiteral("properties.png"), {QStringLiteral("報告.pdf")});
}

void TestScreenshots::aboutBox()
{
    CAboutDlg about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    Save(&about, QStringLiteral("about.png"), {about.windowTitle()});
}

// Three downloads, each past its first file and waiting at the replace prompt of its second; the picture is
// the frame with the first prompt drawn where it stands.
void TestScreenshots::transfersWithPrompt()
{
    CTestServer* server = m_servers.Get(QStringLiteral("proftpd"));
    QVERIFY2(server, qPrintable(m_servers.Error(QStringLiteral("proftpd"))));
    const QString remote = server->Root() + QStringLiteral("/傳輸");
    QVERIFY(QDir().mkpath(remote));
    QTemporaryDir local;
    const QStringList jobs{QStringLiteral("影片"), QStringLiteral("備份"), QStringLiteral("相片")};
    for (const QString& job : jobs)
    {
        QVERIFY(TestFiles::MakeFile(remote + u'/' + job + QStringLiteral("-1.bin"), 8 << 20));
        QVERIFY(TestFiles::MakeFile(remote + u'/' + job + QStringLiteral("-2.bin"), 8 << 20));
        // Larger than the remote file, so that the question is a replace and not a resume.
        QVERIFY(TestFiles::MakeFile(local.filePath(job + QStringLiteral("-2.bin")), 9 << 20));
    }
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("ConnectionTimeout"), 20);
    WriteProfileInt(QStringLiteral("SmartOverwrite"), QStringLiteral("MatchingFiles"), 0);
    WriteProfileInt(QStringLiteral("SmartOverwrite"), QStringLiteral("EnableTimeout"), 0);

    CMainFrame frame;
    CFTPClientView* view = OpenConnected(frame, *server, QStringLiteral("/傳輸/"));
    QVERIFY(view);
    frame.TransferManagerBar()->show();
    // The queue's columns need the frame's whole width on the small offscreen screen.
    frame.SiteManagerBar()->hide();
    frame.LocalBrowserBar()->hide();
    QItemSelectionModel* selection = view->DetailsView()->selectionModel();
    for (const QString& job : jobs)
    {
        selection->clearSelection();
        for (const QString& suffix : {QStringLiteral("-1.bin"), QStringLiteral("-2.bin")})
            selection->select(view->ShownModel()->index(view->Session().ListModel().FindRow(job + suffix), 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
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
    const QString problem = Screenshot::Problem(picture, frame, {QStringLiteral("影片-1.bin")});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(picture.save(Screenshot::Folder().filePath(QStringLiteral("transfers.png"))));

    QList<int> rows;
    for (int row = 0; row < queue.rowCount(); ++row)
        rows << row;
    queue.Cancel(rows);
    QTRY_COMPARE_WITH_TIMEOUT(queue.rowCount(), 0, 30000);
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
