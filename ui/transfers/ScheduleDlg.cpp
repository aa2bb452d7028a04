#include "ui/transfers/ScheduleDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>

CScheduleDlg::CScheduleDlg(const CScheduleInfo& schedule, QWidget* parent)
    : QDialog(parent), m_enabled(new QCheckBox(QCoreApplication::translate("ScheduleDlg", "啟動排程"), this)),
      m_startLabel(new QLabel(QCoreApplication::translate("ScheduleDlg", "開始時間:"), this)),
      m_date(new QDateEdit(this)), m_time(new QTimeEdit(this)),
      m_repeat(new QCheckBox(QCoreApplication::translate("ScheduleDlg", "重複執行"), this)),
      m_everyLabel(new QLabel(QCoreApplication::translate("ScheduleDlg", "每"), this)),
      m_interval(new QSpinBox(this)), m_unit(new QComboBox(this))
{
    setWindowTitle(QCoreApplication::translate("ScheduleDlg", "排程作業"));
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_date->setObjectName(QStringLiteral("date"));
    m_time->setObjectName(QStringLiteral("time"));
    m_repeat->setObjectName(QStringLiteral("repeat"));
    m_interval->setObjectName(QStringLiteral("interval"));
    m_unit->setObjectName(QStringLiteral("unit"));

    const QDateTime start = schedule.start.toLocalTime();
    m_enabled->setChecked(schedule.enabled);
    m_date->setCalendarPopup(true);
    m_date->setDate(start.date());
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_time->setTime(start.time());
    m_repeat->setChecked(schedule.repeat);
    m_interval->setRange(1, kMaxInterval);
    m_interval->setValue(qBound(1, schedule.interval, kMaxInterval));
    m_unit->addItems(
        {QCoreApplication::translate("ScheduleDlg", "分"), QCoreApplication::translate("ScheduleDlg", "小時"),
         QCoreApplication::translate("ScheduleDlg", "日"), QCoreApplication::translate("ScheduleDlg", "週"),
         QCoreApplication::translate("ScheduleDlg", "月"), QCoreApplication::translate("ScheduleDlg", "年")});
    m_unit->setCurrentIndex(qBound(0, schedule.unit, m_unit->count() - 1));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_enabled, &QCheckBox::toggled, this, &CScheduleDlg::UpdateEnabling);
    connect(m_repeat, &QCheckBox::toggled, this, &CScheduleDlg::UpdateEnabling);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_enabled, 0, 0, 1, 4);
    grid->addWidget(m_startLabel, 1, 0);
    grid->addWidget(m_date, 1, 1, 1, 2);
    grid->addWidget(m_time, 1, 3);
    grid->addWidget(m_repeat, 2, 0, 1, 4);
    grid->addWidget(m_everyLabel, 3, 0);
    grid->addWidget(m_interval, 3, 1);
    grid->addWidget(m_unit, 3, 2);
    grid->addWidget(buttons, 4, 0, 1, 4);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    UpdateEnabling();
}

CScheduleInfo CScheduleDlg::Schedule() const
{
    CScheduleInfo schedule;
    schedule.enabled = m_enabled->isChecked();
    schedule.repeat = m_repeat->isChecked();
    schedule.interval = m_interval->value();
    schedule.unit = m_unit->currentIndex();
    schedule.start = QDateTime(m_date->date(), m_time->time());
    return schedule;
}

void CScheduleDlg::UpdateEnabling()
{
    const bool enabled = m_enabled->isChecked();
    const bool recurring = enabled && m_repeat->isChecked();
    m_startLabel->setEnabled(enabled);
    m_date->setEnabled(enabled);
    m_time->setEnabled(enabled);
    m_everyLabel->setEnabled(recurring);
    m_interval->setEnabled(recurring);
    m_unit->setEnabled(recurring);
}
