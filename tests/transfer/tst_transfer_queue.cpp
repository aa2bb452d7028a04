#include "RulesTestSupport.h"

#include "support/TestFiles.h"

#include "sites/SiteList.h"
#include "transfer/AfterQueueAction.h"
#include "transfer/TransferQueue.h"
#include "transfer/TransferRequester.h"
#include "transfer/TransferWorkerFactory.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QSignalSpy>

#include <atomic>
#include <optional>

using namespace TestFiles;

namespace
{
const QString kCancelled = QStringLiteral("取消下載！");
const QString kRunning = QStringLiteral("下載中");
const QString kPending = QStringLiteral("待處理");
const QString kScheduled = QStringLiteral("排程");

// Makes workers that run until the test gives its word for the first name of their job, and records the
// settings each one got and the names started.
class CScriptedWorkers final : public ITransferWorkerFactory
{
public:
    bool refuse = false;
    QList<CWorkerSettings> made;
    std::atomic<int> ended = 0;
    mutable QMutex mutex;
    QHash<QString, bool> words; // success or failure by name, under the mutex
    QStringList started;        // under the mutex

    std::unique_ptr<CTransferWorker> Make(CTransferWorker::Kind kind, const CTransferJob& job,
                                          const CWorkerSettings& settings) override;

    void Finish(const QString& name, bool success)
    {
        QMutexLocker lock(&mutex);
        words.insert(name, success);
    }

    QStringList Started() const
    {
        QMutexLocker lock(&mutex);
        return started;
    }
};

class CScriptedWorker final : public CTransferWorker
{
public:
    CScriptedWorker(CScriptedWorkers& script, Kind kind, const CTransferJob& job,
                    const CWorkerSettings& settings)
        : CTransferWorker(kind, job, settings), m_script(script)
    {
    }
    ~CScriptedWorker() override { StopThread(); }

protected:
    void Transfer() override
    {
        const QString name = Job().files.first().name;
        std::optional<bool> word;
        if (!IsCancelled())
        {
            Q_EMIT Status(this, name, kRunning, QStringLiteral("0"));
            word = WaitForWord(name);
            AppendDetails(QStringLiteral("> RETR %1\r\n").arg(name));
            if (word && GetKind() == Kind::Upload)
                Q_EMIT Relay(this, CTransferEntry{QStringLiteral("/up/") + name, 0, 5, {}});
        }
        const QString message = !word   ? kCancelled
                                : *word ? QStringLiteral("下載完成！")
                                        : "550 " + name + ": gone";
        SetOutcome(word.value_or(true), message);
        ++m_script.ended;
    }

private:
    // Nothing when the worker is cancelled first.
    std::optional<bool> WaitForWord(const QString& name)
    {
        QMutexLocker lock(&m_script.mutex);
        m_script.started.append(name);
        for (QDeadlineTimer deadline(20000);
             !m_script.words.contains(name) && !IsCancelled() && !deadline.hasExpired();)
        {
            lock.unlock();
            QThread::msleep(5);
            lock.relock();
        }
        return m_script.words.contains(name) ? std::optional<bool>(m_script.words.take(name)) : std::nullopt;
    }

    CScriptedWorkers& m_script;
};

std::unique_ptr<CTransferWorker> CScriptedWorkers::Make(CTransferWorker::Kind kind, const CTransferJob& job,
                                                        const CWorkerSettings& settings)
{
    made.append(settings);
    return refuse ? nullptr : std::make_unique<CScriptedWorker>(*this, kind, job, settings);
}

// Records what reaches the requesting window and the after-queue action.
class CRecorder final : public QObject, public ITransferRequester, public IAfterQueueAction
{
public:
    QStringList logs;
    QStringList dones; // "level line"
    QStringList relays;
    QList<int> emptied;

    void OnTransferLog(const QString& line) override { logs.append(line); }
    void OnTransferDone(int level, const QString& line) override
    {
        dones.append(QString::number(level) + u' ' + line);
    }
    void OnTransferRelay(const CTransferEntry& entry) override { relays.append(entry.name); }
    void OnQueueEmpty(int events) override { emptied.append(events); }
};

CTransferJob Job(const QString& name, const QString& localFolder = QStringLiteral("/tmp/in//"))
{
    CTransferJob job;
    job.files.append(CTransferEntry{name, 0, 5, {}});
    job.host = QStringLiteral("127.0.0.1");
    job.remoteFolder = QStringLiteral("/pub");
    job.localFolder = localFolder;
    return job;
}

CScheduleInfo Hourly(const QDateTime& start)
{
    CScheduleInfo schedule;
    schedule.enabled = true;
    schedule.repeat = true;
    schedule.unit = CScheduleInfo::Hours;
    schedule.start = start.addMSecs(-start.time().msec()); // the stored form keeps whole seconds
    return schedule;
}

} // namespace

class TestTransferQueue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<CScriptedWorkers> m_script;
    std::unique_ptr<CRecorder> m_recorder;
    CRecorder* m_requester = nullptr; // the window; a test may delete it
    std::unique_ptr<CTransferQueue> m_queue;

    // A queue made after the settings it reads once.
    CTransferQueue& MakeQueue(int limit, bool removeFailed = false, CSiteList* sites = nullptr)
    {
        WriteProfileInt("Settings", "TransferMax", limit);
        WriteProfileInt("Settings", "RemoveFailed", removeFailed ? 1 : 0);
        m_queue = std::make_unique<CTransferQueue>(*m_script, sites, m_recorder.get());
        return *m_queue;
    }

    bool Add(const QStringList& names, std::optional<CScheduleInfo> schedule = std::nullopt)
    {
        for (const QString& name : names)
        {
            CTransferJob job = Job(name);
            job.requestingWindow = m_requester;
            job.details = QStringLiteral("job\r\n");
            job.schedule = schedule;
            if (!m_queue->AddDownload(job))
                return false;
        }
        return true;
    }

    QString Text(int row, int column) const { return m_queue->index(row, column).data().toString(); }
    QString Tid(int row) const
    {
        return m_queue->index(row, 0).data(CTransferQueue::JobNumberRole).toString();
    }

    QString RowTexts(int row) const
    {
        QStringList texts;
        for (int column = 0; column < CTransferQueue::ColumnCount; ++column)
            texts.append(Text(row, column));
        return texts.join(u'|');
    }

    QStringList States() const
    {
        QStringList states;
        for (int row = 0; row < m_queue->rowCount(); ++row)
            states.append(Text(row, CTransferQueue::NameColumn) + u'=' +
                          Text(row, CTransferQueue::StatusColumn));
        return states;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(ResetSettings(m_home));
        m_script = std::make_unique<CScriptedWorkers>();
        m_recorder = std::make_unique<CRecorder>();
        m_requester = new CRecorder;
    }

    void cleanup()
    {
        m_queue.reset();
        delete m_requester;
    }

    void rowsAndWorkerSettings()
    {
        QVERIFY(WriteFile(m_home.filePath("sites.xml"),
                          "<SITES name=\"x\"><FOLDER name=\"Work\"><SITE name=\"Mirror\">"
                          "<ADDRESS>mirror.test</ADDRESS></SITE></FOLDER></SITES>"));
        CSiteList sites(m_home.filePath("sites.xml"));
        QVERIFY(sites.LoadSites());
        WriteProfileInt("Settings", "ConnectionTimeout", 7);
        WriteProfileInt("Settings", "PreserveRemoteTimeStamp", 0);
        WriteProfileInt("Settings", "PreserveLocalTimeStamp", 1);
        WriteProfileInt("Filter", "EnableFiltering", 1);
        WriteProfileInt("Filter", "FilterTransfers", 1);
        CTransferQueue& queue = MakeQueue(1, false, &sites);
        WriteProfileInt("Settings", "ConnectionTimeout", 99); // read once: no effect now
        queue.SetWorkerOverrides({int(OverwriteAction::Number), ChecksumKind::Sha1});

        QCOMPARE(queue.headerData(CTransferQueue::ProgressColumn, Qt::Horizontal).toString(), "進度");
        QVERIFY(!queue.headerData(CTransferQueue::ColumnCount, Qt::Horizontal).isValid());
        QVERIFY(Add({"busy"})); // takes the one slot, so the rows below keep their first state
        CTransferJob folder = Job("docs", "/tmp/in//");
        folder.files.first().attributes = kAttributeFolder;
        folder.failed = true;
        QVERIFY(queue.AddDownload(folder));
        QVERIFY(queue.AddDownload(Job("a.txt", "ftp:\\Work\\Mirror")));
        CTransferJob upload = Job("/home/u/src//b.txt|/pub/copy of b.txt");
        upload.remoteFolder = "/up";
        QVERIFY(queue.AddUpload(upload));

        QCOMPARE(RowTexts(1), "docs|127.0.0.1|/pub|/tmp/in/|失敗|");
        QCOMPARE(RowTexts(2), "a.txt|127.0.0.1|/pub|ftp:\\Work\\Mirror\\|待處理|");
        QCOMPARE(RowTexts(3), "b.txt|127.0.0.1|/home/u/src/|/up|待處理|");
        QVERIFY(queue.index(1, 0).data(CTransferQueue::FolderRole).toBool());
        QVERIFY(!queue.index(2, 0).data(CTransferQueue::FolderRole).toBool());

        // Waiting jobs have no worker; Resume makes theirs, past the limit.
        QCOMPARE(m_script->made.size(), 1);
        queue.Resume({1, 2, 3});
        QCOMPARE(m_script->made.size(), 4);
        const CWorkerSettings& download = m_script->made[1];
        QCOMPARE(download.connectionTimeoutMs, 7000);
        QVERIFY(download.filter && !download.preserveTime && !download.destinationSite &&
                download.overwritePrompt);
        QCOMPARE(m_script->made[2].destinationSite->Address, "mirror.test");
        QVERIFY(m_script->made[3].preserveTime && !m_script->made[3].filter &&
                !m_script->made[3].overwritePrompt);
        for (const CWorkerSettings& settings : {m_script->made[1], m_script->made[3]})
            QVERIFY(settings.overrides.matchingFiles == int(OverwriteAction::Number) &&
                    settings.overrides.checksum == ChecksumKind::Sha1);

        // No file: nothing is queued. No worker thread: the job comes back failed.
        QVERIFY(!queue.AddUpload(CTransferJob()));
        m_script->refuse = true;
        QVERIFY(queue.AddDownload(Job("c.txt")));
        queue.Resume({4});
        QCOMPARE(RowTexts(4), "c.txt|127.0.0.1|/pub|/tmp/in/|失敗|");
    }

    // Waiting jobs hold no thread: 500 of them behind a limit of 2 add two threads to the process.
    void waitingJobsHoldNoThreads()
    {
        const auto threads = [] {
            return QDir(QStringLiteral("/proc/self/task"))
                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                .size();
        };
        CTransferQueue& queue = MakeQueue(2);
        const qsizetype before = threads();
        QStringList names;
        for (int i = 0; i < 500; ++i)
            names << QString::number(i);
        QVERIFY(Add(names));
        QTRY_COMPARE(m_script->Started().size(), 2);
        QCOMPARE(queue.WorkerCount(), 2);
        QCOMPARE(threads(), before + 2);
        // Going away, the queue ends every worker.
        m_queue.reset();
        QCOMPARE(m_script->ended.load(), 2);
    }

    // One queue at a limit of one: texts from the workers' reports, the next job from the top after each
    // end, a failure back at the end with its trace until Resume, a raised limit, cancels of running and
    // waiting jobs with their messages, the after-queue action once the queue is empty, a window gone.
    void jobsRunThroughTheirWorkers()
    {
        WriteProfileInt("Settings", "Events", 2);
        CTransferQueue& queue = MakeQueue(1);
        // A queue file that cannot be written is reported once, however often it fails.
        QVERIFY(WriteFile(m_home.filePath("plain"), "x"));
        QSignalSpy storeFailures(&queue, &CTransferQueue::StoreFailed);
        queue.UseStore(m_home.filePath("plain/queue.json"));
        CTransferJob upload = Job("1,5 MB, final.txt");
        upload.requestingWindow = m_requester;
        QVERIFY(queue.AddUpload(upload));
        QVERIFY(Add({"b", "c"}));
        QVERIFY(Add({"d"}, Hourly(QDateTime::currentDateTime().addSecs(3600))));
        QTRY_COMPARE(States(), QStringList({"1,5 MB, final.txt=" + kRunning, "b=" + kPending, "c=" + kPending,
                                            "d=" + kScheduled}));
        QCOMPARE(Text(0, CTransferQueue::ProgressColumn), "0");
        const QString first = Tid(0);
        QCOMPARE(m_requester->logs, QStringList{"[" + first + "] 下載中: \"1,5 MB, final.txt\""});
        m_script->Finish("1,5 MB, final.txt", true);
        QTRY_COMPARE(States(), QStringList({"b=" + kRunning, "c=" + kPending, "d=" + kScheduled}));
        QCOMPARE(m_requester->relays, QStringList{"/up/1,5 MB, final.txt"});
        QCOMPARE(m_requester->dones, QStringList{"1 [" + first + "] 下載完成！"});
        queue.SetSchedule({1}, Hourly(QDateTime::currentDateTime().addSecs(3600)));
        QCOMPARE(Text(1, CTransferQueue::StatusColumn), kScheduled);
        queue.SetSchedule({1}, CScheduleInfo());
        QCOMPARE(Text(1, CTransferQueue::StatusColumn), kPending);

        m_script->Finish("b", false);
        QTRY_COMPARE(States(), QStringList({"c=" + kRunning, "d=" + kScheduled, "b=失敗"}));
        QVERIFY(m_requester->dones.last().startsWith("3 [") &&
                m_requester->dones.last().endsWith("] 550 b: gone"));
        QCOMPARE(queue.Details(2), "job\r\n> RETR b\r\n");
        queue.ProcessQueue();
        queue.Resume({2});
        QCOMPARE(queue.RunningCount(), 2);
        QTRY_COMPARE(m_script->Started(), QStringList({"1,5 MB, final.txt", "b", "c", "b"}));
        QVERIFY(Add({"e"}));
        queue.SetTransferLimit(3);
        QCOMPARE(queue.RunningCount(), 3);
        QCOMPARE(GetProfileInt("Settings", "TransferMax"), 1);

        const QString c = Tid(0), d = Tid(1);
        queue.Cancel({0, 1, 7});
        queue.Resume({0}); // on its way out: takes no slot
        QCOMPARE(queue.RunningCount(), 3);
        QVERIFY(Add({"f"}));
        QTRY_COMPARE(States(), QStringList({"b=" + kRunning, "e=" + kRunning, "f=" + kRunning}));
        QCOMPARE(m_requester->dones.filter(kCancelled),
                 QStringList({"1 [" + d + "] " + kCancelled, "1 [" + c + "] " + kCancelled}));
        QVERIFY(m_recorder->emptied.isEmpty());
        delete std::exchange(m_requester, nullptr);
        queue.Cancel({0, 1, 2});
        QTRY_COMPARE(queue.rowCount(), 0);
        QCOMPARE(m_recorder->emptied, QList<int>{2});
        queue.ProcessQueue();
        QCOMPARE(m_recorder->emptied.size(), 1);
        QCOMPARE(m_script->ended.load(), 6);
        QCOMPARE(storeFailures.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTransferQueue)
#include "tst_transfer_queue.moc"
