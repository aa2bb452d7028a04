#include "RulesTestSupport.h"

#include "app/Profile.h"
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

QStringList Masks(const QString& text)
{
    return text.split(u',', Qt::SkipEmptyParts);
}

} // namespace

class TestTransferNames : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void init() { QVERIFY(ResetSettings(m_home)); }

    void wildcards_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("matches");

        QTest::newRow("? takes one") << "abc"
                                     << "a?c" << true << true;
        QTest::newRow("? needs one") << "ac"
                                     << "a?c" << true << false;
        QTest::newRow("* on the empty name") << QString() << "*" << true << true;
        QTest::newRow("empty pattern") << "a" << QString() << true << false;
        QTest::newRow("back-tracking") << "xxaxxb"
                                       << "*a*b" << true << true;
        QTest::newRow("back-tracking, wrong end") << "xxaxxbc"
                                                  << "*a*b" << true << false;
        QTest::newRow("back-tracking twice") << "aaab"
                                             << "*aab" << true << true;
        QTest::newRow("longer name") << "readme2"
                                     << "readme" << true << false;
        QTest::newRow("with case") << "README.TXT"
                                   << "*.txt" << true << false;
        QTest::newRow("without case") << "README.TXT"
                                      << "*.txt" << false << true;
        QTest::newRow("without case, not ASCII") << "ÄRGER.TXT"
                                                 << "ärger.*" << false << true;
        QTest::newRow("? is one character") << "報告.txt"
                                            << "??.txt" << true << true;
        QTest::newRow("? is one four-byte character") << "😀.png"
                                                      << "?.png" << true << true;
    }

    void wildcards()
    {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, matches);
        QCOMPARE(MatchWildcard(name, pattern, caseSensitive), matches);
    }

    void filter_data()
    {
        QTest::addColumn<QString>("include");
        QTest::addColumn<QString>("exclude");
        QTest::addColumn<int>("caseSensitive");
        QTest::addColumn<int>("filterFolders");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<bool>("kept");

        QTest::newRow("empty include ignores exclude")
            << QString() << "*.txt" << 0 << 0 << "a.txt" << false << true;
        QTest::newRow("include drops the rest")
            << "*.jpg,*.txt" << QString() << 0 << 0 << "a.gif" << false << false;
        QTest::newRow("include without case")
            << "*.txt" << QString() << 0 << 0 << "README.TXT" << false << true;
        QTest::newRow("include with case")
            << "*.txt" << QString() << 1 << 0 << "README.TXT" << false << false;
        QTest::newRow("exclude beats include") << "*.txt"
                                               << "SECRET*" << 0 << 0 << "secret.txt" << false << false;
        QTest::newRow("folder without FilterFolders") << "*"
                                                      << "temp" << 0 << 0 << "temp" << true << true;
        QTest::newRow("folder with FilterFolders") << "*"
                                                   << "temp" << 0 << 1 << "temp" << true << false;
        QTest::newRow("worker path: last part only")
            << "pub*" << QString() << 0 << 0 << "/pub/a.txt" << false << false;
    }

    void filter()
    {
        QFETCH(QString, include);
        QFETCH(QString, exclude);
        QFETCH(int, caseSensitive);
        QFETCH(int, filterFolders);
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QFETCH(bool, kept);

        StoreList("Filter", "Mask", Masks(include));
        StoreList("Filter", "NotMask", Masks(exclude));
        QVERIFY(WriteProfileInt("Filter", "CaseSensitive", caseSensitive));
        QVERIFY(WriteProfileInt("Filter", "FilterFolders", filterFolders));
        QCOMPARE(PassesFilter(LoadFilterLists(true), name, isFolder), kept);
        // A caller that does not filter keeps everything.
        QVERIFY(PassesFilter(LoadFilterLists(false), name, isFolder));
    }

    void oversizedOrBrokenMasksFilterNothing()
    {
        QVERIFY(WriteProfileBinary("Filter", "Mask", ListBlobOfSize({"*.txt"}, kProfileObjectLimit)));
        QVERIFY(PassesFilter(LoadFilterLists(true), "a.jpg", false));
        QVERIFY(WriteProfileBinary("Filter", "Mask", ListBlobOfSize({"*.txt"}, kProfileObjectLimit - 1)));
        QVERIFY(!PassesFilter(LoadFilterLists(true), "a.jpg", false));
        // A count that promises more strings than the value holds.
        QVERIFY(WriteProfileBinary("Filter", "Mask", QByteArray("\x05\x00\x05*.txt", 8)));
        QVERIFY(PassesFilter(LoadFilterLists(true), "a.jpg", false));
    }

    void renameRules_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("renamed");

        QTest::newRow("htm to html") << "*.htm|*.html"
                                     << "/home/u/index.htm"
                                     << "/home/u/index.html";
        QTest::newRow("bare name") << "*.txt|*.bak"
                                   << "a.txt"
                                   << "a.bak";
        QTest::newRow("root folder") << "*.txt|*.bak"
                                     << "/a.txt"
                                     << "/a.bak";
        QTest::newRow("doubled slashes") << "*.txt|*.bak"
                                         << "/tmp//a.txt"
                                         << "/tmp/a.bak";
        QTest::newRow("with case: other case stays") << "*.TXT|*.txt"
                                                     << "/d/a.txt"
                                                     << "/d/a.txt";
        QTest::newRow("with case: upper renamed") << "*.TXT|*.txt"
                                                  << "/d/a.TXT"
                                                  << "/d/a.txt";
        QTest::newRow("first match only") << "*.h|*.hpp;*.c|*.cpp;*.c|*.cc"
                                          << "/s/m.c"
                                          << "/s/m.cpp";
        QTest::newRow("folder part untouched") << "*.d|*.x"
                                               << "/etc/conf.d/a"
                                               << "/etc/conf.d/a";
        // Rules that would empty the name or lead out of its folder are passed over.
        QTest::newRow("no bar") << "*.txt"
                                << "/d/a.txt"
                                << "/d/a.txt";
        QTest::newRow("dot-dot") << "*|.."
                                 << "/d/a"
                                 << "/d/a";
        QTest::newRow("empty result") << "*|?"
                                      << "/d/.x"
                                      << "/d/.x";
        QTest::newRow("slash, then a safe rule") << "*.txt|../*.txt;*.txt|*.bak"
                                                 << "/d/a.txt"
                                                 << "/d/a.bak";
        QTest::newRow("backslash") << "*.txt|x\\*.txt"
                                   << "/d/a.txt"
                                   << "/d/a.txt";
    }

    void renameRules()
    {
        QFETCH(QString, rules);
        QFETCH(QString, path);
        QFETCH(QString, renamed);

        StoreList("RenameRules", "Rules", rules.split(u';'));
        QCOMPARE(ApplyRenameRules(path), path);
        QVERIFY(WriteProfileInt("RenameRules", "ApplyRules", 1));
        QCOMPARE(ApplyRenameRules(path), renamed);
    }

    void renameByPattern_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("result");

        QTest::newRow("star") << "index.htm"
                              << "*.html"
                              << "index.html";
        QTest::newRow("target without extension") << "index.htm"
                                                  << "*"
                                                  << "index";
        QTest::newRow("? copies one") << "report.txt"
                                      << "??.txt"
                                      << "re.txt";
        QTest::newRow("? past the end stops") << "ab.txt"
                                              << "???x.txt"
                                              << "ab.txt";
        QTest::newRow("literals replace characters") << "photo.JPG"
                                                     << "new_*.*"
                                                     << "new_o.JPG";
        QTest::newRow("literal past the end appended") << "a.c"
                                                       << "?b.cpp"
                                                       << "ab.cpp";
        QTest::newRow("nothing after a star") << "data.csv"
                                              << "*x.*"
                                              << "data.csv";
        QTest::newRow("last dot") << "archive.tar.gz"
                                  << "*.bz2"
                                  << "archive.tar.bz2";
        QTest::newRow("dot file") << ".htaccess"
                                  << "*.*"
                                  << ".htaccess";
    }

    void renameByPattern()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QFETCH(QString, result);
        QCOMPARE(RenameByPattern(name, target), result);
    }

    void renameRulesStorage()
    {
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
        QTest::addColumn<int>("itemType");
        QTest::addColumn<int>("programType");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("ascii");

        QTest::newRow("automatic: photo.JPG") << 1 << 0 << "photo.JPG" << false;
        QTest::newRow("automatic: INDEX.Html") << 1 << 0 << "INDEX.Html" << true;
        QTest::newRow("automatic: Makefile whole") << 1 << 0 << "Makefile" << false;
        QTest::newRow("automatic: .htaccess") << 1 << 0 << ".htaccess" << true;
        QTest::newRow("automatic: last dot") << 1 << 0 << "notes.txt.gz" << false;
        QTest::newRow("automatic: dot in a folder") << 1 << 0 << "/etc/conf.d/ini" << true;
        QTest::newRow("ASCII") << 2 << 0 << "photo.jpg" << true;
        QTest::newRow("binary") << 3 << 0 << "index.html" << false;
        QTest::newRow("unknown type") << 7 << 0 << "index.html" << false;
        QTest::newRow("program-wide automatic") << 0 << 0 << "index.html" << true;
        QTest::newRow("program-wide ASCII") << 0 << 1 << "photo.jpg" << true;
        QTest::newRow("program-wide binary") << 0 << 2 << "index.html" << false;
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
