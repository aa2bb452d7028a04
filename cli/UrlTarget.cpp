#include "cli/UrlTarget.h"

#include "app/Profile.h"
#include "sites/ConnectionTargets.h"

int ConnectionTimeoutMs()
{
    const int seconds = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("ConnectionTimeout"));
    return seconds > 0 ? seconds * 1000 : CConnectionTarget().timeoutMs;
}

CConnectionTarget UrlTarget(const CFtpUrl& url, const UrlTargetOptions& options)
{
    CConnectionTarget target;
    target.protocol = url.Protocol();
    target.host = url.Host();
    target.port = url.Port();
    target.login = url.Login();
    target.password = options.password.value_or(url.Password());
    if (target.IsSftp())
    {
        target.keyFile = options.keyFile;
        target.keyPassphrase = options.keyPassphrase;
    }
    target.passive = !options.active;
    target.timeoutMs = ConnectionTimeoutMs();
    if (options.proxy)
        options.proxy->ApplyTo(target);
    else
        ApplyProxySettings(target);
    return target;
}
