#include "ui/sites/SiteManagerDlg.h"

#include "sites/SiteList.h"
#include "ui/connection/RemoteItemsMimeData.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/sites/SitePropertiesSheet.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

constexpr int kKindRole = Qt::UserRole;
constexpr int kElementRole = Qt::UserRole + 1;
const QByteArray kNameKey = "name";

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

QIcon KindIcon(CSiteManagerDlg::ItemKind kind)
{
    switch (kind)
    {
    case CSiteManagerDlg::FolderItem:
        return ThemeIcon("folder", QStyle::SP_DirIcon);
    case CSiteManagerDlg::SiteItem:
        return ThemeIcon("network-server", QStyle::SP_DriveNetIcon);
    case CSiteManagerDlg::RootItem:
        return ThemeIcon("bookmarks", QStyle::SP_DirHomeIcon);
    case CSiteManagerDlg::WizardItem:
        break;
    }
    return ThemeIcon("tools-wizard", QStyle::SP_CommandLink);
}

QString Label(const CXmlElement* element)
{
    return QString::fromUtf8(element->GetAttribute(kNameKey));
}

bool IsContainer(const QTreeWidgetItem* item)
{
    const auto kind = CSiteManagerDlg::Kind(item);
    return item && (kind == CSiteManagerDlg::FolderItem || kind == CSiteManagerDlg::RootItem);
}

QByteArray Number(qint32 value)
{
    return QByteArray::number(value);
}

} // namespace

CSiteManagerDlg::CSiteManagerDlg(CSiteList& sites, QWidget* parent) : QWidget(parent), m_sites(sites)
{
    CreateTree();
    CreateActions();
    Rebuild();
    // Sessions, the wizard and the favourites dialog store sites too; the tree then holds stale
    // elements and must follow.
    QPointer<CSiteManagerDlg> self(this);
    m_sites.SetReloadHandler(
        [self]
        {
            if (!self)
                return;
            self->Rebuild();
            Q_EMIT self->SitesChanged();
        });
}

void CSiteManagerDlg::CreateTree()
{
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("SiteTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    // Drops land on folders only, never between rows; the move itself is ours, not the model's.
    m_tree->setDragDropMode(QAbstractItemView::DragDrop);
    m_tree->setDragDropOverwriteMode(true);
    m_tree->setDefaultDropAction(Qt::MoveAction);
    m_tree->invisibleRootItem()->setFlags(Qt::ItemIsEnabled);
    m_tree->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &CSiteManagerDlg::OnDoubleClick);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CSiteManagerDlg::OnContextMenu);
    connect(m_tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) { EndEdit(hint); });
}

QAction* CSiteManagerDlg::AddAction(const QString& text, const QKeySequence& shortcut,
                                    void (CSiteManagerDlg::*slot)())
{
    auto* action = new QAction(text, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, slot);
    m_tree->addAction(action);
    return action;
}

void CSiteManagerDlg::CreateActions()
{
    m_connect = AddAction(QCoreApplication::translate("SiteManagerDlg", "連線(&N)"), {},
                          &CSiteManagerDlg::ConnectSelected);
    m_newSite = AddAction(QCoreApplication::translate("SiteManagerDlg", "新增站台(&S)"), Qt::Key_Insert,
                          &CSiteManagerDlg::NewSite);
    m_newFolder = AddAction(QCoreApplication::translate("SiteManagerDlg", "新增資料夾(&F)"),
                            Qt::SHIFT | Qt::Key_Insert, &CSiteManagerDlg::NewFolder);
    m_rename = AddAction(QCoreApplication::translate("SiteManagerDlg", "重新命名(&R)"), Qt::Key_F2,
                         &CSiteManagerDlg::RenameSelected);
    m_delete = AddAction(QCoreApplication::translate("SiteManagerDlg", "刪除(&D)"), Qt::Key_Delete,
                         &CSiteManagerDlg::DeleteSelected);
    m_properties = AddAction(QCoreApplication::translate("SiteManagerDlg", "內容(&P)..."),
                             Qt::ALT | Qt::Key_Return, &CSiteManagerDlg::ShowProperties);
}

QTreeWidgetItem* CSiteManagerDlg::WizardEntry() const
{
    return m_tree->topLevelItem(0);
}

QTreeWidgetItem* CSiteManagerDlg::RootEntry() const
{
    return m_tree->topLevelItem(1);
}

CSiteManagerDlg::ItemKind CSiteManagerDlg::Kind(const QTreeWidgetItem* item)
{
    return item ? ItemKind(item->data(0, kKindRole).toInt()) : WizardItem;
}

CXmlElement* CSiteManagerDlg::ElementOf(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<CXmlElement*>(item->data(0, kElementRole).value<quintptr>()) : nullptr;
}

QString CSiteManagerDlg::ItemPath(const QTreeWidgetItem* item)
{
    QStringList names;
    for (const QTreeWidgetItem* i = item; i && Kind(i) != RootItem && Kind(i) != WizardItem; i = i->parent())
        names.prepend(i->text(0));
    return names.join(u'\\');
}

QTreeWidgetItem* CSiteManagerDlg::FindItemByPath(const QString& path) const
{
    if (path.isEmpty())
        return nullptr;
    QList<QTreeWidgetItem*> pending{RootEntry()};
    while (!pending.isEmpty())
    {
        QTreeWidgetItem* item = pending.takeFirst();
        if (Kind(item) != RootItem && ItemPath(item).compare(path, Qt::CaseInsensitive) == 0)
            return item;
        for (int i = item->childCount() - 1; i >= 0; --i)
            pending.prepend(item->child(i));
    }
    return nullptr;
}

QTreeWidgetItem* CSiteManagerDlg::ItemOf(const CXmlElement* element) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (ElementOf(*it) == element)
            return *it;
    return nullptr;
}

QTreeWidgetItem* CSiteManagerDlg::Selected() const
{
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

std::optional<CFtpSite> CSiteManagerDlg::SelectedSite()
{
    QTreeWidgetItem* item = Selected();
    if (Kind(item) != SiteItem || !item)
        return std::nullopt;
    CFtpSite site;
    m_sites.FillSite(ElementOf(item), site);
    return site;
}

void CSiteManagerDlg::Rebuild()
{
    const QString selected = Selected() ? ItemPath(Selected()) : QString();
    const bool wizardSelected = Selected() && Kind(Selected()) == WizardItem;
    QSet<QString> open;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if ((*it)->isExpanded() && Kind(*it) == FolderItem)
            open.insert(ItemPath(*it).toCaseFolded());
    m_editing = nullptr;
    m_dropSite = nullptr;
    m_tree->clear();
    AddItem(nullptr, WizardItem, QCoreApplication::translate("SiteManagerDlg", "連線精靈"), nullptr);
    QTreeWidgetItem* root =
        AddItem(nullptr, RootItem, QCoreApplication::translate("SiteManagerDlg", "我的最愛"),
                m_sites.Document().GetRoot());
    Fill(root, m_sites.Document().GetRoot());
    root->setExpanded(true);
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (Kind(*it) == FolderItem && open.contains(ItemPath(*it).toCaseFolded()))
            (*it)->setExpanded(true);
    if (QTreeWidgetItem* item = wizardSelected ? WizardEntry() : FindItemByPath(selected))
        m_tree->setCurrentItem(item);
}

void CSiteManagerDlg::Fill(QTreeWidgetItem* parentItem, CXmlElement* parent)
{
    for (const auto& child : parent->Children())
    {
        if (CSiteList::IsSiteElement(child.get()))
            AddItem(parentItem, SiteItem, Label(child.get()), child.get());
        else if (child->Name().compare("FOLDER", Qt::CaseInsensitive) == 0)
            Fill(AddItem(parentItem, FolderItem, Label(child.get()), child.get()), child.get());
    }
}

QTreeWidgetItem* CSiteManagerDlg::AddItem(QTreeWidgetItem* parentItem, ItemKind kind, const QString& label,
                                          CXmlElement* element)
{
    auto* item = new QTreeWidgetItem(QStringList{label});
    item->setIcon(0, KindIcon(kind));
    item->setData(0, kKindRole, int(kind));
    item->setData(0, kElementRole, QVariant::fromValue(reinterpret_cast<quintptr>(element)));
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    if (kind == FolderItem || kind == SiteItem)
        flags |= Qt::ItemIsDragEnabled;
    if (kind == FolderItem || kind == RootItem)
        flags |= Qt::ItemIsDropEnabled;
    item->setFlags(flags);
    if (parentItem)
        parentItem->addChild(item);
    else
        m_tree->addTopLevelItem(item);
    return item;
}

void CSiteManagerDlg::Save()
{
    m_sites.SaveSites();
    Q_EMIT SitesChanged();
}

void CSiteManagerDlg::ConnectSelected()
{
    QTreeWidgetItem* item = Selected();
    if (!item)
        return;
    if (Kind(item) == WizardItem)
        Q_EMIT WizardRequested();
    else if (Kind(item) == SiteItem)
        Q_EMIT ConnectRequested(ItemPath(item));
}

void CSiteManagerDlg::OnDoubleClick(QTreeWidgetItem* item)
{
    if (Kind(item) == WizardItem)
        // Posted: the wizard must not run inside the tree's own mouse handling.
        QTimer::singleShot(0, this, &CSiteManagerDlg::WizardRequested);
    else if (Kind(item) == SiteItem)
        Q_EMIT ConnectRequested(ItemPath(item));
}

void CSiteManagerDlg::NewSite()
{
    QTreeWidgetItem* selected = Selected();
    QTreeWidgetItem* folderItem = selected && Kind(selected) == SiteItem ? selected->parent() : selected;
    if (!IsContainer(folderItem))
        folderItem = RootEntry();
    CXmlElement* site =
        m_sites.AddNewSite(Kind(selected) == SiteItem ? ElementOf(selected) : ElementOf(folderItem));
    StartEdit(AddItem(folderItem, SiteItem, Label(site), site));
}

void CSiteManagerDlg::NewFolder()
{
    QTreeWidgetItem* selected = Selected();
    QTreeWidgetItem* folderItem = selected && Kind(selected) == SiteItem ? selected->parent() : selected;
    if (!IsContainer(folderItem))
        folderItem = RootEntry();
    CXmlElement* folder = m_sites.AddNewFolder(ElementOf(folderItem));
    StartEdit(AddItem(folderItem, FolderItem, Label(folder), folder));
}

void CSiteManagerDlg::RenameSelected()
{
    QTreeWidgetItem* item = Selected();
    if (item && Kind(item) != WizardItem)
        StartEdit(item);
}

void CSiteManagerDlg::StartEdit(QTreeWidgetItem* item)
{
    if (item->parent())
        item->parent()->setExpanded(true);
    m_tree->setCurrentItem(item);
    m_editing = item;
    m_labelBeforeEdit = item->text(0);
    // Keys typed into the label (Ins, Del, F2) belong to the edit box, not to the commands.
    for (QAction* action : m_tree->actions())
        action->setEnabled(false);
    m_tree->editItem(item);
}

void CSiteManagerDlg::EndEdit(QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidgetItem* item = m_editing;
    m_editing = nullptr;
    for (QAction* action : m_tree->actions())
        action->setEnabled(true);
    if (!item || Kind(item) == WizardItem)
        return;
    const QString text = item->text(0);
    if (hint == QAbstractItemDelegate::RevertModelCache)
    {
        item->setText(0, m_labelBeforeEdit);
        return;
    }
    // A name the file cannot hold whole would come back changed or break the site paths.
    const QString problem = CSiteList::CheckName(text);
    if (!problem.isEmpty())
    {
        item->setText(0, m_labelBeforeEdit);
        CMessageBox::Show(this, QMessageBox::Warning, problem);
        m_tree->setFocus();
        return;
    }
    ElementOf(item)->SetAttribute(kNameKey, text.toUtf8());
    Save();
}

void CSiteManagerDlg::DeleteSelected()
{
    QTreeWidgetItem* item = Selected();
    if (!item || Kind(item) == WizardItem || Kind(item) == RootItem)
        return;
    const QString text =
        Kind(item) == FolderItem
            ? QCoreApplication::translate("SiteManagerDlg", "您確定要刪除這個資料夾 '%1' 及所有的內容？")
                  .arg(item->text(0))
            : QCoreApplication::translate("SiteManagerDlg", "您確定要刪除 '%1' ？").arg(item->text(0));
    const auto answer =
        CMessageBox::Show(this, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes && m_sites.Document().RemoveElement(ElementOf(item)))
    {
        if (item == m_dropSite)
            m_dropSite = nullptr;
        delete item;
        Save();
    }
    m_tree->setFocus();
}

void CSiteManagerDlg::ShowProperties()
{
    QTreeWidgetItem* item = Selected();
    if (Kind(item) != SiteItem || !item)
        return;
    CXmlElement* element = ElementOf(item);
    CFtpSite stored;
    m_sites.FillSite(element, stored);
    CSitePropertiesSheet sheet(stored, this);
    if (sheet.exec() == QDialog::Accepted)
    {
        const CFtpSite site = sheet.Site();
        item->setText(0, site.Name);
        element->SetAttribute(kNameKey, site.Name.toUtf8());
        WriteFields(element, site);
        Save();
        if (sheet.ConnectChosen())
            Q_EMIT ConnectRequested(ItemPath(item));
    }
    m_tree->setFocus();
}

void CSiteManagerDlg::WriteFields(CXmlElement* element, const CFtpSite& site)
{
    CXmlDocument& document = m_sites.Document();
    const auto set = [&](const char* name, const QByteArray& value)
    { document.SetChildValue(element, name, value); };
    set("LOGIN", site.Login.toUtf8());
    set("PASSWORD", site.Password.toUtf8());
    set("ADDRESS", site.Address.toUtf8());
    set("PORT", Number(site.Port));
    set("DATAMODE", Number(site.DataMode));
    set("TRANSFERTYPE", Number(site.TransferType));
    set("RETRIES", Number(site.Retries));
    set("RETRYDELAY", Number(site.RetryDelay));
    set("DESCRIPTION", site.Description.toUtf8());
    set("LOCALPATH", site.LocalPath.toUtf8());
    set("REMOTEPATH", site.RemotePath.toUtf8());
    set("PROTOCOLTYPE", Number(site.ProtocolType));
    set("CLEARCOMMANDCHANNEL", site.ClearCommandChannel ? "1" : "0");
    set("CLEARDATACHANNEL", site.ClearDataChannel ? "1" : "0");
}

bool CSiteManagerDlg::MoveItem(QTreeWidgetItem* item, QTreeWidgetItem* folder)
{
    if (!item || !IsContainer(folder) || Kind(item) == RootItem || Kind(item) == WizardItem)
        return false;
    CXmlElement* moved = m_sites.MoveElement(ElementOf(item), ElementOf(folder));
    if (!moved)
        return false;
    if (moved == ElementOf(item))
        return true;
    folder->setExpanded(true);
    m_sites.SaveSites();
    Rebuild();
    m_tree->setCurrentItem(ItemOf(moved));
    Q_EMIT SitesChanged();
    return true;
}

QTreeWidgetItem* CSiteManagerDlg::DropTarget(const QPoint& where) const
{
    QTreeWidgetItem* item = m_tree->itemAt(where);
    return IsContainer(item) ? item : nullptr;
}

bool CSiteManagerDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_tree->viewport())
        return QWidget::eventFilter(watched, event);
    if (HandleRemoteDrag(event))
        return true;
    if (event->type() == QEvent::Drop)
        return HandleDrop(event);
    return QWidget::eventFilter(watched, event);
}

bool CSiteManagerDlg::HandleRemoteDrag(QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::DragLeave)
        HighlightDropSite(nullptr);
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drag = static_cast<QDropEvent*>(event);
    const CRemoteItemsMimeData* items = CRemoteItemsMimeData::From(drag->mimeData());
    if (!items)
        return false;
    QTreeWidgetItem* item = m_tree->itemAt(drag->position().toPoint());
    QTreeWidgetItem* site = Kind(item) == SiteItem && item ? item : nullptr;
    HighlightDropSite(type == QEvent::Drop ? nullptr : site);
    if (type == QEvent::DragEnter)
    {
        // Moves over the tree follow only an accepted enter; each move then decides.
        drag->accept();
        return true;
    }
    if (!site)
    {
        drag->ignore();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    if (type == QEvent::DragMove)
        static_cast<QDragMoveEvent*>(event)->accept(m_tree->visualItemRect(site));
    else
    {
        drag->accept();
        items->DeliverTo(QStringLiteral("ftp:\\") + ItemPath(site));
    }
    return true;
}

void CSiteManagerDlg::HighlightDropSite(QTreeWidgetItem* site)
{
    if (site == m_dropSite)
        return;
    if (m_dropSite)
    {
        m_dropSite->setData(0, Qt::BackgroundRole, QVariant());
        m_dropSite->setData(0, Qt::ForegroundRole, QVariant());
    }
    m_dropSite = site;
    if (site)
    {
        site->setBackground(0, m_tree->palette().highlight());
        site->setForeground(0, m_tree->palette().highlightedText());
    }
}

bool CSiteManagerDlg::HandleDrop(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (!data || !data->hasFormat(m_tree->model()->mimeTypes().value(0)))
        return false;
    // A copy action: the view would otherwise delete the dragged rows itself after the drop.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    QTreeWidgetItem* target = DropTarget(drop->position().toPoint());
    QTreeWidgetItem* dragged = Selected();
    if (target && dragged != target)
        MoveItem(dragged, target);
    return true;
}

QMenu* CSiteManagerDlg::CreateContextMenu()
{
    QTreeWidgetItem* item = Selected();
    if (!item || Kind(item) == WizardItem)
        return nullptr;
    auto* menu = new QMenu(this);
    const bool site = Kind(item) == SiteItem;
    if (site)
    {
        menu->addAction(m_connect);
        menu->addSeparator();
    }
    menu->addActions({m_newSite, m_newFolder, m_rename, m_delete});
    if (site)
    {
        menu->addSeparator();
        menu->addAction(m_properties);
    }
    return menu;
}

void CSiteManagerDlg::OnContextMenu(const QPoint& where)
{
    if (QTreeWidgetItem* item = m_tree->itemAt(where))
        m_tree->setCurrentItem(item);
    QMenu* menu = CreateContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_tree->viewport()->mapToGlobal(where));
}
