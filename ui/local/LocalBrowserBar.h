#pragma once

#include "ui/frame/FrameCommands.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class CLocalFolderModel;
class QAbstractItemView;
class QAction;
class QActionGroup;
class QComboBox;
class QDropEvent;
class QItemSelectionModel;
class QKeyEvent;
class QListView;
class QMenu;
class QStackedWidget;
class QTimer;
class QTreeView;

// The "我的電腦" docking bar: the local folders and files, with a back history, a location box and the
// desktop's places. Connection windows ask it for its folder and selection, and remote items dropped
// on it are downloaded into the folder they land on.
class CLocalBrowserBar : public QWidget
{
    Q_OBJECT

public:
    enum ViewStyle
    {
        ThumbnailStyle = 4010,
        TileStyle = 4011,
        IconStyle = 4012,
        ListStyle = 4013,
        DetailsStyle = 4014
    };
    static constexpr int kHistoryLimit = 25;

    explicit CLocalBrowserBar(QWidget* parent = nullptr);
    ~CLocalBrowserBar() override;

    // Shows an absolute folder; one that is missing or unreadable leaves the bar as it was and gives
    // false. With record, the folder left is kept for Back.
    bool BrowseTo(const QString& folder, bool record);
    // Shows the folder, or the process's current folder when the path is not a readable folder.
    void BrowseToPath(const QString& path);
    void GoBack();
    void GoUp();
    QString GetCurrentFolder() const { return m_current; }
    // The selected items' absolute paths in the view's order; false when nothing is selected.
    bool GetSelectedPaths(QStringList& paths) const;
    // True while the keyboard focus is in the folder view.
    bool HasFocus() const;
    bool CanGoBack() const { return !m_history.isEmpty(); }
    // The folders Back returns to, oldest first.
    const QStringList& History() const { return m_history; }

    int Style() const { return m_style; }
    // Shows the folder in one of the five styles and stores the choice.
    void SetViewStyle(int style);
    QAbstractItemView* CurrentView() const;
    CLocalFolderModel* Model() const { return m_model; }

    // Creates a new folder in the shown one, selects it and starts renaming it.
    void NewFolder();
    // Asks first; a failure names the items that were not deleted.
    void DeleteSelected(bool permanently);
    // Shows the item's folder with the item selected.
    void ShowItem(const QString& path);

Q_SIGNALS:
    // One of the commands that the active connection window carries out for the bar.
    void WindowCommandRequested(FrameCommand command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateToolBar();
    QMenu* CreateViewMenu();
    void CreateViews();
    bool ApplyViewStyle(int style);
    void ConfigureView(QAbstractItemView* view);
    void FillLocationBox();
    void BrowseTyped();
    void FillRecentMenu();
    void FillComputerMenu();
    void OpenIndex(const QModelIndex& index);
    void ShowViewMenu(QAbstractItemView* view, const QPoint& where);
    // The commands that the active connection window carries out for the bar.
    void AddBarCommands(QMenu& menu);
    // What a key pressed in the view does; empty for keys the view handles itself.
    std::function<void()> KeyCommand(const QKeyEvent* key);
    bool HandleDrop(QAbstractItemView* view, QDropEvent* drop);
    void RestoreHeaderState();
    void SaveHeaderState();
    void UpdateButtons();
    void ShowError(const QString& text);

    CLocalFolderModel* m_model = nullptr;
    QStackedWidget* m_stack = nullptr;
    QListView* m_listView = nullptr;
    QTreeView* m_detailsView = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QComboBox* m_location = nullptr;
    QAction* m_back = nullptr;
    QAction* m_up = nullptr;
    QActionGroup* m_styles = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_computerMenu = nullptr;
    QAction* m_network = nullptr;
    QTimer* m_saveState = nullptr;
    QString m_current;
    QStringList m_history;
    int m_style = DetailsStyle;
};
