#include "ui/frame/AboutDlg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("AboutDlg", "關於 Zentrava Pro"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    auto* text =
        new QLabel(QCoreApplication::translate("AboutDlg", "<b>Zentrava Pro</b><br>Zentrava Pro %1 版<br>"
                                                           "FTP、FTPS 與 SFTP 檔案傳送程式")
                       .arg(QStringLiteral(ZENTRAVA_VERSION)),
                   this);
    text->setObjectName(QStringLiteral("AboutText"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
