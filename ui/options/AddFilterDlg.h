#pragma once

#include <QDialog>

class QLineEdit;

// "新增過濾項目": asks for one mask of a filter list.
class CAddFilterDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAddFilterDlg(QWidget* parent = nullptr);

    QString Text() const;

private:
    QLineEdit* m_item;
};
