#pragma once

#include "common/Event.h"
#include "engine/FtpComponent.h"
#include "session/BackHistory.h"
#include "session/FolderBarList.h"
#include "session/FtpSessionSink.h"
#include "session/FtpSessionUi.h"
#include "session/KeepAliveConnection.h"
#include "session/RemoteListModel.h"
#include "session/SessionUrl.h"
#include "sites/FtpSite.h"
#include "transfer/FilterLists.h"

#include <QObject>

#include <functional>

class CSiteList;

// The server's system type as SYST reports it.
enum ServerSystemType
{
    SystemUnknown = 0,
    SystemUnix = 1,
    SystemWindowsNt = 2
};

// One connection window's connection: the component's asynchronous calls made into steps that wait
// (dispatching events) for their end, the session log, connecting with attempts, and the remote
// operations with the remote list, folder bar and back history they keep up to date. Lives on the
// thread that creates it, normally the user-interface thread. Destroy it only while no call of it
// is waiting (Stop() ends a running one).
class CFtpSession : public QObject, public IKeepAliveConnection
{
    Q_OBJECT

public:
    CFtpSession(IFtpSessionSink* sink, IFtpSessionUi& ui, CSiteList& sites, QObject* parent = nullptr);
    ~CFtpSession() override;

    // Writes "[thread] " and text to the sink.
    void Log(int level, const QString& text) override;

    // A saved site by its path, else an address (quick connect); with neither, the site manager's
    // selection or the connection wizard. True when connected.
    bool Connect(const QString& name, const QString& login = {}, const QString& password = {});
    // The same site and folder again, with the same settings.
    bool Reconnect() override;
    void Disconnect();
    bool IsAttached() const { return m_ftp.State() != FtpStateDisconnected; }
    bool IsConnected() const override { return m_ftp.State() == FtpStateConnected; }
    // Sends a raw command; nothing when no reply came within the time-out.
    std::optional<CCommandReply> SendCommand(const QString& command) override;
    // After a component call: true when its end came within the time-out.
    bool WaitDone();
    void DetectSystemType();
    // Ends a running connect, listing or wait at once (the window is closing).
    void Stop();

    // Remote operations; each false on failure, with its log line written.
    bool List(const QString& folder, bool addToHistory, bool keepCurrent = false);
    bool ChangeFolder(const QString& path);
    bool DeleteFile(const QString& name);
    bool DeleteFolder(const QString& name, bool recursive);
    bool Rename(const QString& oldName, const QString& newName);
    bool Move(const QString& sourcePath, const QString& destinationPath);
    bool MakeFolder(const QString& name);
    // The custom command of the window, logged with the server's answer.
    std::optional<CCommandReply> SendCustomCommand(const QString& command);
    // SITE CHMOD for a row of the remote list; the row takes the bits when the server agreed.
    bool ChangePermissions(int row, int bits);

    // The user stopped the listing.
    void StopListing() { m_listing = false; }
    void SetAutoReconnect(bool on) { m_autoReconnect = on; }
    // Put over the stored settings before every attempt, reconnects included: options of one run
    // (a command line's key, proxy or data mode) that must not change what is stored.
    void SetComponentOverride(std::function<void(CFtpComponent&)> apply) { m_override = std::move(apply); }
    // Back: the folder before the current one, listed with history; false when there is none.
    bool GoBack();

    const CFtpSite& Site() const { return m_site; }
    CFtpSite& Site() { return m_site; }
    const QString& CurrentFolder() const { return m_currentFolder; }
    const QString& RootFolder() const { return m_rootFolder; }
    const QString& ServerName() const { return m_server; }
    int SystemType() const { return m_systemType; }
    bool HasSiteChmod() const { return m_siteChmod; }
    bool IsConnecting() const { return m_connecting; }
    bool IsListing() const { return m_listing; }
    const QString& LastError() const { return m_lastError; }
    int ResultCode() const { return m_resultCode; }
    CFtpComponent& Component() { return m_ftp; }
    CRemoteListModel& ListModel() { return m_model; }
    CFolderBarList& FolderBar() { return m_folderBar; }
    CBackHistory& BackHistory() { return m_backHistory; }
    const CBackHistory& BackHistory() const { return m_backHistory; }

    // The folder a connection starts in: none for an empty or "/" path, an absolute path as it is,
    // else the path under the root folder.
    static QString InitialFolder(const QString& rootFolder, const QString& urlPath);
    // 1 for "215 UNIX...", 2 for "215 Windows_NT...", else 0.
    static int SystemTypeOfReply(const QString& reply);

private:
    void ConnectEvents();
    bool FindSite(const QString& name, const QString& login, const QString& password);
    bool AskForPassword(bool again);
    void TakeUrl(const CSessionUrl& url, bool quickConnect);
    // "%1" server, "%2" attempt, "%3" attempts in the attempt line.
    bool RunAttempts(const QString& attemptFormat);
    bool Attempt();
    void ApplySettings();
    void SetConnecting(bool on);
    void CheckSiteChmod();
    void EnterInitialFolder();
    void EnterFolder(const QString& folder);
    bool FailConnect();
    void InvalidAddress(const QString& line);
    bool WaitFor(CEvent& event, int ms);
    int TimeoutMs() const { return m_timeoutSeconds * 1000; }
    QString PathOf(const QString& name) const;
    bool CheckConnected();
    bool Finish(bool waited, const QString& success, const QString& timeout, const QString& error);
    bool RunListing();
    void FillRows();
    void EndListing();
    void AddToHistory(const QString& folder);
    bool DeleteContents(const QString& path);

    void OnConnectedEvent(int code, const QString& text);
    void OnDisconnectedEvent();
    void OnHostCertificate(const ServerCertificate& certificate, bool& accept);
    void OnHostKey(bool& accept);
    void OnListItems(const QString& text);
    void OnDone(int code, const QString& text);
    void OnReply(int code, const QString& reply);

    IFtpSessionSink* m_sink;
    IFtpSessionUi& m_ui;
    CSiteList& m_sites;
    CFtpSite m_site;
    QString m_siteName;
    QString m_currentFolder;
    QString m_rootFolder = QStringLiteral("/");
    QString m_server;
    QString m_initialPath;
    bool m_autoReconnect = true;
    std::function<void(CFtpComponent&)> m_override;
    CFtpComponent m_ftp;
    CEvent m_done;
    CEvent m_reply;
    int m_resultCode = 0;
    QString m_replyText;
    int m_replyCode = 0;
    QString m_lastError;
    // Why a host key was refused unasked (changed or revoked), for the message that ends the attempts.
    QString m_trustRefusal;
    bool m_siteChmod = false;
    int m_systemType = SystemUnknown;
    int m_timeoutSeconds = 30;
    bool m_connecting = false;
    bool m_listing = false;
    bool m_stopped = false;
    bool m_quickConnect = false;
    CFilterLists m_filters;
    CRemoteListModel m_model;
    CFolderBarList m_folderBar;
    CBackHistory m_backHistory;
};
