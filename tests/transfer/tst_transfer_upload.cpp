#include "RulesTestSupport.h"

#include "app/Profile.h"
#include "transfer/UploadBatch.h"

namespace
{

const QDateTime kLocalTime(QDate(2022, 5, 6), QTime(7, 8, 9), Qt::UTC);
const QDateTime kRemoteTime(QDate(2021, 1, 1), QTime(0, 0, 0), Qt::UTC);
using A = OverwriteAction;

struct CUploadCase
{
    int matchingFiles;
    qint64 remoteSize;   // the local file has 100 bytes
    A answer;            // of whichever prompt comes up
    const char* newName; // the rename dialog's answer; empty is Cancel
    const char* kept;    // the entry's name; empty when dropped
    quint32 attributes;
    qint64 size;
    const char* asked;
};

QList<CLocalFileRecord> Records(const QStringList& paths)
{
    QList<CLocalFileRecord> records;
    for (const QString& path : paths)
        records.append({path.endsWith(u'/') ? kAttributeFolder : 0, {}, {}, kLocalTime, 100, path});
    return records;
}

// Rows given as "name=size".
QList<CFtpListItem> Rows(const QStringList& rows)
{
    QList<CFtpListItem> items;
    for (const QString& row : rows)
    {
        CFtpListItem item;
        item.name = row.section(u'=', 0, 0);
        item.size = row.section(u'=', 1).toLongLong();
        item.modified = kRemoteTime;
        items.append(item);
    }
    return items;
}

QList<CTransferJob> Prepare(const QStringList& paths, const QStringList& rows, CScriptedPrompts& prompts,
                            const QString& remoteFolder = "/pub")
{
    CUploadBatch batch;
    batch.records = Records(paths);
    batch.remoteList = Rows(rows);
    batch.remoteFolder = remoteFolder;
    return PrepareUploadBatch(batch, prompts);
}

QList<CTransferEntry> Entries(const QList<CTransferJob>& jobs)
{
    QList<CTransferEntry> entries;
    for (const CTransferJob& job : jobs)
        entries += job.files;
    return entries;
}

QStringList Names(const QList<CTransferJob>& jobs)
{
    QStringList names;
    for (const CTransferEntry& entry : Entries(jobs))
        names.append(entry.name);
    return names;
}

} // namespace

class TestTransferUpload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void init() { QVERIFY(ResetSettings(m_home)); }

    void filter_data()
    {
        QTest::addColumn<int>("enableFiltering");
        QTest::addColumn<int>("filterTransfers");
        QTest::addColumn<int>("filterFolders");
        QTest::addColumn<bool>("filteredCommand");
        QTest::addColumn<QStringList>("kept");

        const QStringList all{"/l/b.txt", "/l/a.jpg", "/l/docs/"};
        const QStringList txt{"/l/b.txt"};
        QTest::newRow("filter off") << 0 << 0 << 0 << false << all;
        QTest::newRow("listings only") << 1 << 0 << 0 << false << all;
        QTest::newRow("transfers filtered") << 1 << 1 << 0 << false << txt;
        QTest::newRow("filtered upload command") << 0 << 0 << 0 << true << txt;
        QTest::newRow("folders tested like files") << 1 << 1 << 1 << false << txt;
    }

    void filter()
    {
        QFETCH(int, enableFiltering);
        QFETCH(int, filterTransfers);
        QFETCH(int, filterFolders);
        QFETCH(bool, filteredCommand);
        QFETCH(QStringList, kept);

        StoreList("Filter", "Mask", {"*.txt"});
        QVERIFY(WriteProfileInt("Filter", "EnableFiltering", enableFiltering));
        QVERIFY(WriteProfileInt("Filter", "FilterTransfers", filterTransfers));
        QVERIFY(WriteProfileInt("Filter", "FilterFolders", filterFolders));
        CUploadBatch batch;
        batch.records = Records({"/l/b.txt", "/l/a.jpg", "/l/docs/"});
        batch.filteredUpload = filteredCommand;
        CScriptedPrompts prompts;
        QCOMPARE(Names(PrepareUploadBatch(batch, prompts)), kept);
    }

    void renameRules_data()
    {
        QTest::addColumn<QString>("remoteFolder");
        QTest::addColumn<QString>("remoteRows");
        QTest::addColumn<int>("matchingFiles");
        QTest::addColumn<QString>("kept");

        QTest::newRow("renamed") << "/www" << QString() << 2 << "/l/index.htm|/www/index.html";
        QTest::newRow("root folder") << "/" << QString() << 2 << "/l/index.htm|/index.html";
        QTest::newRow("old name is no conflict") << "/www"
                                                 << "index.htm=5" << 2 << "/l/index.htm|/www/index.html";
        QTest::newRow("new name conflicts") << "/www"
                                            << "INDEX.HTML=5" << 2 << QString();
        QTest::newRow("numbering the new name")
            << "/www/"
            << "index.html=5" << 5 << "/l/index.htm|/www/複製 -index.html";
    }

    void renameRules()
    {
        QFETCH(QString, remoteFolder);
        QFETCH(QString, remoteRows);
        QFETCH(int, matchingFiles);
        QFETCH(QString, kept);

        QVERIFY(WriteProfileInt("RenameRules", "ApplyRules", 1));
        StoreList("RenameRules", "Rules", {"*.htm|*.html"});
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", matchingFiles));
        CScriptedPrompts prompts;
        const QList<CTransferJob> jobs =
            Prepare({"/l/index.htm", "/l/logo.png"}, remoteRows.split(u',', Qt::SkipEmptyParts), prompts,
                    remoteFolder);
        QCOMPARE(Names(jobs), (kept.isEmpty() ? QStringList() : QStringList{kept}) << "/l/logo.png");
    }

    void lastMatchingRowCounts()
    {
        // Skip, except that an empty target is always overwritten.
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", 2));
        CScriptedPrompts prompts;
        QCOMPARE(Prepare({"/l/a.txt"}, {"A.TXT=10", "a.txt=0"}, prompts).size(), 1);
        QCOMPARE(Prepare({"/l/a.txt"}, {"a.txt=0", "A.TXT=10"}, prompts).size(), 0);
        QCOMPARE(Prepare({"/l/a.txt"}, {"b.txt=10"}, prompts).size(), 1);
        QCOMPARE(prompts.Asked(), 0);
    }

    void decisions_data()
    {
        QTest::addColumn<CUploadCase>("c");
        QTest::newRow("overwrite") << CUploadCase{1, 400, A::Prompt, "", "/l/a.txt", 0, 100, ""};
        QTest::newRow("skip") << CUploadCase{2, 400, A::Prompt, "", "", 0, 0, ""};
        QTest::newRow("rename") << CUploadCase{3, 400, A::Prompt, "/pub/b.txt", "/l/a.txt|/pub/b.txt",
                                               0, 100, "name"};
        QTest::newRow("rename cancelled") << CUploadCase{3, 400, A::Prompt, "", "", 0, 0, "name"};
        QTest::newRow("resume") << CUploadCase{4, 40, A::Prompt, "", "/l/a.txt", kAttributeResume, 40, ""};
        QTest::newRow("number") << CUploadCase{5, 400, A::Prompt, "", "/l/a.txt|/pub/複製 -a.txt",
                                               0, 100, ""};
        QTest::newRow("smaller remote file")
            << CUploadCase{0, 40, A::Resume, "", "/l/a.txt", kAttributeResume, 40, "resume"};
        QTest::newRow("larger remote file") << CUploadCase{0, 400, A::Skip, "", "", 0, 0, "replace"};
    }

    void decisions()
    {
        QFETCH(CUploadCase, c);
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", c.matchingFiles));
        CScriptedPrompts prompts;
        prompts.answers = {c.answer};
        prompts.nameAnswers = {c.newName};
        const QList<CTransferEntry> entries =
            Entries(Prepare({"/l/a.txt"}, {"a.txt=" + QString::number(c.remoteSize)}, prompts));

        QCOMPARE(entries.size(), *c.kept ? 1 : 0);
        if (!entries.isEmpty())
        {
            QCOMPARE(entries[0].name, QString(c.kept));
            QCOMPARE(entries[0].attributes, c.attributes);
            QCOMPARE(entries[0].size, c.size);
            QCOMPARE(entries[0].modified, kLocalTime);
        }
        QCOMPARE(prompts.Questions(), QString(c.asked));
        if (!prompts.namesAsked.isEmpty())
            QCOMPARE(prompts.namesAsked.first(), qMakePair(QString("/l/a.txt"), QString("/pub/a.txt")));
    }

    void promptsAndYesToAll()
    {
        CScriptedPrompts prompts;
        prompts.answers = {A::Skip, A::Overwrite, A::Skip};
        const QStringList rows{"a.txt=400", "b.txt=400", "c.txt=400", "d.txt=400"};
        QCOMPARE(Names(Prepare({"/l/a.txt", "/l/b.txt", "/l/c.txt"}, rows, prompts, "/")),
                 QStringList{"/l/b.txt"});
        const COverwritePromptInfo& first = prompts.replaceAsked.first();
        QCOMPARE(first.targetPath, QString("/a.txt"));
        QCOMPARE(first.existingSize, qint64(400));
        QCOMPARE(first.existingTime, kRemoteTime);
        QCOMPARE(first.incomingSize, qint64(100));
        QCOMPARE(first.incomingTime, kLocalTime);
        // Only the last record hides "yes to all".
        QCOMPARE(prompts.replaceAsked[1].lastFile, false);
        QCOMPARE(prompts.replaceAsked[2].lastFile, true);

        // Yes to all keeps the rest of this batch without a question, but not the next batch.
        prompts.answers = {A::Skip, A::OverwriteAll, A::Skip};
        QCOMPARE(Names(Prepare({"/l/a.txt", "/l/b.txt", "/l/c.txt", "/l/d.txt"}, rows, prompts)),
                 (QStringList{"/l/b.txt", "/l/c.txt", "/l/d.txt"}));
        QCOMPARE(Prepare({"/l/a.txt"}, rows, prompts).size(), 0);
        QCOMPARE(prompts.replaceAsked.size(), 6);
    }

    void jobs_data()
    {
        QTest::addColumn<int>("forceParallel");
        QTest::addColumn<bool>("shiftHeld");
        QTest::addColumn<int>("jobs");

        QTest::newRow("one job") << 0 << false << 1;
        QTest::newRow("parallel setting") << 1 << false << 3;
        QTest::newRow("shift held") << 0 << true << 3;
    }

    void jobs()
    {
        QFETCH(int, forceParallel);
        QFETCH(bool, shiftHeld);
        QFETCH(int, jobs);

        QVERIFY(WriteProfileInt("Settings", "ForceParallelTransfers", forceParallel));
        QObject window;
        CUploadBatch batch;
        batch.records = Records({"/l/a.txt", "/l/b.txt", "/l/dir/"});
        batch.remoteFolder = "/pub/in";
        batch.shiftHeld = shiftHeld;
        batch.requestingWindow = &window;
        batch.site.Address = "127.0.0.1";
        batch.site.Password = "secret";
        batch.site.Port = 2121;
        batch.site.TransferType = 3;
        CScriptedPrompts prompts;
        const QList<CTransferJob> result = PrepareUploadBatch(batch, prompts);

        QCOMPARE(result.size(), jobs);
        QCOMPARE(Names(result), (QStringList{"/l/a.txt", "/l/b.txt", "/l/dir/"}));
        QCOMPARE(Entries(result)[2].attributes, kAttributeFolder);
        for (const CTransferJob& job : result)
        {
            QCOMPARE(job.requestingWindow.data(), &window);
            QCOMPARE(job.host + job.password + job.remoteFolder, QString("127.0.0.1secret/pub/in"));
            QCOMPARE(job.port, 2121);
            QCOMPARE(job.transferType, 3);
        }
    }

    void passiveFlag()
    {
        // Site modes 0 (the program's), 1 active, 2 passive, 3 automatic; program-wide 0 active, 1 passive.
        const int cases[][3] = {{0, 1, 1}, {0, 0, 0}, {0, 2, 0}, {1, 1, 0}, {2, 0, 1}, {3, 1, 0}};
        for (const auto& c : cases)
        {
            QVERIFY(WriteProfileInt("Settings", "DataMode", c[1]));
            CFtpSite site;
            site.DataMode = c[0];
            QCOMPARE(MakeTransferJob(site, "/").passive, bool(c[2]));
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferUpload)
#include "tst_transfer_upload.moc"
