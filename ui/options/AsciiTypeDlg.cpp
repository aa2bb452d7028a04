#include "ui/options/AsciiTypeDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

CAsciiTypeDlg::CAsciiTypeDlg(QWidget* parent) : QDialog(parent), m_extension(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("新增 ASCII 副檔名"));
    m_extension->setObjectName(QStringLiteral("extension"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ASCII 副檔名："), m_extension);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString CAsciiTypeDlg::Extension() const
{
    QString extension = m_extension->text().trimmed();
    while (extension.startsWith(u'.'))
        extension.remove(0, 1);
    return extension;
}
