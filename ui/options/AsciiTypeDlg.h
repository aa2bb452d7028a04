#pragma once

#include <QDialog>

class QLineEdit;

// "新增 ASCII 副檔名": one extension for the ASCII list.
class CAsciiTypeDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAsciiTypeDlg(QWidget* parent = nullptr);

    // The extension as the list keeps it: without surrounding blanks or a leading dot, which a file's
    // extension is never compared with.
    QString Extension() const;

private:
    QLineEdit* m_extension;
};
