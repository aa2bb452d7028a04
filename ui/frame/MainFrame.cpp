#include "ui/frame/MainFrame.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/Translations.h"
#include "session/QuickConnectLogin.h"
#include "ui/connection/ChildFrame.h"
#include "ui/connection/ConnectionWindow.h"
#include "ui/connection/FTPClientView.h"
#include "ui/connection/TracePane.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/FavouritesMenu.h"
#include "ui/frame/FrameCommands.h"
#include "ui/frame/FramePlacement.h"
#include "ui/frame/HelpFiles.h"
#include "ui/frame/MdiTabBar.h"
#include "ui/frame/QuickConnectBar.h"
#include "ui/frame/RecentSites.h"
#include "ui/frame/ResizableDlgBar.h"
#include "ui/local/LocalBrowserBar.h"
#include "ui/options/FilterSheet.h"
#include "ui/options/OptionsDlg.h"
#include "ui/sites/AddFavouriteDlg.h"
#include "ui/sites/ConnectionWizard.h"
#include "ui/sites/SiteManagerDlg.h"
#include "ui/transfers/GuiTransferProgress.h"
#include "ui/transfers/TransferManagerBar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

const QString kToolbarName = QStringLiteral("MainToolbar");
const QString kToolbarSection = QStringLiteral("ToolbarState");
const QString kTransferManagerSection = QStringLiteral("TransferManager");
const QString kFileBrowserSection = QStringLiteral("FileBrowser");
const QString kLayoutSection = QStringLiteral("QuickConnectState");
const QString kLayoutKey = QStringLiteral("Layout");
constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;
// Bumped when the set of bars changes, so an older saved layout is ignored.
constexpr int kLayoutVersion = 1;

QWidget* Placeholder(const QString& name)
{
    auto* widget = new QWidget;
    widget->setObjectName(name);
    return widget;
}

} // namespace

const QString CMainFrame::kTitle = QStringLiteral("Zentrava Pro");

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_commands(new CFrameCommands(this))
{
    setWindowTitle(kTitle);
    setObjectName(QStringLiteral("MainFrame"));
    CreateToolBar();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    const CStoredFileLoad sites = m_sites.LoadSites();
    m_sitesMissing = !sites;
    ReportDamagedFile(sites);
    setDockOptions(AnimatedDocks | AllowNestedDocks | AllowTabbedDocks);
    CreateBars();
    CreateCentralArea();
    CreateMenus();
    WireFrameCommands();
    WireWindowCommands();
}

CMainFrame::~CMainFrame()
{
    // The windows go after this object's own part: what they signal on the way must not reach it.
    m_mdiArea->disconnect(this);
    for (QMdiSubWindow* window : m_mdiArea->subWindowList())
        if (auto* connection = qobject_cast<CChildFrame*>(window->widget()))
            connection->Controller()->disconnect(this);
    // The windows and the site manager use the site list, a member that goes before the frame's
    // children: they go first, once the queue has ended the workers that report to the windows.
    m_transferQueue.reset();
    qDeleteAll(m_mdiArea->subWindowList());
    delete m_siteManagerContent;
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(QCoreApplication::translate("MainFrame", "工具列"), this);
    m_toolBar->setObjectName(kToolbarName);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

CResizableDlgBar* CMainFrame::CreateResizableBar(const QString& caption, const QString& name,
                                                 QSize templateSize)
{
    auto* bar =
        new CResizableDlgBar(caption, Placeholder(name + QLatin1String("Content")), templateSize, this);
    bar->setObjectName(name);
    bar->setAllowedAreas(Qt::AllDockWidgetAreas);
    return bar;
}

void CMainFrame::CreateBars()
{
    m_transferManager = CreateResizableBar(QCoreApplication::translate("MainFrame", "傳 送 進 度"),
                                           kTransferManagerSection, {600, 150});
    addDockWidget(Qt::BottomDockWidgetArea, m_transferManager);
    CreateTransferManager();
    m_transferSettings = CCachedTransferSettings::Read();
    CreateQuickConnectBar();
    m_localBrowser = CreateResizableBar(QCoreApplication::translate("MainFrame", "我 的 電 腦"),
                                        kFileBrowserSection, {300, 200});
    addDockWidget(Qt::BottomDockWidgetArea, m_localBrowser);
    m_localBrowserContent = new CLocalBrowserBar(m_localBrowser);
    m_localBrowserContent->setObjectName(QStringLiteral("LocalBrowserContent"));
    delete m_localBrowser->widget();
    m_localBrowser->setWidget(m_localBrowserContent);
    connect(m_localBrowserContent, &CLocalBrowserBar::WindowCommandRequested, this,
            &CMainFrame::RunWindowCommand);
    LoadToolbarState(kToolbarName);
    m_transferManager->LoadBarSizes(kTransferManagerSection);
    m_localBrowser->LoadBarSizes(kFileBrowserSection);
    m_siteManager = CreateResizableBar(QCoreApplication::translate("MainFrame", "站 台 管 理"),
                                       QStringLiteral("SiteManager"), {220, 400});
    addDockWidget(Qt::LeftDockWidgetArea, m_siteManager);
    CreateSiteManager();
    RestoreBarLayout();
}

void CMainFrame::CreateTransferManager()
{
    m_prompts = std::make_unique<CGuiOverwritePrompts>(this);
    m_workerFactory = std::make_unique<CWorkerFactory>(*m_prompts, CGuiTransferProgress::Maker(this));
    m_afterQueue = std::make_unique<CAfterQueueActions>(*this);
    m_transferQueue = std::make_unique<CTransferQueue>(*m_workerFactory, &m_sites, m_afterQueue.get());
    // The queue comes back as it was left, also after a crash.
    if (CDataFolder::Ensure())
        ReportDamagedFile(m_transferQueue->UseStore(CDataFolder::FilePath(QStringLiteral("queue.json"))));
    connect(m_transferQueue.get(), &CTransferQueue::StoreFailed, this,
            [this](const QString& problem) { CMessageBox::Show(this, QMessageBox::Warning, problem); });
    auto* content = new CTransferManagerBar(*m_transferQueue, m_transferManager);
    content->setObjectName(QStringLiteral("TransferManagerContent"));
    delete m_transferManager->widget();
    m_transferManager->setWidget(content);
}

void CMainFrame::CreateSiteManager()
{
    m_siteManagerContent = new CSiteManagerDlg(m_sites, m_siteManager);
    m_siteManagerContent->setObjectName(QStringLiteral("SiteManagerContent"));
    delete m_siteManager->widget();
    m_siteManager->setWidget(m_siteManagerContent);
    connect(m_siteManagerContent, &CSiteManagerDlg::ConnectRequested, this,
            [this](const QString& sitePath) { OpenConnection(sitePath); });
    connect(m_siteManagerContent, &CSiteManagerDlg::WizardRequested, this, &CMainFrame::RunWizard);
}

void CMainFrame::CreateFavouritesMenu()
{
    QMenu* menu = nullptr;
    for (QAction* top : menuBar()->actions())
        if (top->menu() && top->text() == QCoreApplication::translate("FrameCommands", "我的最愛(&A)"))
            menu = top->menu();
    m_favourites = new CFavouritesMenu(menu, m_sites.FilePath(), this);
    connect(m_favourites, &CFavouritesMenu::SiteChosen, this, &CMainFrame::ConnectFavourite);
    connect(m_siteManagerContent, &CSiteManagerDlg::SitesChanged, m_favourites,
            &CFavouritesMenu::RefreshFavouritesMenu);
    m_favourites->RefreshFavouritesMenu();
}

void CMainFrame::CreateQuickConnectBar()
{
    m_quickConnect = new QDockWidget(QCoreApplication::translate("MainFrame", "快速連線"), this);
    m_quickConnect->setObjectName(QStringLiteral("QuickConnect"));
    auto* bar = new CQuickConnectBar(m_quickConnect);
    bar->setObjectName(QStringLiteral("QuickConnectContent"));
    connect(bar, &CQuickConnectBar::ConnectRequested, this,
            [this, bar](const QString& host, const QString& login, const QString& password)
            {
                CRemoteController* controller =
                    qobject_cast<CChildFrame*>(OpenConnection(host, login, password)->widget())->Controller();
                connect(
                    controller, &CRemoteController::LoggedIn, bar,
                    [bar, controller, host]
                    {
                        const CFtpSite& site = controller->Session().Site();
                        bar->RememberLogIn(host, {site.Login, site.Password});
                    },
                    Qt::SingleShotConnection);
            });
    m_quickConnect->setWidget(bar);
    m_quickConnect->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    addDockWidget(Qt::TopDockWidgetArea, m_quickConnect);
}

void CMainFrame::CreateCentralArea()
{
    auto* central = new QWidget(this);
    m_mdiArea = new QMdiArea(central);
    m_tabBar = new CMdiTabBar(m_mdiArea, central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_mdiArea, 1);
    layout->addWidget(m_tabBar);
    setCentralWidget(central);
}

void CMainFrame::CreateMenus()
{
    m_commands->Adopt(FrameCommand::ToolBar, m_toolBar->toggleViewAction());
    m_commands->Adopt(FrameCommand::SiteManager, m_siteManager->toggleViewAction());
    m_commands->Adopt(FrameCommand::TransferManager, m_transferManager->toggleViewAction());
    m_commands->Adopt(FrameCommand::QuickConnect, m_quickConnect->toggleViewAction());
    m_commands->Adopt(FrameCommand::LocalBrowser, m_localBrowser->toggleViewAction());
    // The toolbar's buttons include the bars' own show-or-hide actions, so it is filled once they exist.
    m_commands->BuildToolBar(m_toolBar);
    m_commands->BuildMenus(menuBar());
    CreateFavouritesMenu();
}

void CMainFrame::WireFrameCommands()
{
    auto wire = [this](FrameCommand command, auto slot)
    {
        QAction* action = m_commands->Action(command);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, slot);
    };
    QAction* statusBarAction = m_commands->Action(FrameCommand::StatusBar);
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    wire(FrameCommand::StatusBar, [this](bool shown) { statusBar()->setVisible(shown); });
    wire(FrameCommand::Exit, [this] { close(); });
    wire(FrameCommand::ManageFavourites,
         [this]
         {
             m_siteManager->show();
             m_siteManager->raise();
             m_siteManagerContent->Tree()->setFocus();
         });
    wire(FrameCommand::Wizard, [this] { RunWizard(); });
    // Saves a window's connection, so it follows the active window like the window commands.
    connect(m_commands->Action(FrameCommand::AddFavourite), &QAction::triggered, this,
            &CMainFrame::AddActiveToFavourites);
    wire(FrameCommand::Cascade, [this] { m_mdiArea->cascadeSubWindows(); });
    wire(FrameCommand::Tile, [this] { m_mdiArea->tileSubWindows(); });
    wire(FrameCommand::Help, [this] { ShowHelp(); });
    wire(FrameCommand::Options, [this] { ShowOptions(); });
    wire(FrameCommand::Filter, [this] { ShowFilters(); });
    wire(FrameCommand::Connect, [this] { ConnectChosenSite(); });
    connect(m_commands->Action(FrameCommand::TracePane), &QAction::triggered, this,
            [this](bool shown)
            {
                if (CChildFrame* window = ActiveConnectionWindow())
                    window->TracePane()->setVisible(shown);
            });
    connect(m_commands->RecentSitesMenu(), &QMenu::aboutToShow, this, &CMainFrame::FillRecentSitesMenu);
    wire(FrameCommand::About, [this] { CAboutDlg(this).exec(); });
}

void CMainFrame::LoadToolbarState(const QString& name)
{
    const bool large = GetProfileInt(kToolbarSection, name + QLatin1String("LargeIcons")) != 0;
    const bool labels = GetProfileInt(kToolbarSection, name + QLatin1String("ShowTextLabels")) != 0;
    const int side = large ? kLargeIconSize : kSmallIconSize;
    m_toolBar->setIconSize(QSize(side, side));
    m_toolBar->setToolButtonStyle(labels ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
}

void CMainFrame::SaveToolbarState(const QString& name)
{
    WriteProfileInt(kToolbarSection, name + QLatin1String("LargeIcons"),
                    m_toolBar->iconSize().width() >= kLargeIconSize ? 1 : 0);
    WriteProfileInt(kToolbarSection, name + QLatin1String("ShowTextLabels"),
                    m_toolBar->toolButtonStyle() == Qt::ToolButtonIconOnly ? 0 : 1);
}

void CMainFrame::RestoreBarLayout()
{
    const QByteArray layout = GetProfileBinary(kLayoutSection, kLayoutKey);
    if (!layout.isEmpty())
        restoreState(layout, kLayoutVersion);
}

void CMainFrame::SaveBarLayout()
{
    WriteProfileBinary(kLayoutSection, kLayoutKey, saveState(kLayoutVersion));
}

void CMainFrame::ShowWithSavedPlacement()
{
    const std::optional<CFramePlacement> placement = CFramePlacement::Load();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (placement)
        setGeometry(placement->ScreenRect(screen->availableGeometry(), screen->geometry()));
    else
        resize(screen->availableGeometry().size() * 3 / 4);
    // A program that comes back minimised looks as if it never started.
    if (placement && placement->showState == CFramePlacement::kShowMaximized)
        showMaximized();
    else
        show();
    // Docked thickness can be set only once the frame has laid out its docks.
    for (CResizableDlgBar* bar : {m_transferManager, m_localBrowser, m_siteManager})
        bar->ApplySizes();
}

QMdiSubWindow* CMainFrame::OpenConnection(const QString& target, const QString& login,
                                          const QString& password)
{
    // A site path (not an address, nor the empty target of a new window) joins the recent sites.
    if (CFtpSite site;
        !target.isEmpty() && !target.contains(QLatin1String("://")) && m_sites.LoadSiteByPath(target, site))
        CRecentSites::Add(target);
    auto* window = new CChildFrame(ConnectionContext());
    window->setWindowIcon(QIcon::fromTheme(QStringLiteral("folder-remote"),
                                           QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon)));
    connect(window->TracePane(), &QDockWidget::visibilityChanged, this,
            [this, window]
            {
                if (ActiveConnectionWindow() == window)
                    UpdateWindowCommands();
            });
    connect(window->Controller(), &CRemoteController::CommandStatesChanged, this,
            [this, window]
            {
                if (ActiveConnectionWindow() == window)
                    UpdateWindowCommands();
            });
    QMdiSubWindow* subWindow = m_mdiArea->addSubWindow(window);
    subWindow->resize(600, 400);
    subWindow->showMaximized();
    m_mdiArea->setActiveSubWindow(subWindow);
    window->OpenTarget(target, login, password);
    return subWindow;
}

CConnectionContext CMainFrame::ConnectionContext()
{
    CConnectionContext context;
    context.sites = &m_sites;
    context.queue = m_transferQueue.get();
    context.selectedSite = [this] { return m_siteManagerContent->SelectedSite(); };
    context.localFolder = [this] { return LocalBrowser()->GetCurrentFolder(); };
    context.localSelection = [this]
    {
        QStringList paths;
        LocalBrowser()->GetSelectedPaths(paths);
        return paths;
    };
    context.localHasFocus = [this] { return LocalBrowser()->HasFocus(); };
    context.showLocalFolder = [this](const QString& folder)
    {
        m_localBrowser->show();
        LocalBrowser()->BrowseToPath(folder);
    };
    return context;
}

CChildFrame* CMainFrame::ActiveConnectionWindow() const
{
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    return active ? qobject_cast<CChildFrame*>(active->widget()) : nullptr;
}

// The commands that a connection window carries out follow the active window.
QList<FrameCommand> CMainFrame::WindowCommands()
{
    using C = FrameCommand;
    return {C::DownloadTo,
            C::Disconnect,
            C::Stop,
            C::SelectAll,
            C::InvertSelection,
            C::LargeIcons,
            C::SmallIcons,
            C::List,
            C::Details,
            C::Refresh,
            C::Browse,
            C::NewFolder,
            C::Rename,
            C::Delete,
            C::Move,
            C::Properties,
            C::GoTo,
            C::CustomCommand,
            C::TypeAuto,
            C::TypeAscii,
            C::TypeBinary,
            C::Download,
            C::Upload,
            C::GoToLocalFolder,
            C::GoToDefaultFolder,
            C::UpdateLocalFolder,
            C::PackZip,
            C::PackCab,
            C::PackTarGz,
            C::UnpackZip};
}

void CMainFrame::WireWindowCommands()
{
    for (FrameCommand command : WindowCommands())
        connect(m_commands->Action(command), &QAction::triggered, this,
                [this, command] { RunWindowCommand(command); });
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateWindowCommands);
    // The pack commands follow the keyboard focus and the local browser's selection.
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::UpdateWindowCommands);
    if (auto* packing = menuBar()->findChild<QMenu*>(QStringLiteral("PackMenu")))
        connect(packing, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowCommands);
}

void CMainFrame::RunWindowCommand(FrameCommand command)
{
    CChildFrame* window = ActiveConnectionWindow();
    if (!window)
        return;
    window->View()->RunCommand(command);
    UpdateWindowCommands();
}

void CMainFrame::UpdateWindowCommands()
{
    CChildFrame* window = ActiveConnectionWindow();
    for (FrameCommand command : WindowCommands())
    {
        QAction* action = m_commands->Action(command);
        action->setEnabled(window && window->View()->IsCommandEnabled(command));
        if (action->isCheckable())
            action->setChecked(window && window->View()->IsCommandChecked(command));
    }
    m_commands->Action(FrameCommand::AddFavourite)->setEnabled(window != nullptr);
    QAction* trace = m_commands->Action(FrameCommand::TracePane);
    trace->setEnabled(window != nullptr);
    trace->setChecked(window && !window->TracePane()->isHidden());
}

void CMainFrame::ConnectChosenSite()
{
    // An idle window takes the site chosen in the site manager, or offers the wizard, itself.
    CChildFrame* window = ActiveConnectionWindow();
    if (window && window->View()->IsCommandEnabled(FrameCommand::Connect))
    {
        window->View()->RunCommand(FrameCommand::Connect);
        UpdateWindowCommands();
        return;
    }
    const QList<QTreeWidgetItem*> chosen = m_siteManagerContent->Tree()->selectedItems();
    if (chosen.isEmpty() || !m_siteManagerContent->SelectedSite())
        RunWizard();
    else
        OpenConnection(CSiteManagerDlg::ItemPath(chosen.first()));
}

void CMainFrame::FillRecentSitesMenu()
{
    QMenu* menu = m_commands->RecentSitesMenu();
    menu->clear();
    const QStringList paths = CRecentSites::Load();
    for (int index = 0; index < paths.size(); ++index)
    {
        // A site named with "&" shows it rather than taking it as the item's key.
        QString shown = paths[index];
        shown.replace(u'&', QStringLiteral("&&"));
        const QString path = paths[index];
        menu->addAction(QStringLiteral("&%1 %2").arg(index + 1).arg(shown), this,
                        [this, path] { OpenConnection(path); });
    }
    menu->setEnabled(true);
    if (paths.isEmpty())
        menu->addAction(QCoreApplication::translate("MainFrame", "(無)"))->setEnabled(false);
}

void CMainFrame::ShowOptions()
{
    COptionsDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A master password set or protection switched applies to sites.xml at once.
    m_sites.SaveSites();
    m_transferSettings = CCachedTransferSettings::Read();
    m_transferQueue->ReloadSettings();
}

void CMainFrame::ShowFilters()
{
    CFilterSheet sheet(this);
    if (sheet.exec() != QDialog::Accepted)
        return;
    if (CChildFrame* window = ActiveConnectionWindow())
        window->View()->RunCommand(FrameCommand::Refresh);
}

void CMainFrame::ConnectInFirstWindow(const QString& sitePath)
{
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    QMdiSubWindow* first = windows.value(0);
    auto* connection = first ? dynamic_cast<IConnectionWindow*>(first->widget()) : nullptr;
    if (!connection)
    {
        OpenConnection(sitePath);
        return;
    }
    connection->OpenTarget(sitePath, {}, {});
    first->showNormal();
    first->raise();
    m_mdiArea->setActiveSubWindow(first);
}

void CMainFrame::ConnectFavourite(const QString& sitePath)
{
    if (CChildFrame* window = ActiveConnectionWindow())
        window->OpenTarget(sitePath, {}, {});
    else
        ConnectInFirstWindow(sitePath);
}

void CMainFrame::RunWizard()
{
    const CWizardResult result = RunConnectionWizard(this, m_sites);
    // The wizard's folder tree edits the same document; the bar's items may point at removed folders.
    m_siteManagerContent->Rebuild();
    if (!result.finished)
        return;
    if (QTreeWidgetItem* item = m_siteManagerContent->FindItemByPath(result.sitePath))
        m_siteManagerContent->Tree()->setCurrentItem(item);
    if (result.connectNow)
        OpenConnection(result.sitePath);
}

void CMainFrame::AddActiveToFavourites()
{
    CChildFrame* window = ActiveConnectionWindow();
    if (!window)
        return;
    const CRemoteController* controller = window->Controller();
    const CFtpSession& session = controller->Session();
    AddToFavourites(this, m_sites, session.Site(), session.CurrentFolder(), controller->LocalBrowserFolder());
    // The dialog's folder commands edit the same document, also when it ends with Cancel.
    m_siteManagerContent->Rebuild();
    Q_EMIT m_siteManagerContent->SitesChanged();
}

void CMainFrame::OfferWizardOnFirstStart()
{
    if (m_sitesMissing)
        QMetaObject::invokeMethod(this, &CMainFrame::RunWizard, Qt::QueuedConnection);
}

void CMainFrame::ReportDamagedFile(const CStoredFileLoad& load)
{
    if (!load.IsDamaged())
        return;
    // Queued, so that it shows over the frame and before the wizard that a first start offers.
    QMetaObject::invokeMethod(
        this, [this, text = load.WindowText()] { CMessageBox::Show(this, QMessageBox::Warning, text); },
        Qt::QueuedConnection);
}

void CMainFrame::HandOver(const QStringList& arguments)
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    OpenConnection(arguments.value(0));
}

bool CMainFrame::CanCloseAllWindows()
{
    // Each window is asked without being closed; a busy one refuses and stops its wait.
    for (QMdiSubWindow* window : m_mdiArea->subWindowList())
    {
        QCloseEvent query;
        QCoreApplication::sendEvent(window->widget(), &query);
        if (!query.isAccepted())
            return false;
    }
    return true;
}

void CMainFrame::SavePlacement()
{
    CFramePlacement placement;
    placement.showState = isMaximized()   ? CFramePlacement::kShowMaximized
                          : isMinimized() ? CFramePlacement::kShowMinimized
                                          : CFramePlacement::kShowNormal;
    const QScreen* screen = QGuiApplication::primaryScreen();
    placement.normal = CFramePlacement::StoredRect(normalGeometry(), screen->availableGeometry());
    placement.Save();
}

bool CMainFrame::ConfirmQuitWithJobs()
{
    const int jobs = m_transferQueue->RunningCount() + m_transferQueue->PendingCount();
    if (jobs == 0)
        return true;
    const QString text = QCoreApplication::translate(
                             "MainFrame", "傳送中的工作將會中斷（%1 個工作執行中或待處理）。\n確定要結束嗎？")
                             .arg(jobs);
    return CMessageBox::Show(this, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!ConfirmQuitWithJobs() || !CanCloseAllWindows())
    {
        event->ignore();
        return;
    }
    SavePlacement();
    SaveToolbarState(kToolbarName);
    m_transferManager->SaveBarSizes(kTransferManagerSection);
    m_localBrowser->SaveBarSizes(kFileBrowserSection);
    SaveBarLayout();
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event)
{
    // A maximised connection window would add its own title; the frame's title stays the program's.
    if (event->type() == QEvent::WindowTitleChange && windowTitle() != kTitle)
        setWindowTitle(kTitle);
    QMainWindow::changeEvent(event);
}

void CMainFrame::ShowHelp()
{
    const QString index = CHelpFiles::IndexPath(CDataFolder::ProgramFolder(),
                                                CTranslations::FromSettings() == CTranslations::English);
    if (index.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(index)))
        CMessageBox::Show(this, QMessageBox::Warning,
                          QCoreApplication::translate("MainFrame", "無法開啟操作手冊。"));
}
