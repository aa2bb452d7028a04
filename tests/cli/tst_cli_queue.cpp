#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

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
    void appliesTheOverwriteChoice();
    void refusesBadUsage_data();
    void refusesBadUsage();

private:
    Run Cli(QStringList args);
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
}

void TestCliQueue::init()
{
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(m_local->isValid());
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
    const Run accept = Cli({QStringLiteral("ls"), target, QStringLiteral("--accept-host-key")});
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
    getsAndPutsSeveralFiles_data();
}

void TestCliQueue::mirrorsATreeBothWays()
{
    QFETCH(QString, kind);
    QString disk;
    const QString target = Target(kind, &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(MakeTree(Local("src/tree")));

    Run run = Cli({QStringLiteral("mirror"), target, RemoteFolder(kind, disk), Local("src/tree"),
                   QStringLiteral("--reverse")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(TreeOf(disk + QStringLiteral("/tree")), TreeOf(Local("src/tree")));

    run = Cli({QStringLiteral("mirror"), target, QStringLiteral("tree"), Local("back")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(TreeOf(Local("back/tree")), TreeOf(Local("src/tree")));
    QVERIFY(QFileInfo(Local("back/tree/empty")).isDir());
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

void TestCliQueue::appliesTheOverwriteChoice()
{
    QString disk;
    const QString target = Target(QStringLiteral("proftpd"), &disk);
    QVERIFY(!target.isEmpty());
    QVERIFY(WriteFile(disk + QStringLiteral("/ow.txt"), "the remote content"));
    QVERIFY(QDir().mkpath(Local("ow")) && WriteFile(Local("ow/ow.txt"), "local"));
    const QStringList get{QStringLiteral("get"), target,      QStringLiteral("ow.txt"),
                          QStringLiteral("-o"),  Local("ow"), QStringLiteral("--overwrite")};

    Run run = Cli(get + QStringList{QStringLiteral("skip")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(Local("ow/ow.txt")), QByteArray("local"));

    run = Cli(get + QStringList{QStringLiteral("number")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(Local("ow/ow.txt")), QByteArray("local"));
    QCOMPARE(QDir(Local("ow")).entryList(QDir::Files).size(), 2);

    run = Cli(get + QStringList{QStringLiteral("overwrite")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(Local("ow/ow.txt")), QByteArray("the remote content"));

    // The choice held for that run only: the stored one (ask; skip without a terminal) is back.
    QVERIFY(WriteFile(Local("ow/ow.txt"), "local again"));
    run = Cli({QStringLiteral("get"), target, QStringLiteral("ow.txt"), QStringLiteral("-o"), Local("ow")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QCOMPARE(ReadFile(Local("ow/ow.txt")), QByteArray("local again"));
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
    QTest::newRow("reverse on put") << QStringList{"put", url, "a", "-r", "/", "--reverse"} << 2
                                    << "--reverse";
    QTest::newRow("unknown site") << QStringList{"get", "No\\Such", "a", "-o", "x"} << 1 << "no such site";
    QTest::newRow("unknown scheme") << QStringList{"get", "http://h/", "a", "-o", "x"} << 1
                                    << "unknown scheme";
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
