#pragma once

#include <QDateTime>

// When a queued transfer is due and whether it recurs.
struct CScheduleInfo
{
    enum Unit
    {
        Minutes = 0,
        Hours = 1,
        Days = 2,
        Weeks = 3,
        Months = 4,
        Years = 5
    };

    bool repeat = false;
    int interval = 1;
    int unit = Hours;
    QDateTime start = QDateTime::currentDateTime();
    bool enabled = false;
};
