#include "transfer/TransferPlanner.h"

#include "app/Profile.h"
#include "engine/RemoteName.h"
#include "engine/VisibleText.h"
#include "transfer/FilterLists.h"
#include "transfer/LocalFileRecord.h"
#include "transfer/RemotePath.h"
#include "transfer/TransferShares.h"
#include "transfer/UploadBatch.h"
#include "transfer/WorkerPaths.h"

#include <QDir>

#include <algorithm>

namespace
{
// Deeper folders than this are taken for a link loop, as the workers do.
constexpr int kMaxFolderDepth = 64;

bool IsFolder(const CTransferEntry& entry)
{
    return entry.attributes & kAttributeFolder;
}

QString NameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// A local folder's entries, hidden ones included, by name.
QFileInfoList ChildrenOf(const QFileInfo& folder)
{
    return QDir(folder.absoluteFilePath())
        .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The entry with its remote path spelled out ("<local>|<remote>"), so it lands there whatever else the
// job holds.
CTransferEntry WithRemotePath(CTransferEntry entry, const QString& remoteFolder)
{
    if (!entry.name.contains(u'|'))
        entry.name += u'|' + JoinRemotePath(remoteFolder, NameOf(entry.name));
    return entry;
}

int ConnectionTimeoutMs()
{
    const int seconds = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("ConnectionTimeout"));
    return seconds > 0 ? seconds * 1000 : CConnectionTarget().timeoutMs;
}
} // namespace

CTransferPlanner::CTransferPlanner(CTransferPlanRequest request) : m_request(std::move(request)) {}

CTransferEntry CTransferPlanner::LocalEntry(const QFileInfo& info)
{
    return CLocalFileRecord::FromPath(info.absoluteFilePath()).ToEntry();
}

QList<CTransferEntry> CTransferPlanner::FilteredUploads(const QList<CTransferEntry>& items, bool filter)
{
    const CFilterLists lists = LoadFilterLists(filter || FilterTransfersEnabled());
    QList<CTransferEntry> kept;
    for (const CTransferEntry& entry : items)
    {
        if (PassesFilter(lists, entry.name, IsFolder(entry)))
            kept.append(entry);
    }
    return kept;
}

CTransferPlan CTransferPlanner::Plan(IOverwritePrompts& prompts)
{
    Survey();
    return Finish(prompts);
}

bool CTransferPlanner::Survey()
{
    m_surveyed = true;
    return m_request.upload ? SurveyUpload() : SurveyDownload();
}

bool CTransferPlanner::Fail(const QString& problem)
{
    m_problem = problem;
    return false;
}

// Certificates and host keys are taken as the workers take them: those on record, and past them as
// the request answers.
bool CTransferPlanner::Connect()
{
    QString settingsProblem; // a key the settings name that cannot be loaded: the workers report it
    m_connection.SetTarget(JobTarget(m_request.base, ConnectionTimeoutMs(), &settingsProblem));
    const TrustAnswer certificate = m_request.unknownCertificate;
    const TrustAnswer hostKey = m_request.unknownHostKey;
    CTrustPolicy::Guard(
        m_connection, [certificate](const ServerCertificate&) { return certificate; },
        [hostKey](const SshHostKey&) { return hostKey; },
        [this](const QString& note) { m_notes.append(VisibleText(note)); });
    const FtpResult connected = m_connection.Connect();
    if (connected.Ok())
        return true;
    const QString reply = connected.message.isEmpty() ? QStringLiteral("連線逾時") : connected.message;
    return Fail(QStringLiteral("無法連線至 %1：%2").arg(m_request.base.host, VisibleText(reply)));
}

// ---- downloads

// Only a download that is shared out over several jobs is listed; one job walks its folders itself.
bool CTransferPlanner::SurveyDownload()
{
    const bool folders = std::any_of(m_request.items.cbegin(), m_request.items.cend(), IsFolder);
    if (m_request.jobCount <= 1 || !folders)
    {
        (m_request.jobCount <= 1 ? m_whole : m_files) = m_request.items;
        return true;
    }
    if (!MakeLocalFolder(m_request.base.localFolder) || !Connect())
        return false;
    for (const CTransferEntry& item : m_request.items)
    {
        if (!IsFolder(item))
            m_files.append(item);
        else if (!IsSafeRemoteName(item.name))
            m_notes.append(QStringLiteral("略過不安全的遠端名稱 '%1'").arg(VisibleText(item.name)));
        else if (!CollectRemote(JoinRemotePath(m_request.base.remoteFolder, item.name), item.name, 0))
            return false;
    }
    return true;
}

bool CTransferPlanner::MakeLocalFolder(const QString& path)
{
    return QDir().mkpath(path) || Fail(QStringLiteral("無法建立本機資料夾 %1").arg(path));
}

// The files below a remote folder, named by their path below the job's remote folder. Each folder is
// made locally on the way, so empty ones are there too; the filter leaves out folders and files as the
// workers' own would.
bool CTransferPlanner::CollectRemote(const QString& remoteFolder, const QString& relative, int depth)
{
    if (!MakeLocalFolder(m_request.base.localFolder + u'/' + CRemoteName::LocalName(relative)))
        return false;
    if (depth > kMaxFolderDepth)
        return true;
    const FtpValue<std::vector<ListItem>> listing = SafeListing(remoteFolder);
    if (!listing.result.Ok())
        return Fail(QStringLiteral("無法列出 %1：%2")
                        .arg(VisibleText(remoteFolder), VisibleText(listing.result.message)));
    const CFilterLists filter = LoadFilterLists(m_request.filter || FilterTransfersEnabled());
    for (const ListItem& item : listing.value)
    {
        const bool folder = item.kind == ListItem::Kind::Folder;
        const QString name = CRemoteName::ToText(item.name);
        if (!PassesFilter(filter, name, folder))
            continue;
        const QString path = relative + u'/' + name;
        if (!folder)
            m_files.append({path, 0u, item.size, item.modified.toLocalTime()});
        else if (!CollectRemote(JoinRemotePath(remoteFolder, name), path, depth + 1))
            return false;
    }
    return true;
}

// The folder's entries, without "." and ".." and without names that would lead the jobs outside it (a
// hostile listing's "..", a separator) or bring control characters into local file names.
FtpValue<std::vector<ListItem>> CTransferPlanner::SafeListing(const QString& folder)
{
    FtpValue<FtpListing> listing = m_connection.List(folder);
    FtpValue<std::vector<ListItem>> safe{listing.result, {}};
    for (ListItem& item : listing.value.items)
    {
        const QString name = CRemoteName::ToText(item.name);
        if (IsSafeRemoteName(name))
            safe.value.push_back(std::move(item));
        else if (name != QLatin1String(".") && name != QLatin1String(".."))
            m_notes.append(QStringLiteral("略過不安全的遠端名稱 '%1'（位於 %2）")
                               .arg(VisibleText(name), VisibleText(folder)));
    }
    return safe;
}

// ---- uploads

// The selected files are decided against the target's listing; the folders go whole to one job, or,
// when shared out or decided file by file, are walked here with every remote folder made first.
bool CTransferPlanner::SurveyUpload()
{
    m_selection = FilteredUploads(m_request.items, m_request.filter);
    QList<CTransferEntry> folders;
    for (const CTransferEntry& item : m_selection)
        (IsFolder(item) ? folders : m_files).append(item);
    const bool shared = m_request.jobCount > 1;
    const bool walk = !folders.isEmpty() && (shared || m_request.decideTree);
    if (!m_request.makeTarget && m_files.isEmpty() && !walk)
        return true;
    if (!Connect())
    {
        // One job still goes as it is: its worker reports what is wrong with the connection.
        if (shared)
            return false;
        m_problem.clear();
        return true;
    }
    const QString& target = m_request.base.remoteFolder;
    if (m_request.makeTarget && !MakeRemoteFolder(target))
        return false;
    if (!m_files.isEmpty())
        m_rows = RemoteRows(target);
    if (!walk)
        return true;
    m_walked = true;
    for (const CTransferEntry& folder : folders)
        CollectLocal(folder.name, QFileInfo(folder.name), JoinRemotePath(target, NameOf(folder.name)), 0);
    for (CFolderGroup& group : m_groups)
    {
        if (shared && !MakeRemoteFolder(group.remote))
            return false;
        if (m_request.decideTree && !group.files.isEmpty())
            group.rows = RemoteRows(group.remote);
    }
    return true;
}

// Every folder of a local tree before the folders inside it, with its files.
void CTransferPlanner::CollectLocal(const QString& top, const QFileInfo& local, const QString& remoteFolder,
                                    int depth)
{
    const QFileInfoList children = depth > kMaxFolderDepth ? QFileInfoList() : ChildrenOf(local);
    m_groups.append({top, remoteFolder, local, {}, children.isEmpty(), {}});
    for (const QFileInfo& child : children)
    {
        if (!child.isDir())
            m_groups.last().files.append(LocalEntry(child));
    }
    for (const QFileInfo& child : children)
    {
        if (child.isDir())
            CollectLocal(top, child, JoinRemotePath(remoteFolder, child.fileName()), depth + 1);
    }
}

// A folder that is there already counts as made.
bool CTransferPlanner::MakeRemoteFolder(const QString& path)
{
    const FtpResult made =
        path == m_request.base.remoteFolder ? m_connection.MakeFolders(path) : m_connection.MakeFolder(path);
    if (made.Ok() || m_connection.CheckFolder(path).Ok())
        return true;
    return Fail(QStringLiteral("無法建立資料夾 %1：%2").arg(VisibleText(path), VisibleText(made.message)));
}

// A remote folder's rows; none when it cannot be listed (it may not be there yet).
QList<CFtpListItem> CTransferPlanner::RemoteRows(const QString& folder)
{
    QList<CFtpListItem> rows;
    for (const ListItem& item : SafeListing(folder).value)
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

// The files through the upload preparation the windows run, so the filter, the rename rules and the
// overwrite handling decide about them as about a window's upload.
QList<CTransferEntry> CTransferPlanner::Decide(const QString& remoteFolder,
                                               const QList<CTransferEntry>& files,
                                               const QList<CFtpListItem>& rows,
                                               IOverwritePrompts& prompts) const
{
    CUploadBatch batch;
    batch.remoteFolder = remoteFolder;
    batch.remoteList = rows;
    batch.filteredUpload = m_request.filter;
    batch.matchingFiles = m_request.matchingFiles;
    for (const CTransferEntry& file : files)
        batch.records.append({file.attributes, {}, {}, file.modified, file.size, file.name});
    QList<CTransferEntry> kept;
    for (const CTransferJob& prepared : PrepareUploadBatch(batch, prompts))
        kept += prepared.files;
    return kept;
}

// ---- the jobs

CTransferPlan CTransferPlanner::Finish(IOverwritePrompts& prompts)
{
    if (!m_surveyed)
        Survey();
    if (!m_problem.isEmpty())
        return {{}, m_problem, m_notes};
    if (!m_request.upload)
        return {Jobs(m_whole, m_files), {}, m_notes};
    // The jobs keep the order of the selection, each folder's tree in its place.
    QHash<QString, QList<CTransferEntry>> decided;
    for (const CTransferEntry& kept : Decide(m_request.base.remoteFolder, m_files, m_rows, prompts))
        decided[kept.name.section(u'|', 0, 0)].append(kept);
    QList<CTransferEntry> files;
    for (const CTransferEntry& item : m_selection)
    {
        if (!IsFolder(item))
            files += decided.take(item.name);
        else if (!m_walked)
            files.append(item);
        for (const CFolderGroup& group : m_groups)
        {
            if (group.top == item.name)
                AddGroup(group, prompts, files);
        }
    }
    return m_request.jobCount <= 1 ? CTransferPlan{Jobs(files, {}), {}, m_notes}
                                   : CTransferPlan{Jobs({}, files), {}, m_notes};
}

void CTransferPlanner::AddGroup(const CFolderGroup& group, IOverwritePrompts& prompts,
                                QList<CTransferEntry>& files) const
{
    const QList<CTransferEntry> kept =
        m_request.decideTree ? Decide(group.remote, group.files, group.rows, prompts) : group.files;
    for (const CTransferEntry& file : kept)
        files.append(WithRemotePath(file, group.remote));
    // Folders of a shared-out tree are made already; one job makes an empty one from its entry.
    if (group.bare && m_request.jobCount <= 1)
    {
        files.append(LocalEntry(group.local));
        files.last().name += u'|' + group.remote;
    }
}

// One job for the whole items, then the shared files in as many jobs as asked for.
QList<CTransferJob> CTransferPlanner::Jobs(const QList<CTransferEntry>& whole,
                                           const QList<CTransferEntry>& shared) const
{
    QList<CTransferJob> jobs;
    CTransferJob job = m_request.base;
    if (!whole.isEmpty())
    {
        job.files = whole;
        jobs.append(job);
    }
    for (const QList<CTransferEntry>& share : ShareOut(shared, m_request.jobCount))
    {
        job.files = share;
        jobs.append(job);
    }
    return jobs;
}
