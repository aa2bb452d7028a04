#include "ui/transfers/AfterQueueActions.h"

#include "ui/connection/ChildFrame.h"
#include "ui/connection/FTPClientView.h"
#include "ui/frame/FrameCommands.h"
#include "ui/frame/MainFrame.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

namespace
{

enum Event
{
    Nothing,
    Disconnect,
    DisconnectAndExit,
    HangUp,
    PowerOff,
    LogOff
};

} // namespace

CAfterQueueActions::CAfterQueueActions(CMainFrame& frame, BusProvider bus, std::function<void()> quit)
    : m_frame(frame), m_bus(std::move(bus)), m_quit(std::move(quit))
{
}

void CAfterQueueActions::OnQueueEmpty(int events)
{
    switch (events)
    {
    case Disconnect:
        DisconnectAll();
        break;
    case DisconnectAndExit:
        DisconnectAll();
        m_frame.close();
        break;
    case HangUp:
        Report(events, CSystemActions(m_bus()).HangUpDialUp());
        break;
    case PowerOff:
    case LogOff:
    {
        CSystemActions system(m_bus());
        const CSystemActions::Result result = events == PowerOff ? system.PowerOff() : system.LogOff();
        Report(events, result);
        if (result.ok)
            m_quit();
        break;
    }
    default:
        break;
    }
}

QString CAfterQueueActions::ActionName(int events)
{
    switch (events)
    {
    case Disconnect:
        return QCoreApplication::translate("AfterQueueActions", "中斷站台連線");
    case DisconnectAndExit:
        return QCoreApplication::translate("AfterQueueActions", "中斷站台連線並結束程式");
    case HangUp:
        return QCoreApplication::translate("AfterQueueActions", "中斷網際網路連線");
    case PowerOff:
        return QCoreApplication::translate("AfterQueueActions", "關閉電腦");
    case LogOff:
        return QCoreApplication::translate("AfterQueueActions", "登出");
    default:
        return QCoreApplication::translate("AfterQueueActions", "不做任何動作");
    }
}

// Queued, so that the queue's completion handling that called us finishes first.
void CAfterQueueActions::QuitProgram()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

// Each window disconnects as its own disconnect command would; one that is busy or not connected
// ignores it.
void CAfterQueueActions::DisconnectAll()
{
    for (QMdiSubWindow* window : m_frame.MdiArea()->subWindowList())
        if (auto* connection = qobject_cast<CChildFrame*>(window->widget()))
            connection->View()->RunCommand(FrameCommand::Disconnect);
    m_frame.UpdateWindowCommands();
}

void CAfterQueueActions::Report(int events, const CSystemActions::Result& result)
{
    if (!result.ok)
        m_frame.statusBar()->showMessage(QCoreApplication::translate("AfterQueueActions", "無法%1：%2")
                                             .arg(ActionName(events), result.reason));
}
