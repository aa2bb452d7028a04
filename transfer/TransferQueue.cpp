#include "transfer/TransferQueue.h"

#include "app/Profile.h"
#include "engine/VisibleText.h"
#include "sites/SiteList.h"
#include "transfer/AfterQueueAction.h"
#include "transfer/FilterLists.h"
#include "transfer/TransferRequester.h"
#include "transfer/TransferWorkerFactory.h"

#include <QCoreApplication>
#include <QStringList>

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

QString WaitingText(JobState state)
{
    switch (state)
    {
    case JobState::Scheduled:
        return QCoreApplication::translate("TransferQueue", "排程");
    case JobState::Failed:
        return QCoreApplication::translate("TransferQueue", "失敗");
    default:
        return QCoreApplication::translate("TransferQueue", "待處理");
    }
}

ITransferRequester* RequesterOf(const CTransferJob& job)
{
    return dynamic_cast<ITransferRequester*>(job.requestingWindow.data());
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
    if (m_saveDue)
        SaveNow();
    // Every worker is told first, so they end side by side rather than one after another; the jobs stay
    // in the queue file as running, to come back failed.
    for (const auto& [number, running] : m_workers)
        running.worker->Cancel();
    m_workers.clear();
}

int CTransferQueue::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_state.Jobs().size());
}

int CTransferQueue::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CTransferQueue::Text(int row, int column) const
{
    const CQueueItem& queued = m_state.Jobs()[row];
    const CTransferJob& job = queued.job;
    const CTransferEntry& first = job.files.first();
    const CRunning* running = RunningOf(queued.number);
    const bool upload = queued.kind == JobKind::Upload;
    switch (column)
    {
    case NameColumn:
        if (running && !running->name.isEmpty())
            return running->name;
        return upload ? UploadLocalPath(first).section(u'/', -1) : VisibleText(first.name);
    case SiteColumn:
        return job.host;
    case SourceColumn:
        if (!upload)
            return job.remoteFolder;
        return WithOneTrailing(UploadLocalPath(first).section(u'/', 0, -2), u'/');
    case DestinationColumn:
        if (upload)
            return job.remoteFolder;
        return WithOneTrailing(job.localFolder, job.localFolder.contains(kSiteMarker) ? u'\\' : u'/');
    case StatusColumn:
        // A started job reads pending until its worker's first status.
        if (running && !running->status.isEmpty())
            return running->status;
        return WaitingText(queued.state);
    case ProgressColumn:
        return running ? running->percent : QString();
    default:
        return {};
    }
}

QVariant CTransferQueue::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const CQueueItem& queued = m_state.Jobs()[index.row()];
    const CRunning* running = RunningOf(queued.number);
    switch (role)
    {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case JobNumberRole:
        return queued.number;
    case FolderRole:
        return (!running || running->name.isEmpty()) &&
               (queued.job.files.first().attributes & kAttributeFolder) != 0;
    case TransferredBytesRole:
        return running ? running->worker->TransferredBytes() : 0;
    case StateRole:
        return int(queued.state);
    default:
        return {};
    }
}

QVariant CTransferQueue::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList titles =
        QCoreApplication::translate("TransferQueue", "檔名\n站台\n來源\n目的\n狀態\n進度").split(u'\n');
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return titles[section];
}

bool CTransferQueue::AddDownload(const CTransferJob& job)
{
    return Add(JobKind::Download, job);
}

bool CTransferQueue::AddUpload(const CTransferJob& job)
{
    return Add(JobKind::Upload, job);
}

bool CTransferQueue::Add(JobKind kind, const CTransferJob& job)
{
    if (job.files.isEmpty())
        return false;
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_state.Add(kind, job);
    endInsertRows();
    StateChanged();
    ProcessQueue();
    return true;
}

CStoredFileLoad CTransferQueue::UseStore(const QString& path)
{
    m_store.emplace(path);
    QList<CQueueItem> jobs;
    const CStoredFileLoad load = m_store->Load(&jobs);
    if (!jobs.isEmpty())
    {
        beginResetModel();
        m_state.Restore(jobs);
        endResetModel();
    }
    StateChanged();
    ProcessQueue();
    return load;
}

CWorkerSettings CTransferQueue::Settings(JobKind kind, const CTransferJob& job) const
{
    CWorkerSettings settings;
    settings.connectionTimeoutMs = m_connectionTimeoutMs;
    settings.overrides = m_overrides;
    if (kind == JobKind::Upload)
    {
        settings.overwritePrompt = false;
        settings.preserveTime = m_overrides.preserveTime.value_or(m_preserveLocalTime);
        return settings;
    }
    settings.overwritePrompt = true;
    settings.preserveTime = m_overrides.preserveTime.value_or(m_preserveRemoteTime);
    settings.filter = job.filterRequested || FilterTransfersEnabled();
    const qsizetype marker = job.localFolder.indexOf(kSiteMarker);
    CFtpSite destination;
    if (marker >= 0 && m_siteList &&
        m_siteList->LoadSiteByPath(job.localFolder.mid(marker + kSiteMarker.size()), destination))
        settings.destinationSite = destination;
    return settings;
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
    QList<JobState> before;
    for (const CQueueItem& job : m_state.Jobs())
        before.append(job.state);
    const QList<int> started = m_state.TakeStartable(QDateTime::currentDateTime(), m_limit);
    bool changed = false;
    for (int row = 0; row < before.size(); ++row)
    {
        if (m_state.Jobs()[row].state == before[row])
            continue;
        changed = true;
        RowChanged(m_state.Jobs()[row].number, StatusColumn, StatusColumn);
    }
    if (changed)
        StateChanged();
    for (int number : started)
        StartWorker(number);
}

void CTransferQueue::StartWorker(int number)
{
    const CQueueItem* queued = m_state.Find(number);
    if (!queued)
        return;
    const JobKind kind = queued->kind;
    CTransferJob job = queued->job;
    job.schedule = queued->schedule;
    std::unique_ptr<CTransferWorker> worker = m_factory.Make(kind, job, Settings(kind, job));
    if (!worker || !worker->Launch())
    {
        // Without a thread the job cannot run: it fails like any other, with its files still to do.
        const QString message = QCoreApplication::translate("TransferQueue", "無法建立傳送執行緒");
        Report(number, job, false, message);
        EndJob(number, false, job.files, job.details + message + "\r\n");
        return;
    }
    CTransferWorker* started = worker.get();
    connect(started, &CTransferWorker::Status, this, &CTransferQueue::OnStatus, Qt::QueuedConnection);
    connect(started, &CTransferWorker::Done, this, &CTransferQueue::OnDone, Qt::QueuedConnection);
    connect(started, &CTransferWorker::Relay, this, &CTransferQueue::OnRelay, Qt::QueuedConnection);
    m_workers.emplace(number, CRunning{std::move(worker), {}, {}, {}});
    started->Resume();
}

void CTransferQueue::Cancel(const QList<int>& rows)
{
    QList<int> numbers;
    for (int row : rows)
        if (const int number = NumberAt(row))
            numbers.append(number);
    for (int number : numbers)
    {
        const CQueueItem queued = *m_state.Find(number);
        if (m_workers.contains(number))
        {
            m_state.Cancel(number);
            m_workers[number].worker->Cancel();
            continue;
        }
        // A job that never ran ends here, with the message its worker would have given.
        const int row = m_state.IndexOf(number);
        beginRemoveRows({}, row, row);
        m_state.Cancel(number);
        endRemoveRows();
        Report(number, queued.job, true, JobCancelledMessage(queued.kind));
    }
    StateChanged();
    CheckQueueEmpty();
}

void CTransferQueue::Resume(const QList<int>& rows)
{
    QList<int> numbers;
    for (int row : rows)
        if (const int number = NumberAt(row))
            numbers.append(number);
    for (int number : numbers)
    {
        if (!m_state.Resume(number))
            continue;
        RowChanged(number, StatusColumn, StatusColumn);
        StateChanged();
        StartWorker(number);
    }
}

CScheduleInfo CTransferQueue::Schedule(int row) const
{
    const int number = NumberAt(row);
    return number ? m_state.Find(number)->schedule : CScheduleInfo();
}

void CTransferQueue::SetSchedule(const QList<int>& rows, const CScheduleInfo& schedule)
{
    for (int row : rows)
    {
        const int number = NumberAt(row);
        if (!number)
            continue;
        m_state.SetSchedule(number, schedule);
        if (m_workers.contains(number))
            m_workers[number].worker->SetSchedule(schedule);
        RowChanged(number, StatusColumn, StatusColumn);
    }
    StateChanged();
}

QString CTransferQueue::Details(int row) const
{
    const int number = NumberAt(row);
    if (!number)
        return {};
    const CRunning* running = RunningOf(number);
    return running ? running->worker->Details() : m_state.Find(number)->job.details;
}

void CTransferQueue::OnStatus(CTransferWorker* worker, const QString& name, const QString& status,
                              const QString& percent)
{
    const int number = NumberOf(worker);
    if (!number)
        return;
    CRunning& running = m_workers[number];
    if (!status.isEmpty())
        running.status = status;
    if (!percent.isEmpty())
        running.percent = percent;
    if (!name.isEmpty())
        running.name = VisibleText(name);
    RowChanged(number, NameColumn, ProgressColumn);
    if (name.isEmpty())
        return;
    if (ITransferRequester* requester = RequesterOf(worker->Job()))
        requester->OnTransferLog(QStringLiteral("[%1] %2: \"%3\"").arg(number).arg(status, running.name));
}

void CTransferQueue::Report(int number, const CTransferJob& job, bool success, const QString& message)
{
    if (ITransferRequester* requester = RequesterOf(job))
        requester->OnTransferDone(
            success ? kSuccessLevel : kFailureLevel,
            QStringLiteral("[%1] %2").arg(number).arg(VisibleText(message, LineBreaks::Kept)));
}

void CTransferQueue::OnDone(CTransferWorker* worker, bool success)
{
    const int number = NumberOf(worker);
    if (!number)
        return;
    if (ITransferRequester* requester = RequesterOf(worker->Job()))
        requester->OnTransferTally(worker->Tally());
    Report(number, worker->Job(), success, worker->FinalMessage());
    // The requester may have changed the queue meanwhile.
    const std::unique_ptr<CTransferWorker> finished = std::move(m_workers[number].worker);
    m_workers.erase(number);
    EndJob(number, success, finished->ResumeFiles(), finished->Details());
    ProcessQueue();
    CheckQueueEmpty();
}

void CTransferQueue::EndJob(int number, bool success, const QList<CTransferEntry>& filesLeft,
                            const QString& details)
{
    const JobKind kind = m_state.Find(number)->kind;
    const int row = m_state.IndexOf(number);
    beginRemoveRows({}, row, row);
    const CTransferQueueState::CEnd end =
        m_state.Finished(number, success, m_removeFailed, filesLeft, details);
    endRemoveRows();
    StateChanged();
    if (end.again)
        Add(kind, *end.again);
}

void CTransferQueue::OnRelay(CTransferWorker* worker, const CTransferEntry& entry)
{
    if (!NumberOf(worker))
        return;
    if (ITransferRequester* requester = RequesterOf(worker->Job()))
        requester->OnTransferRelay(entry);
}

void CTransferQueue::CheckQueueEmpty()
{
    if (m_state.Jobs().isEmpty() && m_afterQueue)
        m_afterQueue->OnQueueEmpty(Setting("Events"));
}

int CTransferQueue::NumberOf(const CTransferWorker* worker) const
{
    for (const auto& [number, running] : m_workers)
        if (running.worker.get() == worker)
            return number;
    return 0;
}

const CTransferQueue::CRunning* CTransferQueue::RunningOf(int number) const
{
    const auto found = m_workers.find(number);
    return found == m_workers.end() ? nullptr : &found->second;
}

int CTransferQueue::NumberAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_state.Jobs()[row].number : 0;
}

void CTransferQueue::RowChanged(int number, int firstColumn, int lastColumn)
{
    const int row = m_state.IndexOf(number);
    if (row >= 0)
        Q_EMIT dataChanged(index(row, firstColumn), index(row, lastColumn));
}

void CTransferQueue::StateChanged()
{
    // Written once the current event is handled, so a batch of changes makes one write.
    if (!m_store || m_saveDue)
        return;
    m_saveDue = true;
    QMetaObject::invokeMethod(this, &CTransferQueue::SaveNow, Qt::QueuedConnection);
}

void CTransferQueue::SaveNow()
{
    if (!m_saveDue)
        return;
    m_saveDue = false;
    QString problem;
    const bool saved = m_store->Save(m_state.Jobs(), &problem);
    if (!saved && !m_storeFailing)
        Q_EMIT StoreFailed(problem);
    m_storeFailing = !saved;
}
