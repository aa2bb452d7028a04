#include "ui/connection/FTPClientView.h"

#include "app/Profile.h"
#include "common/LogLine.h"
#include "session/DeleteConfirmation.h"
#include "transfer/TransferQueue.h"
#include "transfer/UploadBatch.h"
#include "ui/connection/BusyIndicator.h"
#include "ui/dialogs/CertificateDlg.h"
#include "ui/sites/ConnectionWizard.h"
#include "ui/dialogs/CustomCommandDlg.h"
#include "ui/dialogs/GoToDlg.h"
#include "ui/dialogs/HostKeyDlg.h"
#include "ui/dialogs/LogonDlg.h"
#include "ui/frame/MainFrame.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/dialogs/MoveDlg.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/connection/RemoteIconModel.h"
#include "ui/dialogs/RetryCountdownDlg.h"
#include "ui/transfers/ScheduleDlg.h"
#include "ui/sites/SiteManagerDlg.h"
#include "ui/sites/TargetSiteDlg.h"
#include "ui/connection/TracePane.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

const QString kSettings = QStringLiteral("Settings");
constexpr int kLargeIconSide = 32;
constexpr int kSmallIconSide = 16;
const QSize kLargeIconGrid(96, 72);

CFTPClientView::TransferChoosers DialogChoosers()
{
    CFTPClientView::TransferChoosers choosers;
    choosers.folder = [](QWidget* parent, const QString& start)
    { return QFileDialog::getExistingDirectory(parent, QStringLiteral("下載到指定資料夾："), start); };
    choosers.saveFile = [](QWidget* parent, const QString& suggested)
    {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("下載到"), suggested,
                                            QStringLiteral("所有檔案 (*.*)"));
    };
    choosers.openFiles = [](QWidget* parent)
    {
        return QFileDialog::getOpenFileNames(parent, QStringLiteral("上傳"), {},
                                             QStringLiteral("All Files (*)"));
    };
    choosers.targetSite = [](QWidget* parent, CSiteList& sites)
    { return CTargetSiteDlg::ChooseSite(parent, sites); };
    return choosers;
}

} // namespace

Qt::SortOrder CFTPClientView::s_sortOrder = Qt::AscendingOrder;

CFTPClientView::CFTPClientView(CSiteList* sites, QWidget* parent)
    : QWidget(parent), m_ownSites(sites ? nullptr : std::make_unique<CSiteList>()),
      m_sites(sites ? *sites : *m_ownSites), m_session(this, *this, m_sites), m_keepAlive(m_session),
      m_choosers(DialogChoosers())
{
    setObjectName(QStringLiteral("RemoteView"));
    // Files dropped from a file manager are uploaded into the current folder; the lists themselves
    // take no drops, so they reach this widget.
    setAcceptDrops(true);
    if (m_ownSites)
        m_sites.LoadSites();
    m_session.SetAutoReconnect(GetProfileInt(kSettings, QStringLiteral("AutoReconnect")) != 0);
    m_forceParallel = GetProfileInt(kSettings, QStringLiteral("ForceParallelTransfers")) != 0;
    CreateViews();
    m_session.ListModel().sort(GetProfileInt(kSettings, QStringLiteral("SortColumn")), s_sortOrder);
    ShowSortIndicator();
    SetViewStyle(GetProfileInt(kSettings, QStringLiteral("ViewStyle")));
    ApplyConnectionLook(false);
    m_keepAlive.Arm();
}

CFTPClientView::~CFTPClientView()
{
    SetWaitCursor(false);
}

void CFTPClientView::CreateViews()
{
    m_shown = new CRemoteIconModel(m_session.ListModel(), this);
    m_stack = new QStackedWidget(this);
    m_iconView = new QListView(m_stack);
    m_iconView->setObjectName(QStringLiteral("RemoteIcons"));
    m_detailsView = new QTreeView(m_stack);
    m_detailsView->setObjectName(QStringLiteral("RemoteDetails"));
    m_iconView->setModel(m_shown);
    m_detailsView->setModel(m_shown);
    // One selection for both views, so that switching the style keeps what the user selected.
    m_selection = m_iconView->selectionModel();
    QItemSelectionModel* own = m_detailsView->selectionModel();
    m_detailsView->setSelectionModel(m_selection);
    delete own;
    m_iconView->setUniformItemSizes(true);
    m_iconView->setLayoutMode(QListView::Batched);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setResizeMode(QListView::Adjust);
    m_detailsView->setRootIsDecorated(false);
    m_detailsView->setItemsExpandable(false);
    m_detailsView->setUniformRowHeights(true);
    m_detailsView->setAllColumnsShowFocus(true);
    QHeaderView* header = m_detailsView->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this, &CFTPClientView::SortByHeaderClick);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailsView)})
    {
        ConfigureView(view);
        m_stack->addWidget(view);
    }
    ApplyColumnWidths();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_busy = new CBusyIndicator(this);
    connect(m_selection, &QItemSelectionModel::selectionChanged, this, &CFTPClientView::CommandStatesChanged);
    connect(m_shown, &QAbstractItemModel::modelReset, this, &CFTPClientView::CommandStatesChanged);
}

void CFTPClientView::ConfigureView(QAbstractItemView* view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->installEventFilter(this);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& where) { ShowContextMenu(view, where); });
    connect(view, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { OpenRow(index.row()); });
    QAbstractItemDelegate* delegate = view->itemDelegate();
    connect(delegate, &QAbstractItemDelegate::commitData, this,
            [this](QWidget* editor)
            {
                if (auto* line = qobject_cast<QLineEdit*>(editor))
                {
                    m_editText = line->text();
                    m_editCommitted = true;
                }
            });
    // The server is asked once the editor is gone, so that its wait does not run inside the view's
    // own editing code.
    connect(delegate, &QAbstractItemDelegate::closeEditor, this,
            [this] { QTimer::singleShot(0, this, &CFTPClientView::FinishEdit); });
}

QAbstractItemView* CFTPClientView::CurrentView() const
{
    return m_viewStyle == DetailsStyle ? static_cast<QAbstractItemView*>(m_detailsView) : m_iconView;
}

// ---- connecting and listing

template <typename Step> auto CFTPClientView::Waiting(Step step)
{
    ++m_waiting;
    Q_EMIT CommandStatesChanged();
    auto result = step();
    --m_waiting;
    Q_EMIT CommandStatesChanged();
    return result;
}

bool CFTPClientView::IsWaiting() const
{
    return m_waiting > 0 || m_session.IsConnecting() || m_session.IsListing();
}

bool CFTPClientView::IsConnectedAndIdle() const
{
    return m_session.IsConnected() && !IsWaiting();
}

bool CFTPClientView::ConnectTo(const QString& address, const QString& login, const QString& password)
{
    const bool connected = Waiting([&] { return m_session.Connect(address, login, password); });
    Q_EMIT TitleChanged();
    if (!connected)
        return false;
    Q_EMIT LoggedIn();
    ApplyColumnWidths();
    ListFolder(m_session.CurrentFolder(), true);
    m_keepAlive.Arm();
    return true;
}

void CFTPClientView::SyncSortOrder()
{
    // Another window may have turned the shared direction since this one last sorted.
    CRemoteListModel& rows = m_session.ListModel();
    if (rows.SortOrder() != s_sortOrder)
        rows.sort(rows.SortColumn(), s_sortOrder);
}

bool CFTPClientView::ListFolder(const QString& folder, bool addToHistory, bool keepCurrent)
{
    SyncSortOrder();
    m_madeUpRows = false;
    const bool listed = Waiting([&] { return m_session.List(folder, addToHistory, keepCurrent); });
    // A stopped listing returns without ending its busy state.
    if (m_busyShown)
        ShowBusy(false);
    if (m_shown->rowCount() > 0)
    {
        const QModelIndex first = m_shown->index(0, 0);
        m_selection->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        CurrentView()->scrollTo(first);
        CurrentView()->setFocus();
    }
    Q_EMIT CommandStatesChanged();
    ListAgainSoonIfDue();
    return listed;
}

void CFTPClientView::ListAgain(const QStringList& selected)
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

void CFTPClientView::ListAgainSoonIfDue()
{
    // A job that ended while the window was busy is listed once the window is idle again.
    if (m_listAgainDue)
        QTimer::singleShot(0, this, &CFTPClientView::ListAgainWhenIdle);
}

void CFTPClientView::ListAgainWhenIdle()
{
    if (!m_listAgainDue || !IsConnectedAndIdle() || m_editRow >= 0)
        return;
    m_listAgainDue = false;
    QStringList selected;
    for (int row : SelectedRowsWithoutParent())
        selected << m_shown->Rows().Item(row).name;
    ListAgain(selected);
}

void CFTPClientView::ApplyColumnWidths()
{
    const CRemoteListModel& rows = m_shown->Rows();
    for (int column = 0; column < CRemoteListModel::ColumnCount; ++column)
    {
        const int width = rows.ColumnWidth(column);
        m_detailsView->setColumnHidden(column, width == 0);
        if (width > 0)
            m_detailsView->setColumnWidth(column, width);
    }
}

// ---- commands

bool CFTPClientView::CanGoBack()
{
    return IsConnectedAndIdle() && m_session.BackHistory().CanGoBack();
}

bool CFTPClientView::IsCommandEnabled(FrameCommand command)
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
        return ready && TransferQueue();
    case C::SelectAll:
    case C::InvertSelection:
        return m_shown->rowCount() > 0;
    case C::LargeIcons:
    case C::SmallIcons:
    case C::List:
    case C::Details:
    case C::TypeAuto:
    case C::TypeAscii:
    case C::TypeBinary:
        return true;
    default:
        // Transfers and the local browser's commands come with the windows that carry them out.
        return false;
    }
}

int CFTPClientView::EffectiveTransferType() const
{
    const int site = m_session.Site().TransferType;
    return site != 0 ? site : GetProfileInt(kSettings, QStringLiteral("TransferType")) + 1;
}

bool CFTPClientView::IsCommandChecked(FrameCommand command)
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

void CFTPClientView::RunCommand(FrameCommand command)
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

int CFTPClientView::CurrentRow() const
{
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() && m_selection->isRowSelected(current.row()) ? current.row() : -1;
}

QList<int> CFTPClientView::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_selection->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<int> CFTPClientView::SelectedRowsWithoutParent() const
{
    QList<int> rows = SelectedRows();
    rows.removeIf([this](int row) { return m_shown->Rows().Item(row).IsParent(); });
    return rows;
}

void CFTPClientView::OpenRow(int row)
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
    m_session.Log(LogCommand, QStringLiteral("變更資料夾： \"%1\"").arg(item.name));
    ListFolder(CollapseSlashes(m_session.CurrentFolder() + u'/' + item.name + u'/'), true);
}

QString CFTPClientView::ParentFolderPath() const
{
    QString folder = WithoutTrailingSlash(m_session.CurrentFolder());
    folder.truncate(std::max<qsizetype>(folder.lastIndexOf(u'/'), 0));
    return folder.isEmpty() ? QStringLiteral("/") : folder;
}

void CFTPClientView::Browse()
{
    RunCommand(FrameCommand::Browse);
}

void CFTPClientView::GoUp()
{
    if (IsConnectedAndIdle())
        ListFolder(ParentFolderPath(), true);
}

void CFTPClientView::GoBack()
{
    if (!CanGoBack())
        return;
    SyncSortOrder();
    Waiting([this] { return m_session.GoBack(); });
    Q_EMIT CommandStatesChanged();
}

void CFTPClientView::Refresh()
{
    if (!IsConnectedAndIdle())
        return;
    ListFolder(m_session.CurrentFolder(), true, true);
    m_keepAlive.Arm();
}

// ---- in-place editing

void CFTPClientView::StartEdit(int row)
{
    m_editRow = row;
    m_oldName = m_shown->Rows().Item(row).name;
    m_editCommitted = false;
    const QModelIndex index = m_shown->index(row, CRemoteListModel::NameColumn);
    QAbstractItemView* view = CurrentView();
    view->scrollTo(index);
    m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->setFocus();
    view->edit(index);
}

void CFTPClientView::NewFolder()
{
    if (!IsConnectedAndIdle() || m_editRow >= 0)
        return;
    CFtpListItem placeholder;
    placeholder.name = CRemoteIconModel::kNewFolderPlaceholder;
    placeholder.isFolder = true;
    placeholder.modified = QDateTime::currentDateTimeUtc();
    const int row = m_session.ListModel().AppendRow(placeholder);
    m_newFolder = true;
    StartEdit(row);
}

void CFTPClientView::RenameSelected()
{
    const QList<int> rows = SelectedRowsWithoutParent();
    if (!IsConnectedAndIdle() || rows.size() != 1 || m_editRow >= 0)
        return;
    m_newFolder = false;
    StartEdit(rows.first());
}

void CFTPClientView::FinishEdit()
{
    if (m_editRow < 0)
        return;
    CRemoteListModel& rows = m_session.ListModel();
    // Found again by name: the rows may have moved while the editor was open.
    const int row = rows.FindRow(m_oldName);
    const QString text = m_editCommitted ? m_editText : QString();
    const bool newFolder = m_newFolder;
    m_editRow = -1;
    m_newFolder = false;
    m_editCommitted = false;
    if (row < 0)
        return;
    if (newFolder)
    {
        const bool made = !text.isEmpty() && Waiting([&] { return m_session.MakeFolder(text); });
        rows.RemoveRow(rows.FindRow(m_oldName));
        if (made)
            ListAgain({text});
    }
    else if (!text.isEmpty() && text != m_oldName &&
             Waiting([&] { return m_session.Rename(m_oldName, text); }))
    {
        rows.RenameRow(rows.FindRow(m_oldName), text);
    }
    m_keepAlive.Arm();
    Q_EMIT CommandStatesChanged();
    ListAgainSoonIfDue();
}

// ---- delete, move, properties, go to, custom command

void CFTPClientView::RemoveRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_session.ListModel().RemoveRow(row);
}

void CFTPClientView::DeleteSelected()
{
    if (!IsConnectedAndIdle())
        return;
    if (m_shown->rowCount() > 0 && m_shown->Rows().Item(0).IsParent())
        m_selection->select(m_shown->index(0, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    const QList<int> rows = SelectedRowsWithoutParent();
    if (rows.isEmpty())
        return;
    QList<CFtpListItem> items;
    for (int row : rows)
        items.append(m_shown->Rows().Item(row));
    if (GetProfileInt(kSettings, QStringLiteral("DeleteConfirmation")) != 0 &&
        CMessageBox::Show(this, QMessageBox::Question, DeleteConfirmationText(items),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
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

QString CFTPClientView::TypedFolderPath(QString typed) const
{
    typed.replace(u'\\', u'/');
    if (!typed.startsWith(u'/'))
        typed = m_session.CurrentFolder() + u'/' + typed;
    return CollapseSlashes(typed);
}

void CFTPClientView::MoveSelected()
{
    if (!IsConnectedAndIdle() || SelectedRowsWithoutParent().isEmpty())
        return;
    CMoveDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.Folder().isEmpty())
        return;
    const QString destination = WithoutTrailingSlash(TypedFolderPath(dialog.Folder()));
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

void CFTPClientView::ShowProperties()
{
    const QList<int> rows = SelectedRowsWithoutParent();
    if (!IsConnectedAndIdle() || rows.isEmpty())
        return;
    QList<CFtpListItem> items;
    for (int row : rows)
        items.append(m_shown->Rows().Item(row));
    CPropertiesDlg dialog(items, m_session.ServerName(), m_session.CurrentFolder(), m_session.HasSiteChmod(),
                          this);
    if (dialog.exec() != QDialog::Accepted || !dialog.PermissionsShown())
        return;
    const int bits = dialog.PermissionBits();
    Waiting([&] { return m_session.ChangePermissions(rows.first(), bits); });
}

void CFTPClientView::GoToFolder()
{
    if (!IsConnectedAndIdle())
        return;
    CGoToDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.Folder().isEmpty())
        return;
    const QString path = TypedFolderPath(dialog.Folder());
    if (Waiting([&] { return m_session.ChangeFolder(path); }))
        ListFolder(path, true);
}

void CFTPClientView::SendCustomCommand()
{
    if (!IsConnectedAndIdle())
        return;
    CCustomCommandDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.Command().isEmpty())
        return;
    const QString command = dialog.Command();
    Waiting([&] { return m_session.SendCustomCommand(command); });
}

void CFTPClientView::SelectAll()
{
    CurrentView()->selectAll();
}

void CFTPClientView::InvertSelection()
{
    const int count = m_shown->rowCount();
    if (count == 0)
        return;
    const QItemSelection all(m_shown->index(0, 0),
                             m_shown->index(count - 1, CRemoteListModel::ColumnCount - 1));
    m_selection->select(all, QItemSelectionModel::Toggle);
}

void CFTPClientView::UserDisconnect()
{
    m_keepAlive.OnUserDisconnect();
    m_session.Disconnect();
    Q_EMIT TitleChanged();
    Q_EMIT CommandStatesChanged();
}

void CFTPClientView::Stop()
{
    m_session.Stop();
    Q_EMIT CommandStatesChanged();
}

// ---- transfers

CTransferQueue* CFTPClientView::TransferQueue() const
{
    auto* frame = qobject_cast<CMainFrame*>(window());
    return frame ? &frame->TransferQueue() : nullptr;
}

bool CFTPClientView::ParallelJobs() const
{
    return m_forceParallel || QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

QString CFTPClientView::DownloadFolder(const QString& given) const
{
    QString folder = given;
    if (folder.isEmpty())
        folder = m_session.Site().LocalPath;
    if (folder.isEmpty())
        folder = GetProfileString(kSettings, QStringLiteral("DefaultLocalPath"));
    if (folder.isEmpty())
        folder = QDir::homePath();
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    return folder;
}

CFtpSite CFTPClientView::TransferSite() const
{
    // A quick connection keeps the whole typed address; the workers need the server it named.
    CFtpSite site = m_session.Site();
    if (!m_session.ServerName().isEmpty())
        site.Address = m_session.ServerName();
    return site;
}

bool CFTPClientView::CanDownloadSelection() const
{
    return TransferQueue() && IsConnectedAndIdle() && !SelectedRowsWithoutParent().isEmpty();
}

bool CFTPClientView::CanUpload() const
{
    return TransferQueue() && IsConnectedAndIdle();
}

void CFTPClientView::QueueDownload(const QString& localFolder, bool filtered,
                                   const std::optional<CScheduleInfo>& schedule)
{
    CTransferQueue* queue = TransferQueue();
    if (!CanDownloadSelection())
        return;
    CTransferJob job = MakeTransferJob(TransferSite(), m_session.CurrentFolder());
    job.requestingWindow = this;
    job.localFolder = localFolder;
    job.filterRequested = filtered;
    job.schedule = schedule;
    for (int row : SelectedRowsWithoutParent())
    {
        const CFtpListItem& item = m_shown->Rows().Item(row);
        job.files.append({item.name, item.isFolder ? kAttributeFolder : 0, item.size, item.modified});
    }
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

void CFTPClientView::DownloadSelection(const QString& localFolder)
{
    QueueDownload(DownloadFolder(localFolder), false, std::nullopt);
}

void CFTPClientView::DownloadSelectionTo()
{
    const QList<int> rows = SelectedRowsWithoutParent();
    if (!CanDownloadSelection())
        return;
    QString folder;
    if (rows.size() == 1)
    {
        const QString start = m_downloadToFolder.isEmpty() ? DownloadFolder({}) : m_downloadToFolder;
        const QString file =
            m_choosers.saveFile(this, QDir(start).filePath(m_shown->Rows().Item(rows.first()).name));
        if (file.isEmpty())
            return;
        folder = QFileInfo(file).absolutePath();
    }
    else
    {
        folder = m_choosers.folder(this, m_downloadToFolder);
        if (folder.isEmpty())
            return;
    }
    m_downloadToFolder = folder;
    QueueDownload(DownloadFolder(folder), false, std::nullopt);
}

std::optional<CScheduleInfo> CFTPClientView::AskSchedule()
{
    CScheduleDlg dialog(CScheduleInfo{}, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Schedule();
}

void CFTPClientView::ScheduledDownload()
{
    if (!CanDownloadSelection())
        return;
    if (const std::optional<CScheduleInfo> schedule = AskSchedule())
        QueueDownload(DownloadFolder({}), false, schedule);
}

void CFTPClientView::FilteredDownload()
{
    QueueDownload(DownloadFolder({}), true, std::nullopt);
}

void CFTPClientView::CopySelectionToSite()
{
    if (!CanDownloadSelection())
        return;
    const std::optional<QString> path = m_choosers.targetSite(this, m_sites);
    if (!path || path->isEmpty())
        return;
    QueueDownload(QStringLiteral("ftp:\\") + *path, false, std::nullopt);
}

void CFTPClientView::ChooseAndUpload()
{
    if (CanUpload())
        QueueUpload(m_choosers.openFiles(this), false, std::nullopt);
}

void CFTPClientView::ScheduledUpload()
{
    if (!CanUpload())
        return;
    const std::optional<CScheduleInfo> schedule = AskSchedule();
    if (schedule)
        QueueUpload(m_choosers.openFiles(this), false, schedule);
}

void CFTPClientView::FilteredUpload()
{
    if (CanUpload())
        QueueUpload(m_choosers.openFiles(this), true, std::nullopt);
}

void CFTPClientView::UploadFiles(const QStringList& paths)
{
    QueueUpload(paths, false, std::nullopt);
}

void CFTPClientView::QueueUpload(const QStringList& paths, bool filtered,
                                 const std::optional<CScheduleInfo>& schedule)
{
    CTransferQueue* queue = TransferQueue();
    if (!CanUpload() || paths.isEmpty())
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
    for (CTransferJob job : PrepareUploadBatch(batch, m_prompts))
    {
        job.schedule = schedule;
        queue->AddUpload(job);
    }
}

QStringList CFTPClientView::DroppedLocalFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    return paths;
}

void CFTPClientView::HandleDrop(QDropEvent* event)
{
    const QStringList paths = DroppedLocalFiles(event->mimeData());
    if (paths.isEmpty() || !CanUpload())
    {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Queued once the drop has finished: the overwrite prompts must not run inside the file manager's
    // drag.
    if (event->type() == QEvent::Drop)
        QTimer::singleShot(0, this, [this, paths] { UploadFiles(paths); });
}

void CFTPClientView::OnTransferLog(const QString& line)
{
    OnLog(LogInformation, line);
}

void CFTPClientView::OnTransferDone(int level, const QString& line)
{
    OnLog(level, line);
    // Uploaded rows were made here; the server's listing gives their real attributes, once the window is
    // not in the middle of something.
    if (m_madeUpRows)
        m_listAgainDue = true;
    ListAgainWhenIdle();
}

void CFTPClientView::OnTransferRelay(const CTransferEntry& entry)
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

// ---- view style and sorting

void CFTPClientView::SetViewStyle(int style)
{
    switch (style)
    {
    case LargeIconStyle:
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(kLargeIconSide, kLargeIconSide));
        m_iconView->setGridSize(kLargeIconGrid);
        m_iconView->setWordWrap(true);
        break;
    case SmallIconStyle:
    case ListStyle:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(kSmallIconSide, kSmallIconSide));
        m_iconView->setGridSize({});
        m_iconView->setWordWrap(false);
        m_iconView->setFlow(style == ListStyle ? QListView::TopToBottom : QListView::LeftToRight);
        m_iconView->setWrapping(true);
        break;
    case DetailsStyle:
        break;
    default:
        return;
    }
    // Each mode change above reset the movement and layout the list needs for large folders.
    m_iconView->setMovement(QListView::Static);
    m_iconView->setResizeMode(QListView::Adjust);
    m_viewStyle = style;
    m_stack->setCurrentWidget(CurrentView());
    WriteProfileInt(kSettings, QStringLiteral("ViewStyle"), style);
    Q_EMIT CommandStatesChanged();
}

void CFTPClientView::ShowSortIndicator()
{
    const CRemoteListModel& rows = m_shown->Rows();
    m_detailsView->header()->setSortIndicator(rows.SortColumn(), rows.SortOrder());
}

void CFTPClientView::SortByHeaderClick(int column)
{
    const CRemoteListModel& rows = m_shown->Rows();
    if (column == rows.SortColumn())
        s_sortOrder = s_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        s_sortOrder = Qt::AscendingOrder;
    ArrangeBy(column);
}

void CFTPClientView::ArrangeBy(int column)
{
    m_session.ListModel().sort(column, s_sortOrder);
    WriteProfileInt(kSettings, QStringLiteral("SortColumn"), m_shown->Rows().SortColumn());
    ShowSortIndicator();
}

// ---- context menus and keys

void CFTPClientView::AddCommand(QMenu* menu, const QString& text, FrameCommand command)
{
    QAction* action = menu->addAction(text);
    action->setEnabled(IsCommandEnabled(command));
    if (IsCommandChecked(command))
    {
        action->setCheckable(true);
        action->setChecked(true);
    }
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
}

void CFTPClientView::AddArrangeMenu(QMenu* menu)
{
    QMenu* arrange = menu->addMenu(QStringLiteral("排列圖示依(&I)"));
    const QStringList texts{QStringLiteral("名稱(&N)"), QStringLiteral("大小(&S)"),
                            QStringLiteral("類型(&T)"), QStringLiteral("日期(&D)")};
    for (int column = 0; column < texts.size(); ++column)
        arrange->addAction(texts.at(column), this, [this, column] { ArrangeBy(column); });
}

QMenu* CFTPClientView::CreateContextMenu(const QModelIndex& under)
{
    using C = FrameCommand;
    auto* menu = new QMenu(this);
    auto add = [this](QMenu* to, const QString& text, bool enabled, void (CFTPClientView::*run)())
    { to->addAction(text, this, run)->setEnabled(enabled); };
    const bool onRow = under.isValid() && !m_shown->Rows().Item(under.row()).IsParent();
    if (onRow)
    {
        if (m_shown->Rows().Item(under.row()).isFolder)
            AddCommand(menu, QStringLiteral("瀏覽(&B)"), C::Browse);
        AddCommand(menu, QStringLiteral("下載(&W)"), C::Download);
        QMenu* advanced = menu->addMenu(QStringLiteral("進階下載"));
        AddCommand(advanced, QStringLiteral("下載到(&T)..."), C::DownloadTo);
        const bool canDownload = CanDownloadSelection();
        add(advanced, QStringLiteral("排程下載(&S)..."), canDownload, &CFTPClientView::ScheduledDownload);
        add(advanced, QStringLiteral("過濾下載(&F)"), canDownload, &CFTPClientView::FilteredDownload);
        add(advanced, QStringLiteral("站台對站台傳遞..."), canDownload, &CFTPClientView::CopySelectionToSite);
        menu->addSeparator();
        AddCommand(menu, QStringLiteral("重新命名(&R)"), C::Rename);
        AddCommand(menu, QStringLiteral("搬移(&M)..."), C::Move);
        AddCommand(menu, QStringLiteral("刪除(&D)"), C::Delete);
        menu->addSeparator();
        AddCommand(menu, QStringLiteral("內容(&P)"), C::Properties);
        return menu;
    }
    AddCommand(menu, QStringLiteral("上傳(&U)..."), C::Upload);
    QMenu* advanced = menu->addMenu(QStringLiteral("進階上傳"));
    add(advanced, QStringLiteral("排程上傳(&S)..."), CanUpload(), &CFTPClientView::ScheduledUpload);
    add(advanced, QStringLiteral("過濾上傳(&F)..."), CanUpload(), &CFTPClientView::FilteredUpload);
    menu->addSeparator();
    QMenu* styles = menu->addMenu(QStringLiteral("檢視(&V)"));
    AddCommand(styles, QStringLiteral("大圖示(&G)"), C::LargeIcons);
    AddCommand(styles, QStringLiteral("小圖示(&M)"), C::SmallIcons);
    AddCommand(styles, QStringLiteral("清單(&L)"), C::List);
    AddCommand(styles, QStringLiteral("詳細資料(&D)"), C::Details);
    AddArrangeMenu(menu);
    return menu;
}

void CFTPClientView::ShowContextMenu(QAbstractItemView* view, const QPoint& where)
{
    QMenu* menu = CreateContextMenu(view->indexAt(where));
    menu->exec(view->viewport()->mapToGlobal(where));
    menu->deleteLater();
}

// The keys of the desktop's file managers: Backspace or Alt+Up up a folder, F2 renames, Del deletes.
bool CFTPClientView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_iconView && watched != m_detailsView))
        return QWidget::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    const bool plain = press->modifiers() == Qt::NoModifier;
    if (press->key() == Qt::Key_Backspace ||
        (press->key() == Qt::Key_Up && press->modifiers() == Qt::AltModifier))
        GoUp();
    else if (press->key() == Qt::Key_F2 && plain)
        RunCommand(FrameCommand::Rename);
    else if (press->key() == Qt::Key_Delete && plain)
        RunCommand(FrameCommand::Delete);
    else
        return QWidget::eventFilter(watched, event);
    return true;
}

// ---- looks

void CFTPClientView::ApplyConnectionLook(bool connected)
{
    QPalette look = QApplication::palette();
    if (!connected)
    {
        look.setColor(QPalette::Base, look.color(QPalette::Button));
        look.setColor(QPalette::Text, look.color(QPalette::Disabled, QPalette::Text));
    }
    m_iconView->setPalette(look);
    m_detailsView->setPalette(look);
    m_disconnectedLook = !connected;
    Q_EMIT ConnectionLookChanged(connected);
}

void CFTPClientView::PlaceBusyIndicator()
{
    m_busy->move((width() - m_busy->width()) / 2, (height() - m_busy->height()) / 2);
}

void CFTPClientView::dragEnterEvent(QDragEnterEvent* event)
{
    HandleDrop(event);
}

void CFTPClientView::dragMoveEvent(QDragMoveEvent* event)
{
    HandleDrop(event);
}

void CFTPClientView::dropEvent(QDropEvent* event)
{
    HandleDrop(event);
}

void CFTPClientView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceBusyIndicator();
}

void CFTPClientView::ShowBusy(bool on)
{
    m_busyShown = on;
    // The list is rebuilt under the animation; drawing it meanwhile would only slow the listing down.
    m_stack->setUpdatesEnabled(!on);
    if (on)
    {
        PlaceBusyIndicator();
        m_busy->Start();
    }
    else
    {
        m_busy->Stop();
    }
}

void CFTPClientView::SetWaitCursor(bool on)
{
    if (on == m_waitCursor)
        return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// ---- the session's sink and questions

void CFTPClientView::OnLog(int level, const QString& text)
{
    if (m_trace)
        m_trace->AddLine(level, text);
}

void CFTPClientView::OnConnected()
{
    ApplyConnectionLook(true);
    m_keepAlive.OnConnected();
    Q_EMIT TitleChanged();
    Q_EMIT CommandStatesChanged();
}

void CFTPClientView::OnDisconnected()
{
    ApplyConnectionLook(false);
    m_keepAlive.OnDisconnected();
    Q_EMIT TitleChanged();
    Q_EMIT CommandStatesChanged();
}

std::optional<CSessionLogin> CFTPClientView::AskLogin(const QString& server, const QString& login, bool)
{
    CLogonDlg dialog(server, login, {}, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return CSessionLogin{dialog.Login(), dialog.Password(), dialog.SavePassword()};
}

void CFTPClientView::ShowMessage(const QString& text)
{
    CMessageBox::Show(this, QMessageBox::Warning, text);
}

bool CFTPClientView::RetryCountdown(int delaySeconds, const QString& message)
{
    return CRetryCountdownDlg(delaySeconds, message, this).exec() == QDialog::Accepted;
}

// The dialogs' "接受(&A)" trusts the server from now on.
TrustAnswer CFTPClientView::AcceptCertificate(const ServerCertificate& certificate, const QString& problem)
{
    return CCertificateDlg(certificate, problem, this).exec() == QDialog::Accepted ? TrustAnswer::Always
                                                                                   : TrustAnswer::Refuse;
}

TrustAnswer CFTPClientView::AcceptHostKey(const QString& host, const SshHostKey& key)
{
    return CHostKeyDlg(host, key, this).exec() == QDialog::Accepted ? TrustAnswer::Always
                                                                    : TrustAnswer::Refuse;
}

std::optional<CFtpSite> CFTPClientView::SelectedSite()
{
    auto* frame = qobject_cast<CMainFrame*>(window());
    CSiteManagerDlg* siteManager = frame ? frame->SiteManager() : nullptr;
    return siteManager ? siteManager->SelectedSite() : std::nullopt;
}

std::optional<CFtpSite> CFTPClientView::RunConnectionWizard()
{
    const CWizardResult result = ::RunConnectionWizard(this, m_sites);
    CFtpSite site;
    if (!result.finished || !m_sites.LoadSiteByPath(result.sitePath, site))
        return std::nullopt;
    return site;
}
