#pragma once

#include "session/FtpSession.h"
#include "session/KeepAlive.h"
#include "sites/SiteList.h"
#include "transfer/ScheduleInfo.h"
#include "transfer/TransferRequester.h"
#include "ui/frame/FrameCommands.h"
#include "ui/transfers/GuiOverwritePrompts.h"

#include <QWidget>

#include <memory>

#include <functional>
#include <optional>

class CBusyIndicator;
class CRemoteIconModel;
class CTracePane;
class CTransferQueue;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QMenu;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QStackedWidget;
class QTreeView;

// The remote list of a connection window: it owns the window's session and keep-alive, shows the
// session's rows in one of four styles, answers the session's questions with dialogs and carries out
// the window's commands.
class CFTPClientView : public QWidget, public IFtpSessionSink, public IFtpSessionUi, public ITransferRequester
{
    Q_OBJECT

public:
    // The values "ViewStyle" keeps.
    enum ViewStyle
    {
        SmallIconStyle = 59408,
        LargeIconStyle = 59409,
        ListStyle = 59410,
        DetailsStyle = 59411
    };

    // Works on the program's one site list; without one (tests) the view keeps a list of its own.
    explicit CFTPClientView(CSiteList* sites = nullptr, QWidget* parent = nullptr);
    ~CFTPClientView() override;

    void SetTracePane(CTracePane* pane) { m_trace = pane; }
    // Connects to a site path or an address (login and password come apart from it) and lists the
    // start folder; false when no connection came up.
    bool ConnectTo(const QString& address, const QString& login, const QString& password);
    // A listing of the folder, with the shared sort direction and the view's busy state around it.
    bool ListFolder(const QString& folder, bool addToHistory, bool keepCurrent = false);
    // The current folder listed again, for the server's attributes of rows made here; the named rows are
    // selected afterwards.
    void ListAgain(const QStringList& selected);
    void ListAgainSoonIfDue();
    void ListAgainWhenIdle();

    bool IsCommandEnabled(FrameCommand command);
    bool IsCommandChecked(FrameCommand command);
    bool CanGoBack();
    void RunCommand(FrameCommand command);

    void Browse();
    void GoUp();
    void GoBack();
    void Refresh();
    void NewFolder();
    void RenameSelected();
    void DeleteSelected();
    void MoveSelected();
    void ShowProperties();
    void GoToFolder();
    void SendCustomCommand();
    void SelectAll();
    void InvertSelection();
    void UserDisconnect();
    void Stop();
    // Queues the selected rows for download into localFolder, or the preferred local folder when it is
    // empty.
    void DownloadSelection(const QString& localFolder = {});
    // Asks where to: a folder for several rows, a file name for one; cancel queues nothing.
    void DownloadSelectionTo();
    // The schedule dialog first; the selection is queued with its schedule.
    void ScheduledDownload();
    // Queued with the filter applied whatever the filter settings say.
    void FilteredDownload();
    // Queued as a copy to another saved site, without passing through the local disk.
    void CopySelectionToSite();
    // Asks for local files and uploads them.
    void ChooseAndUpload();
    void ScheduledUpload();
    void FilteredUpload();
    // Uploads the local files into the current folder, after the filters and overwrite decisions.
    void UploadFiles(const QStringList& paths);

    // The questions the transfer commands ask; each answers nothing when the user cancels.
    struct TransferChoosers
    {
        std::function<QString(QWidget* parent, const QString& startFolder)> folder;
        std::function<QString(QWidget* parent, const QString& suggestedPath)> saveFile;
        std::function<QStringList(QWidget* parent)> openFiles;
        std::function<std::optional<QString>(QWidget* parent, CSiteList& sites)> targetSite;
    };
    // Tests put their own answers in place of the dialogs.
    TransferChoosers& Choosers() { return m_choosers; }
    // The main frame's queue, which takes this window's transfers; none outside a main frame.
    CTransferQueue* TransferQueue() const;
    void SetViewStyle(int style);
    int CurrentViewStyle() const { return m_viewStyle; }
    // A header click: the sort column again reverses the direction shared by all windows.
    void SortByHeaderClick(int column);
    // Sorts by the column without changing the direction.
    void ArrangeBy(int column);

    // Something of the session runs: a connect, a listing or an operation that waits for the server.
    bool IsWaiting() const;
    bool IsBusyShown() const { return m_busyShown; }
    bool HasDisconnectedLook() const { return m_disconnectedLook; }
    // Selected rows in row order, the parent row included.
    QList<int> SelectedRows() const;
    // The context menu for what lies at the position (a row or nothing), as it would pop up.
    QMenu* CreateContextMenu(const QModelIndex& under);

    CFtpSession& Session() { return m_session; }
    CKeepAlive& KeepAlive() { return m_keepAlive; }
    CRemoteIconModel* ShownModel() const { return m_shown; }
    QAbstractItemView* CurrentView() const;
    QListView* IconView() const { return m_iconView; }
    QTreeView* DetailsView() const { return m_detailsView; }
    CBusyIndicator* BusyIndicator() const { return m_busy; }

    static Qt::SortOrder SharedSortOrder() { return s_sortOrder; }

    // IFtpSessionSink
    void OnLog(int level, const QString& text) override;
    void OnConnected() override;
    void OnDisconnected() override;

    // IFtpSessionUi
    std::optional<CFtpSite> SelectedSite() override;
    std::optional<CFtpSite> RunConnectionWizard() override;
    std::optional<CSessionLogin> AskLogin(const QString& server, const QString& login, bool again) override;
    void ShowMessage(const QString& text) override;
    bool RetryCountdown(int delaySeconds, const QString& message) override;
    TrustAnswer AcceptCertificate(const ServerCertificate& certificate, const QString& problem) override;
    TrustAnswer AcceptHostKey(const QString& host, const SshHostKey& key) override;
    void SetWaitCursor(bool on) override;
    void ShowBusy(bool on) override;
    void RefreshCommandStates() override { Q_EMIT CommandStatesChanged(); }
    void UpdateTitle() override { Q_EMIT TitleChanged(); }

    // ITransferRequester
    void OnTransferLog(const QString& line) override;
    void OnTransferDone(int level, const QString& line) override;
    void OnTransferRelay(const CTransferEntry& entry) override;

Q_SIGNALS:
    void CommandStatesChanged();
    void TitleChanged();
    void ConnectionLookChanged(bool connected);
    // A connect ended logged in; Session().Site() holds the log-in that worked.
    void LoggedIn();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateViews();
    void ConfigureView(QAbstractItemView* view);
    void ApplyConnectionLook(bool connected);
    void ApplyColumnWidths();
    void ShowSortIndicator();
    void PlaceBusyIndicator();
    void OpenRow(int row);
    void StartEdit(int row);
    void FinishEdit();
    void SyncSortOrder();
    void RemoveRows(QList<int> rows);
    QList<int> SelectedRowsWithoutParent() const;
    int CurrentRow() const;
    QString ParentFolderPath() const;
    // A typed folder: "\" made "/", a relative one put under the current folder.
    QString TypedFolderPath(QString typed) const;
    bool IsConnectedAndIdle() const;
    // The site's transfer type, 1 automatic, 2 ASCII, 3 binary; Settings "TransferType" when the site has
    // none.
    int EffectiveTransferType() const;
    // The caller's folder, else the site's local folder, Settings "DefaultLocalPath" or the home folder.
    QString DownloadFolder(const QString& given) const;
    // The site with the server the session actually reached, for the transfer workers.
    CFtpSite TransferSite() const;
    // One job per row: ForceParallelTransfers or Shift held.
    bool ParallelJobs() const;
    bool CanDownloadSelection() const;
    bool CanUpload() const;
    // The selection as one job, or one job per row, into the folder as it is given.
    void QueueDownload(const QString& localFolder, bool filtered,
                       const std::optional<CScheduleInfo>& schedule);
    void QueueUpload(const QStringList& paths, bool filtered, const std::optional<CScheduleInfo>& schedule);
    // The schedule dialog with the defaults; nothing when cancelled.
    std::optional<CScheduleInfo> AskSchedule();
    // Local files of a drop from a file manager; other URLs are left out.
    static QStringList DroppedLocalFiles(const QMimeData* data);
    void HandleDrop(QDropEvent* event);
    void ShowContextMenu(QAbstractItemView* view, const QPoint& where);
    void AddCommand(QMenu* menu, const QString& text, FrameCommand command);
    void AddArrangeMenu(QMenu* menu);
    // Runs one session step that waits for the server, marked as waiting so the window is not
    // closed under it.
    template <typename Step> auto Waiting(Step step);

    static Qt::SortOrder s_sortOrder;

    std::unique_ptr<CSiteList> m_ownSites;
    CSiteList& m_sites;
    CFtpSession m_session;
    CKeepAlive m_keepAlive;
    CTracePane* m_trace = nullptr;
    CGuiOverwritePrompts m_prompts{this};
    CRemoteIconModel* m_shown = nullptr;
    QStackedWidget* m_stack = nullptr;
    QListView* m_iconView = nullptr;
    QTreeView* m_detailsView = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    CBusyIndicator* m_busy = nullptr;
    int m_viewStyle = LargeIconStyle;
    // The row being edited in place and its name when the edit started.
    int m_editRow = -1;
    QString m_oldName;
    // What the editor held when it committed; nothing committed means the edit was cancelled.
    QString m_editText;
    bool m_editCommitted = false;
    bool m_newFolder = false;
    bool m_madeUpRows = false;   // uploaded rows shown since the last listing
    bool m_listAgainDue = false; // a job that made rows ended; the folder is listed again when idle
    bool m_busyShown = false;
    bool m_disconnectedLook = false;
    bool m_waitCursor = false;
    int m_waiting = 0;
    bool m_forceParallel = false;
    TransferChoosers m_choosers;
    // Where "下載到" put files last time in this window.
    QString m_downloadToFolder;
};
