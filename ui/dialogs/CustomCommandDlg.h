#pragma once

#include <QDialog>

class QLineEdit;

// "傳送自訂指令": asks for one raw command to send to the server.
class CCustomCommandDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCustomCommandDlg(QWidget* parent = nullptr);

    QString Command() const;

private:
    QLineEdit* m_command;
};
