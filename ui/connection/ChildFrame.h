#pragma once

#include "ui/connection/ConnectionContext.h"
#include "ui/connection/ConnectionWindow.h"

#include <QMainWindow>

class CFTPClientDoc;
class CFTPClientView;
class CRemoteController;
class CTracePane;
class QComboBox;
class QToolBar;
class QToolButton;

// One connection window inside the main frame: the remote list with its toolbar, its folder bar and
// its trace pane docked below.
class CChildFrame : public QMainWindow, public IConnectionWindow
{
    Q_OBJECT

public:
    explicit CChildFrame(const CConnectionContext& context = {}, QWidget* parent = nullptr);

    // Connects once the window is shown (the session's waits need a window to show their questions
    // over), then lists the start folder. An empty target opens the window without connecting.
    void OpenTarget(const QString& target, const QString& login, const QString& password) override;

    CFTPClientView* View() const { return m_view; }
    CRemoteController* Controller() const { return m_controller; }
    CFTPClientDoc* Doc() const { return m_doc; }
    CTracePane* TracePane() const { return m_trace; }
    QComboBox* FolderBar() const { return m_folderBar; }
    QToolButton* ViewButton() const { return m_viewButton; }
    QAction* UpAction() const { return m_up; }
    QAction* BackAction() const { return m_back; }

    void UpdateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateToolBar();
    void CreateFolderBar();
    void CreateTracePane();
    void RestoreStates();
    void SaveStates();
    void UpdateFolderBar();
    void UpdateActions();
    void Connect(const QString& target, const QString& login, const QString& password);

    CTracePane* m_trace = nullptr;
    CFTPClientView* m_view = nullptr;
    CRemoteController* m_controller = nullptr;
    CFTPClientDoc* m_doc = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolButton* m_viewButton = nullptr;
    QComboBox* m_folderBar = nullptr;
    QAction* m_up = nullptr;
    QAction* m_back = nullptr;
};
