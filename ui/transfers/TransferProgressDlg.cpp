#include "ui/transfers/TransferProgressDlg.h"

#include "app/Profile.h"
#include "transfer/TransferWorker.h"
#include "ui/connection/BusyIndicator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QWindowStateChangeEvent>

namespace
{

// Only the GUI thread reads or sets it.
bool g_userMinimised = false;

} // namespace

CTransferProgressDlg::CTransferProgressDlg(CTransferWorker* worker, QWidget* parent)
    : QDialog(parent), m_worker(worker), m_animation(new CBusyIndicator(this)), m_line1(new QLabel(this)),
      m_line2(new QLabel(this)), m_progress(new QProgressBar(this))
{
    setWindowTitle(QCoreApplication::translate("TransferProgressDlg", "複製..."));
    setWindowIcon(QApplication::windowIcon());
    // A window of its own in the task bar, minimisable apart from the frame.
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_line1->setObjectName(QStringLiteral("line1"));
    m_line2->setObjectName(QStringLiteral("line2"));
    m_line1->setMinimumWidth(340);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTransferProgressDlg::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_animation, 0, 0, 1, 2, Qt::AlignHCenter);
    grid->addWidget(m_line1, 1, 0, 1, 2);
    grid->addWidget(m_line2, 2, 0, 1, 2);
    grid->addWidget(m_progress, 3, 0);
    grid->addWidget(buttons, 3, 1);
    m_animation->Start();
}

void CTransferProgressDlg::SetLine1(const QString& text)
{
    m_line1->setText(text);
}

void CTransferProgressDlg::SetLine2(const QString& text)
{
    m_line2->setText(text);
}

void CTransferProgressDlg::SetPosition(int percent)
{
    m_progress->setValue(qBound(0, percent, 100));
}

bool CTransferProgressDlg::ShowIfAllowed()
{
    if (GetProfileInt(QStringLiteral("Settings"), QStringLiteral("HideProgressDlg")) > 0)
        return false;
    if (g_userMinimised)
        showMinimized();
    else
        show();
    return true;
}

bool CTransferProgressDlg::StartsMinimised()
{
    return g_userMinimised;
}

void CTransferProgressDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isVisible())
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimised = change->oldState().testFlag(Qt::WindowMinimized);
    if (wasMinimised != isMinimized())
        g_userMinimised = true;
}

void CTransferProgressDlg::reject()
{
    // The window goes with its worker; Cancel only tells the worker to end.
    if (m_worker)
        m_worker->Cancel();
}
