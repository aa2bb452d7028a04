#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QTimer;

// Counts down before the next connection attempt: ends Accepted (retry) when the count reaches the
// delay, Rejected when the user cancels.
class CRetryCountdownDlg : public QDialog
{
    Q_OBJECT

public:
    CRetryCountdownDlg(int delaySeconds, const QString& message, QWidget* parent = nullptr);

    // "Zentrava Pro 將在 %d 秒之後重試..." for the seconds left.
    static QString CountdownText(int secondsLeft);

private:
    void Tick();

    int m_delay;
    QLabel* m_countdown;
    QProgressBar* m_progress;
    QTimer* m_timer;
};
