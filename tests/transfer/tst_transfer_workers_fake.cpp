#include "WorkerTestSupport.h"

#include "../engine/FakeFtpServer.h"

#include <QFileInfo>
#include <QMutex>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

using namespace WorkerTest;

namespace
{
FakeResponse Sending(const QByteArray& payload)
{
    return {"150 Opening data connection\r\n", FakeResponse::Data::Send, payload, "226 Transfer complete\r\n",
            false};
}

// Line 1 and line 2 texts, readable from the test while the worker writes them.
struct CLineLog
{
    QMutex mutex;
    QStringList lines;

    QStringList Lines()
    {
        QMutexLocker lock(&mutex);
        return lines;
    }
};

class CLoggedProgress final : public ITransferProgress
{
public:
    explicit CLoggedProgress(std::shared_ptr<CLineLog> log) : m_log(std::move(log)) {}
    void SetLine1(const QString& text) override { Add(text); }
    void SetLine2(const QString& text) override { Add(text); }
    void SetPosition(int) override {}

private:
    void Add(const QString& text)
    {
        QMutexLocker lock(&m_log->mutex);
        m_log->lines.append(text);
    }

    std::shared_ptr<CLineLog> m_log;
};

const QByteArray kListing = "-rw-r--r-- 1 u g 5 Jan 01 2024 ok.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 ..\\evil.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 a\\b.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 ev\x1b[2Jil.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 報告.txt\r\n"
                            "drwxr-xr-x 2 u g 0 Jan 01 2024 ..\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 caf\xe9.txt\r\n";
} // namespace

class TestTransferWorkersFake : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    CScriptedPrompts m_prompts;

    QString Local(const QString& name) const { return m_dir->filePath(name); }

    static CTransferJob FakeJob(const CFakeFtpServer& server,
                                const QString& remoteFolder = QStringLiteral("/"))
    {
        CTransferJob job;
        job.host = QStringLiteral("127.0.0.1");
        job.port = server.Port();
        job.login = QStringLiteral("tester");
        job.password = QStringLiteral("s3cret-word");
        job.passive = true;
        job.transferType = 3;
        job.remoteFolder = remoteFolder;
        return job;
    }

    static CWorkerSettings Quick()
    {
        CWorkerSettings settings;
        settings.connectionTimeoutMs = 5000;
        return settings;
    }

    static bool Start(CFakeFtpServer& server)
    {
        QString error;
        return server.Start(&error);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(ResetSettings(m_home));
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = CScriptedPrompts();
    }

    void downloadReportsStatusAndMasksThePassword()
    {
        CFakeFtpServer server;
        server.On("RETR", {Sending("hello")});
        QVERIFY(Start(server));
        CTransferJob job = FakeJob(server);
        job.files = {Entry(QStringLiteral("a.txt"), 5)};
        job.localFolder = m_dir->path();
        CDownloadThread worker(job, Quick(), m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY2(run.success, qPrintable(run.Explain()));
        QCOMPARE(worker.FinalMessage(), QStringLiteral("下載完成！"));
        QCOMPARE(run.statuses, QStringList({"初始化", "連線中", "下載中", "完成"}));
        QCOMPARE(ReadFile(Local("a.txt")), QByteArray("hello"));
        const QString details = worker.Details();
        QVERIFY2(details.contains("> USER tester\r\n") && details.contains("< 230 Logged in\r\n"),
                 qPrintable(details));
        QVERIFY(details.contains("PASS " + QString(QStringLiteral("PASS s3cret-word").size() - 4, u'*')));
        QVERIFY(!details.contains("s3cret-word"));
    }

    void checksumFailures_data()
    {
        QTest::addColumn<QByteArray>("xcrc");
        QTest::addColumn<int>("transferType");
        QTest::addColumn<QString>("message");
        const QString mismatch = QStringLiteral("檔案完整性檢查失敗！ 本機 CRC 與遠端檔案不符合！");
        // A wrong sum is the file's own failure: the job goes on and names each file at its end.
        QTest::newRow("mismatch")
            << QByteArray("250 DEADBEEF\r\n") << 3
            << QStringLiteral("2 個檔案傳送失敗：\n/a.bin：%1\n/b.bin：%1").arg(mismatch);
        // A server without sums would fail every file the same way: the job ends at the first.
        QTest::newRow("no checksum") << QByteArray("502 Not implemented\r\n") << 3
                                     << QStringLiteral("檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！");
        QTest::newRow("ascii skips the check") << QByteArray("250 DEADBEEF\r\n") << 2 << QString();
    }

    void checksumFailures()
    {
        QFETCH(QByteArray, xcrc);
        QFETCH(int, transferType);
        QFETCH(QString, message);
        QVERIFY(WriteProfileInt("Settings", "EnableCRC", 1));
        CFakeFtpServer server;
        server.On("XCRC", xcrc);
        server.On("RETR", {Sending("hello")});
        QVERIFY(Start(server));
        CTransferJob job = FakeJob(server);
        job.transferType = transferType;
        job.files = {Entry(QStringLiteral("a.bin"), 5), Entry(QStringLiteral("b.bin"), 5)};
        job.localFolder = m_dir->path();
        CDownloadThread worker(job, Quick(), m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QCOMPARE(worker.FinalMessage(), message.isEmpty() ? QStringLiteral("下載完成！") : message);
        QCOMPARE(run.success, message.isEmpty());
        QVERIFY(QFile::exists(Local("a.bin")));
        QCOMPARE(QFile::exists(Local("b.bin")), !message.contains(QStringLiteral("不支援")));
        if (message.isEmpty())
        {
            QVERIFY(!server.WaitForCommand("XCRC", 0));
            QVERIFY(worker.Details().contains(QStringLiteral("略過完整性檢查")));
        }
    }

    void hostileNamesStayInsideTheFolder()
    {
        CFakeFtpServer server;
        server.On("LIST", {Sending(kListing)});
        server.On("RETR", {Sending("hello")});
        QVERIFY(Start(server));
        QVERIFY(QDir().mkpath(Local("job")));
        CTransferJob job = FakeJob(server, QStringLiteral("/pub"));
        job.files = {Entry(QStringLiteral("dir"), 0, true), Entry(QStringLiteral("../escape.txt"), 5),
                     Entry(QStringLiteral("..\\up.txt"), 5)};
        job.localFolder = Local("job");
        CDownloadThread worker(job, Quick(), m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY2(run.success, qPrintable(run.Explain()));
        // A name that is not UTF-8 is asked for in the server's own bytes and stored with U+FFFD.
        const QString hello = QString::fromLatin1(Sha256(Local("job/dir/ok.txt")));
        QCOMPARE(TreeOf(m_dir->path()),
                 QStringList({"job/", "job/dir/", QStringLiteral("job/dir/caf\uFFFD.txt ") + hello,
                              "job/dir/ok.txt " + hello, "job/dir/報告.txt " + hello}));
        QVERIFY(server.Commands().contains("RETR /pub/dir/caf\xe9.txt"));
        QCOMPARE(ReadFile(Local("job/dir/ok.txt")), QByteArray("hello"));
        for (const char* name :
             {"..\\evil.txt", "a\\b.txt", "../escape.txt", "..\\up.txt", "ev\\x1b[2Jil.txt"})
            QVERIFY2(worker.Details().contains(QStringLiteral("%1'").arg(QLatin1String(name))), name);
        QVERIFY(!worker.Details().contains(QChar(0x1b)));
    }

    // A cancel ends the file in flight at once, and nothing of the files behind it is sent or written.
    void cancelEndsTheTransferInProgress()
    {
        for (const bool upload : {false, true})
        {
            CFakeFtpServer server;
            const QByteArray verb = upload ? "STOR" : "RETR";
            server.On(verb, {{"150 Opening data connection\r\n",
                              FakeResponse::Data::Stall,
                              {},
                              "426 Transfer aborted\r\n"},
                             Sending("second")});
            QVERIFY(Start(server));
            QVERIFY(QDir().mkpath(Local("job")));
            CTransferJob job = FakeJob(server);
            if (upload)
            {
                QVERIFY(WriteFile(Local("first.bin"), "first") && WriteFile(Local("second.bin"), "second"));
                job.files = {Entry(Local("first.bin")), Entry(Local("second.bin"))};
                job.localFolder = m_dir->path();
            }
            else
            {
                job.files = {Entry(QStringLiteral("first.bin"), 5), Entry(QStringLiteral("second.bin"), 6)};
                job.localFolder = Local("job");
            }
            CWorkerSettings settings = Quick();
            // Far beyond the wait below: only the cancel can end the stalled transfer in time.
            settings.connectionTimeoutMs = 600000;
            CWorkerFactory factory(m_prompts);
            const std::unique_ptr<CTransferWorker> worker = factory.Make(
                upload ? CTransferWorker::Kind::Upload : CTransferWorker::Kind::Download, job, settings);
            CWorkerRun run(*worker);
            QVERIFY(worker->Launch());
            worker->Resume();
            QVERIFY(server.WaitForCommand(verb, 10000));
            worker->Cancel();
            QVERIFY(run.Wait(20000));
            QVERIFY(run.success);
            QCOMPARE(worker->FinalMessage(),
                     upload ? QStringLiteral("取消上傳") : QStringLiteral("取消下載！"));
            const QList<QByteArray> commands = server.Commands();
            const qsizetype sent = std::count_if(commands.begin(), commands.end(),
                                                 [&](const QByteArray& c) { return c.startsWith(verb); });
            QCOMPARE(sent, 1);
            if (!upload)
                QVERIFY(!QFile::exists(Local("job/second.bin")));
        }
    }

    // A refused file is the file's own failure: the job goes on with the next one and names it at its end,
    // with the control characters of the server's reply made visible.
    void aRefusedFileLetsTheOthersThrough()
    {
        CFakeFtpServer server;
        server.On("RETR",
                  {{"550 No such\x1b[2J file\r\n", FakeResponse::Data::None, {}, {}}, Sending("next!")});
        QVERIFY(Start(server));
        QVERIFY(QDir().mkpath(Local("job")));
        CTransferJob job = FakeJob(server, QStringLiteral("/pub"));
        job.files = {Entry(QStringLiteral("gone.bin"), 5), Entry(QStringLiteral("next.bin"), 5)};
        job.localFolder = Local("job");
        CDownloadThread worker(job, Quick(), m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY(!run.success);
        QCOMPARE(worker.FinalMessage().split(u'\n'),
                 QStringList({"1 個檔案傳送失敗：", "/pub/gone.bin：下載失敗：550 No such\\x1b[2J file"}));
        QCOMPARE(ReadFile(Local("job/next.bin")), QByteArray("next!"));
        QCOMPARE(worker.ResumeFiles().size(), 1);
        QCOMPARE(worker.ResumeFiles()[0].name, QStringLiteral("gone.bin"));
    }

    void countsAttemptsAndCancelsTheRetryWait()
    {
        int port = 0;
        {
            CFakeFtpServer gone;
            QVERIFY(Start(gone));
            port = gone.Port();
        }
        CTransferJob job;
        job.host = QStringLiteral("127.0.0.1");
        job.port = port;
        job.attempts = 3;
        job.retryDelay = 0;
        job.files = {Entry(QStringLiteral("x"), 1)};
        job.localFolder = Local("x");
        auto log = std::make_shared<CLineLog>();
        const TransferProgressMaker logged = [log](CTransferWorker&)
        { return std::make_unique<CLoggedProgress>(log); };
        CDownloadThread quick(job, Quick(), m_prompts, logged);
        CWorkerRun failed(quick);
        QVERIFY(failed.Run());
        QVERIFY(!failed.success);
        QVERIFY(!quick.FinalMessage().isEmpty());
        QCOMPARE(failed.statuses.count(QStringLiteral("重試中")), 2);
        const QStringList attempts = log->Lines().filter(QStringLiteral("次)"));
        QCOMPARE(attempts,
                 QStringList({"連線到 127.0.0.1 (第 1 / 3 次)", "無法連線至 127.0.0.1  (第 1 / 3 次)",
                              "連線到 127.0.0.1 (第 2 / 3 次)", "無法連線至 127.0.0.1  (第 2 / 3 次)",
                              "連線到 127.0.0.1 (第 3 / 3 次)"}));

        // An hour between attempts: only the cancel can end the wait within the test's bound.
        job.retryDelay = 3600;
        auto slowLog = std::make_shared<CLineLog>();
        CDownloadThread slow(job, Quick(), m_prompts,
                             [slowLog](CTransferWorker&)
                             { return std::make_unique<CLoggedProgress>(slowLog); });
        CWorkerRun cancelled(slow);
        QVERIFY(slow.Launch());
        slow.Resume();
        QTRY_VERIFY_WITH_TIMEOUT(slowLog->Lines().contains(QStringLiteral(" 3600 秒後重試...")), 30000);
        slow.Cancel();
        QVERIFY(cancelled.Wait(30000));
        QVERIFY(!cancelled.success);
        QCOMPARE(slow.FinalMessage(), quick.FinalMessage());
    }

    void uploadSendsTheLocalTime_data()
    {
        QTest::addColumn<QByteArray>("mdtm");
        QTest::addColumn<QByteArray>("mfmt");
        QTest::addColumn<QString>("stamped");
        // The verbs the job's second file gets: a server that took only MFMT is not asked MDTM again.
        QTest::addColumn<QStringList>("second");
        QTest::newRow("MDTM") << QByteArray("213 Modify=ok\r\n") << QByteArray("500 no\r\n") << "MDTM"
                              << QStringList{"MDTM"};
        QTest::newRow("MFMT after MDTM")
            << QByteArray("500 no\r\n") << QByteArray("213 Modify=ok\r\n") << "MFMT" << QStringList{"MFMT"};
        QTest::newRow("neither") << QByteArray("500 no\r\n") << QByteArray("502 no\r\n") << ""
                                 << QStringList{"MDTM", "MFMT"};
    }

    void uploadSendsTheLocalTime()
    {
        QFETCH(QByteArray, mdtm);
        QFETCH(QByteArray, mfmt);
        QFETCH(QString, stamped);
        QFETCH(QStringList, second);
        CFakeFtpServer server;
        server.On("MDTM", mdtm);
        server.On("MFMT", mfmt);
        QVERIFY(Start(server));
        const QDateTime when(QDate(2024, 2, 3), QTime(4, 5, 6), Qt::UTC);
        for (const QString& name : {QStringLiteral("up.txt"), QStringLiteral("up2.txt")})
        {
            QVERIFY(WriteFile(Local(name), "payload"));
            QFile file(Local(name));
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(when, QFileDevice::FileModificationTime));
        }
        CTransferJob job = FakeJob(server, QStringLiteral("/in"));
        job.files = {Entry(Local("up.txt"), 7), Entry(Local("up2.txt"), 7)};
        CUploadThread worker(job, Quick(), m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY2(run.success, qPrintable(run.Explain()));
        QCOMPARE(worker.FinalMessage(), QStringLiteral("檔案上傳完成"));
        QCOMPARE(server.Received(), QByteArray("payloadpayload"));
        QVERIFY(server.Commands().contains("MDTM 20240203040506 /in/up.txt"));
        if (!stamped.isEmpty())
            QVERIFY(server.Commands().contains(stamped.toLatin1() + " 20240203040506 /in/up.txt"));
        for (const char* verb : {"MDTM", "MFMT"})
            QCOMPARE(server.Commands().contains(QByteArray(verb) + " 20240203040506 /in/up2.txt"),
                     second.contains(QLatin1String(verb)));
        QCOMPARE(worker.Details().contains(QStringLiteral("伺服器不接受檔案時間")), stamped.isEmpty());
        QCOMPARE(run.relayed.size(), 2);
        QCOMPARE(run.relayed[0].name, QStringLiteral("/in/up.txt"));
    }

    void finishesWithoutAProgressWindow()
    {
        CFakeFtpServer server;
        server.On("RETR", {Sending("hello")});
        QVERIFY(Start(server));
        CTransferJob job = FakeJob(server);
        job.files = {Entry(QStringLiteral("a.bin"), 5)};
        job.localFolder = Local("a.bin");
        CDownloadThread worker(job, Quick(), m_prompts, [](CTransferWorker&) { return nullptr; });
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY2(run.success, qPrintable(run.Explain()));
        QCOMPARE(ReadFile(Local("a.bin")), QByteArray("hello"));
        QVERIFY(worker.Details().contains(QStringLiteral("無法建立進度視窗")));
    }

    void cancelBeforeTheRunSendsNothing()
    {
        CFakeFtpServer server;
        QVERIFY(Start(server));
        CTransferJob job = FakeJob(server);
        job.files = {Entry(QStringLiteral("a.bin"), 5)};
        job.localFolder = Local("a.bin");
        CWorkerFactory factory(m_prompts);
        for (const auto kind : {CTransferWorker::Kind::Download, CTransferWorker::Kind::Upload})
        {
            const std::unique_ptr<CTransferWorker> worker = factory.Make(kind, job, Quick());
            CWorkerRun run(*worker);
            QVERIFY(worker->Launch());
            worker->Cancel();
            QVERIFY(run.Wait(30000));
            QVERIFY(run.success);
            QCOMPARE(worker->FinalMessage(), kind == CTransferWorker::Kind::Download
                                                 ? QStringLiteral("取消下載！")
                                                 : QStringLiteral("取消上傳"));
        }
        QCOMPARE(server.Connections(), 0);
    }

    void serverCopyFailures_data()
    {
        QTest::addColumn<int>("sourceProtocol");
        QTest::addColumn<QByteArray>("pasv");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("port");
        // Implicit TLS protects every data connection, whatever the site's clear-data flag says.
        QTest::newRow("implicit TLS source") << 1 << QByteArray() << QStringLiteral("站台對站台傳遞只支援 FTP 站台")
                                     << QByteArray();
        QTest::newRow("five numbers") << 0 << QByteArray("227 Entering Passive Mode (10,0,0,5,19)\r\n")
                                      << QStringLiteral("無效 PASV 回應") << QByteArray();
        QTest::newRow("refused") << 0 << QByteArray("500 No passive here\r\n")
                                 << QStringLiteral("500 No passive here") << QByteArray();
        QTest::newRow("no reply") << 0 << QByteArray("") << QStringLiteral("連線逾時") << QByteArray();
        QTest::newRow("RETR refused") << 0 << QByteArray("227 Entering Passive Mode (10,0,0,5,19,137)\r\n")
                                      << QStringLiteral("550 Not here") << QByteArray("PORT 10,0,0,5,19,137");
    }

    void serverCopyFailures()
    {
        QFETCH(int, sourceProtocol);
        QFETCH(QByteArray, pasv);
        QFETCH(QString, message);
        QFETCH(QByteArray, port);
        CFakeFtpServer source;
        CFakeFtpServer destination;
        source.On("PASV", pasv);
        source.On("RETR", "550 Not here\r\n");
        QVERIFY(Start(source) && Start(destination));
        CTransferJob job = FakeJob(source);
        job.protocolType = sourceProtocol;
        job.clearDataChannel = true;
        job.files = {Entry(QStringLiteral("a.bin"), 5)};
        job.localFolder = QStringLiteral("ftp:\\Sites\\dest");
        CWorkerSettings settings = Quick();
        settings.connectionTimeoutMs = 2000;
        CFtpSite site;
        site.Address = QStringLiteral("127.0.0.1");
        site.Port = destination.Port();
        site.Login = QStringLiteral("tester");
        site.Password = QStringLiteral("pw");
        settings.destinationSite = site;
        CDownloadThread worker(job, settings, m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY(!run.success);
        QVERIFY2(worker.FinalMessage().contains(message), qPrintable(run.Explain()));
        if (sourceProtocol != 0)
            QCOMPARE(source.Connections() + destination.Connections(), 0);
        if (!port.isEmpty())
            QVERIFY2(destination.Commands().contains(port), qPrintable(run.Explain()));
    }
};

QTEST_GUILESS_MAIN(TestTransferWorkersFake)
#include "tst_transfer_workers_fake.moc"
