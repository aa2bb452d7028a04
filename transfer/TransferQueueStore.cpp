#include "transfer/TransferQueueStore.h"

#include "app/DamagedFile.h"
#include "sites/PasswordProtection.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <optional>

namespace
{

constexpr int kFormat = 1;
// A queue of many thousand jobs stays far below this; anything larger is not a queue file of ours.
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;
const QStringList kStates{"pending", "scheduled", "running", "failed", "done", "cancelled"};
const QStringList kKinds{"download", "upload"};

QJsonObject ScheduleObject(const CScheduleInfo& schedule)
{
    return {{"enabled", schedule.enabled},
            {"start", schedule.start.toSecsSinceEpoch()},
            {"repeat", schedule.repeat},
            {"interval", schedule.interval},
            {"unit", schedule.unit}};
}

QJsonObject JobObject(const CQueueItem& queued)
{
    const CTransferJob& job = queued.job;
    QJsonArray files;
    for (const CTransferEntry& file : job.files)
        files.append(QJsonObject{{"name", file.name},
                                 {"attributes", qint64(file.attributes)},
                                 {"size", file.size},
                                 {"modified", file.modified.isValid() ? file.modified.toMSecsSinceEpoch() : -1}});
    return {{"number", queued.number},
            {"kind", kKinds[int(queued.kind)]},
            {"state", kStates[int(queued.state)]},
            {"runs", queued.runs},
            {"schedule", ScheduleObject(queued.schedule)},
            {"files", files},
            {"localFolder", job.localFolder},
            {"host", job.host},
            {"login", job.login},
            {"password", QString::fromUtf8(ProtectPassword(job.password.toUtf8()))},
            {"remoteFolder", job.remoteFolder},
            {"transferType", job.transferType},
            {"attempts", job.attempts},
            {"retryDelay", job.retryDelay},
            {"port", job.port},
            {"passive", job.passive},
            {"protocolType", job.protocolType},
            {"clearDataChannel", job.clearDataChannel},
            {"clearCommandChannel", job.clearCommandChannel},
            {"failed", job.failed},
            {"details", job.details},
            {"filterRequested", job.filterRequested}};
}

// Reads one value of the expected type; a missing or mistyped value fails the whole file.
class CReader
{
public:
    explicit CReader(const QJsonObject& object) : m_object(object) {}
    bool ok = true;

    QString Text(const char* key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        ok = ok && value.isString();
        return value.toString();
    }
    qint64 Number(const char* key, qint64 minimum, qint64 maximum)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        const double number = value.toDouble(-1.0);
        ok = ok && value.isDouble() && number >= double(minimum) && number <= double(maximum) &&
             number == double(qint64(number));
        return ok ? qint64(number) : 0;
    }
    bool Flag(const char* key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        ok = ok && value.isBool();
        return value.toBool();
    }
    int Choice(const char* key, const QStringList& choices)
    {
        const int index = int(choices.indexOf(Text(key)));
        ok = ok && index >= 0;
        return std::max(index, 0);
    }
    QJsonObject Object(const char* key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        ok = ok && value.isObject();
        return value.toObject();
    }
    QJsonArray Array(const char* key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        ok = ok && value.isArray();
        return value.toArray();
    }

private:
    QJsonObject m_object;
};

constexpr qint64 kIntMax = std::numeric_limits<int>::max();

std::optional<CScheduleInfo> ReadSchedule(const QJsonObject& object)
{
    CReader in(object);
    CScheduleInfo schedule;
    schedule.enabled = in.Flag("enabled");
    schedule.start = QDateTime::fromSecsSinceEpoch(in.Number("start", 0, 253402300799));
    schedule.repeat = in.Flag("repeat");
    schedule.interval = int(in.Number("interval", 1, 999));
    schedule.unit = int(in.Number("unit", 0, 5));
    return in.ok ? std::optional(schedule) : std::nullopt;
}

std::optional<CQueueItem> ReadJob(const QJsonObject& object)
{
    CReader in(object);
    CQueueItem queued;
    queued.number = int(in.Number("number", 1, kIntMax));
    queued.kind = JobKind(in.Choice("kind", kKinds));
    queued.state = JobState(in.Choice("state", kStates));
    queued.runs = int(in.Number("runs", 0, kIntMax));
    const std::optional<CScheduleInfo> schedule = ReadSchedule(in.Object("schedule"));
    CTransferJob& job = queued.job;
    for (const QJsonValue& value : in.Array("files"))
    {
        CReader file(value.toObject());
        CTransferEntry entry;
        entry.name = file.Text("name");
        entry.attributes = quint32(file.Number("attributes", 0, 0xFFFFFFFF));
        entry.size = file.Number("size", -1, std::numeric_limits<qint64>::max() / 2);
        const qint64 modified = file.Number("modified", -1, 253402300799999);
        entry.modified = modified < 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(modified, Qt::UTC);
        in.ok = in.ok && value.isObject() && file.ok && !entry.name.isEmpty();
        job.files.append(entry);
    }
    job.localFolder = in.Text("localFolder");
    job.host = in.Text("host");
    job.login = in.Text("login");
    job.password = QString::fromUtf8(UnprotectPassword(in.Text("password").toUtf8()));
    job.remoteFolder = in.Text("remoteFolder");
    job.transferType = int(in.Number("transferType", 0, 3));
    job.attempts = int(in.Number("attempts", 0, kIntMax));
    job.retryDelay = int(in.Number("retryDelay", 0, kIntMax));
    job.port = int(in.Number("port", 0, 65535));
    job.passive = in.Flag("passive");
    job.protocolType = int(in.Number("protocolType", 0, 4));
    job.clearDataChannel = in.Flag("clearDataChannel");
    job.clearCommandChannel = in.Flag("clearCommandChannel");
    job.failed = in.Flag("failed");
    job.details = in.Text("details");
    job.filterRequested = in.Flag("filterRequested");
    if (!in.ok || !schedule || job.files.isEmpty())
        return std::nullopt;
    queued.schedule = *schedule;
    job.schedule = *schedule;
    return queued;
}

} // namespace

bool CTransferQueueStore::Save(const QList<CQueueItem>& jobs, QString* problem) const
{
    QJsonArray list;
    for (const CQueueItem& job : jobs)
        list.append(JobObject(job));
    const QByteArray bytes = QJsonDocument(QJsonObject{{"format", kFormat}, {"jobs", list}}).toJson();
    QSaveFile file(m_path);
    // The jobs carry log-ins and passwords: the owner's alone.
    if (file.open(QIODevice::WriteOnly) && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (problem)
        *problem = QCoreApplication::translate("TransferQueueStore", "無法寫入傳送佇列檔案 \"%1\"：%2")
                       .arg(m_path, file.errorString());
    return false;
}

CStoredFileLoad CTransferQueueStore::Load(QList<CQueueItem>* jobs) const
{
    jobs->clear();
    QFile file(m_path);
    if (!file.exists())
        return CStoredFileLoad::Missing(m_path);
    QJsonParseError error;
    const QJsonDocument document = file.size() <= kMaxFileSize && file.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(file.readAll(), &error)
                                       : QJsonDocument();
    file.close();
    CReader in(document.object());
    const bool known = document.isObject() && in.Number("format", kFormat, kFormat) == kFormat;
    QList<CQueueItem> read;
    for (const QJsonValue& value : in.Array("jobs"))
    {
        const std::optional<CQueueItem> job = ReadJob(value.toObject());
        if (!job || !value.isObject())
            return CDamagedFile::SetAside(m_path);
        read.append(*job);
    }
    if (!known || !in.ok)
        return CDamagedFile::SetAside(m_path);
    *jobs = read;
    return CStoredFileLoad::Loaded(m_path);
}
