#pragma once

#include <QRect>
#include <QSize>

#include <optional>

// The main window's remembered show state and normal rectangle, kept in Settings as FrameStatus and
// FrameLeft, FrameTop, FrameRight, FrameBottom. The rectangle is relative to the work area's corner
// and its right and bottom lie just outside it, as the values have always been stored.
struct CFramePlacement
{
    // The stored show states.
    static constexpr int kShowNormal = 1;
    static constexpr int kShowMinimized = 2;
    static constexpr int kShowMaximized = 3;
    // How much of the window stays on the screen at least.
    static constexpr int kIconSize = 32;

    int showState = kShowNormal;
    QRect normal;

    // Nothing when SavePosition is 0 or any of the five values is missing.
    static std::optional<CFramePlacement> Load();
    // Writes the five values unless SavePosition is 0.
    bool Save() const;

    // Where the window goes on this desktop: moved by the work area's corner, then pulled back so that
    // an icon's width and height of it stay on the screen.
    QRect ScreenRect(const QRect& workArea, const QRect& screen) const;
    // A window at this screen rectangle as stored for this work area.
    static QRect StoredRect(const QRect& screenRect, const QRect& workArea);
};
