#include "WorkerTestSupport.h"

#include "../engine/FakeFtpServer.h"
#include "security/TrustedCertificates.h"
#include "servers/Harness.h"
#include "transfer/TransferQueue.h"

#include <QFileInfo>
#include <QMutex>
#include <algorithm>

using namespace WorkerTest;

namespace
{
FakeResponse Sending(const QByteArray& payload)
{
    return {"150 Opening data connection\r\n", FakeResponse::Data::Send, payload,
            "226 Transfer complete\r\n"};
}

// Keeps the progress window's lines where the test reads them while the worker writes them.
class CLoggedProgress final : public ITransferProgress
{
public:
    inline static QMutex mutex;
    inline static QStringList lines;

    static QStringList Lines()
    {
        QMutexLocker lock(&mutex);
        return lines;
    }
    void SetLine1(const QString& text) override
    {
        QMutexLocker lock(&mutex);
        lines.append(text);
    }
    void SetLine2(const QString& text) override { SetLine1(text); }
    void SetPosition(int) override {}
};

const QByteArray kListing = "-rw-r--r-- 1 u g 5 Jan 01 2024 ok.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 ..\\evil.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 a\\b.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 ev\x1b[2Jil.txt\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 報告.txt\r\n"
                            "drwxr-xr-x 2 u g 0 Jan 01 2024 ..\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 01 2024 caf\xe9.txt\r\n";

CWorkerSettings Quick(int timeoutMs = 5000)
{
    CWorkerSettings settings;
    settings.connectionTimeoutMs = timeoutMs;
    return settings;
}

// The site a download copies to, straight from server to server.
CFtpSite& Destination(CWorkerSettings& settings, quint16 port, const QString& login, const QString& password)
{
    CFtpSite& site = settings.destinationSite.emplace();
    site.Address = QStringLiteral("127.0.0.1");
    site.Port = port;
    site.Login = login;
    site.Password = password;
    return site;
}
} // namespace

// Workers against a scripted server for exact exchanges and hostile replies; against real servers for sums
// and the certificate a copy between two servers meets. Bytes over each protocol are the engine's tests.
class TestTransferWorkers : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    CScriptedPrompts m_prompts;
    std::unique_ptr<CFakeFtpServer> m_server; // started; scripts may change while it runs
    std::unique_ptr<CTransferWorker> m_worker;
    QStringList m_statuses; // the worker's non-empty status words in turn
    QList<CTransferEntry> m_relayed;

    QString Local(const QString& name) const { return m_dir->filePath(name); }

    // A job for the fake server, its local side the test's folder.
    CTransferJob Job(const QList<CTransferEntry>& files, const QString& remoteFolder = QStringLiteral("/"))
    {
        CTransferJob job;
        job.host = QStringLiteral("127.0.0.1");
        job.port = m_server->Port();
        job.login = QStringLiteral("tester");
        job.password = QStringLiteral("s3cret-word");
        job.passive = true;
        job.transferType = 3;
        job.remoteFolder = remoteFolder;
        job.files = files;
        job.localFolder = m_dir->path();
        return job;
    }

    // How many commands starting with the prefix the fake server got.
    qsizetype Sent(const QByteArray& prefix) const
    {
        const QList<QByteArray> commands = m_server->Commands();
        return std::count_if(commands.begin(), commands.end(),
                             [&](const QByteArray& command) { return command.startsWith(prefix); });
    }

    // Makes the worker and starts its thread; it moves nothing before Resume().
    bool Launch(bool upload, const CTransferJob& job, const CWorkerSettings& settings = Quick(),
                const TransferProgressMaker& progress = {})
    {
        m_statuses.clear();
        m_relayed.clear();
        if (upload)
            m_worker = std::make_unique<CUploadThread>(job, settings, m_prompts, progress);
        else
            m_worker = std::make_unique<CDownloadThread>(job, settings, m_prompts, progress);
        connect(m_worker.get(), &CTransferWorker::Status, this,
                [this](CTransferWorker*, const QString&, const QString& status, const QString&)
                { m_statuses << status; });
        connect(m_worker.get(), &CTransferWorker::Relay, this,
                [this](CTransferWorker*, const CTransferEntry& entry) { m_relayed << entry; });
        return m_worker->Launch();
    }

    bool WaitFor(int timeoutMs)
    {
        const bool ended = WaitUntil([this] { return m_worker->isFinished(); }, timeoutMs);
        // The reports the worker queued before its end arrive with the next events.
        QCoreApplication::processEvents();
        m_statuses.removeAll(QString());
        return ended;
    }

    bool Run(bool upload, const CTransferJob& job, const CWorkerSettings& settings = Quick(),
             const TransferProgressMaker& progress = {})
    {
        if (!Launch(upload, job, settings, progress))
            return false;
        m_worker->Resume();
        return WaitFor(120000);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(ResetSettings(m_home));
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompts = CScriptedPrompts();
        m_server = std::make_unique<CFakeFtpServer>();
        QString error;
        QVERIFY2(m_dir->isValid() && m_server->Start(&error), qPrintable(error));
    }

    void cleanup()
    {
        m_worker.reset();
        m_server.reset();
    }

    // Also without a progress window (none could be made): the worker goes on without one.
    void downloadReportsStatusAndMasksThePassword()
    {
        m_server->On("RETR", {Sending("hello")});
        const QDateTime listed(QDate(2023, 4, 5), QTime(6, 7, 8), Qt::UTC);
        QVERIFY(
            Run(false, Job({{"a.txt", 0, 5, listed}}), Quick(), [](CTransferWorker&) { return nullptr; }));
        QVERIFY2(m_worker->Succeeded(), qPrintable(m_worker->Details()));
        QCOMPARE(m_worker->FinalMessage(), "下載完成！");
        QCOMPARE(m_statuses, QStringList({"初始化", "連線中", "下載中", "完成"}));
        QCOMPARE(ReadFile(Local("a.txt")), QByteArray("hello"));
        QCOMPARE(QFileInfo(Local("a.txt")).lastModified().toUTC(), listed);
        const QString details = m_worker->Details();
        QVERIFY2(details.contains("> USER tester\r\n") && details.contains("< 230 Logged in\r\n"),
                 qPrintable(details));
        QVERIFY(details.contains("PASS " + QString(QStringLiteral("PASS s3cret-word").size() - 4, u'*')));
        QVERIFY(!details.contains("s3cret-word"));
        QVERIFY(details.contains("無法建立進度視窗"));
    }

    // A file's own failure (a refusal, a wrong sum) lets the job go on and names each failed file at its
    // end, control characters of the server's reply made visible; a server without sums would fail every
    // file the same way, so the job ends at the first.
    void downloadFailures_data()
    {
        Columns<QByteArray, int, QByteArray, QString, bool>(
            {"xcrc", "transferType", "firstRetr", "message", "second"});
        const QString mismatch = "檔案完整性檢查失敗！ 本機 CRC 與遠端檔案不符合！";
        Row("checksum mismatch", QByteArray("250 DEADBEEF\r\n"), 3, QByteArray(),
            QString("2 個檔案傳送失敗：\n/pub/a.bin：%1\n/pub/b.bin：%1").arg(mismatch), true);
        Row("no checksum", QByteArray("502 Not implemented\r\n"), 3, QByteArray(),
            QString("檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！"), false);
        Row("ascii skips the check", QByteArray("250 DEADBEEF\r\n"), 2, QByteArray(), QString(), true);
        Row("refused file", QByteArray(), 3, QByteArray("550 No such\x1b[2J file\r\n"),
            QString("1 個檔案傳送失敗：\n/pub/a.bin：下載失敗：550 No such\\x1b[2J file"), true);
    }

    void downloadFailures()
    {
        QFETCH(QByteArray, xcrc);
        QFETCH(int, transferType);
        QFETCH(QByteArray, firstRetr);
        QFETCH(QString, message);
        QFETCH(bool, second);
        QVERIFY(WriteProfileInt("Settings", "EnableCRC", xcrc.isEmpty() ? 0 : 1));
        m_server->On("XCRC", xcrc);
        m_server->On("RETR", {firstRetr.isEmpty() ? Sending("hello") : FakeResponse{firstRetr, {}, {}, {}},
                              Sending("hello")});
        CTransferJob job = Job({Entry("a.bin", 5), Entry("b.bin", 5)}, "/pub");
        job.transferType = transferType;
        QVERIFY(Run(false, job));
        QCOMPARE(m_worker->FinalMessage(), message.isEmpty() ? "下載完成！" : message);
        QCOMPARE(m_worker->Succeeded(), message.isEmpty());
        QCOMPARE(QFile::exists(Local("a.bin")), firstRetr.isEmpty());
        QCOMPARE(ReadFile(Local("b.bin")), second ? QByteArray("hello") : QByteArray("<missing>"));
        QCOMPARE(Sent("XCRC") == 0, transferType == 2 || xcrc.isEmpty());
        QCOMPARE(m_worker->Details().contains("略過完整性檢查"), transferType == 2);
        const QList<CTransferEntry> resume = m_worker->ResumeFiles();
        QCOMPARE(resume.size() == 1 && resume[0].name == "a.bin", !firstRetr.isEmpty());
    }

    // The sums we make of the bytes on disk agree with a real server's, for each kind of sum.
    void checksumsAgreeWithARealServer_data()
    {
        Columns<int>({"type"});
        Row("CRC", 0);
        Row("MD5", 1);
        Row("SHA1", 2);
    }

    void checksumsAgreeWithARealServer()
    {
        QFETCH(int, type);
        CTestServer* server = Harness::Require(QStringLiteral("proftpd"));
        QVERIFY(server);
        QVERIFY(WriteProfileInt("Settings", "EnableCRC", 1) && WriteProfileInt("Settings", "TypeCRC", type));
        QVERIFY(MakeFile(Disk(*server, "/sum.bin"), 200000));
        CTransferJob job = JobFor(*server, QStringLiteral("proftpd"), false, QStringLiteral("/"));
        job.transferType = 3;
        job.files = {Entry("sum.bin", 200000)};
        job.localFolder = m_dir->path();
        QVERIFY(Run(false, job));
        QCOMPARE(m_worker->FinalMessage(), "下載完成！");
        QCOMPARE(Sha256(Local("sum.bin")), Sha256(Disk(*server, "/sum.bin")));
    }

    // An SFTP job's details begin with the job and trace its requests as an FTP job's do its commands, a
    // failed file named.
    void sftpDetailsTraceTheJob()
    {
        CTestServer* server = Harness::Require("sshd");
        QVERIFY(server);
        const QString folder = server->Value("WORKDIR");
        QVERIFY(MakeFile(folder + "/here.bin", 1000));
        CTransferJob job = JobFor(*server, "sshd", false, folder);
        job.files = {Entry("here.bin", 1000), Entry("gone.bin", 5)};
        job.localFolder = m_dir->path();
        CWorkerSettings settings = Quick();
        settings.overrides.unknownHostKey = TrustAnswer::ThisRun;
        QVERIFY(Run(false, job, settings));
        QVERIFY(!m_worker->Succeeded());
        const QString details = m_worker->Details();
        const QString head =
            QStringLiteral("! 下載 2 個項目：sftp://127.0.0.1:%1%2 → ").arg(server->Port()).arg(folder);
        QVERIFY2(details.startsWith(head) && details.contains("> OPEN " + folder + "/here.bin\r\n< HANDLE") &&
                     details.contains("gone.bin："),
                 qPrintable(details));
    }

    void hostileNamesStayInsideTheFolder()
    {
        m_server->On("LIST", {Sending(kListing)});
        m_server->On("RETR", {Sending("hello")});
        QVERIFY(QDir().mkpath(Local("job")));
        CTransferJob job =
            Job({Entry("dir", 0, true), Entry("../escape.txt", 5), Entry("..\\up.txt", 5)}, "/pub");
        job.localFolder = Local("job");
        QVERIFY(Run(false, job));
        QVERIFY2(m_worker->Succeeded(), qPrintable(m_worker->Details()));
        // A name that is not UTF-8 is asked for in the server's own bytes and stored with U+FFFD.
        const QString hello = QString::fromLatin1(Sha256(Local("job/dir/ok.txt")));
        QCOMPARE(TreeOf(m_dir->path()),
                 QStringList({"job/", "job/dir/", QStringLiteral("job/dir/caf\uFFFD.txt ") + hello,
                              "job/dir/ok.txt " + hello, "job/dir/報告.txt " + hello}));
        QVERIFY(m_server->Commands().contains("RETR /pub/dir/caf\xe9.txt"));
        QCOMPARE(ReadFile(Local("job/dir/ok.txt")), QByteArray("hello"));
        for (const char* name :
             {"..\\evil.txt", "a\\b.txt", "../escape.txt", "..\\up.txt", "ev\\x1b[2Jil.txt"})
            QVERIFY2(m_worker->Details().contains(QStringLiteral("%1'").arg(QLatin1String(name))), name);
        QVERIFY(!m_worker->Details().contains(QChar(0x1b)));
    }

    // Yes to all answers for the rest of the job; numbering writes beside the file that stays.
    void overwriteDecisionsWithinAJob()
    {
        m_server->On("RETR", {Sending("remote content")});
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            QVERIFY(WriteFile(Local(name), "a local file longer than the remote one"));
        m_prompts.answers = {OverwriteAction::OverwriteAll};
        QVERIFY(Run(false, Job({Entry("a.txt", 14), Entry("b.txt", 14)})));
        QCOMPARE(m_prompts.asked.size(), 1);
        QCOMPARE(m_prompts.shown[0].targetPath, Local("a.txt"));
        QCOMPARE(ReadFile(Local("a.txt")) + ReadFile(Local("b.txt")),
                 QByteArray("remote contentremote content"));

        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", int(OverwriteAction::Number)));
        QVERIFY(Run(false, Job({Entry("c.txt", 14)})));
        QCOMPARE(ReadFile(Local("c.txt")), QByteArray("a local file longer than the remote one"));
        QCOMPARE(ReadFile(Local("複製 -c.txt")), QByteArray("remote content"));
    }

    // A cancel before the run sends nothing; one in the middle ends the file in flight at once, and
    // nothing of the files behind it is sent or written.
    void cancel_data()
    {
        Columns<bool, bool>({"upload", "midway"});
        Row("download, before the run", false, false);
        Row("upload, before the run", true, false);
        Row("download, midway", false, true);
        Row("upload, midway", true, true);
    }

    void cancel()
    {
        QFETCH(bool, upload);
        QFETCH(bool, midway);
        const QByteArray verb = upload ? "STOR" : "RETR";
        m_server->On(
            verb,
            {{"150 Opening data connection\r\n", FakeResponse::Data::Stall, {}, "426 Transfer aborted\r\n"},
             Sending("second")});
        QVERIFY(WriteFile(Local("first.bin"), "first") && WriteFile(Local("second.bin"), "second"));
        QVERIFY(QDir().mkpath(Local("job")));
        CTransferJob job = Job({Entry(Local("first.bin")), Entry(Local("second.bin"))});
        if (!upload)
        {
            job.files = {Entry("first.bin", 5), Entry("second.bin", 6)};
            job.localFolder = Local("job");
        }
        // Far beyond the waits below: only the cancel can end the stalled transfer in time.
        QVERIFY(Launch(upload, job, Quick(600000)));
        if (midway)
        {
            m_worker->Resume();
            QVERIFY(m_server->WaitForCommand(verb, 10000));
        }
        m_worker->Cancel();
        QVERIFY(WaitFor(20000));
        QVERIFY(m_worker->Succeeded());
        QCOMPARE(m_worker->FinalMessage(), upload ? "取消上傳" : "取消下載！");
        QCOMPARE(Sent(verb), midway ? 1 : 0);
        QCOMPARE(m_server->Connections() == 0, !midway);
        QVERIFY(upload || !QFile::exists(Local("job/second.bin")));
    }

    void countsAttemptsAndCancelsTheRetryWait()
    {
        CTransferJob job = Job({Entry("x", 1)});
        m_server.reset();
        job.attempts = 3;
        job.retryDelay = 0;
        const auto logged = [](CTransferWorker&) { return std::make_unique<CLoggedProgress>(); };
        QVERIFY(Run(false, job, Quick(), logged));
        QVERIFY(!m_worker->Succeeded());
        const QString message = m_worker->FinalMessage();
        QVERIFY(!message.isEmpty());
        QCOMPARE(m_statuses.count("重試中"), 2);
        QCOMPARE(CLoggedProgress::Lines().filter(QStringLiteral("次)")).last(),
                 "連線到 127.0.0.1 (第 3 / 3 次)");
        // The details tell the attempts and why they failed, though no command ever went out.
        const QString details = m_worker->Details();
        QVERIFY2(details.count(" 次)") == 3 && details.endsWith("! " + message + "\r\n"),
                 qPrintable(details));

        // An hour between attempts: only the cancel can end the wait within the test's bound.
        job.retryDelay = 3600;
        QVERIFY(Launch(false, job, Quick(), logged));
        m_worker->Resume();
        QTRY_VERIFY_WITH_TIMEOUT(CLoggedProgress::Lines().count(" 3600 秒後重試...") == 1, 30000);
        m_worker->Cancel();
        QVERIFY(WaitFor(30000));
        QVERIFY(!m_worker->Succeeded());
        QCOMPARE(m_worker->FinalMessage(), message);
    }

    // The verbs the job's second file gets: a server that took only MFMT is not asked MDTM again.
    void uploadSendsTheLocalTime_data()
    {
        Columns<QByteArray, QByteArray, QString, QStringList>({"mdtm", "mfmt", "stamped", "second"});
        Row("MDTM", QByteArray("213 Modify=ok\r\n"), QByteArray("500 no\r\n"), "MDTM", QStringList{"MDTM"});
        Row("MFMT after MDTM", QByteArray("500 no\r\n"), QByteArray("213 Modify=ok\r\n"), "MFMT",
            QStringList{"MFMT"});
        Row("neither", QByteArray("500 no\r\n"), QByteArray("502 no\r\n"), "", QStringList{"MDTM", "MFMT"});
    }

    void uploadSendsTheLocalTime()
    {
        QFETCH(QByteArray, mdtm);
        QFETCH(QByteArray, mfmt);
        QFETCH(QString, stamped);
        QFETCH(QStringList, second);
        m_server->On("MDTM", mdtm);
        m_server->On("MFMT", mfmt);
        const QDateTime when(QDate(2024, 2, 3), QTime(4, 5, 6), Qt::UTC);
        for (QFile file : {Local("up.txt"), Local("up2.txt")})
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("payload") == 7 && file.flush() &&
                    file.setFileTime(when, QFileDevice::FileModificationTime));
        QVERIFY(Run(true, Job({Entry(Local("up.txt"), 7), Entry(Local("up2.txt"), 7)}, "/in")));
        QVERIFY2(m_worker->Succeeded(), qPrintable(m_worker->Details()));
        QCOMPARE(m_worker->FinalMessage(), "檔案上傳完成");
        QCOMPARE(m_server->Received(), QByteArray("payloadpayload"));
        const QList<QByteArray> commands = m_server->Commands();
        QVERIFY(commands.contains("MDTM 20240203040506 /in/up.txt"));
        QVERIFY(stamped.isEmpty() || commands.contains(stamped.toLatin1() + " 20240203040506 /in/up.txt"));
        for (const char* verb : {"MDTM", "MFMT"})
            QCOMPARE(commands.contains(QByteArray(verb) + " 20240203040506 /in/up2.txt"),
                     second.contains(verb));
        QCOMPARE(m_worker->Details().contains("伺服器不接受檔案時間"), stamped.isEmpty());
        QCOMPARE(m_relayed.size(), 2);
        QCOMPARE(m_relayed[0].name, "/in/up.txt");
    }

    void serverCopyFailures_data()
    {
        Columns<int, QByteArray, QString, QByteArray>({"sourceProtocol", "pasv", "message", "port"});
        // Implicit TLS protects every data connection, whatever the site's clear-data flag says.
        Row("implicit TLS source", 1, QByteArray(), "站台對站台傳遞只支援 FTP 站台", QByteArray());
        Row("five numbers", 0, QByteArray("227 Entering Passive Mode (10,0,0,5,19)\r\n"), "無效 PASV 回應",
            QByteArray());
        Row("refused", 0, QByteArray("500 No passive here\r\n"), "500 No passive here", QByteArray());
        Row("no reply", 0, QByteArray(""), "連線逾時", QByteArray());
        Row("RETR refused", 0, QByteArray("227 Entering Passive Mode (10,0,0,5,19,137)\r\n"), "550 Not here",
            QByteArray("PORT 10,0,0,5,19,137"));
    }

    void serverCopyFailures()
    {
        QFETCH(int, sourceProtocol);
        QFETCH(QByteArray, pasv);
        QFETCH(QString, message);
        QFETCH(QByteArray, port);
        CFakeFtpServer destination;
        m_server->On("PASV", pasv);
        m_server->On("RETR", "550 Not here\r\n");
        QString error;
        QVERIFY2(destination.Start(&error), qPrintable(error));
        CTransferJob job = Job({Entry("a.bin", 5)});
        job.protocolType = sourceProtocol;
        job.clearDataChannel = true;
        job.localFolder = QStringLiteral("ftp:\\Sites\\dest");
        CWorkerSettings settings = Quick(2000);
        Destination(settings, destination.Port(), QStringLiteral("tester"), QStringLiteral("pw"));
        QVERIFY(Run(false, job, settings));
        QVERIFY(!m_worker->Succeeded());
        QVERIFY2(m_worker->FinalMessage().contains(message), qPrintable(m_worker->Details()));
        QVERIFY(sourceProtocol == 0 || m_server->Connections() + destination.Connections() == 0);
        QVERIFY2(port.isEmpty() || destination.Commands().contains(port), qPrintable(m_worker->Details()));
    }

    // A file the server refuses fails on its own: the others arrive and the queued job ends failed naming
    // it. Resumed, the job moves only that file: one deleted since stays deleted.
    void queueResumesOnlyTheFailedFiles_data()
    {
        Columns<bool>({"upload"});
        Row("download", false);
        Row("upload", true);
    }

    void queueResumesOnlyTheFailedFiles()
    {
        QFETCH(bool, upload);
        const QByteArray verb = upload ? "STOR" : "RETR";
        const FakeResponse::Data data = upload ? FakeResponse::Data::Receive : FakeResponse::Data::Send;
        const auto moving = [&](const QByteArray& payload) -> FakeResponse {
            return {"150 Opening\r\n", data, payload, "226 Done\r\n"};
        };
        m_server->On(verb, {moving("one"), {"550 Refused\r\n", {}, {}, {}}, moving("three"), moving("two")});
        CWorkerFactory factory(m_prompts);
        CRequester requester;
        CTransferQueue queue(factory, nullptr, nullptr);
        CTransferJob job = Job({});
        job.requestingWindow = &requester;
        for (const QString name : {"one", "two", "three"})
        {
            QVERIFY(!upload || WriteFile(Local(name), name.toLatin1()));
            job.files.append(Entry(upload ? Local(name) : name, name.size()));
        }
        QVERIFY(upload ? queue.AddUpload(job) : queue.AddDownload(job));
        QVERIFY(WaitUntil([&] { return requester.Ended() == 1; }, 60000));
        QVERIFY2(requester.failed.value(0).contains("] 1 個檔案傳送失敗：\n/two："),
                 qPrintable(requester.failed.value(0)));
        QVERIFY(upload || QFile::remove(Local("one")));

        queue.Resume({0});
        QVERIFY(WaitUntil([&] { return requester.Ended() == 2; }, 60000));
        QCOMPARE(requester.done.size(), 1);
        QByteArrayList sent = m_server->Commands();
        sent.removeIf([&](const QByteArray& command) { return !command.startsWith(verb); });
        QCOMPARE(sent.join(','), verb + " /one," + verb + " /two," + verb + " /three," + verb + " /two");
        if (upload)
            QCOMPARE(m_server->Received(), QByteArray("onethreetwo"));
        else
            QCOMPARE(ReadFile(Local("one")) + ReadFile(Local("two")) + ReadFile(Local("three")),
                     QByteArray("<missing>twothree"));
    }

    // The destination is a site like any other: an FTPS one (its data in the clear, which two servers
    // can share) is taken when its certificate is on record, and refused otherwise.
    void copiesBetweenTwoServers_data()
    {
        Columns<QString, QString, bool, bool, QString>(
            {"sourceKind", "targetKind", "tls", "trusted", "folder"});
        Row("FTP to FTP", "proftpd", "pyftpdlib", false, false, "/s2s");
        Row("to explicit FTPS, certificate on record", "pyftpdlib", "proftpd", true, true, "/s2s-trusted");
        Row("to explicit FTPS, unknown certificate", "pyftpdlib", "proftpd", true, false, "/s2s-unknown");
    }

    void copiesBetweenTwoServers()
    {
        QFETCH(QString, sourceKind);
        QFETCH(QString, targetKind);
        QFETCH(bool, tls);
        QFETCH(bool, trusted);
        QFETCH(QString, folder);
        CTestServer* source = Harness::Require(sourceKind);
        CTestServer* target = Harness::Require(targetKind);
        QVERIFY(source && target);
        QVERIFY(MakeTree(Disk(*source, folder)));
        CTrustedCertificates store;
        QFile::remove(store.FilePath());
        QVERIFY(!trusted || store.Add(ReadFile(target->Value("CERT")), "127.0.0.1", target->Port()));
        CTransferJob job = JobFor(*source, sourceKind, false, "/");
        job.transferType = 3;
        job.files = {Entry(folder.mid(1), 0, true)};
        job.localFolder = QStringLiteral("ftp:\\Sites\\target");
        CWorkerSettings settings = Quick(20000);
        CFtpSite& site = Destination(settings, target->Port(), target->User(), target->Password());
        site.ProtocolType = tls ? CFtpSite::ProtocolExplicitTls : CFtpSite::ProtocolFtp;
        site.ClearDataChannel = true;
        settings.overrides.unknownCertificate = TrustAnswer::Refuse;
        QVERIFY(Run(false, job, settings));
        QCOMPARE(m_worker->Succeeded(), !tls || trusted);
        // Refused: nothing reaches the target; taken: the whole tree, over PORT, in TLS when asked.
        QCOMPARE(QFileInfo::exists(Disk(*target, folder)), m_worker->Succeeded());
        QCOMPARE(TreeOf(Disk(*target, folder)),
                 m_worker->Succeeded() ? TreeOf(Disk(*source, folder)) : QStringList());
        QCOMPARE(m_worker->Details().contains(">> PORT 127,0,0,1,"), m_worker->Succeeded());
        QCOMPARE(m_worker->Details().contains(">> AUTH TLS"), tls);
    }
};

QTEST_GUILESS_MAIN(TestTransferWorkers)
#include "tst_transfer_workers.moc"
