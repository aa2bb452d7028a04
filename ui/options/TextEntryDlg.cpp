#include "ui/options/TextEntryDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CTextEntryDlg::CTextEntryDlg(const QString& title, const QString& label, QWidget* parent)
    : QDialog(parent), m_text(new QLineEdit(this))
{
    setWindowTitle(title);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setMinimumWidth(280);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
}

QString CTextEntryDlg::Text() const
{
    return m_text->text();
}
