#include "RulesTestSupport.h"

#include "servers/Harness.h"
#include "support/TestFiles.h"

#include "transfer/TransferQueue.h"
#include "transfer/WorkerFactory.h"

#include <QCoreApplication>
#include <QProcess>

#include <csignal>

using namespace TestFiles;

namespace
{

constexpr qint64 kBigSize = 300 * 1024 * 1024;
constexpr int kWaitMs = 60000;

// The queue of the program that gets killed and of the one after it: the limit of one, the queue file
// in $ZENTRAVA_HOME, partial files resumed.
struct CQueueProgram
{
    CScriptedPrompts prompts;
    CWorkerFactory factory{prompts};
    CTransferQueue queue{factory, nullptr, nullptr};
    CStoredFileLoad load = Start();

    CStoredFileLoad Start()
    {
        queue.SetTransferLimit(1);
        queue.SetWorkerOverrides({int(OverwriteAction::Resume), std::nullopt});
        return queue.UseStore(qEnvironmentVariable("ZENTRAVA_HOME") + QStringLiteral("/queue.json"));
    }
};

// The killed program's jobs: one running (big.bin), one pending behind the limit, one scheduled for
// later, one failed before. Its server is named in $ZENTRAVA_QUEUE_PROGRAM: port, user and password.
int RunKilledProgram(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    CQueueProgram program;
    const QStringList server = qEnvironmentVariable("ZENTRAVA_QUEUE_PROGRAM").split(u' ');
    for (const char* name : {"big.bin", "small.txt", "later.txt", "failed.txt"})
    {
        CTransferJob job;
        job.host = QStringLiteral("127.0.0.1");
        job.port = server.value(0).toInt();
        job.login = server.value(1);
        job.password = server.value(2);
        job.remoteFolder = QStringLiteral("/restart");
        job.localFolder = qEnvironmentVariable("ZENTRAVA_LOCAL");
        job.passive = true;
        job.transferType = 3;
        job.files = {CTransferEntry{QString::fromLatin1(name), 0, 0, {}}};
        job.failed = QByteArray(name) == "failed.txt";
        job.schedule = CScheduleInfo();
        job.schedule->enabled = QByteArray(name) == "later.txt";
        job.schedule->start = QDateTime::currentDateTime().addSecs(3600);
        program.queue.AddDownload(job);
    }
    return application.exec();
}

} // namespace

// A queue survives its program being killed in the middle of a transfer.
class TestQueueRestart : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void comesBackAfterAKill()
    {
        CTestServer* server = Harness::Require(QStringLiteral("proftpd"));
        QVERIFY(server);
        const QString remote = server->Root() + QStringLiteral("/restart");
        QDir(remote).removeRecursively();
        QVERIFY(QDir().mkpath(remote) && MakeFile(remote + "/big.bin", kBigSize));
        for (const char* name : {"small.txt", "later.txt", "failed.txt"})
            QVERIFY(WriteFile(remote + u'/' + QLatin1String(name), name));
        const QString local = m_home.filePath(QStringLiteral("local"));
        QVERIFY(QDir().mkpath(local) && ResetSettings(m_home));

        QProcess killed;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(
            QStringLiteral("ZENTRAVA_QUEUE_PROGRAM"),
            QStringLiteral("%1 %2 %3").arg(server->Port()).arg(server->User(), server->Password()));
        environment.insert(QStringLiteral("ZENTRAVA_LOCAL"), local);
        killed.setProcessEnvironment(environment);
        killed.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(killed.waitForStarted());
        const QString partial = local + QStringLiteral("/big.bin");
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(partial).size() > 0; }, kWaitMs));
        ::kill(pid_t(killed.processId()), SIGKILL);
        QVERIFY(killed.waitForFinished());
        QVERIFY(QFileInfo(partial).size() < kBigSize);

        // Back as they were, the running one failed; Resume finishes it where it stopped.
        CQueueProgram again;
        CTransferQueue& queue = again.queue;
        QStringList states;
        for (int row = 0; row < queue.rowCount(); ++row)
            states << queue.index(row, CTransferQueue::NameColumn).data().toString() + u'=' +
                          queue.index(row, CTransferQueue::StatusColumn).data().toString();
        QCOMPARE(states,
                 QStringList({"big.bin=失敗", "small.txt=待處理", "later.txt=排程", "failed.txt=失敗"}));
        queue.Resume({0});
        QVERIFY(QTest::qWaitFor([&] { return queue.rowCount() == 2 && queue.RunningCount() == 0; }, kWaitMs));
        QCOMPARE(Sha256(partial), Sha256(remote + "/big.bin"));
        QCOMPARE(ReadFile(local + "/small.txt"), QByteArray("small.txt"));

        // A damaged file: set aside, an empty queue, and a message to show.
        QVERIFY(WriteFile(m_home.filePath(QStringLiteral("queue.json")), "{\"format\": 1, \"jobs\": [{]"));
        CQueueProgram damaged;
        QVERIFY(damaged.load.IsDamaged() && !damaged.load.WindowText().isEmpty());
        QCOMPARE(damaged.queue.rowCount(), 0);
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("ZENTRAVA_QUEUE_PROGRAM"))
        return RunKilledProgram(argc, argv);
    QCoreApplication application(argc, argv);
    TestQueueRestart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_queue_restart.moc"
