// Listing lines below were captured from this machine's ls, proftpd 1.3.8 and pyftpdlib 1.5.7, or
// written after the forms IIS and EPLF servers print.

#include "engine/ftp/ListParser.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(ListItem)

namespace
{

using Kind = ListItem::Kind;

QDateTime Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
}

// The moment the sample folder was listed.
const QDateTime kNow = Utc(2026, 12, 6, 17, 30);
const QDateTime kSampleTime = Utc(2026, 12, 6, 17, 11);

QByteArray KindName(Kind kind)
{
    return QByteArray::number(int(kind));
}

void CompareItems(const ListItem& actual, const ListItem& expected)
{
    QCOMPARE(actual.name, expected.name);
    QCOMPARE(KindName(actual.kind), KindName(expected.kind));
    QCOMPARE(actual.size, expected.size);
    QCOMPARE(actual.owner, expected.owner);
    QCOMPARE(actual.group, expected.group);
    QCOMPARE(actual.permissions, expected.permissions);
    QCOMPARE(actual.modified, expected.modified);
    QCOMPARE(actual.linkTarget, expected.linkTarget);
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

// Real lines the randomised test starts from.
const QList<QByteArray> kCorpus = {
    "-rw-r--r-- 1 root root          2 Dec  6 17:11  leading space.txt",
    "lrwxrwxrwx 1 root root          5 Dec  6 17:11 link to dir -> a dir",
    "-rw-r--r-- 1 root root          0 Jan  2  2023 old",
    "-rw-r--r-- 1 root root          0 2023-01-02 10:15 old",
    "-rw-r--r-- 1 root root          0 2023-01-02  old",
    "-rw-r--r--  1 root root          2 2026-12-06 17:11:24.282088123 +0000  leading space.txt",
    "crw------- 1 root root 4, 1 Dec  5 03:04 tty1",
    "drwxr-xr-x+ 3 alice staff 96 Mar  4  2024 shared",
    "-rw-r--r--  1 alice  staff  42 Mar  4 09:05:30 2024 report.txt",
    "-rw-r--r--   1 root     root     5000000000 Dec 06 17:11 big.bin",
    "01-02-23  10:15AM       <DIR>          name",
    "06-15-24  01:05 PM 1,234,567 commas.bin",
    "+i8388621.44468,m839956783,r,s10376,\tRFCEPLF",
    "modify=20261206171124;perm=adfr;size=6;type=file;unique=FE00UA7215E;UNIX.group=0;"
    "UNIX.groupname=nogroup;UNIX.mode=04755;UNIX.owner=0;UNIX.ownername=u; plain.txt",
    "modify=20261206171124;perm=eldfmMTcp;size=4096;type=dir;unix.gid=0;unix.mode=0o755;unix.uid=0; a dir",
    "type=OS.unix=slink:/srv/target;size=12;modify=20230102101500.5; shortcut",
};

QByteArray Mutate(QByteArray line, QRandomGenerator& random)
{
    static const QByteArray alphabet = " \t\r\n/.-:,;=+<>0123456789abcdefJanDecPMAMdrwxlst";
    const int edits = 1 + random.bounded(4);
    for (int i = 0; i < edits; ++i)
    {
        const int at = line.isEmpty() ? 0 : random.bounded(int(line.size()));
        switch (random.bounded(6))
        {
        case 0:
            line.insert(at, alphabet[random.bounded(int(alphabet.size()))]);
            break;
        case 1:
            line.insert(at, char(random.bounded(256)));
            break;
        case 2:
            line.remove(at, random.bounded(8));
            break;
        case 3:
            line.truncate(at);
            break;
        case 4:
            line.insert(at, kCorpus[random.bounded(int(kCorpus.size()))].left(random.bounded(40)));
            break;
        default:
            if (!line.isEmpty())
                line[at] = alphabet[random.bounded(int(alphabet.size()))];
            break;
        }
    }
    return line;
}

QByteArray Garbage(QRandomGenerator& random)
{
    QByteArray bytes(random.bounded(120), Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

} // namespace

class TestListParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unixLines_data();
    void unixLines();
    void yearInference_data();
    void yearInference();
    void windowsAndEplfLines_data();
    void windowsAndEplfLines();
    void mlsdLines_data();
    void mlsdLines();
    void refusedListLines_data();
    void refusedListLines();
    void refusedMlsdLines_data();
    void refusedMlsdLines();
    void wholeListings_data();
    void wholeListings();
    void randomInputNeverBreaksInvariants();
};

void TestListParser::unixLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<ListItem>("expected");
    const auto add = [](const char* tag, const QByteArray& line, const ListItem& item)
    { QTest::newRow(tag) << line << item; };
    const auto file = [](QByteArray name, qint64 size, QByteArray owner, QByteArray group, QDateTime when)
    { return ListItem{name, size, owner, group, "-rw-r--r--", when, Kind::File, {}}; };

    add("ls: leading space kept", "-rw-r--r-- 1 root root          2 Dec  6 17:11  leading space.txt",
        file(" leading space.txt", 2, "root", "root", kSampleTime));
    add("ls: UTF-8 name", "-rw-r--r-- 1 root root          0 Dec  6 17:11 Datei-ü-中文.txt",
        file("Datei-ü-中文.txt", 0, "root", "root", kSampleTime));
    add("ls: folder with space", "drwxr-xr-x 2 root root       4096 Dec  6 17:11 a dir",
        {"a dir", 4096, "root", "root", "drwxr-xr-x", kSampleTime, Kind::Folder, {}});
    add("ls: over 4 GiB", "-rw-r--r-- 1 root root 5000000000 Dec  6 17:11 big.bin",
        file("big.bin", 5000000000LL, "root", "root", kSampleTime));
    add("ls: fifo", "prw-r--r-- 1 root root          0 Dec  6 17:11 fifo",
        {"fifo", 0, "root", "root", "prw-r--r--", kSampleTime, Kind::Other, {}});
    add("ls: link with spaces", "lrwxrwxrwx 1 root root          5 Dec  6 17:11 link to dir -> a dir",
        {"link to dir", 5, "root", "root", "lrwxrwxrwx", kSampleTime, Kind::Link, "a dir"});
    add("ls: link target outside", "lrwxrwxrwx 1 root root 16 Dec  6 17:11 evil -> ../../etc/passwd",
        {"evil", 16, "root", "root", "lrwxrwxrwx", kSampleTime, Kind::Link, "../../etc/passwd"});
    add("ls: link without arrow", "lrwxrwxrwx 1 root root 9 Dec  6 17:11 dangling",
        {"dangling", 9, "root", "root", "lrwxrwxrwx", kSampleTime, Kind::Link, {}});
    add("ls: arrow in a file name", "-rw-r--r-- 1 root root 1 Dec  6 17:11 a -> b",
        file("a -> b", 1, "root", "root", kSampleTime));
    add("ls: double spaces inside", "-rw-r--r-- 1 root root          2 Dec  6 17:11 name with  two spaces",
        file("name with  two spaces", 2, "root", "root", kSampleTime));
    add("ls: old file with year", "-rw-r--r-- 1 root root          0 Jan  2  2023 old",
        file("old", 0, "root", "root", Utc(2023, 1, 2)));
    add("ls: setuid", "-rwsr-xr-x 1 root root          6 Dec  6 17:11 plain.txt",
        {"plain.txt", 6, "root", "root", "-rwsr-xr-x", kSampleTime, Kind::File, {}});
    add("long-iso: old", "-rw-r--r-- 1 root root          0 2023-01-02 10:15 old",
        file("old", 0, "root", "root", Utc(2023, 1, 2, 10, 15)));
    add("long-iso: link", "lrwxrwxrwx 1 root root          9 2026-12-06 17:11 link -> plain.txt",
        {"link", 9, "root", "root", "lrwxrwxrwx", kSampleTime, Kind::Link, "plain.txt"});
    add("iso: date only", "-rw-r--r-- 1 root root          0 2023-01-02  old",
        file("old", 0, "root", "root", Utc(2023, 1, 2)));
    add("iso: date only, leading space", "-rw-r--r-- 1 root root          0 2023-01-02   x",
        file(" x", 0, "root", "root", Utc(2023, 1, 2)));
    add("iso: recent", "-rw-r--r-- 1 root root          2 12-06 17:11  leading space.txt",
        file(" leading space.txt", 2, "root", "root", kSampleTime));
    add("full-iso",
        "-rw-r--r--  1 root root          2 2026-12-06 17:11:24.282088123 +0000  leading space.txt",
        file(" leading space.txt", 2, "root", "root", Utc(2026, 12, 6, 17, 11, 24, 282)));
    add("full-iso: zone east", "-rw-r--r--  1 root root 2 2026-12-06 18:11:24.5 +0100 x",
        file("x", 2, "root", "root", Utc(2026, 12, 6, 17, 11, 24, 500)));
    add("long-iso: zone-like name", "-rw-r--r-- 1 root root 2 2023-01-02 10:15 +0100",
        file("+0100", 2, "root", "root", Utc(2023, 1, 2, 10, 15)));
    add("BSD -T seconds and year", "-rw-r--r--  1 alice  staff  42 Mar  4 09:05:30 2024 report.txt",
        file("report.txt", 42, "alice", "staff", Utc(2024, 3, 4, 9, 5, 30)));
    add("device, split numbers", "crw------- 1 root root 4, 1 Dec  5 03:04 tty1",
        {"tty1", 0, "root", "root", "crw-------", Utc(2026, 12, 5, 3, 4), Kind::Other, {}});
    add("device, joined numbers", "brw-rw---- 1 root disk 8,0 Dec  5 03:04 sda",
        {"sda", 0, "root", "disk", "brw-rw----", Utc(2026, 12, 5, 3, 4), Kind::Other, {}});
    add("ACL mark", "drwxr-xr-x+ 3 alice staff 96 Mar  4  2024 shared",
        {"shared", 96, "alice", "staff", "drwxr-xr-x", Utc(2024, 3, 4), Kind::Folder, {}});
    add("SELinux mark", "-rw-r--r--. 1 root root 12 Nov 30 08:00 selinux.txt",
        file("selinux.txt", 12, "root", "root", Utc(2026, 11, 30, 8, 0)));
    add("pyftpdlib: zero-padded day", "-rw-r--r--   1 root     root     5000000000 Dec 06 17:11 big.bin",
        file("big.bin", 5000000000LL, "root", "root", kSampleTime));
    add("missing group", "-rw-r--r-- 1 ftp 1234 Jan  2 10:15 nogroup.txt",
        file("nogroup.txt", 1234, "ftp", {}, Utc(2026, 1, 2, 10, 15)));
    add("missing link count", "-rw-r--r-- ftp ftp 1234 Jan  2 10:15 nolinks.txt",
        file("nolinks.txt", 1234, "ftp", "ftp", Utc(2026, 1, 2, 10, 15)));
    add("owner that looks like a date", "-rw-r--r-- 1 may 12 10 Dec  6 17:11 tricky",
        file("tricky", 10, "may", "12", kSampleTime));
    add("impossible date keeps the line", "-rw-r--r-- 1 root root 1 Feb 31  2023 nodate",
        file("nodate", 1, "root", "root", QDateTime()));
    add("trailing space in name, CR LF", "-rw-r--r-- 1 root root 1 Dec  6 17:11 spaced \r\n",
        file("spaced ", 1, "root", "root", kSampleTime));
}

void TestListParser::unixLines()
{
    QFETCH(QByteArray, line);
    QFETCH(ListItem, expected);
    const std::optional<ListItem> item = CListParser::ParseListLine(line, kNow);
    QVERIFY2(item, line.constData());
    CompareItems(*item, expected);
}

void TestListParser::yearInference_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime january = Utc(2024, 1, 5, 10, 0);
    QTest::newRow("last December") << january << QByteArray("Dec 31 23:59") << Utc(2023, 12, 31, 23, 59);
    QTest::newRow("earlier today") << january << QByteArray("Jan  5 09:00") << Utc(2024, 1, 5, 9, 0);
    QTest::newRow("hours ahead") << january << QByteArray("Jan  5 23:00") << Utc(2024, 1, 5, 23, 0);
    QTest::newRow("five months ahead") << january << QByteArray("Jun  1 10:00") << Utc(2024, 6, 1, 10, 0);
    QTest::newRow("seven months ahead") << january << QByteArray("Aug  1 10:00") << Utc(2023, 8, 1, 10, 0);
    QTest::newRow("iso recent form") << january << QByteArray("12-31 23:59") << Utc(2023, 12, 31, 23, 59);
    QTest::newRow("explicit year") << january << QByteArray("Dec 31  2030") << Utc(2030, 12, 31);
    QTest::newRow("new year's eve") << Utc(2023, 12, 31, 23, 30) << QByteArray("Jan  1 00:10")
                                    << Utc(2023, 1, 1, 0, 10);
    QTest::newRow("leap day, common year")
        << Utc(2025, 3, 1) << QByteArray("Feb 29 10:00") << Utc(2024, 2, 29, 10, 0);
    QTest::newRow("no clock given") << QDateTime() << QByteArray("Jan  2 10:15") << QDateTime();
}

void TestListParser::yearInference()
{
    QFETCH(QDateTime, now);
    QFETCH(QByteArray, date);
    QFETCH(QDateTime, expected);
    const std::optional<ListItem> item =
        CListParser::ParseListLine("-rw-r--r-- 1 root root 1 " + date + " f", now);
    QVERIFY(item);
    QCOMPARE(item->name, QByteArray("f"));
    QCOMPARE(item->modified, expected);
}

void TestListParser::windowsAndEplfLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<ListItem>("expected");
    const auto add = [](const char* tag, const QByteArray& line, const ListItem& item)
    { QTest::newRow(tag) << line << item; };
    const auto entry = [](QByteArray name, qint64 size, QDateTime when, Kind kind)
    { return ListItem{name, size, {}, {}, {}, when, kind, {}}; };

    add("IIS folder, two-digit year", "01-02-23  10:15AM       <DIR>          name",
        entry("name", 0, Utc(2023, 1, 2, 10, 15), Kind::Folder));
    add("IIS file, four-digit year", "01-02-2023  22:15              1234 name with  spaces.txt",
        entry("name with  spaces.txt", 1234, Utc(2023, 1, 2, 22, 15), Kind::File));
    add("IIS midnight, last century", "12-31-99  12:00AM                 0 y2k.txt",
        entry("y2k.txt", 0, Utc(1999, 12, 31), Kind::File));
    add("IIS noon, over 4 GiB", "06-15-24  12:30PM       5000000000 big.iso",
        entry("big.iso", 5000000000LL, Utc(2024, 6, 15, 12, 30), Kind::File));
    add("DOS thousands separators", "06-15-24  01:05 PM 1,234,567 commas.bin",
        entry("commas.bin", 1234567, Utc(2024, 6, 15, 13, 5), Kind::File));
    add("DOS slashes", "06/15/2024  01:05PM    42 slash.txt",
        entry("slash.txt", 42, Utc(2024, 6, 15, 13, 5), Kind::File));
    add("ISO date, lower-case dir", "2024-06-15  13:05  <dir>  iso folder",
        entry("iso folder", 0, Utc(2024, 6, 15, 13, 5), Kind::Folder));
    add("EPLF folder", "+i8388621.29609,m824255902,/,\tdev",
        entry("dev", 0, Utc(1996, 2, 13, 23, 58, 22), Kind::Folder));
    add("EPLF file", "+i8388621.44468,m839956783,r,s10376,\tRFCEPLF",
        entry("RFCEPLF", 10376, Utc(1996, 8, 13, 17, 19, 43), Kind::File));
    add("EPLF with mode", "+m839956783,r,s10,up644,\tperm file.txt",
        {"perm file.txt", 10, {}, {}, "-rw-r--r--", Utc(1996, 8, 13, 17, 19, 43), Kind::File, {}});
}

void TestListParser::windowsAndEplfLines()
{
    QFETCH(QByteArray, line);
    QFETCH(ListItem, expected);
    const std::optional<ListItem> item = CListParser::ParseListLine(line, kNow);
    QVERIFY2(item, line.constData());
    CompareItems(*item, expected);
}

void TestListParser::mlsdLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<ListItem>("expected");
    const auto add = [](const char* tag, const QByteArray& line, const ListItem& item)
    { QTest::newRow(tag) << line << item; };
    const QByteArray proftpdFacts = "unique=FE00UA7215E;UNIX.group=0;UNIX.groupname=nogroup;";

    add("pyftpdlib: default facts",
        "modify=20261206171124;perm=radfwMT;size=5000000000;type=file;unique=fe00ga72168; big.bin",
        {"big.bin", 5000000000LL, {}, {}, {}, Utc(2026, 12, 6, 17, 11, 24), Kind::File, {}});
    add("pyftpdlib: unix facts",
        "modify=20261206171124;perm=eldfmMTcp;size=4096;type=dir;unix.gid=0;unix.mode=0o755;unix.uid=0; a "
        "dir",
        {"a dir", 4096, "0", "0", "drwxr-xr-x", Utc(2026, 12, 6, 17, 11, 24), Kind::Folder, {}});
    add("pyftpdlib: leading space",
        "modify=20261206171124;perm=radfwMT;size=2;type=file;unix.gid=0;unix.mode=0o644;unix.uid=0;"
        "  leading space.txt",
        {" leading space.txt", 2, "0", "0", "-rw-r--r--", Utc(2026, 12, 6, 17, 11, 24), Kind::File, {}});
    add("proftpd: setuid",
        "modify=20261206171124;perm=adfr;size=6;type=file;" + proftpdFacts +
            "UNIX.mode=04755;UNIX.owner=0;UNIX.ownername=u; plain.txt",
        {"plain.txt", 6, "u", "nogroup", "-rwsr-xr-x", Utc(2026, 12, 6, 17, 11, 24), Kind::File, {}});
    add("proftpd: symlink",
        "modify=20261206171124;perm=adfr;size=9;type=OS.unix=symlink;" + proftpdFacts +
            "UNIX.mode=0777;UNIX.owner=0;UNIX.ownername=u; link",
        {"link", 9, "u", "nogroup", "lrwxrwxrwx", Utc(2026, 12, 6, 17, 11, 24), Kind::Link, {}});
    add("proftpd: MLST reply line",
        " modify=20261206171124;perm=adfr;size=6;type=file;UNIX.mode=0644;UNIX.owner=0; plain.txt",
        {"plain.txt", 6, "0", {}, "-rw-r--r--", Utc(2026, 12, 6, 17, 11, 24), Kind::File, {}});
    add("slink with target", "type=OS.unix=slink:/srv/Target;size=12;modify=20230102101500; shortcut",
        {"shortcut", 12, {}, {}, {}, Utc(2023, 1, 2, 10, 15), Kind::Link, "/srv/Target"});
    add("fraction of a second", "type=file;size=1;modify=20230102101500.123; frac",
        {"frac", 1, {}, {}, {}, Utc(2023, 1, 2, 10, 15, 0, 123), Kind::File, {}});
    add("facts in upper case", "TYPE=DIR;SIZD=4096;MODIFY=20230102101500;UNIX.MODE=0750; UPPER",
        {"UPPER", 4096, {}, {}, "drwxr-x---", Utc(2023, 1, 2, 10, 15), Kind::Folder, {}});
    add("setgid without execute", "type=file;size=3;UNIX.mode=2644;UNIX.uid=1000;UNIX.gid=100; sgid",
        {"sgid", 3, "1000", "100", "-rw-r-Sr--", {}, Kind::File, {}});
    add("name with semicolons", "Type=file;Size=12;Modify=20230102101500; name;with=semicolons",
        {"name;with=semicolons", 12, {}, {}, {}, Utc(2023, 1, 2, 10, 15), Kind::File, {}});
    add("no facts", " lonely", {"lonely", 0, {}, {}, {}, {}, Kind::File, {}});
    add("character device", "type=OS.unix=chr-4/1;size=0;UNIX.mode=0620; tty1",
        {"tty1", 0, {}, {}, "crw--w----", {}, Kind::Other, {}});
    add("unknown type", "type=OS.z=weird;size=5; odd", {"odd", 5, {}, {}, {}, {}, Kind::Other, {}});
    add("impossible modify", "type=file;size=5;modify=20231399000000; baddate",
        {"baddate", 5, {}, {}, {}, {}, Kind::File, {}});
    add("junk size and mode", "type=file;size=12x;UNIX.mode=0999; junk",
        {"junk", 0, {}, {}, {}, {}, Kind::File, {}});
    add("CR LF end", "type=file;size=7; crlf\r\n", {"crlf", 7, {}, {}, {}, {}, Kind::File, {}});
}

void TestListParser::mlsdLines()
{
    QFETCH(QByteArray, line);
    QFETCH(ListItem, expected);
    const std::optional<ListItem> item = CListParser::ParseMlsdLine(line);
    QVERIFY2(item, line.constData());
    CompareItems(*item, expected);
}

void TestListParser::refusedListLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("total") << QByteArray("total 20");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("blanks") << QByteArray("   \t ");
    QTest::newRow("prose") << QByteArray("Welcome to the server, enjoy your stay");
    QTest::newRow("parent path") << QByteArray("-rw-r--r-- 1 root root 2 Dec  6 17:11 ../../etc/passwd");
    QTest::newRow("slash inside") << QByteArray("-rw-r--r-- 1 root root 2 Dec  6 17:11 a/b");
    QTest::newRow("dot") << QByteArray("drwxr-xr-x   4 0        0            4096 Dec  6 17:11 .");
    QTest::newRow("dot dot") << QByteArray("drwxr-xr-x   4 0        0            4096 Dec  6 17:11 ..");
    static const char withNul[] = "-rw-r--r-- 1 root root 2 Dec  6 17:11 a\0b";
    QTest::newRow("NUL in name") << QByteArray(withNul, sizeof(withNul) - 1);
    QTest::newRow("link name with slash") << QByteArray("lrwxrwxrwx 1 root root 9 Dec  6 17:11 evil/x -> y");
    QTest::newRow("no name") << QByteArray("drwxr-xr-x 2 root root 4096 Dec  6 17:11 ");
    QTest::newRow("size overflow") << QByteArray(
        "-rw-r--r-- 1 root root 99999999999999999999 Dec  6 17:11 huge");
    QTest::newRow("negative size") << QByteArray("-rw-r--r-- 1 root root -5 Dec  6 17:11 neg");
    QTest::newRow("too many columns") << QByteArray("-rw-r--r-- 1 a b c d 5 Dec  6 17:11 cols");
    QTest::newRow("bad mode letters") << QByteArray("-rw-r--r-q 1 root root 5 Dec  6 17:11 mode");
    QTest::newRow("bad clock") << QByteArray("-rw-r--r-- 1 root root 5 Dec  6 25:61 clock");
    QTest::newRow("IIS parent path") << QByteArray("01-02-23  10:15AM       <DIR>          ..");
    QTest::newRow("IIS slash") << QByteArray("01-02-23  10:15AM       <DIR>          sub/dir");
    QTest::newRow("IIS bad hour") << QByteArray("01-02-23  13:15PM  12 pm.txt");
    QTest::newRow("IIS no name") << QByteArray("01-02-23  10:15AM       <DIR>");
    QTest::newRow("EPLF slash") << QByteArray("+i1,m1,r,s1,\tsub/x");
    QTest::newRow("EPLF without tab") << QByteArray("+i1,m1,r,s1, name");
}

void TestListParser::refusedListLines()
{
    QFETCH(QByteArray, line);
    QVERIFY(!CListParser::ParseListLine(line, kNow));
}

void TestListParser::refusedMlsdLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("current folder") << QByteArray(
        "modify=20261206171124;perm=fle;type=cdir;UNIX.mode=0755; .");
    QTest::newRow("current folder by path") << QByteArray("type=cdir;perm=el; /home/user");
    QTest::newRow("parent folder") << QByteArray(
        "modify=20261206171124;perm=fle;type=pdir;UNIX.mode=0755; ..");
    QTest::newRow("slash") << QByteArray("type=file;size=1; a/b");
    QTest::newRow("MLST full path") << QByteArray(" type=file;size=6; /plain.txt");
    QTest::newRow("dot dot as file") << QByteArray("type=file;size=1; ..");
    QTest::newRow("no name") << QByteArray("type=file;size=1;");
    QTest::newRow("empty name") << QByteArray("type=file;size=1; ");
    QTest::newRow("empty") << QByteArray();
}

void TestListParser::refusedMlsdLines()
{
    QFETCH(QByteArray, line);
    QVERIFY(!CListParser::ParseMlsdLine(line));
}

void TestListParser::wholeListings_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("mlsd");
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::newRow("LIST, CR LF, dots and total")
        << QByteArray("total 28\r\n"
                      "drwxr-xr-x   4 0        0            4096 Dec  6 17:11 .\r\n"
                      "drwxr-xr-x   4 0        0            4096 Dec  6 17:11 ..\r\n"
                      "-rw-r--r--   1 0        0               2 Dec  6 17:11  leading space.txt\r\n"
                      "drwxr-xr-x   2 0        0            4096 Dec  6 17:11 a dir\r\n"
                      "\r\n"
                      "lrwxrwxrwx   1 0        0               9 Dec  6 17:11 link -> plain.txt\r\n")
        << false << QList<QByteArray>{" leading space.txt", "a dir", "link"};
    QTest::newRow("LIST, bare LF, no final newline, junk between")
        << QByteArray("01-02-23  10:15AM       <DIR>          folder\n"
                      "garbage line\n"
                      "01-02-2023  22:15              1234 file.txt")
        << false << QList<QByteArray>{"folder", "file.txt"};
    QTest::newRow("MLSD, cdir and pdir left out")
        << QByteArray("modify=20261206171124;perm=fle;type=cdir;UNIX.mode=0755; .\r\n"
                      "modify=20261206171124;perm=adfr;size=0;type=file;UNIX.mode=0644; fifo\r\n"
                      "modify=20261206171124;perm=fle;type=pdir;UNIX.mode=0755; ..\r\n"
                      "modify=20261206171124;perm=fle;type=dir;UNIX.mode=0755; a dir\r\n")
        << true << QList<QByteArray>{"fifo", "a dir"};
    QTest::newRow("MLSD body read as LIST gives nothing")
        << QByteArray("type=file;size=1; a\r\ntype=file;size=2; b\r\n") << false << QList<QByteArray>{};
    QTest::newRow("empty body") << QByteArray() << true << QList<QByteArray>{};
}

void TestListParser::wholeListings()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, mlsd);
    QFETCH(QList<QByteArray>, names);
    QList<QByteArray> parsed;
    for (const ListItem& item : CListParser::ParseListing(body, mlsd, kNow))
        parsed.append(item.name);
    QCOMPARE(parsed, names);
}

void TestListParser::randomInputNeverBreaksInvariants()
{
    QRandomGenerator random(20240105);
    int parsedCount = 0;
    for (int round = 0; round < 20000; ++round)
    {
        const QByteArray line =
            round % 4 == 0 ? Garbage(random) : Mutate(kCorpus[random.bounded(int(kCorpus.size()))], random);
        for (const std::optional<ListItem>& item :
             {CListParser::ParseListLine(line, kNow), CListParser::ParseMlsdLine(line)})
        {
            if (!item)
                continue;
            ++parsedCount;
            const QByteArray broken = BrokenInvariant(*item);
            QVERIFY2(broken.isEmpty(), (broken + " from " + line.toPercentEncoding()).constData());
        }
    }
    QByteArray body;
    for (int i = 0; i < 300; ++i)
        body += Mutate(kCorpus[random.bounded(int(kCorpus.size()))], random) + (i % 2 ? "\r\n" : "\n");
    for (const bool mlsd : {false, true})
    {
        for (const ListItem& item : CListParser::ParseListing(body, mlsd, kNow))
            QVERIFY2(BrokenInvariant(item).isEmpty(), item.name.toPercentEncoding().constData());
    }
    // Mutated real lines must still often parse, or the test would only exercise the refusals.
    QVERIFY2(parsedCount > 2000, QByteArray::number(parsedCount).constData());
}

QTEST_GUILESS_MAIN(TestListParser)
#include "tst_ListParser.moc"
