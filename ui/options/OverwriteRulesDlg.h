#pragma once

#include "transfer/OverwriteRule.h"

#include <QDialog>

class QComboBox;
class QListWidget;

// "同名處理規則": the smart overwrite rule list. Rules are built from the four choices and added at the
// end; OK stores the list, and keeps the dialog open with a message when the store refuses it.
class COverwriteRulesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit COverwriteRulesDlg(QWidget* parent = nullptr);

    QList<COverwriteRule> Rules() const;

    void accept() override;

private:
    void AddRule(const COverwriteRule& rule);
    void AddChosenRule();
    void RemoveSelected();
    void ResetRules();

    QListWidget* m_rules;
    QComboBox* m_date;
    QComboBox* m_size;
    QComboBox* m_when;
    QComboBox* m_then;
};
