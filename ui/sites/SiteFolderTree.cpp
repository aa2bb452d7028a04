#include "ui/sites/SiteFolderTree.h"

#include "sites/SiteList.h"
#include "ui/dialogs/MessageBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

#include <functional>

namespace
{

QString RootLabel()
{
    return QCoreApplication::translate("SiteFolderTree", "我的最愛");
}
QByteArray NewFolderAttribute()
{
    return "name = \"" + QCoreApplication::translate("SiteFolderTree", "新資料夾").toUtf8() + '"';
}

// Edits labels in a line edit that refuses the characters a folder name cannot hold, and hands a
// committed text to the tree instead of writing it into the model.
class CLabelDelegate : public QStyledItemDelegate
{
public:
    using Commit = std::function<void(const QModelIndex&, const QString&)>;

    CLabelDelegate(Commit commit, QObject* parent) : QStyledItemDelegate(parent), m_commit(std::move(commit))
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        static const QRegularExpression allowed(QStringLiteral("[^\"*/:<>?\\\\|]*"));
        editor->setValidator(new QRegularExpressionValidator(allowed, editor));
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        m_commit(index, static_cast<QLineEdit*>(editor)->text());
    }

private:
    Commit m_commit;
};

} // namespace

CSiteFolderTree::CSiteFolderTree(CSiteList& sites, bool showSites, QWidget* parent)
    : QTreeWidget(parent), m_sites(sites), m_showSites(showSites)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Labels change only where the owner offers it.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new CLabelDelegate(
        [this](const QModelIndex& index, const QString& label)
        {
            CXmlElement* element = ElementOf(itemFromIndex(index));
            // A message box inside the editor's commit would re-enter the view.
            QTimer::singleShot(0, this, [this, element, label] { FinishRename(element, label); });
        },
        this));
    Rebuild();
}

void CSiteFolderTree::Rebuild()
{
    clear();
    auto* root = new QTreeWidgetItem(this, {RootLabel()});
    root->setIcon(0, style()->standardIcon(QStyle::SP_DirHomeIcon));
    root->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(m_sites.Document().GetRoot())));
    AddChildren(root, m_sites.Document().GetRoot());
    root->setExpanded(true);
    setCurrentItem(root);
}

void CSiteFolderTree::AddChildren(QTreeWidgetItem* parentItem, CXmlElement* parentElement)
{
    for (const auto& child : parentElement->Children())
    {
        const bool folder = child->Name().compare("FOLDER", Qt::CaseInsensitive) == 0;
        if (folder || (m_showSites && CSiteList::IsSiteElement(child.get())))
        {
            QTreeWidgetItem* item = AddItem(parentItem, child.get());
            if (folder)
                AddChildren(item, child.get());
        }
    }
}

QTreeWidgetItem* CSiteFolderTree::AddItem(QTreeWidgetItem* parentItem, CXmlElement* element)
{
    const bool folder = CSiteList::IsFolderElement(element);
    auto* item = new QTreeWidgetItem(parentItem, {QString::fromUtf8(element->GetAttribute("name"))});
    item->setIcon(0, style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_DriveNetIcon));
    item->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(element)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

CXmlElement* CSiteFolderTree::ElementOf(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<CXmlElement*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* CSiteFolderTree::ItemOf(CXmlElement* element) const
{
    for (QTreeWidgetItemIterator it(const_cast<CSiteFolderTree*>(this)); *it; ++it)
        if (ElementOf(*it) == element)
            return *it;
    return nullptr;
}

QString CSiteFolderTree::PathOf(const QTreeWidgetItem* item) const
{
    return item ? m_sites.PathOf(ElementOf(item)) : QString();
}

CXmlElement* CSiteFolderTree::SelectedElement() const
{
    CXmlElement* element = ElementOf(currentItem());
    return element ? element : m_sites.Document().GetRoot();
}

QString CSiteFolderTree::SelectedPath() const
{
    return PathOf(currentItem());
}

bool CSiteFolderTree::IsSiteSelected() const
{
    return CSiteList::IsSiteElement(ElementOf(currentItem()));
}

bool CSiteFolderTree::SelectPath(const QString& path)
{
    for (QTreeWidgetItemIterator it(this); *it; ++it)
    {
        if (PathOf(*it).compare(path, Qt::CaseInsensitive) == 0)
        {
            setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

void CSiteFolderTree::NewFolder()
{
    CXmlElement* target = SelectedElement();
    if (CSiteList::IsSiteElement(target))
        target = target->Parent();
    QTreeWidgetItem* parentItem = ItemOf(target);
    if (!parentItem)
        return;
    CXmlElement* folder = m_sites.Document().AddElement(target, "FOLDER", {}, NewFolderAttribute());
    QTreeWidgetItem* item = AddItem(parentItem, folder);
    parentItem->setExpanded(true);
    setCurrentItem(item);
    editItem(item);
}

void CSiteFolderTree::RenameSelected()
{
    QTreeWidgetItem* item = currentItem();
    // The root's label is fixed.
    if (item && item->parent())
        editItem(item);
}

void CSiteFolderTree::FinishRename(CXmlElement* element, const QString& label)
{
    QTreeWidgetItem* item = ItemOf(element);
    if (!item)
        return;
    const QString refusal = CSiteList::CheckName(label);
    if (!refusal.isEmpty())
    {
        CMessageBox::Show(this, QMessageBox::Warning, refusal);
        return;
    }
    element->SetAttribute("name", label.toUtf8());
    item->setText(0, label);
    Save();
}

void CSiteFolderTree::DeleteSelected()
{
    QTreeWidgetItem* item = currentItem();
    if (!item || !item->parent())
        return;
    const QString text =
        CSiteList::IsSiteElement(ElementOf(item))
            ? QCoreApplication::translate("SiteFolderTree", "您確定要刪除 '%1' ？")
            : QCoreApplication::translate("SiteFolderTree", "您確定要刪除這個資料夾 '%1' 及所有的內容？");
    if (CMessageBox::Show(this, QMessageBox::Question, text.arg(item->text(0)),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
        m_sites.Document().RemoveElement(ElementOf(item)))
    {
        delete item;
        Save();
    }
    setFocus();
}

void CSiteFolderTree::Save()
{
    if (!m_sites.SaveSites())
        CMessageBox::Show(
            this, QMessageBox::Warning,
            QCoreApplication::translate("SiteFolderTree", "無法儲存 %1").arg(m_sites.FilePath()));
}
