#pragma once

#include <QMessageBox>
#include <QString>

// Every message box of the program carries the product's name as its caption.
class CMessageBox
{
public:
    static const QString kCaption;

    static QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);
};
