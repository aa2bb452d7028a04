#include "transfer/TransferJob.h"

#include "app/Profile.h"
#include "sites/ConnectionTargets.h"
#include "sites/FtpSite.h"

#include <QCoreApplication>

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
    CFtpSite site;
    site.Address = job.host;
    site.Port = job.port;
    site.Login = job.login;
    site.Password = job.password;
    site.ProtocolType = job.protocolType;
    site.ClearDataChannel = job.clearDataChannel;
    site.ClearCommandChannel = job.clearCommandChannel;
    CConnectionTarget target = SiteTarget(site, timeoutMs, problem);
    // The job's data mode was settled when it was queued.
    target.passive = job.passive;
    return target;
}

QString JobCancelledMessage(JobKind kind)
{
    return kind == JobKind::Download ? QCoreApplication::translate("TransferJob", "取消下載！")
                                     : QCoreApplication::translate("TransferJob", "取消上傳");
}
