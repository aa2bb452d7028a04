#include "engine/RemoteConnection.h"

#include "engine/RemoteName.h"
#include "engine/keys/KeyCertificate.h"

#include <QCoreApplication>

namespace
{
// Deeper folders than this are taken for a link loop.
constexpr int kMaxFolderDepth = 64;

QByteArray Bytes(const QString& text)
{
    return CRemoteName::ToBytes(text);
}

QByteArray JoinPath(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}
} // namespace

CRemoteConnection::CRemoteConnection(CConnectionTarget target) : m_target(std::move(target)) {}

void CRemoteConnection::SetLogHook(const FtpLogHook& hook)
{
    m_ftp.SetLogHook(hook);
    m_sftp.SetLogHook(hook);
}

void CRemoteConnection::SetCommandHook(const FtpCommandHook& hook)
{
    m_commandHook = hook;
    m_ftp.SetCommandHook(hook);
}

void CRemoteConnection::Cancel()
{
    m_ftp.Cancel();
    m_sftp.Cancel();
}

void CRemoteConnection::ClearCancel()
{
    m_ftp.ClearCancel();
    m_sftp.ClearCancel();
}

void CRemoteConnection::SetPassive(bool passive)
{
    m_target.passive = passive;
    m_ftp.SetPassive(passive);
}

bool CRemoteConnection::IsConnected() const
{
    return m_sftpOpen ? m_sftp.IsConnected() : m_ftp.IsConnected();
}

FtpResult CRemoteConnection::Connect()
{
    Close();
    m_folder.clear();
    m_sftpOpen = m_target.IsSftp();
    // A cancel meant for the other protocol's client would otherwise wait there for a later call.
    if (m_sftpOpen)
        m_ftp.ClearCancel();
    else
        m_sftp.ClearCancel();
    const FtpResult connected = m_sftpOpen ? ConnectSftp() : m_ftp.Connect(m_target.FtpOptions());
    if (!connected.Ok())
        return connected;
    m_ftp.SetPassive(m_target.passive);
    const FtpResult read = ReadFolder();
    return read.Ok() ? connected : read;
}

FtpResult CRemoteConnection::ConnectSftp()
{
    SftpConnectOptions options = m_target.SftpOptions();
    if (!m_target.keyFile.isEmpty())
    {
        auto key = std::make_shared<CKeyCertificate>();
        const FtpResult loaded = key->LoadPrivateKey(m_target.keyFile, m_target.keyPassphrase);
        if (!loaded.Ok())
            return loaded;
        options.key = std::move(key);
    }
    return m_sftp.Connect(options);
}

void CRemoteConnection::Close()
{
    if (m_sftpOpen && m_sftp.IsConnected())
        m_sftp.Disconnect();
    else if (!m_sftpOpen && m_ftp.IsConnected())
        m_ftp.Quit();
}

FtpResult CRemoteConnection::ReadFolder()
{
    const FtpValue<QByteArray> pwd = OnClient([](auto& client) { return client.CurrentFolder(); });
    if (pwd.result.Ok())
        m_folder = CRemoteName::ToText(pwd.value);
    return pwd.result;
}

FtpResult CRemoteConnection::ChangeFolder(const QString& path)
{
    const QByteArray folder = Bytes(path);
    const FtpResult changed = OnClient([&](auto& client) { return client.ChangeFolder(folder); });
    return changed.Ok() ? ReadFolder() : changed;
}

FtpResult CRemoteConnection::CheckFolder(const QString& path)
{
    const QByteArray here = Bytes(m_folder);
    const QByteArray folder = Bytes(path);
    const FtpResult entered = OnClient([&](auto& client) { return client.ChangeFolder(folder); });
    if (!entered.Ok())
        return entered;
    return OnClient([&](auto& client) { return client.ChangeFolder(here); });
}

FtpValue<FtpListing> CRemoteConnection::List(const QString& path)
{
    const QByteArray folder = Bytes(path);
    return OnClient([&](auto& client) { return client.List(folder); });
}

FtpResult CRemoteConnection::MakeFolder(const QString& path)
{
    const QByteArray folder = Bytes(path);
    return OnClient([&](auto& client) { return client.MakeFolder(folder); });
}

FtpResult CRemoteConnection::MakeFolders(const QString& path)
{
    if (CheckFolder(path).Ok())
        return FtpResult::Success();
    // Each level is made in turn; one that is there already refuses, which is as good.
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    QString prefix = path.startsWith(u'/') ? QStringLiteral("/") : QString();
    FtpResult made = FtpResult::Success();
    for (const QString& part : parts)
    {
        prefix += part;
        made = MakeFolder(prefix);
        if (made.status == FtpStatus::Cancelled || made.status == FtpStatus::Network ||
            made.status == FtpStatus::TimedOut || made.status == FtpStatus::NotConnected)
            return made;
        prefix += u'/';
    }
    const FtpResult there = CheckFolder(path);
    return there.Ok() || made.Ok() ? there : made;
}

FtpResult CRemoteConnection::RemoveFolder(const QString& path)
{
    const QByteArray folder = Bytes(path);
    return OnClient([&](auto& client) { return client.RemoveFolder(folder); });
}

FtpResult CRemoteConnection::Delete(const QString& path)
{
    const QByteArray file = Bytes(path);
    return OnClient([&](auto& client) { return client.Delete(file); });
}

FtpResult CRemoteConnection::Rename(const QString& from, const QString& to)
{
    const QByteArray source = Bytes(from);
    const QByteArray target = Bytes(to);
    return OnClient([&](auto& client) { return client.Rename(source, target); });
}

FtpResult CRemoteConnection::DeleteFolderContents(const QString& path)
{
    if (m_sftpOpen)
        return m_sftp.DeleteFolderContents(Bytes(path));
    // LIST of a file would name the file itself: make sure this is a folder first.
    const FtpResult folder = CheckFolder(path);
    return folder.Ok() ? DeleteContents(Bytes(path), 0) : folder;
}

FtpResult CRemoteConnection::DeleteContents(const QByteArray& folder, int depth)
{
    const QString what = QCoreApplication::translate("RemoteConnection", "無法刪除目錄內容");
    if (depth > kMaxFolderDepth)
        return FtpResult::Failure(FtpStatus::BadRequest,
                                  what + QCoreApplication::translate("RemoteConnection", "：目錄層數過深 ") +
                                      QString::fromUtf8(folder));
    const FtpValue<FtpListing> listing = m_ftp.List(folder);
    if (!listing.result.Ok())
        return listing.result;
    for (const ListItem& item : listing.value.items)
    {
        if (item.name == "." || item.name == "..")
            continue;
        const QByteArray path = JoinPath(folder, item.name);
        const bool isFolder = item.kind == ListItem::Kind::Folder;
        FtpResult step = isFolder ? DeleteContents(path, depth + 1) : m_ftp.Delete(path);
        if (step.Ok() && isFolder)
            step = m_ftp.RemoveFolder(path);
        if (!step.Ok())
            return step;
    }
    return FtpResult::Success();
}

FtpValue<qint64> CRemoteConnection::Size(const QString& path)
{
    const QByteArray file = Bytes(path);
    return OnClient([&](auto& client) { return client.Size(file); });
}

FtpValue<QDateTime> CRemoteConnection::ModifiedTime(const QString& path)
{
    const QByteArray file = Bytes(path);
    return OnClient([&](auto& client) { return client.ModifiedTime(file); });
}

FtpResult CRemoteConnection::SetModifiedTime(const QString& path, const QDateTime& time)
{
    const QByteArray file = Bytes(path);
    return OnClient([&](auto& client) { return client.SetModifiedTime(file, time); });
}

FtpResult CRemoteConnection::Download(const QString& remotePath, const QString& localPath, bool resume,
                                      const FtpProgressHook& progress, qint64 knownSize)
{
    const QByteArray remote = Bytes(remotePath);
    return OnClient([&](auto& client)
                    { return client.Download(remote, localPath, resume, progress, knownSize); });
}

FtpResult CRemoteConnection::Upload(const QString& localPath, const QString& remotePath, FtpUploadMode mode,
                                    const FtpProgressHook& progress)
{
    const QByteArray remote = Bytes(remotePath);
    return OnClient([&](auto& client) { return client.Upload(localPath, remote, mode, progress); });
}

FtpValue<QByteArray> CRemoteConnection::RemoteChecksum(ChecksumKind kind, const QString& path)
{
    const QByteArray file = Bytes(path);
    return OnClient([&](auto& client) { return client.RemoteChecksum(kind, file); });
}

FtpResult CRemoteConnection::Raw(const QString& command)
{
    QByteArray line = Bytes(command);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    // The FTP client shows its commands to the hook itself; SFTP's emulated ones are shown here.
    if (m_sftpOpen && m_commandHook)
        m_commandHook(line);
    return OnClient([&](auto& client) { return client.Raw(line); });
}

FtpResult CRemoteConnection::Noop()
{
    return OnClient([](auto& client) { return client.Noop(); });
}
