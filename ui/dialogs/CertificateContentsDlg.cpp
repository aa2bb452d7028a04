#include "ui/dialogs/CertificateContentsDlg.h"

#include "engine/keys/KeyCertificate.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CCertificateContentsDlg::CCertificateContentsDlg(const CKeyCertificate& certificate, const QString& title,
                                                 QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto* text = new QPlainTextEdit(certificate.Dump(), this);
    text->setObjectName(QStringLiteral("contents"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(640, 480);
}
