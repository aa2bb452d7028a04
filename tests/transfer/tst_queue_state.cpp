#include "RulesTestSupport.h"

#include "support/TestFiles.h"

#include "sites/PasswordProtection.h"
#include "transfer/TransferQueueState.h"
#include "transfer/TransferQueueStore.h"

#include <QDir>
#include <QFileInfo>

using TestFiles::ReadFile;
using namespace Qt::StringLiterals;

namespace
{

using S = JobState;
const QDateTime kNow = QDateTime::fromSecsSinceEpoch(1800000000);

CTransferJob Job(const QString& name, std::optional<CScheduleInfo> schedule = std::nullopt)
{
    CTransferJob job;
    job.files = {CTransferEntry{name, 0, 5, {}}, CTransferEntry{name + "2", 0, 7, {}}};
    job.schedule = schedule;
    return job;
}

CScheduleInfo Hourly(qint64 offsetSeconds, bool repeat = true)
{
    CScheduleInfo schedule;
    schedule.enabled = true;
    schedule.repeat = repeat;
    schedule.start = kNow.addSecs(offsetSeconds);
    return schedule;
}

// "name=state" of every job, in queue order.
QStringList States(const CTransferQueueState& queue)
{
    static const char* const kNames[] = {"pending", "scheduled", "running", "failed", "done", "cancelled"};
    QStringList states;
    for (const CQueueItem& job : queue.Jobs())
        states << job.job.files.first().name + u'=' + QLatin1String(kNames[int(job.state)]);
    return states;
}

} // namespace

// The queue's rules without threads, workers or a window, and the file that keeps them.
class TestQueueState : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void init() { QVERIFY(ResetSettings(m_home)); }

    void limitStartsFromTheTop_data()
    {
        Columns<int, QStringList, QStringList>({"limit", "first", "afterOneEnds"});
        Row("limit 2", 2, QStringList{"a", "b"}, QStringList{"c"});
        Row("no limit", 0, QStringList{"a", "b", "c", "d", "e"}, QStringList{});
    }
    void limitStartsFromTheTop()
    {
        QFETCH(int, limit);
        QFETCH(QStringList, first);
        QFETCH(QStringList, afterOneEnds);
        CTransferQueueState queue;
        for (const char* name : {"a", "b", "c", "d", "e"})
            queue.Add(JobKind::Download, Job(QString::fromLatin1(name)));
        const auto names = [&](const QList<int>& numbers)
        {
            QStringList started;
            for (int number : numbers)
                started << queue.Find(number)->job.files.first().name;
            return started;
        };
        QCOMPARE(names(queue.TakeStartable(kNow, limit)), first);
        QVERIFY(queue.TakeStartable(kNow, limit).isEmpty());
        QCOMPARE(queue.RunningCount(), first.size());
        QCOMPARE(queue.PendingCount(), 5 - first.size());
        QVERIFY(!queue.Finished(queue.Jobs().first().number, true, false, {}, {}).again);
        QCOMPARE(names(queue.TakeStartable(kNow, limit)), afterOneEnds);
        QCOMPARE(queue.Jobs().first().runs, 1);
    }

    // How a running job's end leaves the queue: gone, back failed with the files left, or back scheduled
    // one interval on (even when that lies in the past: due at the next pass, started at the one after).
    void endings_data()
    {
        Columns<bool, bool, bool, QString, qint64>({"success", "removeFailed", "repeat", "after", "start"});
        Row("done", true, false, false, QString(), qint64(0));
        Row("failed", false, false, false, "a2=failed", qint64(-7200));
        Row("failed, removed", false, true, false, QString(), qint64(0));
        Row("recurring, done", true, false, true, "a=scheduled", qint64(-7200 + 3600));
        Row("recurring, failed", false, false, true, "a2=failed", qint64(-7200));
        Row("recurring, failed, removed", false, true, true, "a=scheduled", qint64(-7200 + 3600));
    }
    void endings()
    {
        QFETCH(bool, success);
        QFETCH(bool, removeFailed);
        QFETCH(bool, repeat);
        QFETCH(QString, after);
        QFETCH(qint64, start);
        CTransferQueueState queue;
        const int number = queue.Add(JobKind::Upload, Job("a", Hourly(-7200, repeat)));
        QCOMPARE(States(queue), QStringList{"a=scheduled"});
        QVERIFY(queue.TakeStartable(kNow, 1).isEmpty());
        QCOMPARE(queue.TakeStartable(kNow, 1), QList<int>{number});
        const QList<CTransferEntry> left{CTransferEntry{"a2", 0, 7, {}}};
        const CTransferQueueState::CEnd end = queue.Finished(number, success, removeFailed, left, "trace");
        QCOMPARE(end.state, success ? S::Done : S::Failed);
        QVERIFY(queue.Jobs().isEmpty());
        QCOMPARE(bool(end.again), !after.isEmpty());
        if (!end.again)
            return;
        const int again = queue.Add(JobKind::Upload, *end.again);
        QVERIFY(again > number);
        QCOMPARE(States(queue), QStringList{after});
        const CQueueItem& item = *queue.Find(again);
        QCOMPARE(item.schedule.start, kNow.addSecs(start));
        QCOMPARE(item.job.details, QStringLiteral("trace"));
        QCOMPARE(item.job.files.size(), after == "a2=failed" ? 1 : 2);
        // Only a failed job waits for Resume; passes leave it alone, a due one is started by the second.
        queue.TakeStartable(kNow.addSecs(7200), 0);
        QCOMPARE(queue.TakeStartable(kNow.addSecs(7200), 0).isEmpty(), after == "a2=failed");
        QCOMPARE(queue.Resume(again), after == "a2=failed");
    }

    // Cancel in each state: waiting jobs go at once, a running one stops its worker and never comes back.
    void cancel_data()
    {
        Columns<QString, int, bool>({"state", "effect", "countsAsRunning"});
        Row("pending", "pending", int(CTransferQueueState::CancelEffect::Removed), false);
        Row("scheduled", "scheduled", int(CTransferQueueState::CancelEffect::Removed), false);
        Row("failed", "failed", int(CTransferQueueState::CancelEffect::Removed), false);
        Row("running", "running", int(CTransferQueueState::CancelEffect::StopWorker), true);
    }
    void cancel()
    {
        QFETCH(QString, state);
        QFETCH(int, effect);
        QFETCH(bool, countsAsRunning);
        CTransferQueueState queue;
        CTransferJob job = Job("a", state == "scheduled" ? std::optional(Hourly(3600)) : std::nullopt);
        job.failed = state == "failed";
        const int number = queue.Add(JobKind::Download, job);
        queue.Add(JobKind::Download, Job("b"));
        if (state == "running")
            queue.TakeStartable(kNow, 1);
        QCOMPARE(int(queue.Cancel(number)), effect);
        QCOMPARE(queue.RunningCount(), countsAsRunning ? 1 : 0);
        QVERIFY(queue.TakeStartable(kNow, 1).isEmpty() == countsAsRunning);
        queue.SetSchedule(number, Hourly(-60));
        const CTransferQueueState::CEnd end = queue.Finished(number, false, false, {}, {});
        QCOMPARE(end.state, countsAsRunning ? S::Cancelled : S::Done);
        QVERIFY(!end.again && queue.Find(number) == nullptr);
        QCOMPARE(int(queue.Cancel(number)), int(CTransferQueueState::CancelEffect::None));
    }

    // Stored jobs come back as they were, running ones failed; numbers go on after the highest.
    void restore()
    {
        CTransferQueueState stored;
        for (const char* name : {"run", "wait", "plan", "bad"})
            stored.Add(JobKind::Download, Job(QString::fromLatin1(name)));
        stored.TakeStartable(kNow, 1);
        // The schedule dialog: waiting jobs follow it, on and off again, a running one keeps running.
        for (int number : {1, 2, 3})
            stored.SetSchedule(number, Hourly(60));
        CScheduleInfo off = Hourly(0);
        off.enabled = false;
        stored.SetSchedule(2, off);
        QVERIFY(!stored.Find(2)->schedule.repeat);
        QList<CQueueItem> jobs = stored.Jobs();
        jobs[3].job.failed = true;
        jobs[3].state = S::Failed;
        jobs.append(jobs[1]); // a repeated number
        CTransferQueueState queue;
        queue.Restore(jobs);
        QCOMPARE(States(queue),
                 QStringList({"run=failed", "wait=pending", "plan=scheduled", "bad=failed", "wait=pending"}));
        QCOMPARE(queue.Jobs().last().number, 5);
        QCOMPARE(queue.Add(JobKind::Upload, Job("new")), 6);
        QVERIFY(queue.Resume(1));
    }

    // The file keeps every field, passwords protected when protection is on, for its owner only; a damaged
    // one is set aside and gives no jobs.
    void store_data()
    {
        Columns<bool>({"protect"});
        Row("plain", false);
        Row("protected", true);
    }
    void store()
    {
        QFETCH(bool, protect);
        WriteProfileInt("Security", "EncryptPasswords", protect ? 1 : 0);
        QVERIFY(WriteMasterPassword("master"));
        CTransferQueueState queue;
        CTransferJob job = Job("a/ü b.txt", Hourly(60));
        job.files[0].modified = QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC);
        job.files[1].attributes = kAttributeFolder;
        job.password = "pass|word";
        job.localFolder = "ftp:\\Work\\Site";
        job.port = 2121;
        job.protocolType = 3;
        job.passive = job.clearCommandChannel = job.filterRequested = true;
        job.details = "> USER x\r\n";
        queue.Add(JobKind::Upload, job);
        queue.Add(JobKind::Download, Job("b"));
        queue.TakeStartable(kNow.addSecs(7200), 0);
        CTransferQueueStore store(m_home.filePath("queue.json"));
        QVERIFY(store.Save(queue.Jobs(), nullptr));
        QCOMPARE(QFileInfo(store.Path()).permissions() & 0x0077, QFile::Permissions());
        QCOMPARE(ReadFile(store.Path()).contains("pass|word"), !protect);

        // Read back, the jobs save to the same file: nothing was lost or changed on the way.
        QList<CQueueItem> read;
        QVERIFY(store.Load(&read));
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0].job.password, u"pass|word"_s);
        QCOMPARE(read[0].job.files[0].modified, job.files[0].modified);
        const QByteArray first = ReadFile(store.Path());
        QVERIFY(store.Save(read, nullptr));
        QCOMPARE(ReadFile(store.Path()), first);

        // A cut file, a job without files, a state nobody wrote: set aside, nothing read.
        QFile::resize(store.Path(), QFileInfo(store.Path()).size() / 2);
        const CStoredFileLoad damaged = store.Load(&read);
        QVERIFY(damaged.IsDamaged() && read.isEmpty() && !QFile::exists(store.Path()));
        QVERIFY(QFile::exists(damaged.AsidePath()));
        QVERIFY(store.Load(&read).State() == CStoredFileLoad::EState::Missing);
    }
};

QTEST_GUILESS_MAIN(TestQueueState)
#include "tst_queue_state.moc"
