#pragma once

#include "platform/SystemActions.h"
#include "transfer/AfterQueueAction.h"

#include <QDBusConnection>
#include <QString>

#include <functional>

class CMainFrame;

// Carries out the after-queue choice on the main frame: 1 disconnects every connection window, 2 does
// that and closes the frame, 3 hangs up dial-up connections, 4 powers off and quits, 5 logs off and
// quits. When a system service is missing or refuses, nothing further happens and the frame's status
// bar names the action and the reason.
class CAfterQueueActions : public IAfterQueueAction
{
public:
    using BusProvider = std::function<QDBusConnection()>;

    // The bus is asked for only when a system action runs.
    explicit CAfterQueueActions(CMainFrame& frame, BusProvider bus = &QDBusConnection::systemBus,
                                std::function<void()> quit = &CAfterQueueActions::QuitProgram);

    void OnQueueEmpty(int events) override;

private:
    // The text of the choice in the options' combo box.
    static QString ActionName(int events);
    static void QuitProgram();
    void DisconnectAll();
    void Report(int events, const CSystemActions::Result& result);

    CMainFrame& m_frame;
    BusProvider m_bus;
    std::function<void()> m_quit;
};
