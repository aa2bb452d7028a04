#include "ui/dialogs/PackProgressDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPackProgressDlg::CPackProgressDlg(bool unpacking, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(unpacking ? QCoreApplication::translate("PackProgressDlg", "解壓縮...")
                             : QCoreApplication::translate("PackProgressDlg", "壓縮中 ..."));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("PackProgressDlg", "檔案："), this));
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("file"));
    m_file->setMinimumWidth(360);
    // Long paths are cut on screen, never widen the window.
    m_file->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_file);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = buttons->addButton(QCoreApplication::translate("PackProgressDlg", "取消"),
                                             QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(buttons);
    connect(cancel, &QPushButton::clicked, this,
            [this, cancel]
            {
                cancel->setEnabled(false);
                Q_EMIT CancelPressed();
            });
}

void CPackProgressDlg::SetFile(const QString& file)
{
    m_file->setText(file);
}

QString CPackProgressDlg::File() const
{
    return m_file->text();
}
