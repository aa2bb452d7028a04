#include "ui/options/CertificateWizard.h"

#include "ui/dialogs/CertificateContentsDlg.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/options/OptionsRow.h"
#include "ui/options/WizardChecks.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace
{
QLineEdit* NamedEdit(const QString& name, const QString& text = {})
{
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    return edit;
}

// Page 1: name, folder, key size, expiry and the pass phrase of the key, typed twice.
class CCertificateWizardPage1 : public QWizardPage
{
public:
    CCertificateWizardPage1(QLineEdit* name, QLineEdit* folder, QComboBox* bits, QDateTimeEdit* expires,
                            QLineEdit* password, QLineEdit* confirmation)
        : m_password(password), m_confirmation(confirmation)
    {
        setTitle(QCoreApplication::translate("CertificateWizard", "SSL憑證產生器"));
        auto* browse = new QPushButton(QStringLiteral(".."), this);
        browse->setObjectName(QStringLiteral("outputFolderBrowse"));
        connect(browse, &QPushButton::clicked, folder,
                [folder]
                {
                    const QString chosen = QFileDialog::getExistingDirectory(
                        folder->window(), QCoreApplication::translate("CertificateWizard", "選擇資料夾位置"),
                        folder->text());
                    if (!chosen.isEmpty())
                        folder->setText(chosen);
                });
        bits->setObjectName(QStringLiteral("keyBits"));
        bits->addItems(
            {QStringLiteral("512"), QStringLiteral("1024"), QStringLiteral("2048"), QStringLiteral("4096")});
        bits->setCurrentText(QStringLiteral("1024"));
        expires->setObjectName(QStringLiteral("expires"));
        expires->setCalendarPopup(true);
        for (QLineEdit* edit : {password, confirmation})
            edit->setEchoMode(QLineEdit::Password);
        auto* layout = new QFormLayout(this);
        layout->addRow(QCoreApplication::translate("CertificateWizard", "憑證名稱(&C)："), name);
        layout->addRow(QCoreApplication::translate("CertificateWizard", "輸出位置(&L)："),
                       OptionsRow(folder, browse));
        layout->addRow(QCoreApplication::translate("CertificateWizard", "金鑰大小(位元)："), bits);
        layout->addRow(QCoreApplication::translate("CertificateWizard", "有效期限(&E)："), expires);
        layout->addRow(QCoreApplication::translate("CertificateWizard", "密碼(&P)："), password);
        layout->addRow(QCoreApplication::translate("CertificateWizard", "確認密碼(&F)："), confirmation);
    }
    bool validatePage() override { return ConfirmPasswords(m_password, m_confirmation); }

private:
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
};

// Page 2: who the certificate is for; every field may stay empty.
class CCertificateWizardPage2 : public QWizardPage
{
public:
    explicit CCertificateWizardPage2(const QList<std::pair<QString, QLineEdit*>>& rows)
    {
        setTitle(QCoreApplication::translate("CertificateWizard", "SSL憑證產生器"));
        auto* layout = new QFormLayout(this);
        for (const auto& [label, edit] : rows)
            layout->addRow(label, edit);
    }
};

// Page 3: the hand-over and the view, and what a self-signed certificate means.
class CCertificateWizardPage3 : public QWizardPage
{
public:
    CCertificateWizardPage3(QCheckBox* handOver, QCheckBox* show)
    {
        setTitle(QCoreApplication::translate("CertificateWizard", "SSL憑證產生器"));
        handOver->setObjectName(QStringLiteral("handOver"));
        show->setObjectName(QStringLiteral("showCertificate"));
        auto* note = new QLabel(QCoreApplication::translate(
                                    "CertificateWizard",
                                    "這是自我簽署的憑證：沒有憑證授權單位為它擔保，"
                                    "其他電腦上的伺服器可能不信任它，除非伺服器的管理者把它加入信任清單。"),
                                this);
        note->setWordWrap(true);
        auto* layout = new QFormLayout(this);
        layout->addRow(handOver);
        layout->addRow(show);
        layout->addRow(note);
    }
};
} // namespace

CCertificateWizard::CCertificateWizard(QWidget* parent)
    : QWizard(parent), m_name(NamedEdit(QStringLiteral("certificateName"),
                                        QCoreApplication::translate("CertificateWizard", "新憑證"))),
      m_folder(NamedEdit(QStringLiteral("outputFolder"), SecurityFolder())), m_bits(new QComboBox),
      m_expires(new QDateTimeEdit(DefaultCertificateExpiry())),
      m_password(NamedEdit(QStringLiteral("password"))),
      m_confirmation(NamedEdit(QStringLiteral("confirmation"))),
      m_handOver(new QCheckBox(
          QCoreApplication::translate("CertificateWizard", "將產生的憑證設定給 Zentrava Pro 使用。(&S)"))),
      m_show(new QCheckBox(QCoreApplication::translate("CertificateWizard", "檢視產生之憑證。(&V)")))
{
    setWindowTitle(QCoreApplication::translate("CertificateWizard", "SSL憑證產生器"));
    setWizardStyle(QWizard::ClassicStyle);
    addPage(new CCertificateWizardPage1(m_name, m_folder, m_bits, m_expires, m_password, m_confirmation));
    const QList<std::tuple<QString, QString, CertificateField>> fields = {
        {QCoreApplication::translate("CertificateWizard", "城市(&C)："), QStringLiteral("city"),
         CertificateField::City},
        {QCoreApplication::translate("CertificateWizard", "省(州)(&S)："), QStringLiteral("state"),
         CertificateField::State},
        {QCoreApplication::translate("CertificateWizard", "組織(&O)："), QStringLiteral("organisation"),
         CertificateField::Organisation},
        {QCoreApplication::translate("CertificateWizard", "通俗名稱(&N)："), QStringLiteral("commonName"),
         CertificateField::CommonName},
        {QCoreApplication::translate("CertificateWizard", "電子郵件(&E)："), QStringLiteral("email"),
         CertificateField::Email},
        {QCoreApplication::translate("CertificateWizard", "部門(&U)："), QStringLiteral("unit"),
         CertificateField::Unit},
        {QCoreApplication::translate("CertificateWizard", "國家(&T)："), QStringLiteral("country"),
         CertificateField::Country}};
    QList<std::pair<QString, QLineEdit*>> rows;
    for (const auto& [label, name, field] : fields)
    {
        m_subject.insert(field, NamedEdit(name));
        rows.append({label, m_subject.value(field)});
    }
    addPage(new CCertificateWizardPage2(rows));
    addPage(new CCertificateWizardPage3(m_handOver, m_show));
}

CertificateAnswers CCertificateWizard::Answers() const
{
    CertificateAnswers answers;
    answers.name = m_name->text().trimmed();
    answers.outputFolder = m_folder->text().trimmed();
    answers.bits = m_bits->currentText().toInt();
    answers.expires = m_expires->dateTime();
    answers.passphrase = m_password->text().toUtf8();
    for (auto field = m_subject.begin(); field != m_subject.end(); ++field)
        if (!field.value()->text().trimmed().isEmpty())
            answers.subject.insert(field.key(), field.value()->text().trimmed());
    return answers;
}

bool CCertificateWizard::HandOver() const
{
    return m_handOver->isChecked();
}

void CCertificateWizard::accept()
{
    const CertificateAnswers answers = Answers();
    const IdentityFiles planned = CertificateFiles(answers);
    if (planned.Ok() && !MayReplaceFiles(this, {planned.privateKeyPath, planned.certificatePath}))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_files = GenerateCertificate(answers);
    QApplication::restoreOverrideCursor();
    if (!m_files.Ok())
    {
        CMessageBox::Show(this, QMessageBox::Warning, m_files.error);
        return;
    }
    if (m_show->isChecked())
    {
        CKeyCertificate certificate;
        if (certificate.LoadCertificate(m_files.certificatePath).Ok())
            CCertificateContentsDlg(certificate,
                                    QCoreApplication::translate("CertificateWizard", "這是您的憑證"), this)
                .exec();
    }
    QWizard::accept();
}
