#pragma once

#include "session/FtpSession.h"
#include "session/KeepAlive.h"
#include "transfer/ScheduleInfo.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferRequester.h"
#include "ui/connection/ConnectionContext.h"
#include "ui/frame/FrameCommands.h"

#include <QObject>

#include <memory>
#include <optional>

class CPackRun;
class CRemoteIconModel;
class CRemoteItemsMimeData;
class CTransferPlanner;
class QThread;
class IRemoteDialogs;
class QItemSelectionModel;

// The commands of a connection window without the window: it owns the window's session and keep-alive,
// the rows as the views show them and their selection, decides which commands are enabled, carries them
// out with the questions of IRemoteDialogs and queues the transfers. The view draws what it holds and
// follows its signals.
class CRemoteController : public QObject,
                          public IFtpSessionSink,
                          public IFtpSessionUi,
                          public ITransferRequester
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

    CRemoteController(const CConnectionContext& context, IRemoteDialogs& dialogs, QObject* parent = nullptr);
    ~CRemoteController() override;

    // Connects to a site path or an address (login and password come apart from it) and lists the
    // start folder; false when no connection came up.
    bool ConnectTo(const QString& address, const QString& login, const QString& password);
    // A listing of the folder, with the shared sort direction and the busy state around it.
    bool ListFolder(const QString& folder, bool addToHistory, bool keepCurrent = false);
    // The current folder listed again, for the server's attributes of rows made here; the named rows are
    // selected afterwards.
    void ListAgain(const QStringList& selected);
    void ListAgainWhenIdle();

    bool IsCommandEnabled(FrameCommand command) const;
    bool IsCommandChecked(FrameCommand command) const;
    bool CanGoBack() const;
    void RunCommand(FrameCommand command);

    void OpenRow(int row);
    void GoUp();
    void GoBack();
    void Refresh();
    void NewFolder();
    void RenameSelected();
    // The in-place edit of a row that started as oldName has ended; an empty text cancels it.
    void FinishEdit(const QString& oldName, const QString& text);
    bool IsEditing() const { return !m_editName.isEmpty(); }
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
    void ScheduledDownload();
    // Queued with the filter applied whatever the filter settings say.
    void FilteredDownload();
    // Queued as a copy to another saved site, without passing through the local disk.
    void CopySelectionToSite();
    void ChooseAndUpload();
    void ScheduledUpload();
    void FilteredUpload();
    // Uploads the local files into the current folder, after the filters and overwrite decisions.
    void UploadFiles(const QStringList& paths);
    // The local browser's selection packed into an archive that is then uploaded, or its zip files
    // extracted, on a thread of its own with the progress window open.
    void StartPack(FrameCommand command);
    // The data of a drag of the selected rows: dropped on a folder it downloads them there, dropped on
    // a saved site it copies them to it. Null when nothing but the parent row is selected.
    CRemoteItemsMimeData* MakeDragData();

    void GoToLocalFolder();
    void GoToDefaultFolder();
    void UpdateLocalFolder();
    QString LocalBrowserFolder() const;

    void SetViewStyle(int style);
    int CurrentViewStyle() const { return m_viewStyle; }
    // A header click: the sort column again reverses the direction shared by all windows.
    void SortByHeaderClick(int column);
    // Sorts by the column without changing the direction.
    void ArrangeBy(int column);
    static Qt::SortOrder SharedSortOrder() { return s_sortOrder; }

    // Something of the session runs: a connect, a listing or an operation that waits for the server.
    bool IsWaiting() const;
    bool IsBusyShown() const { return m_busyShown; }
    // A folder's jobs are being planned; transfer commands wait until they are queued.
    bool IsPlanning() const { return m_planThread != nullptr; }
    bool IsPacking() const { return m_packRun != nullptr; }
    // Selected rows in row order, the parent row included.
    QList<int> SelectedRows() const;
    // The selected row that has the focus, or -1.
    int CurrentRow() const;

    CFtpSession& Session() { return m_session; }
    const CFtpSession& Session() const { return m_session; }
    CKeepAlive& KeepAlive() { return m_keepAlive; }
    CRemoteIconModel* ShownModel() const { return m_shown; }
    QItemSelectionModel* Selection() const { return m_selection; }
    CTransferQueue* TransferQueue() const { return m_context.queue; }
    CSiteList& Sites() { return m_sites; }

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
    void LogLine(int level, const QString& text);
    void BusyChanged(bool on);
    // A folder was listed and its first row made current: the view shows it and takes the focus.
    void FolderListed();
    // The view opens the row's name for editing in place.
    void EditRequested(int row);
    void ViewStyleChanged(int style);
    void SortChanged();

private:
    void SyncSortOrder();
    void ListAgainSoonIfDue();
    void RemoveRows(QList<int> rows);
    QList<int> SelectedRowsWithoutParent() const;
    QList<CFtpListItem> SelectedItems() const;
    QString ParentFolderPath() const;
    // A typed folder: "\" made "/", a relative one put under the current folder.
    QString TypedFolderPath(QString typed) const;
    bool IsConnectedAndIdle() const;
    bool HasLocalBrowser() const;
    bool CanPack() const;
    bool LocalSelectionHoldsZip() const;
    void PackFinished();
    // The site's transfer type, 1 automatic, 2 ASCII, 3 binary; Settings "TransferType" when the site has
    // none.
    int EffectiveTransferType() const;
    // The caller's folder, else the local browser's (DownloadToLocalBrowser), the site's local folder,
    // Settings "DefaultLocalPath", the local browser's or the home folder.
    QString DownloadFolder(const QString& given) const;
    // The site with the server the session actually reached, for the transfer workers.
    CFtpSite TransferSite() const;
    // One job per row: ForceParallelTransfers or Shift held.
    bool ParallelJobs() const;
    bool CanDownloadSelection() const;
    bool CanUpload() const;
    // The items as one job, or one job per item, into the folder as it is given.
    void QueueDownload(const QList<CFtpListItem>& items, const QString& localFolder, bool filtered,
                       const std::optional<CScheduleInfo>& schedule);
    void QueueUpload(const QStringList& paths, bool filtered, const std::optional<CScheduleInfo>& schedule);
    // A selection holding a folder, when its jobs run in parallel: its tree listed on a thread and its
    // files shared out into TransferMax jobs; false when it is queued as today.
    bool StartPlanning(const CTransferJob& base, const QList<CTransferEntry>& items, bool upload,
                       bool filtered);
    void FinishPlanning(bool upload);
    void StartEdit(int row);
    // Runs one session step that waits for the server, marked as waiting so the window is not
    // closed under it.
    template <typename Step> auto Waiting(Step step);

    static Qt::SortOrder s_sortOrder;

    CConnectionContext m_context;
    IRemoteDialogs& m_dialogs;
    std::unique_ptr<CSiteList> m_ownSites;
    CSiteList& m_sites;
    CFtpSession m_session;
    CKeepAlive m_keepAlive;
    CRemoteIconModel* m_shown = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    int m_viewStyle = LargeIconStyle;
    // The name of the row being edited in place, and whether it is a new folder's.
    QString m_editName;
    bool m_newFolder = false;
    bool m_madeUpRows = false;   // uploaded rows shown since the last listing
    bool m_listAgainDue = false; // a job that made rows ended; the folder is listed again when idle
    bool m_busyShown = false;
    int m_waiting = 0;
    bool m_forceParallel = false;
    std::shared_ptr<CTransferPlanner> m_planner;
    std::unique_ptr<QThread> m_planThread;
    std::unique_ptr<CPackRun> m_packRun;
    // The saved site this window connected to by its path; empty for a typed address.
    QString m_sitePath;
    // Where "下載到" put files last time in this window.
    QString m_downloadToFolder;
};
