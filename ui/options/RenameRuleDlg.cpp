#include "ui/options/RenameRuleDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace
{

// A rule is stored as pattern + "|" + new name, so a bar in either would split it in the wrong place.
QLineEdit* NameEdit(QWidget* parent, const QString& name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), edit));
    return edit;
}

} // namespace

CRenameRuleDlg::CRenameRuleDlg(const QString& title, const CRenameRule& rule, QWidget* parent)
    : QDialog(parent), m_pattern(NameEdit(this, QStringLiteral("pattern"), rule.pattern)),
      m_newName(NameEdit(this, QStringLiteral("newName"), rule.newName))
{
    setWindowTitle(title);
    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("RenameRuleDlg", "將原有檔名："), m_pattern);
    form->addRow(QCoreApplication::translate("RenameRuleDlg", "重新命名為："), m_newName);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CRenameRule CRenameRuleDlg::Rule() const
{
    return {m_pattern->text(), m_newName->text()};
}
