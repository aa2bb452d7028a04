#include "PackingTestSupport.h"
#include "packing/PackProcedures.h"
#include "packing/PackSelection.h"

#include <QRegularExpression>
#include <QTemporaryDir>

class TestPackingSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("stored");
        const QString relative = QDir::current().filePath(QStringLiteral("a.txt")).mid(1);
        Row("file", "/home/u/report.doc", QStringLiteral("report"), "home/u/report.doc");
        Row("several dots", "/home/u/archive.2007.doc", QStringLiteral("archive.2007"),
            "home/u/archive.2007.doc");
        Row("no extension", "/home/u/Makefile", QStringLiteral("Makefile"), "home/u/Makefile");
        Row("folder with a dot", "/home/u/my.photos", QStringLiteral("my"), "home/u/my.photos");
        Row("trailing slash", "/home/u/photos/", QStringLiteral("photos"), "home/u/photos");
        Row("dot in a parent only", "/home/u.v/notes", QStringLiteral("notes"), "home/u.v/notes");
        Row("hidden file", "/home/u/.profile", QString(), "home/u/.profile");
        Row("percent kept", "/home/u/50%off.txt", QStringLiteral("50%off"), "home/u/50%off.txt");
        Row("chinese", "/home/u/報告.doc", QStringLiteral("報告"), "home/u/報告.doc");
        Row("dots cleaned", "/home/u/./x/../a.txt", QStringLiteral("a"), "home/u/a.txt");
        Row("double slash", "//home//u/a.txt", QStringLiteral("a"), "home/u/a.txt");
        Row("relative made absolute", "a.txt", QStringLiteral("a"), relative);
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
    void collectPutsFilesBeforeSubfoldersAndSkipsLinkedFolders()
    {
        QTemporaryDir dir;
        const QString top = dir.filePath(QStringLiteral("photos"));
        for (const char* name : {"b.jpg", "a.jpg", ".hidden", "sub1/c.jpg", "sub1/deep/d.jpg", "sub2/e.jpg"})
            QVERIFY(WriteBytes(top + u'/' + QLatin1String(name), "x"));
        QVERIFY(QDir().mkpath(top + QStringLiteral("/empty/inner")));
        QVERIFY(WriteBytes(dir.filePath(QStringLiteral("target.txt")), "t"));
        QVERIFY(QFile::link(top, top + QStringLiteral("/loop")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("target.txt")), top + QStringLiteral("/linked.txt")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("missing")), top + QStringLiteral("/dangling")));
        QStringList relative;
        for (const QString& file : CollectFilesRecursive(top))
            relative.append(file.startsWith(top + u'/') ? file.mid(top.size() + 1) : file);
        const auto position = [&](const char* name) { return relative.indexOf(QLatin1String(name)); };
        for (const char* own : {"a.jpg", "b.jpg", ".hidden", "linked.txt"})
            QVERIFY(position(own) < position("sub1/c.jpg") && position(own) < position("sub2/e.jpg"));
        QCOMPARE(position("sub1/deep/d.jpg"), position("sub1/c.jpg") + 1);
        relative.sort();
        QCOMPARE(relative, QStringList({".hidden", "a.jpg", "b.jpg", "linked.txt", "sub1/c.jpg",
                                        "sub1/deep/d.jpg", "sub2/e.jpg"}));
    }

    void expandKeepsSelectionOrderOnce()
    {
        QTemporaryDir dir;
        const QString photos = dir.filePath(QStringLiteral("photos"));
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(photos + QStringLiteral("/p1.jpg"), "1") &&
                WriteBytes(photos + QStringLiteral("/p2.jpg"), "2") && WriteBytes(a, "a"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("empty"))));
        CTestProgress progress;
        const QStringList selection = {photos, a, photos + QStringLiteral("/p1.jpg"),
                                       dir.filePath(QStringLiteral("empty"))};
        std::optional<QStringList> files = ExpandSelection(selection, progress);
        QVERIFY(files.has_value());
        QCOMPARE(files->takeLast(), a);
        files->sort();
        QCOMPARE(*files,
                 QStringList({photos + QStringLiteral("/p1.jpg"), photos + QStringLiteral("/p2.jpg")}));
        QCOMPARE(progress.files, selection);
    }

    void toolsReadWhatWasPacked_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QStringList>("check"); // each tool's arguments come before the archive's path
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("listedName"); // a listing line that names a file, the name captured
        QTest::addColumn<QStringList>("pipe");
        const QString line = QStringLiteral("^(.+)$");
        Row("zip", "zip", "50%off.zip", QStringList{"unzip", "-t"}, QStringList{"unzip", "-Z1"}, line,
            QStringList{"unzip", "-p"});
        Row("tar.gz", "tar", "50%off.tar.gz", QStringList{"gzip", "-t"}, QStringList{"tar", "-tzf"}, line,
            QStringList{"tar", "-xzOf"});
        Row("cab, numbered for the percent", "cab", "500.cab", QStringList{"cabextract", "-t"},
            QStringList{"cabextract", "-l"}, QStringLiteral("^ *[0-9]+ \\| .+ \\| (.+)$"),
            QStringList{"cabextract", "-q", "-p"});
    }

    // A folder (same names in two subfolders, an empty file, a 150-byte stored name) and a file, packed and
    // read back by the format's own tool: sound, every file listed in packing order (cab under bare names,
    // the others under their stored paths), the same bytes piped out.
    void toolsReadWhatWasPacked()
    {
        QFETCH(QString, format);
        QFETCH(QString, archive);
        QFETCH(QStringList, check);
        QFETCH(QStringList, list);
        QFETCH(QString, listedName);
        QFETCH(QStringList, pipe);
        QTemporaryDir dir;
        const QString top = dir.filePath(QStringLiteral("50%off"));
        const QString prefix = top + u'/' + QString(40, u'd') + u'/';
        const QString longPath = prefix + QString(151 - QFile::encodeName(prefix).size(), u'f');
        const QList<std::pair<QString, QByteArray>> files{
            {QStringLiteral("a/readme.txt"), "first readme\n"},
            {QStringLiteral("b/readme.txt"), QByteArray(70000, 's')},
            {QStringLiteral("b/data.bin"), SampleBytes(50000, 5)},
            {QStringLiteral("empty.txt"), {}},
            {QStringLiteral("sub/資料.bin"), SampleBytes(300000, 2)},
            {longPath.mid(top.size() + 1), "long"}};
        for (const auto& [name, bytes] : files)
            QVERIFY(WriteBytes(top + u'/' + name, bytes));
        const QString single = dir.filePath(QStringLiteral("single.txt"));
        QVERIFY(WriteBytes(single, "single file"));
        CTestProgress progress;
        const CPackResult result = Pack(format, dir, {QStringLiteral("50%off"), QStringLiteral("single.txt")},
                                        progress, QStringLiteral("out"));
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Path(), dir.filePath(QStringLiteral("out/")) + archive);
        QVERIFY(progress.files.contains(single) || progress.files.contains(QStringLiteral("single.txt")));
        QCOMPARE(QFile::encodeName(StoredName(longPath)).size(), 150);

        QStringList expected;
        QByteArray bytes;
        const std::optional<QStringList> packed = ExpandSelection({top, single}, progress);
        for (const QString& file : packed.value_or(QStringList()))
        {
            expected.append(format == QLatin1String("cab") ? QFileInfo(file).fileName() : StoredName(file));
            bytes += ReadBytes(file);
        }
        const CToolRun checked = RunTool(check.takeFirst(), check << result.Path());
        QVERIFY2(checked.exitCode == 0, qPrintable(checked.output));
        const CToolRun listed = RunTool(list.takeFirst(), list << result.Path());
        QStringList names;
        for (const QString& text : QString::fromUtf8(listed.raw).split(u'\n'))
        {
            const QRegularExpressionMatch match = QRegularExpression(listedName).match(text);
            if (match.hasMatch())
                names.append(match.captured(1));
        }
        QCOMPARE(names, expected);
        const CToolRun piped = RunTool(pipe.takeFirst(), pipe << result.Path());
        QCOMPARE(piped.exitCode, 0);
        QVERIFY(piped.raw == bytes);
    }

    // Every pack command, failing or cancelled at any stage, leaves no file behind.
    void failedPackLeavesNothing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("selection"); // below the test's folder
        QTest::addColumn<QString>("folder"); // the output folder, below the test's folder unless absolute
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        const QStringList one{"present.txt"};
        const QStringList missing{"present.txt", "gone.txt"};
        const QStringList none;
        const QStringList empty{"emptyfolder"};
        const QString tooLong = QStringLiteral("/tmp/") + QString(251, 'x');
        const QString nothing = QStringLiteral("nothing to pack");
        const QString belowAFile = QStringLiteral("present.txt/out");
        Row("zip, nothing selected", "zip", none, "out", "", nothing);
        Row("zip, a missing file", "zip", missing, "out", PackMessage::ZipAddFailed, "gone.txt");
        Row("zip, below a file", "zip", one, belowAFile, PackMessage::ZipAddFailed, "Not a directory");
        Row("tar, nothing selected", "tar", none, "out", "", nothing);
        Row("tar, folder without files", "tar", empty, "out", "", nothing);
        Row("tar, a missing file", "tar", QStringList{"gone.txt"}, "out", "", "gone.txt");
        Row("tar, below a file", "tar", one, belowAFile, PackMessage::TarGzFailed, "Not a directory");
        Row("cab, a missing file", "cab", missing, "out", PackMessage::CabAddFailed, "gone.txt");
        Row("cab, folder without files", "cab", empty, "out", "", nothing);
        Row("cab, name too short", "cab", one, "/a", PackMessage::CabCreateFailed, "3 to 255");
        Row("cab, name too long", "cab", one, tooLong, PackMessage::CabCreateFailed, "3 to 255");
        Row("cab, below a file", "cab", one, belowAFile, PackMessage::CabCreateFailed, "cannot create");
    }

    void failedPackLeavesNothing()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, selection);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        QTemporaryDir dir;
        const QStringList before = MakeFixture(dir);
        CTestProgress progress;
        const CPackResult result = Pack(format, dir, selection, progress, folder);
        QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
        QCOMPARE(result.Message(), message);
        QVERIFY2(result.Detail().contains(detail), qPrintable(result.Detail()));
        QCOMPARE(FilesBelow(dir.path()), before);
        QVERIFY(QDir::isRelativePath(folder) || !QFileInfo::exists(folder));
    }

    void cancelledPackLeavesNothing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("cancelAfter"); // -1: never
        QTest::addColumn<QString>("cancelOnSuffix");
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
        QFETCH(QString, format);
        QFETCH(int, cancelAfter);
        QFETCH(QString, cancelOnSuffix);
        QTemporaryDir dir;
        const QStringList before = MakeFixture(dir);
        CTestProgress progress(cancelAfter);
        progress.cancelOnSuffix = cancelOnSuffix;
        QCOMPARE(Pack(format, dir, {"data"}, progress, QStringLiteral("out")).Status(),
                 CPackResult::EStatus::Cancelled);
        QCOMPARE(FilesBelow(dir.path()), before);
    }

private:
    // A file, a folder without files and four files of 200000 bytes in "data"; returns what is there.
    static QStringList MakeFixture(const QTemporaryDir& dir)
    {
        WriteBytes(dir.filePath(QStringLiteral("present.txt")), "here");
        QDir().mkpath(dir.filePath(QStringLiteral("emptyfolder/inner")));
        for (int i = 0; i < 4; ++i)
            WriteBytes(dir.filePath(QStringLiteral("data/f%1.bin").arg(i)), SampleBytes(200000, i));
        return FilesBelow(dir.path());
    }

    static CPackResult Pack(const QString& format, const QTemporaryDir& dir, QStringList selection,
                            CPackProgress& progress, const QString& folder)
    {
        for (QString& path : selection)
            path = dir.filePath(path);
        const auto pack = format == QLatin1String("zip")   ? PackZip
                          : format == QLatin1String("tar") ? PackTarGz
                                                           : PackCab;
        return pack(selection, progress, QDir(dir.path()).filePath(folder));
    }
};

QTEST_GUILESS_MAIN(TestPackingSelection)
#include "tst_packing_selection.moc"
