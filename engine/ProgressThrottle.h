#pragma once

#include <QElapsedTimer>
#include <functional>

// Passes a fast stream of progress reports on at most once per interval (the first at once), and the
// last report on Flush() unless it went already, so the owner sees the final position without a flood.
class CProgressThrottle
{
public:
    using Sink = std::function<void(qint64 position, qint64 total)>;

    explicit CProgressThrottle(Sink sink, int intervalMs = 40);

    void Report(qint64 position, qint64 total);
    void Flush();

private:
    void Pass();

    Sink m_sink;
    int m_intervalMs;
    QElapsedTimer m_sincePassed;
    qint64 m_position = -1;
    qint64 m_total = -1;
    bool m_held = false; // the latest report has not been passed on
};
