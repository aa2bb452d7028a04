#pragma once

#include <QStringList>

class QLineEdit;
class QWidget;

// The checks both security wizards make before they go on.

// The pass phrase and its confirmation are the same; else "密碼不正確！" and the focus goes back to the
// pass phrase.
bool ConfirmPasswords(QLineEdit* password, QLineEdit* confirmation);
// None of the files exists, or the user agrees to replace those that do: a key made earlier is not lost
// to a wizard run with the same defaults.
bool MayReplaceFiles(QWidget* parent, const QStringList& paths);
