#include "ui/options/WizardChecks.h"

#include "ui/dialogs/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>

bool ConfirmPasswords(QLineEdit* password, QLineEdit* confirmation)
{
    if (password->text() == confirmation->text())
        return true;
    CMessageBox::Show(password->window(), QMessageBox::Warning,
                      QCoreApplication::translate("WizardChecks", "密碼不正確！"));
    password->setFocus();
    password->selectAll();
    return false;
}

bool MayReplaceFiles(QWidget* parent, const QStringList& paths)
{
    QStringList existing;
    for (const QString& path : paths)
        if (QFileInfo::exists(path))
            existing << path;
    if (existing.isEmpty())
        return true;
    return CMessageBox::Show(
               parent, QMessageBox::Question,
               QCoreApplication::translate("WizardChecks", "下列檔案已經存在，要取代它們嗎？\n%1")
                   .arg(existing.join(u'\n')),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
