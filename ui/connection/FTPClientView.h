#pragma once

#include "ui/connection/ConnectionContext.h"
#include "ui/connection/RemoteController.h"
#include "ui/connection/RemoteViewDialogs.h"

#include <QWidget>

class CBusyIndicator;
class CRemoteIconModel;
class CTracePane;
class QAbstractItemView;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QListView;
class QMenu;
class QMimeData;
class QStackedWidget;
class QTreeView;

// The remote list of a connection window: it draws the rows of its controller in one of four styles,
// edits names in place, shows the context menu and takes drops; the controller carries out the
// commands.
class CFTPClientView : public QWidget
{
    Q_OBJECT

public:
    explicit CFTPClientView(const CConnectionContext& context = {}, QWidget* parent = nullptr);
    ~CFTPClientView() override;

    CRemoteController& Controller() { return *m_controller; }
    CRemoteViewDialogs& Dialogs() { return m_dialogs; }
    // Shortcuts to the controller's, for the frame and the tests.
    CFtpSession& Session() { return m_controller->Session(); }
    bool IsCommandEnabled(FrameCommand command) const { return m_controller->IsCommandEnabled(command); }
    bool IsCommandChecked(FrameCommand command) const { return m_controller->IsCommandChecked(command); }
    void RunCommand(FrameCommand command);

    void SetTracePane(CTracePane* pane) { m_trace = pane; }
    // The context menu for what lies at the position (a row or nothing), as it would pop up.
    QMenu* CreateContextMenu(const QModelIndex& under);

    bool HasDisconnectedLook() const { return m_disconnectedLook; }
    CRemoteIconModel* ShownModel() const;
    QAbstractItemView* CurrentView() const;
    QListView* IconView() const { return m_iconView; }
    QTreeView* DetailsView() const { return m_detailsView; }
    CBusyIndicator* BusyIndicator() const { return m_busy; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateViews();
    void ConfigureView(QAbstractItemView* view);
    void ConnectController();
    void ApplyConnectionLook(bool connected);
    void ApplyViewStyle(int style);
    void ApplyColumnWidths();
    void ShowSortIndicator();
    void ShowCurrentRow();
    void PlaceBusyIndicator();
    void ShowBusy(bool on);
    void StartEdit(int row);
    void FinishEdit();
    // Drags the selected rows out: onto the local browser, a file manager or a site of the site manager.
    void StartDrag();
    // Local files of a drop from a file manager or the local browser; other URLs are left out.
    static QStringList DroppedLocalFiles(const QMimeData* data);
    void HandleDrop(QDropEvent* event);
    void ShowContextMenu(QAbstractItemView* view, const QPoint& where);
    void AddCommand(QMenu* menu, const QString& text, FrameCommand command);
    void AddArrangeMenu(QMenu* menu);

    CRemoteViewDialogs m_dialogs;
    CRemoteController* m_controller;
    CTracePane* m_trace = nullptr;
    QStackedWidget* m_stack = nullptr;
    QListView* m_iconView = nullptr;
    QTreeView* m_detailsView = nullptr;
    CBusyIndicator* m_busy = nullptr;
    // The name of the row being edited when the edit started, and what the editor held when it
    // committed; nothing committed means the edit was cancelled.
    QString m_editName;
    QString m_editText;
    bool m_editCommitted = false;
    bool m_disconnectedLook = false;
    QPoint m_pressedAt; // where the mouse went down, for starting a drag
    // The local browser's folder, watched for the drop marker of a drag to a file manager.
    std::function<QString()> m_localFolder;
};
