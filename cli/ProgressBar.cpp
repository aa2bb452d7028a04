#include "cli/ProgressBar.h"

namespace
{
constexpr int kBarWidth = 30;

QString Amount(double bytes)
{
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4)
    {
        bytes /= 1024;
        ++unit;
    }
    return QString::number(bytes, 'f', unit ? 1 : 0) + u' ' + QLatin1String(units[unit]);
}
} // namespace

CProgressBar::CProgressBar(QTextStream& stream) : m_stream(stream) {}

void CProgressBar::Show(qint64 position, qint64 total)
{
    if (m_start < 0)
    {
        m_start = position;
        m_clock.start();
    }
    const double seconds = m_clock.elapsed() / 1000.0;
    const double speed = seconds > 0 ? (position - m_start) / seconds : 0;
    m_stream << '\r' << Line(position, total, speed) << Qt::flush;
    m_drawn = true;
}

void CProgressBar::Finish()
{
    if (m_drawn)
        m_stream << Qt::endl;
    m_drawn = false;
    m_start = -1;
}

QString CProgressBar::Line(qint64 position, qint64 total, double bytesPerSecond)
{
    const QString rate = Amount(bytesPerSecond) + QStringLiteral("/s");
    if (total <= 0)
        return QStringLiteral("%1  %2   ").arg(Amount(double(position)), rate);
    const qint64 shown = qBound<qint64>(0, position, total);
    const int percent = int(shown * 100 / total);
    const int filled = int(shown * kBarWidth / total);
    const QString bar = QString(filled, u'=') + QString(kBarWidth - filled, u' ');
    return QStringLiteral("%1% [%2] %3 / %4  %5   ")
        .arg(percent, 3)
        .arg(bar, Amount(double(position)), Amount(double(total)), rate);
}
