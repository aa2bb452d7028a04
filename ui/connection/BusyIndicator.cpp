#include "ui/connection/BusyIndicator.h"

#include <QPainter>

namespace
{

constexpr int kDots = 12;
constexpr int kStepMs = 80;

} // namespace

CBusyIndicator::CBusyIndicator(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(kSide, kSide);
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, &CBusyIndicator::Step);
    hide();
}

void CBusyIndicator::Start()
{
    m_frames = 0;
    show();
    raise();
    m_timer.start();
}

void CBusyIndicator::Stop()
{
    m_timer.stop();
    hide();
}

void CBusyIndicator::Step()
{
    ++m_frames;
    update();
}

void CBusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const QColor colour = palette().color(QPalette::Highlight);
    const qreal radius = kSide / 2.0 - 8;
    for (int i = 0; i < kDots; ++i)
    {
        // The dot at the head of the turn is the darkest; the ones behind it fade.
        const int age = (i - m_frames % kDots + kDots) % kDots;
        QColor dot = colour;
        dot.setAlphaF(1.0 - age / qreal(kDots));
        painter.setBrush(dot);
        painter.setPen(Qt::NoPen);
        painter.save();
        painter.rotate(i * 360.0 / kDots);
        painter.drawEllipse(QPointF(radius, 0), 4, 4);
        painter.restore();
    }
}
