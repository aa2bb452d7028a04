#include "app/Profile.h"
#include "ui/FrameCommands.h"
#include "ui/FramePlacement.h"
#include "ui/MainFrame.h"
#include "ui/MdiTabBar.h"
#include "ui/ResizableDlgBar.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace
{

const QString kSettings = QStringLiteral("Settings");

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

QAction* FindMenuAction(QMenuBar* bar, const QString& menuTitle, const QString& text)
{
    for (QAction* top : bar->actions())
    {
        if (top->text() != menuTitle || !top->menu())
            continue;
        QList<QMenu*> menus{top->menu()};
        while (!menus.isEmpty())
        {
            for (QAction* action : menus.takeFirst()->actions())
            {
                if (action->text() == text)
                    return action;
                if (action->menu())
                    menus << action->menu();
            }
        }
    }
    return nullptr;
}

void WriteSettings(const QVariantMap& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        WriteProfileInt(kSettings, it.key(), it.value().toInt());
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void tabStripFollowsWindows();
    void tabStripTakesNoSpaceWithoutWindows();
    void choosingTabActivatesWindowMaximised();
    void rightClickCloseClosesTabWindow();
    void frameTitleNeverShowsWindowTitle();

    void menusCarryTextsAndShortcuts_data();
    void menusCarryTextsAndShortcuts();
    void barCommandsShowAndHideBars();
    void toolbarHasLargeIconsLabelsAndViewDropDown();
    void toolbarLookIsSavedAndRestored();

    void placementOnScreen_data();
    void placementOnScreen();
    void positionRestoredAfterRestart();
    void positionOffScreenIsClamped();
    void positionNotRestoredWhenIncomplete_data();
    void positionNotRestoredWhenIncomplete();
    void maximisedStateRestored();

    void barSizesReadWithMinimum_data();
    void barSizesReadWithMinimum();
    void barSizesRestoredAfterRestart();

    void closeRefusedWhileWindowBusy();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestMainFrame::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
}

void TestMainFrame::cleanup()
{
    qunsetenv("ZENTRAVA_HOME");
    m_home.reset();
}

void TestMainFrame::tabStripFollowsWindows()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    CMdiTabBar* tabs = frame.TabBar();
    QVERIFY(tabs->isHidden());

    // Windows without a target: nothing connects and retitles them while the test runs.
    QMdiSubWindow* first = frame.OpenConnection(QString());
    QMdiSubWindow* second = frame.OpenConnection(QString());
    QCOMPARE(tabs->count(), 2);
    QVERIFY(tabs->isVisible());
    QCOMPARE(tabs->tabText(0), QStringLiteral("尚未連線 "));
    QCOMPARE(tabs->tabText(1), QStringLiteral("尚未連線 "));
    QCOMPARE(tabs->WindowAt(0), first);
    QCOMPARE(tabs->currentIndex(), 1);
    QVERIFY(!tabs->tabIcon(0).isNull());

    // Renamed: the tab keeps its place and takes the new title.
    first->widget()->setWindowTitle(QStringLiteral("R&D 主機"));
    QTRY_COMPARE(tabs->tabText(0), QStringLiteral("R&&D 主機 "));
    QCOMPARE(tabs->WindowAt(0), first);

    // Activated: its tab is selected.
    frame.MdiArea()->setActiveSubWindow(first);
    QCOMPARE(tabs->currentIndex(), 0);

    first->close();
    QTRY_COMPARE(tabs->count(), 1);
    QCOMPARE(tabs->WindowAt(0), second);
    second->close();
    QTRY_COMPARE(tabs->count(), 0);
    QVERIFY(tabs->isHidden());
}

void TestMainFrame::tabStripTakesNoSpaceWithoutWindows()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    QWidget* central = frame.centralWidget();
    QTRY_COMPARE(frame.MdiArea()->height(), central->height());

    QMdiSubWindow* window = frame.OpenConnection(QString());
    QTRY_COMPARE(frame.MdiArea()->height(), central->height() - CMdiTabBar::kHeight);
    QCOMPARE(frame.TabBar()->geometry().bottom(), central->rect().bottom());

    window->close();
    QTRY_COMPARE(frame.MdiArea()->height(), central->height());
}

void TestMainFrame::choosingTabActivatesWindowMaximised()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    QMdiSubWindow* first = frame.OpenConnection(QString());
    frame.OpenConnection(QString());
    first->showNormal();

    CMdiTabBar* tabs = frame.TabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QCOMPARE(frame.MdiArea()->activeSubWindow(), first);
    QVERIFY(first->isMaximized());
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestMainFrame::rightClickCloseClosesTabWindow()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    frame.OpenConnection(QString());
    QMdiSubWindow* second = frame.OpenConnection(QString());
    frame.MdiArea()->setActiveSubWindow(second);

    CMdiTabBar* tabs = frame.TabBar();
    QStringList items;
    QTimer::singleShot(0, this,
                       [&]
                       {
                           auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                           if (!menu)
                               return;
                           for (QAction* action : menu->actions())
                               items << action->text();
                           menu->actions().constFirst()->trigger();
                           menu->close();
                       });
    const QPoint where = tabs->tabRect(0).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, where, tabs->mapToGlobal(where));
    QApplication::sendEvent(tabs, &click);

    QCOMPARE(items, QStringList{QStringLiteral("關閉")});
    QTRY_COMPARE(tabs->count(), 1);
    QCOMPARE(tabs->WindowAt(0), second);
}

void TestMainFrame::frameTitleNeverShowsWindowTitle()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    QMdiSubWindow* window = frame.OpenConnection(QString());
    QVERIFY(window->isMaximized());
    window->widget()->setWindowTitle(QStringLiteral("另一個"));
    QApplication::processEvents();
    QCOMPARE(frame.windowTitle(), QStringLiteral("Zentrava Pro"));
}

void TestMainFrame::menusCarryTextsAndShortcuts_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("enabled");
    auto row = [](const char* menu, const char* text, const char* shortcut, bool enabled)
    {
        QTest::newRow(text) << QString::fromUtf8(menu) << QString::fromUtf8(text)
                            << QString::fromUtf8(shortcut) << enabled;
    };
    // Commands of windows that come later stay disabled until those windows wire them.
    row("檔案(&F)", "連線(&C)...", "Ctrl+T", false);
    row("檔案(&F)", "中斷(&D)", "Ctrl+D", false);
    row("檔案(&F)", "取消(&L)", "Esc", false);
    row("檔案(&F)", "連線精靈(&W)...", "Ctrl+W", true);
    row("檔案(&F)", "結束(&X)", "", true);
    row("編輯(&E)", "全選(&A)", "Ctrl+A", false);
    row("編輯(&E)", "反向選取(&V)", "", false);
    row("檢視(&V)", "站台管理(&M)", "", true);
    row("檢視(&V)", "傳送進度管理(&F)", "", true);
    row("檢視(&V)", "快速連線(&Q)", "", true);
    row("檢視(&V)", "我的電腦(&L)", "", true);
    row("檢視(&V)", "重新整理(&R)", "F5", false);
    row("指令(&C)", "瀏覽(&B)", "", false);
    row("指令(&C)", "前往(&G)...", "", false);
    row("指令(&C)", "自動偵測(&A)", "Ctrl+F1", false);
    row("指令(&C)", "ASCII(&S)", "Ctrl+F2", false);
    row("指令(&C)", "二進位碼(&B)", "Ctrl+F3", false);
    row("我的最愛(&A)", "加到我的最愛(&A)...", "Ctrl+F", false);
    row("我的最愛(&A)", "管理我的最愛(&O)...", "Ctrl+E", true);
    row("工具(&T)", "選項(&O)...", "", false);
    row("說明(&H)", "操作手冊(&H)", "F1", true);
    row("說明(&H)", "關於 Zentrava Pro (&A)...", "", true);
}

void TestMainFrame::menusCarryTextsAndShortcuts()
{
    QFETCH(QString, menu);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(bool, enabled);
    CMainFrame frame;
    QAction* action = FindMenuAction(frame.menuBar(), menu, text);
    QVERIFY2(action, qPrintable(text));
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    QCOMPARE(action->isEnabled(), enabled);
}

void TestMainFrame::barCommandsShowAndHideBars()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    const QList<std::pair<QString, QDockWidget*>> bars = {
        {QStringLiteral("站台管理(&M)"), frame.SiteManagerBar()},
        {QStringLiteral("傳送進度管理(&F)"), frame.TransferManagerBar()},
        {QStringLiteral("快速連線(&Q)"), frame.QuickConnectBar()},
        {QStringLiteral("我的電腦(&L)"), frame.LocalBrowserBar()}};
    const QStringList captions = {QStringLiteral("站 台 管 理"), QStringLiteral("傳 送 進 度"),
                                  QStringLiteral("快速連線"), QStringLiteral("我 的 電 腦")};
    for (qsizetype i = 0; i < bars.size(); ++i)
    {
        const auto& [text, bar] = bars[i];
        QCOMPARE(bar->windowTitle(), captions[i]);
        QAction* action = FindMenuAction(frame.menuBar(), QStringLiteral("檢視(&V)"), text);
        QVERIFY(bar->isVisible());
        QVERIFY(action->isChecked());
        action->trigger();
        QVERIFY(bar->isHidden());
        QVERIFY(!action->isChecked());
        action->trigger();
        QVERIFY(bar->isVisible());
    }
    QCOMPARE(frame.dockWidgetArea(frame.QuickConnectBar()), Qt::TopDockWidgetArea);
    QCOMPARE(frame.QuickConnectBar()->allowedAreas(), Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    QCOMPARE(frame.dockWidgetArea(frame.SiteManagerBar()), Qt::LeftDockWidgetArea);
    QCOMPARE(frame.dockWidgetArea(frame.TransferManagerBar()), Qt::BottomDockWidgetArea);
}

void TestMainFrame::toolbarHasLargeIconsLabelsAndViewDropDown()
{
    CMainFrame frame;
    QToolBar* toolBar = frame.MainToolBar();
    QCOMPARE(toolBar->iconSize(), QSize(32, 32));
    QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    QToolButton* view = frame.Commands()->ViewButton();
    QCOMPARE(view->text(), QStringLiteral("檢視"));
    QVERIFY(view->isEnabled());
    QCOMPARE(view->popupMode(), QToolButton::InstantPopup);
    QStringList styles;
    for (QAction* action : frame.Commands()->ViewsMenu()->actions())
        styles << CFrameCommands::ToolbarLabel(action->text());
    QCOMPARE(styles, (QStringList{QStringLiteral("大圖示"), QStringLiteral("小圖示"), QStringLiteral("清單"),
                                  QStringLiteral("詳細資料")}));

    QStringList labels;
    for (QAction* action : toolBar->actions())
        if (!action->isSeparator())
            labels << action->iconText();
    QVERIFY(labels.contains(QStringLiteral("連線")));
    QVERIFY(labels.contains(QStringLiteral("站台管理")));
    QVERIFY(!labels.join(QString()).contains(u'&'));
}

void TestMainFrame::toolbarLookIsSavedAndRestored()
{
    WriteProfileInt(QStringLiteral("ToolbarState"), QStringLiteral("MainToolbarLargeIcons"), 0);
    WriteProfileInt(QStringLiteral("ToolbarState"), QStringLiteral("MainToolbarShowTextLabels"), 0);
    {
        CMainFrame frame;
        QCOMPARE(frame.MainToolBar()->iconSize(), QSize(16, 16));
        QCOMPARE(frame.MainToolBar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
        frame.MainToolBar()->setIconSize(QSize(32, 32));
        frame.ShowWithSavedPlacement();
        QVERIFY(frame.close());
    }
    QCOMPARE(GetProfileInt(QStringLiteral("ToolbarState"), QStringLiteral("MainToolbarLargeIcons")), 1);
    QCOMPARE(GetProfileInt(QStringLiteral("ToolbarState"), QStringLiteral("MainToolbarShowTextLabels")), 0);
}

void TestMainFrame::placementOnScreen_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1024, 768);
    QTest::newRow("inside") << QRect(100, 50, 400, 300) << screen << QPoint(100, 50);
    QTest::newRow("moved by work area")
        << QRect(100, 50, 400, 300) << QRect(0, 30, 1024, 738) << QPoint(100, 80);
    QTest::newRow("far right") << QRect(5000, 50, 400, 300) << screen << QPoint(1024 - 32, 50);
    QTest::newRow("far down") << QRect(100, 4000, 400, 300) << screen << QPoint(100, 768 - 32);
    QTest::newRow("far left") << QRect(-3000, 50, 400, 300) << screen << QPoint(32 - 400, 50);
    QTest::newRow("above") << QRect(100, -500, 400, 300) << screen << QPoint(100, 0);
}

void TestMainFrame::placementOnScreen()
{
    QFETCH(QRect, saved);
    QFETCH(QRect, workArea);
    QFETCH(QPoint, expected);
    CFramePlacement placement;
    placement.normal = saved;
    const QRect rect = placement.ScreenRect(workArea, QRect(0, 0, 1024, 768));
    QCOMPARE(rect.topLeft(), expected);
    QCOMPARE(rect.size(), saved.size());
}

void TestMainFrame::positionRestoredAfterRestart()
{
    // Wide enough for the quick connect bar, which sets the frame's least width.
    const QRect where(120, 70, 640, 420);
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        frame.setGeometry(where);
        QVERIFY(frame.close());
    }
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FrameLeft")), where.left() - work.left());
    QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FrameRight")),
             where.left() - work.left() + where.width());
    QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FrameStatus")), CFramePlacement::kShowNormal);

    CMainFrame again;
    again.ShowWithSavedPlacement();
    QCOMPARE(again.geometry(), where);
}

void TestMainFrame::positionOffScreenIsClamped()
{
    WriteSettings({{QStringLiteral("FrameStatus"), 1},
                   {QStringLiteral("FrameLeft"), 9000},
                   {QStringLiteral("FrameTop"), 9000},
                   {QStringLiteral("FrameRight"), 9600},
                   {QStringLiteral("FrameBottom"), 9400}});
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(frame.geometry().size(), QSize(600, 400));
    QCOMPARE(frame.geometry().left(), screen.right() + 1 - CFramePlacement::kIconSize);
    QCOMPARE(frame.geometry().top(), screen.bottom() + 1 - CFramePlacement::kIconSize);
}

void TestMainFrame::positionNotRestoredWhenIncomplete_data()
{
    QTest::addColumn<int>("savePosition");
    QTest::addColumn<QString>("missing");
    QTest::newRow("SavePosition 0") << 0 << QString();
    QTest::newRow("FrameTop missing") << 1 << QStringLiteral("FrameTop");
    QTest::newRow("FrameStatus missing") << 1 << QStringLiteral("FrameStatus");
}

void TestMainFrame::positionNotRestoredWhenIncomplete()
{
    QFETCH(int, savePosition);
    QFETCH(QString, missing);
    QVariantMap values{{QStringLiteral("SavePosition"), savePosition},
                       {QStringLiteral("FrameStatus"), 1},
                       {QStringLiteral("FrameLeft"), 210},
                       {QStringLiteral("FrameTop"), 110},
                       {QStringLiteral("FrameRight"), 610},
                       {QStringLiteral("FrameBottom"), 410}};
    values.remove(missing);
    WriteSettings(values);
    QVERIFY(!CFramePlacement::Load());

    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    QVERIFY(frame.geometry().topLeft() != QPoint(210, 110));
    frame.setGeometry(10, 20, 300, 200);
    QVERIFY(frame.close());
    // With SavePosition 0 nothing is written back either.
    if (savePosition == 0)
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FrameLeft")), 210);
}

void TestMainFrame::maximisedStateRestored()
{
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        frame.showMaximized();
        QTRY_VERIFY(frame.isMaximized());
        QVERIFY(frame.close());
    }
    QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FrameStatus")), CFramePlacement::kShowMaximized);
    CMainFrame again;
    again.ShowWithSavedPlacement();
    QVERIFY(again.isMaximized());
}

void TestMainFrame::barSizesReadWithMinimum_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");
    for (const char* key :
         {"SizeHorzCX", "SizeHorzCY", "SizeVertCX", "SizeVertCY", "SizeFloatingCX", "SizeFloatingCY"})
    {
        QTest::addRow("%s 10", key) << QString::fromLatin1(key) << 10 << 32;
        QTest::addRow("%s -5", key) << QString::fromLatin1(key) << -5 << 32;
        QTest::addRow("%s 32", key) << QString::fromLatin1(key) << 32 << 32;
        QTest::addRow("%s 250", key) << QString::fromLatin1(key) << 250 << 250;
    }
}

void TestMainFrame::barSizesReadWithMinimum()
{
    QFETCH(QString, key);
    QFETCH(int, stored);
    QFETCH(int, expected);
    QMainWindow frame;
    CResizableDlgBar bar(QStringLiteral("傳 送 進 度"), new QWidget, QSize(600, 150), &frame);
    // Unset values keep the bar's own size, with 4 more pixels of thickness when docked.
    bar.LoadBarSizes(QStringLiteral("TransferManager"));
    QCOMPARE(bar.Sizes().horizontal, QSize(600, 154));
    QCOMPARE(bar.Sizes().vertical, QSize(604, 150));
    QCOMPARE(bar.Sizes().floating, QSize(600, 150));

    WriteProfileInt(QStringLiteral("TransferManager"), key, stored);
    bar.LoadBarSizes(QStringLiteral("TransferManager"));
    const CBarSizes& sizes = bar.Sizes();
    const QMap<QString, int> read = {{QStringLiteral("SizeHorzCX"), sizes.horizontal.width()},
                                     {QStringLiteral("SizeHorzCY"), sizes.horizontal.height()},
                                     {QStringLiteral("SizeVertCX"), sizes.vertical.width()},
                                     {QStringLiteral("SizeVertCY"), sizes.vertical.height()},
                                     {QStringLiteral("SizeFloatingCX"), sizes.floating.width()},
                                     {QStringLiteral("SizeFloatingCY"), sizes.floating.height()}};
    QCOMPARE(read.value(key), expected);
}

void TestMainFrame::barSizesRestoredAfterRestart()
{
    int savedThickness = 0;
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        frame.resize(900, 700);
        QTRY_VERIFY(frame.TransferManagerBar()->height() > 0);
        frame.resizeDocks({frame.TransferManagerBar()}, {190}, Qt::Vertical);
        QTRY_VERIFY(frame.TransferManagerBar()->height() != 154);
        savedThickness = frame.TransferManagerBar()->height();
        QVERIFY(frame.close());
    }
    QCOMPARE(GetProfileInt(QStringLiteral("TransferManager"), QStringLiteral("SizeHorzCY"), 0),
             savedThickness);
    // Untouched slots are written with what the bar had.
    QCOMPARE(GetProfileInt(QStringLiteral("FileBrowser"), QStringLiteral("SizeFloatingCX"), 0), 300);

    CMainFrame again;
    again.resize(900, 700);
    again.ShowWithSavedPlacement();
    QCOMPARE(again.TransferManagerBar()->Sizes().horizontal.height(), savedThickness);
    QTRY_COMPARE(again.TransferManagerBar()->height(), savedThickness);
}

void TestMainFrame::closeRefusedWhileWindowBusy()
{
    CMainFrame frame;
    frame.ShowWithSavedPlacement();
    auto* busy = new CBusyWindow;
    frame.MdiArea()->addSubWindow(busy)->show();
    frame.OpenConnection(QString());

    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QCOMPARE(busy->asked, 1);
    QCOMPARE(frame.MdiArea()->subWindowList().size(), 2);
    // Nothing was saved by the refused close.
    QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FrameLeft")), -1);

    busy->busy = false;
    QVERIFY(frame.close());
    QVERIFY(GetProfileInt(kSettings, QStringLiteral("FrameLeft")) != -1);
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
