// SFTP client: draft-ietf-secsh-filexfer-02 (version 3) over the "sftp" subsystem of SSH (RFC 4254);
// posix-rename@openssh.com and limits@openssh.com as OpenSSH's PROTOCOL file describes them; check-file-name
// from draft-ietf-secsh-filexfer-extensions-00.
#include "engine/sftp/SftpClient.h"

#include "engine/LocalFile.h"
#include "engine/keys/KeyCertificate.h"
#include "engine/net/ProxyConnector.h"
#include "engine/net/TcpTransport.h"
#include "engine/sftp/SftpAttributes.h"
#include "engine/sftp/SftpConnection.h"
#include "engine/sftp/SftpMessage.h"
#include "engine/sftp/SftpNameList.h"
#include "engine/sftp/SftpNames.h"
#include "engine/sftp/SftpPacket.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpRawCommand.h"
#include "engine/sftp/SftpReader.h"
#include "engine/sftp/SftpStatus.h"
#include "engine/sftp/SftpTransfer.h"
#include "engine/sftp/SshChannel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <libssh/libssh.h>
#include <limits>

namespace
{
// Request sizes: what the server's limits allow up to this, else reads of this size (short answers are
// handled) and writes of the size every server must take.
constexpr qint64 kPreferredBlock = 256 * 1024;
constexpr qint64 kSafeBlock = 32 * 1024;
constexpr int kMaxTreeDepth = 256;
constexpr qsizetype kMaxEntries = 1000000;
constexpr qsizetype kMaxCommandOutput = 64 * 1024;
// Exit statuses of a POSIX shell for a command it cannot find or run.
constexpr int kCommandNotFound = 127;
constexpr int kCommandNotRunnable = 126;

QString Text(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

FtpResult Malformed(const QString& what)
{
    return FtpResult::Failure(FtpStatus::Protocol,
                              what + QCoreApplication::translate("SftpClient", "：伺服器的回應格式錯誤"));
}

// A request for the trace: its name and, where it carries one, the path (or the extension's name), so
// that an SFTP job's details read like an FTP job's commands. Handles are binary and left out.
QByteArray RequestLine(quint8 type, const QByteArray& packet)
{
    static const QHash<quint8, QByteArray> kNames{
        {Sftp::Open, "OPEN"},        {Sftp::Close, "CLOSE"},     {Sftp::Lstat, "LSTAT"},
        {Sftp::Fstat, "FSTAT"},      {Sftp::Setstat, "SETSTAT"}, {Sftp::Fsetstat, "FSETSTAT"},
        {Sftp::Opendir, "OPENDIR"},  {Sftp::Readdir, "READDIR"}, {Sftp::Remove, "REMOVE"},
        {Sftp::Mkdir, "MKDIR"},      {Sftp::Rmdir, "RMDIR"},     {Sftp::Realpath, "REALPATH"},
        {Sftp::Stat, "STAT"},        {Sftp::Rename, "RENAME"},   {Sftp::Readlink, "READLINK"},
        {Sftp::Extended, "EXTENDED"}};
    const QByteArray name = kNames.value(type, "TYPE " + QByteArray::number(type));
    const bool byHandle =
        type == Sftp::Close || type == Sftp::Fstat || type == Sftp::Fsetstat || type == Sftp::Readdir;
    // Length, type and request id come before the first field.
    CSftpReader reader(packet.mid(9));
    QByteArray first;
    if (byHandle || !reader.String(&first))
        return name;
    return name + ' ' + first;
}

// The answer for the trace: its kind, and a status's code and text.
QByteArray AnswerLine(const SftpMessage& answer)
{
    switch (answer.type)
    {
    case Sftp::Status:
    {
        CSftpReader reader(answer.body);
        SftpStatus status;
        if (!SftpStatus::Read(reader, &status))
            return "STATUS";
        return "STATUS " + QByteArray::number(status.code) + (status.message.isEmpty() ? "" : " ") +
               status.message;
    }
    case Sftp::Handle:
        return "HANDLE";
    case Sftp::Name:
        return "NAME";
    case Sftp::Attrs:
        return "ATTRS";
    default:
        return "TYPE " + QByteArray::number(answer.type);
    }
}

QByteArray MethodNames(int methods)
{
    QList<QByteArray> names;
    if (methods & SSH_AUTH_METHOD_PUBLICKEY)
        names.append("publickey");
    if (methods & SSH_AUTH_METHOD_PASSWORD)
        names.append("password");
    if (methods & SSH_AUTH_METHOD_INTERACTIVE)
        names.append("keyboard-interactive");
    return names.isEmpty() ? QByteArray("-") : names.join(',');
}

QByteArray CheckFileAlgorithm(ChecksumKind kind)
{
    switch (kind)
    {
    case ChecksumKind::Crc32:
        return "crc32";
    case ChecksumKind::Md5:
        return "md5";
    case ChecksumKind::Sha1:
        return "sha1";
    }
    return {};
}

qsizetype DigestSize(ChecksumKind kind)
{
    switch (kind)
    {
    case ChecksumKind::Crc32:
        return 4;
    case ChecksumKind::Md5:
        return 16;
    case ChecksumKind::Sha1:
        return 20;
    }
    return 0;
}

quint32 OpenFlags(FtpUploadMode mode)
{
    switch (mode)
    {
    case FtpUploadMode::Replace:
        return Sftp::OpenWrite | Sftp::OpenCreate | Sftp::OpenTruncate;
    case FtpUploadMode::Append:
        return Sftp::OpenWrite | Sftp::OpenCreate | Sftp::OpenAppend;
    case FtpUploadMode::Resume:
        break;
    }
    return Sftp::OpenWrite | Sftp::OpenCreate;
}

// The first word of "md5sum" output; names with special characters make it start with a backslash.
QByteArray DigestFromOutput(const QByteArray& output, ChecksumKind kind)
{
    QByteArray word = output.trimmed().split(' ').value(0).split('\n').value(0);
    if (word.startsWith('\\'))
        word.remove(0, 1);
    word = word.toLower();
    const bool hex = std::all_of(word.begin(), word.end(),
                                 [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    return hex && word.size() == 2 * DigestSize(kind) ? word : QByteArray();
}
} // namespace

CSftpClient::CSftpClient() = default;

CSftpClient::~CSftpClient()
{
    Disconnect();
}

bool CSftpClient::IsConnected() const
{
    return m_sftp && !m_sftp->IsBroken();
}

FtpResult CSftpClient::Connect(const SftpConnectOptions& options)
{
    Disconnect();
    m_options = options;
    if (m_options.port == 0)
        m_options.port = 22;
    FtpResult result = Open();
    if (result.Ok())
        result = CheckHostKey();
    if (result.Ok())
        result = LogIn();
    // However the server said no, the same log-in and password would hear it again.
    if (result.status == FtpStatus::Refused)
        result.status = FtpStatus::LogInRefused;
    if (result.Ok())
        result = StartSftp();
    if (!result.Ok())
        Disconnect();
    return Finished(result);
}

void CSftpClient::Disconnect()
{
    // Channels before their session: libssh frees them together.
    m_sftp.reset();
    m_ssh.reset();
    m_transport.reset();
    m_extensions.clear();
    m_checkFile = Support::Unknown;
    m_current.clear();
}

FtpResult CSftpClient::Open()
{
    const QByteArray host = m_options.host.contains(':') ? "[" + m_options.host + "]" : m_options.host;
    QString where =
        QCoreApplication::translate("SftpClient", "無法連線到 %1:%2").arg(Text(host)).arg(m_options.port);
    const ProxySettings& proxy = m_options.proxy;
    if (proxy.IsFtpStyle())
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            where + QCoreApplication::translate("SftpClient",
                                                "：FTP 類型的 proxy（SITE、OPEN、USER）只能用於 FTP，"
                                                "SFTP 請改用 SOCKS、HTTP CONNECT 或轉送"));
    const CProxyConnector connector(proxy, m_cancel);
    if (proxy.type != ProxyType::None)
        where += QCoreApplication::translate("SftpClient", "（經由 proxy %1:%2）")
                     .arg(Text(proxy.host))
                     .arg(connector.ProxyPort(m_options.port));
    IoResult connected;
    std::unique_ptr<CTcpTransport> tcp =
        connector.Connect(m_options.host, m_options.port, m_options.timeoutMs, &connected);
    if (!tcp)
        return FtpResult::FromIo(where, connected);
    m_transport = std::move(tcp);
    m_ssh = std::make_unique<CSshSession>(m_cancel, m_options.timeoutMs);
    const FtpResult started = m_ssh->Start(m_transport->Fd(), m_options.host, m_options.user);
    if (started.Ok())
        Info(QCoreApplication::translate("SftpClient", "SSH 伺服器：") + Text(m_ssh->ServerBanner()));
    return started;
}

FtpResult CSftpClient::CheckHostKey()
{
    const std::optional<SshHostKey> key = m_ssh->HostKey();
    if (!key)
        return FtpResult::Failure(
            FtpStatus::Protocol,
            QCoreApplication::translate("SftpClient", "SSH 連線失敗：無法取得伺服器的主機金鑰"));
    const QString shown = Text(key->type) + ' ' + Text(key->Fingerprint());
    Info(QCoreApplication::translate("SftpClient", "伺服器的主機金鑰：") + shown);
    if (m_hostKeyHook && m_hostKeyHook(*key))
        return FtpResult::Success();
    return FtpResult::Failure(
        FtpStatus::Rejected,
        QCoreApplication::translate("SftpClient", "已拒絕伺服器的主機金鑰（%1），連線已中止").arg(shown));
}

FtpResult CSftpClient::LogIn()
{
    ssh_key_struct* key = m_options.key ? m_options.key->SshKey() : nullptr;
    const bool keyOnly = m_options.authentication == SftpAuthentication::KeyOnly;
    if (keyOnly && !key)
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            QCoreApplication::translate("SftpClient",
                                        "SSH 登入失敗：只允許以金鑰登入，但沒有載入可用的私密金鑰"));
    FtpValue<SshAuthOutcome> step = m_ssh->AuthenticateNone();
    if (step.result.Ok() || step.result.status != FtpStatus::Refused)
        return LoggedIn(step, QStringLiteral("none"));
    int methods = m_ssh->Methods();
    FtpResult refusal = FtpResult::Failure(
        FtpStatus::Refused, QCoreApplication::translate(
                                "SftpClient", "SSH 登入失敗：伺服器不提供可用的登入方式（伺服器提供：%1）")
                                .arg(Text(MethodNames(methods))));
    if (key && (methods & SSH_AUTH_METHOD_PUBLICKEY))
    {
        step = m_ssh->AuthenticateKey(key);
        if (step.result.Ok() && step.value == SshAuthOutcome::LoggedIn)
            return LoggedIn(step, QStringLiteral("publickey"));
        if (!step.result.Ok() && step.result.status != FtpStatus::Refused)
            return step.result;
        if (!step.result.Ok())
            refusal = step.result;
        methods = m_ssh->Methods();
    }
    if (keyOnly)
        return refusal;
    if (!(methods & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE)))
        return refusal;
    const QString how = (methods & SSH_AUTH_METHOD_PASSWORD) ? QStringLiteral("password")
                                                             : QStringLiteral("keyboard-interactive");
    return LoggedIn(LogInWithPassword(methods), how);
}

FtpValue<SshAuthOutcome> CSftpClient::LogInWithPassword(int methods)
{
    if (methods & SSH_AUTH_METHOD_PASSWORD)
        return m_ssh->AuthenticatePassword(m_options.password);
    return m_ssh->AuthenticateKeyboard(m_options.user, m_options.password);
}

FtpResult CSftpClient::LoggedIn(const FtpValue<SshAuthOutcome>& step, const QString& how)
{
    if (!step.result.Ok())
        return step.result;
    if (step.value == SshAuthOutcome::Partial)
        return FtpResult::Failure(
            FtpStatus::Refused,
            QCoreApplication::translate("SftpClient", "SSH 登入失敗：伺服器還要求其他登入方式（%1）")
                .arg(Text(MethodNames(m_ssh->Methods()))));
    Info(QCoreApplication::translate("SftpClient", "已登入（%1）").arg(how));
    return FtpResult::Success();
}

FtpResult CSftpClient::StartSftp()
{
    const QString what = QCoreApplication::translate("SftpClient", "無法啟動 SFTP");
    FtpValue<std::unique_ptr<CSshChannel>> channel = m_ssh->OpenSubsystem("sftp");
    if (!channel.result.Ok())
        return channel.result;
    m_sftp = std::make_unique<CSftpConnection>(std::move(channel.value), m_options.timeoutMs);
    m_sftp->Queue(0, CSftpPacket::Init(Sftp::kVersion).Finish());
    const FtpValue<SftpMessage> version = m_sftp->Next(what);
    if (!version.result.Ok())
        return version.result;
    if (version.value.type != Sftp::Version)
        return Malformed(what);
    if (version.value.id != Sftp::kVersion)
        return FtpResult::Failure(
            FtpStatus::Protocol,
            what + QCoreApplication::translate("SftpClient", "：不支援伺服器的 SFTP 版本 %1")
                       .arg(version.value.id));
    if (!ReadExtensions(version.value.body, &m_extensions))
        return Malformed(what);
    Info(QCoreApplication::translate("SftpClient", "SFTP 版本 3，擴充功能：%1")
             .arg(Text(m_extensions.keys().join(' '))));
    const FtpResult limits = ReadLimits();
    if (!limits.Ok())
        return limits;
    const FtpValue<QByteArray> home = RealPath(".", what);
    m_current = home.value;
    return home.result;
}

bool CSftpClient::ReadExtensions(const QByteArray& body, QHash<QByteArray, QByteArray>* extensions)
{
    CSftpReader reader(body);
    while (!reader.AtEnd())
    {
        QByteArray name, data;
        if (!reader.String(&name) || !reader.String(&data))
            return false;
        extensions->insert(name, data);
    }
    return true;
}

FtpResult CSftpClient::ReadLimits()
{
    m_readBlock = kPreferredBlock;
    m_writeBlock = kSafeBlock;
    if (!m_extensions.contains("limits@openssh.com"))
        return FtpResult::Success();
    const QString what = QCoreApplication::translate("SftpClient", "無法讀取 SFTP 伺服器的限制");
    const FtpValue<SftpMessage> answer = Request(
        Sftp::Extended, [](CSftpPacket& packet) { packet.AddString("limits@openssh.com"); }, what);
    if (!answer.result.Ok())
        return answer.result;
    CSftpReader reader(answer.value.body);
    quint64 packet = 0, read = 0, write = 0;
    if (answer.value.type != Sftp::ExtendedReply || !reader.Uint64(&packet) || !reader.Uint64(&read) ||
        !reader.Uint64(&write))
        return Malformed(what);
    // Zero means no limit.
    m_readBlock = read > 0 ? qint64(qMin<quint64>(read, kPreferredBlock)) : kPreferredBlock;
    m_writeBlock = write > 0 ? qint64(qMin<quint64>(write, kPreferredBlock)) : kPreferredBlock;
    return FtpResult::Success();
}

QByteArray CSftpClient::Absolute(const QByteArray& path) const
{
    return CSftpNames::Resolve(m_current, path);
}

FtpResult CSftpClient::Usable(const QString& what) const
{
    if (IsConnected())
        return FtpResult::Success();
    return FtpResult::Failure(FtpStatus::NotConnected,
                              what + QCoreApplication::translate("SftpClient", "：尚未連線"));
}

FtpValue<SftpMessage> CSftpClient::Request(quint8 type, const std::function<void(CSftpPacket&)>& fill,
                                           const QString& what)
{
    const FtpResult usable = Usable(what);
    if (!usable.Ok())
        return {usable, {}};
    const quint32 id = m_sftp->NextId();
    CSftpPacket packet(type, id);
    fill(packet);
    const QByteArray bytes = packet.Finish();
    Log(FtpLogKind::Command, RequestLine(type, bytes));
    FtpValue<SftpMessage> answer = m_sftp->Exchange(id, bytes, what);
    if (answer.result.Ok())
        Log(FtpLogKind::Reply, AnswerLine(answer.value));
    return answer;
}

FtpResult CSftpClient::StatusOf(const FtpValue<SftpMessage>& answer, const QString& what)
{
    if (!answer.result.Ok())
        return answer.result;
    CSftpReader reader(answer.value.body);
    SftpStatus status;
    if (answer.value.type != Sftp::Status || !SftpStatus::Read(reader, &status))
        return Malformed(what);
    return status.ToResult(what);
}

FtpResult CSftpClient::Simple(quint8 type, const QByteArray& path, const QString& what)
{
    return StatusOf(Request(
                        type,
                        [&](CSftpPacket& packet)
                        {
                            packet.AddString(path);
                            if (type == Sftp::Mkdir)
                                packet.AddAttributes({});
                        },
                        what),
                    what);
}

FtpValue<SftpAttributes> CSftpClient::Attributes(quint8 type, const QByteArray& path, const QString& what)
{
    const FtpValue<SftpMessage> answer = Request(
        type, [&](CSftpPacket& packet) { packet.AddString(path); }, what);
    if (!answer.result.Ok())
        return {answer.result, {}};
    CSftpReader reader(answer.value.body);
    SftpAttributes attributes;
    if (answer.value.type == Sftp::Attrs && SftpAttributes::Read(reader, &attributes))
        return {FtpResult::Success(), attributes};
    SftpStatus status;
    if (answer.value.type == Sftp::Status && SftpStatus::Read(reader, &status) && !status.Ok())
        return {status.ToResult(what), {}};
    return {Malformed(what), {}};
}

FtpValue<QByteArray> CSftpClient::RealPath(const QByteArray& path, const QString& what)
{
    const FtpValue<QByteArray> name = NameOf(Sftp::Realpath, path, what);
    if (name.result.Ok() && !name.value.startsWith('/'))
        return {Malformed(what), {}};
    return name;
}

FtpValue<QByteArray> CSftpClient::NameOf(quint8 type, const QByteArray& path, const QString& what)
{
    const FtpValue<SftpMessage> answer = Request(
        type, [&](CSftpPacket& packet) { packet.AddString(path); }, what);
    if (!answer.result.Ok())
        return {answer.result, {}};
    CSftpReader reader(answer.value.body);
    if (answer.value.type == Sftp::Status)
    {
        SftpStatus status;
        if (!SftpStatus::Read(reader, &status) || status.Ok())
            return {Malformed(what), {}};
        return {status.ToResult(what), {}};
    }
    quint32 count = 0;
    QByteArray name;
    if (answer.value.type != Sftp::Name || !reader.Uint32(&count) || count < 1 || !reader.String(&name))
        return {Malformed(what), {}};
    return {FtpResult::Success(), name};
}

FtpValue<QByteArray> CSftpClient::OpenHandle(quint8 type, const QByteArray& path, quint32 flags,
                                             const QString& what)
{
    const FtpValue<SftpMessage> answer = Request(
        type,
        [&](CSftpPacket& packet)
        {
            packet.AddString(path);
            if (type == Sftp::Open)
                packet.AddUint32(flags).AddAttributes({});
        },
        what);
    if (!answer.result.Ok())
        return {answer.result, {}};
    CSftpReader reader(answer.value.body);
    QByteArray handle;
    if (answer.value.type == Sftp::Handle && reader.String(&handle))
        return {FtpResult::Success(), handle};
    SftpStatus status;
    if (answer.value.type == Sftp::Status && SftpStatus::Read(reader, &status) && !status.Ok())
        return {status.ToResult(what), {}};
    return {Malformed(what), {}};
}

FtpResult CSftpClient::CloseHandle(const QByteArray& handle, const QString& what)
{
    if (!IsConnected())
        return FtpResult::Failure(FtpStatus::Network,
                                  what + QCoreApplication::translate("SftpClient", "：SFTP 連線已中斷"));
    return Simple(Sftp::Close, handle, what);
}

void CSftpClient::CloseReadHandle(const QByteArray& handle)
{
    if (!IsConnected())
        return;
    const quint32 id = m_sftp->NextId();
    CSftpPacket packet(Sftp::Close, id);
    packet.AddString(handle);
    m_sftp->Queue(id, packet.Finish());
    m_sftp->SendQueued();
}

FtpResult CSftpClient::SetAttributes(const QByteArray& path, const SftpAttributes& attributes,
                                     const QString& what)
{
    return StatusOf(Request(
                        Sftp::Setstat,
                        [&](CSftpPacket& packet) { packet.AddString(path).AddAttributes(attributes); }, what),
                    what);
}

FtpValue<QByteArray> CSftpClient::CurrentFolder() const
{
    const FtpResult usable = Usable(QCoreApplication::translate("SftpClient", "無法取得目前的資料夾"));
    return {usable, usable.Ok() ? m_current : QByteArray()};
}

FtpResult CSftpClient::ChangeFolder(const QByteArray& path)
{
    const QString what = QCoreApplication::translate("SftpClient", "無法切換到資料夾 \"%1\"").arg(Text(path));
    const FtpValue<QByteArray> real = RealPath(Absolute(path), what);
    if (!real.result.Ok())
        return Finished(real.result);
    const FtpValue<SftpAttributes> attributes = Attributes(Sftp::Stat, real.value, what);
    if (!attributes.result.Ok())
        return Finished(attributes.result);
    if (attributes.value.Kind() != ListItem::Kind::Folder)
        return FtpResult::Failure(FtpStatus::Refused,
                                  what + QCoreApplication::translate("SftpClient", "：不是資料夾"));
    m_current = real.value;
    return FtpResult::Success();
}

FtpResult CSftpClient::ChangeToParent()
{
    return ChangeFolder("..");
}

FtpValue<FtpListing> CSftpClient::List(const QByteArray& path)
{
    const QByteArray folder = Absolute(path);
    return Finished(ReadFolder(
        folder, QCoreApplication::translate("SftpClient", "無法列出資料夾 \"%1\"").arg(Text(folder))));
}

FtpValue<FtpListing> CSftpClient::ReadFolder(const QByteArray& folder, const QString& what)
{
    const FtpValue<QByteArray> handle = OpenHandle(Sftp::Opendir, folder, 0, what);
    if (!handle.result.Ok())
        return {handle.result, {}};
    FtpListing listing;
    FtpResult result = FtpResult::Success();
    bool atEnd = false;
    while (result.Ok() && !atEnd)
    {
        const FtpValue<SftpMessage> answer = Request(
            Sftp::Readdir, [&](CSftpPacket& packet) { packet.AddString(handle.value); }, what);
        CSftpReader reader(answer.value.body);
        SftpStatus status;
        if (!answer.result.Ok())
            result = answer.result;
        else if (answer.value.type == Sftp::Name)
            result = ReadEntries(answer.value, &listing, what);
        else if (answer.value.type == Sftp::Status && SftpStatus::Read(reader, &status) && !status.Ok())
        {
            atEnd = status.code == Sftp::Eof;
            if (!atEnd)
                result = status.ToResult(what);
        }
        else
            result = Malformed(what);
    }
    const FtpResult closed = IsConnected() ? CloseHandle(handle.value, what) : FtpResult::Success();
    if (!result.Ok())
        return {result, {}};
    for (ListItem& item : listing.items)
    {
        if (item.kind == ListItem::Kind::Link)
            item.linkTarget = NameOf(Sftp::Readlink, CSftpNames::Join(folder, item.name), what).value;
    }
    return {closed, listing};
}

FtpResult CSftpClient::ReadEntries(const SftpMessage& answer, FtpListing* listing, const QString& what)
{
    QList<QByteArray> skipped;
    const CSftpNameList::ERead read =
        CSftpNameList::Read(answer.body, kMaxEntries, &listing->items, &listing->lines, &skipped);
    for (const QByteArray& name : skipped)
    {
        if (name != "." && name != "..")
            Info(QCoreApplication::translate("SftpClient", "已略過不安全的名稱：%1").arg(Text(name)));
    }
    if (read == CSftpNameList::ERead::Malformed)
        return Malformed(what);
    if (read == CSftpNameList::ERead::TooMany)
        return FtpResult::Failure(FtpStatus::Protocol,
                                  what + QCoreApplication::translate("SftpClient", "：項目過多"));
    return FtpResult::Success();
}

FtpValue<ListItem> CSftpClient::Stat(const QByteArray& path)
{
    const QByteArray target = Absolute(path);
    const FtpValue<SftpAttributes> attributes =
        Attributes(Sftp::Stat, target,
                   QCoreApplication::translate("SftpClient", "無法讀取 \"%1\" 的資訊").arg(Text(target)));
    if (!attributes.result.Ok())
        return Finished(FtpValue<ListItem>{attributes.result, {}});
    ListItem item = CSftpNameList::ItemOf(target.mid(target.lastIndexOf('/') + 1), {}, attributes.value);
    return {FtpResult::Success(), item};
}

FtpValue<qint64> CSftpClient::Size(const QByteArray& path)
{
    const FtpValue<ListItem> item = Stat(path);
    return {item.result, item.value.size};
}

FtpValue<QDateTime> CSftpClient::ModifiedTime(const QByteArray& path)
{
    const FtpValue<ListItem> item = Stat(path);
    return {item.result, item.value.modified};
}

FtpResult CSftpClient::Download(const QByteArray& remotePath, const QString& localPath, bool resume,
                                const FtpProgressHook& progress, qint64 knownSize)
{
    const QByteArray path = Absolute(remotePath);
    const QString what = QCoreApplication::translate("SftpClient", "下載 \"%1\" 失敗").arg(Text(path));
    const FtpValue<QByteArray> handle = OpenHandle(Sftp::Open, path, Sftp::OpenRead, what);
    if (!handle.result.Ok())
        return Finished(handle.result);
    const FtpResult result = ReceiveFile(handle.value, path, localPath, resume, knownSize, progress, what);
    if (result.Ok())
        CloseReadHandle(handle.value);
    else
        CloseHandle(handle.value, what);
    return Finished(result);
}

qint64 CSftpClient::HandleSize(const QByteArray& handle, const QString& what)
{
    const FtpValue<SftpMessage> answer = Request(
        Sftp::Fstat, [&](CSftpPacket& packet) { packet.AddString(handle); }, what);
    CSftpReader reader(answer.value.body);
    SftpAttributes attributes;
    const bool sized = answer.result.Ok() && answer.value.type == Sftp::Attrs &&
                       SftpAttributes::Read(reader, &attributes) && attributes.Has(Sftp::AttrSize);
    return sized ? qint64(attributes.size) : -1;
}

FtpResult CSftpClient::ReceiveFile(const QByteArray& handle, const QByteArray& path, const QString& localPath,
                                   bool resume, qint64 knownSize, const FtpProgressHook& progress,
                                   const QString& what)
{
    // A size that turns out stale costs nothing but speed: the reads go on to the real end.
    const qint64 total = knownSize >= 0 ? knownSize : HandleSize(handle, what);
    const qint64 offset = resume ? qMax<qint64>(0, CLocalFile::SizeOf(localPath)) : 0;
    if (total >= 0 && offset > total)
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            what + QCoreApplication::translate("SftpClient", "：本機檔案比遠端檔案大，無法續傳"));
    // Opened (and truncated) only now that the server has the file.
    CLocalFile file;
    const IoResult opened =
        file.Open(localPath, resume ? CLocalFile::Mode::Extend : CLocalFile::Mode::Replace);
    if (!opened.Ok())
        return FtpResult::Failure(FtpStatus::Local, what + QCoreApplication::translate(
                                                               "SftpClient", "：無法開啟本機檔案 \"%1\"：%2")
                                                               .arg(localPath, opened.error));
    CSftpTransfer transfer(*m_sftp, m_cancel, m_readBlock);
    const FtpResult result = transfer.Download(handle, offset, total, file, progress, what);
    const IoResult closed = file.Close();
    if (result.Ok() && !closed.Ok())
        return FtpResult::Failure(FtpStatus::Local,
                                  what + QCoreApplication::translate("SftpClient", "：") + closed.error);
    if (!result.Ok())
        return result;
    const QString name = Text(path.mid(path.lastIndexOf('/') + 1));
    return CheckLength(handle, name, transfer.Position(), total, knownSize >= 0, what);
}

FtpResult CSftpClient::CheckLength(const QByteArray& handle, const QString& name, qint64 received,
                                   qint64 total, bool listed, const QString& what)
{
    qint64 expected = total;
    // A listing may be older than the file: when it alone says the file is short, the server's own
    // size decides.
    if (listed && received < total)
    {
        const qint64 now = HandleSize(handle, what);
        if (now >= 0)
            expected = now;
    }
    if (expected < 0 || received == expected)
        return FtpResult::Success();
    if (received > expected)
    {
        Info(QCoreApplication::translate("SftpClient", "%1 在傳送時變大：宣告 %2 位元組，收到 %3 位元組")
                 .arg(name)
                 .arg(expected)
                 .arg(received));
        return FtpResult::Success();
    }
    return FtpResult::Short(what, name, received, expected);
}

FtpValue<qint64> CSftpClient::RemoteSizeForResume(const QByteArray& path, const QString& what)
{
    const FtpValue<SftpAttributes> attributes = Attributes(Sftp::Stat, path, what);
    // A refusal (most often: no such file) means there is nothing to continue.
    if (attributes.result.status == FtpStatus::Refused)
        return {FtpResult::Success(), 0};
    if (attributes.result.Ok() && !attributes.value.Has(Sftp::AttrSize))
        return {FtpResult::Failure(FtpStatus::Protocol, what + QCoreApplication::translate(
                                                                   "SftpClient", "：伺服器沒有提供檔案大小")),
                0};
    return {attributes.result, qint64(attributes.value.size)};
}

FtpResult CSftpClient::Upload(const QString& localPath, const QByteArray& remotePath, FtpUploadMode mode,
                              const FtpProgressHook& progress)
{
    const QByteArray path = Absolute(remotePath);
    const QString what = QCoreApplication::translate("SftpClient", "上傳 \"%1\" 失敗").arg(Text(path));
    const FtpResult usable = Usable(what);
    if (!usable.Ok())
        return usable;
    CLocalFile file;
    const IoResult opened = file.Open(localPath, CLocalFile::Mode::Read);
    if (!opened.Ok())
        return FtpResult::Failure(FtpStatus::Local, what + QCoreApplication::translate(
                                                               "SftpClient", "：無法開啟本機檔案 \"%1\"：%2")
                                                               .arg(localPath, opened.error));
    const qint64 localSize = file.Size();
    const FtpValue<qint64> offset = mode == FtpUploadMode::Replace ? FtpValue<qint64>{FtpResult::Success(), 0}
                                                                   : RemoteSizeForResume(path, what);
    if (!offset.result.Ok())
        return Finished(offset.result);
    if (mode == FtpUploadMode::Resume && offset.value > localSize)
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            what + QCoreApplication::translate("SftpClient", "：遠端檔案比本機檔案大，無法續傳"));
    const IoResult sought = mode == FtpUploadMode::Resume ? file.Seek(offset.value) : IoResult::Done();
    if (!sought.Ok())
        return FtpResult::Failure(FtpStatus::Local,
                                  what + QCoreApplication::translate("SftpClient", "：") + sought.error);
    const FtpValue<QByteArray> handle = OpenHandle(Sftp::Open, path, OpenFlags(mode), what);
    if (!handle.result.Ok())
        return Finished(handle.result);
    const qint64 total = mode == FtpUploadMode::Append ? offset.value + localSize : localSize;
    const FtpResult result = CSftpTransfer(*m_sftp, m_cancel, m_writeBlock)
                                 .Upload(handle.value, offset.value, total, file, progress, what);
    const FtpResult closed = CloseHandle(handle.value, what);
    return Finished(result.Ok() ? closed : result);
}

FtpResult CSftpClient::Delete(const QByteArray& path)
{
    const QByteArray target = Absolute(path);
    return Finished(
        Simple(Sftp::Remove, target,
               QCoreApplication::translate("SftpClient", "刪除檔案 \"%1\" 失敗").arg(Text(target))));
}

FtpResult CSftpClient::RemoveFolder(const QByteArray& path)
{
    const QByteArray target = Absolute(path);
    return Finished(
        Simple(Sftp::Rmdir, target,
               QCoreApplication::translate("SftpClient", "移除資料夾 \"%1\" 失敗").arg(Text(target))));
}

FtpResult CSftpClient::MakeFolder(const QByteArray& path)
{
    const QByteArray target = Absolute(path);
    return Finished(
        Simple(Sftp::Mkdir, target,
               QCoreApplication::translate("SftpClient", "建立資料夾 \"%1\" 失敗").arg(Text(target))));
}

FtpResult CSftpClient::Rename(const QByteArray& from, const QByteArray& to)
{
    const QByteArray source = Absolute(from);
    const QByteArray target = Absolute(to);
    const QString what = QCoreApplication::translate("SftpClient", "將 \"%1\" 重新命名為 \"%2\" 失敗")
                             .arg(Text(source), Text(target));
    // Plain RENAME refuses an existing target; the OpenSSH extension replaces it like rename(2).
    const bool posix = m_extensions.contains("posix-rename@openssh.com");
    const auto fill = [&](CSftpPacket& packet)
    {
        if (posix)
            packet.AddString("posix-rename@openssh.com");
        packet.AddString(source).AddString(target);
    };
    return Finished(StatusOf(Request(posix ? Sftp::Extended : Sftp::Rename, fill, what), what));
}

FtpResult CSftpClient::DeleteFolderContents(const QByteArray& path)
{
    return Finished(DeleteTree(Absolute(path), 0));
}

FtpResult CSftpClient::DeleteTree(const QByteArray& folder, int depth)
{
    const QString what =
        QCoreApplication::translate("SftpClient", "刪除資料夾 \"%1\" 的內容失敗").arg(Text(folder));
    if (depth > kMaxTreeDepth)
        return FtpResult::Failure(FtpStatus::Refused,
                                  what + QCoreApplication::translate("SftpClient", "：資料夾層數過多"));
    const FtpValue<FtpListing> listing = ReadFolder(folder, what);
    if (!listing.result.Ok())
        return listing.result;
    for (const ListItem& item : listing.value.items)
    {
        if (CSftpTransfer::IsCancelled(m_cancel))
            return FtpResult::FromIo(what, IoResult::Fail(IoStatus::Cancelled));
        const QByteArray child = CSftpNames::Join(folder, item.name);
        FtpResult removed = FtpResult::Success();
        if (item.kind == ListItem::Kind::Folder)
        {
            removed = DeleteTree(child, depth + 1);
            if (removed.Ok())
                removed = Simple(
                    Sftp::Rmdir, child,
                    QCoreApplication::translate("SftpClient", "移除資料夾 \"%1\" 失敗").arg(Text(child)));
        }
        else
            removed =
                Simple(Sftp::Remove, child,
                       QCoreApplication::translate("SftpClient", "刪除檔案 \"%1\" 失敗").arg(Text(child)));
        if (!removed.Ok())
            return removed;
    }
    return FtpResult::Success();
}

FtpResult CSftpClient::SetModifiedTime(const QByteArray& path, const QDateTime& time)
{
    const QByteArray target = Absolute(path);
    const QString what =
        QCoreApplication::translate("SftpClient", "設定 \"%1\" 的修改時間失敗").arg(Text(target));
    const qint64 seconds = time.isValid() ? time.toSecsSinceEpoch() : -1;
    if (seconds < 0 || seconds > qint64(std::numeric_limits<quint32>::max()))
        return FtpResult::Failure(FtpStatus::BadRequest,
                                  what + QCoreApplication::translate("SftpClient", "：時間超出範圍"));
    // Version 3 sets both times at once: keep the access time the file has.
    const FtpValue<SftpAttributes> current = Attributes(Sftp::Stat, target, what);
    if (!current.result.Ok())
        return Finished(current.result);
    SftpAttributes changed;
    changed.flags = Sftp::AttrTimes;
    changed.atime = current.value.Has(Sftp::AttrTimes) ? current.value.atime : quint32(seconds);
    changed.mtime = quint32(seconds);
    return Finished(SetAttributes(target, changed, what));
}

FtpResult CSftpClient::SetPermissions(const QByteArray& path, quint32 mode)
{
    const QByteArray target = Absolute(path);
    SftpAttributes changed;
    changed.flags = Sftp::AttrPermissions;
    changed.permissions = mode & 07777;
    return Finished(
        SetAttributes(target, changed,
                      QCoreApplication::translate("SftpClient", "變更 \"%1\" 的權限失敗").arg(Text(target))));
}

FtpValue<QByteArray> CSftpClient::RemoteChecksum(ChecksumKind kind, const QByteArray& path)
{
    const QByteArray target = Absolute(path);
    const FtpResult usable = Usable(QCoreApplication::translate("SftpClient", "無法取得遠端檔案的檢查碼"));
    if (!usable.Ok())
        return {usable, {}};
    if (m_checkFile != Support::No)
    {
        const FtpValue<QByteArray> checked = CheckFile(kind, target);
        if (!checked.result.Ok() || !checked.value.isEmpty())
            return Finished(checked);
    }
    return Finished(HashCommand(kind, target));
}

FtpValue<QByteArray> CSftpClient::CheckFile(ChecksumKind kind, const QByteArray& path)
{
    const QString what =
        QCoreApplication::translate("SftpClient", "無法取得 \"%1\" 的檢查碼").arg(Text(path));
    const auto fill = [&](CSftpPacket& packet)
    {
        packet.AddString("check-file-name").AddString(path).AddString(CheckFileAlgorithm(kind));
        packet.AddUint64(0).AddUint64(0).AddUint32(0); // the whole file as one block
    };
    const FtpValue<SftpMessage> answer = Request(Sftp::Extended, fill, what);
    if (!answer.result.Ok())
        return {answer.result, {}};
    CSftpReader reader(answer.value.body);
    SftpStatus status;
    if (answer.value.type == Sftp::Status && SftpStatus::Read(reader, &status) && !status.Ok())
    {
        // Unknown request: fall back to a hash command. A refused algorithm (crc32 on proftpd) only
        // tells about that algorithm.
        if (status.code == Sftp::OpUnsupported && m_checkFile == Support::Unknown &&
            kind != ChecksumKind::Crc32)
            m_checkFile = Support::No;
        const bool noWay = status.code == Sftp::OpUnsupported || status.code == Sftp::BadMessage ||
                           (status.code == Sftp::Failure && kind == ChecksumKind::Crc32);
        return {noWay ? FtpResult::Success() : status.ToResult(what), {}};
    }
    // Older drafts put the name "check-file" before the algorithm; proftpd sends the algorithm alone.
    QByteArray algorithm;
    if (answer.value.type != Sftp::ExtendedReply || !reader.String(&algorithm) ||
        (algorithm == "check-file" && !reader.String(&algorithm)))
        return {Malformed(what), {}};
    const QByteArray digest = reader.Rest();
    if (algorithm != CheckFileAlgorithm(kind) || digest.size() != DigestSize(kind))
        return {Malformed(what), {}};
    m_checkFile = Support::Yes;
    return {FtpResult::Success(), digest.toHex()};
}

FtpValue<QByteArray> CSftpClient::HashCommand(ChecksumKind kind, const QByteArray& path)
{
    if (kind == ChecksumKind::Crc32)
        return {FtpResult::Success(), {}};
    const QString what =
        QCoreApplication::translate("SftpClient", "無法取得 \"%1\" 的檢查碼").arg(Text(path));
    const QByteArray program = kind == ChecksumKind::Md5 ? "md5sum" : "sha1sum";
    // No options: BusyBox and the BSDs take none of GNU's; the path is absolute, so never one itself.
    FtpValue<std::unique_ptr<CSshChannel>> exec =
        m_ssh->OpenExec(program + ' ' + CSftpNames::ShellQuote(path));
    if (!exec.result.Ok() || !exec.value)
        return {exec.result, {}};
    CSshChannel& channel = *exec.value;
    QByteArray output, errors;
    char block[4096];
    for (;;)
    {
        const IoResult out = channel.ReadSome(block, sizeof block);
        output.append(block, out.Ok() ? out.bytes : 0);
        const IoResult err = channel.ReadSome(block, sizeof block, true);
        errors.append(block, err.Ok() ? err.bytes : 0);
        if (output.size() + errors.size() > kMaxCommandOutput)
            return {FtpResult::Failure(FtpStatus::Protocol,
                                       what + QCoreApplication::translate("SftpClient", "：命令的輸出過長")),
                    {}};
        if (out.status == IoStatus::Closed && err.status == IoStatus::Closed)
            break;
        for (const IoResult& io : {out, err})
        {
            if (!io.Ok() && io.status != IoStatus::Closed)
                return {FtpResult::FromIo(what, io), {}};
        }
        const IoResult waited = out.bytes || err.bytes ? IoResult::Done() : channel.Wait(m_options.timeoutMs);
        if (!waited.Ok())
            return {FtpResult::FromIo(what, waited), {}};
    }
    // The exit status comes with the channel's close, right after the end of its output.
    const QDeadlineTimer deadline(m_options.timeoutMs);
    while (!channel.IsClosed() && !deadline.hasExpired() && channel.Wait(int(deadline.remainingTime())).Ok())
        channel.ReadSome(block, sizeof block);
    const QByteArray digest = DigestFromOutput(output, kind);
    if (!digest.isEmpty())
        return {FtpResult::Success(), digest};
    const int exit = channel.ExitStatus();
    if (exit == kCommandNotFound || exit == kCommandNotRunnable)
        return {FtpResult::Success(), {}};
    return {FtpResult::Failure(FtpStatus::Refused, what + QCoreApplication::translate("SftpClient", "：") +
                                                       Text(errors.trimmed())),
            {}};
}

FtpResult CSftpClient::Noop()
{
    const QString what = QCoreApplication::translate("SftpClient", "SFTP 伺服器沒有回應");
    return Finished(RealPath(m_current.isEmpty() ? QByteArray(".") : m_current, what).result);
}

FtpResult CSftpClient::Raw(const QByteArray& command)
{
    QByteArray shown = command;
    while (shown.endsWith('\n') || shown.endsWith('\r'))
        shown.chop(1);
    Log(FtpLogKind::Command, shown);
    const FtpResult usable = Usable(QCoreApplication::translate("SftpClient", "無法送出命令"));
    if (!usable.Ok())
        return usable;
    return Finished(Emulate(SftpRawCommand::Parse(command)));
}

FtpResult CSftpClient::Emulate(const SftpRawCommand& command)
{
    using Kind = SftpRawCommand::Kind;
    FtpResult done = FtpResult::Success();
    switch (command.kind)
    {
    case Kind::System:
        return Reply(215, {"215 UNIX Type: L8"});
    case Kind::SiteHelp:
        return Reply(
            214, {"214-The following SITE commands are recognized:", " CHMOD HELP", "214 End of SITE HELP."});
    case Kind::SiteChmod:
        done = SetPermissions(command.path, command.mode);
        return done.Ok() ? Reply(200, {"200 SITE CHMOD command successful."}) : Reply(550, {}, done.message);
    case Kind::SetTime:
        done = SetModifiedTime(command.path, command.time);
        return done.Ok() ? Reply(213, {"213 File modification time set."}) : Reply(550, {}, done.message);
    case Kind::GetTime:
    {
        const FtpValue<QDateTime> time = ModifiedTime(command.path);
        if (!time.result.Ok() || !time.value.isValid())
            return Reply(550, {},
                         time.result.Ok()
                             ? QCoreApplication::translate("SftpClient", "伺服器沒有提供修改時間")
                             : time.result.message);
        return Reply(213,
                     {"213 " + time.value.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()});
    }
    case Kind::KeepAlive:
        done = Noop();
        return done.Ok() ? Reply(200, {"200 " + command.verb + " command successful."})
                         : Reply(421, {}, done.message);
    case Kind::BadArguments:
        return Reply(501, {},
                     QCoreApplication::translate("SftpClient", "命令參數錯誤：%1").arg(Text(command.verb)));
    case Kind::Unknown:
        break;
    }
    return Reply(
        500, {},
        QCoreApplication::translate("SftpClient", "SFTP 連線不支援命令 \"%1\"").arg(Text(command.verb)));
}

FtpResult CSftpClient::Reply(int code, const QList<QByteArray>& lines, const QString& message)
{
    FtpReply reply{code, lines};
    if (reply.lines.isEmpty())
        reply.lines.append(QByteArray::number(code) + ' ' + message.toUtf8());
    for (const QByteArray& line : reply.lines)
        Log(FtpLogKind::Reply, line);
    if (code < 400)
        return FtpResult::Success(reply);
    return FtpResult::Failure(FtpStatus::Refused, message, reply);
}

void CSftpClient::Log(FtpLogKind kind, const QByteArray& line) const
{
    if (m_log)
        m_log(kind, line);
}

FtpResult CSftpClient::Finished(const FtpResult& result)
{
    if (result.status == FtpStatus::Cancelled)
        m_cancel.Clear();
    if (m_sftp && m_sftp->IsBroken())
        Disconnect();
    return result;
}
