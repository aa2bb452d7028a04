#include "ui/options/OptionsRenameRulesPage.h"

#include "ui/options/OptionsRow.h"
#include "ui/options/RenameRuleDlg.h"
#include "ui/options/StoredListLimit.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

void Show(QTreeWidgetItem* item, const CRenameRule& rule)
{
    item->setText(0, rule.pattern);
    item->setText(1, rule.newName);
}

} // namespace

COptionsRenameRulesPage::COptionsRenameRulesPage(QWidget* parent)
    : COptionsPage(parent), m_rules(new QTreeWidget(this))
{
    m_rules->setObjectName(QStringLiteral("rules"));
    m_rules->setHeaderLabels({QCoreApplication::translate("OptionsRenameRulesPage", "由"),
                              QCoreApplication::translate("OptionsRenameRulesPage", "改為")});
    m_rules->setRootIsDecorated(false);
    for (const CRenameRule& rule : LoadRenameRules())
        Show(new QTreeWidgetItem(m_rules), rule);

    auto* buttons = new QHBoxLayout;
    const auto addButton =
        [&](const QString& name, const QString& text, void (COptionsRenameRulesPage::*run)())
    {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, run);
        buttons->addWidget(button);
        return button;
    };
    const QList<QWidget*> controls{
        m_rules,
        addButton(QStringLiteral("add"), QCoreApplication::translate("OptionsRenameRulesPage", "新增(&A)..."),
                  &COptionsRenameRulesPage::AddRule),
        addButton(QStringLiteral("edit"),
                  QCoreApplication::translate("OptionsRenameRulesPage", "編輯(&E)..."),
                  &COptionsRenameRulesPage::EditRule),
        addButton(QStringLiteral("remove"), QCoreApplication::translate("OptionsRenameRulesPage", "刪除(&R)"),
                  &COptionsRenameRulesPage::RemoveRule)};
    buttons->addStretch();
    QCheckBox* apply =
        BoundCheck(QCoreApplication::translate("OptionsRenameRulesPage", " 套用重新命名規則(&U)"),
                   QStringLiteral("RenameRules"), QStringLiteral("ApplyRules"));
    for (QWidget* control : controls)
        EnableWhileTicked(apply, control);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rules);
    layout->addLayout(buttons);
    layout->addWidget(apply);
}

QString COptionsRenameRulesPage::Problem() const
{
    QStringList texts;
    for (const CRenameRule& rule : Rules())
        texts.append(rule.ToText());
    return StoredListProblem(texts,
                             QCoreApplication::translate("OptionsRenameRulesPage", "重新命名規則清單"));
}

void COptionsRenameRulesPage::SaveOptions()
{
    // The switch and the list go together: a list the store would refuse leaves both as they were.
    if (!Problem().isEmpty())
        return;
    COptionsPage::SaveOptions();
    SaveRenameRules(Rules());
}

QList<CRenameRule> COptionsRenameRulesPage::Rules() const
{
    QList<CRenameRule> rules;
    for (int row = 0; row < m_rules->topLevelItemCount(); ++row)
    {
        const QTreeWidgetItem* item = m_rules->topLevelItem(row);
        rules.append({item->text(0), item->text(1)});
    }
    return rules;
}

void COptionsRenameRulesPage::AddRule()
{
    CRenameRuleDlg dialog(QCoreApplication::translate("OptionsRenameRulesPage", "新增重新命名規則"), {},
                          this);
    if (dialog.exec() == QDialog::Accepted)
        Show(new QTreeWidgetItem(m_rules), dialog.Rule());
}

void COptionsRenameRulesPage::EditRule()
{
    const QList<QTreeWidgetItem*> selected = m_rules->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.first();
    CRenameRuleDlg dialog(QCoreApplication::translate("OptionsRenameRulesPage", "編輯重新命名規則"),
                          {item->text(0), item->text(1)}, this);
    if (dialog.exec() == QDialog::Accepted)
        Show(item, dialog.Rule());
}

void COptionsRenameRulesPage::RemoveRule()
{
    qDeleteAll(m_rules->selectedItems());
}
