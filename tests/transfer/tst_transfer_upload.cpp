#include "RulesTestSupport.h"

#include "app/Profile.h"
#include "transfer/UploadBatch.h"

namespace
{

const QDateTime kLocalTime(QDate(2022, 5, 6), QTime(7, 8, 9), Qt::UTC);
const QDateTime kRemoteTime(QDate(2021, 1, 1), QTime(0, 0, 0), Qt::UTC);
using A = OverwriteAction;

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
        Columns<int, int, int, bool, QStringList>(
            {"enableFiltering", "filterTransfers", "filterFolders", "filteredCommand", "kept"});
        const QStringList all{"/l/b.txt", "/l/a.jpg", "/l/docs/"};
        const QStringList txt{"/l/b.txt"};
        Row("filter off", 0, 0, 0, false, all);
        Row("listings only", 1, 0, 0, false, all);
        Row("transfers filtered", 1, 1, 0, false, txt);
        Row("filtered upload command", 0, 0, 0, true, txt);
        Row("folders tested like files", 1, 1, 1, false, txt);
    }

    void filter()
    {
        QFETCH(int, enableFiltering);
        QFETCH(int, filterTransfers);
        QFETCH(int, filterFolders);
        QFETCH(bool, filteredCommand);
        StoreList("Filter", "Mask", {"*.txt"});
        QVERIFY(WriteProfileInt("Filter", "EnableFiltering", enableFiltering));
        QVERIFY(WriteProfileInt("Filter", "FilterTransfers", filterTransfers));
        QVERIFY(WriteProfileInt("Filter", "FilterFolders", filterFolders));
        CUploadBatch batch;
        batch.records = Records({"/l/b.txt", "/l/a.jpg", "/l/docs/"});
        batch.filteredUpload = filteredCommand;
        CScriptedPrompts prompts;
        QTEST(Names(PrepareUploadBatch(batch, prompts)), "kept");
    }

    void renameRules_data()
    {
        Columns<QString, QString, int, QString>({"remoteFolder", "remoteRows", "matchingFiles", "kept"});
        Row("renamed", "/www", "", 2, "/l/index.htm|/www/index.html");
        Row("root folder", "/", "", 2, "/l/index.htm|/index.html");
        Row("old name is no conflict", "/www", "index.htm=5", 2, "/l/index.htm|/www/index.html");
        Row("new name conflicts", "/www", "INDEX.HTML=5", 2, "");
        Row("numbering the new name", "/www/", "index.html=5", 5, "/l/index.htm|/www/複製 -index.html");
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
    void decisions_data()
    {
        // The local file has 100 bytes; the answer is to whichever prompt comes up, the new name to the
        // rename dialog (empty is Cancel); the entry kept is empty when dropped.
        Columns<int, QString, A, QString, QString, quint32, qint64, QString>(
            {"matchingFiles", "remoteRows", "answer", "newName", "kept", "attributes", "size", "asked"});
        const quint32 resume = kAttributeResume;
        Row("overwrite", 1, "a.txt=400", A::Prompt, "", "/l/a.txt", 0u, qint64(100), "");
        Row("skip", 2, "a.txt=400", A::Prompt, "", "", 0u, qint64(0), "");
        Row("rename", 3, "a.txt=400", A::Prompt, "/pub/b.txt", "/l/a.txt|/pub/b.txt", 0u, qint64(100),
            "name");
        Row("rename cancelled", 3, "a.txt=400", A::Prompt, "", "", 0u, qint64(0), "name");
        Row("resume", 4, "a.txt=40", A::Prompt, "", "/l/a.txt", resume, qint64(40), "");
        Row("number", 5, "a.txt=400", A::Prompt, "", "/l/a.txt|/pub/複製 -a.txt", 0u, qint64(100), "");
        Row("smaller remote file", 0, "a.txt=40", A::Resume, "", "/l/a.txt", resume, qint64(40), "resume");
        Row("larger remote file", 0, "a.txt=400", A::Skip, "", "", 0u, qint64(0), "replace");
        // Skip, except that an empty target is always overwritten: the last row of the name counts.
        Row("last row empty", 2, "A.TXT=10,a.txt=0", A::Prompt, "", "/l/a.txt", 0u, qint64(100), "");
        Row("last row not empty", 2, "a.txt=0,A.TXT=10", A::Prompt, "", "", 0u, qint64(0), "");
        Row("other name", 2, "b.txt=10", A::Prompt, "", "/l/a.txt", 0u, qint64(100), "");
    }

    void decisions()
    {
        QFETCH(int, matchingFiles);
        QFETCH(QString, remoteRows);
        QFETCH(A, answer);
        QFETCH(QString, newName);
        QFETCH(QString, kept);
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", matchingFiles));
        CScriptedPrompts prompts;
        prompts.answers = {answer};
        prompts.nameAnswers = {newName};
        const QList<CTransferEntry> entries = Entries(Prepare({"/l/a.txt"}, remoteRows.split(u','), prompts));
        QCOMPARE(entries.size(), kept.isEmpty() ? 0 : 1);
        if (!entries.isEmpty())
        {
            QCOMPARE(entries[0].name, kept);
            QTEST(entries[0].attributes, "attributes");
            QTEST(entries[0].size, "size");
            QCOMPARE(entries[0].modified, kLocalTime);
        }
        QTEST(prompts.Questions(), "asked");
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
        Columns<int, bool, int>({"forceParallel", "shiftHeld", "jobs"});
        Row("one job", 0, false, 1);
        Row("parallel setting", 1, false, 3);
        Row("shift held", 0, true, 3);
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
