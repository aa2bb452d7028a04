#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QWidget;

// Pieces shared by the questions that decide whether a server is trusted.

// A read-only value the user can select and copy (a fingerprint, a name).
QLabel* SelectableField(const QString& text, const QString& objectName, QWidget* parent);

// "接受(&A)" and "拒絕(&R)" wired to the dialog; refusing is the default, so Enter alone never trusts a
// server. The refuse button is returned through refuse, for the initial focus.
QDialogButtonBox* AcceptRefuseButtons(QDialog* dialog, QPushButton** refuse);
