#pragma once

#include "transfer/ScheduleInfo.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QSpinBox;
class QTimeEdit;

// "排程作業": when a queued transfer is due and whether it recurs. The start fields take part only
// while the schedule is enabled, the interval only while it also repeats.
class CScheduleDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxInterval = 999;

    explicit CScheduleDlg(const CScheduleInfo& schedule, QWidget* parent = nullptr);

    // The dialog's values; the start joins the date picker's day with the time picker's time.
    CScheduleInfo Schedule() const;

private:
    void UpdateEnabling();

    QCheckBox* m_enabled;
    QLabel* m_startLabel;
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QCheckBox* m_repeat;
    QLabel* m_everyLabel;
    QSpinBox* m_interval;
    QComboBox* m_unit;
};
