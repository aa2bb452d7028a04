#pragma once

#include <QList>
#include <QPointer>
#include <QTabBar>

class QMdiArea;
class QMdiSubWindow;

// The strip of tabs along the bottom of the frame, one per connection window: the window's title and
// icon, the active window's tab selected. It hides itself while no window is open.
class CMdiTabBar : public QTabBar
{
    Q_OBJECT

public:
    static constexpr int kHeight = 28;

    explicit CMdiTabBar(QMdiArea* area, QWidget* parent = nullptr);

    // Brings the tabs up to date with the area's windows: tabs keep their place, a gone window's tab
    // goes, a new window gets a tab at the end.
    void Sync();
    QMdiSubWindow* WindowAt(int index) const;
    // The tab's window comes to the top, maximised.
    void ActivateTab(int index);

    static QString TabText(const QString& windowTitle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RemoveGoneTabs(const QList<QMdiSubWindow*>& windows);
    void AddNewTabs(const QList<QMdiSubWindow*>& windows);
    void Watch(QMdiSubWindow* window);
    void ScheduleSync();

    QMdiArea* m_area;
    // Parallel to the tabs: the window each tab stands for.
    QList<QPointer<QMdiSubWindow>> m_windows;
    bool m_syncing = false;
    bool m_syncPending = false;
};
