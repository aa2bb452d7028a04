#include "ui/connection/ChildFrame.h"
#include "ui/frame/ThemeIcon.h"

#include "app/Profile.h"
#include "engine/VisibleText.h"
#include "ui/connection/FTPClientDoc.h"
#include "ui/connection/FTPClientView.h"
#include "ui/connection/TracePane.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace
{

const QString kTraceSection = QStringLiteral("Trace");
const QString kStateSection = QStringLiteral("ChildFrmState");
const QString kLayoutKey = QStringLiteral("Layout");
const QString kHeightKey = QStringLiteral("Height");
constexpr int kLayoutVersion = 1;
constexpr int kDefaultTraceHeight = 120;

} // namespace

CChildFrame::CChildFrame(const CConnectionContext& context, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("ChildFrame"));
    CreateTracePane();
    m_view = new CFTPClientView(context, this);
    m_view->SetTracePane(m_trace);
    m_controller = &m_view->Controller();
    m_doc = new CFTPClientDoc(*m_controller, this);
    setCentralWidget(m_view);
    CreateToolBar();
    CreateFolderBar();
    RestoreStates();
    connect(m_controller, &CRemoteController::TitleChanged, this, &CChildFrame::UpdateTitle);
    connect(m_controller, &CRemoteController::CommandStatesChanged, this, &CChildFrame::UpdateActions);
    connect(m_controller, &CRemoteController::ConnectionLookChanged, m_folderBar, &QWidget::setEnabled);
    m_folderBar->setEnabled(false);
    UpdateTitle();
    UpdateActions();
}

void CChildFrame::CreateTracePane()
{
    m_trace = new CTracePane(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_trace);
}

void CChildFrame::CreateToolBar()
{
    m_toolBar = addToolBar(QCoreApplication::translate("ChildFrame", "資料夾"));
    m_toolBar->setObjectName(QStringLiteral("ChildToolBar"));
    m_up = m_toolBar->addAction(ThemeIcon("go-up", QStyle::SP_FileDialogToParent),
                                QCoreApplication::translate("ChildFrame", "上一層"), m_controller,
                                &CRemoteController::GoUp);
    m_back = m_toolBar->addAction(ThemeIcon("go-previous", QStyle::SP_ArrowBack),
                                  QCoreApplication::translate("ChildFrame", "上一頁"), m_controller,
                                  &CRemoteController::GoBack);
    m_back->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    m_back->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    auto* styles = new QMenu(this);
    using R = CRemoteController;
    const QList<std::pair<QString, int>> entries{
        {QCoreApplication::translate("ChildFrame", "並排"), R::LargeIconStyle},
        {QCoreApplication::translate("ChildFrame", "圖示"), R::SmallIconStyle},
        {QCoreApplication::translate("ChildFrame", "清單"), R::ListStyle},
        {QCoreApplication::translate("ChildFrame", "詳細資料"), R::DetailsStyle}};
    for (const auto& [text, style] : entries)
        styles->addAction(text, m_controller, [this, style = style] { m_controller->SetViewStyle(style); });
    m_viewButton = new QToolButton(m_toolBar);
    m_viewButton->setObjectName(QStringLiteral("ViewButton"));
    m_viewButton->setIcon(ThemeIcon("view-list-icons", QStyle::SP_FileDialogListView));
    m_viewButton->setToolTip(QCoreApplication::translate("ChildFrame", "檢視"));
    m_viewButton->setMenu(styles);
    m_viewButton->setPopupMode(QToolButton::InstantPopup);
    m_toolBar->addWidget(m_viewButton);
}

void CChildFrame::CreateFolderBar()
{
    m_folderBar = new QComboBox(m_toolBar);
    m_folderBar->setObjectName(QStringLiteral("FolderCombo"));
    m_folderBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_folderBar->setMinimumContentsLength(12);
    m_folderBar->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_toolBar->addWidget(m_folderBar);
    connect(m_folderBar, &QComboBox::activated, this,
            [this](int index) { m_controller->ListFolder(m_folderBar->itemData(index).toString(), true); });
}

void CChildFrame::RestoreStates()
{
    const QByteArray layout = GetProfileBinary(kStateSection, kLayoutKey);
    if (!layout.isEmpty())
        restoreState(layout, kLayoutVersion);
    const int height = GetProfileInt(kTraceSection, kHeightKey, kDefaultTraceHeight);
    resizeDocks({m_trace}, {std::max(height, 32)}, Qt::Vertical);
}

void CChildFrame::SaveStates()
{
    WriteProfileBinary(kStateSection, kLayoutKey, saveState(kLayoutVersion));
    if (m_trace->isVisible() && !m_trace->isFloating())
        WriteProfileInt(kTraceSection, kHeightKey, m_trace->height());
}

void CChildFrame::OpenTarget(const QString& target, const QString& login, const QString& password)
{
    m_doc->SetTarget(target);
    UpdateTitle();
    if (target.isEmpty())
        return;
    // Queued: the caller shows the window first, and the connect's waits dispatch events.
    QTimer::singleShot(0, this, [this, target, login, password] { Connect(target, login, password); });
}

void CChildFrame::Connect(const QString& target, const QString& login, const QString& password)
{
    if (m_controller->IsWaiting())
        return;
    const CFTPClientDoc::ConnectArguments arguments = CFTPClientDoc::SplitTarget(target, login, password);
    m_controller->ConnectTo(arguments.address, arguments.login, arguments.password);
    UpdateTitle();
}

void CChildFrame::UpdateTitle()
{
    setWindowTitle(m_doc->Title());
}

void CChildFrame::UpdateFolderBar()
{
    const CFolderBarList& list = m_controller->Session().FolderBar();
    QStringList shown;
    for (int i = 0; i < m_folderBar->count(); ++i)
        shown.append(m_folderBar->itemData(i).toString());
    if (shown != list.Folders())
    {
        const QSignalBlocker quiet(m_folderBar);
        m_folderBar->clear();
        const QIcon folder = ThemeIcon("folder", QStyle::SP_DirIcon);
        // The server named these folders: shown with control characters made visible, listed as they are.
        for (const QString& path : list.Folders())
            m_folderBar->addItem(folder, VisibleText(path), path);
    }
    const QSignalBlocker quiet(m_folderBar);
    m_folderBar->setCurrentIndex(list.Selected());
}

void CChildFrame::UpdateActions()
{
    const bool idle = m_controller->IsCommandEnabled(FrameCommand::Refresh);
    m_up->setEnabled(idle);
    m_back->setEnabled(m_controller->CanGoBack());
    UpdateFolderBar();
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (!m_doc->CanClose())
    {
        event->ignore();
        return;
    }
    SaveStates();
    event->accept();
}
