#include "ui/dialogs/HostKeyDlg.h"

#include "ui/dialogs/TrustQuestion.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CHostKeyDlg::CHostKeyDlg(const QString& host, const SshHostKey& key, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("HostKeyDlg", "是否接受主機金鑰？"));
    auto* question = new QLabel(
        QCoreApplication::translate(
            "HostKeyDlg", "這台主機的公開金鑰尚未記錄。請確認金鑰指紋無誤後再接受，接受後會記錄此金鑰。"),
        this);
    question->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("HostKeyDlg", "主機："),
                 SelectableField(host, QStringLiteral("host"), this));
    form->addRow(QCoreApplication::translate("HostKeyDlg", "金鑰類型："),
                 SelectableField(QString::fromLatin1(key.type), QStringLiteral("keyType"), this));
    form->addRow(
        QCoreApplication::translate("HostKeyDlg", "SHA-256 指紋："),
        SelectableField(QString::fromLatin1(key.Fingerprint()), QStringLiteral("fingerprint"), this));

    QPushButton* refuse = nullptr;
    QDialogButtonBox* buttons = AcceptRefuseButtons(this, &refuse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(form);
    layout->addWidget(buttons);
    refuse->setFocus();
}
