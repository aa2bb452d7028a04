#include "ui/options/IdentityFileWizard.h"

#include "ui/dialogs/MessageBox.h"
#include "ui/options/OptionsRow.h"
#include "ui/options/WizardChecks.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace
{
const QStringList kBits = {QStringLiteral("512"), QStringLiteral("1024"), QStringLiteral("2048"),
                           QStringLiteral("4096")};

QLineEdit* NamedEdit(const QString& name, QWidget* parent, const QString& text = {})
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

// A path box with a ".." button that picks the file to write.
QWidget* SaveFileRow(QLineEdit* path, const QString& title, const QString& suffix, const QString& filter)
{
    auto* button = new QPushButton(QStringLiteral(".."), path->parentWidget());
    button->setObjectName(path->objectName() + QStringLiteral("Browse"));
    QObject::connect(button, &QPushButton::clicked, path,
                     [path, title, suffix, filter]
                     {
                         QFileDialog dialog(path->window(), title, path->text(), filter);
                         dialog.setAcceptMode(QFileDialog::AcceptSave);
                         dialog.setDefaultSuffix(suffix);
                         if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                             path->setText(dialog.selectedFiles().first());
                     });
    return OptionsRow(path, button);
}

// Page 1: the key type. Ed25519 first: it is what OpenSSH makes by default.
class CIdentityFilePage1 : public QWizardPage
{
public:
    explicit CIdentityFilePage1(QComboBox* type)
    {
        setTitle(QCoreApplication::translate("IdentityFileWizard", "PKI 金鑰產生器"));
        auto* text = new QLabel(
            QCoreApplication::translate("IdentityFileWizard",
                                        "這個精靈會產生一組公開/私密金鑰，供 SSH2 (SFTP) 以公開金鑰登入。"
                                        "私密金鑰留在這部電腦上；公開金鑰要加入伺服器上的 "
                                        "~/.ssh/authorized_keys。"),
            this);
        text->setWordWrap(true);
        type->setParent(this);
        type->setObjectName(QStringLiteral("keyType"));
        type->addItems({QStringLiteral("Ed25519"), QStringLiteral("RSA"), QStringLiteral("DSA")});
        auto* note = new QLabel(QCoreApplication::translate("IdentityFileWizard",
                                                            "注意：OpenSSH 7.0 起的伺服器預設拒絕 DSA 金鑰，"
                                                            "除非伺服器只接受 DSA，請選擇 Ed25519 或 RSA。"),
                                this);
        note->setObjectName(QStringLiteral("dsaNote"));
        note->setWordWrap(true);
        auto* layout = new QFormLayout(this);
        layout->addRow(text);
        layout->addRow(QCoreApplication::translate("IdentityFileWizard", "金鑰類型(&K)："), type);
        layout->addRow(note);
    }
};

// Page 2: the private key's pass phrase, typed twice; both may stay empty.
class CIdentityFilePage2 : public QWizardPage
{
public:
    CIdentityFilePage2(QLineEdit* password, QLineEdit* confirmation)
        : m_password(password), m_confirmation(confirmation)
    {
        setTitle(QCoreApplication::translate("IdentityFileWizard", "PKI金鑰產生器"));
        auto* layout = new QFormLayout(this);
        for (QLineEdit* edit : {password, confirmation})
        {
            edit->setParent(this);
            edit->setEchoMode(QLineEdit::Password);
        }
        layout->addRow(QCoreApplication::translate("IdentityFileWizard", "密碼(&P)："), password);
        layout->addRow(QCoreApplication::translate("IdentityFileWizard", "確認密碼(&C)："), confirmation);
    }
    bool validatePage() override { return ConfirmPasswords(m_password, m_confirmation); }

private:
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
};

// Page 3: where the files go, the key size (Ed25519 keys have one size) and the hand-over.
class CIdentityFilePage3 : public QWizardPage
{
public:
    CIdentityFilePage3(QLineEdit* publicPath, QLineEdit* privatePath, QComboBox* bits, QCheckBox* handOver,
                       QComboBox* type)
        : m_bits(bits), m_type(type)
    {
        setTitle(QCoreApplication::translate("IdentityFileWizard", "PKI金鑰產生器"));
        for (QWidget* widget : {static_cast<QWidget*>(publicPath), static_cast<QWidget*>(privatePath),
                                static_cast<QWidget*>(bits), static_cast<QWidget*>(handOver)})
            widget->setParent(this);
        bits->setObjectName(QStringLiteral("keyBits"));
        bits->addItems(kBits);
        bits->setCurrentText(QStringLiteral("1024"));
        handOver->setObjectName(QStringLiteral("handOver"));
        auto* layout = new QFormLayout(this);
        layout->addRow(
            QCoreApplication::translate("IdentityFileWizard", "公開金鑰位置："),
            SaveFileRow(publicPath, QCoreApplication::translate("IdentityFileWizard", "選擇公開金鑰"),
                        QStringLiteral("pub"),
                        QCoreApplication::translate("IdentityFileWizard", "公開金鑰 (*.pub);;所有檔案 (*)")));
        layout->addRow(
            QCoreApplication::translate("IdentityFileWizard", "私密金鑰位置："),
            SaveFileRow(privatePath, QCoreApplication::translate("IdentityFileWizard", "選擇私密金鑰"),
                        QStringLiteral("key"),
                        QCoreApplication::translate("IdentityFileWizard", "私密金鑰 (*.key);;所有檔案 (*)")));
        layout->addRow(QCoreApplication::translate("IdentityFileWizard", "金鑰位元數："), bits);
        layout->addRow(handOver);
    }
    void initializePage() override { m_bits->setEnabled(m_type->currentIndex() != 0); }

private:
    QComboBox* m_bits;
    QComboBox* m_type;
};

KeyAlgorithm AlgorithmAt(int index)
{
    return index == 1 ? KeyAlgorithm::Rsa : index == 2 ? KeyAlgorithm::Dsa : KeyAlgorithm::Ed25519;
}
} // namespace

CIdentityFileWizard::CIdentityFileWizard(QWidget* parent)
    : QWizard(parent), m_type(new QComboBox), m_password(NamedEdit(QStringLiteral("password"), nullptr)),
      m_confirmation(NamedEdit(QStringLiteral("confirmation"), nullptr)),
      m_publicPath(NamedEdit(QStringLiteral("publicKeyPath"), nullptr, DefaultPublicKeyPath())),
      m_privatePath(NamedEdit(QStringLiteral("privateKeyPath"), nullptr, DefaultPrivateKeyPath())),
      m_bits(new QComboBox), m_handOver(new QCheckBox(QCoreApplication::translate(
                                 "IdentityFileWizard", "將這組金鑰設定給 Zentrava Pro 使用")))
{
    setWindowTitle(QCoreApplication::translate("IdentityFileWizard", "公開/私密金鑰產生器"));
    setWizardStyle(QWizard::ClassicStyle);
    addPage(new CIdentityFilePage1(m_type));
    addPage(new CIdentityFilePage2(m_password, m_confirmation));
    addPage(new CIdentityFilePage3(m_publicPath, m_privatePath, m_bits, m_handOver, m_type));
}

KeyPairAnswers CIdentityFileWizard::Answers() const
{
    KeyPairAnswers answers;
    answers.type = AlgorithmAt(m_type->currentIndex());
    answers.bits = m_bits->currentText().toInt();
    answers.passphrase = m_password->text().toUtf8();
    answers.publicKeyPath = m_publicPath->text().trimmed();
    answers.privateKeyPath = m_privatePath->text().trimmed();
    return answers;
}

bool CIdentityFileWizard::HandOver() const
{
    return m_handOver->isChecked();
}

void CIdentityFileWizard::accept()
{
    const KeyPairAnswers answers = Answers();
    if (answers.publicKeyPath.isEmpty() || answers.privateKeyPath.isEmpty())
    {
        CMessageBox::Show(
            this, QMessageBox::Warning,
            QCoreApplication::translate("IdentityFileWizard", "請輸入公開金鑰與私密金鑰的位置。"));
        return;
    }
    if (!MayReplaceFiles(this, {answers.privateKeyPath, answers.publicKeyPath}))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_files = GenerateKeyPair(answers);
    QApplication::restoreOverrideCursor();
    if (!m_files.Ok())
    {
        CMessageBox::Show(this, QMessageBox::Warning, m_files.error);
        return;
    }
    QWizard::accept();
}
