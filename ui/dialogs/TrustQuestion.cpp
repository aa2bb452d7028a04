#include "ui/dialogs/TrustQuestion.h"

#include "engine/VisibleText.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

// The fields come from the server's certificate or key.
QLabel* SelectableField(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* label = new QLabel(VisibleText(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QDialogButtonBox* AcceptRefuseButtons(QDialog* dialog, QPushButton** refuse)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* accept = buttons->addButton(QCoreApplication::translate("TrustQuestion", "接受(&A)"),
                                             QDialogButtonBox::AcceptRole);
    *refuse = buttons->addButton(QCoreApplication::translate("TrustQuestion", "拒絕(&R)"),
                                 QDialogButtonBox::RejectRole);
    accept->setObjectName(QStringLiteral("accept"));
    (*refuse)->setObjectName(QStringLiteral("refuse"));
    (*refuse)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
