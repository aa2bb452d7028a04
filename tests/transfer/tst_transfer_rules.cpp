#include "RulesTestSupport.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "transfer/AsciiTypes.h"
#include "transfer/FilterLists.h"
#include "transfer/OverwritePrompt.h"
#include "transfer/OverwriteResolver.h"
#include "transfer/OverwriteRule.h"
#include "transfer/RenameRule.h"
#include "transfer/SmartOverwrite.h"
#include "transfer/UploadBatch.h"
#include "transfer/Wildcard.h"

#include <QDir>
#include <QFileInfo>

using namespace TestFiles;

namespace
{
constexpr qint64 kSourceSize = 100;
constexpr qint64 kSourceTime = 1600000000;
using A = OverwriteAction;
using O = OverwriteOutcome;

// Which of "target greater, less, equal" each value of the date or size digit accepts.
constexpr bool kDigitAccepts[10][3] = {{1, 0, 0}, {1, 1, 1}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0},
                                       {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
constexpr qint64 kOffset[3] = {1, -1, 0};
// The action each value of the "then" digit gives; no action means the rule does not apply.
constexpr A kThen[10] = {A::Overwrite, A::Number, A::Resume, A::Prompt, A::Skip,
                         A::Prompt,    A::Prompt, A::Prompt, A::Prompt, A::Prompt};

QString RuleText(int date, int size, int when, int then)
{
    return QStringLiteral("%1%2%3%4").arg(date).arg(size).arg(when).arg(then);
}

A Decide(TransferDirection direction, qint64 targetSize, qint64 targetTime = kSourceTime)
{
    return DecideOverwrite(direction, kSourceSize, targetSize, kSourceTime, targetTime);
}

const QDateTime kLocalTime(QDate(2022, 5, 6), QTime(7, 8, 9), Qt::UTC);
const QDateTime kRemoteTime(QDate(2021, 1, 1), QTime(0, 0, 0), Qt::UTC);

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

QStringList Names(const QList<CTransferJob>& jobs)
{
    QStringList names;
    for (const CTransferJob& job : jobs)
        for (const CTransferEntry& entry : job.files)
            names.append(entry.name);
    return names;
}
} // namespace

// The rules a transfer follows: names, filters, modes, overwrite decisions and the upload batch.
class TestTransferRules : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void init() { QVERIFY(ResetSettings(m_home)); }

    void wildcards_data()
    {
        Columns<QString, QString, bool, bool>({"name", "pattern", "caseSensitive", "matches"});
        Row("? takes one", "abc", "a?c", true, true);
        Row("? needs one", "ac", "a?c", true, false);
        Row("* on the empty name", "", "*", true, true);
        Row("empty pattern", "a", "", true, false);
        Row("back-tracking", "xxaxxb", "*a*b", true, true);
        Row("back-tracking, wrong end", "xxaxxbc", "*a*b", true, false);
        Row("back-tracking twice", "aaab", "*aab", true, true);
        Row("longer name", "readme2", "readme", true, false);
        Row("with case", "README.TXT", "*.txt", true, false);
        Row("without case", "README.TXT", "*.txt", false, true);
        Row("without case, not ASCII", "ÄRGER.TXT", "ärger.*", false, true);
        Row("? is one character", "報告.txt", "??.txt", true, true);
        Row("? is one four-byte character", "😀.png", "?.png", true, true);
    }

    void wildcards()
    {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, caseSensitive);
        QTEST(MatchWildcard(name, pattern, caseSensitive), "matches");
    }

    void filter_data()
    {
        Columns<QString, QString, int, int, QString, bool, bool>(
            {"include", "exclude", "caseSensitive", "filterFolders", "name", "isFolder", "kept"});
        Row("empty include ignores exclude", "", "*.txt", 0, 0, "a.txt", false, true);
        Row("include drops the rest", "*.jpg,*.txt", "", 0, 0, "a.gif", false, false);
        Row("include without case", "*.txt", "", 0, 0, "README.TXT", false, true);
        Row("include with case", "*.txt", "", 1, 0, "README.TXT", false, false);
        Row("exclude beats include", "*.txt", "SECRET*", 0, 0, "secret.txt", false, false);
        Row("folder without FilterFolders", "*", "temp", 0, 0, "temp", true, true);
        Row("folder with FilterFolders", "*", "temp", 0, 1, "temp", true, false);
        Row("worker path: last part only", "pub*", "", 0, 0, "/pub/a.txt", false, false);
    }

    void filter()
    {
        QFETCH(QString, include);
        QFETCH(QString, exclude);
        QFETCH(int, caseSensitive);
        QFETCH(int, filterFolders);
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        StoreList("Filter", "Mask", include.split(u',', Qt::SkipEmptyParts));
        StoreList("Filter", "NotMask", exclude.split(u',', Qt::SkipEmptyParts));
        QVERIFY(WriteProfileInt("Filter", "CaseSensitive", caseSensitive));
        QVERIFY(WriteProfileInt("Filter", "FilterFolders", filterFolders));
        QTEST(PassesFilter(LoadFilterLists(true), name, isFolder), "kept");
        // A caller that does not filter keeps everything.
        QVERIFY(PassesFilter(LoadFilterLists(false), name, isFolder));
    }

    void renameRules_data()
    {
        Columns<QString, QString, QString>({"rules", "path", "renamed"});
        Row("htm to html", "*.htm|*.html", "/home/u/index.htm", "/home/u/index.html");
        Row("bare name", "*.txt|*.bak", "a.txt", "a.bak");
        Row("root folder", "*.txt|*.bak", "/a.txt", "/a.bak");
        Row("doubled slashes", "*.txt|*.bak", "/tmp//a.txt", "/tmp/a.bak");
        Row("with case: other case stays", "*.TXT|*.txt", "/d/a.txt", "/d/a.txt");
        Row("with case: upper renamed", "*.TXT|*.txt", "/d/a.TXT", "/d/a.txt");
        Row("first match only", "*.h|*.hpp;*.c|*.cpp;*.c|*.cc", "/s/m.c", "/s/m.cpp");
        Row("folder part untouched", "*.d|*.x", "/etc/conf.d/a", "/etc/conf.d/a");
        // Rules that would empty the name or lead out of its folder are passed over.
        Row("no bar", "*.txt", "/d/a.txt", "/d/a.txt");
        Row("dot-dot", "*|..", "/d/a", "/d/a");
        Row("empty result", "*|?", "/d/.x", "/d/.x");
        Row("slash, then a safe rule", "*.txt|../*.txt;*.txt|*.bak", "/d/a.txt", "/d/a.bak");
        Row("backslash", "*.txt|x\\*.txt", "/d/a.txt", "/d/a.txt");
    }

    void renameRules()
    {
        QFETCH(QString, rules);
        QFETCH(QString, path);
        StoreList("RenameRules", "Rules", rules.split(u';'));
        QCOMPARE(ApplyRenameRules(path), path);
        QVERIFY(WriteProfileInt("RenameRules", "ApplyRules", 1));
        QTEST(ApplyRenameRules(path), "renamed");
    }

    void renameByPattern_data()
    {
        Columns<QString, QString, QString>({"name", "target", "result"});
        Row("star", "index.htm", "*.html", "index.html");
        Row("target without extension", "index.htm", "*", "index");
        Row("? copies one", "report.txt", "??.txt", "re.txt");
        Row("? past the end stops", "ab.txt", "???x.txt", "ab.txt");
        Row("literals replace characters", "photo.JPG", "new_*.*", "new_o.JPG");
        Row("literal past the end appended", "a.c", "?b.cpp", "ab.cpp");
        Row("nothing after a star", "data.csv", "*x.*", "data.csv");
        Row("last dot", "archive.tar.gz", "*.bz2", "archive.tar.bz2");
        Row("dot file", ".htaccess", "*.*", ".htaccess");
    }

    void renameByPattern()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QTEST(RenameByPattern(name, target), "result");
    }

    void transferMode_data()
    {
        Columns<int, int, QString, bool>({"itemType", "programType", "fileName", "ascii"});
        Row("automatic: photo.JPG", 1, 0, "photo.JPG", false);
        Row("automatic: INDEX.Html", 1, 0, "INDEX.Html", true);
        Row("automatic: Makefile whole", 1, 0, "Makefile", false);
        Row("automatic: .htaccess", 1, 0, ".htaccess", true);
        Row("automatic: last dot", 1, 0, "notes.txt.gz", false);
        Row("automatic: dot in a folder", 1, 0, "/etc/conf.d/ini", true);
        Row("ASCII", 2, 0, "photo.jpg", true);
        Row("binary", 3, 0, "index.html", false);
        Row("unknown type", 7, 0, "index.html", false);
        Row("program-wide automatic", 0, 0, "index.html", true);
        Row("program-wide ASCII", 0, 1, "photo.jpg", true);
        Row("program-wide binary", 0, 2, "index.html", false);
    }

    void transferMode()
    {
        QFETCH(int, itemType);
        QFETCH(int, programType);
        QFETCH(QString, fileName);
        QFETCH(bool, ascii);
        QVERIFY(WriteProfileInt("Settings", "TransferType", programType));
        QCOMPARE(TransferModeFor(itemType, fileName), ascii ? TransferMode::Ascii : TransferMode::Binary);
    }

    // A stored list stands in for the defaults, even an empty one; a broken one gives no list at all.
    void asciiList()
    {
        QVERIFY(SaveAsciiTypes({"makefile"}));
        QCOMPARE(TransferModeFor(1, "Makefile"), TransferMode::Ascii);
        QCOMPARE(TransferModeFor(1, "index.html"), TransferMode::Binary);
        QVERIFY(SaveAsciiTypes({}));
        QVERIFY(LoadAsciiTypes().isEmpty());
        QVERIFY(WriteProfileBinary("AsciiTypes", "Extension", QByteArray("\x02\x00\x03txt", 6)));
        QVERIFY(LoadAsciiTypes().isEmpty());
    }

    void ruleDigits_data()
    {
        Columns<QString, int, qint64, qint64, A>(
            {"rule", "direction", "targetSize", "targetTime", "expected"});
        for (int d : {1, 2})
        {
            for (int digit = 0; digit <= 9; ++digit)
            {
                // Rules that skip when they apply; a rule that does not apply leaves the prompt.
                for (int relation = 0; relation < 3; ++relation)
                {
                    const A result = kDigitAccepts[digit][relation] ? A::Skip : A::Prompt;
                    QTest::addRow("direction %d date %d relation %d", d, digit, relation)
                        << RuleText(digit, 1, 0, 4) << d << kSourceSize
                        << kSourceTime + 3600 * kOffset[relation] << result;
                    QTest::addRow("direction %d size %d relation %d", d, digit, relation)
                        << RuleText(1, digit, 0, 4) << d << kSourceSize + 50 * kOffset[relation]
                        << kSourceTime << result;
                }
                QTest::addRow("direction %d when %d", d, digit)
                    << RuleText(1, 1, digit, 4) << d << kSourceSize << kSourceTime
                    << (digit == 0 || digit == d ? A::Skip : A::Prompt);
                QTest::addRow("direction %d then %d", d, digit)
                    << RuleText(1, 1, 0, digit) << d << kSourceSize << kSourceTime << kThen[digit];
            }
        }
        // Newer target on download: ask; anything else on download: skip.
        Row("first match wins: older", "0113,1114", 1, qint64(50), kSourceTime - 60, A::Skip);
        Row("first match wins: newer", "0113,1114", 1, qint64(50), kSourceTime + 60, A::Prompt);
        Row("first match wins: upload", "0113,1114", 2, qint64(50), kSourceTime - 60, A::Prompt);
        // Stored rules that are not four digits in range are passed over (broken lists are the store's own).
        Row("three characters", "111,,1112", 1, qint64(50), kSourceTime, A::Resume);
        Row("digits out of range", "9999,5114,1154,1119,1112", 1, qint64(50), kSourceTime, A::Resume);
        Row("not digits", "1x14,-114, 114,１１１４,1110", 1, qint64(50), kSourceTime, A::Overwrite);
        Row("first four characters count", "11141234", 1, qint64(50), kSourceTime, A::Skip);
    }

    void ruleDigits()
    {
        QFETCH(QString, rule);
        QFETCH(int, direction);
        QFETCH(qint64, targetSize);
        QFETCH(qint64, targetTime);
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", 6));
        StoreList("OverwriteRules", "Rules", rule.split(u','));
        QTEST(Decide(TransferDirection(direction), targetSize, targetTime), "expected");
    }

    void matchingFiles_data()
    {
        Columns<int, int, qint64, A>({"matchingFiles", "ignoreZeroBytes", "targetSize", "expected"});
        // 7 is no value: it asks.
        const A settings[] = {A::Prompt, A::Overwrite, A::Skip,   A::Rename,
                              A::Resume, A::Number,    A::Prompt, A::Prompt};
        for (int value = 0; value <= 7; ++value)
            QTest::addRow("value %d", value) << value << 1 << qint64(5) << settings[value];
        Row("empty target overwritten although skip", 2, 1, qint64(0), A::Overwrite);
        Row("empty target, rules", 6, 1, qint64(0), A::Overwrite);
        Row("empty target not ignored", 2, 0, qint64(0), A::Skip);
    }

    void matchingFiles()
    {
        QFETCH(int, matchingFiles);
        QFETCH(int, ignoreZeroBytes);
        QFETCH(qint64, targetSize);
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", matchingFiles));
        QVERIFY(WriteProfileInt("SmartOverwrite", "IgnoreZeroBytes", ignoreZeroBytes));
        QTEST(Decide(TransferDirection::Download, targetSize), "expected");
        QTEST(Decide(TransferDirection::Upload, targetSize), "expected");
    }

    void ruleStorage()
    {
        QVERIFY(SaveOverwriteRules({COverwriteRule::FromNumber(113), COverwriteRule::FromNumber(4224)}));
        QCOMPARE(GetProfileBinary("OverwriteRules", "Rules"),
                 QByteArray::fromHex("020004") + "0113" + '\x04' + "4224");
        QCOMPARE(COverwriteRule::FromNumber(4224).Describe(),
                 QString("如果目標日期 <不相同> 而且檔案大小 <較小> 發生在 <上傳時>, 則 <略過>"));
    }

    void numberedNames()
    {
        QTemporaryDir folder;
        for (const char* name : {"a.txt", "複製 -a.txt", "複製(2) -a.txt"})
            QVERIFY(WriteFile(folder.filePath(name), QByteArray(1, 'x')));
        QCOMPARE(MakeNumberedLocalName(folder.filePath("a.txt")), folder.filePath("複製(3) -a.txt"));
        // A folder or a dangling link is in the way as much as a file.
        QVERIFY(QDir(folder.path()).mkdir("複製 -b.txt"));
        QVERIFY(QFile::link(folder.filePath("gone"), folder.filePath("複製(2) -b.txt")));
        QCOMPARE(MakeNumberedLocalName(folder.filePath("b.txt")), folder.filePath("複製(3) -b.txt"));
        const QStringList names{"a.txt", "複製 -A.TXT", "複製(2) -a.txt", "複製(4) -a.txt"};
        QCOMPARE(MakeNumberedRemoteName("/pub/a.txt", names), QString("複製(3) -a.txt"));
        QCOMPARE(MakeNumberedRemoteName("/pub/b.txt", names), QString("複製 -b.txt"));
    }

    // The replace prompt on screen is the transfer window's test; here the answers and the sizes' edges.
    void promptButtonsAndTexts()
    {
        const auto summary = [](PromptKind kind, bool lastFile)
        {
            QStringList out;
            for (const CPromptButton& button : PromptButtons(kind, lastFile))
                out.append(button.text + u'=' + QString::number(int(button.action)));
            return out.join(u' ');
        };
        QCOMPARE(summary(PromptKind::Replace, false), QString("是(&Y)=1 全部都是(&A)=6 否(&N)=2 取消(&C)=2"));
        QCOMPARE(summary(PromptKind::Resume, false), QString("是(&Y)=4 否(&N)=1 否(&C)=2"));
        QCOMPARE(summary(PromptKind::Resume, true), summary(PromptKind::Resume, false));
        const A replace[] = {A::Overwrite, A::Overwrite, A::Skip,     A::Rename,
                             A::Resume,    A::Number,    A::Overwrite};
        const A resume[] = {A::Resume, A::Overwrite, A::Skip, A::Rename, A::Resume, A::Number, A::Resume};
        for (int promptAction = -1; promptAction <= 5; ++promptAction)
        {
            QCOMPARE(PromptTimeoutAction(PromptKind::Replace, promptAction), replace[promptAction + 1]);
            QCOMPARE(PromptTimeoutAction(PromptKind::Resume, promptAction), resume[promptAction + 1]);
        }
        QCOMPARE(PromptCountdownTitle(PromptKind::Resume, 5), QString("確認續傳 ( 5 秒內關閉)"));

        QCOMPARE(KilobyteText(std::numeric_limits<qint64>::max()), QString("9,007,199,254,740,992 KB"));
    }

    void downloadSide_data()
    {
        // The remote file has 100 bytes (no local file: -1); the answer is to whichever prompt comes up, the
        // new name to the rename dialog (empty is Cancel); the path is in the test's folder, empty when
        // skipped.
        Columns<int, qint64, int, A, QString, O, QString, QString, bool>(
            {"matchingFiles", "localSize", "disableResume", "answer", "newName", "outcome", "path", "asked",
             "scheduled"});
        Row("skip", 2, qint64(50), 0, A::Prompt, "", O::Skip, "", "", false);
        Row("resume", 4, qint64(50), 0, A::Prompt, "", O::Resume, "a.bin", "", false);
        Row("number", 5, qint64(50), 0, A::Prompt, "", O::Overwrite, "複製 -a.bin", "", false);
        Row("rename", 3, qint64(50), 0, A::Prompt, "b.bin", O::Overwrite, "b.bin", "name", false);
        Row("rename cancelled", 3, qint64(50), 0, A::Prompt, "", O::Skip, "", "name", false);
        Row("smaller local file", 0, qint64(50), 0, A::Resume, "", O::Resume, "a.bin", "resume", false);
        Row("resume disabled", 0, qint64(50), 1, A::Overwrite, "", O::Overwrite, "a.bin", "replace", false);
        Row("equal sizes", 0, qint64(100), 0, A::Skip, "", O::Skip, "", "replace", false);
        Row("empty local file", 2, qint64(0), 0, A::Prompt, "", O::Overwrite, "a.bin", "", false);
        Row("no local file", 2, qint64(-1), 0, A::Prompt, "", O::Overwrite, "a.bin", "", false);
        Row("scheduled job", 2, qint64(50), 0, A::Prompt, "", O::Overwrite, "a.bin", "", true);
    }

    void downloadSide()
    {
        QFETCH(int, matchingFiles);
        QFETCH(qint64, localSize);
        QFETCH(int, disableResume);
        QFETCH(A, answer);
        QFETCH(QString, newName);
        QFETCH(QString, path);
        QFETCH(bool, scheduled);
        QTemporaryDir folder;
        const QString local = folder.filePath("a.bin");
        QVERIFY(localSize < 0 || WriteFile(local, QByteArray(localSize, 'x')));
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", matchingFiles));
        QVERIFY(WriteProfileInt("Settings", "DisableResume", disableResume));
        CScriptedPrompts prompts;
        prompts.answers = {answer};
        prompts.nameAnswers = {newName.isEmpty() ? QString() : folder.filePath(newName)};
        COverwriteResolver resolver(prompts);
        const COverwriteChoice choice =
            resolver.ForDownload({"/pub/a.bin", local, 100, QDateTime::currentDateTime(), false, scheduled});
        QTEST(choice.outcome, "outcome");
        QCOMPARE(choice.path, path.isEmpty() ? QString() : folder.filePath(path));
        QTEST(prompts.asked.join(u','), "asked");
        if (!prompts.namesShown.isEmpty())
            QCOMPARE(prompts.namesShown.first(), "/pub/a.bin|" + local);
        QVERIFY(!resolver.YesToAll());
    }

    // Yes to all overwrites the rest of the job without a question; a new job asks again (uploads: the
    // batch).
    void yesToAllLastsOneJob()
    {
        QTemporaryDir folder;
        const QString local = folder.filePath("one.bin");
        QVERIFY(WriteFile(local, QByteArray(300, 'x')));
        const QDateTime incoming(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC);
        CScriptedPrompts prompts;
        prompts.answers = {A::OverwriteAll, A::Skip};
        COverwriteResolver resolver(prompts);
        QCOMPARE(resolver.ForDownload({"/pub/one.bin", local, 200, incoming, false, false}).outcome,
                 O::Overwrite);
        QCOMPARE(resolver.ForDownload({"/pub/one.bin", local, 200, incoming, true, false}).outcome,
                 O::Overwrite);
        QCOMPARE(prompts.asked.size(), 1);
        COverwriteResolver nextJob(prompts);
        QCOMPARE(nextJob.ForDownload({"/pub/one.bin", local, 200, incoming, true, false}).outcome, O::Skip);
        QVERIFY(prompts.shown.last().lastFile);

        const COverwritePromptInfo& info = prompts.shown.first();
        QCOMPARE(info.targetPath, local);
        QCOMPARE(info.existingSize, qint64(300));
        QCOMPARE(info.existingTime, QFileInfo(local).lastModified());
        QCOMPARE(info.incomingSize, qint64(200));
        QCOMPARE(info.incomingTime, incoming);
        QVERIFY(!info.lastFile);
    }

    void uploadFilter_data()
    {
        Columns<int, int, int, bool, QStringList>(
            {"enableFiltering", "filterTransfers", "filterFolders", "filteredCommand", "kept"});
        const QStringList all{"/l/b.txt", "/l/a.jpg", "/l/docs/"};
        const QStringList txt{"/l/b.txt"};
        Row("listings only", 1, 0, 0, false, all);
        Row("transfers filtered", 1, 1, 0, false, txt);
        Row("filtered upload command", 0, 0, 0, true, txt);
    }

    void uploadFilter()
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

    void uploadRenameRules_data()
    {
        Columns<QString, QString, int, QString>({"remoteFolder", "remoteRows", "matchingFiles", "kept"});
        Row("renamed", "/www", "", 2, "/l/index.htm|/www/index.html");
        Row("root folder", "/", "", 2, "/l/index.htm|/index.html");
        Row("old name is no conflict", "/www", "index.htm=5", 2, "/l/index.htm|/www/index.html");
        Row("new name conflicts", "/www", "INDEX.HTML=5", 2, "");
        Row("numbering the new name", "/www/", "index.html=5", 5, "/l/index.htm|/www/複製 -index.html");
    }

    void uploadRenameRules()
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
        const QList<CTransferEntry> entries =
            Prepare({"/l/a.txt"}, remoteRows.split(u','), prompts).value(0).files;
        QCOMPARE(entries.size(), kept.isEmpty() ? 0 : 1);
        QCOMPARE(entries.value(0).name, kept);
        QTEST(entries.value(0).attributes, "attributes");
        QTEST(entries.value(0).size, "size");
        QVERIFY(kept.isEmpty() || entries[0].modified == kLocalTime);
        QTEST(prompts.asked.join(u','), "asked");
        if (!prompts.namesShown.isEmpty())
            QCOMPARE(prompts.namesShown.first(), QString("/l/a.txt|/pub/a.txt"));
    }

    void promptsAndYesToAll()
    {
        CScriptedPrompts prompts;
        prompts.answers = {A::Skip, A::Overwrite, A::Skip};
        const QStringList rows{"a.txt=400", "b.txt=400", "c.txt=400", "d.txt=400"};
        QCOMPARE(Names(Prepare({"/l/a.txt", "/l/b.txt", "/l/c.txt"}, rows, prompts, "/")),
                 QStringList{"/l/b.txt"});
        const COverwritePromptInfo& first = prompts.shown.first();
        QCOMPARE(first.targetPath, QString("/a.txt"));
        QCOMPARE(first.existingSize, qint64(400));
        QCOMPARE(first.existingTime, kRemoteTime);
        QCOMPARE(first.incomingSize, qint64(100));
        QCOMPARE(first.incomingTime, kLocalTime);
        // Only the last record hides "yes to all".
        QCOMPARE(prompts.shown[1].lastFile, false);
        QCOMPARE(prompts.shown[2].lastFile, true);

        // Yes to all keeps the rest of this batch without a question, but not the next batch.
        prompts.answers = {A::Skip, A::OverwriteAll, A::Skip};
        QCOMPARE(Names(Prepare({"/l/a.txt", "/l/b.txt", "/l/c.txt", "/l/d.txt"}, rows, prompts)),
                 (QStringList{"/l/b.txt", "/l/c.txt", "/l/d.txt"}));
        QCOMPARE(Prepare({"/l/a.txt"}, rows, prompts).size(), 0);
        QCOMPARE(prompts.shown.size(), 6);
    }

    // Shift held splits the batch into a job per record, as the parallel setting does (the window's test,
    // with the site's fields in every job).
    void shiftSplitsTheBatch()
    {
        CUploadBatch batch;
        batch.records = Records({"/l/a.txt", "/l/b.txt", "/l/dir/"});
        batch.shiftHeld = true;
        CScriptedPrompts prompts;
        const QList<CTransferJob> jobs = PrepareUploadBatch(batch, prompts);
        QCOMPARE(jobs.size(), 3);
        QCOMPARE(Names(jobs), (QStringList{"/l/a.txt", "/l/b.txt", "/l/dir/"}));
        QCOMPARE(jobs[2].files.value(0).attributes, kAttributeFolder);
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

QTEST_GUILESS_MAIN(TestTransferRules)
#include "tst_transfer_rules.moc"
