#include "ui/dialogs/RetryCountdownDlg.h"

#include "ui/dialogs/MessageBox.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

CRetryCountdownDlg::CRetryCountdownDlg(int delaySeconds, const QString& message, QWidget* parent)
    : QDialog(parent), m_delay(qMax(0, delaySeconds)), m_countdown(new QLabel(CountdownText(m_delay), this)),
      m_progress(new QProgressBar(this)), m_timer(new QTimer(this))
{
    setWindowTitle(CMessageBox::kCaption);
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(iconSize));
    auto* text = new QLabel(message, this);
    text->setObjectName(QStringLiteral("message"));
    text->setWordWrap(true);
    m_countdown->setObjectName(QStringLiteral("countdown"));
    m_progress->setRange(0, qMax(m_delay, 1));
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(text, 0, 1);
    grid->addWidget(m_countdown, 1, 1);
    grid->addWidget(m_progress, 2, 0, 1, 2);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &CRetryCountdownDlg::Tick);
    connect(this, &QDialog::finished, m_timer, &QTimer::stop);
    m_timer->start();
}

QString CRetryCountdownDlg::CountdownText(int secondsLeft)
{
    return QCoreApplication::translate("RetryCountdownDlg", "Zentrava Pro 將在 %1 秒之後重試...")
        .arg(secondsLeft);
}

void CRetryCountdownDlg::Tick()
{
    const int position = qMin(m_progress->value() + 1, m_delay);
    m_progress->setValue(position);
    m_countdown->setText(CountdownText(m_delay - position));
    if (position >= m_delay)
        accept();
}
