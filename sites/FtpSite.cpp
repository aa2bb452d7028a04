#include "sites/FtpSite.h"

#include "app/Archive.h"
#include "app/Profile.h"

CFtpSite CFtpSite::QuickConnectDefaults()
{
    CFtpSite site;
    site.Retries = GetProfileInt("Settings", "DefaultRetries");
    site.RetryDelay = GetProfileInt("Settings", "DefaultRetryDelay");
    site.LocalPath = GetProfileString("Settings", "DefaultLocalPath");
    return site;
}

qint32 CFtpSite::DefaultPort(qint32 protocol)
{
    switch (protocol)
    {
    case ProtocolImplicitTls:
        return 990;
    case ProtocolSftp:
        return 22;
    default:
        return 21;
    }
}

QList<QPair<QString, QString>> CFtpSite::Fields() const
{
    const auto number = [](qint32 value) { return QString::number(value); };
    return {
        {QStringLiteral("Address"), Address},
        {QStringLiteral("Retries"), number(Retries)},
        {QStringLiteral("Description"), Description},
        {QStringLiteral("LocalPath"), LocalPath},
        {QStringLiteral("Login"), Login},
        {QStringLiteral("Name"), Name},
        {QStringLiteral("Password"), Password},
        {QStringLiteral("Port"), number(Port)},
        {QStringLiteral("RemotePath"), RemotePath},
        {QStringLiteral("RetryDelay"), number(RetryDelay)},
        {QStringLiteral("TransferType"), number(TransferType)},
        {QStringLiteral("DataMode"), number(DataMode)},
        {QStringLiteral("ProtocolType"), number(ProtocolType)},
        {QStringLiteral("ClearDataChannel"), number(ClearDataChannel ? 1 : 0)},
        {QStringLiteral("ClearCommandChannel"), number(ClearCommandChannel ? 1 : 0)},
    };
}

// The archive keeps DataMode ahead of TransferType, unlike the record.
QByteArray CFtpSite::Serialize() const
{
    CArchiveWriter out;
    out.WriteString(Address.toUtf8());
    out.WriteInt32(Retries);
    out.WriteString(Description.toUtf8());
    out.WriteString(LocalPath.toUtf8());
    out.WriteString(Login.toUtf8());
    out.WriteString(Name.toUtf8());
    out.WriteString(Password.toUtf8());
    out.WriteInt32(Port);
    out.WriteString(RemotePath.toUtf8());
    out.WriteInt32(RetryDelay);
    out.WriteInt32(DataMode);
    out.WriteInt32(TransferType);
    out.WriteInt32(ProtocolType);
    out.WriteInt32(ClearDataChannel ? 1 : 0);
    out.WriteInt32(ClearCommandChannel ? 1 : 0);
    return out.Bytes();
}

bool CFtpSite::Deserialize(const QByteArray& bytes)
{
    CArchiveReader in(bytes);
    CFtpSite site;
    QByteArray address, description, localPath, login, name, password, remotePath;
    qint32 clearData = 0, clearCommand = 0;
    const bool ok = in.ReadString(address) && in.ReadInt32(site.Retries) && in.ReadString(description) &&
                    in.ReadString(localPath) && in.ReadString(login) && in.ReadString(name) &&
                    in.ReadString(password) && in.ReadInt32(site.Port) && in.ReadString(remotePath) &&
                    in.ReadInt32(site.RetryDelay) && in.ReadInt32(site.DataMode) &&
                    in.ReadInt32(site.TransferType) && in.ReadInt32(site.ProtocolType) &&
                    in.ReadInt32(clearData) && in.ReadInt32(clearCommand) && in.AtEnd();
    if (!ok)
        return false;
    site.Address = QString::fromUtf8(address);
    site.Description = QString::fromUtf8(description);
    site.LocalPath = QString::fromUtf8(localPath);
    site.Login = QString::fromUtf8(login);
    site.Name = QString::fromUtf8(name);
    site.Password = QString::fromUtf8(password);
    site.RemotePath = QString::fromUtf8(remotePath);
    site.ClearDataChannel = clearData != 0;
    site.ClearCommandChannel = clearCommand != 0;
    *this = site;
    return true;
}
