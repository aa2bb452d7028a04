#include "ui/options/FilterListPage.h"

#include "app/Profile.h"
#include "app/StringList.h"
#include "ui/options/StoredListLimit.h"
#include "ui/options/TextEntryDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace
{

const QString kSection = QStringLiteral("Filter");

} // namespace

CFilterListPage::CFilterListPage(const QString& title, const QString& caption, const QString& key,
                                 QWidget* parent)
    : COptionsPage(parent), m_key(key), m_list(new QListWidget(this))
{
    setObjectName(key + QStringLiteral("Page"));
    setWindowTitle(title);
    m_list->setObjectName(key);
    CStringList stored;
    LoadProfileObject(kSection, key, stored);
    m_list->addItems(stored.Items());
    auto* add = new QPushButton(QCoreApplication::translate("FilterListPage", "新增(&A)..."), this);
    add->setObjectName(QStringLiteral("AddButton"));
    auto* remove = new QPushButton(QCoreApplication::translate("FilterListPage", "移除"), this);
    remove->setObjectName(QStringLiteral("RemoveButton"));
    connect(add, &QPushButton::clicked, this, &CFilterListPage::AddItem);
    connect(remove, &QPushButton::clicked, this, &CFilterListPage::RemoveItem);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(caption, this), 0, 0, 1, 2);
    layout->addWidget(m_list, 1, 0, 3, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1);
    layout->setRowStretch(3, 1);
}

QString CFilterListPage::Problem() const
{
    return StoredListProblem(Items(),
                             QCoreApplication::translate("FilterListPage", "「%1」清單").arg(windowTitle()));
}

void CFilterListPage::SaveOptions()
{
    SaveProfileObject(kSection, m_key, CStringList(Items()));
}

QStringList CFilterListPage::Items() const
{
    QStringList items;
    for (int row = 0; row < m_list->count(); ++row)
        items << m_list->item(row)->text();
    return items;
}

void CFilterListPage::AddItem()
{
    CTextEntryDlg dialog(QCoreApplication::translate("FilterListPage", "新增過濾項目"),
                         QCoreApplication::translate("FilterListPage", "過濾項目："), this);
    // An empty mask would match no name at all, hiding every entry behind a blank row.
    if (dialog.exec() == QDialog::Accepted && !dialog.Text().isEmpty())
        m_list->addItem(dialog.Text());
}

void CFilterListPage::RemoveItem()
{
    qDeleteAll(m_list->selectedItems());
}
