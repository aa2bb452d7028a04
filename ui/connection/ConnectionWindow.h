#pragma once

#include <QString>

// What the frame asks of the widget inside a connection window.
class IConnectionWindow
{
public:
    virtual ~IConnectionWindow() = default;
    // Connects the window to a site path (folders and name joined by "\") or an address; a login and
    // password typed in the quick connect bar come along with an address.
    virtual void OpenTarget(const QString& target, const QString& login, const QString& password) = 0;
};
