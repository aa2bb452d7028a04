#include "ui/frame/FrameCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace
{

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

void SetToolbarLook(QAction* action, const char* iconName, QStyle::StandardPixmap fallback)
{
    action->setIcon(ThemeIcon(iconName, fallback));
    action->setIconText(CFrameCommands::ToolbarLabel(action->text()));
}

} // namespace

CFrameCommands::CFrameCommands(QObject* parent) : QObject(parent)
{
    CreateActions();
}

QAction* CFrameCommands::Action(FrameCommand command) const
{
    return m_actions.value(command);
}

void CFrameCommands::Adopt(FrameCommand command, QAction* action)
{
    QAction* own = m_actions.value(command);
    action->setText(own->text());
    action->setIconText(own->iconText());
    action->setIcon(own->icon());
    action->setShortcut(own->shortcut());
    action->setStatusTip(own->statusTip());
    m_actions.insert(command, action);
    delete own;
}

QString CFrameCommands::ToolbarLabel(const QString& menuText)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\s*\\(&.\\)"));
    QString label = menuText;
    label.remove(mnemonic);
    label.remove(QStringLiteral("..."));
    label.remove(u'&');
    return label.trimmed();
}

QAction* CFrameCommands::Add(FrameCommand command, const QString& text, const QString& shortcut,
                             const QString& statusTip)
{
    auto* action = new QAction(text, this);
    if (!shortcut.isEmpty())
        action->setShortcut(QKeySequence(shortcut));
    action->setStatusTip(statusTip);
    // Carried out by a window that does not exist yet: it enables the command when it connects to it.
    action->setEnabled(false);
    m_actions.insert(command, action);
    return action;
}

void CFrameCommands::CreateActions()
{
    CreateSessionActions();
    CreateRemoteActions();
    CreateFrameActions();
}

void CFrameCommands::CreateSessionActions()
{
    SetToolbarLook(Add(FrameCommand::Connect, QStringLiteral("連線(&C)..."), QStringLiteral("Ctrl+T")),
                   "network-connect", QStyle::SP_DriveNetIcon);
    SetToolbarLook(Add(FrameCommand::Disconnect, QStringLiteral("中斷(&D)"), QStringLiteral("Ctrl+D")),
                   "network-disconnect", QStyle::SP_DialogCloseButton);
    SetToolbarLook(Add(FrameCommand::Stop, QStringLiteral("取消(&L)"), QStringLiteral("Esc")), "process-stop",
                   QStyle::SP_BrowserStop);
    Add(FrameCommand::Wizard, QStringLiteral("連線精靈(&W)..."), QStringLiteral("Ctrl+W"));
    Add(FrameCommand::Exit, QStringLiteral("結束(&X)"));
    Add(FrameCommand::SelectAll, QStringLiteral("全選(&A)"), QStringLiteral("Ctrl+A"));
    Add(FrameCommand::InvertSelection, QStringLiteral("反向選取(&V)"));
    SetToolbarLook(Add(FrameCommand::Refresh, QStringLiteral("重新整理(&R)"), QStringLiteral("F5")),
                   "view-refresh", QStyle::SP_BrowserReload);
}

void CFrameCommands::CreateRemoteActions()
{
    Add(FrameCommand::Browse, QStringLiteral("瀏覽(&B)"));
    SetToolbarLook(Add(FrameCommand::Download, QStringLiteral("下載(&W)")), "go-down", QStyle::SP_ArrowDown);
    Add(FrameCommand::DownloadTo, QStringLiteral("下載到(&T)..."));
    SetToolbarLook(Add(FrameCommand::Upload, QStringLiteral("上傳(&U)...")), "go-up", QStyle::SP_ArrowUp);
    Add(FrameCommand::NewFolder, QStringLiteral("新增資料夾(&F)"));
    Add(FrameCommand::Rename, QStringLiteral("重新命名(&R)"));
    Add(FrameCommand::Delete, QStringLiteral("刪除(&D)"));
    Add(FrameCommand::Move, QStringLiteral("搬移(&M)..."));
    Add(FrameCommand::Properties, QStringLiteral("內容(&P)"));
    Add(FrameCommand::GoTo, QStringLiteral("前往(&G)..."));
    Add(FrameCommand::CustomCommand, QStringLiteral("自訂指令(&C)..."));
    Add(FrameCommand::TypeAuto, QStringLiteral("自動偵測(&A)"), QStringLiteral("Ctrl+F1"))
        ->setCheckable(true);
    Add(FrameCommand::TypeAscii, QStringLiteral("ASCII(&S)"), QStringLiteral("Ctrl+F2"))->setCheckable(true);
    Add(FrameCommand::TypeBinary, QStringLiteral("二進位碼(&B)"), QStringLiteral("Ctrl+F3"))
        ->setCheckable(true);
    Add(FrameCommand::GoToLocalFolder, QStringLiteral("前往本機資料夾"));
    Add(FrameCommand::GoToDefaultFolder, QStringLiteral("前往預設下載資料夾"));
    Add(FrameCommand::UpdateLocalFolder, QStringLiteral("更新本機資料夾"));
    Add(FrameCommand::PackZip, QStringLiteral("壓縮為 .zip 後上傳(&Z)"), {},
        QStringLiteral("上傳前先壓縮\nZip"));
    Add(FrameCommand::PackCab, QStringLiteral("壓縮為 .cab 後上傳(&C)"), {},
        QStringLiteral("上傳前先壓縮\nCAB"));
    Add(FrameCommand::PackTarGz, QStringLiteral("壓縮為 .gzip/tar 後上傳(&T)"), {},
        QStringLiteral("上傳前先壓縮"));
    Add(FrameCommand::UnpackZip, QStringLiteral("解壓縮(&D)"), {}, QStringLiteral("解壓縮檔案"));
    Add(FrameCommand::LargeIcons, QStringLiteral("大圖示(&G)"))->setCheckable(true);
    Add(FrameCommand::SmallIcons, QStringLiteral("小圖示(&M)"))->setCheckable(true);
    Add(FrameCommand::List, QStringLiteral("清單(&L)"))->setCheckable(true);
    Add(FrameCommand::Details, QStringLiteral("詳細資料(&D)"))->setCheckable(true);
    auto* styles = new QActionGroup(this);
    for (FrameCommand style :
         {FrameCommand::LargeIcons, FrameCommand::SmallIcons, FrameCommand::List, FrameCommand::Details})
        styles->addAction(Action(style));
}

void CFrameCommands::CreateFrameActions()
{
    Add(FrameCommand::ToolBar, QStringLiteral("工具列(&T)"));
    Add(FrameCommand::StatusBar, QStringLiteral("狀態列(&S)"));
    SetToolbarLook(Add(FrameCommand::SiteManager, QStringLiteral("站台管理(&M)")), "folder-remote",
                   QStyle::SP_DirHomeIcon);
    SetToolbarLook(Add(FrameCommand::TransferManager, QStringLiteral("傳送進度管理(&F)")),
                   "view-list-details", QStyle::SP_FileDialogDetailedView);
    Add(FrameCommand::QuickConnect, QStringLiteral("快速連線(&Q)"));
    Add(FrameCommand::TracePane, QStringLiteral("記錄視窗(&O)"))->setCheckable(true);
    SetToolbarLook(Add(FrameCommand::LocalBrowser, QStringLiteral("我的電腦(&L)")), "computer",
                   QStyle::SP_ComputerIcon);
    SetToolbarLook(Add(FrameCommand::ViewStyle, QStringLiteral("檢視")), "view-list-icons",
                   QStyle::SP_FileDialogListView);
    Add(FrameCommand::AddFavourite, QStringLiteral("加到我的最愛(&A)..."), QStringLiteral("Ctrl+F"));
    Add(FrameCommand::ManageFavourites, QStringLiteral("管理我的最愛(&O)..."), QStringLiteral("Ctrl+E"));
    SetToolbarLook(Add(FrameCommand::Options, QStringLiteral("選項(&O)...")), "preferences-system",
                   QStyle::SP_FileDialogInfoView);
    Add(FrameCommand::Filter, QStringLiteral("過濾條件(&K)..."), {}, QStringLiteral("顯示過濾對話視窗"));
    Add(FrameCommand::Cascade, QStringLiteral("重疊顯示(&C)"));
    Add(FrameCommand::Tile, QStringLiteral("並排顯示(&T)"));
    SetToolbarLook(Add(FrameCommand::Help, QStringLiteral("操作手冊(&H)"), QStringLiteral("F1")),
                   "help-contents", QStyle::SP_DialogHelpButton);
    Add(FrameCommand::About, QStringLiteral("關於 Zentrava Pro (&A)..."));
}

void CFrameCommands::AddItems(QMenu* menu, std::initializer_list<std::optional<FrameCommand>> items)
{
    for (const std::optional<FrameCommand>& item : items)
    {
        if (item)
            menu->addAction(Action(*item));
        else
            menu->addSeparator();
    }
}

QMenu* CFrameCommands::AddMenu(QMenuBar* menuBar, const QString& title,
                               std::initializer_list<std::optional<FrameCommand>> items)
{
    QMenu* menu = menuBar->addMenu(title);
    AddItems(menu, items);
    return menu;
}

void CFrameCommands::BuildMenus(QMenuBar* menuBar)
{
    using C = FrameCommand;
    const std::nullopt_t separator = std::nullopt;
    QMenu* file =
        AddMenu(menuBar, QStringLiteral("檔案(&F)"), {C::Connect, C::Disconnect, C::Stop, C::Wizard});
    file->addSeparator();
    m_recentSitesMenu = file->addMenu(QStringLiteral("最近開啟的站台(&R)"));
    m_recentSitesMenu->setObjectName(QStringLiteral("RecentSites"));
    AddItems(file, {separator, C::Exit});
    AddMenu(menuBar, QStringLiteral("編輯(&E)"), {C::SelectAll, C::InvertSelection});
    QMenu* view = AddMenu(menuBar, QStringLiteral("檢視(&V)"),
                          {C::ToolBar, C::StatusBar, separator, C::SiteManager, C::TransferManager,
                           C::QuickConnect, C::LocalBrowser, C::TracePane, separator, C::LargeIcons,
                           C::SmallIcons, C::List, C::Details, separator, C::Refresh});
    view->setObjectName(QStringLiteral("ViewMenu"));
    QMenu* commands =
        AddMenu(menuBar, QStringLiteral("指令(&C)"),
                {C::Browse, C::Download, C::DownloadTo, C::Upload, separator, C::NewFolder, C::Rename,
                 C::Delete, C::Move, C::Properties, separator, C::GoTo, C::CustomCommand, separator});
    QMenu* types = commands->addMenu(QStringLiteral("傳送模式(&T)"));
    AddItems(types, {C::TypeAuto, C::TypeAscii, C::TypeBinary});
    AddItems(commands, {separator, C::GoToLocalFolder, C::GoToDefaultFolder, C::UpdateLocalFolder});
    QMenu* packing = AddMenu(menuBar, QStringLiteral("壓縮(&O)"),
                             {C::PackZip, C::PackCab, C::PackTarGz, separator, C::UnpackZip});
    packing->setObjectName(QStringLiteral("PackMenu"));
    AddMenu(menuBar, QStringLiteral("我的最愛(&A)"), {C::AddFavourite, C::ManageFavourites, separator});
    AddMenu(menuBar, QStringLiteral("工具(&T)"), {C::Options, C::Filter});
    AddMenu(menuBar, QStringLiteral("視窗(&W)"), {C::Cascade, C::Tile});
    AddMenu(menuBar, QStringLiteral("說明(&H)"), {C::Help, separator, C::About});
}

void CFrameCommands::BuildToolBar(QToolBar* toolBar)
{
    using C = FrameCommand;
    for (C command : {C::Connect, C::Disconnect, C::Stop})
        toolBar->addAction(Action(command));
    toolBar->addSeparator();
    for (C command : {C::SiteManager, C::TransferManager, C::LocalBrowser})
        toolBar->addAction(Action(command));
    toolBar->addSeparator();
    for (C command : {C::Refresh, C::Upload, C::Download})
        toolBar->addAction(Action(command));
    toolBar->addSeparator();
    m_viewsMenu = new QMenu(QStringLiteral("Views"), toolBar);
    m_viewsMenu->setObjectName(QStringLiteral("Views"));
    m_viewsMenu->addActions(
        {Action(C::LargeIcons), Action(C::SmallIcons), Action(C::List), Action(C::Details)});
    QAction* viewStyle = Action(C::ViewStyle);
    viewStyle->setMenu(m_viewsMenu);
    viewStyle->setEnabled(true);
    toolBar->addAction(viewStyle);
    m_viewButton = qobject_cast<QToolButton*>(toolBar->widgetForAction(viewStyle));
    m_viewButton->setPopupMode(QToolButton::InstantPopup);
    toolBar->addSeparator();
    for (C command : {C::Options, C::Help})
        toolBar->addAction(Action(command));
}
