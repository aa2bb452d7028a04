#include "cli/QueueCommands.h"

#include "app/Profile.h"
#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "session/SessionUrl.h"
#include "sites/FtpSite.h"
#include "sites/SiteList.h"
#include "transfer/AfterQueueAction.h"
#include "transfer/AsciiTypes.h"
#include "transfer/OverwritePrompts.h"
#include "transfer/RemotePath.h"
#include "transfer/TransferQueue.h"
#include "transfer/TransferRequester.h"
#include "transfer/WorkerFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace
{
const char kUsage[] =
    "usage: zentrava-cli get TARGET REMOTE... -o DIR\n"
    "       zentrava-cli put TARGET LOCAL... -r REMOTEDIR\n"
    "       zentrava-cli mirror TARGET REMOTEDIR LOCALDIR [--reverse]\n"
    "TARGET: a saved site path or scheme://[user[:password]@]host[:port][/folder]; remote paths are\n"
    "        absolute or relative to its folder. mirror copies REMOTEDIR into LOCALDIR (--reverse:\n"
    "        LOCALDIR into REMOTEDIR), the folder's own name included.\n"
    "options: --parallel N  --retries N  --retry-delay S  --password-file FILE\n"
    "         --overwrite ask|overwrite|skip|resume|number|rules";

constexpr int kProgressIntervalMs = 500;
// The SmartOverwrite value that hands the decision to the rule list.
constexpr int kUseRules = 6;

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

// The first line of the file, so the secret need not show in the process list.
bool ReadPasswordFile(const QString& path, QString* password, QString* problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        *problem = QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    return true;
}

// Where TARGET leads: the job's connection fields, with its folder as the job's remote folder.
bool JobFromUrl(const CSessionUrl& url, CTransferJob* job, QString* problem)
{
    const int protocol = url.ProtocolType();
    if (protocol < 0)
    {
        *problem = QStringLiteral("unknown scheme: %1").arg(url.scheme);
        return false;
    }
    static const int kDefaultPorts[] = {21, 990, 21, 22};
    job->host = url.server;
    job->port = url.port > 0 ? url.port : kDefaultPorts[protocol];
    job->protocolType = protocol;
    job->login = url.user;
    if (job->login.isEmpty())
        job->login =
            protocol == CFtpSite::ProtocolSftp ? qEnvironmentVariable("USER") : QStringLiteral("anonymous");
    job->password = url.password;
    job->passive = true;
    job->transferType = TransferTypeBinary;
    // "//folder" spells an absolute path in the other commands' addresses; both forms mean it here.
    QString folder = url.path;
    while (folder.startsWith(QLatin1String("//")))
        folder.remove(0, 1);
    job->remoteFolder = folder.isEmpty() ? QStringLiteral("/") : folder;
    return true;
}

bool ResolveTarget(const QString& target, CTransferJob* job, QString* problem)
{
    if (target.contains(QLatin1String("://")))
    {
        const std::optional<CSessionUrl> url = CSessionUrl::Parse(target);
        if (!url || url->server.isEmpty())
        {
            *problem = QStringLiteral("not an address: %1").arg(target);
            return false;
        }
        return JobFromUrl(*url, job, problem);
    }
    CSiteList sites;
    sites.LoadSites();
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

// The answers to the workers' overwrite questions: a fixed one, or the user's on a terminal.
class CCliOverwritePrompts final : public IOverwritePrompts
{
public:
    // ask: put every question on the terminal; without a terminal the answer is fixed.
    CCliOverwritePrompts(bool ask, OverwriteAction fixed) : m_ask(ask && isatty(STDIN_FILENO)), m_fixed(fixed)
    {
    }

    OverwriteAction AskReplace(const COverwritePromptInfo& info) override
    {
        return Ask(info, "[o]verwrite, overwrite [a]ll, [s]kip, [n]umber");
    }

    OverwriteAction AskResume(const COverwritePromptInfo& info) override
    {
        return Ask(info, "[r]esume, [o]verwrite, overwrite [a]ll, [s]kip, [n]umber");
    }

    QString AskNewName(const QString&, const QString& proposedName) override
    {
        if (!m_ask)
            return {};
        const QMutexLocker lock(&m_mutex);
        const QString line = Question(QStringLiteral("new name [%1]: ").arg(proposedName));
        return line.isEmpty() ? proposedName : line;
    }

    // Set while a question waits, so the progress lines leave the terminal alone.
    bool IsAsking() const { return m_asking.loadAcquire() != 0; }

private:
    OverwriteAction Ask(const COverwritePromptInfo& info, const char* choices)
    {
        if (!m_ask)
            return m_fixed;
        const QMutexLocker lock(&m_mutex);
        const QString question =
            QStringLiteral("\n%1 exists (%2 bytes, %3); the new one has %4 bytes (%5).\n%6? ")
                .arg(info.targetPath)
                .arg(info.existingSize)
                .arg(info.existingTime.toString(Qt::ISODate))
                .arg(info.incomingSize)
                .arg(info.incomingTime.toString(Qt::ISODate), QString::fromLatin1(choices));
        const QString answer = Question(question).toLower();
        if (answer.startsWith(u'o'))
            return OverwriteAction::Overwrite;
        if (answer.startsWith(u'a'))
            return OverwriteAction::OverwriteAll;
        if (answer.startsWith(u'r'))
            return OverwriteAction::Resume;
        if (answer.startsWith(u'n'))
            return OverwriteAction::Number;
        return OverwriteAction::Skip;
    }

    // One line from standard input; the end of input reads as an empty answer.
    QString Question(const QString& text)
    {
        m_asking.storeRelease(1);
        std::fputs(text.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        char buffer[1024];
        const bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
        m_asking.storeRelease(0);
        return read ? QString::fromLocal8Bit(buffer).trimmed() : QString();
    }

    const bool m_ask;
    const OverwriteAction m_fixed;
    QMutex m_mutex; // several workers may ask at once
    QAtomicInt m_asking;
};

int g_interruptPipe[2] = {-1, -1};

extern "C" void OnInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_interruptPipe[1], &byte, 1);
}

// One command's run: receives the jobs' reports, draws the progress and ends the event loop once
// every job has reported its end.
class CQueueRun final : public QObject, public ITransferRequester, public IAfterQueueAction
{
public:
    CQueueRun(const CCliOverwritePrompts& prompts, QTextStream& out, QTextStream& err)
        : m_prompts(prompts), m_out(out), m_err(err), m_terminal(isatty(STDERR_FILENO))
    {
    }

    void OnTransferLog(const QString&) override {}
    void OnTransferRelay(const CTransferEntry&) override {}

    void OnTransferDone(int level, const QString& line) override
    {
        (level == 1 ? m_done : m_failed).append(line);
        if (m_done.size() + m_failed.size() >= m_jobs)
            m_loop.quit();
    }

    void OnQueueEmpty(int) override { m_loop.quit(); }

    // Runs the queue until every one of the jobs has ended; false when it was interrupted.
    void Run(CTransferQueue& queue, int jobs)
    {
        m_jobs = jobs;
        QTimer progress;
        QObject::connect(&progress, &QTimer::timeout, this, [this, &queue] { DrawProgress(queue); });
        progress.start(kProgressIntervalMs);
        std::unique_ptr<QSocketNotifier> interrupt = WatchInterrupt(queue);
        if (m_done.size() + m_failed.size() < m_jobs)
            m_loop.exec();
        progress.stop();
        DrawProgress(queue);
        signal(SIGINT, SIG_DFL);
    }

    // The summary on standard output: exit 1 when any job failed or the run was interrupted.
    int Summary()
    {
        m_out << "done: " << m_done.size() << ", failed: " << m_failed.size();
        if (m_interrupted)
            m_out << " (interrupted)";
        m_out << "\n";
        for (const QString& line : m_failed)
            m_out << "failed " << line << "\n";
        m_out.flush();
        return m_failed.isEmpty() && !m_interrupted ? ExitSuccess : ExitFailure;
    }

private:
    std::unique_ptr<QSocketNotifier> WatchInterrupt(CTransferQueue& queue)
    {
        if (g_interruptPipe[0] < 0 && pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return nullptr;
        auto notifier = std::make_unique<QSocketNotifier>(g_interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, this,
                         [this, &queue]
                         {
                             char byte = 0;
                             while (read(g_interruptPipe[0], &byte, 1) > 0)
                                 ;
                             CancelAll(queue);
                         });
        signal(SIGINT, OnInterrupt);
        return notifier;
    }

    // Cancels every running and waiting job; each still reports its end. A failed job that was
    // put back in the queue has reported already.
    void CancelAll(CTransferQueue& queue)
    {
        m_interrupted = true;
        m_err << "\nzentrava-cli: interrupted; cancelling every job" << Qt::endl;
        QList<int> rows;
        for (int row = 0; row < queue.rowCount(); ++row)
        {
            if (queue.data(queue.index(row, CTransferQueue::StatusColumn)).toString() !=
                CTransferQueue::kFailed)
                rows.append(row);
        }
        queue.Cancel(rows);
    }

    void DrawProgress(const CTransferQueue& queue)
    {
        if (m_prompts.IsAsking())
            return;
        QStringList lines;
        for (int row = 0; row < queue.rowCount(); ++row)
        {
            const auto text = [&](int column) { return queue.data(queue.index(row, column)).toString(); };
            const QString status = text(CTransferQueue::StatusColumn);
            if (status == CTransferQueue::kPending || status == CTransferQueue::kScheduled ||
                status == CTransferQueue::kFailed)
                continue;
            lines.append(
                QStringLiteral("%1  %2  %3")
                    .arg(text(CTransferQueue::NameColumn), status, text(CTransferQueue::ProgressColumn)));
        }
        lines.append(QStringLiteral("total: %1 of %2 jobs ended, %3 running")
                         .arg(m_done.size() + m_failed.size())
                         .arg(m_jobs)
                         .arg(queue.RunningCount()));
        if (m_terminal)
            Redraw(lines);
        else if (lines != m_lastLines)
            m_err << lines.join(u'\n') << Qt::endl;
        m_lastLines = lines;
    }

    // Moves up over the lines drawn last time and writes the new ones over them.
    void Redraw(const QStringList& lines)
    {
        if (m_lastLines.size() > 0)
            m_err << "\x1b[" << m_lastLines.size() << "A";
        for (const QString& line : lines)
            m_err << "\r" << line << "\x1b[K\n";
        m_err << "\x1b[J";
        m_err.flush();
    }

    const CCliOverwritePrompts& m_prompts;
    QTextStream& m_out;
    QTextStream& m_err;
    const bool m_terminal;
    QEventLoop m_loop;
    int m_jobs = 0;
    QStringList m_done;
    QStringList m_failed;
    QStringList m_lastLines;
    bool m_interrupted = false;
};

struct CQueueOptions
{
    int parallel = 0; // 0: one job for all entries
    int retries = -1; // -1: the target's own
    int retryDelay = -1;
    QString overwrite;
};

bool ReadOptions(const CArguments& args, CQueueOptions* options, QString* problem)
{
    if (!ReadNumber(args, QStringLiteral("parallel"), 1, &options->parallel, problem) ||
        !ReadNumber(args, QStringLiteral("retries"), 0, &options->retries, problem) ||
        !ReadNumber(args, QStringLiteral("retry-delay"), 0, &options->retryDelay, problem))
        return false;
    static const QStringList kModes{"ask", "overwrite", "skip", "resume", "number", "rules"};
    options->overwrite = args.Value(QStringLiteral("overwrite"));
    if (args.Has(QStringLiteral("overwrite")) && !kModes.contains(options->overwrite))
    {
        *problem = QStringLiteral("--overwrite takes one of: %1").arg(kModes.join(u'|'));
        return false;
    }
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

// A settings value for this run only: the workers and the queue read the store, not the command line.
class CProfileOverride
{
public:
    CProfileOverride(const QString& section, const QString& key, std::optional<int> value)
        : m_section(section), m_key(key), m_active(value.has_value())
    {
        if (!m_active)
            return;
        m_previous = GetProfileInt(section, key);
        WriteProfileInt(section, key, *value);
    }
    ~CProfileOverride()
    {
        if (m_active)
            WriteProfileInt(m_section, m_key, m_previous);
    }
    CProfileOverride(const CProfileOverride&) = delete;
    CProfileOverride& operator=(const CProfileOverride&) = delete;

private:
    const QString m_section;
    const QString m_key;
    const bool m_active;
    int m_previous = 0;
};

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
             bool parallel, QList<CQueuedJob>& jobs, QString* problem)
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
    for (const QString& folder : folders)
    {
        job.remoteFolder = folder;
        AddJobs(jobs, job, byFolder[folder], false, parallel);
    }
    return true;
}

bool PlanPut(const CTransferJob& target, const QStringList& locals, const QString& remoteFolder,
             bool parallel, QList<CQueuedJob>& jobs, QString* problem)
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
    CTransferJob job = target;
    job.remoteFolder = RemotePathOf(target, remoteFolder);
    job.localFolder = QDir::currentPath();
    AddJobs(jobs, job, entries, true, parallel);
    return true;
}

bool PlanMirror(const CTransferJob& target, const QString& remoteDir, const QString& localDir, bool reverse,
                QList<CQueuedJob>& jobs, QString* problem)
{
    CTransferJob job = target;
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
        AddJobs(jobs, job, {LocalEntry(info)}, true, false);
        return true;
    }
    QString path = RemotePathOf(target, remoteDir);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (NameOf(path).isEmpty())
    {
        *problem = QStringLiteral("mirror needs a remote folder below the root: %1").arg(remoteDir);
        return false;
    }
    job.remoteFolder = ParentOf(path);
    job.localFolder = localDir;
    AddJobs(jobs, job, {{NameOf(path), kAttributeFolder, 0, {}}}, false, false);
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

bool Plan(const QString& command, const CArguments& args, const CTransferJob& target, bool parallel,
          QList<CQueuedJob>& jobs, QString* problem)
{
    const QStringList items = args.Positional().mid(1);
    if (command == QLatin1String("get"))
    {
        const QString folder = QFileInfo(args.Value(QStringLiteral("o"))).absoluteFilePath();
        return MakeLocalFolder(folder, problem) && PlanGet(target, items, folder, parallel, jobs, problem);
    }
    if (command == QLatin1String("put"))
        return PlanPut(target, items, args.Value(QStringLiteral("r")), parallel, jobs, problem);
    const QString local = QFileInfo(items.value(1)).absoluteFilePath();
    const bool reverse = args.Has(QStringLiteral("reverse"));
    return (reverse || MakeLocalFolder(local, problem)) &&
           PlanMirror(target, items.value(0), local, reverse, jobs, problem);
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
    return {};
}

std::optional<int> MatchingFilesFor(const QString& mode)
{
    if (mode.isEmpty())
        return std::nullopt;
    return mode == QLatin1String("rules") ? kUseRules : int(OverwriteAction::Prompt);
}

int RunJobs(const QList<CQueuedJob>& jobs, const CQueueOptions& options, QTextStream& out, QTextStream& err)
{
    // Without --overwrite the stored choice stands and its questions go to the terminal.
    const bool ask = options.overwrite.isEmpty() || options.overwrite == QLatin1String("ask") ||
                     options.overwrite == QLatin1String("rules");
    CCliOverwritePrompts prompts(ask, FixedAnswer(options.overwrite));
    const CProfileOverride matching(QStringLiteral("SmartOverwrite"), QStringLiteral("MatchingFiles"),
                                    MatchingFilesFor(options.overwrite));
    CWorkerFactory factory(prompts);
    CQueueRun run(prompts, out, err);
    std::unique_ptr<CTransferQueue> queue;
    {
        // The queue reads its limit once, when it is made.
        const CProfileOverride limit(QStringLiteral("Settings"), QStringLiteral("TransferMax"),
                                     options.parallel > 0 ? std::optional<int>(options.parallel)
                                                          : std::nullopt);
        queue = std::make_unique<CTransferQueue>(factory, nullptr, &run);
    }
    int queued = 0;
    for (CQueuedJob item : jobs)
    {
        item.job.requestingWindow = &run;
        if (options.retries >= 0)
            item.job.attempts = options.retries + 1;
        if (options.retryDelay >= 0)
            item.job.retryDelay = options.retryDelay;
        if (item.upload ? queue->AddUpload(item.job) : queue->AddDownload(item.job))
            ++queued;
        else
            err << "zentrava-cli: a job could not be queued" << Qt::endl;
    }
    if (queued == 0)
        return ExitFailure;
    run.Run(*queue, queued);
    queue.reset();
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
    const CArguments args(words,
                          {QStringLiteral("o"), QStringLiteral("r"), QStringLiteral("parallel"),
                           QStringLiteral("retries"), QStringLiteral("retry-delay"),
                           QStringLiteral("overwrite"), QStringLiteral("password-file")},
                          {QStringLiteral("reverse")});
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
    if (args.Has(QStringLiteral("password-file")) &&
        !ReadPasswordFile(args.Value(QStringLiteral("password-file")), &target.password, &problem))
        return Failure(err, problem);
    QList<CQueuedJob> jobs;
    if (!Plan(command, args, target, options.parallel > 0, jobs, &problem))
        return Failure(err, problem);
    return RunJobs(jobs, options, out, err);
}
