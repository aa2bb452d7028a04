#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

// The commands of the main window's menus and toolbar. The frame wires the ones it carries out; the
// others stay disabled until the window that carries them out connects to them.
enum class FrameCommand
{
    Connect,
    Disconnect,
    Stop,
    Wizard,
    Exit,
    SelectAll,
    InvertSelection,
    ToolBar,
    StatusBar,
    SiteManager,
    TransferManager,
    QuickConnect,
    LocalBrowser,
    TracePane,
    ViewStyle,
    LargeIcons,
    SmallIcons,
    List,
    Details,
    Refresh,
    Browse,
    Download,
    DownloadTo,
    Upload,
    NewFolder,
    Rename,
    Delete,
    Move,
    Properties,
    GoTo,
    CustomCommand,
    TypeAuto,
    TypeAscii,
    TypeBinary,
    GoToLocalFolder,
    GoToDefaultFolder,
    UpdateLocalFolder,
    PackZip,
    PackCab,
    PackTarGz,
    UnpackZip,
    AddFavourite,
    ManageFavourites,
    Options,
    Filter,
    Cascade,
    Tile,
    Help,
    About
};

class CFrameCommands : public QObject
{
    Q_OBJECT

public:
    explicit CFrameCommands(QObject* parent);

    QAction* Action(FrameCommand command) const;
    // Puts an action made elsewhere (a bar's show-or-hide action) in the command's place.
    void Adopt(FrameCommand command, QAction* action);

    void BuildMenus(QMenuBar* menuBar);
    // The "檔案" menu's list of the sites opened last, refilled by the frame.
    QMenu* RecentSitesMenu() const { return m_recentSitesMenu; }
    void BuildToolBar(QToolBar* toolBar);
    // The "檢視" drop-down of the toolbar.
    QMenu* ViewsMenu() const { return m_viewsMenu; }
    QToolButton* ViewButton() const { return m_viewButton; }

    // A menu text as a toolbar label: "連線(&C)..." gives "連線".
    static QString ToolbarLabel(const QString& menuText);

private:
    QAction* Add(FrameCommand command, const QString& text, const QString& shortcut = {},
                 const QString& statusTip = {});
    void CreateActions();
    void CreateSessionActions();
    void CreateRemoteActions();
    void CreateFrameActions();
    // A missing command stands for a separator.
    QMenu* AddMenu(QMenuBar* menuBar, const QString& title,
                   std::initializer_list<std::optional<FrameCommand>> items);
    void AddItems(QMenu* menu, std::initializer_list<std::optional<FrameCommand>> items);

    QHash<FrameCommand, QAction*> m_actions;
    QMenu* m_recentSitesMenu = nullptr;
    QMenu* m_viewsMenu = nullptr;
    QToolButton* m_viewButton = nullptr;
};
