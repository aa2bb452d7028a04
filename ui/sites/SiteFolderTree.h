#pragma once

#include <QTreeWidget>

class CSiteList;
class CXmlElement;

// The favourites root "我的最愛" with the folders (and, when asked, the sites) of a site list's document.
// New folder, rename and delete change that document and save it, as the site manager does.
class CSiteFolderTree : public QTreeWidget
{
    Q_OBJECT

public:
    CSiteFolderTree(CSiteList& sites, bool showSites, QWidget* parent = nullptr);

    // Builds the items afresh from the document, with the root selected and expanded.
    void Rebuild();

    // The selected item's element; the root when nothing is selected.
    CXmlElement* SelectedElement() const;
    // The selected item's site path; empty for the root or nothing selected.
    QString SelectedPath() const;
    bool IsSiteSelected() const;
    // Selects the item whose path matches without regard to case; false when there is none.
    bool SelectPath(const QString& path);

    // Appends "新資料夾" to the selected folder (a site's own folder) and starts editing its label.
    void NewFolder();
    void RenameSelected();
    // Asks first; the root cannot be deleted.
    void DeleteSelected();

private:
    void AddChildren(QTreeWidgetItem* parentItem, CXmlElement* parentElement);
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parentItem, CXmlElement* element);
    QTreeWidgetItem* ItemOf(CXmlElement* element) const;
    static CXmlElement* ElementOf(const QTreeWidgetItem* item);
    QString PathOf(const QTreeWidgetItem* item) const;
    void FinishRename(CXmlElement* element, const QString& label);
    // Reports a failed write: the change stays in memory only.
    void Save();

    CSiteList& m_sites;
    bool m_showSites;
};
