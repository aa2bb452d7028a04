#include "ui/connection/RemoteController.h"

#include "app/Profile.h"
#include "common/LogLine.h"
#include "session/SessionUrl.h"
#include "sites/SiteList.h"
#include "transfer/TransferPlanner.h"
#include "transfer/TransferQueue.h"
#include "transfer/UploadBatch.h"
#include "ui/connection/PackRun.h"
#include "ui/connection/RemoteDialogs.h"
#include "ui/connection/RemoteIconModel.h"
#include "ui/connection/RemoteItemsMimeData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace
{

const QString kSettings = QStringLiteral("Settings");
const QString kSiteTarget = QStringLiteral("ftp:\\");
// The jobs a folder is shared out into when TransferMax sets no limit.
constexpr int kUnlimitedJobs = 4;

// The dragged items' addresses, for programs that read them; never with the password.
QString ServerUrl(const CFtpSite& site)
{
    // An IPv6 address typed into a site keeps its brackets already.
    const bool bare = site.Address.contains(u':') && !site.Address.startsWith(u'[');
    const QString host = bare ? u'[' + site.Address + u']' : site.Address;
    return QStringLiteral("%1://%2:%3").arg(CSessionUrl::SchemeOf(site.ProtocolType), host).arg(site.Port);
}

} // namespace

Qt::SortOrder CRemoteController::s_sortOrder = Qt::AscendingOrder;

CRemoteController::CRemoteController(const CConnectionContext& context, IRemoteDialogs& dialogs,
                                     QObject* parent)
    : QObject(parent), m_context(context), m_dialogs(dialogs),
      m_ownSites(context.sites ? nullptr : std::make_unique<CSiteList>()),
      m_sites(context.sites ? *context.sites : *m_ownSites), m_session(this, *this, m_sites, this),
      m_keepAlive(m_session)
{
    if (m_ownSites)
        m_sites.LoadSites();
    m_session.SetAutoReconnect(GetProfileInt(kSettings, QStringLiteral("AutoReconnect")) != 0);
    m_forceParallel = GetProfileInt(kSettings, QStringLiteral("ForceParallelTransfers")) != 0;
    m_shown = new CRemoteIconModel(m_session.ListModel(), this);
    m_selection = new QItemSelectionModel(m_shown, this);
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &CRemoteController::CommandStatesChanged);
    connect(m_shown, &QAbstractItemModel::modelReset, this, &CRemoteController::CommandStatesChanged);
    m_session.ListModel().sort(GetProfileInt(kSettings, QStringLiteral("SortColumn")), s_sortOrder);
    const int style = GetProfileInt(kSettings, QStringLiteral("ViewStyle"));
    if (style >= SmallIconStyle && style <= DetailsStyle)
        m_viewStyle = style;
    m_keepAlive.Arm();
}

CRemoteController::~CRemoteController()
{
    if (m_planThread)
    {
        m_planner->Cancel();
        m_planThread->wait();
    }
}

// ---- connecting and listing

template <typename Step> auto CRemoteController::Waiting(Step step)
{
    ++m_waiting;
    Q_EMIT CommandStatesChanged();
    auto result = step();
    --m_waiting;
    Q_EMIT CommandStatesChanged();
    return result;
}

bool CRemoteController::IsWaiting() const
{
    return m_waiting > 0 || m_session.IsConnecting() || m_session.IsListing();
}

bool CRemoteController::IsConnectedAndIdle() const
{
    return m_session.IsConnected() && !IsWaiting();
}

bool CRemoteController::ConnectTo(const QString& address, const QString& login, const QString& password)
{
    const bool connected = Waiting([&] { return m_session.Connect(address, login, password); });
    Q_EMIT TitleChanged();
    if (!connected)
        return false;
    CFtpSite stored;
    m_sitePath = !address.contains(QLatin1String("://")) && m_sites.LoadSiteByPath(address, stored)
                     ? address
                     : QString();
    Q_EMIT LoggedIn();
    ListFolder(m_session.CurrentFolder(), true);
    m_keepAlive.Arm();
    return true;
}

void CRemoteController::SyncSortOrder()
{
    // Another window may have turned the shared direction since this one last sorted.
    CRemoteListModel& rows = m_session.ListModel();
    if (rows.SortOrder() != s_sortOrder)
        rows.sort(rows.SortColumn(), s_sortOrder);
}

bool CRemoteController::ListFolder(const QString& folder, bool addToHistory, bool keepCurrent)
{
    SyncSortOrder();
    m_madeUpRows = false;
    const bool listed = Waiting([&] { return m_session.List(folder, addToHistory, keepCurrent); });
    // A stopped listing returns without ending its busy state.
    if (m_busyShown)
        ShowBusy(false);
    if (m_shown->rowCount() > 0)
    {
        m_selection->setCurrentIndex(m_shown->index(0, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        Q_EMIT FolderListed();
    }
    Q_EMIT CommandStatesChanged();
    ListAgainSoonIfDue();
    return listed;
}

void CRemoteController::ListAgain(const QStringList& selected)
{
    m_madeUpRows = false;
    Waiting([&] { return m_session.List(m_session.CurrentFolder(), false, true); });
    if (m_busyShown)
        ShowBusy(false);
    m_selection->clearSelection();
    for (const QString& name : selected)
    {
        const int row = m_session.ListModel().FindRow(name);
        if (row >= 0)
            m_selection->setCurrentIndex(m_shown->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    Q_EMIT CommandStatesChanged();
    ListAgainSoonIfDue();
}

void CRemoteController::ListAgainSoonIfDue()
{
    // A job that ended while the window was busy is listed once the window is idle again.
    if (m_listAgainDue)
        QTimer::singleShot(0, this, &CRemoteController::ListAgainWhenIdle);
}

void CRemoteController::ListAgainWhenIdle()
{
    if (!m_listAgainDue || !IsConnectedAndIdle() || IsEditing())
        return;
    m_listAgainDue = false;
    QStringList selected;
    for (const CFtpListItem& item : SelectedItems())
        selected << item.name;
    ListAgain(selected);
}

// ---- commands and their states

bool CRemoteController::CanGoBack() const
{
    return IsConnectedAndIdle() && m_session.BackHistory().CanGoBack();
}

bool CRemoteController::HasLocalBrowser() const
{
    return m_context.localFolder && m_context.showLocalFolder;
}

// One command of the pack menu at a time, with the keyboard in the local browser's view.
bool CRemoteController::CanPack() const
{
    return !m_packRun && m_context.localSelection && m_context.localHasFocus && m_context.localHasFocus();
}

bool CRemoteController::LocalSelectionHoldsZip() const
{
    const QStringList selection = m_context.localSelection();
    return std::any_of(selection.cbegin(), selection.cend(),
                       [](const QString& path)
                       { return path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive); });
}

void CRemoteController::StartPack(FrameCommand command)
{
    using C = FrameCommand;
    const QStringList selection = m_context.localSelection ? m_context.localSelection() : QStringList();
    if (selection.isEmpty() || m_packRun)
        return;
    const CPackRun::EKind kind = command == C::PackZip     ? CPackRun::EKind::Zip
                                 : command == C::PackCab   ? CPackRun::EKind::Cab
                                 : command == C::PackTarGz ? CPackRun::EKind::TarGz
                                                           : CPackRun::EKind::Unzip;
    m_packRun = std::make_unique<CPackRun>(
        kind, selection, [this](const QString& archive) { return m_dialogs.AskArchivePassword(archive); });
    connect(m_packRun.get(), &CPackRun::Finished, this, &CRemoteController::PackFinished);
    m_dialogs.ShowPackProgress(*m_packRun);
    m_packRun->Start();
    Q_EMIT CommandStatesChanged();
}

// A finished archive goes up as a dropped file would, through the filter; a failure is shown with its
// message (some end silently), a cancel leaves nothing.
void CRemoteController::PackFinished()
{
    const std::unique_ptr<CPackRun> run = std::move(m_packRun);
    const CPackResult& result = run->Result();
    if (result.IsDone() && run->Kind() != CPackRun::EKind::Unzip)
        UploadFiles({result.Path()});
    else if (result.Status() == CPackResult::EStatus::Failed && !result.Message().isEmpty())
        m_dialogs.ShowError(result.Message());
    else if (result.IsDone() && !result.Warnings().isEmpty())
        m_dialogs.ShowMessage(result.Warnings().join(u'\n'));
    Q_EMIT CommandStatesChanged();
}

bool CRemoteController::IsCommandEnabled(FrameCommand command) const
{
    using C = FrameCommand;
    const bool ready = IsConnectedAndIdle();
    switch (command)
    {
    case C::Connect:
        return !IsWaiting();
    case C::Stop:
        return m_session.IsConnecting() || m_session.IsListing();
    case C::Disconnect:
    case C::NewFolder:
    case C::GoTo:
    case C::CustomCommand:
    case C::Refresh:
        return ready;
    case C::Browse:
        return ready && CurrentRow() >= 0;
    case C::Rename:
        return ready && SelectedRowsWithoutParent().size() == 1;
    case C::Delete:
    case C::Move:
    case C::Properties:
        return ready && !SelectedRowsWithoutParent().isEmpty();
    case C::Download:
    case C::DownloadTo:
        return CanDownloadSelection();
    case C::Upload:
        return CanUpload();
    case C::SelectAll:
    case C::InvertSelection:
        return m_shown->rowCount() > 0;
    case C::GoToLocalFolder:
        return HasLocalBrowser() && !m_session.Site().LocalPath.isEmpty();
    case C::GoToDefaultFolder:
        return HasLocalBrowser();
    case C::UpdateLocalFolder:
        // The folder is stored with the site, so a quick connection has nowhere to keep it.
        return HasLocalBrowser() && !m_sitePath.isEmpty() && !m_context.localFolder().isEmpty();
    case C::PackZip:
    case C::PackCab:
    case C::PackTarGz:
        return CanPack() && CanUpload() && !m_context.localSelection().isEmpty();
    case C::UnpackZip:
        return CanPack() && LocalSelectionHoldsZip();
    case C::LargeIcons:
    case C::SmallIcons:
    case C::List:
    case C::Details:
    case C::TypeAuto:
    case C::TypeAscii:
    case C::TypeBinary:
        return true;
    default:
        return false;
    }
}

int CRemoteController::EffectiveTransferType() const
{
    const int site = m_session.Site().TransferType;
    return site != 0 ? site : GetProfileInt(kSettings, QStringLiteral("TransferType")) + 1;
}

bool CRemoteController::IsCommandChecked(FrameCommand command) const
{
    using C = FrameCommand;
    switch (command)
    {
    case C::LargeIcons:
        return m_viewStyle == LargeIconStyle;
    case C::SmallIcons:
        return m_viewStyle == SmallIconStyle;
    case C::List:
        return m_viewStyle == ListStyle;
    case C::Details:
        return m_viewStyle == DetailsStyle;
    case C::TypeAuto:
        return EffectiveTransferType() == 1;
    case C::TypeAscii:
        return EffectiveTransferType() == 2;
    case C::TypeBinary:
        return EffectiveTransferType() == 3;
    default:
        return false;
    }
}

void CRemoteController::RunCommand(FrameCommand command)
{
    if (!IsCommandEnabled(command))
        return;
    using C = FrameCommand;
    switch (command)
    {
    case C::Connect:
        if (m_session.IsConnected())
            return;
        if (m_session.Site().Address.isEmpty())
            ConnectTo({}, {}, {});
        else if (Waiting([this] { return m_session.Reconnect(); }))
        {
            ListFolder(m_session.CurrentFolder(), true);
            m_keepAlive.Arm();
        }
        break;
    case C::Disconnect:
        UserDisconnect();
        break;
    case C::Stop:
        Stop();
        break;
    case C::Browse:
        OpenRow(CurrentRow());
        break;
    case C::NewFolder:
        NewFolder();
        break;
    case C::Rename:
        RenameSelected();
        break;
    case C::Delete:
        DeleteSelected();
        break;
    case C::Move:
        MoveSelected();
        break;
    case C::Properties:
        ShowProperties();
        break;
    case C::Download:
        DownloadSelection();
        break;
    case C::DownloadTo:
        DownloadSelectionTo();
        break;
    case C::Upload:
        ChooseAndUpload();
        break;
    case C::GoTo:
        GoToFolder();
        break;
    case C::CustomCommand:
        SendCustomCommand();
        break;
    case C::Refresh:
        Refresh();
        break;
    case C::SelectAll:
        SelectAll();
        break;
    case C::InvertSelection:
        InvertSelection();
        break;
    case C::GoToLocalFolder:
        GoToLocalFolder();
        break;
    case C::GoToDefaultFolder:
        GoToDefaultFolder();
        break;
    case C::UpdateLocalFolder:
        UpdateLocalFolder();
        break;
    case C::PackZip:
    case C::PackCab:
    case C::PackTarGz:
    case C::UnpackZip:
        StartPack(command);
        break;
    case C::LargeIcons:
        SetViewStyle(LargeIconStyle);
        break;
    case C::SmallIcons:
        SetViewStyle(SmallIconStyle);
        break;
    case C::List:
        SetViewStyle(ListStyle);
        break;
    case C::Details:
        SetViewStyle(DetailsStyle);
        break;
    case C::TypeAuto:
    case C::TypeAscii:
    case C::TypeBinary:
        m_session.Site().TransferType = 1 + int(command) - int(C::TypeAuto);
        Q_EMIT CommandStatesChanged();
        break;
    default:
        break;
    }
}

int CRemoteController::CurrentRow() const
{
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() && m_selection->isRowSelected(current.row()) ? current.row() : -1;
}

QList<int> CRemoteController::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_selection->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<int> CRemoteController::SelectedRowsWithoutParent() const
{
    QList<int> rows = SelectedRows();
    rows.removeIf([this](int row) { return m_shown->Rows().Item(row).IsParent(); });
    return rows;
}

QList<CFtpListItem> CRemoteController::SelectedItems() const
{
    QList<CFtpListItem> items;
    for (int row : SelectedRowsWithoutParent())
        items.append(m_shown->Rows().Item(row));
    return items;
}

// ---- browsing

void CRemoteController::OpenRow(int row)
{
    if (row < 0 || row >= m_shown->rowCount() || !IsConnectedAndIdle())
        return;
    const CFtpListItem item = m_shown->Rows().Item(row);
    if (item.IsParent())
    {
        GoUp();
        return;
    }
    // Browsing a file downloads it, with the rest of the selection.
    if (!item.isFolder)
    {
        DownloadSelection();
        return;
    }
    m_session.Log(LogCommand,
                  QCoreApplication::translate("RemoteController", "變更資料夾： \"%1\"").arg(item.name));
    ListFolder(CollapseSlashes(m_session.CurrentFolder() + u'/' + item.name + u'/'), true);
}

QString CRemoteController::ParentFolderPath() const
{
    QString folder = WithoutTrailingSlash(m_session.CurrentFolder());
    folder.truncate(std::max<qsizetype>(folder.lastIndexOf(u'/'), 0));
    return folder.isEmpty() ? QStringLiteral("/") : folder;
}

void CRemoteController::GoUp()
{
    if (IsConnectedAndIdle())
        ListFolder(ParentFolderPath(), true);
}

void CRemoteController::GoBack()
{
    if (!CanGoBack())
        return;
    SyncSortOrder();
    Waiting([this] { return m_session.GoBack(); });
    Q_EMIT CommandStatesChanged();
}

void CRemoteController::Refresh()
{
    if (!IsConnectedAndIdle())
        return;
    ListFolder(m_session.CurrentFolder(), true, true);
    m_keepAlive.Arm();
}

// ---- in-place editing

void CRemoteController::StartEdit(int row)
{
    m_editName = m_shown->Rows().Item(row).name;
    m_selection->setCurrentIndex(m_shown->index(row, CRemoteListModel::NameColumn),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Q_EMIT EditRequested(row);
}

void CRemoteController::NewFolder()
{
    if (!IsConnectedAndIdle() || IsEditing())
        return;
    CFtpListItem placeholder;
    placeholder.name = CRemoteIconModel::kNewFolderPlaceholder;
    placeholder.isFolder = true;
    placeholder.modified = QDateTime::currentDateTimeUtc();
    const int row = m_session.ListModel().AppendRow(placeholder);
    m_newFolder = true;
    StartEdit(row);
}

void CRemoteController::RenameSelected()
{
    const QList<int> rows = SelectedRowsWithoutParent();
    if (!IsConnectedAndIdle() || rows.size() != 1 || IsEditing())
        return;
    m_newFolder = false;
    StartEdit(rows.first());
}

void CRemoteController::FinishEdit(const QString& oldName, const QString& text)
{
    if (!IsEditing() || oldName != m_editName)
        return;
    CRemoteListModel& rows = m_session.ListModel();
    const bool newFolder = m_newFolder;
    m_editName.clear();
    m_newFolder = false;
    // Found again by name: the rows may have moved while the editor was open.
    if (rows.FindRow(oldName) < 0)
        return;
    if (newFolder)
    {
        const bool made = !text.isEmpty() && Waiting([&] { return m_session.MakeFolder(text); });
        rows.RemoveRow(rows.FindRow(oldName));
        if (made)
            ListAgain({text});
    }
    else if (!text.isEmpty() && text != oldName && Waiting([&] { return m_session.Rename(oldName, text); }))
    {
        rows.RenameRow(rows.FindRow(oldName), text);
    }
    m_keepAlive.Arm();
    Q_EMIT CommandStatesChanged();
    ListAgainSoonIfDue();
}

// ---- delete, move, properties, go to, custom command

void CRemoteController::RemoveRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_session.ListModel().RemoveRow(row);
}

void CRemoteController::DeleteSelected()
{
    if (!IsConnectedAndIdle())
        return;
    if (m_shown->rowCount() > 0 && m_shown->Rows().Item(0).IsParent())
        m_selection->select(m_shown->index(0, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    const QList<int> rows = SelectedRowsWithoutParent();
    const QList<CFtpListItem> items = SelectedItems();
    if (items.isEmpty() || !m_dialogs.ConfirmDelete(items))
        return;
    QList<int> deleted;
    for (qsizetype i = 0; i < items.size(); ++i)
    {
        const CFtpListItem& item = items.at(i);
        if (item.isFolder)
        {
            // A folder that would not go leaves the others to be tried.
            if (Waiting([&] { return m_session.DeleteFolder(item.name, true); }))
                deleted.append(rows.at(i));
            continue;
        }
        if (!Waiting([&] { return m_session.DeleteFile(item.name); }))
            break;
        deleted.append(rows.at(i));
    }
    RemoveRows(deleted);
    m_keepAlive.Arm();
}

QString CRemoteController::TypedFolderPath(QString typed) const
{
    typed.replace(u'\\', u'/');
    if (!typed.startsWith(u'/'))
        typed = m_session.CurrentFolder() + u'/' + typed;
    return CollapseSlashes(typed);
}

void CRemoteController::MoveSelected()
{
    if (!IsConnectedAndIdle() || SelectedRowsWithoutParent().isEmpty())
        return;
    const QString typed = m_dialogs.AskMoveFolder();
    if (typed.isEmpty())
        return;
    const QString destination = WithoutTrailingSlash(TypedFolderPath(typed));
    const QString source = WithoutTrailingSlash(m_session.CurrentFolder());
    const QList<int> rows = SelectedRowsWithoutParent();
    QList<int> moved;
    for (int row : rows)
    {
        const QString name = m_shown->Rows().Item(row).name;
        if (!Waiting(
                [&]
                {
                    return m_session.Move(CollapseSlashes(source + u'/' + name),
                                          CollapseSlashes(destination + u'/' + name));
                }))
            break;
        moved.append(row);
    }
    RemoveRows(moved);
    m_keepAlive.Arm();
}

void CRemoteController::ShowProperties()
{
    const QList<int> rows = SelectedRowsWithoutParent();
    if (!IsConnectedAndIdle() || rows.isEmpty())
        return;
    const std::optional<int> bits = m_dialogs.AskProperties(
        SelectedItems(), m_session.ServerName(), m_session.CurrentFolder(), m_session.HasSiteChmod());
    if (bits)
        Waiting([&] { return m_session.ChangePermissions(rows.first(), *bits); });
}

void CRemoteController::GoToFolder()
{
    if (!IsConnectedAndIdle())
        return;
    const QString typed = m_dialogs.AskGoToFolder();
    if (typed.isEmpty())
        return;
    const QString path = TypedFolderPath(typed);
    if (Waiting([&] { return m_session.ChangeFolder(path); }))
        ListFolder(path, true);
}

void CRemoteController::SendCustomCommand()
{
    if (!IsConnectedAndIdle())
        return;
    const QString command = m_dialogs.AskCustomCommand();
    if (!command.isEmpty())
        Waiting([&] { return m_session.SendCustomCommand(command); });
}

void CRemoteController::SelectAll()
{
    const int count = m_shown->rowCount();
    if (count > 0)
        m_selection->select(QItemSelection(m_shown->index(0, 0), m_shown->index(count - 1, 0)),
                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CRemoteController::InvertSelection()
{
    const int count = m_shown->rowCount();
    if (count > 0)
        m_selection->select(QItemSelection(m_shown->index(0, 0), m_shown->index(count - 1, 0)),
                            QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void CRemoteController::UserDisconnect()
{
    m_keepAlive.OnUserDisconnect();
    m_session.Disconnect();
    Q_EMIT TitleChanged();
    Q_EMIT CommandStatesChanged();
}

void CRemoteController::Stop()
{
    m_session.Stop();
    Q_EMIT CommandStatesChanged();
}

// ---- transfers

bool CRemoteController::ParallelJobs() const
{
    return m_forceParallel || QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

QString CRemoteController::LocalBrowserFolder() const
{
    return m_context.localFolder ? m_context.localFolder() : QString();
}

QString CRemoteController::DownloadFolder(const QString& given) const
{
    QString folder = given;
    if (folder.isEmpty() && GetProfileInt(kSettings, QStringLiteral("DownloadToLocalBrowser")) != 0)
        folder = LocalBrowserFolder();
    if (folder.isEmpty())
        folder = m_session.Site().LocalPath;
    if (folder.isEmpty())
        folder = GetProfileString(kSettings, QStringLiteral("DefaultLocalPath"));
    if (folder.isEmpty())
        folder = LocalBrowserFolder();
    if (folder.isEmpty())
        folder = QDir::homePath();
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    return folder;
}

CFtpSite CRemoteController::TransferSite() const
{
    // A quick connection keeps the whole typed address; the workers need the server it named.
    CFtpSite site = m_session.Site();
    if (!m_session.ServerName().isEmpty())
        site.Address = m_session.ServerName();
    return site;
}

bool CRemoteController::CanDownloadSelection() const
{
    return TransferQueue() && IsConnectedAndIdle() && !IsPlanning() && !SelectedRowsWithoutParent().isEmpty();
}

bool CRemoteController::CanUpload() const
{
    return TransferQueue() && IsConnectedAndIdle() && !IsPlanning();
}

void CRemoteController::QueueDownload(const QList<CFtpListItem>& items, const QString& localFolder,
                                      bool filtered, const std::optional<CScheduleInfo>& schedule)
{
    CTransferQueue* queue = TransferQueue();
    if (!queue || !IsConnectedAndIdle() || items.isEmpty())
        return;
    CTransferJob job = MakeTransferJob(TransferSite(), m_session.CurrentFolder());
    job.requestingWindow = this;
    job.localFolder = localFolder;
    job.filterRequested = filtered;
    job.schedule = schedule;
    for (const CFtpListItem& item : items)
        job.files.append({item.name, item.isFolder ? kAttributeFolder : 0, item.size, item.modified});
    // A scheduled job keeps its folders whole: a tree listed now could have changed when it runs.
    if (!schedule && !localFolder.startsWith(kSiteTarget) && StartPlanning(job, job.files, false, filtered))
        return;
    if (!ParallelJobs())
    {
        queue->AddDownload(job);
        return;
    }
    const QList<CTransferEntry> files = job.files;
    for (const CTransferEntry& file : files)
    {
        job.files = {file};
        queue->AddDownload(job);
    }
}

void CRemoteController::DownloadSelection(const QString& localFolder)
{
    if (CanDownloadSelection())
        QueueDownload(SelectedItems(), DownloadFolder(localFolder), false, std::nullopt);
}

void CRemoteController::DownloadSelectionTo()
{
    const QList<CFtpListItem> items = SelectedItems();
    if (!CanDownloadSelection())
        return;
    QString folder;
    if (items.size() == 1)
    {
        const QString start = m_downloadToFolder.isEmpty() ? DownloadFolder({}) : m_downloadToFolder;
        const QString file = m_dialogs.ChooseSaveFile(QDir(start).filePath(items.first().name));
        if (file.isEmpty())
            return;
        folder = QFileInfo(file).absolutePath();
    }
    else
    {
        folder = m_dialogs.ChooseFolder(m_downloadToFolder);
        if (folder.isEmpty())
            return;
    }
    m_downloadToFolder = folder;
    QueueDownload(items, DownloadFolder(folder), false, std::nullopt);
}

void CRemoteController::ScheduledDownload()
{
    if (!CanDownloadSelection())
        return;
    if (const std::optional<CScheduleInfo> schedule = m_dialogs.AskSchedule())
        QueueDownload(SelectedItems(), DownloadFolder({}), false, schedule);
}

void CRemoteController::FilteredDownload()
{
    if (CanDownloadSelection())
        QueueDownload(SelectedItems(), DownloadFolder({}), true, std::nullopt);
}

void CRemoteController::CopySelectionToSite()
{
    if (!CanDownloadSelection())
        return;
    const std::optional<QString> path = m_dialogs.ChooseTargetSite(m_sites);
    if (path && !path->isEmpty())
        QueueDownload(SelectedItems(), kSiteTarget + *path, false, std::nullopt);
}

CRemoteItemsMimeData* CRemoteController::MakeDragData()
{
    const QList<CFtpListItem> items = SelectedItems();
    if (items.isEmpty())
        return nullptr;
    QStringList urls;
    const QString base = ServerUrl(TransferSite()) + WithoutTrailingSlash(m_session.CurrentFolder()) + u'/';
    for (const CFtpListItem& item : items)
        urls << base + item.name;
    // The rows dragged are the rows queued, whatever is selected when the drop arrives.
    // A file manager may ask for the items after the drag has ended, when the window may be gone.
    return new CRemoteItemsMimeData(
        urls,
        [self = QPointer<CRemoteController>(this), items](const QString& target)
        {
            if (!self)
                return;
            const bool toSite = target.startsWith(kSiteTarget);
            self->QueueDownload(items, toSite ? target : self->DownloadFolder(target), false, std::nullopt);
        });
}

void CRemoteController::ChooseAndUpload()
{
    if (CanUpload())
        QueueUpload(m_dialogs.ChooseFilesToUpload(), false, std::nullopt);
}

void CRemoteController::ScheduledUpload()
{
    if (!CanUpload())
        return;
    if (const std::optional<CScheduleInfo> schedule = m_dialogs.AskSchedule())
        QueueUpload(m_dialogs.ChooseFilesToUpload(), false, schedule);
}

void CRemoteController::FilteredUpload()
{
    if (CanUpload())
        QueueUpload(m_dialogs.ChooseFilesToUpload(), true, std::nullopt);
}

void CRemoteController::UploadFiles(const QStringList& paths)
{
    QueueUpload(paths, false, std::nullopt);
}

void CRemoteController::QueueUpload(const QStringList& paths, bool filtered,
                                    const std::optional<CScheduleInfo>& schedule)
{
    CTransferQueue* queue = TransferQueue();
    if (!CanUpload() || paths.isEmpty())
        return;
    QList<CTransferEntry> items;
    for (const QString& path : paths)
        items.append(CTransferPlanner::LocalEntry(QFileInfo(path)));
    if (!schedule &&
        StartPlanning(MakeTransferJob(TransferSite(), m_session.CurrentFolder()), items, true, filtered))
        return;
    CUploadBatch batch;
    for (const QString& path : paths)
        batch.records.append(CLocalFileRecord::FromPath(path));
    batch.remoteFolder = m_session.CurrentFolder();
    batch.remoteList = m_session.ListModel().Items();
    batch.site = TransferSite();
    batch.requestingWindow = this;
    batch.filteredUpload = filtered;
    batch.shiftHeld = ParallelJobs();
    for (CTransferJob job : PrepareUploadBatch(batch, m_dialogs.OverwritePrompts()))
    {
        job.schedule = schedule;
        queue->AddUpload(job);
    }
}

bool CRemoteController::StartPlanning(const CTransferJob& base, const QList<CTransferEntry>& items,
                                      bool upload, bool filtered)
{
    const bool folder =
        std::any_of(items.cbegin(), items.cend(),
                    [](const CTransferEntry& item) { return (item.attributes & kAttributeFolder) != 0; });
    if (!folder || !ParallelJobs())
        return false;
    CTransferPlanRequest request;
    request.base = base;
    request.items = items;
    request.upload = upload;
    request.filter = filtered;
    const int most = GetProfileInt(kSettings, QStringLiteral("TransferMax"));
    request.jobCount = most > 0 ? most : kUnlimitedJobs;
    m_planner = std::make_shared<CTransferPlanner>(request);
    // The planning connection may wait for the server for as long as its time-out.
    m_planThread.reset(QThread::create([planner = m_planner] { planner->Survey(); }));
    connect(m_planThread.get(), &QThread::finished, this, [this, upload] { FinishPlanning(upload); });
    ShowBusy(true);
    Q_EMIT CommandStatesChanged();
    m_planThread->start();
    return true;
}

// Back on the window's thread: the overwrite questions, then the jobs.
void CRemoteController::FinishPlanning(bool upload)
{
    m_planThread->wait();
    m_planThread.reset();
    const CTransferPlan plan = m_planner->Finish(m_dialogs.OverwritePrompts());
    m_planner.reset();
    if (m_busyShown && !m_session.IsListing())
        ShowBusy(false);
    for (const QString& note : plan.notes)
        OnLog(LogError, note);
    CTransferQueue* queue = TransferQueue();
    for (CTransferJob job : plan.jobs)
    {
        job.requestingWindow = this;
        if (queue)
            upload ? queue->AddUpload(job) : queue->AddDownload(job);
    }
    Q_EMIT CommandStatesChanged();
    if (!plan.IsOk())
        m_dialogs.ShowMessage(plan.problem);
}

void CRemoteController::OnTransferLog(const QString& line)
{
    OnLog(LogInformation, line);
}

void CRemoteController::OnTransferDone(int level, const QString& line)
{
    OnLog(level, line);
    // Uploaded rows were made here; the server's listing gives their real attributes, once the window is
    // not in the middle of something.
    if (m_madeUpRows)
        m_listAgainDue = true;
    ListAgainWhenIdle();
}

void CRemoteController::OnTransferRelay(const CTransferEntry& entry)
{
    const auto row = CRemoteListModel::RowForRelayedPath(m_session.CurrentFolder(), entry.name);
    if (!row)
        return;
    m_madeUpRows = true;
    if (row->viaSubFolder)
        m_session.ListModel().AddOrRefreshUploaded(row->name, 0, {}, true);
    else
        m_session.ListModel().AddOrRefreshUploaded(row->name, entry.size, entry.modified,
                                                   (entry.attributes & kAttributeFolder) != 0);
}

// ---- the local browser

void CRemoteController::GoToLocalFolder()
{
    if (IsCommandEnabled(FrameCommand::GoToLocalFolder))
        m_context.showLocalFolder(m_session.Site().LocalPath);
}

void CRemoteController::GoToDefaultFolder()
{
    if (!HasLocalBrowser())
        return;
    const QString folder = GetProfileString(kSettings, QStringLiteral("DefaultLocalPath"));
    m_context.showLocalFolder(folder.isEmpty() ? QDir::currentPath() : folder);
}

void CRemoteController::UpdateLocalFolder()
{
    if (!IsCommandEnabled(FrameCommand::UpdateLocalFolder))
        return;
    // The stored record, not the session's: the session's may carry a password typed only for this
    // connection.
    CFtpSite stored;
    if (!m_sites.LoadSiteByPath(m_sitePath, stored))
        return;
    const QString folder = m_context.localFolder();
    stored.LocalPath = folder;
    m_session.Site().LocalPath = folder;
    QString parent = m_sitePath;
    parent.truncate(std::max<qsizetype>(parent.lastIndexOf(u'\\'), 0));
    if (!m_sites.StoreSite(stored, parent))
        m_dialogs.ShowMessage(
            QCoreApplication::translate("RemoteController", "無法儲存站台設定到 %1").arg(m_sites.FilePath()));
    Q_EMIT CommandStatesChanged();
}

// ---- view style and sorting

void CRemoteController::SetViewStyle(int style)
{
    if (style < SmallIconStyle || style > DetailsStyle)
        return;
    m_viewStyle = style;
    WriteProfileInt(kSettings, QStringLiteral("ViewStyle"), style);
    Q_EMIT ViewStyleChanged(style);
    Q_EMIT CommandStatesChanged();
}

void CRemoteController::SortByHeaderClick(int column)
{
    if (column == m_shown->Rows().SortColumn())
        s_sortOrder = s_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        s_sortOrder = Qt::AscendingOrder;
    ArrangeBy(column);
}

void CRemoteController::ArrangeBy(int column)
{
    m_session.ListModel().sort(column, s_sortOrder);
    WriteProfileInt(kSettings, QStringLiteral("SortColumn"), m_shown->Rows().SortColumn());
    Q_EMIT SortChanged();
}

// ---- the session's sink and questions

void CRemoteController::OnLog(int level, const QString& text)
{
    Q_EMIT LogLine(level, text);
}

void CRemoteController::OnConnected()
{
    m_keepAlive.OnConnected();
    Q_EMIT ConnectionLookChanged(true);
    Q_EMIT TitleChanged();
    Q_EMIT CommandStatesChanged();
}

void CRemoteController::OnDisconnected()
{
    m_keepAlive.OnDisconnected();
    Q_EMIT ConnectionLookChanged(false);
    Q_EMIT TitleChanged();
    Q_EMIT CommandStatesChanged();
}

void CRemoteController::ShowBusy(bool on)
{
    // A listing that ends while a folder is being planned leaves the indicator on.
    on = on || IsPlanning();
    m_busyShown = on;
    Q_EMIT BusyChanged(on);
}

std::optional<CFtpSite> CRemoteController::SelectedSite()
{
    return m_context.selectedSite ? m_context.selectedSite() : std::nullopt;
}

std::optional<CFtpSite> CRemoteController::RunConnectionWizard()
{
    return m_dialogs.RunConnectionWizard(m_sites);
}

std::optional<CSessionLogin> CRemoteController::AskLogin(const QString& server, const QString& login,
                                                         bool again)
{
    return m_dialogs.AskLogin(server, login, again);
}

void CRemoteController::ShowMessage(const QString& text)
{
    m_dialogs.ShowMessage(text);
}

bool CRemoteController::RetryCountdown(int delaySeconds, const QString& message)
{
    return m_dialogs.RetryCountdown(delaySeconds, message);
}

TrustAnswer CRemoteController::AcceptCertificate(const ServerCertificate& certificate, const QString& problem)
{
    return m_dialogs.AcceptCertificate(certificate, problem);
}

TrustAnswer CRemoteController::AcceptHostKey(const QString& host, const SshHostKey& key)
{
    return m_dialogs.AcceptHostKey(host, key);
}

void CRemoteController::SetWaitCursor(bool on)
{
    m_dialogs.SetWaitCursor(on);
}
