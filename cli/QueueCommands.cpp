#include "cli/QueueCommands.h"

#include "cli/Arguments.h"
#include "cli/CliOverwritePrompts.h"
#include "cli/CliTrustAsker.h"
#include "cli/CommandHelp.h"
#include "cli/ExitCodes.h"
#include "cli/FtpUrl.h"
#include "cli/QueueRun.h"
#include "cli/SecretFile.h"
#include "engine/VisibleText.h"
#include "packing/PackProcedures.h"
#include "packing/PackProgress.h"
#include "sites/FtpSite.h"
#include "sites/SiteList.h"
#include "transfer/AsciiTypes.h"
#include "transfer/RemotePath.h"
#include "transfer/TransferPlanner.h"
#include "transfer/TransferQueue.h"
#include "transfer/WorkerFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace
{
// The SmartOverwrite value that hands the decision to the rule list.
constexpr int kUseRules = 6;
int Usage(QTextStream& err, const QString& command, const QString& problem)
{
    err << "zentrava-cli: " << problem << "\n" << CommandHelp(command) << Qt::endl;
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
    CMirrorRules mirror;
    bool dryRun = false;
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
    options->mirror.onlyNewer = args.Has(QStringLiteral("only-newer"));
    options->mirror.deleteExtra = args.Has(QStringLiteral("delete"));
    options->mirror.excludes = args.Values(QStringLiteral("exclude"));
    options->mirror.includes = args.Values(QStringLiteral("include"));
    options->dryRun = args.Has(QStringLiteral("dry-run"));
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

// The planner's jobs for the queue; with --parallel on get and put, every entry a job of its own. What the
// planning found and did (files skipped, a mirror's comparison and deletions) adds up in summary.
bool AddPlan(const CTransferPlanRequest& request, const CQueueOptions& options, IOverwritePrompts& prompts,
             bool jobPerEntry, QList<CQueuedJob>& jobs, CTransferPlan* summary, QString* problem)
{
    CTransferPlanRequest planned = request;
    planned.filter = options.filter;
    planned.matchingFiles = MatchingFilesFor(options.overwrite);
    planned.unknownCertificate = options.trust.CertificateAnswer();
    planned.unknownHostKey = options.trust.HostKeyAnswer();
    const CTransferPlan plan = CTransferPlanner(planned).Plan(prompts);
    const int skipped = summary->difference.skipped + plan.difference.skipped;
    summary->difference = plan.difference;
    summary->difference.skipped = skipped;
    summary->deleted += plan.deleted;
    summary->failures += plan.failures;
    for (const QString& note : plan.notes)
        QTextStream(stderr) << "zentrava-cli: " << note << Qt::endl;
    *problem = plan.problem;
    for (CTransferJob job : plan.jobs)
    {
        const QList<CTransferEntry> files = job.files;
        for (qsizetype i = 0; i < (jobPerEntry ? files.size() : 1); ++i)
        {
            if (jobPerEntry)
                job.files = {files[i]};
            jobs.append({job, request.upload});
        }
    }
    return plan.IsOk();
}

// get: the remote names grouped by their folder, since a job fetches from one folder.
bool PlanGet(const CTransferJob& target, const QStringList& remotes, const QString& localFolder,
             const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
             CTransferPlan* summary, QString* problem)
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
    CTransferPlanRequest request;
    request.base = target;
    request.base.localFolder = localFolder;
    request.base.filterRequested = options.filter;
    request.findFolders = true;
    for (const QString& folder : folders)
    {
        request.base.remoteFolder = folder;
        request.items = byFolder[folder];
        if (!AddPlan(request, options, prompts, options.parallel > 0, jobs, summary, problem))
            return false;
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
    *archive = CTransferPlanner::LocalEntry(QFileInfo(result.Path()));
    return true;
}

bool PlanPut(const CTransferJob& target, const QStringList& locals, const QString& remoteFolder,
             const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
             CTransferPlan* summary, QString* problem)
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
        entries.append(CTransferPlanner::LocalEntry(info));
    }
    if (!options.pack.isEmpty())
    {
        CTransferEntry archive;
        if (!PackSelection(options.pack, entries, &archive, problem))
            return false;
        entries = {archive};
    }
    if (CTransferPlanner::FilteredUploads(entries, options.filter).isEmpty())
    {
        *problem =
            QStringLiteral("nothing to upload: the filter leaves out %1").arg(NameOf(entries.first().name));
        return false;
    }
    CTransferPlanRequest request;
    request.base = target;
    request.base.remoteFolder = RemotePathOf(target, remoteFolder);
    request.base.localFolder = QDir::currentPath();
    request.items = entries;
    request.upload = true;
    return AddPlan(request, options, prompts, options.parallel > 0, jobs, summary, problem);
}

// mirror: the target folder becomes a copy of the source folder's contents, made with its parents when
// missing; only the files that differ are copied, shared out over the jobs.
bool PlanMirror(const CTransferJob& target, const QString& remoteDir, const QString& localDir, bool reverse,
                const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
                CTransferPlan* summary, QString* problem)
{
    CTransferPlanRequest request;
    request.base = target;
    request.base.filterRequested = options.filter;
    request.base.remoteFolder = RemotePathOf(target, remoteDir);
    while (request.base.remoteFolder.size() > 1 && request.base.remoteFolder.endsWith(u'/'))
        request.base.remoteFolder.chop(1);
    request.base.localFolder = localDir;
    request.upload = reverse;
    request.jobCount = qMax(options.parallel, 1);
    request.mirror = options.mirror;
    request.dryRun = options.dryRun;
    return AddPlan(request, options, prompts, false, jobs, summary, problem);
}

// The local folder downloads land in; the worker maps names below it only when it exists.
bool MakeLocalFolder(const QString& folder, QString* problem)
{
    if (QDir().mkpath(folder))
        return true;
    *problem = QStringLiteral("cannot make the local folder %1").arg(folder);
    return false;
}

bool Plan(const QString& command, const CArguments& args, const CTransferJob& target,
          const CQueueOptions& options, IOverwritePrompts& prompts, QList<CQueuedJob>& jobs,
          CTransferPlan* summary, QString* problem)
{
    const QStringList items = args.Positional().mid(1);
    if (command == QLatin1String("get"))
    {
        const QString folder = QFileInfo(args.Value(QStringLiteral("o"))).absoluteFilePath();
        return MakeLocalFolder(folder, problem) &&
               PlanGet(target, items, folder, options, prompts, jobs, summary, problem);
    }
    if (command == QLatin1String("put"))
        return PlanPut(target, items, args.Value(QStringLiteral("r")), options, prompts, jobs, summary,
                       problem);
    const QString local = QFileInfo(items.value(1)).absoluteFilePath();
    return PlanMirror(target, items.value(0), local, args.Has(QStringLiteral("reverse")), options, prompts,
                      jobs, summary, problem);
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
    for (const char* option : {"reverse", "only-newer", "delete", "dry-run", "exclude", "include"})
    {
        if (command != QLatin1String("mirror") && args.Has(QLatin1String(option)))
            return QStringLiteral("--%1 belongs to mirror").arg(QLatin1String(option));
    }
    if (command == QLatin1String("mirror") && args.Has(QStringLiteral("overwrite")))
        return QStringLiteral("mirror decides by size and time; --overwrite belongs to get and put");
    if (command != QLatin1String("put") && args.Has(QStringLiteral("pack")))
        return QStringLiteral("--pack belongs to put");
    return {};
}

// A dry run's lines: what the mirror would copy, make and delete.
void PrintDryRun(const CTreeDifference& difference, QTextStream& out)
{
    for (const CTreeEntry& entry : difference.deletions)
        out << "would delete " << VisibleText(entry.path) << (entry.folder ? "/" : "") << "\n";
    for (const CTreeEntry& entry : difference.folders)
        out << "would make " << VisibleText(entry.path) << "/\n";
    for (const CTreeEntry& entry : difference.copies)
        out << "would copy " << VisibleText(entry.path) << " (" << entry.size << " bytes)\n";
}

int RunJobs(const QList<CQueuedJob>& jobs, const CQueueOptions& options, const CTransferPlan& planned,
            bool mirror, CCliOverwritePrompts& prompts, QTextStream& out, QTextStream& err)
{
    CWorkerFactory factory(prompts);
    CQueueRun run(prompts, out, err);
    CTransferQueue queue(factory, nullptr, &run);
    // The run's choices travel with the queue and its workers; the stored settings stay as they are.
    if (options.parallel > 0)
        queue.SetTransferLimit(options.parallel);
    CWorkerOverrides overrides{MatchingFilesFor(options.overwrite), options.verify,
                               options.trust.CertificateAnswer(), options.trust.HostKeyAnswer(),
                               std::nullopt};
    QStringList failures = planned.failures;
    for (const QString& conflict : planned.difference.conflicts)
        failures << VisibleText(conflict) +
                        QCoreApplication::translate("QueueCommands",
                                                    "：一邊是檔案，另一邊是資料夾（--delete 可取代）");
    run.AddPlanned(planned.difference.skipped, planned.deleted, failures);
    if (mirror)
    {
        // Compared already: what differs is replaced, and both times are kept for the next comparison.
        overrides.matchingFiles = int(OverwriteAction::Overwrite);
        overrides.preserveTime = true;
        if (options.dryRun)
            PrintDryRun(planned.difference, out);
    }
    queue.SetWorkerOverrides(overrides);
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
         QStringLiteral("verify"), QStringLiteral("pack"), QStringLiteral("exclude"),
         QStringLiteral("include")},
        CliTrustOptions::Flags() + QSet<QString>{QStringLiteral("reverse"), QStringLiteral("filter"),
                                                 QStringLiteral("only-newer"), QStringLiteral("delete"),
                                                 QStringLiteral("dry-run")});
    if (!args.IsValid())
        return Usage(err, command, args.Error());
    QString problem = CheckShape(command, args);
    if (!problem.isEmpty())
        return Usage(err, command, problem);
    CQueueOptions options;
    if (!ReadOptions(args, &options, &problem))
        return Usage(err, command, problem);

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
    CTransferPlan planned;
    if (!Plan(command, args, target, options, prompts, jobs, &planned, &problem))
        return Failure(err, problem);
    return RunJobs(jobs, options, planned, command == QLatin1String("mirror"), prompts, out, err);
}
