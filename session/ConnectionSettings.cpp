#include "session/ConnectionSettings.h"

#include "app/Profile.h"
#include "engine/FtpComponent.h"
#include "engine/KeyCertificate.h"

#include <QString>

namespace
{
// The client certificate and its key, both checked by loading them before the component gets them.
QString ApplySslSettings(CFtpComponent& component)
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
    component.SetClientCertificate(certificate, privateKey, password);
    component.SetAuthentication(FtpAuthentication::Key);
    return {};
}

// Public-key log-in; the key is checked by loading it before the component gets it.
QString ApplySsh2Settings(CFtpComponent& component)
{
    if (GetProfileInt(QStringLiteral("SSH2"), QStringLiteral("PublicKeyAuthentication")) == 0)
        return {};
    const bool passwordToo = GetProfileInt(QStringLiteral("SSH2"), QStringLiteral("PassAuthentication")) != 0;
    const QString privateKey = GetProfileString(QStringLiteral("SSH2"), QStringLiteral("PrivateKeyPath"));
    const QByteArray password = GetProfileString(QStringLiteral("SSH2"), QStringLiteral("Password")).toUtf8();
    // Without password log-in a key that cannot be loaded must not turn into a password log-in: the
    // connection then fails for want of a key instead.
    component.SetAuthentication(passwordToo ? FtpAuthentication::Password : FtpAuthentication::Key);
    CKeyCertificate check;
    const FtpResult loaded = check.LoadPrivateKey(privateKey, password);
    if (!loaded.Ok())
        return loaded.message;
    component.SetPrivateKey(privateKey, password);
    return {};
}

int ComponentProxyType(int settingsType)
{
    if (settingsType >= 1 && settingsType <= 5)
        return settingsType;
    if (settingsType >= 6 && settingsType <= 8)
        return settingsType - 6 + 100;
    return 0;
}
} // namespace

QString ApplyProtocolSettings(CFtpComponent& component, int siteProtocolType, bool clearDataChannel)
{
    // What an earlier connection of the same component brought stays out unless the settings say it again.
    component.SetAuthentication(FtpAuthentication::Password);
    component.SetClientCertificate({}, {}, {});
    switch (siteProtocolType)
    {
    case 1:
        component.SetProtocol(FtpProtocol::ImplicitTls);
        return ApplySslSettings(component);
    case 2:
        component.SetProtocol(clearDataChannel ? FtpProtocol::ExplicitTlsClearData
                                               : FtpProtocol::ExplicitTls);
        return ApplySslSettings(component);
    case 3:
        component.SetProtocol(FtpProtocol::Sftp);
        return ApplySsh2Settings(component);
    default:
        component.SetProtocol(FtpProtocol::Ftp);
        return {};
    }
}

void ApplyProxySettings(CFtpComponent& component)
{
    const int type = ComponentProxyType(GetProfileInt(QStringLiteral("Proxy"), QStringLiteral("ProxyType")));
    component.SetProxyType(type);
    if (type == 0)
        return;
    const QString host = GetProfileString(QStringLiteral("Proxy"), QStringLiteral("ProxyHostName"));
    const QString login = GetProfileString(QStringLiteral("Proxy"), QStringLiteral("ProxyLogin"));
    const QString password = GetProfileString(QStringLiteral("Proxy"), QStringLiteral("ProxyPassword"));
    const int port = GetProfileInt(QStringLiteral("Proxy"), QStringLiteral("ProxyPort"));
    if (!host.isEmpty())
        component.SetProxyHost(host);
    if (!login.isEmpty())
        component.SetProxyLogin(login);
    if (!password.isEmpty())
        component.SetProxyPassword(password);
    if (port != 0)
        component.SetProxyPort(port);
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
