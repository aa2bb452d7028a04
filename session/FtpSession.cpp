#include "session/FtpSession.h"

#include "app/Profile.h"
#include "common/LogLine.h"
#include "common/PumpWait.h"
#include "engine/RemoteName.h"
#include "engine/VisibleText.h"
#include "security/TrustPolicy.h"
#include "session/PermissionBits.h"
#include "sites/ConnectionTargets.h"
#include "sites/SiteList.h"

#include <QCoreApplication>

namespace
{

QString InvalidAddressMessage()
{
    return QCoreApplication::translate("FtpSession", "請輸入有效的FTP位址");
}
// How long a call may take to end after it was aborted.
constexpr int kAbortWaitMs = 5000;
// The component waits this much longer than the session, so that a session wait decides a time-out.
constexpr int kComponentMarginMs = 2000;
// Rows added between two dispatches of waiting events while a listing fills the list.
constexpr int kRowsPerDispatch = 1000;

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

QString WithoutLineBreaks(QString text)
{
    return text.remove(u'\n').remove(u'\r');
}

QString WithoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(u'\\') || path.endsWith(u'/')))
        path.chop(1);
    return path;
}

} // namespace

CFtpSession::CFtpSession(IFtpSessionSink* sink, IFtpSessionUi& ui, CSiteList& sites, QObject* parent)
    : QObject(parent), m_sink(sink), m_ui(ui), m_sites(sites)
{
    ConnectEvents();
}

CFtpSession::~CFtpSession()
{
    m_ftp.disconnect(this);
}

void CFtpSession::ConnectEvents()
{
    connect(&m_ftp, &CFtpComponent::Connected, this, &CFtpSession::OnConnectedEvent);
    connect(&m_ftp, &CFtpComponent::Disconnected, this, &CFtpSession::OnDisconnectedEvent);
    connect(&m_ftp, &CFtpComponent::HostCertificate, this,
            [this](const ServerCertificate& certificate, int, const QString&, bool& accept)
            { OnHostCertificate(certificate, accept); });
    connect(&m_ftp, &CFtpComponent::HostKey, this,
            [this](const QString&, const QString&, bool& accept) { OnHostKey(accept); });
    connect(&m_ftp, &CFtpComponent::ListItems, this, &CFtpSession::OnListItems);
    connect(&m_ftp, &CFtpComponent::Done, this, &CFtpSession::OnDone);
    connect(&m_ftp, &CFtpComponent::FTPReply, this,
            [this](const QString&, int code, const QString& reply) { OnReply(code, reply); });
    connect(&m_ftp, &CFtpComponent::PreTranslateCommand, this,
            [this](QString& command) { Log(LogCommand, MaskedCommandLine(CleanLogLine(command))); });
    connect(&m_ftp, &CFtpComponent::PreTranslateReply, this,
            [this](int, const QString& reply) { Log(LogReply, CleanLogLine(reply)); });
    connect(&m_ftp, &CFtpComponent::Information, this,
            [this](const QString& text) { Log(LogInformation, text); });
}

void CFtpSession::Log(int level, const QString& text)
{
    // A line whose own text starts with a wide space keeps it right after the bracket.
    const QString separator = text.startsWith(u'\u3000') ? QString() : QStringLiteral(" ");
    if (m_sink)
        m_sink->OnLog(level, ThreadTag() + separator + VisibleText(text, LineBreaks::Kept));
}

// ---- connecting

bool CFtpSession::Connect(const QString& name, const QString& login, const QString& password)
{
    m_stopped = false;
    m_siteName.clear();
    m_currentFolder.clear();
    m_rootFolder = QStringLiteral("/");
    if (!FindSite(name, login, password))
        return false;
    m_ftp.SetBlocking(true);
    Disconnect();
    m_ftp.SetBlocking(false);
    m_folderBar.Rebuild({});
    m_backHistory = CBackHistory();
    if (!m_quickConnect)
        WriteProfileString("Settings", "LastSite", m_siteName);
    m_ui.UpdateTitle();
    // An anonymous log-in gives the e-mail address as its password, or the engine's stand-in for none.
    if (m_site.Login.compare(QLatin1String("anonymous"), Qt::CaseInsensitive) == 0 &&
        m_site.Password.isEmpty())
        m_site.Password = GetProfileString("Settings", "EmailAddress");
    else if (m_site.Password.isEmpty() && !AskForPassword(false))
        return false;
    m_site.LocalPath = WithoutTrailingSeparators(m_site.LocalPath);
    Log(LogInformation, QCoreApplication::translate("FtpSession", "檢查　URL　位址..."));
    std::optional<CSessionUrl> url = CSessionUrl::Parse(m_site.Address);
    if (!url)
        url = CSessionUrl::Parse(QStringLiteral("ftp://") + m_site.Address);
    if (!url)
    {
        SetConnecting(false);
        InvalidAddress(QCoreApplication::translate("FtpSession", "請輸入有效的 FTP URL"));
        return false;
    }
    Log(LogInformation, QCoreApplication::translate("FtpSession", "URL 解析完成"));
    m_ui.SetWaitCursor(true);
    if (url->ProtocolType() < 0 || url->server.isEmpty())
    {
        InvalidAddress(QCoreApplication::translate("FtpSession", "請輸入有效 FTP URL"));
        return FailConnect();
    }
    TakeUrl(*url, m_quickConnect);
    if (!RunAttempts(QCoreApplication::translate("FtpSession", "連線到： %1 (Attempt %2 of %3)")))
        return FailConnect();
    m_siteChmod = false;
    DetectSystemType();
    CheckSiteChmod();
    m_model.SetUnixServer(m_systemType == SystemUnix);
    m_rootFolder = m_ftp.RemoteFolder();
    Log(LogReply, QCoreApplication::translate("FtpSession", "根目錄為 '%1'").arg(m_rootFolder));
    EnterInitialFolder();
    m_ui.SetWaitCursor(false);
    return true;
}

bool CFtpSession::FindSite(const QString& name, const QString& login, const QString& password)
{
    std::optional<CFtpSite> site;
    if (!name.isEmpty())
    {
        CFtpSite saved;
        if (m_sites.LoadSiteByPath(name, saved))
            site = saved;
    }
    else
    {
        site = m_ui.SelectedSite();
        if (!site)
            site = m_ui.RunConnectionWizard();
        if (!site)
            return false;
    }
    m_quickConnect = !site.has_value();
    if (site)
    {
        m_site = *site;
        m_siteName = name.isEmpty() ? site->Name : name;
        return true;
    }
    m_site = CFtpSite::QuickConnectDefaults();
    m_site.DataMode = 0;
    m_site.Address = name;
    m_site.Login = login;
    m_site.Password = password;
    return true;
}

bool CFtpSession::AskForPassword(bool again)
{
    const std::optional<CSessionLogin> answer = m_ui.AskLogin(m_site.Address, m_site.Login, again);
    if (!answer)
        return false;
    m_site.Login = answer->login;
    m_site.Password = answer->password;
    if (answer->savePassword && !m_quickConnect)
    {
        const qsizetype folderEnd = m_siteName.lastIndexOf(u'\\');
        m_sites.StoreSite(m_site, folderEnd < 0 ? QString() : m_siteName.left(folderEnd));
    }
    return true;
}

void CFtpSession::TakeUrl(const CSessionUrl& url, bool quickConnect)
{
    m_server = url.server;
    // A site's remote path is read as written: one without a leading "/" lies under the root folder.
    QString remote = m_site.RemotePath;
    remote.replace(u'\\', u'/');
    m_initialPath = remote.isEmpty() ? url.path : remote;
    if (quickConnect)
        m_site.ProtocolType = url.ProtocolType();
    // A quick connect without a port leaves it 0: the target then takes the protocol's own.
    if (quickConnect || url.port != 0)
        m_site.Port = url.port;
}

void CFtpSession::InvalidAddress(const QString& line)
{
    Log(LogError, line);
    m_ui.ShowMessage(InvalidAddressMessage());
}

bool CFtpSession::RunAttempts(const QString& attemptFormat)
{
    const int attempts = m_site.Retries;
    for (int remaining = attempts; remaining > 0 && !m_stopped;)
    {
        --remaining;
        Log(LogInformation, attemptFormat.arg(m_server).arg(attempts - remaining).arg(attempts));
        if (Attempt())
            return true;
        if (m_stopped)
            return false;
        const QString error =
            m_lastError.isEmpty()
                ? QCoreApplication::translate("FtpSession", "無法連線至 %1： 連線逾時").arg(m_server)
                : m_lastError;
        // A server refused for its certificate or host key would be refused again: one message, no retry.
        if (m_resultCode == FtpErrorRejected)
        {
            m_ui.ShowMessage(m_trustRefusal.isEmpty() ? error : m_trustRefusal);
            return false;
        }
        // A refused log-in would only be refused again with the same password: the user gives another,
        // which has the attempts of its own, or ends them.
        if (m_ftp.LogInRefused())
        {
            m_ui.ShowMessage(error);
            if (!AskForPassword(true))
                return false;
            remaining = attempts;
            continue;
        }
        if (remaining == 0)
        {
            m_ui.ShowMessage(error);
            return false;
        }
        if (!m_ui.RetryCountdown(m_site.RetryDelay, error))
            return false;
    }
    return false;
}

bool CFtpSession::Attempt()
{
    m_timeoutSeconds = GetProfileInt("Settings", "ConnectionTimeout");
    m_lastError.clear();
    m_trustRefusal.clear();
    m_resultCode = 0;
    ApplySettings();
    SetConnecting(true);
    m_done.Reset();
    m_ftp.Connect();
    WaitFor(m_done, TimeoutMs());
    SetConnecting(false);
    return m_ftp.State() == FtpStateConnected;
}

void CFtpSession::ApplySettings()
{
    QString problem;
    CConnectionTarget target = SiteTarget(m_site, TimeoutMs() + kComponentMarginMs, &problem);
    target.host = m_server;
    m_ftp.SetTarget(target);
    if (!problem.isEmpty())
        Log(LogError, problem);
    if (m_override)
        m_override(m_ftp);
}

void CFtpSession::SetConnecting(bool on)
{
    m_connecting = on;
    m_ui.RefreshCommandStates();
}

void CFtpSession::CheckSiteChmod()
{
    const std::optional<CCommandReply> reply = SendCommand(QStringLiteral("SITE HELP"));
    if (reply && reply->text.toUpper().contains(QLatin1String("CHMOD")))
        m_siteChmod = true;
}

void CFtpSession::EnterInitialFolder()
{
    const QString initial = InitialFolder(m_rootFolder, m_initialPath);
    if (initial.isEmpty())
    {
        m_currentFolder = m_rootFolder;
        return;
    }
    Log(LogCommand, QCoreApplication::translate("FtpSession", "設定初始目錄為： '%1'").arg(initial));
    EnterFolder(initial);
    Log(LogReply, QCoreApplication::translate("FtpSession", "目前的目錄為： '%1'").arg(m_currentFolder));
}

void CFtpSession::EnterFolder(const QString& folder)
{
    m_ftp.SetRemoteFolder(folder);
    m_currentFolder = m_ftp.RemoteFolder();
}

bool CFtpSession::FailConnect()
{
    Log(LogError, QCoreApplication::translate("FtpSession", "無法建立　FTP 連線"));
    SetConnecting(false);
    m_ui.SetWaitCursor(false);
    return false;
}

QString CFtpSession::InitialFolder(const QString& rootFolder, const QString& urlPath)
{
    if (urlPath.isEmpty() || urlPath == QLatin1String("/"))
        return {};
    if (urlPath.startsWith(u'/'))
        return CollapseSlashes(urlPath);
    return CollapseSlashes(WithoutTrailingSlash(rootFolder) + u'/' + urlPath);
}

bool CFtpSession::Reconnect()
{
    m_stopped = false;
    m_ftp.SetBlocking(true);
    Disconnect();
    m_ftp.SetBlocking(false);
    // The folder of the lost connection; the address alone names the server.
    const QString folder = CollapseSlashes(m_currentFolder);
    Log(LogInformation, QCoreApplication::translate("FtpSession", "檢查 URL..."));
    std::optional<CSessionUrl> url = CSessionUrl::Parse(m_site.Address);
    if (!url)
        url = CSessionUrl::Parse(QStringLiteral("ftp://") + m_site.Address);
    if (!url)
    {
        InvalidAddress(QCoreApplication::translate("FtpSession", "請輸入有效的 FTP URL."));
        return false;
    }
    Log(LogInformation, QCoreApplication::translate("FtpSession", "完成 URL 解析"));
    if (url->ProtocolType() < 0 || url->server.isEmpty())
    {
        InvalidAddress(QCoreApplication::translate("FtpSession", "請輸入有效的　FTP URL."));
        return false;
    }
    m_server = url->server;
    if (!RunAttempts(QCoreApplication::translate("FtpSession", "連線到：: %1 (第 %2 / %3 次嘗試)")))
    {
        Log(LogError, QCoreApplication::translate("FtpSession", "無法建立 FTP 連線！"));
        return false;
    }
    CheckSiteChmod();
    if (folder.isEmpty() || folder == QLatin1String("/"))
        m_currentFolder = m_ftp.RemoteFolder();
    else
        EnterFolder(folder);
    return true;
}

void CFtpSession::Disconnect()
{
    Log(LogInformation, QCoreApplication::translate("FtpSession", "關閉 FTP 連線..."));
    m_ftp.Disconnect();
}

void CFtpSession::Stop()
{
    m_stopped = true;
    m_listing = false;
    if (m_connecting)
        m_ftp.Disconnect();
    m_done.Set();
    m_reply.Set();
}

// ---- waiting and commands

bool CFtpSession::WaitFor(CEvent& event, int ms)
{
    if (PumpWait(event, ms))
        return true;
    // The call still runs: end it, so that its late end cannot be taken for the next call's.
    m_ftp.Abort();
    PumpWait(event, kAbortWaitMs);
    m_lastError.clear();
    return false;
}

bool CFtpSession::WaitDone()
{
    m_done.Reset();
    return WaitFor(m_done, TimeoutMs()) && !m_stopped;
}

std::optional<CCommandReply> CFtpSession::SendCommand(const QString& command)
{
    Log(LogCommand, MaskedCommandLine(CleanLogLine(command)));
    m_reply.Reset();
    m_ftp.RawCommand(command + QStringLiteral("\r\n"));
    // The component answers code 0 with its error text when no reply came.
    if (!WaitFor(m_reply, TimeoutMs()) || m_replyCode == 0 || m_stopped)
        return std::nullopt;
    return CCommandReply{m_replyCode, m_replyText};
}

void CFtpSession::DetectSystemType()
{
    m_systemType = SystemUnknown;
    if (const std::optional<CCommandReply> reply = SendCommand(QStringLiteral("SYST")))
        m_systemType = SystemTypeOfReply(reply->text);
}

int CFtpSession::SystemTypeOfReply(const QString& reply)
{
    const QString upper = reply.toUpper();
    const qsizetype at = upper.indexOf(QLatin1String("215 "));
    if (at < 0)
        return SystemUnknown;
    const QStringView system = QStringView(upper).mid(at + 4);
    if (system.startsWith(QLatin1String("UNIX")))
        return SystemUnix;
    if (system.startsWith(QLatin1String("WINDOWS_NT")))
        return SystemWindowsNt;
    return SystemUnknown;
}

// ---- remote operations

bool CFtpSession::CheckConnected()
{
    // A stop belongs to the call it ended, not to the operations after it.
    m_stopped = false;
    if (IsConnected())
        return true;
    Log(LogError, QCoreApplication::translate("FtpSession", "尚未連線"));
    return false;
}

QString CFtpSession::PathOf(const QString& name) const
{
    return CollapseSlashes(m_currentFolder + u'/' + name);
}

bool CFtpSession::Finish(bool waited, const QString& success, const QString& timeout, const QString& error)
{
    if (!waited)
    {
        Log(LogError, timeout);
        return false;
    }
    if (m_resultCode != 0)
    {
        Log(LogError, error);
        return false;
    }
    Log(LogInformation, success);
    return true;
}

bool CFtpSession::ChangeFolder(const QString& path)
{
    if (!CheckConnected())
        return false;
    Log(LogInformation, QCoreApplication::translate("FtpSession", "變更資料夾%1").arg(Quoted(path)));
    if (m_ftp.CheckFolder(path) != 0)
    {
        Log(LogError,
            QCoreApplication::translate("FtpSession", "開啟資料夾： %1　發生錯誤").arg(Quoted(path)));
        return false;
    }
    m_ftp.SetRemoteFolder(path);
    return true;
}

bool CFtpSession::DeleteFile(const QString& name)
{
    if (!CheckConnected() || name == QLatin1String(".."))
        return false;
    const QString path = Quoted(PathOf(name));
    Log(LogInformation, QCoreApplication::translate("FtpSession", "刪除檔案 %1").arg(path));
    m_ftp.Delete(PathOf(name));
    return Finish(WaitDone(), QCoreApplication::translate("FtpSession", "%1 已刪除").arg(path),
                  QCoreApplication::translate("FtpSession", "刪除檔案： %1　發生連線逾時").arg(path),
                  QCoreApplication::translate("FtpSession", "刪除檔案： %1　發生錯誤").arg(path));
}

bool CFtpSession::DeleteFolder(const QString& name, bool recursive)
{
    if (!CheckConnected() || name == QLatin1String(".."))
        return false;
    if (recursive && !DeleteContents(PathOf(name)))
        return false;
    const QString path = Quoted(PathOf(name));
    m_ftp.RemoveFolder(PathOf(name));
    return Finish(WaitDone(), QCoreApplication::translate("FtpSession", "%1 已刪除！").arg(path),
                  QCoreApplication::translate("FtpSession", "刪除資料夾： %1　發生連線逾時").arg(path),
                  QCoreApplication::translate("FtpSession", "刪除資料夾： %1　發生錯誤").arg(path));
}

bool CFtpSession::DeleteContents(const QString& path)
{
    m_ftp.DeleteFolderContents(path);
    return Finish(
        WaitDone(), QCoreApplication::translate("FtpSession", "%1 已刪除！").arg(Quoted(path)),
        QCoreApplication::translate("FtpSession", "刪除資料夾： %1　發生連線逾時").arg(Quoted(path)),
        QCoreApplication::translate("FtpSession", "刪除資料夾： %1　發生錯誤").arg(Quoted(path)));
}

bool CFtpSession::Rename(const QString& oldName, const QString& newName)
{
    if (!CheckConnected())
        return false;
    const QString from = PathOf(oldName);
    const QString to = PathOf(newName);
    Log(LogInformation,
        QCoreApplication::translate("FtpSession", "重新命名 %1 為 %2").arg(Quoted(from), Quoted(to)));
    m_ftp.Rename(to, from);
    return Finish(WaitDone(), QCoreApplication::translate("FtpSession", "%1 重新命名完成").arg(Quoted(from)),
                  QCoreApplication::translate("FtpSession", "重新命名 %1　發生連線逾時！").arg(Quoted(from)),
                  QCoreApplication::translate("FtpSession", "重新命名: %1　發生錯誤").arg(Quoted(from)));
}

bool CFtpSession::Move(const QString& sourcePath, const QString& destinationPath)
{
    if (!CheckConnected())
        return false;
    const QString from = Quoted(sourcePath);
    Log(LogInformation,
        QCoreApplication::translate("FtpSession", "搬移 %1 至 %2").arg(from, Quoted(destinationPath)));
    m_ftp.Rename(destinationPath, sourcePath);
    return Finish(WaitDone(), QCoreApplication::translate("FtpSession", "%1 已搬移").arg(from),
                  QCoreApplication::translate("FtpSession", "搬移 %1　發生連線逾時").arg(from),
                  QCoreApplication::translate("FtpSession", "搬移 %1　發生錯誤！").arg(from));
}

bool CFtpSession::MakeFolder(const QString& name)
{
    if (!CheckConnected())
        return false;
    const QString path = Quoted(PathOf(name));
    Log(LogInformation, QCoreApplication::translate("FtpSession", "\u3000新增資料夾 %1").arg(path));
    m_ftp.MakeFolder(PathOf(name));
    const bool waited = WaitDone();
    if (waited && m_resultCode != 0)
        Log(LogError, CleanLogLine(m_lastError));
    return Finish(waited, QCoreApplication::translate("FtpSession", "%1 資料夾已建立").arg(path),
                  QCoreApplication::translate("FtpSession", "新增資料夾 %1　發生連線逾時").arg(path),
                  QCoreApplication::translate("FtpSession", "新增資料夾 %1　發生錯誤").arg(path));
}

std::optional<CCommandReply> CFtpSession::SendCustomCommand(const QString& command)
{
    Log(LogInformation, QCoreApplication::translate("FtpSession", "傳送自訂指令： %1...")
                            .arg(MaskedCommandLine(CleanLogLine(command))));
    const std::optional<CCommandReply> reply = SendCommand(command);
    if (!reply)
        Log(LogError, QCoreApplication::translate("FtpSession", "收不到任何回應！"));
    else
        Log(LogInformation,
            QCoreApplication::translate("FtpSession", "FTP伺服器回應： ") + WithoutLineBreaks(reply->text));
    return reply;
}

bool CFtpSession::ChangePermissions(int row, int bits)
{
    if (!CheckConnected() || row < 0 || row >= m_model.rowCount())
        return false;
    const QString command = SiteChmodCommand(bits, m_model.Item(row).name);
    Log(LogInformation, QCoreApplication::translate("FtpSession", "傳送 %1...").arg(command));
    const std::optional<CCommandReply> reply = SendCommand(command);
    if (!reply)
    {
        Log(LogError, QCoreApplication::translate("FtpSession", "收不到任何回應！"));
        return false;
    }
    Log(LogInformation,
        QCoreApplication::translate("FtpSession", "FTP伺服器回應： ") + WithoutLineBreaks(reply->text));
    // A refused change leaves the row as the server keeps it.
    if (reply->code / 100 != 2)
        return false;
    m_model.SetPermissionBits(row, bits);
    return true;
}

// ---- listing

bool CFtpSession::List(const QString& folder, bool addToHistory, bool keepCurrent)
{
    m_stopped = false;
    if (!IsAttached() && (!m_autoReconnect || !Reconnect()))
        return false;
    if (folder.isEmpty())
        return false;
    m_ui.ShowBusy(true);
    if (!keepCurrent)
        m_currentFolder = folder;
    QCoreApplication::processEvents();
    m_currentFolder = WithoutTrailingSlash(m_currentFolder);
    if (m_currentFolder.isEmpty())
        m_currentFolder = QStringLiteral("/");
    if (m_ftp.SetRemoteFolder(m_currentFolder) != 0)
    {
        // Listing another folder under this one's name would show the wrong files.
        Log(LogError, QCoreApplication::translate("FtpSession", "開啟資料夾： %1　發生錯誤")
                          .arg(Quoted(m_currentFolder)));
        m_ui.ShowBusy(false);
        return true;
    }
    if (addToHistory)
        AddToHistory(m_currentFolder);
    m_model.Clear();
    Log(LogInformation,
        QCoreApplication::translate("FtpSession", "接收目錄清單 %1...").arg(Quoted(m_currentFolder)));
    m_listing = true;
    m_ui.RefreshCommandStates();
    QCoreApplication::processEvents();
    m_filters = LoadFilterLists(GetProfileInt("Filter", "EnableFiltering") != 0);
    if (!RunListing())
        return !m_stopped;
    FillRows();
    EndListing();
    Log(LogInformation,
        QCoreApplication::translate("FtpSession", "%1 目錄清單已接收完成").arg(Quoted(m_currentFolder)));
    return true;
}

bool CFtpSession::RunListing()
{
    for (;;)
    {
        m_ftp.List();
        const bool waited = WaitDone();
        if (m_stopped)
        {
            EndListing();
            return false;
        }
        if (waited && m_resultCode == 0)
            return true;
        const int siteMode = m_site.DataMode;
        const int mode = siteMode != 0 ? siteMode : GetProfileInt("Settings", "DataMode") + 1;
        if (mode != 3 || !m_ftp.IsPassive())
            break;
        Log(LogInformation,
            QCoreApplication::translate("FtpSession", "PASV 模式連線失敗 -> 切換到 PORT 模式"));
        m_ftp.SetPassive(false);
    }
    // The parent row stays, so that the user can still go up.
    m_model.SetListing({}, m_currentFolder != QLatin1String("/"));
    EndListing();
    if (m_lastError.isEmpty())
        m_lastError = QCoreApplication::translate("FtpSession", "Data 連線逾時");
    Log(LogError, m_lastError + u'.');
    return false;
}

void CFtpSession::FillRows()
{
    const std::vector<ListItem>& items = m_ftp.Items();
    QList<CFtpListItem> rows;
    rows.reserve(qsizetype(items.size()));
    for (size_t i = 0; i < items.size() && m_listing; ++i)
    {
        const ListItem& item = items[i];
        const QString name = CRemoteName::ToText(item.name);
        const bool folder = item.kind == ListItem::Kind::Folder;
        if (name == QLatin1String(".") || name == QLatin1String("..") ||
            !PassesFilter(m_filters, name, folder))
            continue;
        rows.append({name,
                     item.size,
                     {},
                     item.modified,
                     folder,
                     ParsePermissionBits(QString::fromLatin1(item.permissions)),
                     QString::fromUtf8(item.owner),
                     QString::fromUtf8(item.group)});
        if (rows.size() % kRowsPerDispatch == 0)
            QCoreApplication::processEvents();
    }
    m_model.SetListing(std::move(rows), m_currentFolder != QLatin1String("/"));
}

void CFtpSession::EndListing()
{
    m_listing = false;
    m_ui.RefreshCommandStates();
    m_ui.ShowBusy(false);
}

void CFtpSession::AddToHistory(const QString& folder)
{
    m_folderBar.Add(folder);
    m_backHistory.Add(folder);
}

bool CFtpSession::GoBack()
{
    const QString folder = m_backHistory.Back();
    if (folder.isEmpty())
        return false;
    m_folderBar.Rebuild(m_backHistory.Folders());
    return List(folder, true);
}

// ---- component events

void CFtpSession::OnConnectedEvent(int code, const QString& text)
{
    m_resultCode = code;
    if (code != 0)
    {
        Log(LogError, text);
        // The text may go to a message box as it is.
        m_lastError = VisibleText(text, LineBreaks::Kept);
    }
    else
    {
        Log(LogInformation, QCoreApplication::translate("FtpSession", "成功連線至： %1.").arg(m_server));
        if (m_sink)
            m_sink->OnConnected();
    }
    m_done.Set();
}

void CFtpSession::OnDisconnectedEvent()
{
    Log(LogInformation, QCoreApplication::translate("FtpSession", "FTP 連線關閉"));
    if (m_sink)
        m_sink->OnDisconnected();
}

void CFtpSession::OnHostCertificate(const ServerCertificate& certificate, bool& accept)
{
    Log(LogInformation, QCoreApplication::translate("FtpSession", "遠端伺服器提供憑證"));
    const TrustOutcome outcome = CTrustPolicy::For(m_ftp.Target())
                                     .Certificate(certificate, [this](const ServerCertificate& asked)
                                                  { return m_ui.AcceptCertificate(asked, asked.problem); });
    accept = outcome.accepted;
    if (!outcome.problem.isEmpty())
        Log(LogError, outcome.problem);
}

void CFtpSession::OnHostKey(bool& accept)
{
    Log(LogInformation, QCoreApplication::translate("FtpSession", "遠端伺服器提供公開金鑰辨識"));
    const SshHostKey& key = m_ftp.ServerHostKey();
    const CTrustPolicy policy = CTrustPolicy::For(m_ftp.Target());
    const QString shown = policy.ServerName();
    const TrustOutcome outcome = policy.HostKey(key, [this, &shown](const SshHostKey& asked)
                                                { return m_ui.AcceptHostKey(shown, asked); });
    accept = outcome.accepted;
    if (!outcome.problem.isEmpty())
        Log(LogError, outcome.problem);
    m_trustRefusal = policy.HostKeyRefusal(outcome, key);
    if (!m_trustRefusal.isEmpty())
        Log(LogError, m_trustRefusal);
}

void CFtpSession::OnListItems(const QString& text)
{
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (QString line : lines)
    {
        line.remove(u'\r');
        if (!line.isEmpty())
            Log(LogReply, line + u'.');
    }
}

void CFtpSession::OnDone(int code, const QString& text)
{
    m_resultCode = code;
    m_lastError = VisibleText(text, LineBreaks::Kept);
    m_done.Set();
}

void CFtpSession::OnReply(int code, const QString& reply)
{
    m_replyText = reply;
    m_replyCode = code;
    m_reply.Set();
}
