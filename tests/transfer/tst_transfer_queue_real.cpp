#include "WorkerTestSupport.h"

#include "servers/Harness.h"

#include "transfer/TransferQueue.h"
#include "transfer/TransferRequester.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <memory>
#include <unistd.h>

using namespace WorkerTest;

namespace
{
bool Greets(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket.waitForConnected(1000) && socket.waitForReadyRead(2000) &&
           socket.readAll().startsWith("220");
}

// proftpd started again on its old configuration (and so its old port), in a process group of its own.
class CRestartedServer
{
public:
    ~CRestartedServer()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(-pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000))
            ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

    bool Start(const QString& stateFolder, quint16 port)
    {
        m_process.setChildProcessModifier([] { ::setsid(); });
        m_process.start(QStringLiteral("/usr/sbin/proftpd"),
                        {QStringLiteral("--nodaemon"), QStringLiteral("--config"),
                         stateFolder + QStringLiteral("/proftpd.conf")});
        if (!m_process.waitForStarted(10000))
            return false;
        for (int attempt = 0; attempt < 50; ++attempt)
        {
            if (Greets(port))
                return true;
            QTest::qWait(200);
        }
        return false;
    }

private:
    QProcess m_process;
};
} // namespace

class TestTransferQueueReal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    CScriptedPrompts m_prompts;

private Q_SLOTS:
    void initTestCase() { QVERIFY(ResetSettings(m_home)); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QFile::remove(CDataFolder::SettingsFile());
    }

    // The caller's limit stands over the stored one, and no more jobs run than it allows.
    void runsTwoOfFive()
    {
        CTestServer* server = Harness::Require(QStringLiteral("proftpd"));
        QVERIFY(server);
        QVERIFY(WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("TransferMax"), 4));
        CWorkerFactory factory(m_prompts);
        CTransferQueue queue(factory, nullptr, nullptr);
        queue.SetTransferLimit(2);
        int mostRunning = 0;
        const auto watch = [&] { mostRunning = qMax(mostRunning, queue.RunningCount()); };
        connect(&queue, &QAbstractItemModel::dataChanged, this, watch);
        connect(&queue, &QAbstractItemModel::rowsRemoved, this, watch);

        CRequester requester;
        CTransferJob job = JobFor(*server, QStringLiteral("proftpd"), false, QStringLiteral("/"));
        job.localFolder = m_dir->path();
        job.requestingWindow = &requester;
        for (int i = 1; i <= 5; ++i)
        {
            const QString name = QStringLiteral("five%1.bin").arg(i);
            QVERIFY(MakeFile(Disk(*server, name), 16 * kMiB + i));
            job.files = {Entry(name)};
            QVERIFY(queue.AddDownload(job));
            watch();
        }
        QVERIFY(WaitUntil([&] { return requester.Ended() == 5; }, 180000));
        QCOMPARE(requester.failed, QStringList());
        QCOMPARE(mostRunning, 2);
        QCOMPARE(queue.RunningCount(), 0);
        for (int i = 1; i <= 5; ++i)
        {
            const QString name = QStringLiteral("five%1.bin").arg(i);
            QCOMPARE(Sha256(m_dir->filePath(name)), Sha256(Disk(*server, name)));
        }
    }

    // A server that dies in the middle of a download fails the job; once the server is back, Resume
    // continues the partial file to a byte-identical copy.
    void resumesAfterTheServerDied()
    {
        CTestServer server(QStringLiteral("proftpd"));
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        constexpr qint64 kSize = 200 * kMiB;
        QVERIFY(MakeFile(Disk(server, QStringLiteral("big.bin")), kSize));
        const QString local = m_dir->filePath(QStringLiteral("big.bin"));

        CWorkerFactory factory(m_prompts);
        CTransferQueue queue(factory, nullptr, nullptr);
        // The second run finds the partial file: resume it without asking.
        queue.SetWorkerOverrides({int(OverwriteAction::Resume), std::nullopt});
        CRequester requester;
        CTransferJob job = JobFor(server, QStringLiteral("proftpd"), false, QStringLiteral("/"));
        job.localFolder = m_dir->path();
        job.requestingWindow = &requester;
        job.files = {Entry(QStringLiteral("big.bin"), kSize)};
        QVERIFY(queue.AddDownload(job));

        const auto moved = [&]
        { return queue.data(queue.index(0, 0), CTransferQueue::TransferredBytesRole).toLongLong(); };
        QVERIFY(WaitUntil([&] { return moved() > 0 || !requester.done.isEmpty(); }, 60000));
        QVERIFY(::kill(-pid_t(server.Value(QStringLiteral("PID")).toInt()), SIGKILL) == 0);
        QVERIFY(WaitUntil([&] { return requester.Ended() == 1; }, 60000));
        QCOMPARE(requester.done, QStringList());
        QCOMPARE(queue.rowCount(), 1);
        QCOMPARE(queue.data(queue.index(0, CTransferQueue::StatusColumn)).toString(),
                 CTransferQueue::kFailed);
        const qint64 partial = QFileInfo(local).size();
        QVERIFY2(partial < kSize, qPrintable(QString::number(partial)));

        // A failed row waits for the user: a second of queue ticks leaves it alone.
        QTest::qWait(1500);
        QCOMPARE(queue.RunningCount(), 0);

        CRestartedServer restarted;
        QVERIFY(restarted.Start(QFileInfo(server.Root()).path(), server.Port()));
        queue.Resume({0});
        QVERIFY(WaitUntil([&] { return requester.Ended() == 2; }, 120000));
        QCOMPARE(requester.done.size(), 1);
        QCOMPARE(Sha256(local), Sha256(Disk(server, QStringLiteral("big.bin"))));
    }

    // A file the server refuses fails on its own: the other nine arrive and the job ends failed naming
    // it. Resumed once the file is allowed, the job moves only that file: one deleted after the first
    // run stays deleted.
    void resumesOnlyTheFailedFiles_data()
    {
        Columns<bool>({"upload"});
        Row("download", false);
        Row("upload", true);
    }

    void resumesOnlyTheFailedFiles()
    {
        QFETCH(bool, upload);
        CTestServer* server = Harness::Require(QStringLiteral("proftpd"));
        QVERIFY(server);
        const QString tag = upload ? QStringLiteral("up") : QStringLiteral("down");
        CTransferJob job = JobFor(*server, QStringLiteral("proftpd"), false, QStringLiteral("/"));
        job.localFolder = m_dir->path();
        QStringList local;
        QStringList remote;
        for (int i = 1; i <= 10; ++i)
        {
            const QString name = QStringLiteral("%1%2.bin").arg(tag).arg(i);
            local << m_dir->filePath(name);
            remote << Disk(*server, name);
            QVERIFY(MakeFile(upload ? local.last() : remote.last(), 1000 * i));
            job.files.append(Entry(upload ? local.last() : name));
        }
        // The server's user may neither read nor replace the third (the tests run as another user).
        if (upload)
            QVERIFY(MakeFile(remote[2], 1));
        QVERIFY(QFile::setPermissions(remote[2], {}));

        CWorkerFactory factory(m_prompts);
        CTransferQueue queue(factory, nullptr, nullptr);
        CRequester requester;
        job.requestingWindow = &requester;
        QVERIFY(upload ? queue.AddUpload(job) : queue.AddDownload(job));
        QVERIFY(WaitUntil([&] { return requester.Ended() == 1; }, 120000));
        QCOMPARE(requester.failed.size(), 1);
        const QStringList message = requester.failed[0].section(u' ', 1).split(u'\n');
        QCOMPARE(message.size(), 2);
        QCOMPARE(message[0], QStringLiteral("1 個檔案傳送失敗："));
        QVERIFY2(message[1].startsWith(QStringLiteral("/%1：").arg(QFileInfo(remote[2]).fileName())),
                 qPrintable(message[1]));
        for (int i = 0; i < 10; ++i)
        {
            if (i != 2)
                QCOMPARE(Sha256(remote[i]), Sha256(local[i]));
        }

        QVERIFY(QFile::setPermissions(remote[2], QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ReadOther | QFileDevice::WriteOther));
        QVERIFY(QFile::remove(upload ? remote[0] : local[0]));
        queue.Resume({0});
        QVERIFY(WaitUntil([&] { return requester.Ended() == 2; }, 120000));
        QCOMPARE(requester.done.size(), 1);
        QCOMPARE(Sha256(remote[2]), Sha256(local[2]));
        QVERIFY(!QFile::exists(upload ? remote[0] : local[0]));
    }
};

QTEST_GUILESS_MAIN(TestTransferQueueReal)
#include "tst_transfer_queue_real.moc"
