#include "RulesTestSupport.h"

#include "transfer/AsciiTypes.h"
#include "transfer/FilterLists.h"
#include "transfer/RenameRule.h"
#include "transfer/Wildcard.h"

namespace
{
class CRecordingTarget final : public ITransferModeTarget
{
public:
    QList<TransferMode> modes;
    void SetTransferMode(TransferMode mode) override { modes.append(mode); }
};

TransferMode ModeFor(int itemType, const QString& fileName)
{
    CRecordingTarget target;
    ChooseTransferMode(itemType, fileName, target);
    return target.modes.value(0, TransferMode(-1));
}
} // namespace

class TestTransferNames : public QObject
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

    // Each stored list: one of exactly the size limit is ignored, one a byte shorter is read, and one whose
    // count promises more strings than it holds is ignored.
    void storedListLimits()
    {
        QVERIFY(WriteProfileBinary("Filter", "Mask", ListBlobOfSize({"*.txt"}, kProfileObjectLimit)));
        QVERIFY(PassesFilter(LoadFilterLists(true), "a.jpg", false));
        QVERIFY(WriteProfileBinary("Filter", "Mask", ListBlobOfSize({"*.txt"}, kProfileObjectLimit - 1)));
        QVERIFY(!PassesFilter(LoadFilterLists(true), "a.jpg", false));
        QVERIFY(WriteProfileBinary("Filter", "Mask", QByteArray("\x05\x00\x05*.txt", 8)));
        QVERIFY(PassesFilter(LoadFilterLists(true), "a.jpg", false));

        QVERIFY(SaveRenameRules({{"*.htm", "*.html"}}));
        QCOMPARE(LoadRenameRules().value(0).ToText(), QString("*.htm|*.html"));
        QVERIFY(WriteProfileInt("RenameRules", "ApplyRules", 1));
        QVERIFY(WriteProfileBinary("RenameRules", "Rules", ListBlobOfSize({"*|x*"}, kProfileObjectLimit)));
        QCOMPARE(ApplyRenameRules("/d/a"), QString("/d/a"));
        QVERIFY(
            WriteProfileBinary("RenameRules", "Rules", ListBlobOfSize({"*|x*"}, kProfileObjectLimit - 1)));
        QCOMPARE(ApplyRenameRules("/d/a"), QString("/d/x"));
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
        QCOMPARE(ModeFor(itemType, fileName), ascii ? TransferMode::Ascii : TransferMode::Binary);
    }

    void asciiList()
    {
        QCOMPARE(LoadAsciiTypes(),
                 (QStringList{"ASP", "BAT", "C", "CGI", "CPP", "CSS", "H", "HTACCESS", "HTM", "HTML",
                              "HTPASSWD", "INI", "JS", "MAK", "PERL", "PHP", "TXT"}));
        QVERIFY(GetProfileBinary("AsciiTypes", "Extension").isEmpty());
        QVERIFY(SaveAsciiTypes({"makefile"}));
        QCOMPARE(ModeFor(1, "Makefile"), TransferMode::Ascii);
        QCOMPARE(ModeFor(1, "index.html"), TransferMode::Binary);
        // A list too long to store is not saved; the previous one stays.
        QVERIFY(!SaveAsciiTypes(QStringList(1000, "abcd")));
        QCOMPARE(LoadAsciiTypes(), QStringList{"makefile"});
        // A stored empty list, an oversized and a broken value give no list, and no defaults either.
        QVERIFY(SaveAsciiTypes({}));
        QVERIFY(LoadAsciiTypes().isEmpty());
        QVERIFY(WriteProfileBinary("AsciiTypes", "Extension", ListBlobOfSize({"html"}, kProfileObjectLimit)));
        QCOMPARE(ModeFor(1, "index.html"), TransferMode::Binary);
        QVERIFY(WriteProfileBinary("AsciiTypes", "Extension", QByteArray("\x02\x00\x03txt", 6)));
        QVERIFY(LoadAsciiTypes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTransferNames)
#include "tst_transfer_names.moc"
