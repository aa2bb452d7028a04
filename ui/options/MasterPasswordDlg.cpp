#include "ui/options/MasterPasswordDlg.h"

#include "ui/dialogs/MessageBox.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace
{

QLineEdit* PasswordEdit(const QString& name, const QByteArray& text, QWidget* parent)
{
    auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    return edit;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CMasterPasswordDlg::CMasterPasswordDlg(const QByteArray& master, QWidget* parent)
    : QDialog(parent), m_password(PasswordEdit(QStringLiteral("Password"), master, this)),
      m_confirm(PasswordEdit(QStringLiteral("ConfirmPassword"), master, this))
{
    setObjectName(QStringLiteral("MasterPasswordDlg"));
    setWindowTitle(QCoreApplication::translate("MasterPasswordDlg", "超級密碼"));
    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QCoreApplication::translate("MasterPasswordDlg", "密碼(&P)："), m_password, this),
                 m_password);
    form->addRow(
        BuddyLabel(QCoreApplication::translate("MasterPasswordDlg", "確認密碼(&C)："), m_confirm, this),
        m_confirm);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QCoreApplication::translate("MasterPasswordDlg", "請自訂一組檔案加密用的密碼"), this));
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QByteArray CMasterPasswordDlg::Password() const
{
    return m_password->text().toUtf8();
}

void CMasterPasswordDlg::accept()
{
    if (m_password->text() != m_confirm->text())
    {
        CMessageBox::Show(
            this, QMessageBox::Warning,
            QCoreApplication::translate("MasterPasswordDlg", "密碼不相符！\n'密碼' 與 '確認密碼' 必須相同"));
        m_password->setFocus();
        return;
    }
    QDialog::accept();
}
