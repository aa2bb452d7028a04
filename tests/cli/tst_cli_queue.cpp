#include "../engine/FakeFtpServer.h"
#include "support/TestFiles.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

#include <csignal>

using namespace TestFiles;

namespace
{
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Every file and folder below root, relative, folders with a trailing "/", files with their SHA-256.
QStringList TreeOf(const QString& root)
{
    QStringList tree;
    const QDir dir(root);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
    {
        if (!info.isDir())
        {
            tree << info.fileName() + u' ' + QString::fromLatin1(Sha256(info.filePath()));
            continue;
        }
        tree << info.fileName() + u'/';
        for (const QString& below : TreeOf(info.filePath()))
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

// The writable folder as an absolute remote path: sshd's user is not chrooted.
QString RemoteFolder(const QString& kind, const QString& disk)
{
    return kind == QLatin1String("sshd") ? disk : QStringLiteral("/");
}

QString Escaped(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

void StoreMasks(const QString& key, const QStringList& masks)
{
    QVERIFY(SaveProfileObject(QStringLiteral("Filter"), key, CStringList(masks)));
}

// The names inside a zip, read by Python's zipfile, which also tests every entry's CRC.
QStringList ZipNames(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"),
                                             QStringLiteral("import sys, zipfile\n"
                                                            "z = zipfile.ZipFile(sys.argv[1])\n"
                                                            "assert z.testzip() is None\n"
                                                            "print('\\n'.join(sorted(z.namelist())))"),
                                             path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QStringLiteral("<unreadable zip>")};
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}
} // namespace

class TestCliQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void getsAndPutsSeveralFiles_data();
    void getsAndPutsSeveralFiles();
    void mirrorsATreeBothWays_data();
    void mirrorsATreeBothWays();
    void runsJobsInParallel();
    void reportsAFailedJob();
    void appliesTheOverwriteChoiceToUploads_data();
    void appliesTheOverwriteChoiceToUploads();
    void appliesTheOverwriteChoiceBelowAMirroredFolder_data();
    void appliesTheOverwriteChoiceBelowAMirroredFolder();
    void verifiesChecksums_data();
    void verifiesChecksums();
    void leavesOutFilteredNames();
    void uploadsAPackedSelection();
    void keepsTheStoredSettings();
    void interruptsAndResumes();
    void meetsBrokenServers_data();
    void meetsBrokenServers();
    void refusesBadUsage_data();
    void refusesBadUsage();

private:
    Run Cli(QStringList args);
    // The arguments with "%1" standing for the fake server's address; the server is started first.
    Run Cli(const QStringList& args, CFakeFtpServer& server);
    // The address of the folder the user may write to, and that folder on disk; empty on failure.
    QString Target(const QString& kind, QString* disk);
    QString Local(const QString& name) const { return m_local->filePath(name); }

    CServerPool m_servers;
    std::unique_ptr<QTemporaryDir> m_local;
    QTemporaryDir m_home;
};

void TestCliQueue::initTestCase()
{
    QVERIFY(m_home.isValid());
    // The test writes the stored settings the commands read.
    qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
}

void TestCliQueue::init()
{
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(m_local->isValid());
    QFile::remove(CDataFolder::SettingsFile());
}

void TestCliQueue::cleanupTestCase()
{
    m_servers.Clear();
}

Run TestCliQueue::Cli(QStringList args)
{
    args.prepend(m_home.path());
    args.prepend(QStringLiteral("--home"));
    QProcess process;
    process.setWorkingDirectory(m_local->path());
    // Archives packed for upload go to the test's own folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), m_local->path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZENTRAVA_CLI), args);
    if (!process.waitForStarted(30000))
        return {};
    process.closeWriteChannel();
    if (!process.waitForFinished(180000))
    {
        process.kill();
        process.waitForFinished(5000);
        return {-2, {}, QStringLiteral("did not finish")};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run TestCliQueue::Cli(const QStringList& args, CFakeFtpServer& server)
{
    QString error;
    if (!server.IsStarted() && !server.Start(&error))
        return {-4, {}, error};
    return Cli(
        args.join(u'\n').arg(QStringLiteral("ftp://tester:pw@127.0.0.1:%1").arg(server.Port())).split(u'\n'));
}

QString TestCliQueue::Target(const QString& kind, QString* disk)
{
    CTestServer* server = m_servers.Get(kind);
    if (!server)
    {
        qWarning().noquote() << m_servers.Error(kind);
        return {};
    }
    const bool sftp = kind == QLatin1String("sshd");
    const QString base = QStringLiteral("%1://%2:%3@127.0.0.1:%4/")
                             .arg(sftp ? "sftp" : "ftp", Escaped(server->User()), Escaped(server->Password()))
                             .arg(server->Port());
    if (!sftp)
    {
        *disk = server->Root();
        return base;
    }
    // The host key goes on record once, as a user who accepted it would.
    *disk = server->Value(QStringLiteral("WORKDIR"));
    const QString target = base + *disk + u'/';
    const Run accept =
        Cli({QStringLiteral("ls"), target, QStringLiteral("--accept-host-key"), QStringLiteral("--trust")});
    if (accept.exitCode != 0)
    {
        qWarning().noquote() << accept.err;
        return {};
    }
    return target;
}

void TestCliQueue::getsAndPutsSeveralFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FTP proftpd") << "proftpd";
    QTest::newRow("SFTP sshd") << "sshd";
}

void TestCliQueue::getsAndPutsSeveralFiles()
{
    QFETCH(QString, kind);
    QString disk;
    const QString target = Target(kind, &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(QDir().mkpath(disk + QStringLiteral("/in")));
    QVERIFY(MakeFile(disk + QStringLiteral("/in/one.bin"), 1234567));
    QVERIFY(MakeFile(disk + QStringLiteral("/in/兩 two.txt"), 10));

    // Relative names are taken below the target's folder; the output folder is made when missing.
    Run run = Cli({QStringLiteral("get"), target, QStringLiteral("in/one.bin"),
                   QStringLiteral("in/兩 two.txt"), QStringLiteral("-o"), Local("down/here")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(run.out, QStringLiteral("done: 1, failed: 0\n"));
    QCOMPARE(Sha256(Local("down/here/one.bin")), Sha256(disk + QStringLiteral("/in/one.bin")));
    QCOMPARE(Sha256(Local("down/here/兩 two.txt")), Sha256(disk + QStringLiteral("/in/兩 two.txt")));
    QVERIFY2(run.err.contains(QStringLiteral("total: 1 of 1 jobs ended")), qPrintable(run.err));

    // put: two files and a folder into the writable folder, named by its absolute path.
    QVERIFY(MakeFile(Local("up a.bin"), 40000) && MakeFile(Local("up b.bin"), 1));
    QVERIFY(MakeTree(Local("folder")));
    run = Cli({QStringLiteral("put"), target, Local("up a.bin"), Local("up b.bin"), Local("folder"),
               QStringLiteral("-r"), RemoteFolder(kind, disk)});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(Sha256(disk + QStringLiteral("/up a.bin")), Sha256(Local("up a.bin")));
    QCOMPARE(Sha256(disk + QStringLiteral("/up b.bin")), Sha256(Local("up b.bin")));
    QCOMPARE(TreeOf(disk + QStringLiteral("/folder")), TreeOf(Local("folder")));
}

void TestCliQueue::mirrorsATreeBothWays_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("parallel");
    QTest::addColumn<QString>("below"); // the remote folder the tree goes into, made by the mirror
    QTest::newRow("FTP proftpd, one job") << "proftpd" << QStringList() << "";
    QTest::newRow("FTP proftpd, three jobs") << "proftpd" << QStringList{"--parallel", "3"} << "";
    QTest::newRow("SFTP sshd, one job") << "sshd" << QStringList() << "";
    QTest::newRow("SFTP sshd, three jobs") << "sshd" << QStringList{"--parallel", "3"} << "";
    QTest::newRow("FTP proftpd, into a missing folder") << "proftpd" << QStringList() << "new/a/b";
    QTest::newRow("SFTP sshd, three jobs into a missing folder")
        << "sshd" << QStringList{"--parallel", "3"} << "new/a/b";
}

void TestCliQueue::mirrorsATreeBothWays()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, parallel);
    QFETCH(QString, below);
    QString disk;
    const QString target = Target(kind, &disk);
    QVERIFY(!target.isEmpty());
    QDir(disk + QStringLiteral("/tree")).removeRecursively();
    QDir(disk + QStringLiteral("/new")).removeRecursively();
    QVERIFY(MakeTree(Local("src/tree")));
    const QString tree = below.isEmpty() ? QStringLiteral("tree") : below + QStringLiteral("/tree");

    Run run = Cli(QStringList{QStringLiteral("mirror"), target,
                              QDir::cleanPath(RemoteFolder(kind, disk) + u'/' + below), Local("src/tree"),
                              QStringLiteral("--reverse")} +
                  parallel);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(TreeOf(disk + u'/' + tree), TreeOf(Local("src/tree")));

    run = Cli(QStringList{QStringLiteral("mirror"), target, tree, Local("back")} + parallel);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(TreeOf(Local("back/tree")), TreeOf(Local("src/tree")));
    QVERIFY(QFileInfo(Local("back/tree/empty")).isDir());
    // The tree's four files are shared out into three jobs when running in parallel.
    QCOMPARE(run.out, QStringLiteral("done: %1, failed: 0\n").arg(parallel.isEmpty() ? 1 : 3));
}

void TestCliQueue::runsJobsInParallel()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    QStringList args{QStringLiteral("get"), target};
    for (int i = 1; i <= 4; ++i)
    {
        const QString name = QStringLiteral("p%1.bin").arg(i);
        QVERIFY(MakeFile(disk + u'/' + name, 200000 * i));
        args << name;
    }
    args << QStringLiteral("-o") << Local("par") << QStringLiteral("--parallel") << QStringLiteral("2");
    const Run run = Cli(args);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    // One job per file, and never more than two at once.
    QCOMPARE(run.out, QStringLiteral("done: 4, failed: 0\n"));
    // Every progress block ends with the total speed.
    QVERIFY2(run.err.contains(QRegularExpression(QStringLiteral("running, [0-9]+\\.[0-9] [kMG]?B/s\n"))),
             qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral(", 3 running")) &&
                 !run.err.contains(QStringLiteral(", 4 running")),
             qPrintable(run.err));
    for (int i = 1; i <= 4; ++i)
    {
        const QString name = QStringLiteral("/p%1.bin").arg(i);
        QCOMPARE(Sha256(Local("par") + name), Sha256(disk + name));
    }
}

void TestCliQueue::reportsAFailedJob()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(MakeFile(disk + QStringLiteral("/present.bin"), 5000));
    const Run run =
        Cli({QStringLiteral("get"), target, QStringLiteral("present.bin"), QStringLiteral("missing.bin"),
             QStringLiteral("-o"), Local("f"), QStringLiteral("--parallel"), QStringLiteral("2"),
             QStringLiteral("--retries"), QStringLiteral("0")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.startsWith(QStringLiteral("done: 1, failed: 1\nfailed [")), qPrintable(run.out));
    QCOMPARE(Sha256(Local("f/present.bin")), Sha256(disk + QStringLiteral("/present.bin")));
    QVERIFY(!QFile::exists(Local("f/missing.bin")) || QFileInfo(Local("f/missing.bin")).size() == 0);
}

void TestCliQueue::appliesTheOverwriteChoiceToUploads_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FTP proftpd") << "proftpd";
    QTest::newRow("SFTP sshd") << "sshd";
}

void TestCliQueue::appliesTheOverwriteChoiceToUploads()
{
    QFETCH(QString, kind);
    QString disk;
    const QString target = Target(kind, &disk);
    QVERIFY(!target.isEmpty());
    const QString remote = disk + QStringLiteral("/po.bin");
    QVERIFY(QDir().mkpath(Local("first")) && WriteFile(Local("first/po.bin"), "the first upload"));
    QVERIFY(MakeFile(Local("po.bin"), 300000));
    const QStringList put{QStringLiteral("put"),    target,
                          Local("po.bin"),          QStringLiteral("-r"),
                          RemoteFolder(kind, disk), QStringLiteral("--overwrite")};
    Run run = Cli({QStringLiteral("put"), target, Local("first/po.bin"), QStringLiteral("-r"),
                   RemoteFolder(kind, disk)});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(remote), QByteArray("the first upload"));

    run = Cli(put + QStringList{QStringLiteral("skip")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(remote), QByteArray("the first upload"));

    // The new file goes up under a numbered name beside the one that stays.
    run = Cli(put + QStringList{QStringLiteral("number")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(remote), QByteArray("the first upload"));
    const QStringList copies = QDir(disk).entryList({QStringLiteral("*po.bin")}, QDir::Files);
    QVERIFY2(copies.size() == 2, qPrintable(copies.join(u',') + u'\n' + run.err));
    const QString numbered = copies.first() == QLatin1String("po.bin") ? copies.last() : copies.first();
    QCOMPARE(Sha256(disk + u'/' + numbered), Sha256(Local("po.bin")));

    run = Cli(put + QStringList{QStringLiteral("overwrite")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(Sha256(remote), Sha256(Local("po.bin")));

    // A cut-short remote copy is completed to the whole file.
    QVERIFY(QFile::resize(remote, 1000));
    run = Cli(put + QStringList{QStringLiteral("resume")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(Sha256(remote), Sha256(Local("po.bin")));
}

void TestCliQueue::appliesTheOverwriteChoiceBelowAMirroredFolder_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("parallel");
    QTest::newRow("skip") << "skip" << QStringList();
    QTest::newRow("overwrite") << "overwrite" << QStringList();
    QTest::newRow("number") << "number" << QStringList();
    QTest::newRow("skip, two jobs") << "skip" << QStringList{"--parallel", "2"};
    QTest::newRow("number, two jobs") << "number" << QStringList{"--parallel", "2"};
}

void TestCliQueue::appliesTheOverwriteChoiceBelowAMirroredFolder()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, parallel);
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    const QString remote = disk + QStringLiteral("/tree");
    QDir(remote).removeRecursively();
    QVERIFY(MakeTree(Local("src/tree")));
    const QStringList mirror{QStringLiteral("mirror"), target, QStringLiteral("/"), Local("src/tree"),
                             QStringLiteral("--reverse")};
    Run run = Cli(mirror);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    const QStringList before = TreeOf(remote);

    // Changed files at two depths, a new file and a new empty folder.
    QVERIFY(WriteFile(Local("src/tree/sub/深 層/底.txt"), "changed below"));
    QVERIFY(WriteFile(Local("src/tree/top.bin"), "changed on top"));
    QVERIFY(WriteFile(Local("src/tree/sub/new.txt"), "new"));
    QVERIFY(QDir().mkpath(Local("src/tree/sub/later")));
    run = Cli(mirror + QStringList{QStringLiteral("--overwrite"), mode} + parallel);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(remote + QStringLiteral("/sub/new.txt")), QByteArray("new"));
    QVERIFY(QFileInfo(remote + QStringLiteral("/sub/later")).isDir());
    if (mode == QLatin1String("overwrite"))
    {
        QCOMPARE(TreeOf(remote), TreeOf(Local("src/tree")));
        return;
    }
    // The files that were there keep their bytes.
    QStringList kept = TreeOf(remote);
    kept.removeAll(QStringLiteral("sub/later/"));
    kept.removeAll(QStringLiteral("sub/new.txt ") +
                   QString::fromLatin1(Sha256(Local("src/tree/sub/new.txt"))));
    if (mode == QLatin1String("skip"))
    {
        QCOMPARE(kept, before);
        return;
    }
    // number: each changed file lands beside the old one under a new name.
    const QStringList below = QDir(remote + QStringLiteral("/sub/深 層")).entryList(QDir::Files, QDir::Name);
    QVERIFY2(below.size() == 2, qPrintable(below.join(u',')));
    const QString numbered = below.first() == QStringLiteral("底.txt") ? below.last() : below.first();
    QCOMPARE(ReadFile(remote + QStringLiteral("/sub/深 層/") + numbered), QByteArray("changed below"));
    QVERIFY(before.contains(QStringLiteral("sub/深 層/底.txt ") +
                            QString::fromLatin1(Sha256(remote + QStringLiteral("/sub/深 層/底.txt")))));
    QCOMPARE(QDir(remote).entryList({QStringLiteral("*top.bin")}, QDir::Files).size(), 2);
}

void TestCliQueue::verifiesChecksums_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("failure"); // empty: the check passes
    QTest::newRow("proftpd crc") << "proftpd"
                                 << "crc"
                                 << "";
    QTest::newRow("proftpd md5") << "proftpd"
                                 << "md5"
                                 << "";
    QTest::newRow("proftpd sha1") << "proftpd"
                                  << "sha1"
                                  << "";
    QTest::newRow("sshd md5") << "sshd"
                              << "md5"
                              << "";
    QTest::newRow("pyftpdlib without checksums") << "pyftpdlib"
                                                 << "md5"
                                                 << "檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！";
}

void TestCliQueue::verifiesChecksums()
{
    QFETCH(QString, kind);
    QFETCH(QString, check);
    QFETCH(QString, failure);
    QString disk;
    const QString target = Target(kind, &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(MakeFile(disk + QStringLiteral("/checked.bin"), 3 * kMiB + 17));
    const Run run =
        Cli({QStringLiteral("get"), target, QStringLiteral("checked.bin"), QStringLiteral("-o"), Local("v"),
             QStringLiteral("--verify"), check, QStringLiteral("--retries"), QStringLiteral("0")});
    if (failure.isEmpty())
    {
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(Sha256(Local("v/checked.bin")), Sha256(disk + QStringLiteral("/checked.bin")));
        return;
    }
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.startsWith(QStringLiteral("done: 0, failed: 1\n")), qPrintable(run.out));
    QVERIFY2(run.out.contains(failure), qPrintable(run.out));
}

void TestCliQueue::leavesOutFilteredNames()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    // The exclude list counts only behind an include list.
    StoreMasks(QStringLiteral("Mask"), {QStringLiteral("*")});
    StoreMasks(QStringLiteral("NotMask"), {QStringLiteral("*.log")});
    QVERIFY(QDir().mkpath(disk + QStringLiteral("/flt/deep")));
    QVERIFY(MakeFile(disk + QStringLiteral("/flt/keep.txt"), 100) &&
            MakeFile(disk + QStringLiteral("/flt/drop.log"), 100) &&
            MakeFile(disk + QStringLiteral("/flt/deep/also.log"), 100) &&
            MakeFile(disk + QStringLiteral("/flt/deep/kept.bin"), 100));

    // Without --filter (and the stored switches off) the masks do nothing.
    Run run = Cli({QStringLiteral("mirror"), target, QStringLiteral("flt"), Local("all")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QVERIFY(QFile::exists(Local("all/flt/drop.log")) && QFile::exists(Local("all/flt/deep/also.log")));

    run = Cli(
        {QStringLiteral("mirror"), target, QStringLiteral("flt"), Local("some"), QStringLiteral("--filter")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QVERIFY(QFile::exists(Local("some/flt/keep.txt")) && QFile::exists(Local("some/flt/deep/kept.bin")));
    QVERIFY(!QFile::exists(Local("some/flt/drop.log")));
    QVERIFY(!QFile::exists(Local("some/flt/deep/also.log")));
    // Shared out over jobs, the tree is filtered the same way.
    run = Cli({QStringLiteral("mirror"), target, QStringLiteral("flt"), Local("par"),
               QStringLiteral("--filter"), QStringLiteral("--parallel"), QStringLiteral("2")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(TreeOf(Local("par/flt")), TreeOf(Local("some/flt")));

    run = Cli({QStringLiteral("get"), target, QStringLiteral("flt/keep.txt"), QStringLiteral("flt/drop.log"),
               QStringLiteral("-o"), Local("named"), QStringLiteral("--filter")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QVERIFY(QFile::exists(Local("named/keep.txt")) && !QFile::exists(Local("named/drop.log")));

    // Uploads are filtered by the names given; a put that keeps nothing says so.
    QVERIFY(MakeFile(Local("up.txt"), 10) && MakeFile(Local("up.log"), 10));
    run = Cli({QStringLiteral("put"), target, Local("up.txt"), Local("up.log"), QStringLiteral("-r"),
               QStringLiteral("/"), QStringLiteral("--filter")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QVERIFY(QFile::exists(disk + QStringLiteral("/up.txt")) &&
            !QFile::exists(disk + QStringLiteral("/up.log")));
    run = Cli({QStringLiteral("put"), target, Local("up.log"), QStringLiteral("-r"), QStringLiteral("/"),
               QStringLiteral("--filter")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("the filter leaves out up.log")), qPrintable(run.err));
}

void TestCliQueue::uploadsAPackedSelection()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(MakeTree(Local("photos")) && MakeFile(Local("a.txt"), 5));
    Run run = Cli({QStringLiteral("put"), target, Local("photos"), Local("a.txt"), QStringLiteral("-r"),
                   QStringLiteral("/"), QStringLiteral("--pack"), QStringLiteral("zip")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    // Only the archive travels, named after the first selected entry, holding every file below it.
    QVERIFY(QFile::exists(disk + QStringLiteral("/photos.zip")));
    QVERIFY(!QFile::exists(disk + QStringLiteral("/a.txt")) &&
            !QFile::exists(disk + QStringLiteral("/photos")));
    QStringList expected;
    for (const char* file :
         {"photos/top.bin", "photos/sub/mid file.dat", "photos/sub/深 層/底.txt", "photos/sub/zero", "a.txt"})
        expected << Local(QString::fromUtf8(file)).mid(1);
    expected.sort();
    QCOMPARE(ZipNames(disk + QStringLiteral("/photos.zip")), expected);

    // The archive's own name passes the filter: a filter that keeps only text files keeps no zip.
    StoreMasks(QStringLiteral("Mask"), {QStringLiteral("*.txt")});
    run = Cli({QStringLiteral("put"), target, Local("photos"), QStringLiteral("-r"), QStringLiteral("/"),
               QStringLiteral("--pack"), QStringLiteral("targz"), QStringLiteral("--filter")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("photos.tar.gz")), qPrintable(run.err));
    QVERIFY(!QFile::exists(disk + QStringLiteral("/photos.tar.gz")));
}

void TestCliQueue::keepsTheStoredSettings()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("TransferMax"), 1));
    QVERIFY(WriteProfileInt(QStringLiteral("SmartOverwrite"), QStringLiteral("MatchingFiles"),
                            2)); // skip
    const QByteArray stored = ReadFile(CDataFolder::SettingsFile());
    QVERIFY(!stored.isEmpty());
    QVERIFY(WriteFile(disk + QStringLiteral("/mem.txt"), "from the server"));
    QVERIFY(QDir().mkpath(Local("mem")) && WriteFile(Local("mem/mem.txt"), "local"));

    // The run overwrites although the store says skip, and the store is the same file afterwards.
    const Run run =
        Cli({QStringLiteral("get"), target, QStringLiteral("mem.txt"), QStringLiteral("-o"), Local("mem"),
             QStringLiteral("--overwrite"), QStringLiteral("overwrite"), QStringLiteral("--parallel"),
             QStringLiteral("3"), QStringLiteral("--verify"), QStringLiteral("md5")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(Local("mem/mem.txt")), QByteArray("from the server"));
    QCOMPARE(ReadFile(CDataFolder::SettingsFile()), stored);
}

void TestCliQueue::interruptsAndResumes()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    constexpr qint64 kSize = 1024 * kMiB;
    QVERIFY(MakeFile(disk + QStringLiteral("/large.bin"), kSize));
    const QString local = Local("int/large.bin");

    QProcess process;
    // A child of a background job would inherit SIGINT ignored; the command must not depend on that.
    process.setChildProcessModifier([] { ::signal(SIGINT, SIG_DFL); });
    process.start(QStringLiteral(ZENTRAVA_CLI),
                  {QStringLiteral("--home"), m_home.path(), QStringLiteral("get"), target,
                   QStringLiteral("large.bin"), QStringLiteral("-o"), Local("int")});
    QVERIFY(process.waitForStarted(30000));
    // Interrupted once the file has begun to arrive.
    for (int i = 0; i < 6000 && QFileInfo(local).size() == 0 && process.state() == QProcess::Running; ++i)
        QTest::qSleep(5);
    QVERIFY(QFileInfo(local).size() > 0);
    QVERIFY(::kill(pid_t(process.processId()), SIGINT) == 0);
    QVERIFY(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(out.contains(QStringLiteral("(interrupted)")), qPrintable(out));
    const qint64 partial = QFileInfo(local).size();
    QVERIFY2(partial > 0 && partial < kSize, qPrintable(QString::number(partial)));

    const Run resumed = Cli({QStringLiteral("get"), target, QStringLiteral("large.bin"), QStringLiteral("-o"),
                             Local("int"), QStringLiteral("--overwrite"), QStringLiteral("resume")});
    QVERIFY2(resumed.exitCode == 0, qPrintable(resumed.err + resumed.out));
    QCOMPARE(Sha256(local), Sha256(disk + QStringLiteral("/large.bin")));
    QVERIFY(QFile::remove(disk + QStringLiteral("/large.bin")));
}

// A transfer that ends short of its size fails and is resumed later, one whose connection drops is
// resumed by the job's next attempt; a refused log-in is not tried again, other refusals are.
void TestCliQueue::meetsBrokenServers_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("resume"); // empty: the first run has the last word
    QTest::addColumn<QByteArray>("pass");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("passes");
    QTest::addColumn<QString>("local"); // the file that ends complete, if any
    const QStringList get{"get", "%1/pub/", "f.bin", "-o", "q", "--retries", "2", "--retry-delay", "0"};
    const QByteArray in = "230 In";
    QTest::newRow("get, short") << QStringList{"get", "%1/pub/f.bin", "g.bin"} << QStringList{"--resume"}
                                << in << 1 << "32768.*65536" << 1 << "g.bin";
    QTest::newRow("mirror, short") << QStringList{"mirror", "%1/", "/pub", "m"}
                                   << QStringList{"--overwrite", "resume"} << in << 1 << "32768.*65536" << 1
                                   << "m/pub/f.bin";
    QTest::newRow("get, short, ASCII") << QStringList{"get", "%1/pub/f.bin", "a.txt", "--ascii"}
                                       << QStringList() << in << 0 << "" << 1 << "";
    QTest::newRow("dropped") << get << QStringList() << in << 0 << "done: 1" << 2 << "q/f.bin";
    const QStringList put{"put", "%1/", "p.bin", "-r", "/pub", "--retries", "1", "--retry-delay", "0"};
    QTest::newRow("put, dropped") << put << QStringList() << in << 0 << "done: 1" << 3 << "p.bin";
    QTest::newRow("ls, 530") << QStringList{"ls", "%1/"} << QStringList() << QByteArray("530 No") << 1
                             << "530 No" << 1 << "";
    QTest::newRow("queue get, 530") << get << QStringList() << QByteArray("530 No") << 1 << "530 No" << 1
                                    << "";
    QTest::newRow("queue get, 530 with escapes")
        << get << QStringList() << QByteArray("530 \x1b[2JNo") << 1 << "530 \\\\x1b\\[2JNo" << 1 << "";
    QTest::newRow("queue get, 421") << get << QStringList() << QByteArray("421 Busy") << 1 << "421 Busy" << 3
                                    << "";
}

void TestCliQueue::meetsBrokenServers()
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

void TestCliQueue::refusesBadUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString url = QStringLiteral("ftp://127.0.0.1:1/");
    QTest::newRow("get without names") << QStringList{"get", url, "-o", "x"} << 2 << "get takes";
    QTest::newRow("mirror short") << QStringList{"mirror", url, "a"} << 2 << "mirror takes";
    QTest::newRow("bad parallel") << QStringList{"get", url, "a", "-o", "x", "--parallel", "0"} << 2
                                  << "--parallel";
    QTest::newRow("bad overwrite") << QStringList{"get", url, "a", "-o", "x", "--overwrite", "maybe"} << 2
                                   << "--overwrite";
    QTest::newRow("bad verify") << QStringList{"get", url, "a", "-o", "x", "--verify", "sha256"} << 2
                                << "--verify";
    QTest::newRow("pack on get") << QStringList{"get", url, "a", "-o", "x", "--pack", "zip"} << 2 << "--pack";
    QTest::newRow("bad pack") << QStringList{"put", url, "a", "-r", "/", "--pack", "rar"} << 2 << "--pack";
    QTest::newRow("reverse on put") << QStringList{"put", url, "a", "-r", "/", "--reverse"} << 2
                                    << "--reverse";
    QTest::newRow("unknown site") << QStringList{"get", "No\\Such", "a", "-o", "x"} << 1 << "no such site";
    QTest::newRow("unknown scheme") << QStringList{"get", "http://h/", "a", "-o", "x"} << 1
                                    << "not an ftp://";
    QTest::newRow("missing local") << QStringList{"put", url, "/no/such/file", "-r", "/"} << 1
                                   << "no such local";
}

void TestCliQueue::refusesBadUsage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = Cli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.out, QString());
}

QTEST_GUILESS_MAIN(TestCliQueue)
#include "tst_cli_queue.moc"
