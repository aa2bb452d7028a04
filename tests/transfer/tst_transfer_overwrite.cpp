#include "RulesTestSupport.h"

#include "transfer/OverwritePrompt.h"
#include "transfer/OverwriteResolver.h"
#include "transfer/OverwriteRule.h"
#include "transfer/SmartOverwrite.h"

#include <QDir>
#include <QFileInfo>

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

bool WriteFile(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'x')) == size;
}

QByteArray Blob(const QStringList& rules)
{
    return CStringList(rules).Serialize();
}
} // namespace

class TestTransferOverwrite : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void init() { QVERIFY(ResetSettings(m_home)); }

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
        const A settings[] = {A::Prompt, A::Overwrite, A::Skip, A::Rename, A::Resume, A::Number, A::Prompt};
        for (int value = 0; value <= 6; ++value)
            QTest::addRow("value %d", value) << value << 1 << qint64(5) << settings[value];
        Row("unknown value asks", 7, 1, qint64(5), A::Prompt);
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
        QCOMPARE(LoadOverwriteRules().value(1).Number(), 4224u);
        QCOMPARE(COverwriteRule::FromNumber(4224).Describe(),
                 QString("如果目標日期 <不相同> 而且檔案大小 <較小> 發生在 <上傳時>, 則 <略過>"));
        QVERIFY(!SaveOverwriteRules(QList<COverwriteRule>(900, COverwriteRule::FromNumber(1114))));
        QCOMPARE(LoadOverwriteRules().size(), 2);
    }

    void badStoredRules_data()
    {
        Columns<QByteArray, A>({"blob", "expected"});
        Row("4096 bytes ignored", ListBlobOfSize({"1114"}, kProfileObjectLimit), A::Prompt);
        Row("4095 bytes read", ListBlobOfSize({"1114"}, kProfileObjectLimit - 1), A::Skip);
        Row("three characters", Blob({"111", "", "1112"}), A::Resume);
        Row("digits out of range", Blob({"9999", "5114", "1154", "1119", "1112"}), A::Resume);
        Row("not digits", Blob({"1x14", "-114", " 114", "１１１４", "1110"}), A::Overwrite);
        Row("first four characters count", Blob({"11141234"}), A::Skip);
        Row("count past the end", QByteArray::fromHex("090004") + "1114", A::Prompt);
        Row("length past the end", QByteArray::fromHex("010009") + "1114", A::Prompt);
    }

    void badStoredRules()
    {
        QFETCH(QByteArray, blob);
        QVERIFY(!blob.isEmpty());
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", 6));
        QVERIFY(WriteProfileBinary("OverwriteRules", "Rules", blob));
        QTEST(Decide(TransferDirection::Download, 50), "expected");
    }

    void numberedNames()
    {
        QTemporaryDir folder;
        for (const char* name : {"a.txt", "複製 -a.txt", "複製(2) -a.txt"})
            QVERIFY(WriteFile(folder.filePath(name), 1));
        QCOMPARE(MakeNumberedLocalName(folder.filePath("a.txt")), folder.filePath("複製(3) -a.txt"));
        // A folder or a dangling link is in the way as much as a file.
        QVERIFY(QDir(folder.path()).mkdir("複製 -b.txt"));
        QVERIFY(QFile::link(folder.filePath("gone"), folder.filePath("複製(2) -b.txt")));
        QCOMPARE(MakeNumberedLocalName(folder.filePath("b.txt")), folder.filePath("複製(3) -b.txt"));
        const QStringList names{"a.txt", "複製 -A.TXT", "複製(2) -a.txt", "複製(4) -a.txt"};
        QCOMPARE(MakeNumberedRemoteName("/pub/a.txt", names), QString("複製(3) -a.txt"));
        QCOMPARE(MakeNumberedRemoteName("/pub/b.txt", names), QString("複製 -b.txt"));
    }

    void promptButtonsAndCountdown()
    {
        const auto summary = [](PromptKind kind, bool lastFile)
        {
            QStringList out;
            for (const CPromptButton& button : PromptButtons(kind, lastFile))
                out.append(button.text + u'=' + QString::number(int(button.action)));
            return out.join(u' ');
        };
        QCOMPARE(summary(PromptKind::Replace, false), QString("是(&Y)=1 全部都是(&A)=6 否(&N)=2 取消(&C)=2"));
        QCOMPARE(summary(PromptKind::Replace, true), QString("是(&Y)=1 否(&N)=2"));
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
        QCOMPARE(PromptCountdownStart().value_or(-1), 30);
        QCOMPARE(PromptCountdownTitle(PromptKind::Resume, 5), QString("確認續傳 ( 5 秒內關閉)"));
        QVERIFY(WriteProfileInt("SmartOverwrite", "EnableTimeout", 0));
        QVERIFY(!PromptCountdownStart());
    }

    void promptTexts()
    {
        QCOMPARE(KilobyteText(0), QString("1 KB"));
        QCOMPARE(KilobyteText(1024), QString("1 KB"));
        QCOMPARE(KilobyteText(1025), QString("2 KB"));
        QCOMPARE(KilobyteText(1048576), QString("1,024 KB"));
        QCOMPARE(KilobyteText(std::numeric_limits<qint64>::max()), QString("9,007,199,254,740,992 KB"));
        QCOMPARE(GroupedDigits(-1234567), QString("-1,234,567"));
        const QDateTime time(QDate(2021, 3, 14), QTime(15, 4, 5));
        const QString chinese = DescribePromptFile(999, time, QLocale(QLocale::Chinese, QLocale::Taiwan));
        const QString english =
            DescribePromptFile(1025, time, QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(chinese.startsWith("1 KB (999 bytes)\r\n2021年"), qPrintable(chinese));
        QVERIFY2(english.startsWith("2 KB (1,025 bytes)\r\n") && english.contains("March"),
                 qPrintable(english));
        QCOMPARE(PromptExistsText("/home/u/下載/a.txt"), QString("資料夾中已經存在另一同名檔案 'a.txt'"));
    }

    void downloadSide_data()
    {
        // The remote file has 100 bytes; the answer is to whichever prompt comes up, the new name to the
        // rename dialog (empty is Cancel); the path is in the test's folder, empty when skipped.
        Columns<int, qint64, int, A, QString, O, QString, QString>(
            {"matchingFiles", "localSize", "disableResume", "answer", "newName", "outcome", "path", "asked"});
        Row("skip", 2, qint64(50), 0, A::Prompt, "", O::Skip, "", "");
        Row("resume", 4, qint64(50), 0, A::Prompt, "", O::Resume, "a.bin", "");
        Row("number", 5, qint64(50), 0, A::Prompt, "", O::Overwrite, "複製 -a.bin", "");
        Row("rename", 3, qint64(50), 0, A::Prompt, "b.bin", O::Overwrite, "b.bin", "name");
        Row("rename cancelled", 3, qint64(50), 0, A::Prompt, "", O::Skip, "", "name");
        Row("smaller local file", 0, qint64(50), 0, A::Resume, "", O::Resume, "a.bin", "resume");
        Row("resume disabled", 0, qint64(50), 1, A::Overwrite, "", O::Overwrite, "a.bin", "replace");
        Row("equal sizes", 0, qint64(100), 0, A::Skip, "", O::Skip, "", "replace");
        Row("prompt: rename", 0, qint64(500), 0, A::Rename, "c.bin", O::Overwrite, "c.bin", "replace,name");
        Row("prompt: number", 0, qint64(500), 0, A::Number, "", O::Overwrite, "複製 -a.bin", "replace");
        Row("empty local file", 2, qint64(0), 0, A::Prompt, "", O::Overwrite, "a.bin", "");
    }

    void downloadSide()
    {
        QFETCH(int, matchingFiles);
        QFETCH(qint64, localSize);
        QFETCH(int, disableResume);
        QFETCH(A, answer);
        QFETCH(QString, newName);
        QFETCH(QString, path);
        QTemporaryDir folder;
        const QString local = folder.filePath("a.bin");
        QVERIFY(WriteFile(local, localSize));
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", matchingFiles));
        QVERIFY(WriteProfileInt("Settings", "DisableResume", disableResume));
        CScriptedPrompts prompts;
        prompts.answers = {answer};
        prompts.nameAnswers = {newName.isEmpty() ? QString() : folder.filePath(newName)};
        COverwriteResolver resolver(prompts);
        const COverwriteChoice choice =
            resolver.ForDownload({"/pub/a.bin", local, 100, QDateTime::currentDateTime(), false, false});
        QTEST(choice.outcome, "outcome");
        QCOMPARE(choice.path, path.isEmpty() ? QString() : folder.filePath(path));
        QTEST(prompts.Questions(), "asked");
        if (!prompts.namesAsked.isEmpty())
            QCOMPARE(prompts.namesAsked.first(), qMakePair(QString("/pub/a.bin"), local));
        QVERIFY(!resolver.YesToAll());
    }

    // Yes to all overwrites the rest of the job without a question; a new job asks again.
    void yesToAllLastsOneJob_data()
    {
        Columns<bool>({"upload"});
        Row("download", false);
        Row("upload", true);
    }

    void yesToAllLastsOneJob()
    {
        QFETCH(bool, upload);
        QTemporaryDir folder;
        const QString local = folder.filePath("one.bin");
        QVERIFY(WriteFile(local, 300));
        const QDateTime incoming(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC);
        const QDateTime remote = incoming.addDays(-1);
        const auto resolve = [&](COverwriteResolver& resolver, bool lastFile)
        {
            if (upload)
                return resolver.ForUpload(
                    {local, "/pub", "one.bin", 200, incoming, 300, remote, {}, lastFile});
            return resolver.ForDownload({"/pub/one.bin", local, 200, incoming, lastFile, false});
        };
        CScriptedPrompts prompts;
        prompts.answers = {A::OverwriteAll, A::Skip};
        COverwriteResolver resolver(prompts);
        QCOMPARE(resolve(resolver, false).outcome, O::Overwrite);
        QCOMPARE(resolve(resolver, true).outcome, O::Overwrite);
        QCOMPARE(prompts.Asked(), 1);
        COverwriteResolver nextJob(prompts);
        QCOMPARE(resolve(nextJob, true).outcome, O::Skip);
        QVERIFY(prompts.replaceAsked.last().lastFile);

        const COverwritePromptInfo& info = prompts.replaceAsked.first();
        QCOMPARE(info.targetPath, upload ? QString("/pub/one.bin") : local);
        QCOMPARE(info.existingSize, qint64(300));
        QCOMPARE(info.existingTime, upload ? remote : QFileInfo(local).lastModified());
        QCOMPARE(info.incomingSize, qint64(200));
        QCOMPARE(info.incomingTime, incoming);
        QVERIFY(!info.lastFile);
    }

    void downloadWithoutDecision()
    {
        QTemporaryDir folder;
        const QString existing = folder.filePath("a.bin");
        QVERIFY(WriteFile(existing, 10));
        QVERIFY(WriteProfileInt("SmartOverwrite", "MatchingFiles", 2));
        CScriptedPrompts prompts;
        COverwriteResolver resolver(prompts);
        const QDateTime now = QDateTime::currentDateTime();
        const QString missing = folder.filePath("new.bin");
        QCOMPARE(resolver.ForDownload({"/pub/new.bin", missing, 5, now, false, false}).path, missing);
        // A scheduled job overwrites whatever is there.
        QCOMPARE(resolver.ForDownload({"/pub/a.bin", existing, 5, now, false, true}).path, existing);
        QCOMPARE(resolver.ForDownload({"/pub/a.bin", existing, 5, now, false, false}).outcome, O::Skip);
        QCOMPARE(prompts.Asked(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTransferOverwrite)
#include "tst_transfer_overwrite.moc"
