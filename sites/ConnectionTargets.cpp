#include "sites/ConnectionTargets.h"

#include "app/Profile.h"
#include "engine/keys/KeyCertificate.h"
#include "sites/FtpSite.h"

namespace
{
// The client certificate and its key, both checked by loading them before the target gets them.
QString ApplySslSettings(CConnectionTarget& target)
{
    if (GetProfileInt(QStringLiteral("SSL"), QStringLiteral("UseCertificate")) == 0)
        return {};
    const QString certificate = GetProfileString(QStringLiteral("SSL"), QStringLiteral("Certificate"));
    const QString privateKey = GetProfileString(QStringLiteral("SSL"), QStringLiteral("PrivateKey"));
    const QByteArray password = GetProfileString(QStringLiteral("SSL"), QStringLiteral("Password")).toUtf8();
    CKeyCertificate check;
    FtpResult loaded = check.LoadPrivateKey(privateKey, password);
    if (loaded.Ok())
        loaded = check.LoadCertificate(certificate, password);
    if (!loaded.Ok())
        return loaded.message;
    target.certificateFile = certificate;
    target.keyFile = privateKey;
    target.keyPassphrase = password;
    target.authentication = FtpAuthentication::Key;
    return {};
}

// Public-key log-in; the key is checked by loading it before the target gets it.
QString ApplySsh2Settings(CConnectionTarget& target)
{
    if (GetProfileInt(QStringLiteral("SSH2"), QStringLiteral("PublicKeyAuthentication")) == 0)
        return {};
    const bool passwordToo = GetProfileInt(QStringLiteral("SSH2"), QStringLiteral("PassAuthentication")) != 0;
    const QString privateKey = GetProfileString(QStringLiteral("SSH2"), QStringLiteral("PrivateKeyPath"));
    const QByteArray password = GetProfileString(QStringLiteral("SSH2"), QStringLiteral("Password")).toUtf8();
    // Without password log-in a key that cannot be loaded must not turn into a password log-in: the
    // connection then fails for want of a key instead.
    target.authentication = passwordToo ? FtpAuthentication::Password : FtpAuthentication::Key;
    CKeyCertificate check;
    const FtpResult loaded = check.LoadPrivateKey(privateKey, password);
    if (!loaded.Ok())
        return loaded.message;
    target.keyFile = privateKey;
    target.keyPassphrase = password;
    return {};
}

// The stored numbers 6, 7 and 8 are the FTP proxy styles; anything unknown is no proxy.
ProxyType TargetProxyType(int settingsType)
{
    return ProxySettings::TypeFromNumber(settingsType >= 6 ? settingsType - 6 + 100 : settingsType);
}
} // namespace

CConnectionTarget SiteTarget(const CFtpSite& site, int timeoutMs, QString* problem)
{
    CConnectionTarget target;
    target.host = site.Address;
    target.port = site.Port;
    target.login = site.Login;
    target.password = site.Password;
    *problem = ApplyProtocolSettings(target, site.ProtocolType, site.ClearDataChannel);
    target.clearCommandChannel = site.ProtocolType == CFtpSite::ProtocolExplicitTls && site.ClearCommandChannel;
    target.passive = IsPassiveDataMode(site.DataMode);
    target.timeoutMs = timeoutMs;
    ApplyProxySettings(target);
    return target;
}

QString ApplyProtocolSettings(CConnectionTarget& target, int siteProtocolType, bool clearDataChannel)
{
    // What an earlier connection of the same target brought stays out unless the settings say it again.
    target.authentication = FtpAuthentication::Password;
    target.certificateFile.clear();
    target.keyFile.clear();
    target.keyPassphrase.clear();
    switch (siteProtocolType)
    {
    case CFtpSite::ProtocolImplicitTls:
        target.protocol = FtpProtocol::ImplicitTls;
        return ApplySslSettings(target);
    case CFtpSite::ProtocolExplicitTls:
        target.protocol = clearDataChannel ? FtpProtocol::ExplicitTlsClearData : FtpProtocol::ExplicitTls;
        return ApplySslSettings(target);
    case CFtpSite::ProtocolSftp:
        target.protocol = FtpProtocol::Sftp;
        return ApplySsh2Settings(target);
    default:
        target.protocol = FtpProtocol::Ftp;
        return {};
    }
}

void ApplyProxySettings(CConnectionTarget& target)
{
    target.proxy = {};
    target.proxy.type = TargetProxyType(GetProfileInt(QStringLiteral("Proxy"), QStringLiteral("ProxyType")));
    if (target.proxy.type == ProxyType::None)
        return;
    target.proxy.host = GetProfileString(QStringLiteral("Proxy"), QStringLiteral("ProxyHostName")).toUtf8();
    target.proxy.user = GetProfileString(QStringLiteral("Proxy"), QStringLiteral("ProxyLogin")).toUtf8();
    target.proxy.password = GetProfileString(QStringLiteral("Proxy"), QStringLiteral("ProxyPassword")).toUtf8();
    target.proxy.port = quint16(qBound(0, GetProfileInt(QStringLiteral("Proxy"), QStringLiteral("ProxyPort")), 65535));
}

bool IsPassiveDataMode(int siteDataMode)
{
    switch (siteDataMode)
    {
    case 1:
        return false;
    case 2:
    case 3:
        return true;
    default:
        return GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DataMode")) == 1;
    }
}
