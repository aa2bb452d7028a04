#include "transfer/TransferQueue.h"

#include "app/Profile.h"
#include "engine/VisibleText.h"
#include "sites/SiteList.h"
#include "transfer/AfterQueueAction.h"
#include "transfer/FilterLists.h"
#include "transfer/TransferRequester.h"
#include "transfer/TransferWorkerFactory.h"

#include <QStringList>

#include <algorithm>

const QString CTransferQueue::kScheduled = QStringLiteral("排程");
const QString CTransferQueue::kPending = QStringLiteral("待處理");
const QString CTransferQueue::kFailed = QStringLiteral("失敗");

namespace
{

const QString kSettings = QStringLiteral("Settings");
// A download whose local folder holds this marker copies to the site whose path follows it.
const QString kSiteMarker = QStringLiteral("ftp:\\");
constexpr int kTickMs = 1000;
constexpr int kSuccessLevel = 1;
constexpr int kFailureLevel = 3;

int Setting(const char* key)
{
    return GetProfileInt(kSettings, QString::fromLatin1(key));
}

QString WithOneTrailing(QString path, QChar separator)
{
    while (path.endsWith(separator))
        path.chop(1);
    return path + separator;
}

// An upload entry's local path: the text before any "|", without trailing separators.
QString UploadLocalPath(const CTransferEntry& entry)
{
    QString path = entry.name.section(u'|', 0, 0);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

ITransferRequester* RequesterOf(const CTransferWorker& worker)
{
    return dynamic_cast<ITransferRequester*>(worker.Job().requestingWindow.data());
}

} // namespace

CTransferQueue::CTransferQueue(ITransferWorkerFactory& factory, CSiteList* siteList,
                               IAfterQueueAction* afterQueue, QObject* parent)
    : QAbstractTableModel(parent), m_factory(factory), m_siteList(siteList), m_afterQueue(afterQueue)
{
    ReadSettings();
    connect(&m_timer, &QTimer::timeout, this, &CTransferQueue::ProcessQueue);
    m_timer.start(kTickMs);
}

CTransferQueue::~CTransferQueue()
{
    m_timer.stop();
    // Every worker is told first, so they end side by side rather than one after another.
    for (const auto& worker : m_downloads)
        worker->Cancel();
    for (const auto& worker : m_uploads)
        worker->Cancel();
    m_downloads.clear();
    m_uploads.clear();
}

int CTransferQueue::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CTransferQueue::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CTransferQueue::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= ColumnCount)
        return {};
    const Row& row = m_rows[index.row()];
    switch (role)
    {
    case Qt::DisplayRole:
        return row.texts[index.column()];
    case ThreadIdRole:
        return row.worker->ThreadId();
    case FolderRole:
        return row.folder;
    case TransferredBytesRole:
        return row.worker->TransferredBytes();
    default:
        return {};
    }
}

QVariant CTransferQueue::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList titles = QStringLiteral("檔名\n站台\n來源\n目的\n狀態\n進度").split(u'\n');
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return titles[section];
}

bool CTransferQueue::AddDownload(const CTransferJob& job)
{
    if (job.files.isEmpty())
        return false;
    const CTransferEntry& first = job.files.first();
    const QChar separator = job.localFolder.contains(kSiteMarker) ? u'\\' : u'/';
    Row row;
    row.folder = (first.attributes & kAttributeFolder) != 0;
    row.texts[NameColumn] = VisibleText(first.name);
    row.texts[SiteColumn] = job.host;
    row.texts[SourceColumn] = job.remoteFolder;
    row.texts[DestinationColumn] = WithOneTrailing(job.localFolder, separator);
    return Add(CTransferWorker::Kind::Download, job, DownloadSettings(job), row);
}

bool CTransferQueue::AddUpload(const CTransferJob& job)
{
    if (job.files.isEmpty())
        return false;
    const CTransferEntry& first = job.files.first();
    const QString localPath = UploadLocalPath(first);
    const qsizetype slash = localPath.lastIndexOf(u'/');
    Row row;
    row.folder = (first.attributes & kAttributeFolder) != 0;
    row.texts[NameColumn] = localPath.mid(slash + 1);
    row.texts[SiteColumn] = job.host;
    row.texts[SourceColumn] = WithOneTrailing(localPath.left(qMax<qsizetype>(slash, 0)), u'/');
    row.texts[DestinationColumn] = job.remoteFolder;
    return Add(CTransferWorker::Kind::Upload, job, UploadSettings(), row);
}

bool CTransferQueue::Add(CTransferWorker::Kind kind, const CTransferJob& job, const CWorkerSettings& settings,
                         Row row)
{
    std::unique_ptr<CTransferWorker> worker = m_factory.Make(kind, job, settings);
    if (!worker || !worker->Launch())
        return false;
    connect(worker.get(), &CTransferWorker::Status, this, &CTransferQueue::OnStatus, Qt::QueuedConnection);
    connect(worker.get(), &CTransferWorker::Done, this, &CTransferQueue::OnDone, Qt::QueuedConnection);
    connect(worker.get(), &CTransferWorker::Relay, this, &CTransferQueue::OnRelay, Qt::QueuedConnection);
    row.worker = worker.get();
    row.texts[StatusColumn] = InitialState(job);

    beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
    m_rows.append(row);
    endInsertRows();
    (kind == CTransferWorker::Kind::Download ? m_downloads : m_uploads).push_back(std::move(worker));
    ProcessQueue();
    return true;
}

int CTransferQueue::PendingCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(),
                             [](const Row& row)
                             { return row.texts[StatusColumn] == kPending && !row.worker->IsStarted(); }));
}

CWorkerSettings CTransferQueue::DownloadSettings(const CTransferJob& job) const
{
    CWorkerSettings settings;
    settings.connectionTimeoutMs = m_connectionTimeoutMs;
    settings.overwritePrompt = true;
    settings.preserveTime = m_preserveRemoteTime;
    settings.overrides = m_overrides;
    settings.filter = job.filterRequested || FilterTransfersEnabled();
    const qsizetype marker = job.localFolder.indexOf(kSiteMarker);
    CFtpSite destination;
    if (marker >= 0 && m_siteList &&
        m_siteList->LoadSiteByPath(job.localFolder.mid(marker + kSiteMarker.size()), destination))
        settings.destinationSite = destination;
    return settings;
}

CWorkerSettings CTransferQueue::UploadSettings() const
{
    CWorkerSettings settings;
    settings.connectionTimeoutMs = m_connectionTimeoutMs;
    settings.overwritePrompt = false;
    settings.preserveTime = m_preserveLocalTime;
    settings.overrides = m_overrides;
    return settings;
}

QString CTransferQueue::InitialState(const CTransferJob& job)
{
    if (job.schedule && job.schedule->enabled)
        return kScheduled;
    return job.failed ? kFailed : kPending;
}

void CTransferQueue::ReadSettings()
{
    m_connectionTimeoutMs = Setting("ConnectionTimeout") * 1000;
    m_limit = qMax(Setting("TransferMax"), 0);
    m_removeFailed = Setting("RemoveFailed") != 0;
    m_preserveRemoteTime = Setting("PreserveRemoteTimeStamp") != 0;
    m_preserveLocalTime = Setting("PreserveLocalTimeStamp") != 0;
}

void CTransferQueue::ReloadSettings()
{
    ReadSettings();
    ProcessQueue();
}

void CTransferQueue::SetTransferLimit(int limit)
{
    m_limit = qMax(limit, 0);
    ProcessQueue();
}

void CTransferQueue::ProcessQueue()
{
    for (int row = 0; row < m_rows.size() && !LimitReached(); ++row)
    {
        const QString& state = m_rows[row].texts[StatusColumn];
        CTransferWorker& worker = *m_rows[row].worker;
        if (state == kPending)
            Start(worker);
        else if (state == kScheduled && IsDue(worker))
            SetText(row, StatusColumn, kPending);
    }
}

void CTransferQueue::Cancel(const QList<int>& rows)
{
    for (CTransferWorker* worker : WorkersAt(rows))
    {
        worker->SetSchedule(CScheduleInfo());
        worker->Cancel();
    }
}

void CTransferQueue::Resume(const QList<int>& rows)
{
    for (int row : rows)
    {
        CTransferWorker* worker = WorkerAt(row);
        const QString state = worker ? m_rows[row].texts[StatusColumn] : QString();
        if (state == kPending || state == kFailed)
            Start(*worker);
    }
}

CScheduleInfo CTransferQueue::Schedule(int row) const
{
    const CTransferWorker* worker = WorkerAt(row);
    return worker ? worker->Schedule() : CScheduleInfo();
}

void CTransferQueue::SetSchedule(const QList<int>& rows, const CScheduleInfo& schedule)
{
    for (int row : rows)
    {
        CTransferWorker* worker = WorkerAt(row);
        if (!worker)
            continue;
        worker->SetSchedule(schedule);
        // A running worker keeps showing its own status; the schedule counts when it completes.
        if (!worker->IsStarted())
            SetText(row, StatusColumn, schedule.enabled ? kScheduled : kPending);
    }
}

QString CTransferQueue::Details(int row) const
{
    const CTransferWorker* worker = WorkerAt(row);
    return worker ? worker->Details() : QString();
}

void CTransferQueue::OnStatus(CTransferWorker* worker, const QString& name, const QString& status,
                              const QString& percent)
{
    const int row = RowOf(worker);
    if (row < 0)
        return;
    if (!status.isEmpty())
        SetText(row, StatusColumn, status);
    if (!percent.isEmpty())
        SetText(row, ProgressColumn, percent);
    if (name.isEmpty())
        return;
    m_rows[row].folder = false;
    const QString shown = VisibleText(name);
    SetText(row, NameColumn, shown);
    if (ITransferRequester* requester = RequesterOf(*worker))
        requester->OnTransferLog(
            QStringLiteral("[%1] %2: \"%3\"").arg(worker->ThreadId()).arg(status, shown));
}

void CTransferQueue::OnDone(CTransferWorker* worker, bool success)
{
    const int row = RowOf(worker);
    if (row < 0)
        return;
    if (ITransferRequester* requester = RequesterOf(*worker))
    {
        const QString line = QStringLiteral("[%1] %2")
                                 .arg(worker->ThreadId())
                                 .arg(VisibleText(worker->FinalMessage(), LineBreaks::Kept));
        requester->OnTransferDone(success ? kSuccessLevel : kFailureLevel, line);
    }
    // The requester may have changed the rows meanwhile.
    RemoveRow(RowOf(worker));
    std::unique_ptr<CTransferWorker> finished = TakeWorker(worker);
    if (finished->IsStarted())
        --m_running;
    Requeue(*finished, success);
    finished.reset();
    ProcessQueue();
    CheckQueueEmpty();
}

void CTransferQueue::OnRelay(CTransferWorker* worker, const CTransferEntry& entry)
{
    if (RowOf(worker) < 0)
        return;
    if (ITransferRequester* requester = RequesterOf(*worker))
        requester->OnTransferRelay(entry);
}

void CTransferQueue::Requeue(const CTransferWorker& worker, bool success)
{
    CTransferJob job = worker.Job();
    job.details = worker.Details();
    CScheduleInfo schedule = worker.Schedule();
    if (success || m_removeFailed)
    {
        if (!schedule.repeat)
            return;
        schedule.AdvanceOnce();
        schedule.enabled = true;
    }
    else
    {
        job.files = worker.ResumeFiles();
        job.failed = true;
    }
    job.schedule = schedule;
    if (worker.GetKind() == CTransferWorker::Kind::Download)
        AddDownload(job);
    else
        AddUpload(job);
}

void CTransferQueue::CheckQueueEmpty()
{
    if (m_rows.isEmpty() && m_afterQueue)
        m_afterQueue->OnQueueEmpty(Setting("Events"));
}

bool CTransferQueue::LimitReached() const
{
    return m_limit > 0 && m_running >= m_limit;
}

void CTransferQueue::Start(CTransferWorker& worker)
{
    // A cancelled worker is already on its way to completion: starting it would only take a slot.
    if (worker.IsStarted() || worker.IsCancelled())
        return;
    ++m_running;
    worker.Resume();
}

bool CTransferQueue::IsDue(const CTransferWorker& worker) const
{
    return QDateTime::currentDateTime() >= worker.Schedule().start;
}

int CTransferQueue::RowOf(const CTransferWorker* worker) const
{
    for (int row = 0; row < m_rows.size(); ++row)
    {
        if (m_rows[row].worker == worker)
            return row;
    }
    return -1;
}

CTransferWorker* CTransferQueue::WorkerAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].worker : nullptr;
}

QList<CTransferWorker*> CTransferQueue::WorkersAt(const QList<int>& rows) const
{
    QList<CTransferWorker*> workers;
    for (int row : rows)
    {
        if (CTransferWorker* worker = WorkerAt(row))
            workers.append(worker);
    }
    return workers;
}

void CTransferQueue::SetText(int row, int column, const QString& text)
{
    QString& current = m_rows[row].texts[column];
    if (current == text)
        return;
    current = text;
    const QModelIndex changed = index(row, column);
    Q_EMIT dataChanged(changed, changed);
}

void CTransferQueue::RemoveRow(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

std::unique_ptr<CTransferWorker> CTransferQueue::TakeWorker(const CTransferWorker* worker)
{
    for (auto* list : {&m_downloads, &m_uploads})
    {
        for (auto it = list->begin(); it != list->end(); ++it)
        {
            if (it->get() != worker)
                continue;
            std::unique_ptr<CTransferWorker> taken = std::move(*it);
            list->erase(it);
            return taken;
        }
    }
    return nullptr;
}
