#include "ui/transfers/RenameFileDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

CRenameFileDlg::CRenameFileDlg(const QString& originalName, const QString& proposedName, QWidget* parent)
    : QDialog(parent), m_newName(new QLineEdit(proposedName, this))
{
    setWindowTitle(QCoreApplication::translate("RenameFileDlg", "輸入新的檔案名稱"));
    auto* original = new QLineEdit(originalName, this);
    original->setObjectName(QStringLiteral("original"));
    original->setReadOnly(true);
    m_newName->setObjectName(QStringLiteral("newName"));
    m_newName->setMinimumWidth(360);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("RenameFileDlg", "原檔名"), original);
    form->addRow(QCoreApplication::translate("RenameFileDlg", "新檔名"), m_newName);
    form->addRow(buttons);
}

QString CRenameFileDlg::NewName() const
{
    return result() == QDialog::Accepted ? m_newName->text().trimmed() : QString();
}
