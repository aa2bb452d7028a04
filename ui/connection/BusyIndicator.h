#pragma once

#include <QTimer>
#include <QWidget>

// The animation over the remote list while a listing runs: a ring of dots turning, drawn on a
// transparent background. It moves only while events are dispatched, which is how a long listing
// shows that the window is still alive.
class CBusyIndicator : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSide = 64;

    explicit CBusyIndicator(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }
    // Steps drawn since the last Start().
    int Frames() const { return m_frames; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Step();

    QTimer m_timer;
    int m_frames = 0;
};
