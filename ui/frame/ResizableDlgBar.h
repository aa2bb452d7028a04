#pragma once

#include <QDockWidget>
#include <QSize>

class QMainWindow;

// The six remembered sizes of a resizable bar, in pixels.
struct CBarSizes
{
    QSize horizontal; // docked at the top or bottom: the height is the bar's thickness
    QSize vertical;   // docked at the left or right: the width is the bar's thickness
    QSize floating;
};

// A docking bar that the user resizes by dragging its edge, docked on any side or floating, and whose
// sizes are kept in a settings section.
class CResizableDlgBar : public QDockWidget
{
    Q_OBJECT

public:
    static constexpr int kMinimumSize = 32;

    // The sizes start at the content's own size, with 4 pixels more thickness when docked.
    CResizableDlgBar(const QString& caption, QWidget* content, QSize templateSize, QMainWindow* frame);

    const CBarSizes& Sizes() const { return m_sizes; }

    // Reads the six sizes with the current ones as defaults; anything below 32 becomes 32.
    void LoadBarSizes(const QString& section);
    // Takes the bar's present size into the matching slot, then writes the six sizes.
    void SaveBarSizes(const QString& section);
    // Gives the bar the remembered thickness for where it is docked, or its floating size.
    void ApplySizes();

    static QSize AtLeastMinimum(QSize size);

private:
    void RememberCurrentSize();

    QMainWindow* m_frame;
    CBarSizes m_sizes;
};
