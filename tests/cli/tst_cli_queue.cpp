#include "../engine/FakeFtpServer.h"
#include "CliRun.h"
#include "support/Rows.h"
#include "servers/Harness.h"
#include "support/TestFiles.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <memory>

using namespace TestFiles;

namespace
{
// Every file and folder below root, relative, folders with a trailing "/", files with their SHA-256.
QStringList TreeOf(const QString& root)
{
    QStringList tree;
    for (const QFileInfo& info :
         QDir(root).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
    {
        tree << (info.isDir() ? info.fileName() + u'/' : info.fileName() + u' ' + Sha256(info.filePath()));
        for (const QString& below : info.isDir() ? TreeOf(info.filePath()) : QStringList())
            tree << info.fileName() + u'/' + below;
    }
    return tree;
}

// Two levels, an empty folder, names with spaces and CJK.
bool MakeTree(const QString& root)
{
    const QDir dir(root);
    return dir.mkpath(QStringLiteral("sub/深 層")) && dir.mkpath(QStringLiteral("empty")) &&
           MakeFile(root + QStringLiteral("/top.bin"), 300000) &&
           MakeFile(root + QStringLiteral("/sub/mid file.dat"), 70001) &&
           MakeFile(root + QStringLiteral("/sub/深 層/底.txt"), 513) &&
           MakeFile(root + QStringLiteral("/sub/zero"), 0);
}

void StoreMasks(const QString& key, const QStringList& masks)
{
    QVERIFY(SaveProfileObject(QStringLiteral("Filter"), key, CStringList(masks)));
}

// The names inside a zip, read by Python's zipfile, which also tests every entry's CRC.
QStringList ZipNames(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {"-c",
                                             "import sys, zipfile\n"
                                             "z = zipfile.ZipFile(sys.argv[1])\n"
                                             "assert z.testzip() is None\n"
                                             "print('\\n'.join(sorted(z.namelist())))",
                                             path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QStringLiteral("<unreadable zip>")};
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}
} // namespace

class TestCliQueue : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_local;
    QTemporaryDir m_home;

    // Archives packed for upload go to the test's own folder.
    Run Cli(const QStringList& args)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), m_local->path());
        return RunCli(m_home.path(), args, m_local->path(), {}, environment);
    }

    // The arguments with "%1" standing for the fake server's address; the server is started first.
    Run Cli(const QStringList& args, CFakeFtpServer& server)
    {
        QString error;
        if (!server.IsStarted() && !server.Start(&error))
            return {-4, {}, error};
        return Cli(args.join(u'\n')
                       .arg(QStringLiteral("ftp://tester:pw@127.0.0.1:%1").arg(server.Port()))
                       .split(u'\n'));
    }

    // The address of the folder the user may write to, and that folder on disk; empty on failure. sshd's
    // user is not chrooted: its folder is an absolute path, and its host key goes on record once.
    QString Target(const QString& kind, QString* disk, QString* remote = nullptr)
    {
        CTestServer* server = Harness::Require(kind);
        if (!server)
            return {};
        const bool sftp = kind == QLatin1String("sshd");
        *disk = sftp ? server->Value(QStringLiteral("WORKDIR")) : server->Root();
        if (remote)
            *remote = sftp ? *disk : QStringLiteral("/");
        const QString target = QStringLiteral("%1://%2:%3@127.0.0.1:%4/")
                                   .arg(sftp ? "sftp" : "ftp", QUrl::toPercentEncoding(server->User()),
                                        QUrl::toPercentEncoding(server->Password()))
                                   .arg(server->Port()) +
                               (sftp ? *disk + u'/' : QString());
        const Run accept = sftp ? Cli({"ls", target, "--accept-host-key", "--trust"}) : Run{0, {}, {}};
        if (accept.exitCode != 0)
            QTest::qFail(qPrintable(accept.err), __FILE__, __LINE__);
        return accept.exitCode == 0 ? target : QString();
    }
    QString Local(const QString& name) const { return m_local->filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // The test writes the stored settings the commands read.
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
    }

    void init()
    {
        m_local = std::make_unique<QTemporaryDir>();
        QVERIFY(m_local->isValid());
        QFile::remove(CDataFolder::SettingsFile());
    }

    void getsAndPutsWithEachOverwriteChoice_data()
    {
        QTest::addColumn<QString>("kind");
        Row("FTP proftpd", "proftpd");
        Row("SFTP sshd", "sshd");
    }

    // Names below the target's folder come down into an output folder made when missing; files and a
    // folder go up into a folder named by its absolute path; then one file again with each choice.
    void getsAndPutsWithEachOverwriteChoice()
    {
        QFETCH(QString, kind);
        QString disk, folder;
        const QString target = Target(kind, &disk, &folder);
        QVERIFY(!target.isEmpty());
        QVERIFY(QDir().mkpath(disk + QStringLiteral("/in")));
        QVERIFY(MakeFile(disk + QStringLiteral("/in/one.bin"), 1234567) &&
                MakeFile(disk + "/in/兩 two.txt", 10));
        Run run = Cli({"get", target, "in/one.bin", "in/兩 two.txt", "-o", Local("down/here")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(run.out, QStringLiteral("done: 1, failed: 0\n"));
        QVERIFY2(run.err.contains(QStringLiteral("total: 1 of 1 jobs ended")), qPrintable(run.err));
        QCOMPARE(TreeOf(Local("down/here")), TreeOf(disk + QStringLiteral("/in")));

        QVERIFY(MakeFile(Local("up a.bin"), 40000) && MakeFile(Local("up b.bin"), 1) &&
                MakeTree(Local("folder")));
        QVERIFY_SUCCEEDS(
            Cli({"put", target, Local("up a.bin"), Local("up b.bin"), Local("folder"), "-r", folder}));
        QCOMPARE(Sha256(disk + QStringLiteral("/up a.bin")), Sha256(Local("up a.bin")));
        QCOMPARE(Sha256(disk + QStringLiteral("/up b.bin")), Sha256(Local("up b.bin")));
        QCOMPARE(TreeOf(disk + QStringLiteral("/folder")), TreeOf(Local("folder")));

        const QString remote = disk + QStringLiteral("/up a.bin");
        const QByteArray first = ReadFile(remote);
        QVERIFY(MakeFile(Local("up a.bin"), 300000));
        const QStringList put{"put", target, Local("up a.bin"), "-r", folder, "--overwrite"};
        QCOMPARE(Cli(put + QStringList{"skip"}).exitCode, 0);
        QCOMPARE(ReadFile(remote), first);
        // The new file goes up under a numbered name beside the one that stays.
        QCOMPARE(Cli(put + QStringList{"number"}).exitCode, 0);
        QCOMPARE(ReadFile(remote), first);
        QStringList copies = QDir(disk).entryList({QStringLiteral("*up a.bin")}, QDir::Files);
        QVERIFY2(copies.removeAll(QStringLiteral("up a.bin")) == 1 && copies.size() == 1,
                 qPrintable(copies.join(u',')));
        QCOMPARE(Sha256(disk + u'/' + copies.first()), Sha256(Local("up a.bin")));
        QCOMPARE(Cli(put + QStringList{"overwrite"}).exitCode, 0);
        QCOMPARE(Sha256(remote), Sha256(Local("up a.bin")));
        // A cut-short remote copy is completed to the whole file.
        QVERIFY(QFile::resize(remote, 1000));
        QCOMPARE(Cli(put + QStringList{"resume"}).exitCode, 0);
        QCOMPARE(Sha256(remote), Sha256(Local("up a.bin")));
    }

    void mirrorsATreeBothWays_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("parallel");
        QTest::addColumn<QString>("below"); // the remote folder the tree goes into, made by the mirror
        Row("FTP proftpd, three jobs", "proftpd", QStringList{"--parallel", "3"}, "");
        Row("FTP proftpd, one job into a missing folder", "proftpd", QStringList(), "new/a/b");
        Row("SFTP sshd, three jobs into a missing folder", "sshd", QStringList{"--parallel", "3"}, "new/a/b");
    }

    void mirrorsATreeBothWays()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, parallel);
        QFETCH(QString, below);
        QString disk, folder;
        const QString target = Target(kind, &disk, &folder);
        QVERIFY(!target.isEmpty());
        QDir(disk + QStringLiteral("/tree")).removeRecursively();
        QDir(disk + QStringLiteral("/new")).removeRecursively();
        QVERIFY(MakeTree(Local("src/tree")));
        const QString tree = below.isEmpty() ? QStringLiteral("tree") : below + QStringLiteral("/tree");
        Run run = Cli(QStringList{"mirror", target, QDir::cleanPath(folder + u'/' + below), Local("src/tree"),
                                  "--reverse"} +
                      parallel);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(TreeOf(disk + u'/' + tree), TreeOf(Local("src/tree")));
        run = Cli(QStringList{"mirror", target, tree, Local("back")} + parallel);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(TreeOf(Local("back/tree")), TreeOf(Local("src/tree")));
        // The tree's four files are shared out into three jobs when running in parallel.
        QCOMPARE(run.out, QStringLiteral("done: %1, failed: 0\n").arg(parallel.isEmpty() ? 1 : 3));
    }

    // One job per file, never more than two at once, each progress block ending with the total speed; a
    // file that is not there fails alone.
    void runsJobsInParallel()
    {
        QString disk;
        const QString target = Target(QStringLiteral("proftpd"), &disk);
        QVERIFY(!target.isEmpty());
        QStringList args{"get", target};
        for (int i = 1; i <= 4; ++i)
        {
            QVERIFY(MakeFile(disk + QStringLiteral("/p%1.bin").arg(i), 200000 * i));
            args << QStringLiteral("p%1.bin").arg(i);
        }
        const Run run =
            Cli(args + QStringList{"missing.bin", "-o", Local("par"), "--parallel", "2", "--retries", "0"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.startsWith(QStringLiteral("done: 4, failed: 1\nfailed [")), qPrintable(run.out));
        QVERIFY2(run.err.contains(QRegularExpression(QStringLiteral("running, [0-9]+\\.[0-9] [kMG]?B/s\n"))),
                 qPrintable(run.err));
        QVERIFY2(!run.err.contains(QStringLiteral(", 3 running")) &&
                     !run.err.contains(QStringLiteral(", 4 running")),
                 qPrintable(run.err));
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(Sha256(Local("par/p%1.bin").arg(i)), Sha256(disk + QStringLiteral("/p%1.bin").arg(i)));
        QVERIFY(QFileInfo(Local("par/missing.bin")).size() == 0);
    }

    void appliesTheOverwriteChoiceBelowAMirroredFolder_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("parallel");
        Row("overwrite", "overwrite", QStringList());
        Row("skip, two jobs", "skip", QStringList{"--parallel", "2"});
        Row("number, two jobs", "number", QStringList{"--parallel", "2"});
    }

    // Changed files at two depths, a new file and a new empty folder, mirrored up again.
    void appliesTheOverwriteChoiceBelowAMirroredFolder()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, parallel);
        QString disk;
        const QString target = Target(QStringLiteral("proftpd"), &disk);
        QVERIFY(!target.isEmpty());
        const QString remote = disk + QStringLiteral("/tree");
        QDir(remote).removeRecursively();
        QVERIFY(MakeTree(Local("src/tree")));
        const QStringList mirror{"mirror", target, "/", Local("src/tree"), "--reverse"};
        QCOMPARE(Cli(mirror).exitCode, 0);
        const QStringList before = TreeOf(remote);
        QVERIFY(WriteFile(Local("src/tree/sub/深 層/底.txt"), "changed below"));
        QVERIFY(WriteFile(Local("src/tree/top.bin"), "changed on top"));
        QVERIFY(WriteFile(Local("src/tree/sub/new.txt"), "new"));
        QVERIFY(QDir().mkpath(Local("src/tree/sub/later")));
        QVERIFY_SUCCEEDS(Cli(mirror + QStringList{"--overwrite", mode} + parallel));
        if (mode == QLatin1String("overwrite"))
        {
            QCOMPARE(TreeOf(remote), TreeOf(Local("src/tree")));
            return;
        }
        QCOMPARE(ReadFile(remote + QStringLiteral("/sub/new.txt")), QByteArray("new"));
        QVERIFY(QFileInfo(remote + QStringLiteral("/sub/later")).isDir());
        QStringList kept = TreeOf(remote);
        kept.removeAll(QStringLiteral("sub/later/"));
        kept.removeAll("sub/new.txt " + Sha256(Local("src/tree/sub/new.txt")));
        if (mode == QLatin1String("skip"))
        {
            QCOMPARE(kept, before);
            return;
        }
        // number: each changed file lands beside the old one, which keeps its bytes, under a new name.
        QStringList below = QDir(remote + QStringLiteral("/sub/深 層")).entryList(QDir::Files, QDir::Name);
        QVERIFY2(below.removeAll(QStringLiteral("底.txt")) == 1 && below.size() == 1,
                 qPrintable(below.join(u',')));
        QCOMPARE(ReadFile(remote + QStringLiteral("/sub/深 層/") + below.first()),
                 QByteArray("changed below"));
        QVERIFY(before.contains("sub/深 層/底.txt " + Sha256(remote + QStringLiteral("/sub/深 層/底.txt"))));
        QCOMPARE(QDir(remote).entryList({QStringLiteral("*top.bin")}, QDir::Files).size(), 2);
    }

    void verifiesChecksums_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("failure"); // empty: the check passes
        Row("proftpd crc", "proftpd", QStringLiteral("crc"), "");
        Row("proftpd md5", "proftpd", QStringLiteral("md5"), "");
        Row("proftpd sha1", "proftpd", QStringLiteral("sha1"), "");
        Row("pyftpdlib without checksums", "pyftpdlib", QStringLiteral("md5"),
            "檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！");
    }

    // Over a local copy, while the store says one job and skip: the options given win, and the store is
    // the same file afterwards.
    void verifiesChecksums()
    {
        QFETCH(QString, kind);
        QFETCH(QString, check);
        QFETCH(QString, failure);
        QString disk;
        const QString target = Target(kind, &disk);
        QVERIFY(!target.isEmpty());
        QVERIFY(WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("TransferMax"), 1));
        QVERIFY(WriteProfileInt(QStringLiteral("SmartOverwrite"), QStringLiteral("MatchingFiles"), 2));
        const QByteArray stored = ReadFile(CDataFolder::SettingsFile());
        QVERIFY(MakeFile(disk + QStringLiteral("/checked.bin"), 3 * kMiB + 17));
        QVERIFY(QDir().mkpath(Local("v")) && WriteFile(Local("v/checked.bin"), "local"));
        const Run run = Cli({"get", target, "checked.bin", "-o", Local("v"), "--verify", check, "--retries",
                             "0", "--overwrite", "overwrite", "--parallel", "3"});
        QCOMPARE(ReadFile(CDataFolder::SettingsFile()), stored);
        if (failure.isEmpty())
        {
            QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
            QCOMPARE(Sha256(Local("v/checked.bin")), Sha256(disk + QStringLiteral("/checked.bin")));
            return;
        }
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.startsWith(QStringLiteral("done: 0, failed: 1\n")) && run.out.contains(failure),
                 qPrintable(run.out));
    }

    void leavesOutFilteredNames()
    {
        QString disk;
        const QString target = Target(QStringLiteral("proftpd"), &disk);
        QVERIFY(!target.isEmpty());
        // The exclude list counts only behind an include list.
        StoreMasks(QStringLiteral("Mask"), {QStringLiteral("*")});
        StoreMasks(QStringLiteral("NotMask"), {QStringLiteral("*.log")});
        QVERIFY(QDir().mkpath(disk + QStringLiteral("/flt/deep")));
        for (const char* name :
             {"/flt/keep.txt", "/flt/drop.log", "/flt/deep/also.log", "/flt/deep/kept.bin"})
            QVERIFY(MakeFile(disk + QString::fromLatin1(name), 100));
        // Without --filter (and the stored switches off) the masks do nothing.
        QCOMPARE(Cli({"mirror", target, "flt", Local("all")}).exitCode, 0);
        QCOMPARE(TreeOf(Local("all/flt")), TreeOf(disk + QStringLiteral("/flt")));
        // Shared out over jobs or not, the tree is filtered the same way.
        const QStringList filtered =
            TreeOf(disk + QStringLiteral("/flt")).filter(QRegularExpression("^(?!.*\\.log )"));
        QCOMPARE(filtered.size(), 3);
        for (const QString& jobs : {QStringLiteral("1"), QStringLiteral("2")})
        {
            QCOMPARE(Cli({"mirror", target, "flt", Local(jobs), "--filter", "--parallel", jobs}).exitCode, 0);
            QCOMPARE(TreeOf(Local(jobs + "/flt")), filtered);
        }
        QCOMPARE(
            Cli({"get", target, "flt/keep.txt", "flt/drop.log", "-o", Local("named"), "--filter"}).exitCode,
            0);
        QVERIFY(QFile::exists(Local("named/keep.txt")) && !QFile::exists(Local("named/drop.log")));
        // Uploads are filtered by the names given; a put that keeps nothing says so.
        QVERIFY(MakeFile(Local("up.txt"), 10) && MakeFile(Local("up.log"), 10));
        QCOMPARE(Cli({"put", target, Local("up.txt"), Local("up.log"), "-r", "/", "--filter"}).exitCode, 0);
        QVERIFY(QFile::exists(disk + QStringLiteral("/up.txt")) &&
                !QFile::exists(disk + QStringLiteral("/up.log")));
        const Run run = Cli({"put", target, Local("up.log"), "-r", "/", "--filter"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("the filter leaves out up.log")), qPrintable(run.err));
    }

    // Only the archive travels, named after the first selected entry, holding every file below it; its own
    // name passes the filter, so a filter that keeps only text files keeps no archive.
    void uploadsAPackedSelection()
    {
        QString disk;
        const QString target = Target(QStringLiteral("proftpd"), &disk);
        QVERIFY(!target.isEmpty());
        QVERIFY(MakeTree(Local("photos")) && MakeFile(Local("a.txt"), 5));
        Run run = Cli({"put", target, Local("photos"), Local("a.txt"), "-r", "/", "--pack", "zip"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QVERIFY(!QFile::exists(disk + QStringLiteral("/a.txt")) &&
                !QFile::exists(disk + QStringLiteral("/photos")));
        QStringList expected;
        for (const char* file : {"photos/top.bin", "photos/sub/mid file.dat", "photos/sub/深 層/底.txt",
                                 "photos/sub/zero", "a.txt"})
            expected << Local(QString::fromUtf8(file)).mid(1);
        expected.sort();
        QCOMPARE(ZipNames(disk + QStringLiteral("/photos.zip")), expected);

        StoreMasks(QStringLiteral("Mask"), {QStringLiteral("*.txt")});
        run = Cli({"put", target, Local("photos"), "-r", "/", "--pack", "targz", "--filter"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("photos.tar.gz")), qPrintable(run.err));
        QVERIFY(!QFile::exists(disk + QStringLiteral("/photos.tar.gz")));
    }

    // Interrupted once the file has begun to arrive: the run ends interrupted with part of the file, and a
    // resumed run completes it.
    void interruptsAndResumes()
    {
        QString disk;
        const QString target = Target(QStringLiteral("proftpd"), &disk);
        QVERIFY(!target.isEmpty());
        constexpr qint64 kSize = 256 * kMiB;
        QVERIFY(MakeFile(disk + QStringLiteral("/large.bin"), kSize));
        const QString local = Local("int/large.bin");
        QProcess process;
        // A child of a background job would inherit SIGINT ignored; the command must not depend on that.
        process.setChildProcessModifier([] { ::signal(SIGINT, SIG_DFL); });
        process.start(QStringLiteral(ZENTRAVA_CLI),
                      {"--home", m_home.path(), "get", target, "large.bin", "-o", Local("int")});
        QVERIFY(process.waitForStarted(30000));
        for (int i = 0; i < 30000 && QFileInfo(local).size() == 0 && process.state() == QProcess::Running;
             ++i)
            QTest::qSleep(1);
        QVERIFY(QFileInfo(local).size() > 0);
        QVERIFY(::kill(pid_t(process.processId()), SIGINT) == 0);
        QVERIFY(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(out.contains(QStringLiteral("(interrupted)")), qPrintable(out));
        const qint64 partial = QFileInfo(local).size();
        QVERIFY2(
            partial > 0 && partial < kSize,
            qPrintable(QString::number(partial) + out + QString::fromUtf8(process.readAllStandardError())));
        QVERIFY_SUCCEEDS(Cli({"get", target, "large.bin", "-o", Local("int"), "--overwrite", "resume"}));
        QCOMPARE(Sha256(local), Sha256(disk + QStringLiteral("/large.bin")));
        QVERIFY(QFile::remove(disk + QStringLiteral("/large.bin")));
    }

    // A transfer that ends short of its size fails and is resumed later, one whose connection drops is
    // resumed by the job's next attempt; a refused log-in is not tried again, other refusals are.
    void meetsBrokenServers_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("resume"); // empty: the first run has the last word
        QTest::addColumn<QByteArray>("pass");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("passes");
        QTest::addColumn<QString>("local"); // the file that ends complete, if any
        const QStringList get{"get", "%1/pub/", "f.bin", "-o", "q", "--retries", "2", "--retry-delay", "0"};
        const QStringList put{"put", "%1/", "p.bin", "-r", "/pub", "--retries", "1", "--retry-delay", "0"};
        const QByteArray in = "230 In";
        const QByteArray no = "530 No";
        Row("get, short", QStringList{"get", "%1/pub/f.bin", "g.bin"}, QStringList{"--resume"}, in, 1,
            "32768.*65536", 1, "g.bin");
        Row("mirror, short", QStringList{"mirror", "%1/", "/pub", "m"}, QStringList{"--overwrite", "resume"},
            in, 1, "32768.*65536", 1, "m/pub/f.bin");
        Row("get, short, ASCII", QStringList{"get", "%1/pub/f.bin", "a.txt", "--ascii"}, QStringList(), in, 0,
            "", 1, "");
        Row("dropped", get, QStringList(), in, 0, "done: 1", 2, "q/f.bin");
        Row("put, dropped", put, QStringList(), in, 0, "done: 1", 3, "p.bin");
        Row("ls, 530", QStringList{"ls", "%1/"}, QStringList(), no, 1, "530 No", 1, "");
        Row("queue get, 530", get, QStringList(), no, 1, "530 No", 1, "");
        Row("queue get, 530 with escapes", get, QStringList(), QByteArray("530 \x1b[2JNo"), 1,
            "530 \\\\x1b\\[2JNo", 1, "");
        Row("queue get, 421", get, QStringList(), QByteArray("421 Busy"), 1, "421 Busy", 3, "");
    }

    void meetsBrokenServers()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, resume);
        QFETCH(QByteArray, pass);
        QFETCH(int, exitCode);
        QFETCH(QString, shown);
        QFETCH(int, passes);
        QFETCH(QString, local);
        const QByteArray payload = QByteArray(32768, 'a') + QByteArray(32768, 'b');
        const QByteArray opening = "150 Opening BINARY mode data connection (65536 bytes)\r\n";
        // A file the first run completes by itself had its connection dropped.
        const FakeResponse::Data broken =
            resume.isEmpty() && !local.isEmpty() ? FakeResponse::Data::SendAndDrop : FakeResponse::Data::Send;
        // An upload is cut at half, so only what the server had is sent again.
        const bool put = first.first() == QLatin1String("put");
        QVERIFY(!put || WriteFile(Local(local), payload));
        CFakeFtpServer server;
        server.On("PASS", pass + "\r\n");
        server.On("LIST", {{"150 Here\r\n", FakeResponse::Data::Send,
                            "-rw-r--r-- 1 u g 65536 Jan 1 2024 f.bin\r\n", "226 Done\r\n"}});
        server.On("SIZE", put ? "213 32768\r\n" : "213 65536\r\n");
        server.On("STOR", {{"150 Opening\r\n", FakeResponse::Data::Receive, {}, {}, true, false, 32768},
                           {"150 Opening\r\n", FakeResponse::Data::Receive, {}, "226 Done\r\n"}});
        server.On("RETR", {{opening, broken, payload.left(32768), "226 Done\r\n"},
                           {opening, FakeResponse::Data::Send, payload, "226 Done\r\n", false, true}});
        const Run run = Cli(first, server);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err + run.out));
        QVERIFY2((run.out + run.err).contains(QRegularExpression(shown)), qPrintable(run.err + run.out));
        QVERIFY(!(run.out + run.err).contains(QChar(0x1b)));
        QCOMPARE(server.Commands().count("PASS pw"), passes);
        if (local.isEmpty())
            return;
        QVERIFY(resume.isEmpty() || Cli(first + resume, server).exitCode == 0);
        QCOMPARE(put ? server.Received() : ReadFile(Local(local)), payload);
        QVERIFY(server.Commands().contains("REST 32768"));
    }
};

QTEST_GUILESS_MAIN(TestCliQueue)
#include "tst_cli_queue.moc"
