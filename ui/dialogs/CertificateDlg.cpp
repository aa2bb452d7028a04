#include "ui/dialogs/CertificateDlg.h"

#include "ui/dialogs/TrustQuestion.h"

#include "engine/keys/KeyCertificate.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CCertificateDlg::CCertificateDlg(const ServerCertificate& certificate, const QString& problem,
                                 QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("CertificateDlg", "是否接受憑證？"));
    CKeyCertificate issuer;
    issuer.LoadCertificateText(certificate.pem);

    auto* form = new QFormLayout;
    const auto addField = [&](const QString& label, const QString& value, const QString& name)
    { form->addRow(label, SelectableField(value, name, this)); };
    addField(QCoreApplication::translate("CertificateDlg", "發行者："),
             issuer.IssuerField(CertificateField::CommonName), QStringLiteral("issuerName"));
    addField(QCoreApplication::translate("CertificateDlg", "國家："),
             issuer.IssuerField(CertificateField::Country), QStringLiteral("country"));
    addField(QCoreApplication::translate("CertificateDlg", "組織："),
             issuer.IssuerField(CertificateField::Organisation), QStringLiteral("organisation"));
    addField(QCoreApplication::translate("CertificateDlg", "單位："),
             issuer.IssuerField(CertificateField::Unit), QStringLiteral("unit"));
    addField(QCoreApplication::translate("CertificateDlg", "有效期自："), DateText(certificate.notBefore),
             QStringLiteral("validFrom"));
    addField(QCoreApplication::translate("CertificateDlg", "有效期至："), DateText(certificate.notAfter),
             QStringLiteral("validTo"));
    // Two certificates with the same issuer and dates differ here: whom they were issued to, and their bytes.
    addField(QCoreApplication::translate("CertificateDlg", "主體："), certificate.subject,
             QStringLiteral("subject"));
    addField(QCoreApplication::translate("CertificateDlg", "SHA-256 指紋："),
             FingerprintText(certificate.sha256), QStringLiteral("fingerprint"));

    auto* question = new QLabel(QCoreApplication::translate("CertificateDlg", "是否接受憑證？"), this);
    auto* why = SelectableField(QCoreApplication::translate("CertificateDlg", "驗證結果：") + problem,
                                QStringLiteral("problem"), this);
    why->setWordWrap(true);
    why->setVisible(!problem.isEmpty());

    QPushButton* refuse = nullptr;
    QDialogButtonBox* buttons = AcceptRefuseButtons(this, &refuse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(why);
    layout->addLayout(form);
    layout->addWidget(buttons);
    refuse->setFocus();
}

QString CCertificateDlg::FingerprintText(const QByteArray& hex)
{
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2)
        pairs << QString::fromLatin1(hex.mid(i, 2)).toUpper();
    return pairs.join(u':');
}

QString CCertificateDlg::DateText(const QDateTime& utc)
{
    return QLocale::system().toString(utc.toLocalTime(), QLocale::ShortFormat);
}
