#pragma once

#include "sites/FtpSite.h"

#include <QAbstractItemDelegate>
#include <QWidget>

#include <optional>

class CSiteList;
class CXmlElement;
class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// The content of the site manager bar: a tree of the wizard entry and the favourites root with the
// folders and sites of the program's one site list, and the commands that create, rename, move,
// delete and edit them. Every change is saved at once.
class CSiteManagerDlg : public QWidget
{
    Q_OBJECT

public:
    enum ItemKind
    {
        FolderItem = 0,
        SiteItem = 1,
        RootItem = 2,
        WizardItem = 3
    };

    explicit CSiteManagerDlg(CSiteList& sites, QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return m_tree; }
    QTreeWidgetItem* WizardEntry() const;
    QTreeWidgetItem* RootEntry() const;
    static ItemKind Kind(const QTreeWidgetItem* item);
    // Folder names below the root and the item's own label, joined by "\".
    static QString ItemPath(const QTreeWidgetItem* item);
    // The first item in depth-first order whose path matches without regard to case.
    QTreeWidgetItem* FindItemByPath(const QString& path) const;
    // The selected site filled from the list; nothing for the wizard entry, a folder or no selection.
    std::optional<CFtpSite> SelectedSite();

    // Builds the tree anew from the document, keeping the selection and the open folders by path.
    void Rebuild();

    void ConnectSelected();
    void NewSite();
    void NewFolder();
    void RenameSelected();
    void DeleteSelected();
    void ShowProperties();
    // Moves an item into a folder or the root and selects it there; false when the rules refuse it.
    bool MoveItem(QTreeWidgetItem* item, QTreeWidgetItem* folder);
    // The context menu for the selection; nullptr for none or the wizard entry.
    QMenu* CreateContextMenu();

Q_SIGNALS:
    // sites.xml changed: the favourites menu follows.
    void SitesChanged();
    void ConnectRequested(const QString& sitePath);
    void WizardRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateTree();
    void CreateActions();
    QAction* AddAction(const QString& text, const QKeySequence& shortcut, void (CSiteManagerDlg::*slot)());
    void Fill(QTreeWidgetItem* parentItem, CXmlElement* parent);
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parentItem, ItemKind kind, const QString& label,
                             CXmlElement* element);
    QTreeWidgetItem* Selected() const;
    QTreeWidgetItem* ItemOf(const CXmlElement* element) const;
    static CXmlElement* ElementOf(const QTreeWidgetItem* item);
    void StartEdit(QTreeWidgetItem* item);
    void EndEdit(QAbstractItemDelegate::EndEditHint hint);
    void Save();
    void WriteFields(CXmlElement* element, const CFtpSite& site);
    void OnDoubleClick(QTreeWidgetItem* item);
    void OnContextMenu(const QPoint& where);
    bool HandleDrop(QEvent* event);
    QTreeWidgetItem* DropTarget(const QPoint& where) const;
    // Remote items dragged from a connection window: a drop on a site copies them there from server to
    // server.
    bool HandleRemoteDrag(QEvent* event);
    void HighlightDropSite(QTreeWidgetItem* site);

    CSiteList& m_sites;
    QTreeWidget* m_tree = nullptr;
    QAction* m_connect = nullptr;
    QAction* m_newSite = nullptr;
    QAction* m_newFolder = nullptr;
    QAction* m_rename = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_properties = nullptr;
    QTreeWidgetItem* m_editing = nullptr;
    QString m_labelBeforeEdit;
    QTreeWidgetItem* m_dropSite = nullptr;
};
