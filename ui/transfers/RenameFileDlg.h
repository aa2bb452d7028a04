#pragma once

#include <QDialog>

class QLineEdit;

// "輸入新的檔案名稱": the name to transfer an existing target's file under instead.
class CRenameFileDlg : public QDialog
{
    Q_OBJECT

public:
    CRenameFileDlg(const QString& originalName, const QString& proposedName, QWidget* parent = nullptr);

    // The entered name; empty when the dialog was cancelled.
    QString NewName() const;

private:
    QLineEdit* m_newName;
};
