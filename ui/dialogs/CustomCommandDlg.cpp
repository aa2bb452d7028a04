#include "ui/dialogs/CustomCommandDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

CCustomCommandDlg::CCustomCommandDlg(QWidget* parent) : QDialog(parent), m_command(new QLineEdit(this))
{
    setWindowTitle(QCoreApplication::translate("CustomCommandDlg", "傳送自訂指令"));
    m_command->setObjectName(QStringLiteral("command"));
    m_command->setMinimumWidth(300);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* send = buttons->addButton(QCoreApplication::translate("CustomCommandDlg", "傳送(&S)"),
                                           QDialogButtonBox::AcceptRole);
    send->setObjectName(QStringLiteral("send"));
    send->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("CustomCommandDlg", "指令："), m_command);
    form->addRow(buttons);
    m_command->setFocus();
}

QString CCustomCommandDlg::Command() const
{
    return m_command->text();
}
