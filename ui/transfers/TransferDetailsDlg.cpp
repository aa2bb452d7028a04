#include "ui/transfers/TransferDetailsDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CTransferDetailsDlg::CTransferDetailsDlg(const QString& details, QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this))
{
    setWindowTitle(QCoreApplication::translate("TransferDetailsDlg", "連線詳細資料"));
    m_text->setObjectName(QStringLiteral("details"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setPlainText(details);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(560, 360);
}

QString CTransferDetailsDlg::Text() const
{
    return m_text->toPlainText();
}
