// FTP client: RFC 959 (FTP), 2228 and 4217 (FTP over TLS), 2389 (FEAT), 2428 (IPv6, EPSV/EPRT),
// 2640 (UTF8), 3659 (SIZE, MDTM, REST, MLSD); HASH per draft-bryan-ftp-hash.
#include "engine/ftp/FtpClient.h"

#include "engine/ftp/ListParser.h"
#include "engine/ftp/ReplyParser.h"
#include "engine/net/ProxyConnector.h"
#include "engine/net/TcpTransport.h"
#include "engine/net/TlsContext.h"
#include "engine/net/TlsTransport.h"

#include <QCoreApplication>

namespace
{
constexpr int kQuitWaitMs = 2000;

QByteArray HashName(ChecksumKind kind)
{
    switch (kind)
    {
    case ChecksumKind::Crc32:
        return "CRC32";
    case ChecksumKind::Md5:
        return "MD5";
    case ChecksumKind::Sha1:
        return "SHA-1";
    }
    return {};
}

bool IsUnsupported(const FtpReply& reply)
{
    return reply.code == 500 || reply.code == 502;
}

QList<QByteArray> SplitLines(const QByteArray& body)
{
    QList<QByteArray> lines;
    for (QByteArray line : body.split('\n'))
    {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}
} // namespace

CFtpClient::CFtpClient() = default;

CFtpClient::~CFtpClient()
{
    Disconnect();
}

QByteArray CFtpClient::TlsVersion() const
{
    return m_controlTls ? m_controlTls->Version() : QByteArray();
}

FtpResult CFtpClient::Connect(const FtpConnectOptions& options)
{
    m_acceptedCertificate.clear();
    return Finished(Reconnect(options));
}

FtpResult CFtpClient::Reconnect(const FtpConnectOptions& options)
{
    Disconnect();
    m_options = options;
    m_passive = options.passive;
    m_features = {};
    m_capabilities = {};
    m_serverType.reset();
    const FtpResult result = Open();
    if (!result.Ok())
        Disconnect();
    return result;
}

bool CFtpClient::NeedsNewSessions(const FtpResult& result) const
{
    return result.status == FtpStatus::Refused && m_tls && !m_options.clearDataChannel &&
           m_tls->ResumptionRefused();
}

FtpResult CFtpClient::RenewSessions()
{
    // TLS 1.3 servers with a session cache accept each ticket once, and some (proftpd) hand out new
    // ones only on data connections they write to: after a run of uploads a new log-in brings more.
    const FtpValue<QByteArray> folder = CurrentFolder();
    if (!folder.result.Ok())
        return folder.result;
    m_control.Log(FtpLogKind::Info,
                  QCoreApplication::translate("FtpClient",
                                              "伺服器不再接受這個 TLS 工作階段，重新登入以取得新的工作階段")
                      .toUtf8());
    const bool passive = m_passive;
    const FtpResult connected = Reconnect(m_options);
    m_passive = passive;
    return connected.Ok()
               ? Expect("CWD " + folder.value, QCoreApplication::translate("FtpClient", "無法切換目錄"))
               : connected;
}

FtpResult CFtpClient::Open()
{
    const bool implicit = m_options.security == FtpSecurity::ImplicitTls;
    const quint16 port = m_options.port ? m_options.port : (implicit ? 990 : 21);
    const QByteArray host = m_options.host.contains(':') ? "[" + m_options.host + "]" : m_options.host;
    QString where = QCoreApplication::translate("FtpClient", "無法連線到 ") + QString::fromUtf8(host) +
                    QStringLiteral(":") + QString::number(port);
    const CProxyConnector connector(m_options.proxy, m_cancel);
    if (m_options.proxy.type != ProxyType::None)
        where += QCoreApplication::translate("FtpClient", "（經由 proxy ") +
                 QString::fromUtf8(m_options.proxy.host) + QStringLiteral(":") +
                 QString::number(connector.ProxyPort(port)) + QCoreApplication::translate("FtpClient", "）");
    IoResult connected;
    std::unique_ptr<CTcpTransport> tcp =
        connector.Connect(m_options.host, port, m_options.timeoutMs, &connected);
    if (!tcp)
        return FtpResult::FromIo(where, connected);
    m_peer = CSocketAddress::PeerOf(tcp->Fd());
    m_control.Attach(std::move(tcp));

    FtpResult step = implicit ? StartTls() : FtpResult::Success();
    if (step.Ok())
        step = Greeting(where);
    if (step.Ok() && m_options.security == FtpSecurity::ExplicitTls)
        step = AuthTls();
    if (step.Ok() && m_tls)
        step = ProtectData();
    if (!step.Ok())
        return step;
    const FtpResult loggedIn = LogIn();
    if (loggedIn.Ok() && m_tls && m_options.clearCommandChannel)
        step = ClearCommandChannel();
    if (loggedIn.Ok() && step.Ok())
        step = ReadFeatures();
    return step.Ok() ? loggedIn : step;
}

FtpResult CFtpClient::Greeting(const QString& where)
{
    ReplyResult greeting = m_control.ReadReply(m_options.timeoutMs);
    while (greeting.io.Ok() && greeting.reply.IsPreliminary())
        greeting = m_control.ReadReply(m_options.timeoutMs);
    if (!greeting.io.Ok())
        return FtpResult::FromIo(where, greeting.io);
    if (!greeting.reply.IsPositive())
        return FtpResult::Refused(QCoreApplication::translate("FtpClient", "伺服器拒絕連線"), greeting.reply);
    return FtpResult::Success(greeting.reply);
}

FtpResult CFtpClient::AuthTls()
{
    const FtpValue<FtpReply> auth =
        Exchange("AUTH TLS", QCoreApplication::translate("FtpClient", "無法啟用 TLS"));
    if (!auth.result.Ok())
        return auth.result;
    if (!auth.value.IsPositive())
        return FtpResult::Refused(QCoreApplication::translate("FtpClient", "伺服器不接受 AUTH TLS"),
                                  auth.value);
    // Nothing may come between the reply and the handshake; such bytes were put there by someone else.
    if (m_control.HasBufferedBytes())
        return FtpResult::Failure(
            FtpStatus::Protocol,
            QCoreApplication::translate("FtpClient", "AUTH TLS 回應之後多出未加密的資料，連線已中止"),
            auth.value);
    return StartTls();
}

FtpResult CFtpClient::StartTls()
{
    m_tls = std::make_unique<CTlsContext>();
    const IoResult setup =
        m_tls->Setup(m_options.certificateFile, m_options.keyFile, m_options.keyPassphrase);
    if (!setup.Ok())
        return FtpResult::Failure(FtpStatus::Local, setup.error);
    auto tls = std::make_unique<CTlsTransport>(m_control.Detach(), *m_tls, m_cancel);
    const IoResult handshake = tls->Handshake(m_options.host, false, m_options.timeoutMs);
    if (!handshake.Ok())
        return FtpResult::FromIo(QCoreApplication::translate("FtpClient", "TLS 交握失敗"), handshake);
    const ServerCertificate certificate = tls->PeerCertificate(m_options.host);
    m_controlTls = tls.get();
    m_control.Attach(std::move(tls));
    // A new log-in of this client to the same server does not ask the owner again.
    const bool accepted = certificate.sha256 == m_acceptedCertificate ||
                          (m_certificateHook ? m_certificateHook(certificate) : certificate.trusted);
    if (accepted)
    {
        m_acceptedCertificate = certificate.sha256;
        return FtpResult::Success();
    }
    QString message = QCoreApplication::translate("FtpClient", "伺服器憑證未被接受，連線已中止");
    if (!certificate.problem.isEmpty())
        message += QCoreApplication::translate("FtpClient", "：") + certificate.problem;
    return FtpResult::Failure(FtpStatus::Rejected, message);
}

FtpResult CFtpClient::ProtectData()
{
    const QString what = QCoreApplication::translate("FtpClient", "無法設定資料通道保護");
    const FtpResult pbsz = Expect("PBSZ 0", what);
    if (!pbsz.Ok())
        return pbsz;
    return Expect(m_options.clearDataChannel ? "PROT C" : "PROT P", what);
}

FtpResult CFtpClient::LogIn()
{
    const ProxySettings& proxy = m_options.proxy;
    QByteArray user = m_options.user;
    if (proxy.type == ProxyType::FtpSite || proxy.type == ProxyType::FtpOpen)
    {
        const FtpResult opened = OpenThroughFtpProxy();
        if (!opened.Ok())
            return opened;
    }
    else if (proxy.type == ProxyType::FtpUser)
        user += "@" + ProxyTarget();
    return LogInAs(user, m_options.password, m_options.account,
                   QCoreApplication::translate("FtpClient", "登入失敗"));
}

QByteArray CFtpClient::ProxyTarget() const
{
    const quint16 port = m_options.port ? m_options.port : 21;
    return port == 21 ? m_options.host : m_options.host + ":" + QByteArray::number(port);
}

FtpResult CFtpClient::OpenThroughFtpProxy()
{
    const ProxySettings& proxy = m_options.proxy;
    const QString what = QCoreApplication::translate("FtpClient", "FTP proxy 無法連到伺服器");
    if (proxy.type == ProxyType::FtpOpen)
        return Expect("OPEN " + ProxyTarget(), what);
    if (!proxy.user.isEmpty())
    {
        const FtpResult loggedIn = LogInAs(proxy.user, proxy.password, {},
                                           QCoreApplication::translate("FtpClient", "FTP proxy 登入失敗"));
        if (!loggedIn.Ok())
            return loggedIn;
    }
    return Expect("SITE " + ProxyTarget(), what);
}

FtpResult CFtpClient::LogInAs(const QByteArray& user, const QByteArray& password, const QByteArray& account,
                              const QString& what)
{
    FtpValue<FtpReply> step = Exchange("USER " + user, what);
    // Anonymous servers take any address-like text; an empty one some refuse.
    const bool anonymous =
        user.compare("anonymous", Qt::CaseInsensitive) == 0 || user.compare("ftp", Qt::CaseInsensitive) == 0;
    if (step.result.Ok() && step.value.code == 331)
        step =
            Exchange("PASS " + (anonymous && password.isEmpty() ? QByteArray("anonymous@") : password), what);
    if (step.result.Ok() && step.value.code == 332)
        step = Exchange("ACCT " + account, what);
    if (!step.result.Ok())
        return step.result;
    if (step.value.IsPositive())
        return FtpResult::Success(step.value);
    FtpResult refused = FtpResult::Refused(what, step.value);
    // "Not logged in": another try with the same name and password meets the same answer.
    if (step.value.code == 530)
        refused.status = FtpStatus::LogInRefused;
    return refused;
}

FtpResult CFtpClient::ClearCommandChannel()
{
    const QString what = QCoreApplication::translate("FtpClient", "無法關閉命令通道加密");
    const FtpValue<FtpReply> ccc = Exchange("CCC", what);
    if (!ccc.result.Ok())
        return ccc.result;
    if (!ccc.value.IsPositive())
    {
        // Staying protected is the safe side of a refusal.
        m_control.Log(
            FtpLogKind::Info,
            QCoreApplication::translate("FtpClient", "伺服器不接受 CCC，命令通道維持加密").toUtf8());
        return FtpResult::Success(ccc.value);
    }
    IoResult io;
    std::unique_ptr<CTransport> clear = m_controlTls->Unwrap(m_options.timeoutMs, &io);
    if (!clear)
    {
        m_control.Close();
        m_controlTls = nullptr;
        return FtpResult::FromIo(what, io);
    }
    m_controlTls = nullptr;
    m_control.Attach(std::move(clear));
    return FtpResult::Success(ccc.value);
}

FtpResult CFtpClient::ReadFeatures()
{
    const FtpValue<FtpReply> feat =
        Exchange("FEAT", QCoreApplication::translate("FtpClient", "無法讀取伺服器功能"));
    if (!feat.result.Ok())
        return feat.result;
    m_features = CFtpFeatures::Parse(feat.value);
    m_capabilities.selectedHash = m_features.SelectedHash();
    if (!m_features.Has("UTF8"))
        return FtpResult::Success();
    return Exchange("OPTS UTF8 ON", QCoreApplication::translate("FtpClient", "無法啟用 UTF-8")).result;
}

FtpResult CFtpClient::Quit()
{
    const FtpValue<FtpReply> quit = Exchange("QUIT", QCoreApplication::translate("FtpClient", "QUIT 失敗"));
    // An orderly end (close_notify under TLS) so the server does not log a broken connection.
    if (IsConnected())
        m_control.Transport()->Finish(qMin(m_options.timeoutMs, kQuitWaitMs));
    Disconnect();
    return Finished(quit.result.Ok() ? FtpResult::Success(quit.value) : quit.result);
}

void CFtpClient::Disconnect()
{
    m_control.Close();
    m_controlTls = nullptr;
    m_tls.reset();
}

FtpValue<QByteArray> CFtpClient::CurrentFolder()
{
    FtpValue<QByteArray> folder;
    folder.result = Finished(Expect("PWD", QCoreApplication::translate("FtpClient", "無法取得目前目錄")));
    if (folder.result.Ok())
        folder.value = CReplyParser::QuotedPath(folder.result.reply);
    return folder;
}

FtpResult CFtpClient::ChangeFolder(const QByteArray& path)
{
    return Finished(Expect("CWD " + path, QCoreApplication::translate("FtpClient", "無法切換目錄")));
}

FtpResult CFtpClient::ChangeToParent()
{
    return Finished(Expect("CDUP", QCoreApplication::translate("FtpClient", "無法切換到上層目錄")));
}

FtpValue<FtpListing> CFtpClient::List(const QByteArray& path)
{
    FtpValue<FtpListing> listing = ListOnce(path);
    if (NeedsNewSessions(listing.result) && RenewSessions().Ok())
        listing = ListOnce(path);
    listing.result = Finished(listing.result);
    return listing;
}

FtpValue<FtpListing> CFtpClient::ListOnce(const QByteArray& path)
{
    const QString what = QCoreApplication::translate("FtpClient", "無法列出目錄");
    FtpValue<FtpListing> listing;
    listing.result = Refusal(path, what);
    if (!listing.result.Ok())
        return listing;
    listing.value.mlsd = m_features.Has("MLST");
    const QByteArray command = listing.value.mlsd ? "MLSD" : "LIST";
    CFtpTransfer transfer(m_control, m_cancel, m_capabilities, DataSettings());
    const FtpValue<QByteArray> body =
        transfer.Fetch(Request(path.isEmpty() ? command : command + " " + path, {}), what);
    listing.result = body.result;
    if (!body.result.Ok())
        return listing;
    listing.value.lines = SplitLines(body.value);
    listing.value.items =
        CListParser::ParseListing(body.value, listing.value.mlsd, QDateTime::currentDateTimeUtc());
    return listing;
}

FtpResult CFtpClient::Download(const QByteArray& remotePath, const QString& localPath, bool resume,
                               const FtpProgressHook& progress, qint64 listedSize)
{
    FtpResult result = DownloadOnce(remotePath, localPath, resume, progress, listedSize);
    if (NeedsNewSessions(result) && RenewSessions().Ok())
        result = DownloadOnce(remotePath, localPath, resume, progress, listedSize);
    return Finished(result);
}

FtpResult CFtpClient::DownloadOnce(const QByteArray& remotePath, const QString& localPath, bool resume,
                                   const FtpProgressHook& progress, qint64 listedSize)
{
    const QString what = QCoreApplication::translate("FtpClient", "下載失敗");
    const FtpResult refusal = Refusal(remotePath, what);
    if (!refusal.Ok())
        return refusal;
    FtpTransferRequest request = Request("RETR " + remotePath, progress);
    request.offset = resume ? qMax<qint64>(0, CLocalFile::SizeOf(localPath)) : 0;
    request.restart = request.offset > 0;
    if (request.restart)
    {
        // After REST some servers give the whole size in their 150 reply, others what is left.
        const FtpValue<qint64> size = RemoteSize(remotePath);
        if (!size.result.Ok() && !IsConnected())
            return size.result;
        request.total = size.result.Ok() ? size.value : -1;
    }
    const FtpResult typed = EnsureType(m_type);
    if (!typed.Ok())
        return typed;
    CFtpTransfer transfer(m_control, m_cancel, m_capabilities, DataSettings());
    const CLocalFile::Mode mode = resume ? CLocalFile::Mode::Extend : CLocalFile::Mode::Replace;
    const FtpResult received = transfer.Download(request, localPath, mode, what);
    // In ASCII mode the two sides differ by their line ends, so sizes say nothing.
    if (!received.Ok() || request.ascii)
        return received;
    return CheckLength(remotePath, transfer.Position(), transfer.Announced(), listedSize, received);
}

FtpResult CFtpClient::CheckLength(const QByteArray& remotePath, qint64 received, qint64 announced,
                                  qint64 listed, const FtpResult& done)
{
    qint64 expected = announced >= 0 ? announced : listed;
    // A listing may be older than the file: when it alone says the file is short, the server's own
    // size decides.
    if (announced < 0 && listed > received)
    {
        const FtpValue<qint64> size = RemoteSize(remotePath);
        if (size.result.Ok())
            expected = size.value;
    }
    if (expected < 0 || received == expected)
        return done;
    const QString name = QString::fromUtf8(remotePath.mid(remotePath.lastIndexOf('/') + 1));
    if (received > expected)
    {
        m_control.Log(FtpLogKind::Info, QCoreApplication::translate(
                                            "FtpClient", "%1 在傳送時變大：宣告 %2 位元組，收到 %3 位元組")
                                            .arg(name)
                                            .arg(expected)
                                            .arg(received)
                                            .toUtf8());
        return done;
    }
    return FtpResult::Short(QCoreApplication::translate("FtpClient", "下載失敗"), name, received, expected,
                            done.reply);
}

FtpResult CFtpClient::Upload(const QString& localPath, const QByteArray& remotePath, FtpUploadMode mode,
                             const FtpProgressHook& progress)
{
    FtpResult result = UploadOnce(localPath, remotePath, mode, progress);
    if (NeedsNewSessions(result) && RenewSessions().Ok())
        result = UploadOnce(localPath, remotePath, mode, progress);
    return Finished(result);
}

FtpResult CFtpClient::UploadOnce(const QString& localPath, const QByteArray& remotePath, FtpUploadMode mode,
                                 const FtpProgressHook& progress)
{
    const QString what = QCoreApplication::translate("FtpClient", "上傳失敗");
    const FtpResult refusal = Refusal(remotePath, what);
    if (!refusal.Ok())
        return refusal;
    CLocalFile source;
    const IoResult opened = source.Open(localPath, CLocalFile::Mode::Read);
    if (!opened.Ok())
        return FtpResult::Failure(FtpStatus::Local,
                                  QCoreApplication::translate("FtpClient", "無法讀取本機檔案 ") + localPath +
                                      QCoreApplication::translate("FtpClient", "：") + opened.error);
    FtpTransferRequest request =
        Request((mode == FtpUploadMode::Append ? "APPE " : "STOR ") + remotePath, progress);
    request.total = source.Size();
    if (mode == FtpUploadMode::Resume)
        return ResumeUpload(source, remotePath, request);
    const FtpResult typed = EnsureType(m_type);
    if (!typed.Ok())
        return typed;
    CFtpTransfer transfer(m_control, m_cancel, m_capabilities, DataSettings());
    return transfer.Upload(request, source, what);
}

FtpResult CFtpClient::ResumeUpload(CLocalFile& source, const QByteArray& remotePath,
                                   FtpTransferRequest request)
{
    const QString what = QCoreApplication::translate("FtpClient", "上傳失敗");
    const FtpValue<qint64> remoteSize = RemoteSize(remotePath);
    // A refused SIZE means there is nothing to continue: the whole file goes.
    if (!remoteSize.result.Ok() && remoteSize.result.status != FtpStatus::Refused)
        return remoteSize.result;
    const qint64 offset = remoteSize.result.Ok() ? remoteSize.value : 0;
    if (offset > request.total)
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            what + QCoreApplication::translate("FtpClient", "：遠端檔案比本機檔案大，無法續傳"));
    const IoResult seeked = source.Seek(offset);
    if (!seeked.Ok())
        return FtpResult::Failure(
            FtpStatus::Local, QCoreApplication::translate("FtpClient", "無法讀取本機檔案：") + seeked.error);
    const FtpResult typed = EnsureType(m_type);
    if (!typed.Ok())
        return typed;
    request.offset = offset;
    request.restart = offset > 0 && m_capabilities.restStor != FtpSupport::No;
    request.command = (offset > 0 && !request.restart ? "APPE " : "STOR ") + remotePath;
    const FtpResult sent =
        CFtpTransfer(m_control, m_cancel, m_capabilities, DataSettings()).Upload(request, source, what);
    if (!request.restart || sent.status != FtpStatus::Refused || m_capabilities.restStor == FtpSupport::Yes)
    {
        if (sent.Ok() && request.restart)
            m_capabilities.restStor = FtpSupport::Yes;
        return sent;
    }
    // Some servers refuse REST before STOR (proftpd without AllowStoreRestart); APPE does the same job.
    m_capabilities.restStor = FtpSupport::No;
    m_control.Log(FtpLogKind::Info,
                  QCoreApplication::translate("FtpClient", "伺服器不接受 REST 後上傳，改用 APPE").toUtf8());
    const IoResult reseeked = source.Seek(offset);
    if (!reseeked.Ok())
        return FtpResult::Failure(FtpStatus::Local,
                                  QCoreApplication::translate("FtpClient", "無法讀取本機檔案：") +
                                      reseeked.error);
    request.restart = false;
    request.command = "APPE " + remotePath;
    return CFtpTransfer(m_control, m_cancel, m_capabilities, DataSettings()).Upload(request, source, what);
}

FtpResult CFtpClient::Delete(const QByteArray& path)
{
    return Finished(Expect("DELE " + path, QCoreApplication::translate("FtpClient", "無法刪除檔案")));
}

FtpResult CFtpClient::RemoveFolder(const QByteArray& path)
{
    return Finished(Expect("RMD " + path, QCoreApplication::translate("FtpClient", "無法刪除目錄")));
}

FtpResult CFtpClient::MakeFolder(const QByteArray& path)
{
    return Finished(Expect("MKD " + path, QCoreApplication::translate("FtpClient", "無法建立目錄")));
}

FtpResult CFtpClient::Rename(const QByteArray& from, const QByteArray& to)
{
    const QString what = QCoreApplication::translate("FtpClient", "無法重新命名");
    const FtpValue<FtpReply> rnfr = Exchange("RNFR " + from, what);
    if (!rnfr.result.Ok())
        return Finished(rnfr.result);
    if (!rnfr.value.IsIntermediate())
        return FtpResult::Refused(what, rnfr.value);
    return Finished(Expect("RNTO " + to, what));
}

FtpValue<qint64> CFtpClient::Size(const QByteArray& path)
{
    FtpValue<qint64> size = RemoteSize(path);
    size.result = Finished(size.result);
    return size;
}

FtpValue<qint64> CFtpClient::RemoteSize(const QByteArray& path)
{
    const QString what = QCoreApplication::translate("FtpClient", "無法取得檔案大小");
    FtpValue<qint64> size;
    // Servers such as proftpd refuse SIZE in ASCII mode.
    size.result = EnsureType(FtpTransferType::Binary);
    if (size.result.Ok())
        size.result = Expect("SIZE " + path, what);
    bool ok = false;
    if (size.result.Ok())
        size.value = size.result.reply.LastText().toLongLong(&ok);
    if (size.result.Ok() && (!ok || size.value < 0))
        size.result = FtpResult::Failure(FtpStatus::Protocol,
                                         what + QCoreApplication::translate("FtpClient", "：") +
                                             QString::fromUtf8(size.result.reply.Text()),
                                         size.result.reply);
    return size;
}

FtpValue<QDateTime> CFtpClient::ModifiedTime(const QByteArray& path)
{
    const QString what = QCoreApplication::translate("FtpClient", "無法取得檔案時間");
    FtpValue<QDateTime> time;
    time.result = Finished(Expect("MDTM " + path, what));
    if (time.result.Ok())
        time.value = CReplyParser::Timestamp(time.result.reply.LastText());
    if (time.result.Ok() && !time.value.isValid())
        time.result = FtpResult::Failure(FtpStatus::Protocol,
                                         what + QCoreApplication::translate("FtpClient", "：") +
                                             QString::fromUtf8(time.result.reply.Text()),
                                         time.result.reply);
    return time;
}

FtpResult CFtpClient::SetModifiedTime(const QByteArray& path, const QDateTime& time)
{
    const QByteArray stamp = CReplyParser::TimestampText(time);
    const QByteArray verb = m_features.Has("MFMT") ? "MFMT " : "MDTM ";
    return Finished(
        Expect(verb + stamp + " " + path, QCoreApplication::translate("FtpClient", "無法設定檔案時間")));
}

FtpValue<QByteArray> CFtpClient::RemoteChecksum(ChecksumKind kind, const QByteArray& path)
{
    const QByteArray algorithm = HashName(kind);
    FtpValue<QByteArray> checksum = m_features.HashAlgorithms().contains(algorithm)
                                        ? HashChecksum(algorithm, path)
                                        : CommandChecksum(kind, path);
    checksum.result = Finished(checksum.result);
    return checksum;
}

FtpValue<QByteArray> CFtpClient::HashChecksum(const QByteArray& algorithm, const QByteArray& path)
{
    const QString what = QCoreApplication::translate("FtpClient", "無法取得遠端檢查碼");
    FtpValue<QByteArray> checksum;
    if (m_capabilities.selectedHash != algorithm)
    {
        checksum.result = Expect("OPTS HASH " + algorithm, what);
        if (!checksum.result.Ok())
            return checksum;
        m_capabilities.selectedHash = algorithm;
    }
    checksum.result = Expect("HASH " + path, what);
    if (checksum.result.Ok())
        checksum.value = CReplyParser::HashChecksum(checksum.result.reply);
    if (checksum.result.Ok() && checksum.value.isEmpty())
        checksum.result = FtpResult::Failure(FtpStatus::Protocol,
                                             what + QCoreApplication::translate("FtpClient", "：") +
                                                 QString::fromUtf8(checksum.result.reply.Text()),
                                             checksum.result.reply);
    return checksum;
}

FtpValue<QByteArray> CFtpClient::CommandChecksum(ChecksumKind kind, const QByteArray& path)
{
    const QString what = QCoreApplication::translate("FtpClient", "無法取得遠端檢查碼");
    struct Candidate
    {
        QByteArray verb;
        FtpSupport* support;
    };
    QList<Candidate> candidates;
    if (kind == ChecksumKind::Crc32)
        candidates = {{"XCRC", &m_capabilities.xcrc}};
    else if (kind == ChecksumKind::Md5)
        candidates = {{"XMD5", &m_capabilities.xmd5}};
    else
        candidates = {{"XSHA1", &m_capabilities.xsha1}, {"XSHA", &m_capabilities.xsha}};

    FtpValue<QByteArray> checksum;
    for (const Candidate& candidate : candidates)
    {
        // A server may accept these without listing them in FEAT; 500 and 502 say it does not.
        if (*candidate.support == FtpSupport::No)
            continue;
        const FtpValue<FtpReply> reply = Exchange(candidate.verb + " " + path, what);
        checksum.result = reply.result;
        if (!reply.result.Ok())
            return checksum;
        if (IsUnsupported(reply.value))
        {
            *candidate.support = FtpSupport::No;
            continue;
        }
        *candidate.support = FtpSupport::Yes;
        if (!reply.value.IsPositive())
        {
            checksum.result = FtpResult::Refused(what, reply.value);
            return checksum;
        }
        checksum.value = CReplyParser::CommandChecksum(reply.value, kind);
        if (checksum.value.isEmpty())
            checksum.result = FtpResult::Failure(FtpStatus::Protocol,
                                                 what + QCoreApplication::translate("FtpClient", "：") +
                                                     QString::fromUtf8(reply.value.Text()),
                                                 reply.value);
        return checksum;
    }
    checksum.result = Refusal({}, what);
    return checksum;
}

FtpResult CFtpClient::Site(const QByteArray& arguments)
{
    return Finished(Expect("SITE " + arguments, QCoreApplication::translate("FtpClient", "SITE 命令失敗")));
}

FtpResult CFtpClient::Raw(const QByteArray& command)
{
    const QString what = QCoreApplication::translate("FtpClient", "命令失敗");
    const FtpValue<FtpReply> reply = Exchange(command, what);
    if (!reply.result.Ok())
        return Finished(reply.result);
    return reply.value.code < 400 ? FtpResult::Success(reply.value) : FtpResult::Refused(what, reply.value);
}

FtpValue<FtpReply> CFtpClient::Begin(const QByteArray& command)
{
    const QString what = QCoreApplication::translate("FtpClient", "命令失敗");
    const FtpResult refusal = Refusal(command, what);
    if (!refusal.Ok())
        return {refusal, {}};
    const IoResult sent = m_control.Send(command, m_options.timeoutMs);
    if (!sent.Ok())
        return {Finished(FtpResult::FromIo(what, sent)), {}};
    const ReplyResult reply = m_control.ReadReply(m_options.timeoutMs);
    if (!reply.io.Ok())
        return {Finished(FtpResult::FromIo(what, reply.io)), {}};
    return {FtpResult::Success(reply.reply), reply.reply};
}

FtpValue<FtpReply> CFtpClient::FinalReply(int timeoutMs)
{
    for (;;)
    {
        const ReplyResult reply = m_control.ReadReply(timeoutMs);
        if (!reply.io.Ok())
            return {
                Finished(FtpResult::FromIo(QCoreApplication::translate("FtpClient", "命令失敗"), reply.io)),
                {}};
        if (!reply.reply.IsPreliminary())
            return {FtpResult::Success(reply.reply), reply.reply};
    }
}

FtpResult CFtpClient::Noop()
{
    return Finished(Expect("NOOP", QCoreApplication::translate("FtpClient", "NOOP 失敗")));
}

FtpResult CFtpClient::Refusal(const QByteArray& text, const QString& what) const
{
    if (!IsConnected())
        return FtpResult::Failure(FtpStatus::NotConnected,
                                  what + QCoreApplication::translate("FtpClient", "：尚未連線"));
    // A line end inside a name would let it carry a second command.
    if (text.contains('\r') || text.contains('\n') || text.contains('\0'))
        return FtpResult::Failure(FtpStatus::BadRequest,
                                  what +
                                      QCoreApplication::translate("FtpClient", "：名稱含有換行或 NUL 字元"));
    return FtpResult::Success();
}

FtpValue<FtpReply> CFtpClient::Exchange(const QByteArray& command, const QString& what)
{
    const FtpResult refusal = Refusal(command, what);
    if (!refusal.Ok())
        return {refusal, {}};
    const ReplyResult reply = m_control.Command(command, m_options.timeoutMs);
    if (!reply.io.Ok())
        return {FtpResult::FromIo(what, reply.io), {}};
    return {FtpResult::Success(reply.reply), reply.reply};
}

FtpResult CFtpClient::Expect(const QByteArray& command, const QString& what)
{
    const FtpValue<FtpReply> reply = Exchange(command, what);
    if (!reply.result.Ok())
        return reply.result;
    return reply.value.IsPositive() ? FtpResult::Success(reply.value) : FtpResult::Refused(what, reply.value);
}

FtpResult CFtpClient::EnsureType(FtpTransferType type)
{
    if (m_serverType == type)
        return FtpResult::Success();
    const FtpResult typed = Expect(type == FtpTransferType::Ascii ? "TYPE A" : "TYPE I",
                                   QCoreApplication::translate("FtpClient", "無法設定傳輸模式"));
    if (typed.Ok())
        m_serverType = type;
    return typed;
}

FtpDataSettings CFtpClient::DataSettings() const
{
    FtpDataSettings settings;
    settings.passive = m_passive;
    settings.tls = m_options.clearDataChannel ? nullptr : m_tls.get();
    settings.tlsHost = m_options.host;
    settings.controlPeer = m_peer;
    settings.timeoutMs = m_options.timeoutMs;
    settings.proxy = m_options.proxy;
    settings.serverHost = m_options.host;
    return settings;
}

FtpTransferRequest CFtpClient::Request(const QByteArray& command, const FtpProgressHook& progress) const
{
    FtpTransferRequest request;
    request.command = command;
    request.ascii = m_type == FtpTransferType::Ascii;
    request.progress = progress;
    return request;
}

FtpResult CFtpClient::Finished(const FtpResult& result)
{
    if (result.status != FtpStatus::Cancelled)
        return result;
    m_cancel.Clear();
    // A cancelled TLS data connection ends without a clean close, so the server drops the sessions it used
    // and gave there; servers that require reuse (vsftpd, proftpd) would refuse every later data connection.
    if (m_tls && !m_options.clearDataChannel && IsConnected())
        RenewSessions();
    return result;
}
