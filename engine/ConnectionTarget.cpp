#include "engine/ConnectionTarget.h"

#include "engine/RemoteName.h"

quint16 CConnectionTarget::EffectivePort() const
{
    if (port > 0 && port <= 65535)
        return quint16(port);
    switch (protocol)
    {
    case FtpProtocol::Sftp:
        return 22;
    case FtpProtocol::ImplicitTls:
        return 990;
    default:
        return 21;
    }
}

FtpConnectOptions CConnectionTarget::FtpOptions() const
{
    FtpConnectOptions options;
    options.host = CRemoteName::ToBytes(host);
    options.port = EffectivePort();
    if (!login.isEmpty())
        options.user = CRemoteName::ToBytes(login);
    options.password = CRemoteName::ToBytes(password);
    switch (protocol)
    {
    case FtpProtocol::ExplicitTlsClearData:
        options.clearDataChannel = true;
        Q_FALLTHROUGH();
    case FtpProtocol::ExplicitTls:
        options.security = FtpSecurity::ExplicitTls;
        options.clearCommandChannel = clearCommandChannel;
        break;
    case FtpProtocol::ImplicitTls:
        options.security = FtpSecurity::ImplicitTls;
        break;
    case FtpProtocol::Ftp:
    case FtpProtocol::Sftp:
        options.security = FtpSecurity::None;
        break;
    }
    options.passive = passive;
    options.timeoutMs = timeoutMs;
    options.proxy = proxy;
    if (authentication == FtpAuthentication::Key)
    {
        options.certificateFile = certificateFile;
        options.keyFile = keyFile;
        options.keyPassphrase = keyPassphrase;
    }
    return options;
}

SftpConnectOptions CConnectionTarget::SftpOptions() const
{
    SftpConnectOptions options;
    options.host = CRemoteName::ToBytes(host);
    options.port = EffectivePort();
    options.user = CRemoteName::ToBytes(login);
    options.password = CRemoteName::ToBytes(password);
    options.authentication = authentication == FtpAuthentication::Key ? SftpAuthentication::KeyOnly
                                                                       : SftpAuthentication::PasswordAllowed;
    options.timeoutMs = timeoutMs;
    options.proxy = proxy;
    return options;
}
