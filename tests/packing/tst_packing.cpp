#include "packing/CabinetBuilder.h"
#include "packing/PackProcedures.h"
#include "packing/PackProgress.h"
#include "packing/TarBuilder.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <zip.h>

#include <numeric>

using namespace TestFiles;

namespace
{
// A progress that keeps the most bytes done it was told of, cancels after a given number of steps (or at
// the first file whose path ends with cancelOnSuffix) and answers password questions with password.
class CTestProgress : public CPackProgress
{
public:
    std::optional<QString> Password(const QString& archive) override
    {
        askedFor.append(archive);
        return password;
    }

    QStringList askedFor;
    std::optional<QString> password;
    QString cancelOnSuffix;
    int cancelAfter = -1;
    qint64 mostDone = 0;

protected:
    bool Step(const QString& file, qint64 done, qint64) override
    {
        mostDone = qMax(mostDone, done);
        if (!cancelOnSuffix.isEmpty() && file.endsWith(cancelOnSuffix))
            return false;
        return cancelAfter < 0 || ++m_steps <= cancelAfter;
    }

private:
    int m_steps = 0;
};

// Runs an outside tool (a missing one fails the test), keeps its standard output in out and shows its errors
// when it fails.
bool RunTool(const QStringList& command, QByteArray* out = nullptr, const QString& folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(command.first(), command.mid(1));
    const bool ran = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    if (out != nullptr)
        *out = process.readAllStandardOutput();
    if (!ran || process.exitCode() != 0)
        qWarning() << command << process.errorString() << process.readAllStandardError();
    return ran && process.exitCode() == 0;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    return WriteFile(path, bytes);
}

// Bytes that do not compress away, so that sizes and offsets in archives are exercised.
QByteArray SampleBytes(int size)
{
    QRandomGenerator generator{quint32(size)};
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.generate());
    return bytes;
}

// Every file below folder (links not followed) relative to it, sorted; with each file's SHA-256 when
// hashed, so that two trees compare byte for byte.
QStringList FilesBelow(const QString& folder, bool hashed = false)
{
    QStringList result;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QFileInfo entry(it.next()); !entry.isDir() || entry.isSymLink())
            result.append(entry.filePath().mid(folder.size() + 1) +
                          (hashed ? u' ' + QString::fromLatin1(Sha256(entry.filePath())) : ""));
    result.sort();
    return result;
}

// A tar number as written: length - 1 octal digits and a NUL, or base-256 behind a 0x80 byte when larger.
QByteArray TarNumber(qint64 value, int length)
{
    if (value < qint64(1) << (3 * (length - 1)))
        return QByteArray::number(value, 8).rightJustified(length - 1, '0') + '\0';
    QByteArray field(length, '\0');
    field[0] = char(0x80);
    for (int i = length - 1; i > 0; --i, value >>= 8)
        field[i] = char(value & 0xFF);
    return field;
}

// The selection and the output folder are below the test's folder unless absolute; kind is zip, tar
// (tar.gz) or cab.
CPackResult Pack(const QString& kind, const QTemporaryDir& dir, QStringList selection,
                 CPackProgress& progress, const QString& folder)
{
    for (QString& path : selection)
        path = QDir(dir.path()).filePath(path);
    const auto pack = kind == "zip" ? PackZip : kind == "tar" ? PackTarGz : PackCab;
    return pack(selection, progress, QDir(dir.path()).filePath(folder));
}

// A file, a folder without files, four files of 200000 bytes in "data" and a sparse file that no
// cabinet holds beside the first file; returns what is there.
QStringList MakeFixture(const QTemporaryDir& dir)
{
    WriteBytes(dir.filePath("present.txt"), "here");
    QDir().mkpath(dir.filePath("emptyfolder/inner"));
    for (int i = 0; i < 4; ++i)
        WriteBytes(dir.filePath(QStringLiteral("data/f%1.bin").arg(i)), SampleBytes(200000 + i));
    MakeSparse(dir.filePath("huge.bin"), CCabinetBuilder::MaximumSize - 3);
    return FilesBelow(dir.path());
}

// Writes a zip holding the given names and contents exactly as given (stored, so bytes can be found).
bool CraftZip(const QString& path, const QList<std::pair<QByteArray, QByteArray>>& entries)
{
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (archive == nullptr)
        return false;
    for (const auto& [name, data] : entries)
    {
        zip_source_t* source = zip_source_buffer(archive, data.constData(), data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_RAW);
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0)
        {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}
} // namespace

// Packing over the three kinds of archive, and unpacking zips.
class TestPacking : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        Columns<QString, QString, QString>({"path", "baseName", "stored"});
        Row("several dots", "/home/u/archive.2007.doc", "archive.2007", "home/u/archive.2007.doc");
        Row("trailing slash", "/home/u/photos/", "photos", "home/u/photos");
        Row("dot in a parent only", "/home/u.v/notes", "notes", "home/u.v/notes");
        Row("hidden file", "/home/u/.profile", "", "home/u/.profile");
        Row("dots cleaned", "/home/u/./x/../a.txt", "a", "home/u/a.txt");
    }

    void names()
    {
        QFETCH(QString, path);
        QFETCH(QString, baseName);
        QFETCH(QString, stored);
        QCOMPARE(ArchiveBaseName(path), baseName);
        QCOMPARE(StoredName(path), stored);
    }

    // The folder's own files first; each subfolder's files together, its own before its subfolders'.
    // Linked files are taken, linked folders and dangling links are not.
    void collectsOwnFilesFirstAndSkipsLinkedFolders()
    {
        QTemporaryDir dir;
        const QString top = dir.filePath("photos");
        for (const char* name : {"b.jpg", "a.jpg", ".hidden", "sub1/c.jpg", "sub1/deep/d.jpg", "sub2/e.jpg"})
            QVERIFY(WriteBytes(top + u'/' + QLatin1String(name), "x"));
        QVERIFY(QDir().mkpath(top + "/empty/inner") && WriteBytes(dir.filePath("target.txt"), "t"));
        QVERIFY(QFile::link(top, top + "/loop") &&
                QFile::link(dir.filePath("target.txt"), top + "/linked.txt") &&
                QFile::link(dir.filePath("missing"), top + "/dangling"));
        QStringList relative = CollectFilesRecursive(top).replaceInStrings(top + u'/', QString());
        const auto at = [&](const char* name) { return relative.indexOf(QLatin1String(name)); };
        for (const char* own : {"a.jpg", "b.jpg", ".hidden", "linked.txt"})
            QVERIFY(at(own) < at("sub1/c.jpg") && at(own) < at("sub2/e.jpg"));
        QCOMPARE(at("sub1/deep/d.jpg"), at("sub1/c.jpg") + 1);
        relative.sort();
        QCOMPARE(relative, QStringList({".hidden", "a.jpg", "b.jpg", "linked.txt", "sub1/c.jpg",
                                        "sub1/deep/d.jpg", "sub2/e.jpg"}));
    }

    void toolsReadWhatWasPacked_data()
    {
        // Each tool's arguments come before the archive's path; listedName captures a file's name in a
        // listing line.
        Columns<QString, QString, QStringList, QStringList, QString, QStringList>(
            {"kind", "archive", "check", "list", "listedName", "pipe"});
        const QString line = "^(.+)$";
        Row("zip", "zip", "50%off.zip", QStringList{"unzip", "-t"}, QStringList{"unzip", "-Z1"}, line,
            QStringList{"unzip", "-p"});
        Row("tar.gz", "tar", "50%off.tar.gz", QStringList{"gzip", "-t"}, QStringList{"tar", "-tzf"}, line,
            QStringList{"tar", "-xzOf"});
        Row("cab, numbered for the percent", "cab", "500.cab", QStringList{"cabextract", "-t"},
            QStringList{"cabextract", "-l"}, "^ *[0-9]+ \\| .+ \\| (.+)$",
            QStringList{"cabextract", "-q", "-p"});
    }

    // A folder (same names in two subfolders, an empty file, a 150-byte stored name), a file and one of the
    // folder's files again, packed and read back by the kind's own tool: sound, every file listed once in
    // packing order (cab under bare names, the others under their stored paths), the same bytes piped out.
    void toolsReadWhatWasPacked()
    {
        QFETCH(QString, kind);
        QFETCH(QString, archive);
        QFETCH(QStringList, check);
        QFETCH(QStringList, list);
        QFETCH(QString, listedName);
        QFETCH(QStringList, pipe);
        QTemporaryDir dir;
        const QString top = dir.filePath("50%off");
        const QString prefix = top + u'/' + QString(40, u'd') + u'/';
        const QString longPath = prefix + QString(151 - QFile::encodeName(prefix).size(), u'f');
        const QList<std::pair<QString, QByteArray>> files{
            {"a/readme.txt", "first readme\n"},    {"b/readme.txt", QByteArray(70000, 's')},
            {"b/data.bin", SampleBytes(50000)},    {"empty.txt", {}},
            {"sub/資料.bin", SampleBytes(300000)}, {longPath.mid(top.size() + 1), "long"}};
        for (const auto& [name, bytes] : files)
            QVERIFY(WriteBytes(top + u'/' + name, bytes));
        QVERIFY(WriteBytes(dir.filePath("single.txt"), "single file"));
        const QStringList selection{"50%off", "single.txt", "50%off/a/readme.txt"};
        const QStringList absolute =
            QStringList(selection).replaceInStrings(QRegularExpression("^"), dir.path() + u'/');
        CTestProgress progress;
        const CPackResult result = Pack(kind, dir, selection, progress, "out");
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Path(), dir.filePath("out/") + archive);

        const QStringList packed = ExpandSelection(absolute, progress).value_or(QStringList());
        QCOMPARE(packed.size(), files.size() + 1);
        QCOMPARE(packed.last(), dir.filePath("single.txt"));
        QStringList expected;
        QByteArray bytes;
        for (const QString& file : packed)
        {
            expected.append(kind == "cab" ? QFileInfo(file).fileName() : StoredName(file));
            bytes += ReadFile(file);
        }
        QByteArray listing, piped, unzipped;
        QVERIFY(RunTool(check << result.Path()) && RunTool(list << result.Path(), &listing) &&
                RunTool(pipe << result.Path(), &piped));
        QVERIFY(piped == bytes);
        QStringList names;
        for (const QString& text : QString::fromUtf8(listing).split(u'\n'))
            if (const QRegularExpressionMatch match = QRegularExpression(listedName).match(text);
                match.hasMatch())
                names.append(match.captured(1));
        QCOMPARE(names, expected);
        // The tar stays beside its compressed copy: the data padded to blocks, two end blocks.
        const QByteArray tar = ReadFile(result.Path().chopped(3));
        QVERIFY(kind != "tar" ||
                (RunTool({"gzip", "-dc", result.Path()}, &unzipped) && unzipped == tar &&
                 tar.size() % 512 == 0 && tar.endsWith("single file" + QByteArray(501 + 1024, '\0'))));
    }

    // Every pack command, failing at any stage, leaves no file behind.
    void failedPackLeavesNothing_data()
    {
        // folder: the output folder, below the test's folder unless absolute
        Columns<QString, QStringList, QString, QString, QString>(
            {"kind", "selection", "folder", "message", "detail"});
        const QStringList one{"present.txt"};
        const QStringList missing{"present.txt", "gone.txt"};
        const QString tooLong = QStringLiteral("/tmp/") + QString(251, 'x');
        const QString belowAFile = "present.txt/out";
        const QString nothing = "nothing to pack";
        Row("nothing selected", "zip", QStringList(), "out", "", nothing);
        Row("folder without files", "cab", QStringList{"emptyfolder"}, "out", "", nothing);
        Row("zip, a missing file", "zip", missing, "out", PackMessage::ZipAddFailed(), "gone.txt");
        Row("zip, below a file", "zip", one, belowAFile, PackMessage::ZipAddFailed(), "Not a directory");
        Row("tar, a missing file", "tar", QStringList{"gone.txt"}, "out", "", "gone.txt");
        Row("tar, below a file", "tar", one, belowAFile, PackMessage::TarGzFailed(), "Not a directory");
        Row("cab, a missing file", "cab", missing, "out", PackMessage::CabAddFailed(), "gone.txt");
        Row("cab, over 2 GiB", "cab", QStringList{"present.txt", "huge.bin"}, "out",
            PackMessage::CabAddFailed(), "2 GiB");
        Row("cab, name too short", "cab", one, "/a", PackMessage::CabCreateFailed(), "3 to 255");
        Row("cab, name too long", "cab", one, tooLong, PackMessage::CabCreateFailed(), "3 to 255");
        Row("cab, below a file", "cab", one, belowAFile, PackMessage::CabCreateFailed(), "cannot create");
    }

    void failedPackLeavesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, selection);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        QTemporaryDir dir;
        const QStringList before = MakeFixture(dir);
        CTestProgress progress;
        const CPackResult result = Pack(kind, dir, selection, progress, folder);
        QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
        QCOMPARE(result.Message(), message);
        QVERIFY2(result.Detail().contains(detail), qPrintable(result.Detail()));
        QCOMPARE(FilesBelow(dir.path()), before);
        QVERIFY(QDir::isRelativePath(folder) || !QFileInfo::exists(folder));
    }

    void cancelledPackLeavesNothing_data()
    {
        Columns<QString, int, QString>({"kind", "cancelAfter", "cancelOnSuffix"}); // cancelAfter -1: never
        Row("zip, at the first file", "zip", 0, "");
        Row("zip, inside the data", "zip", 6, "");
        Row("tar, while writing the tar", "tar", 4, "");
        Row("tar, while compressing", "tar", -1, ".tar.gz");
        Row("cab, while compressing", "cab", 3, "");
    }

    void cancelledPackLeavesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(int, cancelAfter);
        QFETCH(QString, cancelOnSuffix);
        QTemporaryDir dir;
        const QStringList before = MakeFixture(dir);
        CTestProgress progress;
        progress.cancelAfter = cancelAfter;
        progress.cancelOnSuffix = cancelOnSuffix;
        QCOMPARE(Pack(kind, dir, {"data"}, progress, "out").Status(), CPackResult::EStatus::Cancelled);
        QCOMPARE(FilesBelow(dir.path()), before);
    }

    void tarHeaderFields_data()
    {
        Columns<QByteArray, quint32, quint32, qint64, qint64>({"name", "mode", "uid", "size", "modified"});
        Row("100-byte name, largest octal numbers", QByteArray(100, 'n'), 0100755u, 65534u,
            qint64(8589934591), qint64(077777777777));
        Row("high bytes", QByteArray("資料/報告.txt"), 0100644u, 2097150u, qint64(123456789), qint64(1));
        Row("size of 8 GiB, uid past 7 octal digits", QByteArray("big.bin"), 0100644u, 4000000000u,
            qint64(8589934592), qint64(0));
    }

    // Numbers that fit are length - 1 octal digits and a NUL; larger ones are base-256 behind a 0x80 byte.
    void tarHeaderFields()
    {
        QFETCH(QByteArray, name);
        QFETCH(quint32, mode);
        QFETCH(quint32, uid);
        QFETCH(qint64, size);
        QFETCH(qint64, modified);
        const QByteArray block = CTarBuilder::Header({name, mode, uid, uid + 1, size, modified});
        QCOMPARE(block.size(), 512);
        QCOMPARE(block.left(100), name.leftJustified(100, '\0'));
        const std::initializer_list<std::tuple<int, int, qint64>> numbers = {
            {100, 8, mode}, {108, 8, uid}, {116, 8, uid + 1}, {124, 12, size}, {136, 12, modified}};
        for (const auto& [offset, length, value] : numbers)
            QCOMPARE(block.mid(offset, length), TarNumber(value, length));
        const QByteArray blank = QByteArray(block).replace(148, 8, "        ");
        const qint64 sum = std::accumulate(blank.cbegin(), blank.cend(), qint64(0),
                                           [](qint64 total, char byte) { return total + quint8(byte); });
        // The checksum, the type, no link name, GNU magic, owner and group "root", nothing more.
        QCOMPARE(block.mid(148),
                 TarNumber(sum, 7) + ' ' + '0' + QByteArray(100, '\0') + QByteArray("ustar  \0", 8) +
                     QByteArray("root").leftJustified(32, '\0').repeated(2) + QByteArray(183, '\0'));
    }

    // Unpacked into the folder named after the archive (whatever the case of ".zip"), byte for byte, and
    // again over what is there; a file that is no zip beside it is passed over.
    void unpacksWhatItPacked()
    {
        QTemporaryDir dir;
        const QString photos = dir.filePath("photos");
        QVERIFY(WriteBytes(photos + "/five.txt", "12345") &&
                WriteBytes(photos + "/random.bin", SampleBytes(100000)) &&
                WriteBytes(photos + "/2024/夏天.jpg", SampleBytes(3000)) &&
                WriteBytes(photos + "/2024/deep/empty.txt", QByteArray()));
        const QString other = dir.filePath("notes.zip.txt");
        QVERIFY(WriteBytes(other, "not an archive"));
        CTestProgress progress;
        const CPackResult packed = PackZip({photos}, progress, dir.path());
        QVERIFY2(packed.IsDone(), qPrintable(packed.Detail()));
        const QString archive = dir.filePath("DATA.ZIP");
        QVERIFY(QFile::rename(packed.Path(), archive));

        CTestProgress unpacking;
        const CPackResult result = UnpackZip({other, archive}, unpacking);
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Path(), dir.filePath("DATA"));
        QVERIFY(result.Warnings().isEmpty() && unpacking.askedFor.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("notes.zip")));
        const QString below = result.Path() + u'/' + StoredName(photos);
        QCOMPARE(FilesBelow(below, true), FilesBelow(photos, true));
        QVERIFY(WriteBytes(below + "/five.txt", "changed") && UnpackZip({archive}, unpacking).IsDone());
        QCOMPARE(ReadFile(below + "/five.txt"), QByteArray("12345"));
        // A zip that cannot be read fails, named.
        QVERIFY(WriteBytes(archive, "PK\x03\x04 this is not really a zip archive"));
        const CPackResult broken = UnpackZip({archive}, unpacking);
        QCOMPARE(broken.Status(), CPackResult::EStatus::Failed);
        QVERIFY2(broken.Message().contains(archive), qPrintable(broken.Message()));
    }

    void encryptedArchive_data()
    {
        Columns<std::optional<QString>>({"password"});
        Row("right password", std::optional<QString>("s3cret pass"));
        Row("wrong password", std::optional<QString>("wrong"));
        Row("declined", std::optional<QString>());
    }

    // The password is asked once per archive; a wrong one fails it, a declined one passes it over.
    void encryptedArchive()
    {
        QFETCH(std::optional<QString>, password);
        const bool extracted = password == QStringLiteral("s3cret pass");
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/one.txt"), QByteArray(20000, '1')) &&
                WriteBytes(dir.filePath("src/two.bin"), SampleBytes(30000)));
        const QString archive = dir.filePath("enc.zip");
        QVERIFY(RunTool({"zip", "-qrP", "s3cret pass", archive, "src"}, nullptr, dir.path()));

        CTestProgress progress;
        progress.password = password;
        const CPackResult result = UnpackZip({archive}, progress);
        QCOMPARE(progress.askedFor, QStringList{archive});
        const QStringList source = FilesBelow(dir.filePath("src"), true);
        QCOMPARE(FilesBelow(dir.filePath("enc"), true),
                 extracted ? QStringList(source).replaceInStrings(QRegularExpression("^"), "src/")
                           : QStringList());
        const bool failed = password && !extracted;
        QCOMPARE(result.Status(), failed ? CPackResult::EStatus::Failed : CPackResult::EStatus::Done);
        QVERIFY2(!failed || result.Message().contains("password", Qt::CaseInsensitive) ||
                     result.Message().contains("CRC"),
                 qPrintable(result.Message()));
    }

    // Each entry beside a good one, unpacked into a folder that holds a link to a folder outside and a link
    // to a file outside: an entry that would land outside, or whose data is unlike its headers, is refused
    // and named, the rest is extracted. Nothing beyond the declared size is written.
    void hostileEntriesAreRefused_data()
    {
        // entry: OUTSIDE stands for the absolute path of the outside folder; landsAt empty: refused;
        // declared: the size put in the headers, -1 a data byte changed instead, 0 untouched
        Columns<QString, QString, int>({"entry", "landsAt", "declared"});
        Row("climbs out", "../evil.txt", "", 0);
        Row("absolute", "OUTSIDE/abs.txt", "", 0);
        Row("backslash climb", "..\\evil3.txt", "", 0);
        Row("through a folder link", "folder/x.txt", "", 0);
        Row("onto a file link", "file.txt", "", 0);
        Row("climbs and returns", "a/../b", "", 0);
        Row("drive", "C:\\Windows\\x.dll", "", 0);
        Row("only dots", "./.", "", 0);
        Row("CRC differs", "damaged.txt", "", -1);
        Row("more data than declared", "damaged.txt", "", 10);
        Row("less data than declared", "damaged.txt", "", 1000);
        Row("in a subfolder", "sub/ok.txt", "work/crafted/sub/ok.txt", 0);
        Row("dot parts dropped", "./a//b/./c", "work/crafted/a/b/c", 0);
        Row("backslashes", "a\\b.txt", "work/crafted/a/b.txt", 0);
        Row("dots inside a name", "a/..b/c..txt", "work/crafted/a/..b/c..txt", 0);
    }

    void hostileEntriesAreRefused()
    {
        QFETCH(QString, entry);
        QFETCH(QString, landsAt);
        QFETCH(int, declared);
        QTemporaryDir dir;
        const QString outside = dir.filePath("outside");
        const QString destination = dir.filePath("work/crafted");
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(destination) &&
                WriteBytes(dir.filePath("target.txt"), "precious"));
        QVERIFY(QFile::link(outside, destination + "/folder") &&
                QFile::link(dir.filePath("target.txt"), destination + "/file.txt"));
        entry.replace("OUTSIDE", outside);
        const QString archive = dir.filePath("work/crafted.zip");
        const QByteArray content = "evil-0123456789-the-stored-content-9876543210";
        QVERIFY(CraftZip(archive, {{"good.txt", "good"}, {QFile::encodeName(entry), content}}));
        const quint32 size = declared > 0 ? quint32(declared) : quint32(content.size());
        if (declared != 0)
        {
            QByteArray bytes = ReadFile(archive);
            if (declared < 0)
                bytes[bytes.indexOf(content) + 5] = 'X';
            // The uncompressed size in the local and the central header.
            qToLittleEndian(size,
                            bytes.data() + bytes.lastIndexOf("PK\x03\x04", bytes.indexOf(content)) + 22);
            qToLittleEndian(size, bytes.data() +
                                      bytes.lastIndexOf("PK\x01\x02", bytes.lastIndexOf("damaged")) + 24);
            QVERIFY(WriteBytes(archive, bytes));
        }

        CTestProgress progress;
        const CPackResult result = UnpackZip({archive}, progress);
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Warnings().size(), landsAt.isEmpty() ? 1 : 0);
        QVERIFY(!landsAt.isEmpty() || result.Warnings().first().contains(entry));
        QVERIFY(progress.mostDone <= size);
        QStringList expected{"target.txt", "work/crafted.zip", "work/crafted/file.txt", "work/crafted/folder",
                             "work/crafted/good.txt"};
        if (!landsAt.isEmpty())
            expected.append(landsAt);
        expected.sort();
        QCOMPARE(FilesBelow(dir.path()), expected);
        QCOMPARE(ReadFile(dir.filePath("target.txt")), QByteArray("precious"));
        QCOMPARE(ReadFile(destination + "/good.txt"), QByteArray("good"));
        QVERIFY(landsAt.isEmpty() || ReadFile(dir.filePath(landsAt)) == content);
    }
};

QTEST_GUILESS_MAIN(TestPacking)
#include "tst_packing.moc"
