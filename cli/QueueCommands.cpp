#include "cli/QueueCommands.h"

#include "cli/Arguments.h"
#include "cli/CliOverwritePrompts.h"
#include "cli/CliTrustAsker.h"
#include "cli/ExitCodes.h"
#include "cli/FtpUrl.h"
#include "cli/MirrorShares.h"
#include "cli/QueueRun.h"
#include "cli/SecretFile.h"
#include "cli/UrlTarget.h"
#include "engine/RemoteConnection.h"
#include "engine/RemoteName.h"
#include "engine/VisibleText.h"
#include "packing/PackProcedures.h"
#include "packing/PackProgress.h"
#include "security/TrustPolicy.h"
#include "sites/FtpSite.h"
#include "sites/SiteList.h"
#include "transfer/AsciiTypes.h"
#include "transfer/FilterLists.h"
#include "transfer/RemotePath.h"
#include "transfer/TransferQueue.h"
#include "transfer/UploadBatch.h"
#include "transfer/WorkerFactory.h"
#include "transfer/WorkerPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

namespace
{
const char kUsage[] =
    "usage: zentrava-cli get TARGET REMOTE... -o DIR\n"
    "       zentrava-cli put TARGET LOCAL... -r REMOTEDIR [--pack zip|cab|targz]\n"
    "       zentrava-cli mirror TARGET REMOTEDIR LOCALDIR [--reverse]\n"
    "TARGET: a saved site path or scheme://[user[:password]@]host[:port][/folder]; remote paths are\n"
    "        absolute or relative to its folder. mirror copies REMOTEDIR into LOCALDIR (--reverse:\n"
    "        LOCALDIR into REMOTEDIR), the folder's own name included. --pack uploads one archive of\n"
    "        the local selection.\n"
    "options: --parallel N (one job per entry; mirror: the tree's files shared out into N jobs)\n"
    "         --retries N  --retry-delay S  --password-file FILE  --verify crc|md5|sha1  --filter\n"
    "         --overwrite ask|overwrite|skip|resume|number|rules\n"
    "         --accept-certificate  --accept-host-key (a server nothing on record vouches for, this run\n"
    "         only; with --trust it is recorded)";

// The SmartOverwrite value that hands the decision to the rule list.
constexpr int kUseRules = 6;
// Deeper folders than this are taken for a link loop, as the workers do.
constexpr int kMaxFolderDepth = 64;

// A local folder's entries, hidden ones included, by name.
QFileInfoList ChildrenOf(const QFileInfo& folder)
{
    return QDir(folder.absoluteFilePath())
        .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

int Usage(QTextStream& err, const QString& problem)
{
    err << "zentrava-cli: " << problem << "\n" << kUsage << Qt::endl;
    return ExitUsage;
}

int Failure(QTextStream& err, const QString& problem)
{
    err << "zentrava-cli: " << problem << Qt::endl;
    return ExitFailure;
}

bool ReadNumber(const CArguments& args, const QString& option, int minimum, int* value, QString* problem)
{
    if (!args.Has(option))
        return true;
    bool ok = false;
    *value = args.Value(option).toInt(&ok);
    if (ok && *value >= minimum)
        return true;
    *problem = QStringLiteral("--%1 needs a whole number of at least %2").arg(option).arg(minimum);
    return false;
}

int SiteProtocolType(FtpProtocol protocol)
{
    switch (protocol)
    {
    case FtpProtocol::Sftp:
        return CFtpSite::ProtocolSftp;
    case FtpProtocol::ImplicitTls:
        return CFtpSite::ProtocolImplicitTls;
    case FtpProtocol::ExplicitTls:
    case FtpProtocol::ExplicitTlsClearData:
        return CFtpSite::ProtocolExplicitTls;
    case FtpProtocol::Ftp:
        break;
    }
    return CFtpSite::ProtocolFtp;
}

// Where TARGET leads: the job's connection fields, with its folder as the job's remote folder. Remote
// paths of the queue start at the root: "/folder" and "//folder" both mean the absolute one.
CTransferJob JobFromUrl(const CFtpUrl& url)
{
    CTransferJob job;
    job.host = url.Host();
    job.port = url.Port();
    job.protocolType = SiteProtocolType(url.Protocol());
    job.login = url.Login();
    job.password = url.Password();
    job.passive = true;
    job.transferType = TransferTypeBinary;
    job.remoteFolder = url.Path().startsWith(u'/') ? url.Path() : u'/' + url.Path();
    return job;
}

bool ResolveTarget(const QString& target, CTransferJob* job, QString* problem)
{
    if (target.contains(QLatin1String("://")))
    {
        const CFtpUrl url = CFtpUrl::Parse(target);
        *problem = url.Error();
        if (url.IsValid())
            *job = JobFromUrl(url);
        return url.IsValid();
    }
    CSiteList sites;
    if (const CStoredFileLoad loaded = sites.LoadSites(); loaded.IsDamaged())
    {
        *problem = loaded.CommandLineText();
        return false;
    }
    CFtpSite site;
    if (!sites.LoadSiteByPath(target, site))
    {
        *problem = QStringLiteral("no such site: %1").arg(target);
        return false;
    }
    *job = MakeTransferJob(site, site.RemotePath.isEmpty() ? QStringLiteral("/") : site.RemotePath);
    return true;
}

QString RemotePathOf(const CTransferJob& target, const QString& path)
{
    return path.startsWith(u'/') ? path : JoinRemotePath(target.remoteFolder, path);
}

QString ParentOf(const QString& remotePath)
{
    const qsizetype slash = remotePath.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : remotePath.left(slash);
}

QString NameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

CTransferEntry LocalEntry(const QFileInfo& info)
{
    const bool folder = info.isDir();
    return {info.absoluteFilePath(), folder ? kAttributeFolder : 0u, folder ? 0 : info.size(),
            info.lastModified()};
}

struct CQueueOptions
{
    int parallel = 0; // 0: one job for all entries
    int retries = -1; // -1: the target's own
    int retryDelay = -1;
    QString overwrite;
    std::optional<ChecksumKind> verify;
    bool filter = false;
    QString pack;
    CliTrustOptions trust;
};

bool ReadChoice(const CArguments& args, const QString& option, const QStringList& choices, QString* value,
                QString* problem)
{
    *value = args.Value(option);
    if (!args.Has(option) || choices.contains(*value))
        return true;
    *problem = QStringLiteral("--%1 takes one of: %2").arg(option, choices.join(u'|'));
    return false;
}

bool ReadOptions(const CArguments& args, CQueueOptions* options, QString* problem)
{
    if (!ReadNumber(args, QStringLiteral("parallel"), 1, &options->parallel, problem) ||
        !ReadNumber(args, QStringLiteral("retries"), 0, &options->retries, problem) ||
        !ReadNumber(args, QStringLiteral("retry-delay"), 0, &options->retryDelay, problem))
        return false;
    static const QStringList kModes{"ask", "overwrite", "skip", "resume", "number", "rules"};
    static const QStringList kChecks{"crc", "md5", "sha1"};
    static const QStringList kArchives{"zip", "cab", "targz"};
    QString verify;
    if (!ReadChoice(args, QStringLiteral("overwrite"), kModes, &options->overwrite, problem) ||
        !ReadChoice(args, QStringLiteral("verify"), kChecks, &verify, problem) ||
        !ReadChoice(args, QStringLiteral("pack"), kArchives, &options->pack, problem))
        return false;
    if (!verify.isEmpty())
        options->verify = ChecksumKind(kChecks.indexOf(verify)); // listed in ChecksumKind order
    options->filter = args.Has(QStringLiteral("filter"));
    options->trust = CliTrustOptions::From(args);
    return true;
}

OverwriteAction FixedAnswer(const QString& mode)
{
    if (mode == QLatin1String("overwrite"))
        return OverwriteAction::Overwrite;
    if (mode == QLatin1String("resume"))
        return OverwriteAction::Resume;
    if (mode == QLatin1String("number"))
        return OverwriteAction::Number;
    return OverwriteAction::Skip;
}

// The run's MatchingFiles: the rule list, or the prompt that the fixed answer or the terminal takes.
std::optional<int> MatchingFilesFor(const QString& mode)
{
    if (mode.isEmpty())
        return std::nullopt;
    return mode == QLatin1String("rules") ? kUseRules : int(OverwriteAction::Prompt);
}

struct CQueuedJob
{
    CTransferJob job;
    bool upload = false;
};

// Splits the entries into jobs: one for all of them, or one each when running in parallel.
void AddJobs(QList<CQueuedJob>& jobs, const CTransferJob& base, const QList<CTransferEntry>& entries,
             bool upload, bool parallel)
{
    if (entries.isEmpty())
        return;
    CTransferJob job = base;
    if (!parallel)
    {
        job.files = entries;
        jobs.append({job, upload});
        return;
    }
    for (const CTransferEntry& entry : entries)
    {
        job.files = {entry};
        jobs.append({job, upload});
    }
}

// get: the remote names grouped by their folder, since a job fetches from one folder.
bool PlanGet(const CTransferJob& target, const QStringList& remotes, const QString& localFolder,
             const CQueueOptions& options, QList<CQueuedJob>& jobs, QString* problem)
{
    QStringList folders;
    QHash<QString, QList<CTransferEntry>> byFolder;
    for (const QString& remote : remotes)
    {
        const QString path = RemotePathOf(target, remote);
        if (NameOf(path).isEmpty())
        {
            *problem = QStringLiteral("get needs file names: %1").arg(remote);
            return false;
        }
        const QString folder = ParentOf(path);
        if (!folders.contains(folder))
            folders.append(folder);
        byFolder[folder].append({NameOf(path), 0, 0, {}});
    }
    CTransferJob job = target;
    job.localFolder = localFolder;
    job.filterRequested = options.filter;
    for (const QString& folder : folders)
    {
        job.remoteFolder = folder;
        AddJobs(jobs, job, byFolder[folder], false, options.parallel > 0);
    }
    return true;
}

class CQuietPackProgress final : public CPackProgress
{
protected:
    bool Step(const QString&, qint64, qint64) override { return true; }
};

// --pack: the selection as one archive in the temporary folder, which is then uploaded in its place.
bool PackSelection(const QString& kind, const QList<CTransferEntry>& selection, CTransferEntry* archive,
                   QString* problem)
{
    QStringList paths;
    for (const CTransferEntry& entry : selection)
        paths.append(entry.name);
    CQuietPackProgress progress;
    const CPackResult result = kind == QLatin1String("zip")   ? PackZip(paths, progress)
                               : kind == QLatin1String("cab") ? PackCab(paths, progress)
                                                              : PackTarGz(paths, progress);
    if (!result.IsDone())
    {
        const QString detail = result.Detail().isEmpty() ? result.Message() : result.Detail();
        *problem = QStringLiteral("packing failed%1").arg(detail.isEmpty() ? QString() : ": " + detail);
        return false;
    }
    *archive = LocalEntry(QFileInfo(result.Path()));
    return true;
}

// Uploads pass the filter by their own names, as the windows' filtered uploads do; the stored
// switches filter every queued transfer even without --filter.
QList<CTransferEntry> FilteredUploads(const QList<CTransferEntry>& entries, bool filter)
{
    const CFilterLists lists = LoadFilterLists(filter || FilterTransfersEnabled());
    QList<CTransferEntry> kept;
    for (const CTransferEntry& entry : entries)
    {
        if (PassesFilter(lists, entry.name, (entry.attributes & kAttributeFolder) != 0))
            kept.append(entry);
    }
    return kept;
}

// A connection with the job's fields, made before the jobs are queued. Certificates and host keys are
// taken as the workers take them: those on record, and past them as the run's options answer. A
// setting the connection cannot follow is the workers' to report.
FtpResult ConnectForPlanning(CRemoteConnection& connection, const CTransferJob& job,
                             const CliTrustOptions& trust)
{
    QString workersProblem;
    connection.SetTarget(JobTarget(job, ConnectionTimeoutMs(), &workersProblem));
    const TrustAnswer certificate = trust.CertificateAnswer();
    const TrustAnswer hostKey = trust.HostKeyAnswer();
    CTrustPolicy::Guard(
        connection, [certificate](const ServerCertificate&) { return certificate; },
        [hostKey](const SshHostKey&) { return hostKey; },
        [](const QString& note)
        { QTextStream(stderr) << "zentrava-cli: " << VisibleText(note) << Qt::endl; });
    return connection.Connect();
}

// The folder's entries, without "." and ".." and without names that would lead the jobs outside it (a
// hostile listing's "..", a separator) or bring control characters into local file names.
FtpValue<std::vector<ListItem>> SafeListing(CRemoteConnection& connection, const QString& folder)
{
    FtpValue<FtpListing> listing = connection.List(folder);
    FtpValue<std::vector<ListItem>> safe{listing.result, {}};
    for (ListItem& item : listing.value.items)
    {
        const QString name = CRemoteName::ToText(item.name);
        if (IsSafeRemoteName(name))
            safe.value.push_back(std::move(item));
        else if (name != QLatin1String(".") && name != QLatin1String(".."))
            QTextStream(stderr) << "zentrava-cli: skipped the unsafe remote name '" << VisibleText(name)
                                << "' in " << VisibleText(folder) << Qt::endl;
    }
    return safe;
}

// A folder of a tree being uploaded; one that is there already counts as made.
FtpResult MakeTreeFolder(CRemoteConnection& connection, const QString& path)
{
    const FtpResult made = connection.MakeFolder(path);
    return made.Ok() || !connection.CheckFolder(path).Ok() ? made : FtpResult::Success();
}

// A remote folder's rows; none when it cannot be listed (it may not be there yet).
QList<CFtpListItem> RemoteRows(CRemoteConnection& connection, const QString& folder)
{
    const FtpValue<std::vector<ListItem>> listing = SafeListing(connection, folder);
    QList<CFtpListItem> rows;
    for (const ListItem& item : listing.value)
    {
        CFtpListItem row;
        row.name = CRemoteName::ToText(item.name);
        row.size = item.size;
        row.modified = item.modified.toLocalTime();
        row.isFolder = item.kind == ListItem::Kind::Folder;
        rows.append(row);
    }
    return rows;
}

// The files among the entries through the upload preparation the windows run, against the listing of
// the remote folder they go to, so the run's overwrite mode decides about names that are there
// already. The folders among them are left to the caller.
QList<CTransferEntry> DecideFiles(const QString& remoteFolder, const QList<CTransferEntry>& entries,
                                  const CQueueOptions& options, IOverwritePrompts& prompts,
                                  const std::function<QList<CFtpListItem>()>& listRemote)
{
    CUploadBatch batch;
    batch.remoteFolder = remoteFolder;
    batch.filteredUpload = options.filter;
    batch.matchingFiles = MatchingFilesFor(options.overwrite);
    for (const CTransferEntry& entry : entries)
    {
        if (!(entry.attributes & kAttributeFolder))
            batch.records.append({entry.attributes, {}, {}, entry.modified, entry.size, entry.name});
    }
    if (batch.records.isEmpty())
        return {};
    batch.remoteList = listRemote();
    QList<CTransferEntry> kept;
    for (const CTransferJob& prepared : PrepareUploadBatch(batch, prompts))
        kept += prepared.files;
    return kept;
}

// Folders are merged into, as the workers do with everything below them. A folder's listing that
// fails leaves it empty: the worker then reports whatever is wrong with the connection.
QList<CTransferEntry> DecideUploads(const CTransferJob& job, const QList<CTransferEntry>& entries,
                                    const CQueueOptions& options, IOverwritePrompts& prompts)
{
    QList<CTransferEntry> kept;
    for (const CTransferEntry& entry : entries)
    {
        if (entry.attributes & kAttributeFolder)
            kept.append(entry);
    }
    const auto listRemote = [&job, &options]
    {
        CRemoteConnection connection;
        return ConnectForPlanning(connection, job, options.trust).Ok()
                   ? RemoteRows(connection, job.remoteFolder)
                   : QList<CFtpListItem>();
    };
    return kept + DecideFiles(job.remoteFolder, entries, options, prompts, listRemote);
}

// The entry with its remote path spelled out ("<local>|<remote>"), so it lands there whatever else
// the job holds.
CTransferEntry WithRemotePath(CTransferEntry entry, const QString& remoteFolder)
{
    if (!entry.name.contains(u'|'))
        entry.name += u'|' + JoinRemotePath(remoteFolder, NameOf(entry.name));
    return entry;
}

// mirror --reverse with --overwrite as one job: every file below the local folder decided against
// the listing of its own remote folder, so the mode reaches them all. Each kept file carries its
// remote path; a folder with nothing in it is kept as itself, so that it is still made.
void DecideTree(CRemoteConnection& connection, const QFileInfo& local, const QString& remoteFolder,
                const CQueueOptions& options, IOverwritePrompts& prompts, int depth,
                QList<CTransferEntry>& kept)
{
    const QFileInfoList children = ChildrenOf(local);
    if (children.isEmpty() || depth > kMaxFolderDepth)
    {
        CTransferEntry folder = LocalEntry(local);
        folder.name += u'|' + remoteFolder;
        kept.append(folder);
        return;
    }
    QList<CTransferEntry> files;
    for (const QFileInfo& child : children)
    {
        if (!child.isDir())
            files.append(LocalEntry(child));
    }
    const auto listRemote = [&] { return RemoteRows(connection, remoteFolder); };
    for (const CTransferEntry& entry : DecideFiles(remoteFolder, files, options, prompts, listRemote))
        kept.append(WithRemotePath(entry, remoteFolder));
    for (const QFileInfo& child : children)
    {
        if (child.isDir())
            DecideTree(connection, child, JoinRemotePath(remoteFolder, child.fileName()), options, prompts,
                       depth + 1, kept);
    }
}

bool PlanPut(const CTransferJob& target, const QStringList& locals, const QString& remoteFolder,
             const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
             QString* problem)
{
    QList<CTransferEntry> entries;
    for (const QString& local : locals)
    {
        const QFileInfo info(local);
        if (!info.exists())
        {
            *problem = QStringLiteral("no such local file or folder: %1").arg(local);
            return false;
        }
        entries.append(LocalEntry(info));
    }
    if (!options.pack.isEmpty())
    {
        CTransferEntry archive;
        if (!PackSelection(options.pack, entries, &archive, problem))
            return false;
        entries = {archive};
    }
    const QList<CTransferEntry> kept = FilteredUploads(entries, options.filter);
    if (kept.isEmpty())
    {
        *problem =
            QStringLiteral("nothing to upload: the filter leaves out %1").arg(NameOf(entries.first().name));
        return false;
    }
    CTransferJob job = target;
    job.remoteFolder = RemotePathOf(target, remoteFolder);
    job.localFolder = QDir::currentPath();
    AddJobs(jobs, job, DecideUploads(job, kept, options, prompts), true, options.parallel > 0);
    return true;
}

// The local folder downloads land in; the worker maps names below it only when it exists.
bool MakeLocalFolder(const QString& folder, QString* problem)
{
    if (QDir().mkpath(folder))
        return true;
    *problem = QStringLiteral("cannot make the local folder %1").arg(folder);
    return false;
}

CTransferEntry RemoteEntry(const ListItem& item)
{
    const bool folder = item.kind == ListItem::Kind::Folder;
    return {CRemoteName::ToText(item.name), folder ? kAttributeFolder : 0u, folder ? 0 : item.size,
            item.modified.toLocalTime()};
}

// The files below a remote folder, named by their path below the mirrored folder, listed on the
// planning connection. Each folder is made locally on the way, so empty ones are there too. The filter
// leaves out folders and files as the workers' own would.
QString CollectRemoteFiles(CRemoteConnection& connection, const QString& remoteFolder,
                           const QString& relative, const QString& localFolder, const CFilterLists& filter,
                           int depth, QList<CTransferEntry>& files)
{
    if (depth > kMaxFolderDepth)
        return {};
    const FtpValue<std::vector<ListItem>> listing = SafeListing(connection, remoteFolder);
    if (!listing.result.Ok())
        return listing.result.message;
    QString problem;
    for (const ListItem& item : listing.value)
    {
        CTransferEntry listed = RemoteEntry(item);
        const QString name = listed.name;
        const bool folder = listed.attributes & kAttributeFolder;
        if (!PassesFilter(filter, name, folder))
            continue;
        const QString path = relative.isEmpty() ? name : relative + u'/' + name;
        if (!folder)
        {
            listed.name = path;
            files.append(listed);
            continue;
        }
        if (!MakeLocalFolder(localFolder + u'/' + path, &problem))
            return problem;
        problem = CollectRemoteFiles(connection, JoinRemotePath(remoteFolder, name), path, localFolder,
                                     filter, depth + 1, files);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

// mirror --parallel, download: the tree listed at once and its files shared out into as many jobs as
// run together, each one connection for its share.
bool PlanParallelDownload(const CTransferJob& base, const QString& remotePath, const QString& localDir,
                          const CQueueOptions& options, QList<CQueuedJob>& jobs, QString* problem)
{
    CTransferJob job = base;
    job.remoteFolder = remotePath;
    job.localFolder = localDir + u'/' + NameOf(remotePath);
    if (!MakeLocalFolder(job.localFolder, problem))
        return false;
    CRemoteConnection connection;
    QList<CTransferEntry> files;
    const FtpResult connected = ConnectForPlanning(connection, base, options.trust);
    *problem = connected.Ok() ? QString() : connected.message;
    if (connected.Ok())
        *problem = CollectRemoteFiles(connection, remotePath, {}, job.localFolder,
                                      LoadFilterLists(options.filter || FilterTransfersEnabled()), 0, files);
    if (!problem->isEmpty())
        return false;
    for (const QList<CTransferEntry>& share : ShareOut(files, options.parallel))
        AddJobs(jobs, job, share, false, false);
    return true;
}

// The remote path of every folder of a local tree (each before the folders inside it), and every file
// (a folder's files before its folders') with its remote path.
void CollectLocalTree(const QFileInfo& local, const QString& remoteFolder, int depth, QStringList& folders,
                      QList<CTransferEntry>& files)
{
    folders.append(remoteFolder);
    if (depth > kMaxFolderDepth)
        return;
    const QFileInfoList children = ChildrenOf(local);
    for (const QFileInfo& child : children)
    {
        if (!child.isDir())
            files.append(WithRemotePath(LocalEntry(child), remoteFolder));
    }
    for (const QFileInfo& child : children)
    {
        if (child.isDir())
            CollectLocalTree(child, JoinRemotePath(remoteFolder, child.fileName()), depth + 1, folders,
                             files);
    }
}

// mirror --parallel --reverse: every remote folder is made first on the planning connection, then the
// files (decided by --overwrite as the one-job mirror decides them) are shared out into as many jobs as
// run together.
bool PlanParallelUpload(CRemoteConnection& connection, const CTransferJob& job, const QFileInfo& local,
                        const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
                        QString* problem)
{
    const QString top = JoinRemotePath(job.remoteFolder, local.fileName());
    QStringList folders;
    QList<CTransferEntry> files;
    CollectLocalTree(local, top, 0, folders, files);
    for (const QString& folder : folders)
    {
        const FtpResult made = MakeTreeFolder(connection, folder);
        if (!made.Ok())
        {
            *problem = made.message;
            return false;
        }
    }
    if (!options.overwrite.isEmpty())
    {
        files.clear();
        DecideTree(connection, local, top, options, prompts, 0, files);
        // The tree's folders are made; what is left of a decided tree is its files.
        files.removeIf([](const CTransferEntry& entry) { return entry.attributes & kAttributeFolder; });
    }
    for (const QList<CTransferEntry>& share : ShareOut(files, options.parallel))
        AddJobs(jobs, job, share, true, false);
    return true;
}

// mirror --reverse: the remote folder the tree goes into is made first, with its missing parents, on
// the planning connection, since the workers upload into folders that are there. Without a connection
// a one-job mirror goes as it is, and its worker reports what is wrong.
bool PlanReverseMirror(const CTransferJob& job, const QFileInfo& local, const CQueueOptions& options,
                       IOverwritePrompts& prompts, QList<CQueuedJob>& jobs, QString* problem)
{
    const QList<CTransferEntry> top = FilteredUploads({LocalEntry(local)}, options.filter);
    if (top.isEmpty())
        return true;
    const bool parallel = options.parallel > 1;
    CRemoteConnection connection;
    const FtpResult connected = ConnectForPlanning(connection, job, options.trust);
    if (!connected.Ok() && !parallel)
    {
        AddJobs(jobs, job, top, true, false);
        return true;
    }
    const FtpResult made = connected.Ok() ? connection.MakeFolders(job.remoteFolder) : connected;
    if (!made.Ok())
    {
        *problem = made.message;
        return false;
    }
    if (parallel)
        return PlanParallelUpload(connection, job, local, options, prompts, jobs, problem);
    QList<CTransferEntry> decided = top;
    if (!options.overwrite.isEmpty())
    {
        decided.clear();
        DecideTree(connection, local, JoinRemotePath(job.remoteFolder, local.fileName()), options, prompts, 0,
                   decided);
    }
    AddJobs(jobs, job, decided, true, false);
    return true;
}

bool PlanMirror(const CTransferJob& target, const QString& remoteDir, const QString& localDir, bool reverse,
                const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
                QString* problem)
{
    CTransferJob job = target;
    job.filterRequested = options.filter;
    // One at a time, one job for the tree is the same work on a single connection.
    const bool parallel = options.parallel > 1;
    if (reverse)
    {
        const QFileInfo info(localDir);
        if (!info.isDir())
        {
            *problem = QStringLiteral("no such local folder: %1").arg(localDir);
            return false;
        }
        job.remoteFolder = RemotePathOf(target, remoteDir);
        job.localFolder = info.absolutePath();
        return PlanReverseMirror(job, info, options, prompts, jobs, problem);
    }
    QString path = RemotePathOf(target, remoteDir);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (NameOf(path).isEmpty())
    {
        *problem = QStringLiteral("mirror needs a remote folder below the root: %1").arg(remoteDir);
        return false;
    }
    if (parallel)
        return PlanParallelDownload(job, path, localDir, options, jobs, problem);
    job.remoteFolder = ParentOf(path);
    job.localFolder = localDir;
    AddJobs(jobs, job, {{NameOf(path), kAttributeFolder, 0, {}}}, false, false);
    return true;
}

bool Plan(const QString& command, const CArguments& args, const CTransferJob& target,
          const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs, QString* problem)
{
    const QStringList items = args.Positional().mid(1);
    if (command == QLatin1String("get"))
    {
        const QString folder = QFileInfo(args.Value(QStringLiteral("o"))).absoluteFilePath();
        return MakeLocalFolder(folder, problem) && PlanGet(target, items, folder, options, jobs, problem);
    }
    if (command == QLatin1String("put"))
        return PlanPut(target, items, args.Value(QStringLiteral("r")), options, prompts, jobs, problem);
    const QString local = QFileInfo(items.value(1)).absoluteFilePath();
    const bool reverse = args.Has(QStringLiteral("reverse"));
    return (reverse || MakeLocalFolder(local, problem)) &&
           PlanMirror(target, items.value(0), local, reverse, options, prompts, jobs, problem);
}

QString CheckShape(const QString& command, const CArguments& args)
{
    const qsizetype items = args.Positional().size() - 1;
    if (command == QLatin1String("get") && (items < 1 || !args.Has(QStringLiteral("o"))))
        return QStringLiteral("get takes TARGET REMOTE... -o DIR");
    if (command == QLatin1String("put") && (items < 1 || !args.Has(QStringLiteral("r"))))
        return QStringLiteral("put takes TARGET LOCAL... -r REMOTEDIR");
    if (command == QLatin1String("mirror") && items != 2)
        return QStringLiteral("mirror takes TARGET REMOTEDIR LOCALDIR");
    if (command != QLatin1String("mirror") && args.Has(QStringLiteral("reverse")))
        return QStringLiteral("--reverse belongs to mirror");
    if (command != QLatin1String("put") && args.Has(QStringLiteral("pack")))
        return QStringLiteral("--pack belongs to put");
    return {};
}

int RunJobs(const QList<CQueuedJob>& jobs, const CQueueOptions& options, CCliOverwritePrompts& prompts,
            QTextStream& out, QTextStream& err)
{
    CWorkerFactory factory(prompts);
    CQueueRun run(prompts, out, err);
    CTransferQueue queue(factory, nullptr, &run);
    // The run's choices travel with the queue and its workers; the stored settings stay as they are.
    if (options.parallel > 0)
        queue.SetTransferLimit(options.parallel);
    queue.SetWorkerOverrides({MatchingFilesFor(options.overwrite), options.verify,
                              options.trust.CertificateAnswer(), options.trust.HostKeyAnswer()});
    int queued = 0;
    for (CQueuedJob item : jobs)
    {
        item.job.requestingWindow = &run;
        if (options.retries >= 0)
            item.job.attempts = options.retries + 1;
        if (options.retryDelay >= 0)
            item.job.retryDelay = options.retryDelay;
        if (item.upload ? queue.AddUpload(item.job) : queue.AddDownload(item.job))
            ++queued;
        else
            err << "zentrava-cli: a job could not be queued" << Qt::endl;
    }
    if (queued == 0 && !jobs.isEmpty())
        return ExitFailure;
    if (queued > 0)
        run.Run(queue, queued);
    const int result = run.Summary();
    return queued == jobs.size() ? result : ExitFailure;
}
} // namespace

bool IsQueueForm(const QString& command, const QStringList& words)
{
    if (command == QLatin1String("get"))
        return words.contains(QStringLiteral("-o"));
    if (command == QLatin1String("put"))
        return words.contains(QStringLiteral("-r"));
    return false;
}

int RunQueueCommand(const QString& command, const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(
        words,
        {QStringLiteral("o"), QStringLiteral("r"), QStringLiteral("parallel"), QStringLiteral("retries"),
         QStringLiteral("retry-delay"), QStringLiteral("overwrite"), QStringLiteral("password-file"),
         QStringLiteral("verify"), QStringLiteral("pack")},
        CliTrustOptions::Flags() + QSet<QString>{QStringLiteral("reverse"), QStringLiteral("filter")});
    if (!args.IsValid())
        return Usage(err, args.Error());
    QString problem = CheckShape(command, args);
    if (!problem.isEmpty())
        return Usage(err, problem);
    CQueueOptions options;
    if (!ReadOptions(args, &options, &problem))
        return Usage(err, problem);

    CTransferJob target;
    if (!ResolveTarget(args.Positional().value(0), &target, &problem))
        return Failure(err, problem);
    if (args.Has(QStringLiteral("password-file")))
    {
        QByteArray password;
        if (!ReadSecretFile(QStringLiteral("password file"), args.Value(QStringLiteral("password-file")),
                            &password, &problem))
            return Failure(err, problem);
        target.password = QString::fromUtf8(password);
    }
    // Without --overwrite the stored choice stands and its questions go to the terminal.
    const bool ask = options.overwrite.isEmpty() || options.overwrite == QLatin1String("ask") ||
                     options.overwrite == QLatin1String("rules");
    CCliOverwritePrompts prompts(ask, FixedAnswer(options.overwrite));
    QList<CQueuedJob> jobs;
    if (!Plan(command, args, target, options, prompts, jobs, &problem))
        return Failure(err, problem);
    return RunJobs(jobs, options, prompts, out, err);
}
