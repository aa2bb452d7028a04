#include "app/Profile.h"
#include "ui/FrameCommands.h"
#include "ui/FramePlacement.h"
#include "ui/MainFrame.h"
#include "ui/MdiTabBar.h"
#include "ui/ResizableDlgBar.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace Qt::StringLiterals;

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

QAction* FindMenuAction(QMenuBar* bar, const QString& menuTitle, const QString& text)
{
    for (QAction* top : bar->actions())
    {
        QList<QMenu*> menus;
        if (top->text() == menuTitle && top->menu())
            menus << top->menu();
        while (!menus.isEmpty())
            for (QAction* action : menus.takeFirst()->actions())
            {
                if (action->text() == text)
                    return action;
                if (action->menu())
                    menus << action->menu();
            }
    }
    return nullptr;
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
    }

    // One tab per window, in opening order, following titles and activation; a tab's click shows its
    // window maximised, its menu closes it; the strip takes no room without windows.
    void tabStripFollowsWindows()
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        CMdiTabBar* tabs = frame.TabBar();
        QWidget* central = frame.centralWidget();
        QVERIFY(tabs->isHidden());
        QTRY_COMPARE(frame.MdiArea()->height(), central->height());
        // Windows without a target: nothing connects and retitles them while the test runs.
        QMdiSubWindow* first = frame.OpenConnection(QString());
        QMdiSubWindow* second = frame.OpenConnection(QString());
        QCOMPARE(tabs->count(), 2);
        QVERIFY(tabs->isVisible());
        QTRY_COMPARE(frame.MdiArea()->height(), central->height() - CMdiTabBar::kHeight);
        QCOMPARE(tabs->geometry().bottom(), central->rect().bottom());
        QCOMPARE(tabs->tabText(0), u"尚未連線 "_s);
        QCOMPARE(tabs->WindowAt(0), first);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(!tabs->tabIcon(0).isNull());
        // Renamed: the tab keeps its place and takes the new title; the frame keeps its own.
        QVERIFY(second->isMaximized());
        first->widget()->setWindowTitle(u"R&D 主機"_s);
        QTRY_COMPARE(tabs->tabText(0), u"R&&D 主機 "_s);
        QCOMPARE(tabs->WindowAt(0), first);
        QCOMPARE(frame.windowTitle(), u"Zentrava Pro"_s);
        frame.MdiArea()->setActiveSubWindow(first);
        QCOMPARE(tabs->currentIndex(), 0);
        first->showNormal();
        frame.MdiArea()->setActiveSubWindow(second);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QCOMPARE(frame.MdiArea()->activeSubWindow(), first);
        QVERIFY(first->isMaximized());
        QCOMPARE(tabs->currentIndex(), 0);

        frame.MdiArea()->setActiveSubWindow(second);
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
        QCOMPARE(items, QStringList{u"關閉"_s});
        QTRY_COMPARE(tabs->count(), 1);
        QCOMPARE(tabs->WindowAt(0), second);
        second->close();
        QTRY_COMPARE(tabs->count(), 0);
        QVERIFY(tabs->isHidden());
        QTRY_COMPARE(frame.MdiArea()->height(), central->height());
    }

    // Commands of windows that come later stay disabled until those windows wire them.
    void menusCarryShortcuts_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char* menu, const char* text, const char* shortcut, bool enabled)
        {
            QTest::newRow(text) << QString::fromUtf8(menu) << QString::fromUtf8(text)
                                << QString::fromUtf8(shortcut) << enabled;
        };
        row("檔案(&F)", "連線(&C)...", "Ctrl+T", false);
        row("檔案(&F)", "中斷(&D)", "Ctrl+D", false);
        row("檔案(&F)", "取消(&L)", "Esc", false);
        row("檔案(&F)", "連線精靈(&W)...", "Ctrl+W", true);
        row("編輯(&E)", "全選(&A)", "Ctrl+A", false);
        row("檢視(&V)", "重新整理(&R)", "F5", false);
        row("指令(&C)", "自動偵測(&A)", "Ctrl+F1", false);
        row("指令(&C)", "ASCII(&S)", "Ctrl+F2", false);
        row("指令(&C)", "二進位碼(&B)", "Ctrl+F3", false);
        row("我的最愛(&A)", "加到我的最愛(&A)...", "Ctrl+F", false);
        row("我的最愛(&A)", "管理我的最愛(&O)...", "Ctrl+E", true);
        row("說明(&H)", "操作手冊(&H)", "F1", true);
    }
    void menusCarryShortcuts()
    {
        QFETCH(QString, menu);
        QFETCH(QString, text);
        CMainFrame frame;
        QAction* action = FindMenuAction(frame.menuBar(), menu, text);
        QVERIFY2(action, qPrintable(text));
        QFETCH(QString, shortcut);
        QCOMPARE(action->shortcut(), QKeySequence(shortcut));
        QTEST(action->isEnabled(), "enabled");
    }

    void barCommandsShowAndHideBars()
    {
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        const QList<std::pair<QString, QDockWidget*>> bars = {
            {u"站台管理(&M)"_s, frame.SiteManagerBar()},
            {u"傳送進度管理(&F)"_s, frame.TransferManagerBar()},
            {u"快速連線(&Q)"_s, frame.QuickConnectBar()},
            {u"我的電腦(&L)"_s, frame.LocalBrowserBar()}};
        for (const auto& [text, bar] : bars)
        {
            QAction* action = FindMenuAction(frame.menuBar(), u"檢視(&V)"_s, text);
            QVERIFY(bar->isVisible() && action->isChecked());
            action->trigger();
            QVERIFY(bar->isHidden() && !action->isChecked());
            action->trigger();
            QVERIFY(bar->isVisible());
        }
        QCOMPARE(frame.dockWidgetArea(frame.QuickConnectBar()), Qt::TopDockWidgetArea);
        QCOMPARE(frame.QuickConnectBar()->allowedAreas(), Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
        QCOMPARE(frame.dockWidgetArea(frame.SiteManagerBar()), Qt::LeftDockWidgetArea);
        QCOMPARE(frame.dockWidgetArea(frame.TransferManagerBar()), Qt::BottomDockWidgetArea);
    }

    // Small icons without labels as stored; a change is written back on close; labels never show "&".
    void toolbarLookIsSavedAndRestored()
    {
        WriteProfileInt(u"ToolbarState"_s, u"MainToolbarLargeIcons"_s, 0);
        WriteProfileInt(u"ToolbarState"_s, u"MainToolbarShowTextLabels"_s, 0);
        {
            CMainFrame frame;
            QCOMPARE(frame.MainToolBar()->iconSize(), QSize(16, 16));
            QCOMPARE(frame.MainToolBar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
            QString labels;
            for (QAction* action : frame.MainToolBar()->actions())
                labels += action->iconText();
            QVERIFY(labels.contains(u"站台管理"_s) && !labels.contains(u'&'));
            frame.MainToolBar()->setIconSize(QSize(32, 32));
            frame.ShowWithSavedPlacement();
            QVERIFY(frame.close());
        }
        QCOMPARE(GetProfileInt(u"ToolbarState"_s, u"MainToolbarLargeIcons"_s), 1);
        QCOMPARE(GetProfileInt(u"ToolbarState"_s, u"MainToolbarShowTextLabels"_s), 0);
    }

    void placementOnScreen_data()
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
    void placementOnScreen()
    {
        QFETCH(QRect, saved);
        QFETCH(QRect, workArea);
        CFramePlacement placement;
        placement.normal = saved;
        const QRect rect = placement.ScreenRect(workArea, QRect(0, 0, 1024, 768));
        QTEST(rect.topLeft(), "expected");
        QCOMPARE(rect.size(), saved.size());
    }

    // Where the frame was closed, normal or maximised, is where the next one opens; a place off the
    // screen is pulled back so that an icon's width stays in sight.
    void placementRestoredAfterRestart()
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
        QCOMPARE(GetProfileInt(kSettings, u"FrameLeft"_s), where.left() - work.left());
        QCOMPARE(GetProfileInt(kSettings, u"FrameRight"_s), where.left() - work.left() + where.width());
        QCOMPARE(GetProfileInt(kSettings, u"FrameStatus"_s), CFramePlacement::kShowNormal);
        {
            CMainFrame again;
            again.ShowWithSavedPlacement();
            QCOMPARE(again.geometry(), where);
            again.showMaximized();
            QTRY_VERIFY(again.isMaximized());
            QVERIFY(again.close());
        }
        QCOMPARE(GetProfileInt(kSettings, u"FrameStatus"_s), CFramePlacement::kShowMaximized);
        {
            CMainFrame maximised;
            maximised.ShowWithSavedPlacement();
            QVERIFY(maximised.isMaximized());
        }
        for (const auto& [key, value] : {std::pair{"FrameStatus", 1},
                                         {"FrameLeft", 9000},
                                         {"FrameTop", 9000},
                                         {"FrameRight", 9600},
                                         {"FrameBottom", 9400}})
            WriteProfileInt(kSettings, QString::fromLatin1(key), value);
        CMainFrame offScreen;
        offScreen.ShowWithSavedPlacement();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(offScreen.geometry(), QRect(screen.right() + 1 - CFramePlacement::kIconSize,
                                             screen.bottom() + 1 - CFramePlacement::kIconSize, 600, 400));
    }

    void placementNotRestoredWhenIncomplete_data()
    {
        QTest::addColumn<int>("savePosition");
        QTest::addColumn<QString>("missing");
        QTest::newRow("SavePosition 0") << 0 << QString();
        QTest::newRow("FrameTop missing") << 1 << u"FrameTop"_s;
        QTest::newRow("FrameStatus missing") << 1 << u"FrameStatus"_s;
    }
    void placementNotRestoredWhenIncomplete()
    {
        QFETCH(int, savePosition);
        QFETCH(QString, missing);
        QMap<QString, int> values{{u"SavePosition"_s, savePosition},
                                  {u"FrameStatus"_s, 1},
                                  {u"FrameLeft"_s, 210},
                                  {u"FrameTop"_s, 110},
                                  {u"FrameRight"_s, 610},
                                  {u"FrameBottom"_s, 410}};
        values.remove(missing);
        for (auto it = values.begin(); it != values.end(); ++it)
            WriteProfileInt(kSettings, it.key(), it.value());
        QVERIFY(!CFramePlacement::Load());
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        QVERIFY(frame.geometry().topLeft() != QPoint(210, 110));
        frame.setGeometry(10, 20, 300, 200);
        QVERIFY(frame.close());
        // With SavePosition 0 nothing is written back either.
        QCOMPARE(GetProfileInt(kSettings, u"FrameLeft"_s) == 210, savePosition == 0);
    }

    // Unset values keep the bar's own size, with 4 more pixels of thickness when docked; stored ones
    // count from 32 pixels up.
    void barSizesReadWithMinimum_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("read");
        for (int slot = 0; slot < 6; ++slot)
            for (const auto& [stored, expected] : {std::pair{10, 32}, {-5, 32}, {32, 32}, {250, 250}})
                QTest::addRow("slot %d, %d", slot, stored) << slot << stored << expected;
    }
    void barSizesReadWithMinimum()
    {
        QFETCH(int, slot);
        QFETCH(int, stored);
        const QStringList keys{"SizeHorzCX", "SizeHorzCY",     "SizeVertCX",
                               "SizeVertCY", "SizeFloatingCX", "SizeFloatingCY"};
        QMainWindow frame;
        CResizableDlgBar bar(u"傳 送 進 度"_s, new QWidget, QSize(600, 150), &frame);
        bar.LoadBarSizes(u"TransferManager"_s);
        const auto sizes = [&bar]
        {
            const CBarSizes& sizes = bar.Sizes();
            return QList<int>{sizes.horizontal.width(), sizes.horizontal.height(), sizes.vertical.width(),
                              sizes.vertical.height(),  sizes.floating.width(),    sizes.floating.height()};
        };
        QList<int> expected{600, 154, 604, 150, 600, 150};
        QCOMPARE(sizes(), expected);
        WriteProfileInt(u"TransferManager"_s, keys[slot], stored);
        bar.LoadBarSizes(u"TransferManager"_s);
        QFETCH(int, read);
        expected[slot] = read;
        QCOMPARE(sizes(), expected);
    }

    void barSizesRestoredAfterRestart()
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
        QCOMPARE(GetProfileInt(u"TransferManager"_s, u"SizeHorzCY"_s, 0), savedThickness);
        // Untouched slots are written with what the bar had.
        QCOMPARE(GetProfileInt(u"FileBrowser"_s, u"SizeFloatingCX"_s, 0), 300);
        CMainFrame again;
        again.resize(900, 700);
        again.ShowWithSavedPlacement();
        QCOMPARE(again.TransferManagerBar()->Sizes().horizontal.height(), savedThickness);
        QTRY_COMPARE(again.TransferManagerBar()->height(), savedThickness);
    }

    void closeRefusedWhileWindowBusy()
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
        QCOMPARE(GetProfileInt(kSettings, u"FrameLeft"_s), -1);
        busy->busy = false;
        QVERIFY(frame.close());
        QVERIFY(GetProfileInt(kSettings, u"FrameLeft"_s) != -1);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
