#include "ui/connection/FTPClientView.h"

#include "ui/connection/BusyIndicator.h"
#include "ui/connection/RemoteDrag.h"
#include "ui/connection/RemoteIconModel.h"
#include "ui/connection/RemoteItemsMimeData.h"
#include "ui/connection/TracePane.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

constexpr int kLargeIconSide = 32;
constexpr int kSmallIconSide = 16;
const QSize kLargeIconGrid(96, 72);

} // namespace

CFTPClientView::CFTPClientView(const CConnectionContext& context, QWidget* parent)
    : QWidget(parent), m_dialogs(this), m_controller(new CRemoteController(context, m_dialogs, this)),
      m_localFolder(context.localFolder)
{
    setObjectName(QStringLiteral("RemoteView"));
    // Files dropped from a file manager or the local browser are uploaded into the current folder; the
    // lists themselves take no drops, so they reach this widget.
    setAcceptDrops(true);
    CreateViews();
    ConnectController();
    ShowSortIndicator();
    ApplyViewStyle(m_controller->CurrentViewStyle());
    ApplyConnectionLook(false);
}

CFTPClientView::~CFTPClientView()
{
    // The controller's session may still ask its questions while it goes; the dialogs go after it.
    delete m_controller;
}

CRemoteIconModel* CFTPClientView::ShownModel() const
{
    return m_controller->ShownModel();
}

void CFTPClientView::CreateViews()
{
    m_stack = new QStackedWidget(this);
    m_iconView = new QListView(m_stack);
    m_iconView->setObjectName(QStringLiteral("RemoteIcons"));
    m_detailsView = new QTreeView(m_stack);
    m_detailsView->setObjectName(QStringLiteral("RemoteDetails"));
    // One selection for both views, so that switching the style keeps what the user selected.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailsView)})
    {
        QItemSelectionModel* own = view->selectionModel();
        view->setModel(m_controller->ShownModel());
        view->setSelectionModel(m_controller->Selection());
        delete own;
    }
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
    connect(header, &QHeaderView::sectionClicked, m_controller, &CRemoteController::SortByHeaderClick);
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
}

void CFTPClientView::ConfigureView(QAbstractItemView* view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& where) { ShowContextMenu(view, where); });
    connect(view, &QAbstractItemView::activated, m_controller,
            [this](const QModelIndex& index) { m_controller->OpenRow(index.row()); });
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

void CFTPClientView::ConnectController()
{
    CRemoteController* c = m_controller;
    connect(c, &CRemoteController::LogLine, this,
            [this](int level, const QString& text)
            {
                if (m_trace)
                    m_trace->AddLine(level, text);
            });
    connect(c, &CRemoteController::ConnectionLookChanged, this, &CFTPClientView::ApplyConnectionLook);
    connect(c, &CRemoteController::BusyChanged, this, &CFTPClientView::ShowBusy);
    connect(c, &CRemoteController::FolderListed, this, &CFTPClientView::ShowCurrentRow);
    connect(c, &CRemoteController::EditRequested, this, &CFTPClientView::StartEdit);
    connect(c, &CRemoteController::ViewStyleChanged, this, &CFTPClientView::ApplyViewStyle);
    connect(c, &CRemoteController::SortChanged, this, &CFTPClientView::ShowSortIndicator);
    connect(c, &CRemoteController::LoggedIn, this, &CFTPClientView::ApplyColumnWidths);
}

QAbstractItemView* CFTPClientView::CurrentView() const
{
    return m_controller->CurrentViewStyle() == CRemoteController::DetailsStyle
               ? static_cast<QAbstractItemView*>(m_detailsView)
               : m_iconView;
}

void CFTPClientView::RunCommand(FrameCommand command)
{
    // Selecting everything is the view's own: it knows which rows it shows.
    if (command == FrameCommand::SelectAll && IsCommandEnabled(command))
        CurrentView()->selectAll();
    else
        m_controller->RunCommand(command);
}

void CFTPClientView::ShowCurrentRow()
{
    const QModelIndex current = m_controller->Selection()->currentIndex();
    CurrentView()->scrollTo(current);
    CurrentView()->setFocus();
}

void CFTPClientView::ApplyColumnWidths()
{
    const CRemoteListModel& rows = ShownModel()->Rows();
    for (int column = 0; column < CRemoteListModel::ColumnCount; ++column)
    {
        const int width = rows.ColumnWidth(column);
        m_detailsView->setColumnHidden(column, width == 0);
        if (width > 0)
            m_detailsView->setColumnWidth(column, width);
    }
}

// ---- in-place editing

void CFTPClientView::StartEdit(int row)
{
    m_editName = ShownModel()->Rows().Item(row).name;
    m_editCommitted = false;
    const QModelIndex index = ShownModel()->index(row, CRemoteListModel::NameColumn);
    QAbstractItemView* view = CurrentView();
    view->scrollTo(index);
    view->setFocus();
    view->edit(index);
}

void CFTPClientView::FinishEdit()
{
    if (m_editName.isEmpty())
        return;
    const QString name = std::exchange(m_editName, {});
    const QString text = m_editCommitted ? m_editText : QString();
    m_editCommitted = false;
    m_controller->FinishEdit(name, text);
}

// ---- view style and sorting

void CFTPClientView::ApplyViewStyle(int style)
{
    switch (style)
    {
    case CRemoteController::LargeIconStyle:
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(kLargeIconSide, kLargeIconSide));
        m_iconView->setGridSize(kLargeIconGrid);
        m_iconView->setWordWrap(true);
        break;
    case CRemoteController::SmallIconStyle:
    case CRemoteController::ListStyle:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(kSmallIconSide, kSmallIconSide));
        m_iconView->setGridSize({});
        m_iconView->setWordWrap(false);
        m_iconView->setFlow(style == CRemoteController::ListStyle ? QListView::TopToBottom
                                                                  : QListView::LeftToRight);
        m_iconView->setWrapping(true);
        break;
    default:
        break;
    }
    // Each mode change above reset the movement and layout the list needs for large folders.
    m_iconView->setMovement(QListView::Static);
    m_iconView->setResizeMode(QListView::Adjust);
    m_stack->setCurrentWidget(CurrentView());
}

void CFTPClientView::ShowSortIndicator()
{
    const CRemoteListModel& rows = ShownModel()->Rows();
    m_detailsView->header()->setSortIndicator(rows.SortColumn(), rows.SortOrder());
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
    QMenu* arrange = menu->addMenu(QCoreApplication::translate("FTPClientView", "排列圖示依(&I)"));
    const QStringList texts{QCoreApplication::translate("FTPClientView", "名稱(&N)"),
                            QCoreApplication::translate("FTPClientView", "大小(&S)"),
                            QCoreApplication::translate("FTPClientView", "類型(&T)"),
                            QCoreApplication::translate("FTPClientView", "日期(&D)")};
    for (int column = 0; column < texts.size(); ++column)
        arrange->addAction(texts.at(column), m_controller,
                           [this, column] { m_controller->ArrangeBy(column); });
}

QMenu* CFTPClientView::CreateContextMenu(const QModelIndex& under)
{
    using C = FrameCommand;
    auto* menu = new QMenu(this);
    CRemoteController* c = m_controller;
    auto add = [c](QMenu* to, const QString& text, bool enabled, void (CRemoteController::*run)())
    { to->addAction(text, c, run)->setEnabled(enabled); };
    const CRemoteListModel& rows = ShownModel()->Rows();
    const bool onRow = under.isValid() && !rows.Item(under.row()).IsParent();
    if (onRow)
    {
        if (rows.Item(under.row()).isFolder)
            AddCommand(menu, QCoreApplication::translate("FTPClientView", "瀏覽(&B)"), C::Browse);
        AddCommand(menu, QCoreApplication::translate("FTPClientView", "下載(&W)"), C::Download);
        QMenu* advanced = menu->addMenu(QCoreApplication::translate("FTPClientView", "進階下載"));
        AddCommand(advanced, QCoreApplication::translate("FTPClientView", "下載到(&T)..."), C::DownloadTo);
        const bool canDownload = IsCommandEnabled(C::Download);
        add(advanced, QCoreApplication::translate("FTPClientView", "排程下載(&S)..."), canDownload,
            &CRemoteController::ScheduledDownload);
        add(advanced, QCoreApplication::translate("FTPClientView", "過濾下載(&F)"), canDownload,
            &CRemoteController::FilteredDownload);
        add(advanced, QCoreApplication::translate("FTPClientView", "站台對站台傳遞..."), canDownload,
            &CRemoteController::CopySelectionToSite);
        menu->addSeparator();
        AddCommand(menu, QCoreApplication::translate("FTPClientView", "重新命名(&R)"), C::Rename);
        AddCommand(menu, QCoreApplication::translate("FTPClientView", "搬移(&M)..."), C::Move);
        AddCommand(menu, QCoreApplication::translate("FTPClientView", "刪除(&D)"), C::Delete);
        menu->addSeparator();
        AddCommand(menu, QCoreApplication::translate("FTPClientView", "內容(&P)"), C::Properties);
        return menu;
    }
    AddCommand(menu, QCoreApplication::translate("FTPClientView", "上傳(&U)..."), C::Upload);
    QMenu* advanced = menu->addMenu(QCoreApplication::translate("FTPClientView", "進階上傳"));
    const bool canUpload = IsCommandEnabled(C::Upload);
    add(advanced, QCoreApplication::translate("FTPClientView", "排程上傳(&S)..."), canUpload,
        &CRemoteController::ScheduledUpload);
    add(advanced, QCoreApplication::translate("FTPClientView", "過濾上傳(&F)..."), canUpload,
        &CRemoteController::FilteredUpload);
    menu->addSeparator();
    QMenu* styles = menu->addMenu(QCoreApplication::translate("FTPClientView", "檢視(&V)"));
    AddCommand(styles, QCoreApplication::translate("FTPClientView", "大圖示(&G)"), C::LargeIcons);
    AddCommand(styles, QCoreApplication::translate("FTPClientView", "小圖示(&M)"), C::SmallIcons);
    AddCommand(styles, QCoreApplication::translate("FTPClientView", "清單(&L)"), C::List);
    AddCommand(styles, QCoreApplication::translate("FTPClientView", "詳細資料(&D)"), C::Details);
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
// A drag of selected rows starts once the pressed mouse has moved the desktop's drag distance.
bool CFTPClientView::eventFilter(QObject* watched, QEvent* event)
{
    const bool onViewport = watched == m_iconView->viewport() || watched == m_detailsView->viewport();
    if (onViewport && event->type() == QEvent::MouseButtonPress)
        m_pressedAt = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (onViewport && event->type() == QEvent::MouseMove)
    {
        const auto* move = static_cast<QMouseEvent*>(event);
        auto* view = static_cast<QAbstractItemView*>(watched->parent());
        if (move->buttons().testFlag(Qt::LeftButton) && m_editName.isEmpty() &&
            (move->position().toPoint() - m_pressedAt).manhattanLength() >=
                QApplication::startDragDistance() &&
            m_controller->Selection()->isSelected(view->indexAt(m_pressedAt)))
        {
            StartDrag();
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || (watched != m_iconView && watched != m_detailsView))
        return QWidget::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    const bool plain = press->modifiers() == Qt::NoModifier;
    if (press->key() == Qt::Key_Backspace ||
        (press->key() == Qt::Key_Up && press->modifiers() == Qt::AltModifier))
        m_controller->GoUp();
    else if (press->key() == Qt::Key_F2 && plain)
        RunCommand(FrameCommand::Rename);
    else if (press->key() == Qt::Key_Delete && plain)
        RunCommand(FrameCommand::Delete);
    else
        return QWidget::eventFilter(watched, event);
    return true;
}

// ---- drag and drop

void CFTPClientView::StartDrag()
{
    if (!m_controller->IsCommandEnabled(FrameCommand::Download))
        return;
    CRemoteItemsMimeData* data = m_controller->MakeDragData();
    if (!data)
        return;
    const QString localFolder = m_localFolder ? m_localFolder() : QString();
    CRemoteDrag::Run(this, data, localFolder.isEmpty() ? QStringList() : QStringList{localFolder});
}

QStringList CFTPClientView::DroppedLocalFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls() || CRemoteItemsMimeData::From(data))
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    return paths;
}

void CFTPClientView::HandleDrop(QDropEvent* event)
{
    const QStringList paths = DroppedLocalFiles(event->mimeData());
    if (paths.isEmpty() || !IsCommandEnabled(FrameCommand::Upload))
    {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Queued once the drop has finished: the overwrite prompts must not run inside the file manager's
    // drag.
    if (event->type() == QEvent::Drop)
        QTimer::singleShot(0, m_controller, [this, paths] { m_controller->UploadFiles(paths); });
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
}

void CFTPClientView::PlaceBusyIndicator()
{
    m_busy->move((width() - m_busy->width()) / 2, (height() - m_busy->height()) / 2);
}

void CFTPClientView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceBusyIndicator();
}

void CFTPClientView::ShowBusy(bool on)
{
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
