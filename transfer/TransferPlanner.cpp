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

#include <QCoreApplication>
#include <QDir>
#include <QSet>

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
    if (m_request.mirror)
        return SurveyMirror();
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
    const QString reply = connected.message.isEmpty()
                              ? QCoreApplication::translate("TransferPlanner", "連線逾時")
                              : connected.message;
    return Fail(QCoreApplication::translate("TransferPlanner", "無法連線至 %1：%2")
                    .arg(m_request.base.host, VisibleText(reply)));
}

// ---- downloads

// Only a download that is shared out over several jobs is listed; one job walks its folders itself.
bool CTransferPlanner::SurveyDownload()
{
    QList<CTransferEntry> items = m_request.items;
    if (m_request.findFolders && !FindFolders(items))
        return false;
    const bool folders = std::any_of(items.cbegin(), items.cend(), IsFolder);
    if (m_request.jobCount <= 1 || !folders)
    {
        (m_request.jobCount <= 1 ? m_whole : m_files) = items;
        return true;
    }
    if (!MakeLocalFolder(m_request.base.localFolder) || (!m_connection.IsConnected() && !Connect()))
        return false;
    for (const CTransferEntry& item : items)
    {
        if (!IsFolder(item))
            m_files.append(item);
        else if (!IsSafeRemoteName(item.name))
            m_notes.append(QCoreApplication::translate("TransferPlanner", "略過不安全的遠端名稱 '%1'")
                               .arg(VisibleText(item.name)));
        else if (!CollectRemote(JoinRemotePath(m_request.base.remoteFolder, item.name), item.name))
            return false;
    }
    return true;
}

// Names typed without their kind: those the folder's listing shows as folders are.
bool CTransferPlanner::FindFolders(QList<CTransferEntry>& items)
{
    // Without a connection the names go as they are: the jobs' workers report what is wrong.
    if (!Connect())
    {
        m_problem.clear();
        return true;
    }
    QSet<QString> folders;
    for (const ListItem& listed : SafeListing(m_request.base.remoteFolder).value)
    {
        if (listed.kind == ListItem::Kind::Folder)
            folders.insert(CRemoteName::ToText(listed.name));
    }
    for (CTransferEntry& item : items)
    {
        if (folders.contains(item.name))
            item.attributes |= kAttributeFolder;
    }
    return true;
}

bool CTransferPlanner::MakeLocalFolder(const QString& path)
{
    return QDir().mkpath(path) ||
           Fail(QCoreApplication::translate("TransferPlanner", "無法建立本機資料夾 %1").arg(path));
}

// The files below a remote folder, named by their path below the job's remote folder, from one walk of the
// tree; every folder is made locally, so empty ones are there too.
bool CTransferPlanner::CollectRemote(const QString& remoteFolder, const QString& relative)
{
    QList<CTreeEntry> tree;
    if (!MakeLocalFolder(m_request.base.localFolder + u'/' + CRemoteName::LocalName(relative)) ||
        !CollectRemoteTree(remoteFolder, relative, 0, tree))
        return false;
    for (const CTreeEntry& entry : std::as_const(tree))
    {
        if (!entry.folder)
            m_files.append({entry.path, 0u, entry.size, entry.modified.toLocalTime()});
        else if (!MakeLocalFolder(m_request.base.localFolder + u'/' + CRemoteName::LocalName(entry.path)))
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
            m_notes.append(
                QCoreApplication::translate("TransferPlanner", "略過不安全的遠端名稱 '%1'（位於 %2）")
                    .arg(VisibleText(name), VisibleText(folder)));
    }
    return safe;
}

// ---- uploads

// The selected files are decided against the target's listing; the folders go whole to one job, or,
// when shared out, are walked here with every remote folder made first.
bool CTransferPlanner::SurveyUpload()
{
    m_selection = FilteredUploads(m_request.items, m_request.filter);
    QList<CTransferEntry> folders;
    for (const CTransferEntry& item : m_selection)
        (IsFolder(item) ? folders : m_files).append(item);
    const bool shared = m_request.jobCount > 1;
    const bool walk = !folders.isEmpty() && shared;
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
    for (const CFolderGroup& group : std::as_const(m_groups))
    {
        if (!MakeRemoteFolder(group.remote))
            return false;
    }
    return true;
}

// Every folder of a local tree before the folders inside it, with its files.
void CTransferPlanner::CollectLocal(const QString& top, const QFileInfo& local, const QString& remoteFolder,
                                    int depth)
{
    const QFileInfoList children = depth > kMaxFolderDepth ? QFileInfoList() : ChildrenOf(local);
    m_groups.append({top, remoteFolder, {}});
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
    return Fail(QCoreApplication::translate("TransferPlanner", "無法建立資料夾 %1：%2")
                    .arg(VisibleText(path), VisibleText(made.message)));
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

// ---- mirrors

// Both trees are read, compared and, unless it is a dry run, the target is made ready: what goes is
// deleted, the folders are made. The copies are left to the jobs.
bool CTransferPlanner::SurveyMirror()
{
    if (!Connect())
        return false;
    const QString& remote = m_request.base.remoteFolder;
    const QString& local = m_request.base.localFolder;
    QList<CTreeEntry> remoteTree, localTree;
    const bool remoteThere = m_connection.CheckFolder(remote).Ok();
    if (!m_request.upload && !remoteThere)
        return Fail(
            QCoreApplication::translate("TransferPlanner", "無法開啟遠端資料夾 %1").arg(VisibleText(remote)));
    if (remoteThere && !CollectRemoteTree(remote, {}, 0, remoteTree))
        return false;
    if (m_request.upload && !QFileInfo(local).isDir())
        return Fail(QCoreApplication::translate("TransferPlanner", "無法開啟本機資料夾 %1").arg(local));
    CollectLocalTree(local, {}, 0, localTree);
    m_difference = m_request.upload ? CompareTrees(localTree, remoteTree, *m_request.mirror)
                                    : CompareTrees(remoteTree, localTree, *m_request.mirror);
    if (m_request.dryRun)
        return true;
    for (const CTreeEntry& entry : std::as_const(m_difference.deletions))
        Delete(entry);
    return MakeMirrorFolders();
}

// A folder's entries by their path below the top, each folder before what it holds.
bool CTransferPlanner::CollectRemoteTree(const QString& remoteFolder, const QString& relative, int depth,
                                         QList<CTreeEntry>& tree)
{
    if (depth > kMaxFolderDepth)
        return true;
    const FtpValue<std::vector<ListItem>> listing = SafeListing(remoteFolder);
    if (!listing.result.Ok())
        return Fail(QCoreApplication::translate("TransferPlanner", "無法列出 %1：%2")
                        .arg(VisibleText(remoteFolder), VisibleText(listing.result.message)));
    const CFilterLists filter = LoadFilterLists(m_request.filter || FilterTransfersEnabled());
    for (const ListItem& item : listing.value)
    {
        const bool folder = item.kind == ListItem::Kind::Folder;
        const QString name = CRemoteName::ToText(item.name);
        if (!PassesFilter(filter, name, folder))
            continue;
        const QString path = relative.isEmpty() ? name : relative + u'/' + name;
        tree.append({path, folder, item.size, item.modified, item.timePrecision});
        if (folder && !CollectRemoteTree(JoinRemotePath(remoteFolder, name), path, depth + 1, tree))
            return false;
    }
    return true;
}

// Links to folders are not followed: a mirror copies what lies inside its folder.
void CTransferPlanner::CollectLocalTree(const QString& localFolder, const QString& relative, int depth,
                                        QList<CTreeEntry>& tree)
{
    if (depth > kMaxFolderDepth)
        return;
    const CFilterLists filter = LoadFilterLists(m_request.filter || FilterTransfersEnabled());
    for (const QFileInfo& child : ChildrenOf(QFileInfo(localFolder)))
    {
        const bool folder = child.isDir() && !child.isSymLink();
        if (!PassesFilter(filter, child.fileName(), folder))
            continue;
        if (child.isSymLink() && child.isDir())
        {
            m_notes.append(
                QCoreApplication::translate("TransferPlanner", "略過資料夾連結 %1").arg(child.filePath()));
            continue;
        }
        const QString path = relative.isEmpty() ? child.fileName() : relative + u'/' + child.fileName();
        tree.append({path, folder, folder ? 0 : child.size(), child.lastModified().toUTC(), 1});
        if (folder)
            CollectLocalTree(child.filePath(), path, depth + 1, tree);
    }
}

void CTransferPlanner::Delete(const CTreeEntry& entry)
{
    QString problem;
    if (m_request.upload)
    {
        const QString path = JoinRemotePath(m_request.base.remoteFolder, entry.path);
        const FtpResult done = entry.folder ? m_connection.RemoveFolder(path) : m_connection.Delete(path);
        problem = done.Ok() ? QString() : VisibleText(done.message);
    }
    else
    {
        const QString path = m_request.base.localFolder + u'/' + entry.path;
        const bool done = entry.folder ? QDir().rmdir(path) : QFile::remove(path);
        problem = done ? QString() : QCoreApplication::translate("TransferPlanner", "無法刪除");
    }
    if (problem.isEmpty())
        ++m_deleted;
    else
        m_failures.append(VisibleText(entry.path) + QCoreApplication::translate("TransferPlanner", "：") +
                          problem);
}

// The target's top with its parents, then the source's folders it lacks, parents first.
bool CTransferPlanner::MakeMirrorFolders()
{
    const QString& remote = m_request.base.remoteFolder;
    const QString& local = m_request.base.localFolder;
    if (!(m_request.upload ? MakeRemoteFolder(remote) : MakeLocalFolder(local)))
        return false;
    for (const CTreeEntry& folder : std::as_const(m_difference.folders))
    {
        if (!(m_request.upload ? MakeRemoteFolder(JoinRemotePath(remote, folder.path))
                               : MakeLocalFolder(local + u'/' + CRemoteName::LocalName(folder.path))))
            return false;
    }
    return true;
}

// The files that differ: a download's named below the remote top, an upload's with both paths.
QList<CTransferEntry> CTransferPlanner::MirrorFiles() const
{
    QList<CTransferEntry> files;
    for (const CTreeEntry& file : m_difference.copies)
    {
        const QDateTime modified = file.modified.toLocalTime();
        if (!m_request.upload)
            files.append({file.path, 0u, file.size, modified});
        else
            files.append({m_request.base.localFolder + u'/' + file.path + u'|' +
                              JoinRemotePath(m_request.base.remoteFolder, file.path),
                          0u, file.size, modified});
    }
    return files;
}

// ---- the jobs

CTransferPlan CTransferPlanner::Finish(IOverwritePrompts& prompts)
{
    if (!m_surveyed)
        Survey();
    if (!m_problem.isEmpty())
        return Result({});
    if (m_request.mirror)
        return Result(m_request.dryRun ? QList<CTransferJob>() : Jobs({}, MirrorFiles()));
    if (!m_request.upload)
        return Result(Jobs(m_whole, m_files));
    // The jobs keep the order of the selection, each folder's tree in its place.
    QHash<QString, QList<CTransferEntry>> decided;
    const QList<CTransferEntry> kept = Decide(m_request.base.remoteFolder, m_files, m_rows, prompts);
    // Files the overwrite handling left where they are.
    m_difference.skipped += int(qMax<qsizetype>(0, m_files.size() - kept.size()));
    for (const CTransferEntry& file : kept)
        decided[file.name.section(u'|', 0, 0)].append(file);
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
                AddGroup(group, files);
        }
    }
    return Result(m_request.jobCount <= 1 ? Jobs(files, {}) : Jobs({}, files));
}

CTransferPlan CTransferPlanner::Result(const QList<CTransferJob>& jobs) const
{
    return {jobs, m_problem, m_notes, m_difference, m_deleted, m_failures};
}

void CTransferPlanner::AddGroup(const CFolderGroup& group, QList<CTransferEntry>& files) const
{
    // The folders of a shared-out tree are made already; only the files go to the jobs.
    for (const CTransferEntry& file : group.files)
        files.append(WithRemotePath(file, group.remote));
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
