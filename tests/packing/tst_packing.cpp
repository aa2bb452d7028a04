#include "PackingTestSupport.h"
#include "packing/CabinetBuilder.h"
#include "packing/PackProcedures.h"
#include "packing/TarBuilder.h"

#include <QRegularExpression>

namespace
{
// A tar number as readers decode it: base-256 after a 0x80 byte, else octal up to a NUL or space.
qint64 TarNumber(const QByteArray& block, int offset, int length)
{
    qint64 value = 0;
    if (quint8(block.at(offset)) == 0x80)
    {
        for (int i = 1; i < length; ++i)
            value = (value << 8) | quint8(block.at(offset + i));
        return value;
    }
    const QByteArray field = block.mid(offset, length);
    bool ok = false;
    value = field.left(field.contains('\0') ? field.indexOf('\0') : length).trimmed().toLongLong(&ok, 8);
    return ok ? value : -1;
}

qint64 TarChecksum(QByteArray block)
{
    block.replace(148, 8, QByteArray(8, ' '));
    qint64 sum = 0;
    for (const char byte : std::as_const(block))
        sum += quint8(byte);
    return sum;
}

// A little-endian number of size bytes.
quint32 Le(const QByteArray& bytes, int offset, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return value;
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
} // namespace

class TestPacking : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        Columns<QString, QString, QString>({"path", "baseName", "stored"});
        const QString relative = QDir::current().filePath("a.txt").mid(1);
        Row("file", "/home/u/report.doc", "report", "home/u/report.doc");
        Row("several dots", "/home/u/archive.2007.doc", "archive.2007", "home/u/archive.2007.doc");
        Row("no extension", "/home/u/Makefile", "Makefile", "home/u/Makefile");
        Row("trailing slash", "/home/u/photos/", "photos", "home/u/photos");
        Row("dot in a parent only", "/home/u.v/notes", "notes", "home/u.v/notes");
        Row("hidden file", "/home/u/.profile", "", "home/u/.profile");
        Row("dots cleaned", "/home/u/./x/../a.txt", "a", "home/u/a.txt");
        Row("relative made absolute", "a.txt", "a", relative);
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
        QVERIFY(QDir().mkpath(top + "/empty/inner"));
        QVERIFY(WriteBytes(dir.filePath("target.txt"), "t"));
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
        QCOMPARE(progress.files.mid(0, 3), absolute);

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
        const CToolRun checked = RunTool(check << result.Path());
        QVERIFY2(checked.exitCode == 0, qPrintable(checked.text));
        QStringList names;
        for (const QString& text : QString::fromUtf8(RunTool(list << result.Path()).out).split(u'\n'))
            if (const QRegularExpressionMatch match = QRegularExpression(listedName).match(text);
                match.hasMatch())
                names.append(match.captured(1));
        QCOMPARE(names, expected);
        const CToolRun piped = RunTool(pipe << result.Path());
        QCOMPARE(piped.exitCode, 0);
        QVERIFY(piped.out == bytes);
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
        Row("zip, a missing file", "zip", missing, "out", PackMessage::ZipAddFailed, "gone.txt");
        Row("zip, below a file", "zip", one, belowAFile, PackMessage::ZipAddFailed, "Not a directory");
        Row("tar, a missing file", "tar", QStringList{"gone.txt"}, "out", "", "gone.txt");
        Row("tar, below a file", "tar", one, belowAFile, PackMessage::TarGzFailed, "Not a directory");
        Row("cab, a missing file", "cab", missing, "out", PackMessage::CabAddFailed, "gone.txt");
        Row("cab, over 2 GiB", "cab", QStringList{"present.txt", "huge.bin"}, "out",
            PackMessage::CabAddFailed, "2 GiB");
        Row("cab, name too short", "cab", one, "/a", PackMessage::CabCreateFailed, "3 to 255");
        Row("cab, name too long", "cab", one, tooLong, PackMessage::CabCreateFailed, "3 to 255");
        Row("cab, below a file", "cab", one, belowAFile, PackMessage::CabCreateFailed, "cannot create");
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
        Row("tar, while collecting", "tar", 0, "");
        Row("tar, while writing the tar", "tar", 4, "");
        Row("tar, while compressing", "tar", -1, ".tar.gz");
        Row("cab, while collecting", "cab", 0, "");
        Row("cab, while compressing", "cab", 3, "");
    }

    void cancelledPackLeavesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(int, cancelAfter);
        QFETCH(QString, cancelOnSuffix);
        QTemporaryDir dir;
        const QStringList before = MakeFixture(dir);
        CTestProgress progress(cancelAfter);
        progress.cancelOnSuffix = cancelOnSuffix;
        QCOMPARE(Pack(kind, dir, {"data"}, progress, "out").Status(), CPackResult::EStatus::Cancelled);
        QCOMPARE(FilesBelow(dir.path()), before);
    }

    void tarHeaderFields_data()
    {
        Columns<QByteArray, quint32, quint32, qint64, qint64>({"name", "mode", "uid", "size", "modified"});
        Row("regular", QByteArray("home/u/a.txt"), 0100644u, 1000u, qint64(5), qint64(1700000000));
        Row("100-byte name, largest octal numbers", QByteArray(100, 'n'), 0100755u, 65534u,
            qint64(8589934591), qint64(077777777777));
        Row("high bytes", QByteArray("資料/報告.txt"), 0100644u, 2097150u, qint64(123456789), qint64(1));
        Row("size of 8 GiB", QByteArray("big.bin"), 0100644u, 0u, qint64(8589934592), qint64(0));
        Row("uid past 7 octal digits", QByteArray("big.bin"), 0100644u, 4000000000u, qint64(0), qint64(0));
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
        {
            QCOMPARE(TarNumber(block, offset, length), value);
            if (value < qint64(1) << (3 * (length - 1)))
                QCOMPARE(block.mid(offset, length),
                         QByteArray::number(value, 8).rightJustified(length - 1, '0') + '\0');
        }
        QCOMPARE(TarNumber(block, 148, 8), TarChecksum(block));
        // The checksum's end, the type, no link name, GNU magic, owner and group "root", nothing more.
        QCOMPARE(block.mid(154), QByteArray("\0 0", 3) + QByteArray(100, '\0') + QByteArray("ustar  \0", 8) +
                                     QByteArray("root").leftJustified(32, '\0').repeated(2) +
                                     QByteArray(183, '\0'));
    }

    // The tar stays beside its compressed copy: the data padded to a block after one header, two
    // end blocks.
    void tarOfAFiveByteFile()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("five/hello.txt");
        QVERIFY(WriteBytes(source, "hello"));
        const QString out = dir.filePath("five-out");
        CTestProgress progress;
        const CPackResult result = PackTarGz({source}, progress, out);
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Path(), out + "/hello.tar.gz");
        const QByteArray tar = ReadFile(out + "/hello.tar");
        QCOMPARE(tar.mid(512), QByteArray("hello") + QByteArray(507 + 1024, '\0'));
        QCOMPARE(RunTool({"gzip", "-dc", result.Path()}).out, tar);
    }

    void cabinetName_data()
    {
        Columns<QString, int, QString>({"nameTemplate", "number", "expected"});
        Row("first cabinet", "report", 0, "report.cab");
        Row("later cabinet", "report", 1, "report001.cab");
        Row("empty template", "", 0, "0000.cab");
        Row("two percents", "disk%%", 3, "disk03.cab");
        Row("rest dropped", "a%%%b%%", 12, "a012.cab");
        Row("percent first", "%%%%", 5, "0005.cab");
    }

    void cabinetName()
    {
        QFETCH(QString, nameTemplate);
        QFETCH(int, number);
        QFETCH(QString, expected);
        QCOMPARE(CCabinetBuilder::CabinetName(nameTemplate, number), expected);
    }

    // The set ID patched in, one MSZIP folder, the file's size and bare name, its executable bit cleared;
    // nothing goes in once written.
    void cabinetHeader()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("tool.sh");
        QVERIFY(WriteBytes(source, "#!/bin/sh\necho hi\n"));
        QVERIFY(
            QFile::setPermissions(source, QFile::permissions(source) | QFile::ExeOwner | QFile::ExeOther));
        CCabinetBuilder cabinet(0xBEEF);
        QVERIFY(!cabinet.Create("tool", dir.filePath("out")));
        QCOMPARE(cabinet.CabinetPath(), dir.filePath("out/tool.cab"));
        CTestProgress progress;
        QVERIFY(!cabinet.AddFile(source) && !cabinet.Flush(progress));
        const QByteArray bytes = ReadFile(cabinet.CabinetPath());
        QCOMPARE(bytes.left(4), QByteArray("MSCF"));
        QCOMPARE(Le(bytes, 8, 4), quint32(bytes.size()));
        QCOMPARE(Le(bytes, 26, 2), 1u);      // folders
        QCOMPARE(Le(bytes, 28, 2), 1u);      // files
        QCOMPARE(Le(bytes, 32, 2), 0xBEEFu); // set ID
        QCOMPARE(Le(bytes, 36 + 6, 2), 1u);  // MSZIP
        const int file = int(Le(bytes, 16, 4));
        QCOMPARE(Le(bytes, file, 4), quint32(QFileInfo(source).size()));
        QCOMPARE(Le(bytes, file + 14, 2) & 0x40, 0u); // not executable
        QCOMPARE(bytes.mid(file + 16, 8), QByteArray("tool.sh\0", 8));
        QCOMPARE(RunTool({"cabextract", "-t", cabinet.CabinetPath()}).exitCode, 0);
        QVERIFY(cabinet.AddFile(source) && cabinet.Flush(progress));
    }
};

QTEST_GUILESS_MAIN(TestPacking)
#include "tst_packing.moc"
