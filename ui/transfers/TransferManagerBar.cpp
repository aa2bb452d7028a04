#include "ui/transfers/TransferManagerBar.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/Translations.h"
#include "transfer/ColumnWidths.h"
#include "transfer/TransferQueue.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/frame/HelpFiles.h"
#include "ui/transfers/ScheduleDlg.h"
#include "ui/transfers/TransferDetailsDlg.h"
#include "ui/transfers/TransferProgressDelegate.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStyle>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

const QString kSection = QStringLiteral("Settings");
const QString kWidthKey = QStringLiteral("TransferColumnWidth");

} // namespace

CTransferManagerBar::CTransferManagerBar(CTransferQueue& queue, QWidget* parent)
    : QWidget(parent), m_queue(queue), m_list(new QTreeView(this)), m_menu(new QMenu(this))
{
    m_list->setObjectName(QStringLiteral("TransferList"));
    m_list->setModel(&m_queue);
    m_list->setItemDelegate(new CTransferProgressDelegate(m_list));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setStretchLastSection(false);
    // The bar is as small as the user drags it; the list scrolls.
    m_list->setMinimumSize(1, 1);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CTransferManagerBar::OnContextMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    CreateCommands();
    LoadColumnWidths();
    // Written as they change: at shutdown the queue may be gone before the list.
    connect(m_list->header(), &QHeaderView::sectionResized, this, &CTransferManagerBar::SaveColumnWidths);
}

CTransferManagerBar::~CTransferManagerBar()
{
    SaveColumnWidths();
}

QList<int> CTransferManagerBar::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CTransferManagerBar::CancelSelected()
{
    m_queue.Cancel(SelectedRows());
}

void CTransferManagerBar::ResumeSelected()
{
    m_queue.Resume(SelectedRows());
}

void CTransferManagerBar::ScheduleSelected()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    CScheduleDlg dialog(m_queue.Schedule(rows.first()), this);
    if (dialog.exec() == QDialog::Accepted)
        m_queue.SetSchedule(rows, dialog.Schedule());
}

void CTransferManagerBar::SelectAll()
{
    m_list->selectAll();
}

void CTransferManagerBar::InvertSelection()
{
    const int rows = m_queue.rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(m_queue.index(0, 0), m_queue.index(rows - 1, CTransferQueue::ColumnCount - 1));
    m_list->selectionModel()->select(all, QItemSelectionModel::Toggle);
}

void CTransferManagerBar::ShowDetails()
{
    for (int row : SelectedRows())
    {
        CTransferDetailsDlg dialog(m_queue.Details(row), this);
        dialog.exec();
    }
}

void CTransferManagerBar::SaveColumnWidths() const
{
    // Once the queue has gone the list has no columns left to tell about.
    if (m_list->header()->count() != CTransferQueue::ColumnCount)
        return;
    QList<int> widths;
    for (int column = 0; column < CTransferQueue::ColumnCount; ++column)
        widths.append(m_list->header()->sectionSize(column));
    WriteProfileString(kSection, kWidthKey, FormatTransferColumnWidths(widths));
}

QAction* CTransferManagerBar::AddCommand(const QString& name, const QString& text, const QKeySequence& key,
                                         void (CTransferManagerBar::*command)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (!key.isEmpty())
        action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, command);
    addAction(action);
    m_menu->addAction(action);
    return action;
}

void CTransferManagerBar::CreateCommands()
{
    AddCommand(QStringLiteral("cancel"), QCoreApplication::translate("TransferManagerBar", "取消(&C)"),
               QKeySequence(Qt::Key_Delete), &CTransferManagerBar::CancelSelected);
    QAction* resume =
        AddCommand(QStringLiteral("resume"), QCoreApplication::translate("TransferManagerBar", "續傳(&R)"),
                   {}, &CTransferManagerBar::ResumeSelected);
    resume->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    AddCommand(QStringLiteral("schedule"), QCoreApplication::translate("TransferManagerBar", "排程..."), {},
               &CTransferManagerBar::ScheduleSelected);
    m_menu->addSeparator();
    AddCommand(QStringLiteral("selectAll"), QCoreApplication::translate("TransferManagerBar", "全選(&A)"),
               QKeySequence(Qt::CTRL | Qt::Key_A), &CTransferManagerBar::SelectAll);
    AddCommand(QStringLiteral("invert"), QCoreApplication::translate("TransferManagerBar", "反向選取(&I)"),
               {}, &CTransferManagerBar::InvertSelection);
    m_menu->addSeparator();
    AddCommand(QStringLiteral("details"),
               QCoreApplication::translate("TransferManagerBar", "詳細資料(&D)..."), {},
               &CTransferManagerBar::ShowDetails);

    auto* help = new QAction(this);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QAction::triggered, this, &CTransferManagerBar::ShowHelp);
    addAction(help);
}

void CTransferManagerBar::LoadColumnWidths()
{
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_list);
    const int equal = (kTemplateWidth - 7 * border) / CTransferQueue::ColumnCount;
    const QList<int> widths =
        ParseTransferColumnWidths(GetProfileString(kSection, kWidthKey), CTransferQueue::ColumnCount, equal);
    for (int column = 0; column < widths.size(); ++column)
        m_list->header()->resizeSection(column, widths[column]);
}

void CTransferManagerBar::OnContextMenu(const QPoint& position)
{
    if (SelectedRows().isEmpty())
        return;
    m_menu->popup(m_list->viewport()->mapToGlobal(position));
}

void CTransferManagerBar::ShowHelp()
{
    const QString index = CHelpFiles::IndexPath(CDataFolder::ProgramFolder(),
                                                CTranslations::FromSettings() == CTranslations::English);
    if (index.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(index)))
        CMessageBox::Show(nullptr, QMessageBox::Warning,
                          QCoreApplication::translate("TransferManagerBar", "無法開啟操作手冊。"));
}
