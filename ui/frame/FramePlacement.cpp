#include "ui/frame/FramePlacement.h"

#include "app/Profile.h"

#include <algorithm>
#include <array>

namespace
{

const QString kSection = QStringLiteral("Settings");

int Read(const char* key)
{
    return GetProfileInt(kSection, QLatin1String(key));
}

bool Write(const char* key, int value)
{
    return WriteProfileInt(kSection, QLatin1String(key), value);
}

} // namespace

std::optional<CFramePlacement> CFramePlacement::Load()
{
    if (Read("SavePosition") == 0)
        return std::nullopt;
    const std::array<int, 5> values = {Read("FrameStatus"), Read("FrameTop"), Read("FrameLeft"),
                                       Read("FrameBottom"), Read("FrameRight")};
    if (std::find(values.begin(), values.end(), -1) != values.end())
        return std::nullopt;
    CFramePlacement placement;
    placement.showState = values[0];
    const int top = values[1], left = values[2], bottom = values[3], right = values[4];
    placement.normal = QRect(left, top, right - left, bottom - top);
    return placement;
}

bool CFramePlacement::Save() const
{
    if (Read("SavePosition") == 0)
        return false;
    return Write("FrameStatus", showState) && Write("FrameTop", normal.top()) &&
           Write("FrameLeft", normal.left()) && Write("FrameBottom", normal.top() + normal.height()) &&
           Write("FrameRight", normal.left() + normal.width());
}

QRect CFramePlacement::ScreenRect(const QRect& workArea, const QRect& screen) const
{
    QRect rect = normal.translated(workArea.topLeft());
    const int maxLeft = screen.left() + screen.width() - kIconSize;
    const int maxTop = screen.top() + screen.height() - kIconSize;
    // A corner saved on a screen that is gone, to the left or above, must not hide the window either:
    // an icon's width of it stays visible and its title bar stays reachable.
    const int minLeft = screen.left() + kIconSize - rect.width();
    const int minTop = screen.top();
    rect.moveTo(std::clamp(rect.left(), std::min(minLeft, maxLeft), maxLeft),
                std::clamp(rect.top(), std::min(minTop, maxTop), maxTop));
    return rect;
}

QRect CFramePlacement::StoredRect(const QRect& screenRect, const QRect& workArea)
{
    return screenRect.translated(-workArea.topLeft());
}
