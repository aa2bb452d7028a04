#include "transfer/TransferJob.h"

#include "app/Profile.h"
#include "sites/ConnectionTargets.h"
#include "sites/FtpSite.h"

namespace
{

// Site data modes: 0 the program's, 1 active, 2 passive, 3 automatic; program-wide: 0 active, 1 passive.
constexpr int kSitePassive = 2;
constexpr int kSiteProgramWide = 0;
constexpr int kProgramPassive = 1;

bool PassiveFor(const CFtpSite& site)
{
    if (site.DataMode == kSiteProgramWide)
        return GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DataMode")) == kProgramPassive;
    return site.DataMode == kSitePassive;
}

} // namespace

CTransferJob MakeTransferJob(const CFtpSite& site, const QString& remoteFolder)
{
    CTransferJob job;
    job.host = site.Address;
    job.login = site.Login;
    job.password = site.Password;
    job.remoteFolder = remoteFolder;
    job.transferType = site.TransferType;
    job.attempts = site.Retries;
    job.retryDelay = site.RetryDelay;
    job.port = site.Port;
    job.passive = PassiveFor(site);
    job.protocolType = site.ProtocolType;
    job.clearDataChannel = site.ClearDataChannel;
    job.clearCommandChannel = site.ClearCommandChannel;
    return job;
}

CConnectionTarget JobTarget(const CTransferJob& job, int timeoutMs, QString* problem)
{
    CConnectionTarget target;
    target.host = job.host;
    target.port = job.port;
    target.login = job.login;
    target.password = job.password;
    *problem = ApplyProtocolSettings(target, job.protocolType, job.clearDataChannel);
    target.clearCommandChannel = job.protocolType == CFtpSite::ProtocolExplicitTls && job.clearCommandChannel;
    target.passive = job.passive;
    target.timeoutMs = timeoutMs;
    ApplyProxySettings(target);
    return target;
}
