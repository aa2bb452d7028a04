#pragma once

#include <QString>

// What the frame asks of the widget inside a connection window.
class IConnectionWindow
{
public:
    virtual ~IConnectionWindow() = default;
    // Connects the window to a site path (folders and name joined by "\") or an address.
    virtual void OpenTarget(const QString& target) = 0;
};
