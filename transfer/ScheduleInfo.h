#pragma once

#include "app/Serializable.h"

#include <QDateTime>

// When a queued transfer is due and whether it recurs.
struct CScheduleInfo : ISerializable
{
    enum Unit
    {
        Minutes = 0,
        Hours = 1,
        Days = 2,
        Weeks = 3,
        Months = 4, // 30 days
        Years = 5   // 365 days
    };

    bool repeat = false;
    int interval = 1;
    int unit = Hours;
    QDateTime start = QDateTime::currentDateTime();
    bool enabled = false;

    // Seconds in one unit; 0 for a value that is no unit.
    static qint64 UnitSeconds(int unit);
    // Moves start on by one interval, however far in the past the new start still lies.
    void AdvanceOnce();

    // Enabled, start (seconds since 1970 in 32 bits, read unsigned), repeat, interval, unit.
    QByteArray Serialize() const override;
    // Refuses a unit outside the table.
    bool Deserialize(const QByteArray& bytes) override;
};
