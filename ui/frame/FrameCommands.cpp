#include "ui/frame/FrameCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
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
    SetToolbarLook(Add(FrameCommand::Connect, QCoreApplication::translate("FrameCommands", "連線(&C)..."),
                       QStringLiteral("Ctrl+T")),
                   "network-connect", QStyle::SP_DriveNetIcon);
    SetToolbarLook(Add(FrameCommand::Disconnect, QCoreApplication::translate("FrameCommands", "中斷(&D)"),
                       QStringLiteral("Ctrl+D")),
                   "network-disconnect", QStyle::SP_DialogCloseButton);
    SetToolbarLook(Add(FrameCommand::Stop, QCoreApplication::translate("FrameCommands", "取消(&L)"),
                       QStringLiteral("Esc")),
                   "process-stop", QStyle::SP_BrowserStop);
    Add(FrameCommand::Wizard, QCoreApplication::translate("FrameCommands", "連線精靈(&W)..."),
        QStringLiteral("Ctrl+W"));
    Add(FrameCommand::Exit, QCoreApplication::translate("FrameCommands", "結束(&X)"));
    Add(FrameCommand::SelectAll, QCoreApplication::translate("FrameCommands", "全選(&A)"),
        QStringLiteral("Ctrl+A"));
    Add(FrameCommand::InvertSelection, QCoreApplication::translate("FrameCommands", "反向選取(&V)"));
    SetToolbarLook(Add(FrameCommand::Refresh, QCoreApplication::translate("FrameCommands", "重新整理(&R)"),
                       QStringLiteral("F5")),
                   "view-refresh", QStyle::SP_BrowserReload);
}

void CFrameCommands::CreateRemoteActions()
{
    Add(FrameCommand::Browse, QCoreApplication::translate("FrameCommands", "瀏覽(&B)"));
    SetToolbarLook(Add(FrameCommand::Download, QCoreApplication::translate("FrameCommands", "下載(&W)")),
                   "go-down", QStyle::SP_ArrowDown);
    Add(FrameCommand::DownloadTo, QCoreApplication::translate("FrameCommands", "下載到(&T)..."));
    SetToolbarLook(Add(FrameCommand::Upload, QCoreApplication::translate("FrameCommands", "上傳(&U)...")),
                   "go-up", QStyle::SP_ArrowUp);
    Add(FrameCommand::NewFolder, QCoreApplication::translate("FrameCommands", "新增資料夾(&F)"));
    Add(FrameCommand::Rename, QCoreApplication::translate("FrameCommands", "重新命名(&R)"));
    Add(FrameCommand::Delete, QCoreApplication::translate("FrameCommands", "刪除(&D)"));
    Add(FrameCommand::Move, QCoreApplication::translate("FrameCommands", "搬移(&M)..."));
    Add(FrameCommand::Properties, QCoreApplication::translate("FrameCommands", "內容(&P)"));
    Add(FrameCommand::GoTo, QCoreApplication::translate("FrameCommands", "前往(&G)..."));
    Add(FrameCommand::CustomCommand, QCoreApplication::translate("FrameCommands", "自訂指令(&C)..."));
    Add(FrameCommand::TypeAuto, QCoreApplication::translate("FrameCommands", "自動偵測(&A)"),
        QStringLiteral("Ctrl+F1"))
        ->setCheckable(true);
    Add(FrameCommand::TypeAscii, QStringLiteral("ASCII(&S)"), QStringLiteral("Ctrl+F2"))->setCheckable(true);
    Add(FrameCommand::TypeBinary, QCoreApplication::translate("FrameCommands", "二進位碼(&B)"),
        QStringLiteral("Ctrl+F3"))
        ->setCheckable(true);
    Add(FrameCommand::GoToLocalFolder, QCoreApplication::translate("FrameCommands", "前往本機資料夾"));
    Add(FrameCommand::GoToDefaultFolder, QCoreApplication::translate("FrameCommands", "前往預設下載資料夾"));
    Add(FrameCommand::UpdateLocalFolder, QCoreApplication::translate("FrameCommands", "更新本機資料夾"));
    Add(FrameCommand::PackZip, QCoreApplication::translate("FrameCommands", "壓縮為 .zip 後上傳(&Z)"), {},
        QCoreApplication::translate("FrameCommands", "上傳前先壓縮\nZip"));
    Add(FrameCommand::PackCab, QCoreApplication::translate("FrameCommands", "壓縮為 .cab 後上傳(&C)"), {},
        QCoreApplication::translate("FrameCommands", "上傳前先壓縮\nCAB"));
    Add(FrameCommand::PackTarGz, QCoreApplication::translate("FrameCommands", "壓縮為 .gzip/tar 後上傳(&T)"),
        {}, QCoreApplication::translate("FrameCommands", "上傳前先壓縮"));
    Add(FrameCommand::UnpackZip, QCoreApplication::translate("FrameCommands", "解壓縮(&D)"), {},
        QCoreApplication::translate("FrameCommands", "解壓縮檔案"));
    Add(FrameCommand::LargeIcons, QCoreApplication::translate("FrameCommands", "大圖示(&G)"))
        ->setCheckable(true);
    Add(FrameCommand::SmallIcons, QCoreApplication::translate("FrameCommands", "小圖示(&M)"))
        ->setCheckable(true);
    Add(FrameCommand::List, QCoreApplication::translate("FrameCommands", "清單(&L)"))->setCheckable(true);
    Add(FrameCommand::Details, QCoreApplication::translate("FrameCommands", "詳細資料(&D)"))
        ->setCheckable(true);
    auto* styles = new QActionGroup(this);
    for (FrameCommand style :
         {FrameCommand::LargeIcons, FrameCommand::SmallIcons, FrameCommand::List, FrameCommand::Details})
        styles->addAction(Action(style));
}

void CFrameCommands::CreateFrameActions()
{
    Add(FrameCommand::ToolBar, QCoreApplication::translate("FrameCommands", "工具列(&T)"));
    Add(FrameCommand::StatusBar, QCoreApplication::translate("FrameCommands", "狀態列(&S)"));
    SetToolbarLook(
        Add(FrameCommand::SiteManager, QCoreApplication::translate("FrameCommands", "站台管理(&M)")),
        "folder-remote", QStyle::SP_DirHomeIcon);
    SetToolbarLook(
        Add(FrameCommand::TransferManager, QCoreApplication::translate("FrameCommands", "傳送進度管理(&F)")),
        "view-list-details", QStyle::SP_FileDialogDetailedView);
    Add(FrameCommand::QuickConnect, QCoreApplication::translate("FrameCommands", "快速連線(&Q)"));
    Add(FrameCommand::TracePane, QCoreApplication::translate("FrameCommands", "記錄視窗(&O)"))
        ->setCheckable(true);
    SetToolbarLook(
        Add(FrameCommand::LocalBrowser, QCoreApplication::translate("FrameCommands", "我的電腦(&L)")),
        "computer", QStyle::SP_ComputerIcon);
    SetToolbarLook(Add(FrameCommand::ViewStyle, QCoreApplication::translate("FrameCommands", "檢視")),
                   "view-list-icons", QStyle::SP_FileDialogListView);
    Add(FrameCommand::AddFavourite, QCoreApplication::translate("FrameCommands", "加到我的最愛(&A)..."),
        QStringLiteral("Ctrl+F"));
    Add(FrameCommand::ManageFavourites, QCoreApplication::translate("FrameCommands", "管理我的最愛(&O)..."),
        QStringLiteral("Ctrl+E"));
    SetToolbarLook(Add(FrameCommand::Options, QCoreApplication::translate("FrameCommands", "選項(&O)...")),
                   "preferences-system", QStyle::SP_FileDialogInfoView);
    Add(FrameCommand::Filter, QCoreApplication::translate("FrameCommands", "過濾條件(&K)..."), {},
        QCoreApplication::translate("FrameCommands", "顯示過濾對話視窗"));
    Add(FrameCommand::Cascade, QCoreApplication::translate("FrameCommands", "重疊顯示(&C)"));
    Add(FrameCommand::Tile, QCoreApplication::translate("FrameCommands", "並排顯示(&T)"));
    SetToolbarLook(Add(FrameCommand::Help, QCoreApplication::translate("FrameCommands", "操作手冊(&H)"),
                       QStringLiteral("F1")),
                   "help-contents", QStyle::SP_DialogHelpButton);
    Add(FrameCommand::About, QCoreApplication::translate("FrameCommands", "關於 Zentrava Pro (&A)..."));
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
    QMenu* file = AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "檔案(&F)"),
                          {C::Connect, C::Disconnect, C::Stop, C::Wizard});
    file->addSeparator();
    m_recentSitesMenu = file->addMenu(QCoreApplication::translate("FrameCommands", "最近開啟的站台(&R)"));
    m_recentSitesMenu->setObjectName(QStringLiteral("RecentSites"));
    AddItems(file, {separator, C::Exit});
    AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "編輯(&E)"),
            {C::SelectAll, C::InvertSelection});
    QMenu* view = AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "檢視(&V)"),
                          {C::ToolBar, C::StatusBar, separator, C::SiteManager, C::TransferManager,
                           C::QuickConnect, C::LocalBrowser, C::TracePane, separator, C::LargeIcons,
                           C::SmallIcons, C::List, C::Details, separator, C::Refresh});
    view->setObjectName(QStringLiteral("ViewMenu"));
    QMenu* commands =
        AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "指令(&C)"),
                {C::Browse, C::Download, C::DownloadTo, C::Upload, separator, C::NewFolder, C::Rename,
                 C::Delete, C::Move, C::Properties, separator, C::GoTo, C::CustomCommand, separator});
    QMenu* types = commands->addMenu(QCoreApplication::translate("FrameCommands", "傳送模式(&T)"));
    AddItems(types, {C::TypeAuto, C::TypeAscii, C::TypeBinary});
    AddItems(commands, {separator, C::GoToLocalFolder, C::GoToDefaultFolder, C::UpdateLocalFolder});
    QMenu* packing = AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "壓縮(&O)"),
                             {C::PackZip, C::PackCab, C::PackTarGz, separator, C::UnpackZip});
    packing->setObjectName(QStringLiteral("PackMenu"));
    AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "我的最愛(&A)"),
            {C::AddFavourite, C::ManageFavourites, separator});
    AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "工具(&T)"), {C::Options, C::Filter});
    AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "視窗(&W)"), {C::Cascade, C::Tile});
    AddMenu(menuBar, QCoreApplication::translate("FrameCommands", "說明(&H)"),
            {C::Help, separator, C::About});
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
