#include "ui/options/OptionsDlg.h"

#include "ui/dialogs/MessageBox.h"
#include "ui/options/OptionsASCIITypesPage.h"
#include "ui/options/OptionsAdvancedPage.h"
#include "ui/options/OptionsConnectionPage.h"
#include "ui/options/OptionsEventsPage.h"
#include "ui/options/OptionsGeneralPage.h"
#include "ui/options/OptionsProxyPage.h"
#include "ui/options/OptionsRenameRulesPage.h"
#include "ui/options/OptionsSecurityPage.h"
#include "ui/options/OptionsSecuritySSH2Page.h"
#include "ui/options/OptionsSecuritySSLPage.h"
#include "ui/options/OptionsSmartKeepAlivePage.h"
#include "ui/options/OptionsSmartOverwritePage.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QTreeWidget>

namespace
{

struct PageInfo
{
    const char* label;
    int parent; // a page index, or -1 for the top of the tree
    const char* band;
};

// In the order of COptionsDlg::PageIndex.
constexpr PageInfo kPages[] = {
    {QT_TRANSLATE_NOOP("OptionsDlg", "一般"), -1, QT_TRANSLATE_NOOP("OptionsDlg", "通用選項設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "傳遞"), -1, QT_TRANSLATE_NOOP("OptionsDlg", "FTP傳遞選項設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "Proxy"), COptionsDlg::AdvancedPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "proxy設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "安全"), -1, QT_TRANSLATE_NOOP("OptionsDlg", "安全選項設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "SSL"), COptionsDlg::SecurityPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "SSL參數設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "SSH2"), COptionsDlg::SecurityPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "SSH2參數設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "連線"), -1, QT_TRANSLATE_NOOP("OptionsDlg", "連線設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "同名覆寫規則"), COptionsDlg::ConnectionPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "相同檔名之覆寫規則設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "傳遞後動作"), COptionsDlg::ConnectionPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "傳遞工作完成後之相關動作設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "重新命名規則"), COptionsDlg::ConnectionPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "傳遞期間自動重新命名規則設定")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "ASCII 類型"), COptionsDlg::ConnectionPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "設定哪些副檔名必須以 ASCII 模式傳送")},
    {QT_TRANSLATE_NOOP("OptionsDlg", "自動保持連線"), COptionsDlg::AdvancedPage,
     QT_TRANSLATE_NOOP("OptionsDlg", "使用SKA保持與FTP伺服器之間的連線")},
};

// The tree's order: each top item followed by its children.
constexpr int kTreeOrder[] = {
    COptionsDlg::GeneralPage,        COptionsDlg::AdvancedPage,    COptionsDlg::ProxyPage,
    COptionsDlg::SmartKeepAlivePage, COptionsDlg::ConnectionPage,  COptionsDlg::EventsPage,
    COptionsDlg::SmartOverwritePage, COptionsDlg::RenameRulesPage, COptionsDlg::AsciiTypesPage,
    COptionsDlg::SecurityPage,       COptionsDlg::SslPage,         COptionsDlg::Ssh2Page};

// The order in which OK writes the pages.
constexpr int kSaveOrder[] = {
    COptionsDlg::GeneralPage,     COptionsDlg::ConnectionPage,     COptionsDlg::AdvancedPage,
    COptionsDlg::ProxyPage,       COptionsDlg::SecurityPage,       COptionsDlg::Ssh2Page,
    COptionsDlg::SslPage,         COptionsDlg::SmartOverwritePage, COptionsDlg::EventsPage,
    COptionsDlg::RenameRulesPage, COptionsDlg::AsciiTypesPage,     COptionsDlg::SmartKeepAlivePage};

COptionsPage* MakePage(int index, QWidget* parent)
{
    switch (index)
    {
    case COptionsDlg::GeneralPage:
        return new COptionsGeneralPage(parent);
    case COptionsDlg::ConnectionPage:
        return new COptionsConnectionPage(parent);
    case COptionsDlg::ProxyPage:
        return new COptionsProxyPage(parent);
    case COptionsDlg::SecurityPage:
        return new COptionsSecurityPage(parent);
    case COptionsDlg::SslPage:
        return new COptionsSecuritySSLPage(parent);
    case COptionsDlg::Ssh2Page:
        return new COptionsSecuritySSH2Page(parent);
    case COptionsDlg::AdvancedPage:
        return new COptionsAdvancedPage(parent);
    case COptionsDlg::SmartOverwritePage:
        return new COptionsSmartOverwritePage(parent);
    case COptionsDlg::EventsPage:
        return new COptionsEventsPage(parent);
    case COptionsDlg::RenameRulesPage:
        return new COptionsRenameRulesPage(parent);
    case COptionsDlg::AsciiTypesPage:
        return new COptionsASCIITypesPage(parent);
    default:
        return new COptionsSmartKeepAlivePage(parent);
    }
}

} // namespace

COptionsDlg::COptionsDlg(QWidget* parent)
    : QDialog(parent), m_tree(new QTreeWidget(this)), m_caption(new QLabel(this)), m_text(new QLabel(this)),
      m_stack(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("OptionsDlg"));
    setWindowTitle(QCoreApplication::translate("OptionsDlg", "Zentrava 選項"));
    m_tree->setHeaderHidden(true);
    m_caption->setObjectName(QStringLiteral("bandCaption"));
    m_text->setObjectName(QStringLiteral("bandText"));
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);
    for (int index = 0; index < PageCount; ++index)
    {
        m_pages[index] = MakePage(index, m_stack);
        m_stack->addWidget(m_pages[index]);
    }
    for (int index : kTreeOrder)
    {
        const PageInfo& info = kPages[index];
        m_items[index] =
            info.parent < 0 ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(m_items[info.parent]);
        m_items[index]->setText(0, QCoreApplication::translate("OptionsDlg", info.label));
        m_items[index]->setData(0, Qt::UserRole, index);
    }
    m_tree->expandAll();
    m_tree->setCurrentItem(m_items[GeneralPage]);
    m_caption->setText(QCoreApplication::translate("OptionsDlg", kPages[GeneralPage].label));
    m_text->setText(QCoreApplication::translate("OptionsDlg", "設定通用選項"));
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &COptionsDlg::OnItemChosen);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsDlg::reject);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_tree, 0, 0, 3, 1);
    layout->addWidget(m_caption, 0, 1);
    layout->addWidget(m_text, 1, 1);
    layout->addWidget(m_stack, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    m_tree->setFixedWidth(
        m_tree->fontMetrics().horizontalAdvance(QCoreApplication::translate("OptionsDlg", "同名覆寫規則")) +
        80);
}

int COptionsDlg::CurrentPage() const
{
    return m_stack->currentIndex();
}

void COptionsDlg::ShowPage(int index)
{
    if (index >= 0 && index < PageCount)
        m_tree->setCurrentItem(m_items[index]);
}

void COptionsDlg::OnItemChosen(QTreeWidgetItem* item)
{
    const int index = item ? item->data(0, Qt::UserRole).toInt() : -1;
    if (index < 0 || index == CurrentPage())
        return;
    m_stack->setCurrentIndex(index);
    m_caption->setText(QCoreApplication::translate("OptionsDlg", kPages[index].label));
    m_text->setText(QCoreApplication::translate("OptionsDlg", kPages[index].band));
}

void COptionsDlg::accept()
{
    // Every page is asked first, so that a refusal leaves the store as it was.
    for (int index : kSaveOrder)
    {
        const QString problem = m_pages[index]->Problem();
        if (problem.isEmpty())
            continue;
        ShowPage(index);
        CMessageBox::Show(this, QMessageBox::Warning, problem);
        return;
    }
    for (int index : kSaveOrder)
        m_pages[index]->SaveOptions();
    QDialog::accept();
}
