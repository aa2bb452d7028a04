#include "WorkerTestSupport.h"

#include "servers/Harness.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

using namespace WorkerTest;

namespace
{
// Whole minutes a few days back: every listing format (LIST shows no seconds) gives it exactly.
QDateTime StampTime()
{
    const qint64 minutes = QDateTime::currentSecsSinceEpoch() / 60 - 3 * 24 * 60;
    return QDateTime::fromSecsSinceEpoch(minutes * 60, Qt::UTC);
}

bool SetTime(const QString& path, const QDateTime& time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

// Gives every file below root the time, or (check) tells whether every one has it.
bool TreeTime(const QString& root, const QDateTime& time, bool check)
{
    for (const QString& entry : TreeOf(root))
    {
        const QString path = root + u'/' + entry.section(u' ', 0, -2);
        if (!entry.endsWith(u'/') &&
            !(check ? QFileInfo(path).lastModified().toUTC() == time : SetTime(path, time)))
            return false;
    }
    return true;
}
} // namespace

class TestTransferWorkersReal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    CScriptedPrompts m_prompts;

    QString Local(const QString& name) const { return m_dir->filePath(name); }

    static CWorkerSettings Settings()
    {
        CWorkerSettings settings;
        settings.connectionTimeoutMs = 20000;
        return settings;
    }

    // Downloads the named files of the server's root folder, listed as a connection window lists them.
    bool Download(CTestServer& server, CTransferJob job, const QStringList& names, QString* message = nullptr)
    {
        job.localFolder = m_dir->path();
        job.files.clear();
        for (const QString& name : names)
        {
            const QFileInfo remote(Disk(server, u'/' + name));
            job.files.append({name, 0, remote.size(), remote.lastModified()});
        }
        CDownloadThread worker(job, Settings(), m_prompts);
        CWorkerRun run(worker);
        const bool ended = run.Run();
        if (message)
            *message = worker.FinalMessage();
        if (!run.success)
            qWarning().noquote() << run.Explain();
        return ended && run.success;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(ResetSettings(m_home)); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = CScriptedPrompts();
        QFile::remove(CDataFolder::SettingsFile());
    }

    void treeRoundTrip_data()
    {
        Columns<QString, bool>({"kind", "tls"});
        Row("FTP proftpd", "proftpd", false);
        Row("explicit FTPS vsftpd", "vsftpd", true);
        Row("SFTP sshd", "sshd", false);
    }

    void treeRoundTrip()
    {
        QFETCH(QString, kind);
        QFETCH(bool, tls);
        CTestServer* server = Harness::Require(kind);
        QVERIFY(server);
        const QDateTime time = StampTime();
        QVERIFY(MakeTree(Local("src/tree")) && TreeTime(Local("src/tree"), time, false));
        const QString remote = WritableFolder(*server, kind);

        CTransferJob job = JobFor(*server, kind, tls, remote);
        job.transferType = 3;
        job.files = {Entry(Local("src/tree"), 0, true)};
        CUploadThread upload(job, Settings(), m_prompts);
        CWorkerRun up(upload);
        QVERIFY(up.Run());
        QVERIFY2(up.success, qPrintable(up.Explain()));
        QCOMPARE(TreeOf(Disk(*server, remote + QStringLiteral("/tree"))), TreeOf(Local("src/tree")));
        QCOMPARE(up.relayed.size(), TreeOf(Local("src/tree")).size() + 1);
        QVERIFY2(TreeTime(Disk(*server, remote + QStringLiteral("/tree")), time, true),
                 qPrintable(upload.Details()));

        job.files = {Entry(QStringLiteral("tree"), 0, true)};
        job.localFolder = Local("down");
        QVERIFY(QDir().mkpath(job.localFolder));
        CDownloadThread download(job, Settings(), m_prompts);
        CWorkerRun down(download);
        QVERIFY(down.Run());
        QVERIFY2(down.success, qPrintable(down.Explain()));
        QCOMPARE(download.FinalMessage(), QStringLiteral("下載完成！"));
        QCOMPARE(TreeOf(Local("down/tree")), TreeOf(Local("src/tree")));
        QVERIFY(TreeTime(Local("down/tree"), time, true));
    }

    // A listing's size only spares the engine a question: a file that changed since still comes whole.
    void downloadsWhenTheListedSizeIsStale_data()
    {
        Columns<qint64>({"listed"});
        Row("as listed", qint64(300000));
        Row("grown since", qint64(1000));
        Row("shrunk since", qint64(600000));
        Row("empty then", qint64(0));
    }

    void downloadsWhenTheListedSizeIsStale()
    {
        QFETCH(qint64, listed);
        CTestServer* server = Harness::Require(QStringLiteral("sshd"));
        QVERIFY(server);
        const QString remote = WritableFolder(*server, QStringLiteral("sshd")) + QStringLiteral("/stale.bin");
        QVERIFY(MakeFile(Disk(*server, remote), 300000));
        QString problem;
        CRemoteConnection connection(
            JobTarget(JobFor(*server, QStringLiteral("sshd"), false, {}), 20000, &problem));
        connection.SetHostKeyHook([](const SshHostKey&) { return true; });
        QVERIFY(connection.Connect().Ok());
        const FtpResult result = connection.Download(remote, Local("stale.bin"), false, {}, listed);
        QVERIFY2(result.Ok(), qPrintable(result.message));
        QCOMPARE(Sha256(Local("stale.bin")), Sha256(Disk(*server, remote)));
    }

    void resumesAnInterruptedDownload()
    {
        CTestServer* server = Harness::Require(QStringLiteral("proftpd"));
        QVERIFY(server);
        const QString remote = QStringLiteral("/resume.bin");
        QVERIFY(MakeFile(Disk(*server, remote), 3 * kMiB + 17));
        QVERIFY(WriteFile(Local("resume.bin"), ReadFile(Disk(*server, remote)).left(int(kMiB))));
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", int(OverwriteAction::Resume)));
        CTransferJob job = JobFor(*server, QStringLiteral("proftpd"), false, QStringLiteral("/"));
        job.transferType = 3;
        job.localFolder = m_dir->path();
        job.files = {Entry(QStringLiteral("resume.bin"), 3 * kMiB + 17)};
        CDownloadThread worker(job, Settings(), m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QVERIFY2(run.success, qPrintable(run.Explain()));
        QCOMPARE(Sha256(Local("resume.bin")), Sha256(Disk(*server, remote)));
        QVERIFY(worker.Details().contains(QStringLiteral("> REST %1").arg(kMiB)));
    }

    void checksIntegrity_data()
    {
        Columns<QString, int, QString>({"kind", "type", "message"});
        Row("CRC on proftpd", "proftpd", 0, "");
        Row("MD5 on proftpd", "proftpd", 1, "");
        Row("SHA1 on proftpd", "proftpd", 2, "");
        Row("vsftpd has none", "vsftpd", 1, "檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！");
    }

    void checksIntegrity()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(QString, message);
        CTestServer* server = Harness::Require(kind);
        QVERIFY(server);
        QVERIFY(WriteProfileInt("Settings", "EnableCRC", 1) && WriteProfileInt("Settings", "TypeCRC", type));
        QVERIFY(MakeFile(Disk(*server, "/sum1.bin"), 200000) && MakeFile(Disk(*server, "/sum2.bin"), 1000));
        CTransferJob job = JobFor(*server, kind, kind == QLatin1String("vsftpd"), QStringLiteral("/"));
        job.transferType = 3;
        QString final;
        QCOMPARE(Download(*server, job, {"sum1.bin", "sum2.bin"}, &final), message.isEmpty());
        QCOMPARE(final, message.isEmpty() ? QStringLiteral("下載完成！") : message);
        QCOMPARE(Sha256(Local("sum1.bin")), Sha256(Disk(*server, "/sum1.bin")));
        // A failed check ends the job: the second file is not fetched.
        QCOMPARE(QFile::exists(Local("sum2.bin")), message.isEmpty());
    }

    void appliesTheOverwriteDecisions()
    {
        CTestServer* server = Harness::Require(QStringLiteral("pyftpdlib"));
        QVERIFY(server);
        const QDateTime remoteTime = StampTime();
        for (const char* name : {"older.txt", "newer.txt", "n.txt"})
        {
            QVERIFY(WriteFile(Disk(*server, QStringLiteral("/") + name), "remote content"));
            QVERIFY(SetTime(Disk(*server, QStringLiteral("/") + name), remoteTime));
        }
        CTransferJob job = JobFor(*server, QStringLiteral("pyftpdlib"), false, QStringLiteral("/"));
        job.transferType = 3;

        // The rules: a newer local file prompts, anything else is skipped.
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", 6));
        StoreList("OverwriteRules", "Rules", {"0113", "1114"});
        QVERIFY(WriteFile(Local("older.txt"), "old local") &&
                SetTime(Local("older.txt"), remoteTime.addDays(-1)));
        QVERIFY(WriteFile(Local("newer.txt"), "a newer local file") &&
                SetTime(Local("newer.txt"), remoteTime.addDays(1)));
        m_prompts.answers = {OverwriteAction::Overwrite};
        QVERIFY(Download(*server, job, {"older.txt", "newer.txt"}));
        QCOMPARE(m_prompts.Questions(), QStringLiteral("replace"));
        QCOMPARE(m_prompts.replaceAsked.size(), 1);
        QCOMPARE(m_prompts.replaceAsked[0].targetPath, Local("newer.txt"));
        QCOMPARE(ReadFile(Local("older.txt")), QByteArray("old local"));
        QCOMPARE(ReadFile(Local("newer.txt")), QByteArray("remote content"));

        // Numbering, twice over the same file.
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", int(OverwriteAction::Number)));
        QVERIFY(WriteFile(Local("n.txt"), "local"));
        QVERIFY(Download(*server, job, {"n.txt"}));
        QVERIFY(Download(*server, job, {"n.txt"}));
        QCOMPARE(ReadFile(Local("n.txt")), QByteArray("local"));
        QCOMPARE(ReadFile(Local("複製 -n.txt")), QByteArray("remote content"));
        QCOMPARE(ReadFile(Local("複製(2) -n.txt")), QByteArray("remote content"));

        // Yes to all: one question for the whole job.
        m_prompts = CScriptedPrompts();
        m_prompts.answers = {OverwriteAction::OverwriteAll};
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", int(OverwriteAction::Prompt)));
        for (const char* name : {"older.txt", "newer.txt", "n.txt"})
            QVERIFY(WriteFile(Local(name), "a local file longer than the remote one"));
        QVERIFY(Download(*server, job, {"older.txt", "newer.txt", "n.txt"}));
        QCOMPARE(m_prompts.Asked(), 1);
        for (const char* name : {"older.txt", "newer.txt", "n.txt"})
            QCOMPARE(ReadFile(Local(name)), QByteArray("remote content"));
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
        if (trusted)
            QVERIFY(store.Add(ReadFile(target->Value(QStringLiteral("CERT"))), "127.0.0.1", target->Port()));
        CTransferJob job = JobFor(*source, sourceKind, false, QStringLiteral("/"));
        job.transferType = 3;
        job.files = {Entry(folder.mid(1), 0, true)};
        job.localFolder = QStringLiteral("ftp:\\Sites\\target");
        CWorkerSettings settings = Settings();
        CFtpSite& site = settings.destinationSite.emplace();
        site.Address = QStringLiteral("127.0.0.1");
        site.Port = target->Port();
        site.Login = target->User();
        site.Password = target->Password();
        site.ProtocolType = tls ? CFtpSite::ProtocolExplicitTls : CFtpSite::ProtocolFtp;
        site.ClearDataChannel = true;
        settings.overrides.unknownCertificate = TrustAnswer::Refuse;
        CDownloadThread worker(job, settings, m_prompts);
        CWorkerRun run(worker);
        QVERIFY(run.Run());
        QCOMPARE(run.success, !tls || trusted);
        if (!run.success)
        {
            QVERIFY(!QFileInfo::exists(Disk(*target, folder)));
            return;
        }
        QCOMPARE(TreeOf(Disk(*target, folder)), TreeOf(Disk(*source, folder)));
        QVERIFY(worker.Details().contains(">> PORT 127,0,0,1,"));
        QCOMPARE(worker.Details().contains(">> AUTH TLS"), tls);
    }
};

QTEST_GUILESS_MAIN(TestTransferWorkersReal)
#include "tst_transfer_workers_real.moc"
