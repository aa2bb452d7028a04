#include "../engine/FakeFtpServer.h"
#include "WorkerTestSupport.h"
#include "servers/Harness.h"

#include "transfer/TransferPlanner.h"

#include <QRegularExpression>

using namespace WorkerTest;

namespace
{
const QStringList kFiles{"t/sub/mid file.dat", "t/sub/zero", "t/sub/深 層/底.txt", "t/top.bin"};

// Every planned entry by its path below the folder the items are in (an item that goes whole by its
// name), sorted.
QStringList Planned(const CTransferPlan& plan, const QString& remoteFolder)
{
    QStringList names;
    for (const CTransferJob& job : plan.jobs)
        for (const CTransferEntry& entry : job.files)
            names << (entry.name.contains(u'|') ? entry.name.section(u'|', -1).mid(remoteFolder.size() + 1)
                      : entry.name.startsWith(u'/') ? entry.name.section(u'/', -1)
                                                    : entry.name);
    names.sort();
    return names;
}
// Words like "a/" (a folder), "a/f=5@100" (5 bytes, 100 s after the epoch), "g=5@120~60" (a listing
// that gives minutes) and "h=5" (no time).
QList<CTreeEntry> Tree(const QString& text)
{
    QList<CTreeEntry> tree;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
    {
        CTreeEntry entry;
        entry.folder = word.endsWith(u'/');
        entry.path = word.section(u'=', 0, 0).chopped(entry.folder ? 1 : 0);
        const QString rest = word.section(u'=', 1);
        entry.size = rest.section(u'@', 0, 0).toLongLong();
        if (rest.contains(u'@'))
            entry.modified = QDateTime::fromSecsSinceEpoch(
                rest.section(u'@', 1).section(u'~', 0, 0).toLongLong(), Qt::UTC);
        entry.precision = rest.contains(u'~') ? rest.section(u'~', 1).toInt() : 1;
        tree.append(entry);
    }
    return tree;
}

QString Paths(const QList<CTreeEntry>& entries)
{
    QStringList paths;
    for (const CTreeEntry& entry : entries)
        paths << entry.path;
    return paths.join(u' ');
}
} // namespace

// Folder transfers planned against the harness servers and against hostile scripted listings.
class TestTransferPlanner : public QObject
{
    Q_OBJECT

    QTemporaryDir m_local;
    CScriptedPrompts m_prompts;

private Q_SLOTS:
    // rules: "newer", "delete", "x=GLOB" (exclude), "i=GLOB" (include); outcome: "copies | folders made |
    // deletions | conflicts | skipped".
    void comparesTrees_data()
    {
        Columns<QString, QString, QString, QString>({"source", "target", "rules", "outcome"});
        Row("size or time differs, or missing", "a=5@100 b=6@100 c=5@200 d=5@100", "a=5@100 b=5@100 c=5@100",
            "", "b c d |  |  |  | 1");
        Row("a listing without seconds", "a=5@119~60 b=5@180~60", "a=5@100 b=5@179", "", "b |  |  |  | 1");
        Row("no time: the size decides", "a=5 b=6", "a=5@100 b=5@100", "", "b |  |  |  | 1");
        Row("only newer", "a=5@200 b=9@50 c=5@100 d=1@1", "a=5@100 b=5@100 c=6@100", "newer",
            "a d |  |  |  | 2");
        Row("delete, deepest first, the excluded kept", "s/ s/f=1@1",
            "s/ s/f=1@1 s/old=1@1 gone/ gone/in=1@1 gone/deep/ t.keep=1@1 T.KEEP=1@1", "delete x=*.keep",
            " |  | T.KEEP gone/deep gone/in gone s/old |  | 1");
        Row("an excluded folder with all it holds, includes",
            "tmp/ tmp/a.txt=1@1 b.txt=1@1 c.bin=1@1 d/ d/e.txt=1@1", "", "x=tmp i=*.txt",
            "b.txt d/e.txt | d |  |  | 0");
        Row("a file meets a folder", "x=1@1 y/ y/z=1@1", "x/ x/in=1@1 y=1@1", "", " |  |  | x y | 0");
        Row("a file meets a folder, deleting", "x=1@1 y/ y/z=1@1", "x/ x/in=1@1 y=1@1", "delete",
            "x y/z | y | y x/in x |  | 0");
    }
    void comparesTrees()
    {
        QFETCH(QString, rules);
        CMirrorRules mirror;
        for (const QString& rule : rules.split(u' ', Qt::SkipEmptyParts))
        {
            mirror.onlyNewer |= rule == "newer";
            mirror.deleteExtra |= rule == "delete";
            if (rule.startsWith("x=") || rule.startsWith("i="))
                (rule[0] == u'x' ? mirror.excludes : mirror.includes).append(rule.mid(2));
        }
        QFETCH(QString, source);
        QFETCH(QString, target);
        const CTreeDifference found = CompareTrees(Tree(source), Tree(target), mirror);
        QTEST(QStringList({Paths(found.copies), Paths(found.folders), Paths(found.deletions),
                           found.conflicts.join(u' '), QString::number(found.skipped)})
                  .join(" | "),
              "outcome");
    }

    void sharesATree_data()
    {
        Columns<QString, bool, int, int, QStringList>({"kind", "upload", "count", "jobs", "planned"});
        for (const QString kind : {"proftpd", "sshd"})
        {
            Row(qPrintable(kind + " down, one job"), kind, false, 1, 1, QStringList{"t"});
            Row(qPrintable(kind + " down, three jobs"), kind, false, 3, 3, kFiles);
            Row(qPrintable(kind + " down, more jobs than files"), kind, false, 8, 4, kFiles);
            Row(qPrintable(kind + " up, one job"), kind, true, 1, 1, QStringList{"t"});
            Row(qPrintable(kind + " up, three jobs"), kind, true, 3, 3, kFiles);
        }
    }
    // Each file planned once; shared out, every folder is made before a job runs.
    void sharesATree()
    {
        QFETCH(QString, kind);
        QFETCH(bool, upload);
        QFETCH(int, count);
        CTestServer* server = Harness::Require(kind);
        QVERIFY(server);
        const QString disk = kind == "sshd" ? server->Value("WORKDIR") : server->Root();
        const QString name = QStringLiteral("p%1").arg(QRandomGenerator::global()->bounded(1000000));
        const QString source = upload ? m_local.filePath(name) : disk + u'/' + name;
        QVERIFY(MakeTree(source + "/t"));
        CTransferPlanRequest request;
        request.base = JobFor(*server, kind, false, (kind == "sshd" ? disk : QString()) + u'/' + name);
        request.base.localFolder = upload ? source : m_local.filePath(name);
        request.items = {upload ? CTransferPlanner::LocalEntry(QFileInfo(source + "/t"))
                                : Entry("t", 0, true)};
        request.upload = upload;
        request.jobCount = count;
        request.makeTarget = true;
        request.unknownHostKey = TrustAnswer::ThisRun;
        const CTransferPlan plan = CTransferPlanner(request).Plan(m_prompts);
        QVERIFY2(plan.IsOk(), qPrintable(plan.problem));
        QTEST(int(plan.jobs.size()), "jobs");
        QTEST(Planned(plan, request.base.remoteFolder), "planned");
        const QString made = upload ? disk + u'/' + name : request.base.localFolder;
        for (const QString folder : {"/t/sub/深 層", "/t/empty"})
            QCOMPARE(QDir(made + folder).exists(), count > 1);
    }

    void refusesHostileListings_data()
    {
        Columns<QByteArray, QByteArray, QStringList, QString>({"reply", "payload", "planned", "problem"});
        const QByteArray line = "-rw-r--r-- 1 u g 5 Jan 01 2024 ";
        Row("unsafe names", QByteArray("150 Here\r\n"),
            "drwxr-xr-x 2 u g 0 Jan 01 2024 ..\r\n" + line + "a/b\r\n" + line + "c\\d\r\n" + line +
                "e\x1b[2Jf\r\n" + line + "ok.bin\r\n",
            QStringList{"t/ok.bin"}, QString());
        Row("a folder that holds itself", QByteArray("150 Here\r\n"),
            QByteArray("drwxr-xr-x 2 u g 0 Jan 01 2024 t\r\n"), QStringList(), QString());
        Row("refused", QByteArray("550 Gone away\r\n"), QByteArray(), QStringList(), "/t：.*550 Gone away");
    }
    void refusesHostileListings()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, payload);
        QFETCH(QString, problem);
        CFakeFtpServer server;
        server.On("LIST", {{reply, payload.isEmpty() ? FakeResponse::Data::None : FakeResponse::Data::Send,
                            payload, payload.isEmpty() ? QByteArray() : "226 Done\r\n"}});
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        CTransferPlanRequest request;
        request.base.host = "127.0.0.1";
        request.base.port = server.Port();
        request.base.login = "tester";
        request.base.passive = true;
        request.base.remoteFolder = "/";
        request.base.localFolder = m_local.filePath(QTest::currentDataTag());
        request.items = {Entry("t", 0, true)};
        request.jobCount = 3;
        const CTransferPlan plan = CTransferPlanner(request).Plan(m_prompts);
        QVERIFY2(plan.problem.contains(QRegularExpression(problem)) &&
                     plan.problem.isEmpty() == problem.isEmpty(),
                 qPrintable(plan.problem));
        QTEST(Planned(plan, {}), "planned");
    }
};

QTEST_MAIN(TestTransferPlanner)
#include "tst_transfer_planner.moc"
