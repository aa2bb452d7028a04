#include "ui/dialogs/ArchivePasswordDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

CArchivePasswordDlg::CArchivePasswordDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("ArchivePasswordDlg", "壓縮檔密碼"));
    auto* layout = new QFormLayout(this);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    layout->addRow(QCoreApplication::translate("ArchivePasswordDlg", "密碼："), m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CArchivePasswordDlg::Password() const
{
    return m_password->text();
}

std::optional<QString> CArchivePasswordDlg::Ask(QWidget* parent)
{
    CArchivePasswordDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Password();
}
