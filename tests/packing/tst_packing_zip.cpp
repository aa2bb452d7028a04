#include "PackingTestSupport.h"
#include "packing/PackProcedures.h"
#include "packing/ZipPack.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <utility>
#include <zip.h>

namespace
{
using CEntries = QList<std::pair<QByteArray, QByteArray>>;

// Writes a zip holding the given names and contents exactly as given (stored, so bytes can be found).
bool CraftZip(const QString& path, const CEntries& entries)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
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

QList<int> CompressionMethods(const QString& path)
{
    QList<int> methods;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
    if (archive == nullptr)
        return methods;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i)
    {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        methods.append(stat.comp_method);
    }
    zip_discard(archive);
    return methods;
}
} // namespace

class TestPackingZip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void packedArchiveIsValid();
    void unpackRecreatesStoredPaths();
    void unpackSkipsOtherFiles();
    void encryptedArchive_data();
    void encryptedArchive();
    void safePathParts_data();
    void safePathParts();
    void unsafeEntriesAreRefused();
    void linkInDestinationIsNotFollowed();
    void entryUnlikeItsHeaderFailsAlone_data();
    void entryUnlikeItsHeaderFailsAlone();
    void brokenArchiveFails();
    void packFailures();
    void cancelLeavesNothing_data();
    void cancelLeavesNothing();

private:
    QTemporaryDir m_dir;
    QString m_photos;
    QString m_single;
};

void TestPackingZip::initTestCase()
{
    m_photos = m_dir.filePath(QStringLiteral("photos"));
    m_single = m_dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(WriteBytes(m_photos + QStringLiteral("/five.txt"), "12345"));
    QVERIFY(WriteBytes(m_photos + QStringLiteral("/random.bin"), SampleBytes(100000, 1)));
    QVERIFY(WriteBytes(m_photos + QStringLiteral("/empty.txt"), QByteArray()));
    QVERIFY(WriteBytes(m_photos + QStringLiteral("/2024/夏天.jpg"), SampleBytes(3000, 2)));
    QVERIFY(WriteBytes(m_photos + QStringLiteral("/2024/deep/text.txt"), QByteArray(50000, 't')));
    QVERIFY(WriteBytes(m_single, "single file"));
}

void TestPackingZip::packedArchiveIsValid()
{
    const QString out = m_dir.filePath(QStringLiteral("pack-out"));
    CTestProgress progress;
    const CPackResult result = PackZip({m_photos, m_single}, progress, out);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
    QCOMPARE(result.Path(), out + QStringLiteral("/photos.zip"));

    const CToolRun test = RunTool(QStringLiteral("unzip"), {QStringLiteral("-t"), result.Path()});
    QVERIFY2(test.exitCode == 0 && test.output.contains(QStringLiteral("No errors")),
             qPrintable(test.output));
    const CToolRun names = RunTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), result.Path()});
    QCOMPARE(names.exitCode, 0);
    QStringList listed = names.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    listed.sort();
    QStringList expected;
    for (const QString& file : FilesBelow(m_photos))
        expected.append(StoredName(m_photos + QLatin1Char('/') + file));
    expected.append(StoredName(m_single));
    expected.sort();
    QCOMPARE(listed, expected);
    QVERIFY(!listed.first().startsWith(QLatin1Char('/')));
    for (const int method : CompressionMethods(result.Path()))
        QCOMPARE(method, int(ZIP_CM_DEFLATE));
    QVERIFY(progress.files.contains(m_photos + QStringLiteral("/random.bin")));

    const QString extracted = m_dir.filePath(QStringLiteral("unzip-out"));
    const CToolRun extract = RunTool(QStringLiteral("unzip"),
                                     {QStringLiteral("-q"), result.Path(), QStringLiteral("-d"), extracted});
    QVERIFY2(extract.exitCode == 0, qPrintable(extract.output));
    const QString below = extracted + QLatin1Char('/') + StoredName(m_photos);
    QCOMPARE(FilesBelow(below), FilesBelow(m_photos));
    for (const QString& file : FilesBelow(m_photos))
        QVERIFY2(ReadBytes(below + QLatin1Char('/') + file) == ReadBytes(m_photos + QLatin1Char('/') + file),
                 qPrintable(file));
}

void TestPackingZip::unpackRecreatesStoredPaths()
{
    const QString work = m_dir.filePath(QStringLiteral("unpack"));
    CTestProgress packProgress;
    const CPackResult packed = PackZip({m_photos}, packProgress, work);
    QVERIFY(packed.IsDone());
    const QString archive = work + QStringLiteral("/DATA.ZIP");
    QVERIFY(QFile::rename(packed.Path(), archive));

    CTestProgress progress;
    const CPackResult result = UnpackZip({archive}, progress);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
    QCOMPARE(result.Path(), work + QStringLiteral("/DATA"));
    QVERIFY(result.Warnings().isEmpty());
    const QString below = result.Path() + QLatin1Char('/') + StoredName(m_photos);
    QCOMPARE(FilesBelow(below), FilesBelow(m_photos));
    for (const QString& file : FilesBelow(m_photos))
        QVERIFY2(ReadBytes(below + QLatin1Char('/') + file) == ReadBytes(m_photos + QLatin1Char('/') + file),
                 qPrintable(file));
    QVERIFY(progress.askedFor.isEmpty());

    // Extracting again replaces what is there.
    QVERIFY(WriteBytes(below + QStringLiteral("/five.txt"), "changed"));
    QVERIFY(UnpackZip({archive}, progress).IsDone());
    QCOMPARE(ReadBytes(below + QStringLiteral("/five.txt")), QByteArray("12345"));
}

void TestPackingZip::unpackSkipsOtherFiles()
{
    const QString other = m_dir.filePath(QStringLiteral("notes.zip.txt"));
    QVERIFY(WriteBytes(other, "not an archive"));
    CTestProgress progress;
    const CPackResult result = UnpackZip({other, m_single}, progress);
    QVERIFY(result.IsDone());
    QVERIFY(result.Path().isEmpty());
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("notes.zip"))));
    QCOMPARE(progress.files, QStringList({other, m_single}));
}

void TestPackingZip::encryptedArchive_data()
{
    QTest::addColumn<std::optional<QString>>("password");
    QTest::addColumn<bool>("extracted");

    QTest::newRow("right password") << std::optional<QString>(QStringLiteral("s3cret pass")) << true;
    QTest::newRow("wrong password") << std::optional<QString>(QStringLiteral("wrong")) << false;
    QTest::newRow("declined") << std::optional<QString>() << false;
}

void TestPackingZip::encryptedArchive()
{
    QFETCH(std::optional<QString>, password);
    QFETCH(bool, extracted);
    QTemporaryDir dir;
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("src/one.txt")), QByteArray(20000, '1')));
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("src/two.bin")), SampleBytes(30000, 3)));
    const QString archive = dir.filePath(QStringLiteral("enc.zip"));
    const CToolRun zip = RunTool(QStringLiteral("zip"),
                                 {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-P"),
                                  QStringLiteral("s3cret pass"), archive, QStringLiteral("src")},
                                 dir.path());
    QVERIFY2(zip.exitCode == 0, qPrintable(zip.output));

    CTestProgress progress;
    progress.password = password;
    const CPackResult result = UnpackZip({archive}, progress);
    QCOMPARE(progress.askedFor, QStringList{archive});
    const QString destination = dir.filePath(QStringLiteral("enc"));
    if (extracted)
    {
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(FilesBelow(destination), QStringList({"src/one.txt", "src/two.bin"}));
        QCOMPARE(ReadBytes(destination + QStringLiteral("/src/two.bin")), SampleBytes(30000, 3));
        return;
    }
    QCOMPARE(FilesBelow(destination), QStringList());
    if (!password)
    {
        QVERIFY(result.IsDone());
        return;
    }
    QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
    QVERIFY2(result.Message().contains(QStringLiteral("password"), Qt::CaseInsensitive) ||
                 result.Message().contains(QStringLiteral("CRC")),
             qPrintable(result.Message()));
}

void TestPackingZip::safePathParts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("plain") << "a/b/c.txt" << QStringList({"a", "b", "c.txt"});
    QTest::newRow("dot parts dropped") << "./a//b/./c" << QStringList({"a", "b", "c"});
    QTest::newRow("backslashes") << "a\\b.txt" << QStringList({"a", "b.txt"});
    QTest::newRow("folder entry") << "a/b/" << QStringList({"a", "b"});
    QTest::newRow("dots inside a name") << "a/..b/c..txt" << QStringList({"a", "..b", "c..txt"});
    QTest::newRow("climbs out") << "../evil" << QStringList();
    QTest::newRow("climbs and returns") << "a/../b" << QStringList();
    QTest::newRow("backslash climb") << "..\\evil" << QStringList();
    QTest::newRow("absolute") << "/etc/passwd" << QStringList();
    QTest::newRow("drive") << "C:\\Windows\\x.dll" << QStringList();
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("only dots") << "./." << QStringList();
}

void TestPackingZip::safePathParts()
{
    QFETCH(QString, name);
    QFETCH(QStringList, parts);
    const std::optional<QStringList> result = CZipPack::SafePathParts(name);
    QCOMPARE(result.has_value(), !parts.isEmpty());
    if (result)
        QCOMPARE(*result, parts);
}

void TestPackingZip::unsafeEntriesAreRefused()
{
    QTemporaryDir dir;
    const QString absoluteTarget = dir.filePath(QStringLiteral("outside/abs.txt"));
    const CEntries entries = {{"good.txt", "good"},
                              {"../evil.txt", "evil"},
                              {QFile::encodeName(absoluteTarget), "absolute"},
                              {"sub/../../evil2.txt", "evil"},
                              {"..\\evil3.txt", "evil"},
                              {"sub/ok.txt", "ok"}};
    const QString archive = dir.filePath(QStringLiteral("work/crafted.zip"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("work"))));
    QVERIFY(CraftZip(archive, entries));

    CTestProgress progress;
    const CPackResult result = UnpackZip({archive}, progress);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
    QCOMPARE(result.Warnings().size(), 4);
    for (const char* name : {"../evil.txt", "sub/../../evil2.txt", "..\\evil3.txt"})
        QVERIFY2(result.Warnings().join(QLatin1Char('\n')).contains(QLatin1String(name)), name);
    QVERIFY(result.Warnings().join(QLatin1Char('\n')).contains(absoluteTarget));
    QCOMPARE(FilesBelow(dir.path()),
             QStringList({"work/crafted.zip", "work/crafted/good.txt", "work/crafted/sub/ok.txt"}));
    QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("work/crafted/sub/ok.txt"))), QByteArray("ok"));
}

void TestPackingZip::linkInDestinationIsNotFollowed()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath(QStringLiteral("links"));
    QVERIFY(QDir().mkpath(destination));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("outside"))));
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("target.txt")), "precious"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("outside")), destination + QStringLiteral("/folder")));
    QVERIFY(
        QFile::link(dir.filePath(QStringLiteral("target.txt")), destination + QStringLiteral("/file.txt")));
    const QString archive = dir.filePath(QStringLiteral("links.zip"));
    QVERIFY(CraftZip(archive, {{"folder/x.txt", "x"},
                               {"folder/deeper/y.txt", "y"},
                               {"file.txt", "overwrite"},
                               {"fine.txt", "fine"}}));

    CTestProgress progress;
    const CPackResult result = UnpackZip({archive}, progress);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
    QCOMPARE(result.Warnings().size(), 3);
    QCOMPARE(FilesBelow(dir.filePath(QStringLiteral("outside"))), QStringList());
    QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("target.txt"))), QByteArray("precious"));
    QCOMPARE(ReadBytes(destination + QStringLiteral("/fine.txt")), QByteArray("fine"));
}

void TestPackingZip::entryUnlikeItsHeaderFailsAlone_data()
{
    QTest::addColumn<int>("declared"); // -1: the size stays, a data byte changes
    QTest::newRow("CRC differs") << -1;
    QTest::newRow("more data than declared") << 10;
    QTest::newRow("less data than declared") << 1000;
}

void TestPackingZip::entryUnlikeItsHeaderFailsAlone()
{
    QFETCH(int, declared);
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("damaged.zip"));
    const QByteArray content = "0123456789-the-stored-content-9876543210";
    QVERIFY(CraftZip(archive, {{"first.txt", "first"}, {"damaged.txt", content}, {"last.txt", "last"}}));
    QByteArray bytes = ReadBytes(archive);
    const quint32 size = declared < 0 ? quint32(content.size()) : quint32(declared);
    if (declared < 0)
        bytes[bytes.indexOf(content) + 5] = 'X';
    // The uncompressed size in the local and the central header.
    qToLittleEndian(size, bytes.data() + bytes.lastIndexOf("PK\x03\x04", bytes.indexOf(content)) + 22);
    qToLittleEndian(size,
                    bytes.data() + bytes.lastIndexOf("PK\x01\x02", bytes.lastIndexOf("damaged.txt")) + 24);
    QVERIFY(WriteBytes(archive, bytes));

    CTestProgress progress;
    const CPackResult result = UnpackZip({archive}, progress);
    QCOMPARE(result.Warnings().size(), 1);
    QVERIFY2(result.Warnings().first().contains(QStringLiteral("damaged.txt")),
             qPrintable(result.Warnings()[0]));
    // Nothing beyond the declared size was written.
    QVERIFY(progress.mostDone <= (declared >= 0 ? declared : content.size()));
    QCOMPARE(FilesBelow(dir.filePath(QStringLiteral("damaged"))), QStringList({"first.txt", "last.txt"}));
}

void TestPackingZip::brokenArchiveFails()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("broken.zip"));
    QVERIFY(WriteBytes(archive, "PK\x03\x04 this is not really a zip archive"));
    CTestProgress progress;
    const CPackResult result = UnpackZip({archive}, progress);
    QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
    QVERIFY(!result.Message().isEmpty());
    QVERIFY(result.Message().contains(archive));
}

void TestPackingZip::packFailures()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    CTestProgress progress;

    const CPackResult missing = PackZip({m_single, dir.filePath(QStringLiteral("gone.txt"))}, progress, out);
    QCOMPARE(missing.Status(), CPackResult::EStatus::Failed);
    QCOMPARE(missing.Message(), QStringLiteral("無法將檔案加到 zip 壓縮檔！"));
    QVERIFY(missing.Detail().contains(QStringLiteral("gone.txt")));

    const CPackResult nothing = PackZip({}, progress, out);
    QCOMPARE(nothing.Status(), CPackResult::EStatus::Failed);
    QVERIFY(nothing.Message().isEmpty());

    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("blocker")), "file"));
    const CPackResult unwritable = PackZip({m_single}, progress, dir.filePath(QStringLiteral("blocker/out")));
    QCOMPARE(unwritable.Status(), CPackResult::EStatus::Failed);
    QCOMPARE(unwritable.Message(), QStringLiteral("無法將檔案加到 zip 壓縮檔！"));
    QCOMPARE(FilesBelow(out), QStringList());
}

void TestPackingZip::cancelLeavesNothing_data()
{
    QTest::addColumn<int>("cancelAfter");

    QTest::newRow("at the first file") << 0;
    QTest::newRow("inside the data") << 6;
}

void TestPackingZip::cancelLeavesNothing()
{
    QFETCH(int, cancelAfter);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    CTestProgress progress(cancelAfter);

    const CPackResult result = PackZip({m_photos, m_single}, progress, out);
    QCOMPARE(result.Status(), CPackResult::EStatus::Cancelled);
    QCOMPARE(FilesBelow(out), QStringList());
}

QTEST_GUILESS_MAIN(TestPackingZip)
#include "tst_packing_zip.moc"
