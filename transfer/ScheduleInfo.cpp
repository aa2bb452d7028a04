#include "transfer/ScheduleInfo.h"

#include "app/Archive.h"

#include <array>
#include <limits>

namespace
{

constexpr std::array<qint64, 6> kUnitSeconds = {60, 3600, 86400, 604800, 2592000, 31536000};

// The stored form has 32 unsigned bits; times outside it are pinned to its ends.
quint32 StoredTime(const QDateTime& time)
{
    const qint64 seconds = time.toSecsSinceEpoch();
    return quint32(qBound<qint64>(0, seconds, std::numeric_limits<quint32>::max()));
}

} // namespace

qint64 CScheduleInfo::UnitSeconds(int unit)
{
    if (unit < 0 || unit >= int(kUnitSeconds.size()))
        return 0;
    return kUnitSeconds[unit];
}

void CScheduleInfo::AdvanceOnce()
{
    start = start.addSecs(qint64(interval) * UnitSeconds(unit));
}

QByteArray CScheduleInfo::Serialize() const
{
    CArchiveWriter out;
    out.WriteInt32(enabled ? 1 : 0);
    out.WriteInt32(qint32(StoredTime(start)));
    out.WriteInt32(repeat ? 1 : 0);
    out.WriteInt32(interval);
    out.WriteInt32(unit);
    return out.Bytes();
}

bool CScheduleInfo::Deserialize(const QByteArray& bytes)
{
    CArchiveReader in(bytes);
    qint32 storedEnabled = 0, storedStart = 0, storedRepeat = 0, storedInterval = 0, storedUnit = 0;
    const bool ok = in.ReadInt32(storedEnabled) && in.ReadInt32(storedStart) && in.ReadInt32(storedRepeat) &&
                    in.ReadInt32(storedInterval) && in.ReadInt32(storedUnit) && in.AtEnd();
    if (!ok || UnitSeconds(storedUnit) == 0)
        return false;
    enabled = storedEnabled != 0;
    start = QDateTime::fromSecsSinceEpoch(quint32(storedStart));
    repeat = storedRepeat != 0;
    interval = storedInterval;
    unit = storedUnit;
    return true;
}
