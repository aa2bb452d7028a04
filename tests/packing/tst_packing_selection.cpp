#include "PackingTestSupport.h"
#include "packing/PackSelection.h"

#include <QTemporaryDir>

class TestPackingSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void baseName_data();
    void baseName();
    void archivePaths();
    void storedName_data();
    void storedName();
    void collectPutsFilesBeforeSubfolders();
    void collectSkipsLinkedFolders();
    void expandKeepsSelectionOrderOnce();
    void expandStopsOnCancel();
};

void TestPackingSelection::baseName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file") << "/home/u/report.doc"
                          << "report";
    QTest::newRow("several dots") << "/home/u/archive.2007.doc"
                                  << "archive.2007";
    QTest::newRow("no extension") << "/home/u/Makefile"
                                  << "Makefile";
    QTest::newRow("folder") << "/home/u/photos"
                            << "photos";
    QTest::newRow("folder with a dot") << "/home/u/my.photos"
                                       << "my";
    QTest::newRow("trailing slash") << "/home/u/photos/"
                                    << "photos";
    QTest::newRow("dot in a parent only") << "/home/u.v/notes"
                                          << "notes";
    QTest::newRow("hidden file") << "/home/u/.profile"
                                 << "";
    QTest::newRow("percent kept") << "/home/u/50%off.txt"
                                  << "50%off";
    QTest::newRow("chinese") << "/home/u/報告.doc"
                             << "報告";
}

void TestPackingSelection::baseName()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ArchiveBaseName(path), expected);
}

void TestPackingSelection::archivePaths()
{
    QVERIFY(TemporaryFolder().endsWith(QLatin1Char('/')));
    QCOMPARE(QDir(TemporaryFolder()).absolutePath(), QDir::tempPath());
    QCOMPARE(ArchivePath(QStringLiteral("/tmp/"), QStringLiteral("photos"), QStringLiteral(".zip")),
             QStringLiteral("/tmp/photos.zip"));
    QCOMPARE(ArchivePath(QStringLiteral("/tmp"), QStringLiteral("photos"), QStringLiteral(".tar.gz")),
             QStringLiteral("/tmp/photos.tar.gz"));
}

void TestPackingSelection::storedName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("absolute") << "/home/u/a.txt"
                              << "home/u/a.txt";
    QTest::newRow("dots cleaned") << "/home/u/./x/../a.txt"
                                  << "home/u/a.txt";
    QTest::newRow("double slash") << "//home//u/a.txt"
                                  << "home/u/a.txt";
    QTest::newRow("relative made absolute") << "a.txt" << QDir::current().filePath("a.txt").mid(1);
}

void TestPackingSelection::storedName()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(StoredName(path), expected);
}

void TestPackingSelection::collectPutsFilesBeforeSubfolders()
{
    QTemporaryDir dir;
    const QString top = dir.filePath(QStringLiteral("photos"));
    for (const char* name : {"b.jpg", "a.jpg", ".hidden", "sub1/c.jpg", "sub1/deep/d.jpg", "sub2/e.jpg"})
        QVERIFY(WriteBytes(top + QLatin1Char('/') + QLatin1String(name), "x"));
    QVERIFY(QDir().mkpath(top + QStringLiteral("/empty/inner")));

    const QStringList files = CollectFilesRecursive(top);
    QStringList relative;
    for (const QString& file : files)
    {
        QVERIFY2(file.startsWith(top + QLatin1Char('/')), qPrintable(file));
        relative.append(file.mid(top.size() + 1));
    }
    QStringList sorted = relative;
    sorted.sort();
    QCOMPARE(sorted,
             QStringList({".hidden", "a.jpg", "b.jpg", "sub1/c.jpg", "sub1/deep/d.jpg", "sub2/e.jpg"}));

    // The folder's own files first; each subfolder's files together, its own before its subfolders'.
    const auto position = [&](const char* name) { return relative.indexOf(QLatin1String(name)); };
    for (const char* own : {"a.jpg", "b.jpg", ".hidden"})
        QVERIFY(position(own) < position("sub1/c.jpg") && position(own) < position("sub2/e.jpg"));
    QVERIFY(position("sub1/c.jpg") < position("sub1/deep/d.jpg"));
    QVERIFY(qAbs(position("sub1/c.jpg") - position("sub1/deep/d.jpg")) == 1);
}

void TestPackingSelection::collectSkipsLinkedFolders()
{
    QTemporaryDir dir;
    const QString top = dir.filePath(QStringLiteral("top"));
    QVERIFY(WriteBytes(top + QStringLiteral("/a.txt"), "a"));
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("target.txt")), "t"));
    QVERIFY(QFile::link(top, top + QStringLiteral("/loop")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("target.txt")), top + QStringLiteral("/linked.txt")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("missing")), top + QStringLiteral("/dangling")));

    QStringList files = CollectFilesRecursive(top);
    files.sort();
    QCOMPARE(files, QStringList({top + QStringLiteral("/a.txt"), top + QStringLiteral("/linked.txt")}));
}

void TestPackingSelection::expandKeepsSelectionOrderOnce()
{
    QTemporaryDir dir;
    const QString photos = dir.filePath(QStringLiteral("photos"));
    const QString a = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(WriteBytes(photos + QStringLiteral("/p1.jpg"), "1"));
    QVERIFY(WriteBytes(photos + QStringLiteral("/p2.jpg"), "2"));
    QVERIFY(WriteBytes(a, "a"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("empty"))));

    CTestProgress progress;
    const QStringList selection = {photos, a, photos + QStringLiteral("/p1.jpg"),
                                   dir.filePath(QStringLiteral("empty"))};
    const std::optional<QStringList> files = ExpandSelection(selection, progress);
    QVERIFY(files.has_value());
    QCOMPARE(files->size(), 3);
    QCOMPARE(files->last(), a);
    QVERIFY(files->contains(photos + QStringLiteral("/p1.jpg")));
    QVERIFY(files->contains(photos + QStringLiteral("/p2.jpg")));
    QCOMPARE(progress.files, selection);
}

void TestPackingSelection::expandStopsOnCancel()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(WriteBytes(a, "a"));
    CTestProgress progress(1);
    QVERIFY(!ExpandSelection({a, a, a}, progress).has_value());
    QVERIFY(progress.IsCancelled());
    QVERIFY(!progress.Report(a, 0, 0));
}

QTEST_GUILESS_MAIN(TestPackingSelection)
#include "tst_packing_selection.moc"
