#pragma once

#include "transfer/RenameRule.h"
#include "ui/options/OptionsPage.h"

class QTreeWidget;

// "重新命名規則": the rules that rename files on their way to the destination, and the switch that turns
// them on. The list is stored whole on OK.
class COptionsRenameRulesPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsRenameRulesPage(QWidget* parent = nullptr);

    QString Problem() const override;
    void SaveOptions() override;

private:
    QList<CRenameRule> Rules() const;
    void AddRule();
    void EditRule();
    void RemoveRule();

    QTreeWidget* m_rules;
};
