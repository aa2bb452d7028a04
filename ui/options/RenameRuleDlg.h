#pragma once

#include "transfer/RenameRule.h"

#include <QDialog>

class QLineEdit;

// "新增重新命名規則" / "編輯重新命名規則": a name pattern and the name it becomes.
class CRenameRuleDlg : public QDialog
{
    Q_OBJECT

public:
    CRenameRuleDlg(const QString& title, const CRenameRule& rule, QWidget* parent = nullptr);

    CRenameRule Rule() const;

private:
    QLineEdit* m_pattern;
    QLineEdit* m_newName;
};
