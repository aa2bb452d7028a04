#pragma once

#include <QDialog>

// The about box: the program's title, icon and version line.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
