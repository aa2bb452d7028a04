// Listing lines below were captured from this machine's ls, proftpd 1.3.8 and pyftpdlib 1.5.7, or
// written after the forms IIS and EPLF servers print.

#include "engine/ftp/ListParser.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{
using Kind = ListItem::Kind;

QDateTime Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
}

// The moment the sample folder was listed.
const QDateTime kNow = Utc(2026, 12, 6, 17, 30);
const QDateTime kSample = Utc(2026, 12, 6, 17, 11);
const QDateTime kJanuary = Utc(2024, 1, 5, 10, 0);

ListItem File(const QByteArray& name, qint64 size, const QDateTime& when, const QByteArray& owner = "root",
              const QByteArray& group = "root")
{
    return {name, size, owner, group, "-rw-r--r--", when, Kind::File, {}};
}

// A Windows, EPLF or MLSD entry: no owner, group or permissions.
ListItem Bare(const QByteArray& name, qint64 size, const QDateTime& when, Kind kind = Kind::File)
{
    return {name, size, {}, {}, {}, when, kind, {}};
}

QString Text(const std::optional<ListItem>& item)
{
    if (!item)
        return QStringLiteral("refused");
    return QStringList{QString::fromUtf8(item->name),        QString::number(item->size),
                       QString::fromUtf8(item->owner),       QString::fromUtf8(item->group),
                       QString::fromUtf8(item->permissions), item->modified.toString(Qt::ISODateWithMs),
                       QString::number(int(item->kind)),     QString::fromUtf8(item->linkTarget)}
        .join(u'|');
}

struct LineCase
{
    const char* tag;
    bool mlsd;
    QByteArray line;
    std::optional<ListItem> expected; // none: the line is refused
    QDateTime now = kNow;
};

const QList<LineCase>& Cases()
{
    const QByteArray proftpd = "unique=FE00UA7215E;UNIX.group=0;UNIX.groupname=nogroup;";
    const QDateTime modified = Utc(2026, 12, 6, 17, 11, 24);
    static const QList<LineCase> cases = {
        {"ls: leading space kept", false, "-rw-r--r-- 1 root root          2 Dec  6 17:11  leading space.txt",
         File(" leading space.txt", 2, kSample)},
        {"ls: UTF-8 name", false, "-rw-r--r-- 1 root root          0 Dec  6 17:11 Datei-ü-中文.txt",
         File("Datei-ü-中文.txt", 0, kSample)},
        {"ls: folder with space", false, "drwxr-xr-x 2 root root       4096 Dec  6 17:11 a dir",
         ListItem{"a dir", 4096, "root", "root", "drwxr-xr-x", kSample, Kind::Folder, {}}},
        {"ls: over 4 GiB", false, "-rw-r--r-- 1 root root 5000000000 Dec  6 17:11 big.bin",
         File("big.bin", 5000000000LL, kSample)},
        {"ls: fifo", false, "prw-r--r-- 1 root root          0 Dec  6 17:11 fifo",
         ListItem{"fifo", 0, "root", "root", "prw-r--r--", kSample, Kind::Other, {}}},
        {"ls: link with spaces", false, "lrwxrwxrwx 1 root root          5 Dec  6 17:11 link to dir -> a dir",
         ListItem{"link to dir", 5, "root", "root", "lrwxrwxrwx", kSample, Kind::Link, "a dir"}},
        {"ls: link without arrow", false, "lrwxrwxrwx 1 root root 9 Dec  6 17:11 dangling",
         ListItem{"dangling", 9, "root", "root", "lrwxrwxrwx", kSample, Kind::Link, {}}},
        {"ls: arrow in a file name", false, "-rw-r--r-- 1 root root 1 Dec  6 17:11 a -> b",
         File("a -> b", 1, kSample)},
        {"ls: old file with year", false, "-rw-r--r-- 1 root root          0 Jan  2  2023 old",
         File("old", 0, Utc(2023, 1, 2))},
        {"ls: setuid", false, "-rwsr-xr-x 1 root root          6 Dec  6 17:11 plain.txt",
         ListItem{"plain.txt", 6, "root", "root", "-rwsr-xr-x", kSample, Kind::File, {}}},
        {"long-iso: old", false, "-rw-r--r-- 1 root root          0 2023-01-02 10:15 old",
         File("old", 0, Utc(2023, 1, 2, 10, 15))},
        {"iso: date only", false, "-rw-r--r-- 1 root root          0 2023-01-02  old",
         File("old", 0, Utc(2023, 1, 2))},
        {"iso: recent", false, "-rw-r--r-- 1 root root          2 12-06 17:11  leading space.txt",
         File(" leading space.txt", 2, kSample)},
        {"full-iso", false,
         "-rw-r--r--  1 root root          2 2026-12-06 17:11:24.282088123 +0000  leading space.txt",
         File(" leading space.txt", 2, Utc(2026, 12, 6, 17, 11, 24, 282))},
        {"full-iso: zone east", false, "-rw-r--r--  1 root root 2 2026-12-06 18:11:24.5 +0100 x",
         File("x", 2, Utc(2026, 12, 6, 17, 11, 24, 500))},
        {"long-iso: zone-like name", false, "-rw-r--r-- 1 root root 2 2023-01-02 10:15 +0100",
         File("+0100", 2, Utc(2023, 1, 2, 10, 15))},
        {"BSD -T seconds and year", false, "-rw-r--r--  1 alice  staff  42 Mar  4 09:05:30 2024 report.txt",
         File("report.txt", 42, Utc(2024, 3, 4, 9, 5, 30), "alice", "staff")},
        {"device, split numbers", false, "crw------- 1 root root 4, 1 Dec  5 03:04 tty1",
         ListItem{"tty1", 0, "root", "root", "crw-------", Utc(2026, 12, 5, 3, 4), Kind::Other, {}}},
        {"device, joined numbers", false, "brw-rw---- 1 root disk 8,0 Dec  5 03:04 sda",
         ListItem{"sda", 0, "root", "disk", "brw-rw----", Utc(2026, 12, 5, 3, 4), Kind::Other, {}}},
        {"ACL mark", false, "drwxr-xr-x+ 3 alice staff 96 Mar  4  2024 shared",
         ListItem{"shared", 96, "alice", "staff", "drwxr-xr-x", Utc(2024, 3, 4), Kind::Folder, {}}},
        {"missing group", false, "-rw-r--r-- 1 ftp 1234 Jan  2 10:15 nogroup.txt",
         File("nogroup.txt", 1234, Utc(2026, 1, 2, 10, 15), "ftp", {})},
        {"missing link count", false, "-rw-r--r-- ftp ftp 1234 Jan  2 10:15 nolinks.txt",
         File("nolinks.txt", 1234, Utc(2026, 1, 2, 10, 15), "ftp", "ftp")},
        {"owner that looks like a date", false, "-rw-r--r-- 1 may 12 10 Dec  6 17:11 tricky",
         File("tricky", 10, kSample, "may", "12")},
        {"impossible date keeps the line", false, "-rw-r--r-- 1 root root 1 Feb 31  2023 nodate",
         File("nodate", 1, QDateTime())},
        {"trailing space in name, CR LF", false, "-rw-r--r-- 1 root root 1 Dec  6 17:11 spaced \r\n",
         File("spaced ", 1, kSample)},
        // The year a date without one falls in, from the listing's "now".
        {"last December", false, "-rw-r--r-- 1 root root 1 Dec 31 23:59 f",
         File("f", 1, Utc(2023, 12, 31, 23, 59)), kJanuary},
        {"hours ahead", false, "-rw-r--r-- 1 root root 1 Jan  5 23:00 f",
         File("f", 1, Utc(2024, 1, 5, 23, 0)), kJanuary},
        {"five months ahead", false, "-rw-r--r-- 1 root root 1 Jun  1 10:00 f",
         File("f", 1, Utc(2024, 6, 1, 10, 0)), kJanuary},
        {"seven months ahead", false, "-rw-r--r-- 1 root root 1 Aug  1 10:00 f",
         File("f", 1, Utc(2023, 8, 1, 10, 0)), kJanuary},
        {"iso recent form", false, "-rw-r--r-- 1 root root 1 12-31 23:59 f",
         File("f", 1, Utc(2023, 12, 31, 23, 59)), kJanuary},
        {"explicit year", false, "-rw-r--r-- 1 root root 1 Dec 31  2030 f", File("f", 1, Utc(2030, 12, 31)),
         kJanuary},
        {"new year's eve", false, "-rw-r--r-- 1 root root 1 Jan  1 00:10 f",
         File("f", 1, Utc(2023, 1, 1, 0, 10)), Utc(2023, 12, 31, 23, 30)},
        {"leap day, common year", false, "-rw-r--r-- 1 root root 1 Feb 29 10:00 f",
         File("f", 1, Utc(2024, 2, 29, 10, 0)), Utc(2025, 3, 1)},
        {"no clock given", false, "-rw-r--r-- 1 root root 1 Jan  2 10:15 f", File("f", 1, QDateTime()),
         QDateTime()},

        {"IIS folder, two-digit year", false, "01-02-23  10:15AM       <DIR>          name",
         Bare("name", 0, Utc(2023, 1, 2, 10, 15), Kind::Folder)},
        {"IIS file, four-digit year", false, "01-02-2023  22:15              1234 name with  spaces.txt",
         Bare("name with  spaces.txt", 1234, Utc(2023, 1, 2, 22, 15))},
        {"IIS midnight, last century", false, "12-31-99  12:00AM                 0 y2k.txt",
         Bare("y2k.txt", 0, Utc(1999, 12, 31))},
        {"IIS noon, over 4 GiB", false, "06-15-24  12:30PM       5000000000 big.iso",
         Bare("big.iso", 5000000000LL, Utc(2024, 6, 15, 12, 30))},
        {"DOS thousands separators", false, "06-15-24  01:05 PM 1,234,567 commas.bin",
         Bare("commas.bin", 1234567, Utc(2024, 6, 15, 13, 5))},
        {"DOS slashes", false, "06/15/2024  01:05PM    42 slash.txt",
         Bare("slash.txt", 42, Utc(2024, 6, 15, 13, 5))},
        {"ISO date, lower-case dir", false, "2024-06-15  13:05  <dir>  iso folder",
         Bare("iso folder", 0, Utc(2024, 6, 15, 13, 5), Kind::Folder)},
        {"EPLF folder", false, "+i8388621.29609,m824255902,/,\tdev",
         Bare("dev", 0, Utc(1996, 2, 13, 23, 58, 22), Kind::Folder)},
        {"EPLF with mode", false, "+m839956783,r,s10,up644,\tperm file.txt",
         ListItem{"perm file.txt", 10, {}, {}, "-rw-r--r--", Utc(1996, 8, 13, 17, 19, 43), Kind::File, {}}},

        {"pyftpdlib: default facts", true,
         "modify=20261206171124;perm=radfwMT;size=5000000000;type=file;unique=fe00ga72168; big.bin",
         Bare("big.bin", 5000000000LL, modified)},
        {"pyftpdlib: unix facts", true,
         "modify=20261206171124;perm=eldfmMTcp;size=4096;type=dir;unix.gid=0;unix.mode=0o755;unix.uid=0; a "
         "dir",
         ListItem{"a dir", 4096, "0", "0", "drwxr-xr-x", modified, Kind::Folder, {}}},
        {"pyftpdlib: leading space", true,
         "modify=20261206171124;perm=radfwMT;size=2;type=file;unix.gid=0;unix.mode=0o644;unix.uid=0;  "
         "leading space.txt",
         File(" leading space.txt", 2, modified, "0", "0")},
        {"proftpd: setuid", true,
         "modify=20261206171124;perm=adfr;size=6;type=file;" + proftpd +
             "UNIX.mode=04755;UNIX.owner=0;UNIX.ownername=u; plain.txt",
         ListItem{"plain.txt", 6, "u", "nogroup", "-rwsr-xr-x", modified, Kind::File, {}}},
        {"proftpd: symlink", true,
         "modify=20261206171124;perm=adfr;size=9;type=OS.unix=symlink;" + proftpd +
             "UNIX.mode=0777;UNIX.owner=0;UNIX.ownername=u; link",
         ListItem{"link", 9, "u", "nogroup", "lrwxrwxrwx", modified, Kind::Link, {}}},
        {"proftpd: MLST reply line", true,
         " modify=20261206171124;perm=adfr;size=6;type=file;UNIX.mode=0644;UNIX.owner=0; plain.txt",
         File("plain.txt", 6, modified, "0", {})},
        {"slink with target", true, "type=OS.unix=slink:/srv/Target;size=12;modify=20230102101500; shortcut",
         ListItem{"shortcut", 12, {}, {}, {}, Utc(2023, 1, 2, 10, 15), Kind::Link, "/srv/Target"}},
        {"fraction of a second", true, "type=file;size=1;modify=20230102101500.123; frac",
         Bare("frac", 1, Utc(2023, 1, 2, 10, 15, 0, 123))},
        {"facts in upper case", true, "TYPE=DIR;SIZD=4096;MODIFY=20230102101500;UNIX.MODE=0750; UPPER",
         ListItem{"UPPER", 4096, {}, {}, "drwxr-x---", Utc(2023, 1, 2, 10, 15), Kind::Folder, {}}},
        {"setgid without execute", true, "type=file;size=3;UNIX.mode=2644;UNIX.uid=1000;UNIX.gid=100; sgid",
         ListItem{"sgid", 3, "1000", "100", "-rw-r-Sr--", {}, Kind::File, {}}},
        {"name with semicolons", true, "Type=file;Size=12;Modify=20230102101500; name;with=semicolons",
         Bare("name;with=semicolons", 12, Utc(2023, 1, 2, 10, 15))},
        {"no facts", true, " lonely", Bare("lonely", 0, {})},
        {"character device", true, "type=OS.unix=chr-4/1;size=0;UNIX.mode=0620; tty1",
         ListItem{"tty1", 0, {}, {}, "crw--w----", {}, Kind::Other, {}}},
        {"unknown type", true, "type=OS.z=weird;size=5; odd", Bare("odd", 5, {}, Kind::Other)},
        {"impossible modify", true, "type=file;size=5;modify=20231399000000; baddate",
         Bare("baddate", 5, {})},
        {"junk size and mode", true, "type=file;size=12x;UNIX.mode=0999; junk", Bare("junk", 0, {})},
        {"CR LF end", true, "type=file;size=7; crlf\r\n", Bare("crlf", 7, {})},

        {"total", false, "total 20", {}},
        {"empty", false, "", {}},
        {"prose", false, "Welcome to the server, enjoy your stay", {}},
        {"parent path", false, "-rw-r--r-- 1 root root 2 Dec  6 17:11 ../../etc/passwd", {}},
        {"slash inside", false, "-rw-r--r-- 1 root root 2 Dec  6 17:11 a/b", {}},
        {"dot", false, "drwxr-xr-x   4 0        0            4096 Dec  6 17:11 .", {}},
        {"dot dot", false, "drwxr-xr-x   4 0        0            4096 Dec  6 17:11 ..", {}},
        {"NUL in name", false, QByteArray("-rw-r--r-- 1 root root 2 Dec  6 17:11 a") + '\0' + "b", {}},
        {"link name with slash", false, "lrwxrwxrwx 1 root root 9 Dec  6 17:11 evil/x -> y", {}},
        {"no name", false, "drwxr-xr-x 2 root root 4096 Dec  6 17:11 ", {}},
        {"size overflow", false, "-rw-r--r-- 1 root root 99999999999999999999 Dec  6 17:11 huge", {}},
        {"negative size", false, "-rw-r--r-- 1 root root -5 Dec  6 17:11 neg", {}},
        {"too many columns", false, "-rw-r--r-- 1 a b c d 5 Dec  6 17:11 cols", {}},
        {"bad mode letters", false, "-rw-r--r-q 1 root root 5 Dec  6 17:11 mode", {}},
        {"bad clock", false, "-rw-r--r-- 1 root root 5 Dec  6 25:61 clock", {}},
        {"letter in an ISO date", false, "-rw-r--r-- 1 root root 5 2023-0x-02 10:15 month", {}},
        {"IIS parent path", false, "01-02-23  10:15AM       <DIR>          ..", {}},
        {"IIS slash", false, "01-02-23  10:15AM       <DIR>          sub/dir", {}},
        {"IIS bad hour", false, "01-02-23  13:15PM  12 pm.txt", {}},
        {"IIS no name", false, "01-02-23  10:15AM       <DIR>", {}},
        {"EPLF slash", false, "+i1,m1,r,s1,\tsub/x", {}},
        {"EPLF without tab", false, "+i1,m1,r,s1, name", {}},
        {"current folder by path", true, "type=cdir;perm=el; /home/user", {}},
        {"parent folder by name", true, "type=pdir;perm=el; up", {}},
        {"MLSD slash", true, "type=file;size=1; a/b", {}},
        {"MLST full path", true, " type=file;size=6; /plain.txt", {}},
        {"dot dot as file", true, "type=file;size=1; ..", {}},
        {"MLSD no name", true, "type=file;size=1;", {}},
    };
    return cases;
}

// What a parsed item may never be, whatever the input.
QByteArray BrokenInvariant(const ListItem& item)
{
    if (item.name.isEmpty() || item.name == "." || item.name == "..")
        return "empty or dot name";
    if (item.name.contains('/') || item.name.contains('\0'))
        return "name with '/' or NUL";
    if (item.size < 0)
        return "negative size";
    if (!item.permissions.isEmpty() && item.permissions.size() != 10)
        return "permission text of odd length";
    if (item.modified.isValid() && item.modified.timeSpec() != Qt::UTC)
        return "date not in UTC";
    return {};
}

// A line the table parses with a few random edits (characters of listings or any byte put in, spans cut out,
// pieces of other lines spliced in); every fourth one random bytes.
QByteArray Mutate(const QList<QByteArray>& corpus, QRandomGenerator& random)
{
    static const QByteArray alphabet = " \t\r\n/.-:,;=+<>0123456789abcdefJanDecPMAMdrwxlst";
    QByteArray line = corpus[random.bounded(int(corpus.size()))];
    if (random.bounded(4) == 0)
    {
        line.resize(random.bounded(120));
        for (char& c : line)
            c = char(random.bounded(256));
        return line;
    }
    for (int edits = 1 + random.bounded(4); edits > 0; --edits)
    {
        const int at = random.bounded(int(line.size()) + 1);
        const int edit = random.bounded(5);
        if (edit == 0)
            line.insert(at, alphabet[random.bounded(int(alphabet.size()))]);
        else if (edit == 1)
            line.insert(at, char(random.bounded(256)));
        else if (edit == 2)
            line.remove(at, random.bounded(8));
        else if (edit == 3)
            line.truncate(at);
        else
            line.insert(at, corpus[random.bounded(int(corpus.size()))].left(random.bounded(40)));
    }
    return line;
}
} // namespace

class TestListParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesLines_data()
    {
        QTest::addColumn<bool>("mlsd");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("expected");
        for (const LineCase& c : Cases())
            QTest::newRow(c.tag) << c.mlsd << c.line << c.now << Text(c.expected);
    }
    void parsesLines()
    {
        QFETCH(bool, mlsd);
        QFETCH(QByteArray, line);
        QFETCH(QDateTime, now);
        QFETCH(QString, expected);
        QCOMPARE(Text(mlsd ? CListParser::ParseMlsdLine(line) : CListParser::ParseListLine(line, now)),
                 expected);
    }

    // How finely each listing form gives its times, which a mirror compares to.
    void givesTimePrecision_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("precision");
        const QByteArray head = "-rw-r--r-- 1 root root 2 ";
        QTest::newRow("year") << head + "Jan  2  2023 f" << 86400;
        QTest::newRow("clock") << head + "Dec  6 17:11 f" << 60;
        QTest::newRow("BSD seconds") << head + "Mar  4 09:05:30 2024 f" << 1;
        QTest::newRow("long-iso") << head + "2023-01-02 10:15 f" << 60;
        QTest::newRow("full-iso") << head + "2026-12-06 17:11:24.28 +0000 f" << 1;
        QTest::newRow("iso date") << head + "2023-01-02  f" << 86400;
        QTest::newRow("iso recent") << head + "12-06 17:11 f" << 60;
        QTest::newRow("IIS") << QByteArray("01-02-2023  22:15    1234 f") << 60;
        QTest::newRow("MLSD") << QByteArray("type=file;size=1;modify=20230102101500; f") << 1;
    }
    void givesTimePrecision()
    {
        QFETCH(QByteArray, line);
        const std::optional<ListItem> item = line.startsWith("type=")
                                                 ? CListParser::ParseMlsdLine(line)
                                                 : CListParser::ParseListLine(line, kNow);
        QVERIFY(item && item->modified.isValid());
        QTEST(item->timePrecision, "precision");
    }

    void parsesWholeListings_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("mlsd");
        QTest::addColumn<QByteArrayList>("names");
        QTest::newRow("LIST, CR LF, dots and total")
            << QByteArray("total 28\r\n"
                          "drwxr-xr-x   4 0        0            4096 Dec  6 17:11 .\r\n"
                          "drwxr-xr-x   4 0        0            4096 Dec  6 17:11 ..\r\n"
                          "-rw-r--r--   1 0        0               2 Dec  6 17:11  leading space.txt\r\n"
                          "drwxr-xr-x   2 0        0            4096 Dec  6 17:11 a dir\r\n"
                          "\r\n"
                          "lrwxrwxrwx   1 0        0               9 Dec  6 17:11 link -> plain.txt\r\n")
            << false << QByteArrayList{" leading space.txt", "a dir", "link"};
        QTest::newRow("LIST, bare LF, no final newline, junk between")
            << QByteArray("01-02-23  10:15AM       <DIR>          folder\n"
                          "garbage line\n"
                          "01-02-2023  22:15              1234 file.txt")
            << false << QByteArrayList{"folder", "file.txt"};
        QTest::newRow("MLSD, cdir and pdir left out")
            << QByteArray("modify=20261206171124;perm=fle;type=cdir;UNIX.mode=0755; .\r\n"
                          "modify=20261206171124;perm=adfr;size=0;type=file;UNIX.mode=0644; fifo\r\n"
                          "modify=20261206171124;perm=fle;type=pdir;UNIX.mode=0755; ..\r\n"
                          "modify=20261206171124;perm=fle;type=dir;UNIX.mode=0755; a dir\r\n")
            << true << QByteArrayList{"fifo", "a dir"};
        QTest::newRow("MLSD body read as LIST gives nothing")
            << QByteArray("type=file;size=1; a\r\ntype=file;size=2; b\r\n") << false << QByteArrayList{};
        QTest::newRow("empty body") << QByteArray() << true << QByteArrayList{};
    }
    void parsesWholeListings()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, mlsd);
        QFETCH(QByteArrayList, names);
        QByteArrayList parsed;
        for (const ListItem& item : CListParser::ParseListing(body, mlsd, kNow))
            parsed.append(item.name);
        QCOMPARE(parsed, names);
    }

    void randomInputNeverBreaksInvariants()
    {
        QList<QByteArray> corpus;
        for (const LineCase& c : Cases())
        {
            if (c.expected)
                corpus.append(c.line);
        }
        QRandomGenerator random(20240105);
        int parsedCount = 0;
        QByteArray body;
        for (int round = 0; round < 20000; ++round)
        {
            const QByteArray line = Mutate(corpus, random);
            body += round < 300 ? line + (round % 2 ? "\r\n" : "\n") : QByteArray();
            for (const std::optional<ListItem>& item :
                 {CListParser::ParseListLine(line, kNow), CListParser::ParseMlsdLine(line)})
            {
                parsedCount += item ? 1 : 0;
                QVERIFY2(!item || BrokenInvariant(*item).isEmpty(),
                         (BrokenInvariant(*item) + " from " + line.toPercentEncoding()).constData());
            }
        }
        for (const bool mlsd : {false, true})
        {
            for (const ListItem& item : CListParser::ParseListing(body, mlsd, kNow))
                QVERIFY2(BrokenInvariant(item).isEmpty(), item.name.toPercentEncoding().constData());
        }
        // Mutated real lines must still often parse, or the test would only exercise the refusals.
        QVERIFY2(parsedCount > 2000, QByteArray::number(parsedCount).constData());
    }
};

QTEST_GUILESS_MAIN(TestListParser)
#include "tst_ListParser.moc"
