#include "ui/HostKeyDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QLabel* FieldLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

} // namespace

CHostKeyDlg::CHostKeyDlg(const QString& host, const SshHostKey& key, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("是否接受主機金鑰？"));
    auto* question = new QLabel(
        QStringLiteral("這台主機的公開金鑰尚未記錄。請確認金鑰指紋無誤後再接受，接受後會記錄此金鑰。"), this);
    question->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("主機："), FieldLabel(host, QStringLiteral("host"), this));
    form->addRow(QStringLiteral("金鑰類型："),
                 FieldLabel(QString::fromLatin1(key.type), QStringLiteral("keyType"), this));
    form->addRow(QStringLiteral("SHA-256 指紋："),
                 FieldLabel(QString::fromLatin1(key.Fingerprint()), QStringLiteral("fingerprint"), this));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* accept = buttons->addButton(QStringLiteral("接受(&A)"), QDialogButtonBox::AcceptRole);
    QPushButton* refuse = buttons->addButton(QStringLiteral("拒絕(&R)"), QDialogButtonBox::RejectRole);
    accept->setObjectName(QStringLiteral("accept"));
    refuse->setObjectName(QStringLiteral("refuse"));
    // Enter must not trust a host key by accident.
    refuse->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(form);
    layout->addWidget(buttons);
    refuse->setFocus();
}
