#pragma once

#include <QDialog>

class QLineEdit;

// A dialog that asks for one line of text under a label ("新增過濾項目", "新增 ASCII 副檔名").
class CTextEntryDlg : public QDialog
{
    Q_OBJECT

public:
    CTextEntryDlg(const QString& title, const QString& label, QWidget* parent = nullptr);

    QString Text() const;

private:
    QLineEdit* m_text;
};
