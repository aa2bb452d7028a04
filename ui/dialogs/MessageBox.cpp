#include "ui/dialogs/MessageBox.h"

const QString CMessageBox::kCaption = QStringLiteral("Zentrava Pro");

QMessageBox::StandardButton CMessageBox::Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                              QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, kCaption, text, buttons, parent);
    // Texts carry servers' replies and file names: never read as markup.
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}
