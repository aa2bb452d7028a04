#include "ui/local/LocalBrowserBar.h"
#include "ui/frame/ThemeIcon.h"

#include "app/Profile.h"
#include "ui/connection/RemoteItemsMimeData.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/local/LocalFolderModel.h"
#include "ui/local/LocalPlaces.h"

#include <QAbstractFileIconProvider>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace
{

const QString kSettings = QStringLiteral("Settings");
const QString kStyleKey = QStringLiteral("LocalBrowserStyle");
const QString kStateKey = QStringLiteral("LocalBrowserState");
QString NewFolderName()
{
    return QCoreApplication::translate("LocalBrowserBar", "新資料夾");
}
constexpr int kToolIconSide = 16;
// Column drags resize the header many times a second; the store is written once they settle.
constexpr int kSaveStateDelayMs = 500;

// How the icon view lays out each style but details, which has the tree view to itself.
struct CStyleLook
{
    int style;
    const char* text;
    QListView::ViewMode mode;
    int iconSide;
    QSize grid;
    QListView::Flow flow;
    bool wordWrap;
};

const CStyleLook kStyleLooks[] = {
    {CLocalBrowserBar::ThumbnailStyle,
     QT_TRANSLATE_NOOP("LocalBrowserBar", "縮圖"),
     QListView::IconMode,
     96,
     {128, 136},
     QListView::LeftToRight,
     true},
    // Tiles: a large icon with the name beside it, in rows.
    {CLocalBrowserBar::TileStyle,
     QT_TRANSLATE_NOOP("LocalBrowserBar", "並排"),
     QListView::ListMode,
     48,
     {220, 56},
     QListView::LeftToRight,
     true},
    {CLocalBrowserBar::IconStyle,
     QT_TRANSLATE_NOOP("LocalBrowserBar", "圖示"),
     QListView::IconMode,
     32,
     {96, 72},
     QListView::LeftToRight,
     true},
    {CLocalBrowserBar::ListStyle,
     QT_TRANSLATE_NOOP("LocalBrowserBar", "清單"),
     QListView::ListMode,
     16,
     {},
     QListView::TopToBottom,
     false},
    {CLocalBrowserBar::DetailsStyle,
     QT_TRANSLATE_NOOP("LocalBrowserBar", "詳細資料"),
     QListView::ListMode,
     16,
     {},
     QListView::TopToBottom,
     false},
};

const CStyleLook* FindLook(int style)
{
    for (const CStyleLook& look : kStyleLooks)
        if (look.style == style)
            return &look;
    return nullptr;
}

bool IsReadableFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

bool RemovePermanently(const QString& path)
{
    const QFileInfo info(path);
    // A link goes alone: removing through it would empty the folder it points to.
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

// File names in menu texts: an ampersand is not a mnemonic.
QString MenuText(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

CLocalBrowserBar::CLocalBrowserBar(QWidget* parent) : QWidget(parent), m_model(new CLocalFolderModel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    CreateToolBar();
    m_location = new QComboBox(this);
    m_location->setObjectName(QStringLiteral("LocalLocation"));
    m_location->setEditable(true);
    m_location->setInsertPolicy(QComboBox::NoInsert);
    m_location->setCompleter(nullptr);
    m_location->setMaxVisibleItems(20);
    connect(m_location, &QComboBox::activated, this,
            [this](int index)
            {
                if (!BrowseTo(m_location->itemData(index).toString(), true))
                    FillLocationBox();
            });
    connect(m_location->lineEdit(), &QLineEdit::returnPressed, this, &CLocalBrowserBar::BrowseTyped);
    layout->addWidget(m_location);
    CreateViews();
    layout->addWidget(m_stack, 1);
    connect(m_model, &CLocalFolderModel::RenameFailed, this,
            [this](const QString& path, const QString& newName)
            {
                ShowError(QCoreApplication::translate("LocalBrowserBar", "無法將「%1」重新命名為「%2」。")
                              .arg(path, newName));
            });
    RestoreHeaderState();
    if (!BrowseTo(CLocalPlaces::Desktop(), false))
        BrowseTo(QDir::rootPath(), false);
    if (!ApplyViewStyle(GetProfileInt(kSettings, kStyleKey)))
        ApplyViewStyle(DetailsStyle);
}

CLocalBrowserBar::~CLocalBrowserBar()
{
    m_saveState->stop();
    SaveHeaderState();
}

void CLocalBrowserBar::CreateToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("LocalToolBar"));
    bar->setIconSize(QSize(kToolIconSide, kToolIconSide));
    const auto addMenuButton = [bar](const QIcon& image, const QString& toolTip, QMenu* menu)
    {
        QAction* action = bar->addAction(image, toolTip);
        action->setMenu(menu);
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action)))
            button->setPopupMode(QToolButton::InstantPopup);
        return action;
    };
    m_back = bar->addAction(ThemeIcon("go-previous", QStyle::SP_ArrowBack),
                            QCoreApplication::translate("LocalBrowserBar", "上一頁"), this,
                            &CLocalBrowserBar::GoBack);
    m_up = bar->addAction(ThemeIcon("go-up", QStyle::SP_FileDialogToParent),
                          QCoreApplication::translate("LocalBrowserBar", "上一層"), this,
                          &CLocalBrowserBar::GoUp);
    bar->addAction(ThemeIcon("folder-new", QStyle::SP_FileDialogNewFolder),
                   QCoreApplication::translate("LocalBrowserBar", "新增資料夾"), this,
                   &CLocalBrowserBar::NewFolder);
    addMenuButton(ThemeIcon("view-list-details", QStyle::SP_FileDialogDetailedView),
                  QCoreApplication::translate("LocalBrowserBar", "檢視功能表"), CreateViewMenu());
    bar->addSeparator();
    bar->addAction(ThemeIcon("user-desktop", QStyle::SP_DesktopIcon),
                   QCoreApplication::translate("LocalBrowserBar", "顯示桌面的檔案、資料夾、捷徑或其他項目"),
                   this, [this] { BrowseTo(CLocalPlaces::Desktop(), true); });
    m_recentMenu = new QMenu(this);
    m_recentMenu->setToolTipsVisible(true);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &CLocalBrowserBar::FillRecentMenu);
    addMenuButton(ThemeIcon("document-open-recent", QStyle::SP_FileDialogContentsView),
                  QCoreApplication::translate("LocalBrowserBar", "顯示最近開啟的檔案或資料夾"), m_recentMenu);
    bar->addAction(ThemeIcon("folder-documents", QStyle::SP_DirHomeIcon),
                   QCoreApplication::translate("LocalBrowserBar", "包含信件、報表、或其他文件與檔案"), this,
                   [this] { BrowseTo(CLocalPlaces::Documents(), true); });
    m_computerMenu = new QMenu(this);
    connect(m_computerMenu, &QMenu::aboutToShow, this, &CLocalBrowserBar::FillComputerMenu);
    addMenuButton(ThemeIcon("computer", QStyle::SP_ComputerIcon),
                  QCoreApplication::translate("LocalBrowserBar", "顯示連接到這台電腦的磁碟機和硬體"),
                  m_computerMenu);
    m_network =
        bar->addAction(ThemeIcon("network-workgroup", QStyle::SP_DriveNetIcon),
                       QCoreApplication::translate("LocalBrowserBar", "顯示網站、網路芳鄰、FTP站台的捷徑"),
                       this, [this] { BrowseTo(CLocalPlaces::NetworkFolder(), true); });
    m_network->setEnabled(!CLocalPlaces::NetworkFolder().isEmpty());
    layout()->addWidget(bar);
}

QMenu* CLocalBrowserBar::CreateViewMenu()
{
    auto* menu = new QMenu(this);
    m_styles = new QActionGroup(this);
    m_styles->setExclusive(true);
    for (const CStyleLook& look : kStyleLooks)
    {
        QAction* action = menu->addAction(QCoreApplication::translate("LocalBrowserBar", look.text));
        action->setCheckable(true);
        action->setData(look.style);
        m_styles->addAction(action);
        connect(action, &QAction::triggered, this, [this, style = look.style] { SetViewStyle(style); });
    }
    return menu;
}

void CLocalBrowserBar::CreateViews()
{
    m_stack = new QStackedWidget(this);
    m_listView = new QListView(m_stack);
    m_listView->setObjectName(QStringLiteral("LocalIcons"));
    m_detailsView = new QTreeView(m_stack);
    m_detailsView->setObjectName(QStringLiteral("LocalDetails"));
    m_listView->setModel(m_model);
    m_detailsView->setModel(m_model);
    // One selection for both views, so that switching the style keeps what the user selected.
    m_selection = m_listView->selectionModel();
    QItemSelectionModel* own = m_detailsView->selectionModel();
    m_detailsView->setSelectionModel(m_selection);
    delete own;
    m_listView->setLayoutMode(QListView::Batched);
    m_detailsView->setRootIsDecorated(false);
    m_detailsView->setItemsExpandable(false);
    m_detailsView->setUniformRowHeights(true);
    m_detailsView->setAllColumnsShowFocus(true);
    QHeaderView* header = m_detailsView->header();
    // The header's own default would list the folder backwards by name.
    header->setSortIndicator(0, Qt::AscendingOrder);
    m_detailsView->setSortingEnabled(true);
    m_saveState = new QTimer(this);
    m_saveState->setSingleShot(true);
    m_saveState->setInterval(kSaveStateDelayMs);
    connect(m_saveState, &QTimer::timeout, this, &CLocalBrowserBar::SaveHeaderState);
    const auto changed = [this] { m_saveState->start(); };
    connect(header, &QHeaderView::sectionResized, this, changed);
    connect(header, &QHeaderView::sectionMoved, this, changed);
    connect(header, &QHeaderView::sortIndicatorChanged, this, changed);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_listView), static_cast<QAbstractItemView*>(m_detailsView)})
    {
        ConfigureView(view);
        m_stack->addWidget(view);
    }
}

void CLocalBrowserBar::ConfigureView(QAbstractItemView* view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& where) { ShowViewMenu(view, where); });
    connect(view, &QAbstractItemView::activated, this, &CLocalBrowserBar::OpenIndex);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

QAbstractItemView* CLocalBrowserBar::CurrentView() const
{
    return m_style == DetailsStyle ? static_cast<QAbstractItemView*>(m_detailsView) : m_listView;
}

// ---- navigation

bool CLocalBrowserBar::BrowseTo(const QString& folder, bool record)
{
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return false;
    const QString path = QDir::cleanPath(folder);
    if (!IsReadableFolder(path))
        return false;
    if (path != m_current)
    {
        if (record && !m_current.isEmpty())
        {
            m_history.append(m_current);
            while (m_history.size() > kHistoryLimit)
                m_history.removeFirst();
        }
        m_current = path;
        m_selection->clear();
        const QModelIndex root = m_model->setRootPath(path);
        m_listView->setRootIndex(root);
        m_detailsView->setRootIndex(root);
    }
    FillLocationBox();
    UpdateButtons();
    return true;
}

void CLocalBrowserBar::BrowseToPath(const QString& path)
{
    if (!BrowseTo(path, true))
        BrowseTo(QDir::currentPath(), true);
}

void CLocalBrowserBar::GoBack()
{
    // A folder removed since it was left is passed over.
    while (!m_history.isEmpty())
        if (BrowseTo(m_history.takeLast(), false))
            break;
    UpdateButtons();
}

void CLocalBrowserBar::GoUp()
{
    QDir folder(m_current);
    if (!m_current.isEmpty() && folder.cdUp())
        BrowseTo(folder.absolutePath(), true);
}

void CLocalBrowserBar::ShowItem(const QString& path)
{
    const QFileInfo item(path);
    if (!BrowseTo(item.absolutePath(), true))
        return;
    const QModelIndex index = m_model->index(item.absoluteFilePath());
    if (!index.isValid())
        return;
    m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    CurrentView()->scrollTo(index);
}

void CLocalBrowserBar::UpdateButtons()
{
    m_back->setEnabled(!m_history.isEmpty());
    m_up->setEnabled(!m_current.isEmpty() && !QDir(m_current).isRoot());
}

void CLocalBrowserBar::FillLocationBox()
{
    const QSignalBlocker blocker(m_location);
    m_location->clear();
    const QAbstractFileIconProvider* icons = m_model->iconProvider();
    const auto add = [&](const QString& text, const QString& path)
    { m_location->addItem(icons ? icons->icon(QFileInfo(path)) : QIcon(), text, path); };
    add(QDir::rootPath(), QDir::rootPath());
    QString path;
    int depth = 1;
    for (const QString& part : m_current.split(u'/', Qt::SkipEmptyParts))
    {
        path += u'/' + part;
        add(QString(depth++ * 2, u' ') + part, path);
    }
    const int current = m_location->count() - 1;
    m_location->insertSeparator(m_location->count());
    const QList<std::pair<QString, QString>> places = {
        {QCoreApplication::translate("LocalBrowserBar", "桌面"), CLocalPlaces::Desktop()},
        {QCoreApplication::translate("LocalBrowserBar", "個人資料夾"), QDir::homePath()},
        {QCoreApplication::translate("LocalBrowserBar", "文件"), CLocalPlaces::Documents()},
        {QCoreApplication::translate("LocalBrowserBar", "網路"), CLocalPlaces::NetworkFolder()}};
    for (const auto& [name, folder] : places)
        if (!folder.isEmpty())
            add(QStringLiteral("%1 (%2)").arg(name, folder), folder);
    m_location->setCurrentIndex(current);
    m_location->setEditText(m_current);
}

void CLocalBrowserBar::BrowseTyped()
{
    QString text = m_location->currentText().trimmed();
    if (text == u'~' || text.startsWith(QStringLiteral("~/")))
        text = QDir::homePath() + text.mid(1);
    if (!BrowseTo(QDir(m_current).absoluteFilePath(text), true))
    {
        QApplication::beep();
        FillLocationBox();
    }
}

void CLocalBrowserBar::FillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList paths = CLocalPlaces::RecentFiles(CLocalPlaces::RecentFilesStore());
    for (const QString& path : paths)
    {
        const QFileInfo info(path);
        const QAbstractFileIconProvider* icons = m_model->iconProvider();
        QAction* action =
            m_recentMenu->addAction(icons ? icons->icon(info) : QIcon(), MenuText(info.fileName()), this,
                                    [this, path] { ShowItem(path); });
        action->setToolTip(path);
    }
    if (paths.isEmpty())
        m_recentMenu->addAction(QCoreApplication::translate("LocalBrowserBar", "（沒有最近開啟的項目）"))
            ->setEnabled(false);
}

void CLocalBrowserBar::FillComputerMenu()
{
    m_computerMenu->clear();
    const QIcon drive = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QStorageInfo& volume : CLocalPlaces::Volumes())
        m_computerMenu->addAction(drive, MenuText(CLocalPlaces::VolumeLabel(volume)), this,
                                  [this, root = volume.rootPath()] { BrowseTo(root, true); });
    if (m_computerMenu->isEmpty())
        m_computerMenu->addAction(QCoreApplication::translate("LocalBrowserBar", "（沒有磁碟機）"))
            ->setEnabled(false);
}

void CLocalBrowserBar::OpenIndex(const QModelIndex& index)
{
    const QModelIndex item = index.siblingAtColumn(0);
    if (!item.isValid())
        return;
    const QString path = m_model->filePath(item);
    if (m_model->isDir(item))
        BrowseTo(path, true);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// ---- view style and state

bool CLocalBrowserBar::ApplyViewStyle(int style)
{
    const CStyleLook* look = FindLook(style);
    if (!look)
        return false;
    const bool focused = HasFocus();
    if (style != DetailsStyle)
    {
        m_listView->setViewMode(look->mode);
        m_listView->setIconSize(QSize(look->iconSide, look->iconSide));
        m_listView->setGridSize(look->grid);
        m_listView->setFlow(look->flow);
        m_listView->setWrapping(true);
        m_listView->setWordWrap(look->wordWrap);
        m_listView->setUniformItemSizes(true);
    }
    // The mode change above made the items movable and turned drag and drop off again.
    m_listView->setMovement(QListView::Static);
    m_listView->setResizeMode(QListView::Adjust);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_listView), static_cast<QAbstractItemView*>(m_detailsView)})
    {
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDefaultDropAction(Qt::CopyAction);
        view->viewport()->setAcceptDrops(true);
    }
    m_style = style;
    m_stack->setCurrentWidget(CurrentView());
    if (focused)
        CurrentView()->setFocus();
    for (QAction* action : m_styles->actions())
        action->setChecked(action->data().toInt() == style);
    return true;
}

void CLocalBrowserBar::SetViewStyle(int style)
{
    if (ApplyViewStyle(style))
        WriteProfileInt(kSettings, kStyleKey, style);
}

void CLocalBrowserBar::RestoreHeaderState()
{
    const QByteArray state = GetProfileBinary(kSettings, kStateKey);
    QHeaderView* header = m_detailsView->header();
    if (state.isEmpty() || !header->restoreState(state))
        return;
    m_detailsView->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

void CLocalBrowserBar::SaveHeaderState()
{
    WriteProfileBinary(kSettings, kStateKey, m_detailsView->header()->saveState());
}

// ---- selection and file operations

bool CLocalBrowserBar::GetSelectedPaths(QStringList& paths) const
{
    const QModelIndex root = CurrentView()->rootIndex();
    QModelIndexList items;
    for (const QModelIndex& index : m_selection->selectedIndexes())
        if (index.column() == 0 && index.parent() == root)
            items.append(index);
    std::sort(items.begin(), items.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : items)
        paths.append(m_model->filePath(index));
    return !items.isEmpty();
}

bool CLocalBrowserBar::HasFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    const QAbstractItemView* view = CurrentView();
    return focus && (focus == view || view->isAncestorOf(focus));
}

void CLocalBrowserBar::NewFolder()
{
    if (m_current.isEmpty())
        return;
    const QDir folder(m_current);
    QString name = NewFolderName();
    for (int number = 2;
         QFileInfo::exists(folder.filePath(name)) || QFileInfo(folder.filePath(name)).isSymLink(); ++number)
        name = QStringLiteral("%1 (%2)").arg(NewFolderName()).arg(number);
    const QModelIndex created = m_model->mkdir(CurrentView()->rootIndex(), name);
    if (!created.isValid())
    {
        ShowError(QCoreApplication::translate("LocalBrowserBar", "無法建立資料夾「%1」。")
                      .arg(folder.filePath(name)));
        return;
    }
    QAbstractItemView* view = CurrentView();
    m_selection->setCurrentIndex(created, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(created);
    view->setFocus();
    view->edit(created);
}

void CLocalBrowserBar::DeleteSelected(bool permanently)
{
    QStringList paths;
    if (!GetSelectedPaths(paths))
        return;
    const QString subject =
        paths.size() == 1 ? QCoreApplication::translate("LocalBrowserBar", "「%1」")
                                .arg(QFileInfo(paths.first()).fileName())
                          : QCoreApplication::translate("LocalBrowserBar", " %1 個項目").arg(paths.size());
    const QString question =
        permanently ? QCoreApplication::translate("LocalBrowserBar", "確定要永久刪除%1嗎？").arg(subject)
                    : QCoreApplication::translate("LocalBrowserBar", "確定要將%1移到垃圾桶嗎？").arg(subject);
    if (CMessageBox::Show(this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    QStringList failed;
    for (const QString& path : paths)
        if (!(permanently ? RemovePermanently(path) : QFile::moveToTrash(path)))
            failed.append(path);
    if (!failed.isEmpty())
        ShowError((permanently
                       ? QCoreApplication::translate("LocalBrowserBar", "無法刪除下列項目：\n%1")
                       : QCoreApplication::translate("LocalBrowserBar", "無法將下列項目移到垃圾桶：\n%1"))
                      .arg(failed.join(u'\n')));
}

void CLocalBrowserBar::ShowError(const QString& text)
{
    CMessageBox::Show(this, QMessageBox::Warning, text);
}

// ---- menus, keys and drops

void CLocalBrowserBar::AddBarCommands(QMenu& menu)
{
    const std::pair<FrameCommand, const char*> commands[] = {
        {FrameCommand::GoToLocalFolder, QT_TRANSLATE_NOOP("LocalBrowserBar", "前往本機資料夾")},
        {FrameCommand::GoToDefaultFolder, QT_TRANSLATE_NOOP("LocalBrowserBar", "前往預設下載資料夾")},
        {FrameCommand::UpdateLocalFolder, QT_TRANSLATE_NOOP("LocalBrowserBar", "更新本機資料夾")}};
    for (const auto& [command, text] : commands)
        menu.addAction(QCoreApplication::translate("LocalBrowserBar", text), this,
                       [this, command] { Q_EMIT WindowCommandRequested(command); });
}

void CLocalBrowserBar::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    AddBarCommands(menu);
    menu.exec(event->globalPos());
}

void CLocalBrowserBar::ShowViewMenu(QAbstractItemView* view, const QPoint& where)
{
    const QModelIndex index = view->indexAt(where);
    QMenu menu(this);
    if (index.isValid())
    {
        menu.addAction(QCoreApplication::translate("LocalBrowserBar", "開啟"), this,
                       [this, index] { OpenIndex(index); });
        menu.addAction(QCoreApplication::translate("LocalBrowserBar", "重新命名"), this,
                       [view, item = QPersistentModelIndex(index.siblingAtColumn(0))] { view->edit(item); });
        menu.addAction(QCoreApplication::translate("LocalBrowserBar", "刪除"), this,
                       [this] { DeleteSelected(false); });
        menu.addSeparator();
        menu.addAction(QCoreApplication::translate("LocalBrowserBar", "新增資料夾"), this,
                       &CLocalBrowserBar::NewFolder);
    }
    else
    {
        AddBarCommands(menu);
        menu.addSeparator();
        menu.addAction(QCoreApplication::translate("LocalBrowserBar", "新增資料夾"), this,
                       &CLocalBrowserBar::NewFolder);
    }
    menu.exec(view->viewport()->mapToGlobal(where));
}

std::function<void()> CLocalBrowserBar::KeyCommand(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key())
    {
    case Qt::Key_Delete:
        if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)
            return [this, permanently = modifiers == Qt::ShiftModifier] { DeleteSelected(permanently); };
        break;
    case Qt::Key_Backspace:
        if (modifiers == Qt::NoModifier)
            return [this] { GoUp(); };
        break;
    case Qt::Key_Up:
        if (modifiers == Qt::AltModifier)
            return [this] { GoUp(); };
        break;
    case Qt::Key_Left:
        if (modifiers == Qt::AltModifier)
            return [this] { GoBack(); };
        break;
    default:
        break;
    }
    return {};
}

bool CLocalBrowserBar::eventFilter(QObject* watched, QEvent* event)
{
    const bool isView = watched == m_listView || watched == m_detailsView;
    if (isView && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride))
    {
        auto* key = static_cast<QKeyEvent*>(event);
        const std::function<void()> command = KeyCommand(key);
        // While an item is renamed, its editor has the focus and the keys.
        if (!command || QApplication::focusWidget() != watched)
            return false;
        // The keys stay the view's even when a window command has them as its shortcut.
        if (event->type() == QEvent::ShortcutOverride)
            key->accept();
        else
            command();
        return true;
    }
    const auto type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)
    {
        if (watched == m_listView->viewport())
            return HandleDrop(m_listView, static_cast<QDropEvent*>(event));
        if (watched == m_detailsView->viewport())
            return HandleDrop(m_detailsView, static_cast<QDropEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

// Only the program's own remote items are taken: the file model would otherwise move local files
// dropped on it.
bool CLocalBrowserBar::HandleDrop(QAbstractItemView* view, QDropEvent* drop)
{
    const CRemoteItemsMimeData* items = CRemoteItemsMimeData::From(drop->mimeData());
    if (!items || m_current.isEmpty())
    {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (drop->type() == QEvent::Drop)
    {
        const QModelIndex item = view->indexAt(drop->position().toPoint()).siblingAtColumn(0);
        items->DeliverTo(item.isValid() && m_model->isDir(item) ? m_model->filePath(item) : m_current);
    }
    return true;
}
