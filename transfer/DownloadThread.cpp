#include "transfer/DownloadThread.h"

#include "app/Profile.h"
#include "common/LogLine.h"
#include "engine/RemoteName.h"
#include "engine/ftp/ServerCopy.h"
#include "sites/ConnectionTargets.h"
#include "transfer/AsciiTypes.h"
#include "transfer/RemotePath.h"
#include "transfer/RenameRule.h"
#include "transfer/WorkerPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

namespace
{
const QString kSiteMarker = QStringLiteral("ftp:\\");
// Deeper folders than this are taken for a link loop.
constexpr int kMaxFolderDepth = 64;

// Prompts for a job whose overwrite-prompt flag is off: the replace prompt overwrites unasked.
class CUnaskedReplace final : public IOverwritePrompts
{
public:
    explicit CUnaskedReplace(IOverwritePrompts& prompts) : m_prompts(prompts) {}
    OverwriteAction AskReplace(const COverwritePromptInfo&) override { return OverwriteAction::Overwrite; }
    OverwriteAction AskResume(const COverwritePromptInfo& info) override { return m_prompts.AskResume(info); }
    QString AskNewName(const QString& original, const QString& proposed) override
    {
        return m_prompts.AskNewName(original, proposed);
    }

private:
    IOverwritePrompts& m_prompts;
};

QString NameOf(const QString& remotePath)
{
    return remotePath.mid(remotePath.lastIndexOf(u'/') + 1);
}

// The two servers send the file to each other in the clear: an SFTP site, or an FTPS site that
// protects its data connections (implicit TLS always does), cannot take part.
bool CanCopyBetweenServers(int protocolType, bool clearDataChannel)
{
    return protocolType == CFtpSite::ProtocolFtp ||
           (protocolType == CFtpSite::ProtocolExplicitTls && clearDataChannel);
}

bool IsInside(const QString& path, const QString& folder)
{
    const QString root = QDir::cleanPath(QDir(folder).absolutePath());
    const QString cleaned = QDir::cleanPath(QDir(root).absoluteFilePath(path));
    return cleaned.startsWith(root == QLatin1String("/") ? root : root + u'/');
}
} // namespace

CDownloadThread::CDownloadThread(const CTransferJob& job, const CWorkerSettings& settings,
                                 IOverwritePrompts& prompts, TransferProgressMaker makeProgress)
    : CFtpTransferWorker(Kind::Download, job, settings, prompts, std::move(makeProgress))
{
}

CDownloadThread::~CDownloadThread()
{
    StopThread();
}

QString CDownloadThread::CompletedMessage() const
{
    return QCoreApplication::translate("DownloadThread", "下載完成！");
}

QString CDownloadThread::CancelledMessage() const
{
    return JobCancelledMessage(JobKind::Download);
}

CWorkerStep CDownloadThread::CheckJob()
{
    if (!IsServerCopy())
        return CWorkerStep::Ok();
    if (!Settings().destinationSite)
        return CWorkerStep::Failed(
            QCoreApplication::translate("DownloadThread", "找不到目的站台 '%1'")
                .arg(Job().localFolder.mid(Job().localFolder.indexOf(kSiteMarker) + kSiteMarker.size())));
    const CFtpSite& destination = *Settings().destinationSite;
    if (!CanCopyBetweenServers(Job().protocolType, Job().clearDataChannel) ||
        !CanCopyBetweenServers(destination.ProtocolType, destination.ClearDataChannel))
        return CWorkerStep::Failed(QCoreApplication::translate(
            "DownloadThread", "站台對站台傳遞只支援 FTP 站台與資料通道不加密的 FTPS "
                              "站台，來源或目的站台使用 SFTP 或加密的資料通道"));
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::RunJob()
{
    m_filter = LoadFilterLists(Settings().filter);
    m_resumeAllowed = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DisableResume")) == 0;
    QList<CTransferEntry> work;
    const CWorkerStep built = BuildWorkList(work);
    if (!built.IsOk())
        return built;
    if (IsServerCopy())
        return CopyToSite(work);
    return DownloadAll(work);
}

CWorkerStep CDownloadThread::BuildWorkList(QList<CTransferEntry>& work)
{
    QString folder = RemoteFolder();
    while (folder.endsWith(u'/'))
        folder.chop(1);
    for (CTransferEntry entry : Job().files)
    {
        const bool isFolder = entry.attributes & kAttributeFolder;
        // An entry may name a file below the job's folder ("sub/name"); the filter looks at its name.
        if (!PassesFilter(m_filter, NameOf(entry.name), isFolder))
            continue;
        entry.name = CollapseSlashes(folder + u'/' + entry.name);
        if (!isFolder)
        {
            // A size above 0 comes from a listing; 0 may just mean unknown.
            if (entry.size > 0)
                m_listedSizes.insert(entry.name, entry.size);
            AddTotalBytes(entry.size);
        }
        work.append(entry);
        if (!isFolder)
            continue;
        const CWorkerStep listed = AddFolder(entry.name, 0, work);
        if (!listed.IsOk())
            return listed;
    }
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::AddFolder(const QString& folder, int depth, QList<CTransferEntry>& work)
{
    if (depth > kMaxFolderDepth)
    {
        Note(QCoreApplication::translate("DownloadThread", "資料夾層數過深，略過：%1").arg(folder));
        return CWorkerStep::Ok();
    }
    const FtpValue<FtpListing> listed = Connection().List(folder);
    if (listed.result.status == FtpStatus::Cancelled)
        return CWorkerStep::Cancelled();
    if (!listed.result.Ok())
    {
        Note(listed.result.message);
        return CWorkerStep::Ok();
    }
    for (const ListItem& item : listed.value.items)
    {
        const QString name = CRemoteName::ToText(item.name);
        if (!IsSafeRemoteName(name))
        {
            Note(QCoreApplication::translate("DownloadThread", "略過不安全的遠端名稱：'%1'（%2）")
                     .arg(name, folder));
            continue;
        }
        const bool isFolder = item.kind == ListItem::Kind::Folder;
        if (!PassesFilter(m_filter, name, isFolder))
            continue;
        const CTransferEntry entry{CollapseSlashes(JoinRemotePath(folder, name)),
                                   isFolder ? kAttributeFolder : 0u, isFolder ? 0 : item.size, item.modified};
        work.append(entry);
        if (item.kind == ListItem::Kind::File)
            m_listedSizes.insert(entry.name, entry.size);
        if (!isFolder)
        {
            AddTotalBytes(entry.size);
            continue;
        }
        const CWorkerStep below = AddFolder(entry.name, depth + 1, work);
        if (!below.IsOk())
            return below;
    }
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::DownloadAll(QList<CTransferEntry>& work)
{
    const bool subPath = QFileInfo(Job().localFolder).isDir() || work.size() > 1;
    CUnaskedReplace unasked(Prompts());
    IOverwritePrompts& prompts = Settings().overwritePrompt ? Prompts() : unasked;
    COverwriteResolver resolver(prompts, Settings().overrides.matchingFiles);
    for (qsizetype i = 0; i < work.size(); ++i)
    {
        const CTransferEntry& entry = work[i];
        const QString localPath = LocalPathFor(entry, subPath);
        if (localPath.isEmpty())
        {
            Note(QCoreApplication::translate("DownloadThread", "略過不安全的遠端名稱：'%1'").arg(entry.name));
            continue;
        }
        if (entry.attributes & kAttributeFolder)
        {
            QDir().mkpath(localPath);
            continue;
        }
        const CWorkerStep step = DownloadFile(entry, localPath, i + 1 == work.size(), resolver);
        if (!step.IsOk())
            return step;
    }
    return CWorkerStep::Ok();
}

QString CDownloadThread::LocalPathFor(const CTransferEntry& entry, bool subPath) const
{
    const QString folder = Job().localFolder;
    if (!subPath)
        return folder;
    const QString relative = StripCommonPrefix(entry.name, RemoteFolder());
    if (!IsSafeRelativePath(relative))
        return {};
    const QString path = CollapseSlashes(folder + u'/' + CRemoteName::LocalName(relative));
    return IsInside(path, folder) ? path : QString();
}

CWorkerStep CDownloadThread::DownloadFile(const CTransferEntry& entry, const QString& localPath,
                                          bool lastFile, COverwriteResolver& resolver)
{
    const bool scheduled = Schedule().enabled;
    const CDownloadConflict conflict{
        entry.name, ApplyRenameRules(localPath), entry.size, entry.modified, lastFile, scheduled};
    const COverwriteChoice choice = resolver.ForDownload(conflict);
    if (choice.outcome == OverwriteOutcome::Skip)
    {
        CountSkipped();
        AddDoneBytes(entry.size);
        return CWorkerStep::Ok();
    }
    const QString folder = LocalFolderOf(choice.path);
    if (!folder.isEmpty() && folder != m_madeFolder && QDir().mkpath(folder))
        m_madeFolder = folder;
    const QString name = NameOf(entry.name);
    ChooseTransferMode(Job().transferType, name, *this);
    Progress().SetLine1(QCoreApplication::translate("DownloadThread", "複製中 '%1'").arg(name));
    Progress().SetLine2(QCoreApplication::translate("DownloadThread", "由 '%1' 到 '%2'")
                            .arg(Job().host, AbbreviateFolder(LocalFolderOf(choice.path))));
    ReportStatus(name, QCoreApplication::translate("DownloadThread", "下載中"));
    bool resume = choice.outcome == OverwriteOutcome::Resume && m_resumeAllowed;
    const qint64 knownSize = m_listedSizes.value(entry.name, -1);
    CWorkerStep step =
        TransferFile(name, resume,
                     [&](bool resumed, const FtpProgressHook& progress) {
                         return Connection().Download(entry.name, choice.path, resumed, progress, knownSize);
                     });
    if (step.IsOk() && Settings().preserveTime)
        StampRemoteTime(choice.path, entry.modified);
    if (step.IsOk())
        step = VerifyChecksum(
            choice.path, entry.name,
            QCoreApplication::translate("DownloadThread", "檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！"),
            QCoreApplication::translate("DownloadThread",
                                        "檔案完整性檢查失敗！ 本機 CRC 與遠端檔案不符合！"));
    if (step.IsOk())
    {
        CountCopied(entry.size);
        AddDoneBytes(entry.size);
    }
    return Settle(step, JobEntryOf(entry), entry.name);
}

CTransferEntry CDownloadThread::JobEntryOf(const CTransferEntry& entry) const
{
    CTransferEntry named = entry;
    named.name = StripCommonPrefix(entry.name, RemoteFolder());
    while (named.name.startsWith(u'/'))
        named.name.remove(0, 1);
    return named;
}

void CDownloadThread::StampRemoteTime(const QString& localPath, const QDateTime& remoteTime)
{
    if (!remoteTime.isValid())
        return;
    // Both times in one call on the path, without opening the file again. A file that refuses the
    // time keeps its own; the download itself went well.
    const qint64 ms = remoteTime.toMSecsSinceEpoch();
    const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    const timespec time{time_t(seconds), long(ms - seconds * 1000) * 1000000};
    const timespec times[2] = {time, time};
    utimensat(AT_FDCWD, QFile::encodeName(localPath).constData(), times, 0);
}

bool CDownloadThread::IsServerCopy() const
{
    return Job().localFolder.contains(kSiteMarker);
}

CWorkerStep CDownloadThread::CopyToSite(const QList<CTransferEntry>& work)
{
    Progress().SetLine2({});
    ReportStatus({}, QCoreApplication::translate("DownloadThread", "連線中"));
    QString problem;
    CRemoteConnection destination(
        SiteTarget(*Settings().destinationSite, Settings().connectionTimeoutMs, &problem));
    if (!problem.isEmpty())
        Note(problem);
    Prepare(destination, QStringLiteral(">> "), QStringLiteral("<< "));
    CWorkerStep step = ConnectDestination(destination);
    for (qsizetype i = 0; step.IsOk() && i < work.size(); ++i)
        step = CopyEntry(destination, work[i]);
    if (destination.IsConnected() && !IsCancelled())
        destination.Close();
    RemoveCancelTarget(destination);
    return step;
}

CWorkerStep CDownloadThread::ConnectDestination(CRemoteConnection& destination)
{
    const CFtpSite& site = *Settings().destinationSite;
    const FtpResult connected = destination.Connect();
    if (connected.status == FtpStatus::Cancelled)
        return CWorkerStep::Cancelled();
    if (!connected.Ok())
        return CWorkerStep::Failed(
            connected.message.isEmpty()
                ? QCoreApplication::translate("DownloadThread", "無法連線至 %1： 連線逾時").arg(site.Address)
                : connected.message);
    // The site's own folder, where the log-in leaves it when it names none or cannot be entered.
    const QString remote = site.RemotePath.trimmed();
    if (!remote.isEmpty())
        destination.ChangeFolder(
            CollapseSlashes(remote.startsWith(u'/') ? remote : destination.CurrentFolder() + u'/' + remote));
    m_destinationFolder = destination.CurrentFolder();
    m_madeFolder.clear();
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::CopyEntry(CRemoteConnection& destination, const CTransferEntry& entry)
{
    const QString relative = StripCommonPrefix(entry.name, RemoteFolder());
    if (!IsSafeRelativePath(relative))
    {
        Note(QCoreApplication::translate("DownloadThread", "略過不安全的遠端名稱：'%1'").arg(entry.name));
        return CWorkerStep::Ok();
    }
    const QString target = CollapseSlashes(m_destinationFolder + u'/' + relative);
    if (entry.attributes & kAttributeFolder)
    {
        if (destination.MakeFolders(target).Ok())
            m_madeFolder = target;
        return CWorkerStep::Ok();
    }
    ChooseTransferMode(Job().transferType, NameOf(entry.name), *this);
    return Settle(CopyFile(destination, entry, target), JobEntryOf(entry), entry.name);
}

CWorkerStep CDownloadThread::CopyFile(CRemoteConnection& destination, const CTransferEntry& entry,
                                      const QString& target)
{
    const qsizetype slash = target.lastIndexOf(u'/');
    const QString folder = slash > 0 ? target.left(slash) : QStringLiteral("/");
    Progress().SetLine1(
        QCoreApplication::translate("DownloadThread", "複製中 '%1'").arg(target.mid(slash + 1)));
    Progress().SetLine2(
        QCoreApplication::translate("DownloadThread", "由 '%1' 到 '%2'").arg(entry.name, Job().host));
    ReportStatus(entry.name, QCoreApplication::translate("DownloadThread", "上傳中"));
    const FtpTransferType type = FileIsAscii() ? FtpTransferType::Ascii : FtpTransferType::Binary;
    bool resume = false;
    const CWorkerStep step =
        TransferFile(NameOf(entry.name), resume,
                     [&](bool, const FtpProgressHook&)
                     {
                         if (!destination.IsConnected())
                         {
                             const CWorkerStep again = ConnectDestination(destination);
                             if (!again.IsOk())
                                 return FtpResult::Failure(FtpStatus::Network, again.message);
                         }
                         if (folder != m_madeFolder)
                         {
                             const FtpResult made = destination.MakeFolders(folder);
                             if (!made.Ok())
                                 return made;
                             m_madeFolder = folder;
                         }
                         return CopyBetweenServers(Connection(), entry.name, destination, target, type);
                     });
    if (!step.IsOk())
        return step;
    CountCopied(entry.size);
    AddDoneBytes(entry.size);
    ReportProgress(0, 0);
    return step;
}
