#include "ui/options/AddFilterDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CAddFilterDlg::CAddFilterDlg(QWidget* parent) : QDialog(parent), m_item(new QLineEdit(this))
{
    setObjectName(QStringLiteral("AddFilterDlg"));
    setWindowTitle(QStringLiteral("新增過濾項目"));
    m_item->setObjectName(QStringLiteral("FilterItem"));
    m_item->setMinimumWidth(280);
    auto* label = new QLabel(QStringLiteral("過濾項目："), this);
    label->setBuddy(m_item);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_item);
    layout->addWidget(buttons);
}

QString CAddFilterDlg::Text() const
{
    return m_item->text();
}
