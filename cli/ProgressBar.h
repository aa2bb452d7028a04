#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

// A one-line progress bar redrawn in place ("\r") on a terminal: percentage, bar, bytes and speed.
class CProgressBar
{
public:
    explicit CProgressBar(QTextStream& stream);

    void Show(qint64 position, qint64 total);
    // Ends the line once something was drawn.
    void Finish();

    // The line for one state; total < 0 when unknown.
    static QString Line(qint64 position, qint64 total, double bytesPerSecond);

private:
    QTextStream& m_stream;
    QElapsedTimer m_clock;
    qint64 m_start = -1; // where this transfer began (a resumed one does not start at 0)
    bool m_drawn = false;
};
