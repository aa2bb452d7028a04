#include "ui/frame/MdiTabBar.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>

CMdiTabBar::CMdiTabBar(QMdiArea* area, QWidget* parent) : QTabBar(parent), m_area(area)
{
    setObjectName(QStringLiteral("MdiTabBar"));
    setShape(QTabBar::RoundedSouth);
    setExpanding(false);
    setDrawBase(false);
    setFixedHeight(kHeight);
    setVisible(false);
    connect(m_area, &QMdiArea::subWindowActivated, this, &CMdiTabBar::Sync);
    connect(this, &QTabBar::tabBarClicked, this, &CMdiTabBar::ActivateTab);
}

QString CMdiTabBar::TabText(const QString& windowTitle)
{
    // A tab would take "&" as a mnemonic; site names may hold one.
    QString text = windowTitle;
    text.replace(u'&', QLatin1String("&&"));
    return text + u' ';
}

QMdiSubWindow* CMdiTabBar::WindowAt(int index) const
{
    return index >= 0 && index < m_windows.size() ? m_windows[index].data() : nullptr;
}

void CMdiTabBar::Sync()
{
    if (m_syncing)
        return;
    m_syncing = true;
    m_syncPending = false;
    QList<QMdiSubWindow*> windows = m_area->subWindowList(QMdiArea::StackingOrder);
    std::reverse(windows.begin(), windows.end());
    RemoveGoneTabs(windows);
    AddNewTabs(windows);
    const int active = m_windows.indexOf(m_area->activeSubWindow());
    if (active >= 0)
        setCurrentIndex(active);
    setVisible(count() > 0);
    m_syncing = false;
}

void CMdiTabBar::RemoveGoneTabs(const QList<QMdiSubWindow*>& windows)
{
    for (int i = count() - 1; i >= 0; --i)
    {
        QMdiSubWindow* window = m_windows[i].data();
        if (window && windows.contains(window))
        {
            setTabText(i, TabText(window->windowTitle()));
            setTabIcon(i, window->windowIcon());
            continue;
        }
        m_windows.removeAt(i);
        removeTab(i);
    }
}

void CMdiTabBar::AddNewTabs(const QList<QMdiSubWindow*>& windows)
{
    for (QMdiSubWindow* window : windows)
    {
        if (m_windows.contains(window))
            continue;
        m_windows.append(window);
        addTab(window->windowIcon(), TabText(window->windowTitle()));
        Watch(window);
    }
}

void CMdiTabBar::Watch(QMdiSubWindow* window)
{
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, &CMdiTabBar::ScheduleSync);
}

void CMdiTabBar::ScheduleSync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    QTimer::singleShot(0, this, &CMdiTabBar::Sync);
}

bool CMdiTabBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type())
    {
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
    case QEvent::Close:
    case QEvent::Hide:
        ScheduleSync();
        break;
    default:
        break;
    }
    return QTabBar::eventFilter(watched, event);
}

void CMdiTabBar::ActivateTab(int index)
{
    QMdiSubWindow* window = WindowAt(index);
    if (!window)
        return;
    setCurrentIndex(index);
    m_area->setActiveSubWindow(window);
    window->showMaximized();
}

void CMdiTabBar::contextMenuEvent(QContextMenuEvent* event)
{
    const int index = tabAt(event->pos());
    if (index < 0)
        return;
    ActivateTab(index);
    QMenu menu(this);
    // The window may go while the menu is open; the pointer notices.
    const QPointer<QMdiSubWindow> window = WindowAt(index);
    connect(menu.addAction(QCoreApplication::translate("MdiTabBar", "關閉")), &QAction::triggered, this,
            [window]
            {
                if (window)
                    window->close();
            });
    menu.exec(event->globalPos());
}
