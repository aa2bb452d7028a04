#pragma once

#include "sites/SiteList.h"
#include "transfer/TransferQueue.h"
#include "transfer/WorkerFactory.h"
#include "ui/transfers/AfterQueueActions.h"
#include "ui/transfers/CachedTransferSettings.h"
#include "ui/connection/ConnectionContext.h"
#include "ui/frame/FrameCommands.h"
#include "ui/transfers/GuiOverwritePrompts.h"

#include <QMainWindow>

#include <memory>

class CChildFrame;
class CFavouritesMenu;
class CLocalBrowserBar;
class CMdiTabBar;
class CResizableDlgBar;
class CSiteManagerDlg;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

// The program's one top-level window: the connection windows in its middle with their tab strip
// below, the toolbar, the status bar and the four docking bars around them.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static const QString kTitle;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Shows the frame where it was when last closed (kept within the screen), or where the desktop
    // puts new windows.
    void ShowWithSavedPlacement();

    // The one way a connection window opens: a new window for a site path or an address, or an empty
    // one for an empty target.
    QMdiSubWindow* OpenConnection(const QString& target, const QString& login = {},
                                  const QString& password = {});
    // Connects the first open connection window to the site, or opens a new one when there is none.
    void ConnectInFirstWindow(const QString& sitePath);
    // A site chosen from the favourites menu: the active connection window connects to it.
    void ConnectFavourite(const QString& sitePath);
    // Runs the connection wizard and connects to the new site when the user asked for it.
    void RunWizard();
    // Saves the active window's connection as a site.
    void AddActiveToFavourites();
    // The program's start calls this once the frame is shown: without sites.xml the wizard opens.
    void OfferWizardOnFirstStart();
    // A stored file found damaged and moved aside: a message naming both paths, once the frame is up.
    void ReportDamagedFile(const CStoredFileLoad& load);
    // A later start of the program handed over its command line: come forward and open a window.
    void HandOver(const QStringList& arguments);

    // The connection window of the active sub-window, if any.
    CChildFrame* ActiveConnectionWindow() const;
    // What a new connection window works with: the site list, the queue, the site manager's selection
    // and the local browser.
    CConnectionContext ConnectionContext();
    // Enables and ticks the window commands for the active connection window.
    void UpdateWindowCommands();

    CFrameCommands* Commands() const { return m_commands; }
    QMdiArea* MdiArea() const { return m_mdiArea; }
    CMdiTabBar* TabBar() const { return m_tabBar; }
    QToolBar* MainToolBar() const { return m_toolBar; }
    CResizableDlgBar* TransferManagerBar() const { return m_transferManager; }
    CResizableDlgBar* LocalBrowserBar() const { return m_localBrowser; }
    CLocalBrowserBar* LocalBrowser() const { return m_localBrowserContent; }
    CResizableDlgBar* SiteManagerBar() const { return m_siteManager; }
    CSiteManagerDlg* SiteManager() const { return m_siteManagerContent; }
    CFavouritesMenu* FavouritesMenu() const { return m_favourites; }
    QDockWidget* QuickConnectBar() const { return m_quickConnect; }
    const CCachedTransferSettings& TransferSettings() const { return m_transferSettings; }
    CTransferQueue& TransferQueue() const { return *m_transferQueue; }
    // The one site list of the program: the site manager edits it, the queue finds copy targets in it.
    CSiteList& Sites() { return m_sites; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateToolBar();
    void CreateBars();
    CResizableDlgBar* CreateResizableBar(const QString& caption, const QString& name, QSize templateSize);
    void CreateQuickConnectBar();
    // The queue, its workers' prompts and progress windows, and the list that shows it in the bar.
    void CreateTransferManager();
    void CreateSiteManager();
    void CreateFavouritesMenu();
    void CreateCentralArea();
    void CreateMenus();
    void WireFrameCommands();
    void WireWindowCommands();
    void RunWindowCommand(FrameCommand command);
    static QList<FrameCommand> WindowCommands();
    void LoadToolbarState(const QString& name);
    void SaveToolbarState(const QString& name);
    void RestoreBarLayout();
    void SaveBarLayout();
    void SavePlacement();
    bool CanCloseAllWindows();
    // Running or pending transfers end with the program: asks first; false when the user keeps them.
    bool ConfirmQuitWithJobs();
    void ShowHelp();
    void ShowOptions();
    // The filter sheet; confirmed, the active window lists its folder again under the new filter.
    void ShowFilters();
    // The site chosen in the site manager, in the active idle window or a new one; the wizard when none is.
    void ConnectChosenSite();
    void FillRecentSitesMenu();

    CFrameCommands* m_commands = nullptr;
    QToolBar* m_toolBar = nullptr;
    CResizableDlgBar* m_transferManager = nullptr;
    CResizableDlgBar* m_localBrowser = nullptr;
    CLocalBrowserBar* m_localBrowserContent = nullptr;
    CResizableDlgBar* m_siteManager = nullptr;
    CSiteManagerDlg* m_siteManagerContent = nullptr;
    CFavouritesMenu* m_favourites = nullptr;
    QDockWidget* m_quickConnect = nullptr;
    QMdiArea* m_mdiArea = nullptr;
    CMdiTabBar* m_tabBar = nullptr;
    CCachedTransferSettings m_transferSettings;
    CSiteList m_sites;
    bool m_sitesMissing = false;
    // In this order: the queue ends its workers before what they use goes away.
    std::unique_ptr<CGuiOverwritePrompts> m_prompts;
    std::unique_ptr<CAfterQueueActions> m_afterQueue;
    std::unique_ptr<CWorkerFactory> m_workerFactory;
    std::unique_ptr<CTransferQueue> m_transferQueue;
};
