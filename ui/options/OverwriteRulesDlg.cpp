#include "ui/options/OverwriteRulesDlg.h"

#include "ui/dialogs/MessageBox.h"
#include "ui/options/StoredListLimit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QComboBox* Choices(QWidget* parent, const QString& name, const QStringList& items)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItems(items);
    return list;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

COverwriteRulesDlg::COverwriteRulesDlg(QWidget* parent)
    : QDialog(parent), m_rules(new QListWidget(this)),
      m_date(Choices(this, QStringLiteral("date"), COverwriteRule::DateChoices())),
      m_size(Choices(this, QStringLiteral("size"), COverwriteRule::SizeChoices())),
      m_when(Choices(this, QStringLiteral("when"), COverwriteRule::WhenChoices())),
      m_then(Choices(this, QStringLiteral("then"), COverwriteRule::ThenChoices()))
{
    setWindowTitle(QCoreApplication::translate("OverwriteRulesDlg", "同名處理規則"));
    m_rules->setObjectName(QStringLiteral("rules"));
    for (const COverwriteRule& rule : LoadOverwriteRules())
        AddRule(rule);

    auto* choices = new QGridLayout;
    const QStringList captions{QCoreApplication::translate("OverwriteRulesDlg", "如果目標日期"),
                               QCoreApplication::translate("OverwriteRulesDlg", "而且檔案大小"),
                               QCoreApplication::translate("OverwriteRulesDlg", "發生在"),
                               QCoreApplication::translate("OverwriteRulesDlg", "則")};
    const QList<QComboBox*> lists{m_date, m_size, m_when, m_then};
    for (int i = 0; i < lists.size(); ++i)
    {
        choices->addWidget(new QLabel(captions[i], this), 0, i);
        choices->addWidget(lists[i], 1, i);
    }
    QPushButton* add =
        Button(this, QStringLiteral("add"), QCoreApplication::translate("OverwriteRulesDlg", "新增(&A)"));
    QPushButton* remove =
        Button(this, QStringLiteral("remove"), QCoreApplication::translate("OverwriteRulesDlg", "刪除(&R)"));
    QPushButton* reset = Button(this, QStringLiteral("reset"),
                                QCoreApplication::translate("OverwriteRulesDlg", "預設值 (&E)"));
    connect(add, &QPushButton::clicked, this, &COverwriteRulesDlg::AddChosenRule);
    connect(remove, &QPushButton::clicked, this, &COverwriteRulesDlg::RemoveSelected);
    connect(reset, &QPushButton::clicked, this, &COverwriteRulesDlg::ResetRules);
    auto* editing = new QHBoxLayout;
    editing->addWidget(add);
    editing->addWidget(remove);
    editing->addStretch();
    editing->addWidget(reset);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rules);
    layout->addLayout(choices);
    layout->addLayout(editing);
    layout->addWidget(buttons);
    resize(640, 360);
}

QList<COverwriteRule> COverwriteRulesDlg::Rules() const
{
    QList<COverwriteRule> rules;
    for (int row = 0; row < m_rules->count(); ++row)
        rules.append(COverwriteRule::FromNumber(m_rules->item(row)->data(Qt::UserRole).toUInt()));
    return rules;
}

void COverwriteRulesDlg::accept()
{
    const QList<COverwriteRule> rules = Rules();
    if (!SaveOverwriteRules(rules))
    {
        QStringList texts;
        for (const COverwriteRule& rule : rules)
            texts.append(rule.ToText());
        const QString tooLong =
            StoredListProblem(texts, QCoreApplication::translate("OverwriteRulesDlg", "同名處理規則清單"));
        CMessageBox::Show(
            this, QMessageBox::Warning,
            tooLong.isEmpty()
                ? QCoreApplication::translate("OverwriteRulesDlg", "無法寫入設定檔，同名處理規則沒有儲存。")
                : tooLong);
        return;
    }
    QDialog::accept();
}

void COverwriteRulesDlg::AddRule(const COverwriteRule& rule)
{
    auto* item = new QListWidgetItem(rule.Describe(), m_rules);
    item->setData(Qt::UserRole, rule.Number());
}

void COverwriteRulesDlg::AddChosenRule()
{
    AddRule({m_date->currentIndex(), m_size->currentIndex(), m_when->currentIndex(), m_then->currentIndex()});
}

void COverwriteRulesDlg::RemoveSelected()
{
    qDeleteAll(m_rules->selectedItems());
}

void COverwriteRulesDlg::ResetRules()
{
    if (CMessageBox::Show(this, QMessageBox::Question,
                          QCoreApplication::translate("OverwriteRulesDlg", "您要還原預設值嗎？"),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        m_rules->clear();
}
