#include "PackingTestSupport.h"
#include "packing/PackProcedures.h"

#include <QRegularExpression>
#include <QtEndian>
#include <zip.h>

namespace
{
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

class TestPackingZip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        QVERIFY(unpacking.files.startsWith(other) && !QFileInfo::exists(dir.filePath("notes.zip")));
        const QString below = result.Path() + u'/' + StoredName(photos);
        QCOMPARE(FilesBelow(below, true), FilesBelow(photos, true));
        QVERIFY(WriteBytes(below + "/five.txt", "changed"));
        QVERIFY(UnpackZip({archive}, unpacking).IsDone());
        QCOMPARE(ReadFile(below + "/five.txt"), QByteArray("12345"));
    }

    void encryptedArchive_data()
    {
        Columns<std::optional<QString>, bool>({"password", "extracted"});
        Row("right password", std::optional<QString>("s3cret pass"), true);
        Row("wrong password", std::optional<QString>("wrong"), false);
        Row("declined", std::optional<QString>(), false);
    }

    // The password is asked once per archive; a wrong one fails it, a declined one passes it over.
    void encryptedArchive()
    {
        QFETCH(std::optional<QString>, password);
        QFETCH(bool, extracted);
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/one.txt"), QByteArray(20000, '1')) &&
                WriteBytes(dir.filePath("src/two.bin"), SampleBytes(30000)));
        const QString archive = dir.filePath("enc.zip");
        const CToolRun zip = RunTool({"zip", "-qrP", "s3cret pass", archive, "src"}, dir.path());
        QVERIFY2(zip.exitCode == 0, qPrintable(zip.text));

        CTestProgress progress;
        progress.password = password;
        const CPackResult result = UnpackZip({archive}, progress);
        QCOMPARE(progress.askedFor, QStringList{archive});
        const QStringList source = FilesBelow(dir.filePath("src"), true);
        QCOMPARE(FilesBelow(dir.filePath("enc"), true),
                 extracted ? QStringList(source).replaceInStrings(QRegularExpression("^"), "src/")
                           : QStringList());
        if (!password || extracted)
            QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        else
            QVERIFY2(result.Status() == CPackResult::EStatus::Failed &&
                         (result.Message().contains("password", Qt::CaseInsensitive) ||
                          result.Message().contains("CRC")),
                     qPrintable(result.Message()));
    }

    // Each entry beside a good one, unpacked into a folder that holds a link to a folder outside and a link
    // to a file outside: an entry that would land outside is refused and named, the rest is extracted.
    void hostileEntriesAreRefused_data()
    {
        // entry: OUTSIDE stands for the absolute path of the outside folder; landsAt empty: refused
        Columns<QString, QString>({"entry", "landsAt"});
        Row("climbs out", "../evil.txt", "");
        Row("absolute", "OUTSIDE/abs.txt", "");
        Row("climbs out from a folder", "sub/../../evil2.txt", "");
        Row("backslash climb", "..\\evil3.txt", "");
        Row("through a folder link", "folder/x.txt", "");
        Row("deeper through a folder link", "folder/deeper/y.txt", "");
        Row("onto a file link", "file.txt", "");
        Row("climbs and returns", "a/../b", "");
        Row("drive", "C:\\Windows\\x.dll", "");
        Row("only dots", "./.", "");
        Row("in a subfolder", "sub/ok.txt", "work/crafted/sub/ok.txt");
        Row("dot parts dropped", "./a//b/./c", "work/crafted/a/b/c");
        Row("backslashes", "a\\b.txt", "work/crafted/a/b.txt");
        Row("dots inside a name", "a/..b/c..txt", "work/crafted/a/..b/c..txt");
    }

    void hostileEntriesAreRefused()
    {
        QFETCH(QString, entry);
        QFETCH(QString, landsAt);
        QTemporaryDir dir;
        const QString outside = dir.filePath("outside");
        const QString destination = dir.filePath("work/crafted");
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(destination));
        QVERIFY(WriteBytes(dir.filePath("target.txt"), "precious"));
        QVERIFY(QFile::link(outside, destination + "/folder") &&
                QFile::link(dir.filePath("target.txt"), destination + "/file.txt"));
        entry.replace("OUTSIDE", outside);
        const QString archive = dir.filePath("work/crafted.zip");
        QVERIFY(CraftZip(archive, {{"good.txt", "good"}, {QFile::encodeName(entry), "evil"}}));

        CTestProgress progress;
        const CPackResult result = UnpackZip({archive}, progress);
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Warnings().size(), landsAt.isEmpty() ? 1 : 0);
        QVERIFY(!landsAt.isEmpty() || result.Warnings().first().contains(entry));
        QStringList expected{"target.txt", "work/crafted.zip", "work/crafted/file.txt", "work/crafted/folder",
                             "work/crafted/good.txt"};
        if (!landsAt.isEmpty())
            expected.append(landsAt);
        expected.sort();
        QCOMPARE(FilesBelow(dir.path()), expected);
        QCOMPARE(ReadFile(dir.filePath("target.txt")), QByteArray("precious"));
        QCOMPARE(ReadFile(destination + "/good.txt"), QByteArray("good"));
        QVERIFY(landsAt.isEmpty() || ReadFile(dir.filePath(landsAt)) == "evil");
    }

    void entryUnlikeItsHeadersFailsAlone_data()
    {
        Columns<int>({"declared"}); // -1: the size stays, a data byte changes
        Row("CRC differs", -1);
        Row("more data than declared", 10);
        Row("less data than declared", 1000);
    }

    // Nothing beyond the declared size is written.
    void entryUnlikeItsHeadersFailsAlone()
    {
        QFETCH(int, declared);
        QTemporaryDir dir;
        const QString archive = dir.filePath("damaged.zip");
        const QByteArray content = "0123456789-the-stored-content-9876543210";
        QVERIFY(CraftZip(archive, {{"first.txt", "first"}, {"damaged.txt", content}, {"last.txt", "last"}}));
        QByteArray bytes = ReadFile(archive);
        const quint32 size = declared < 0 ? quint32(content.size()) : quint32(declared);
        if (declared < 0)
            bytes[bytes.indexOf(content) + 5] = 'X';
        // The uncompressed size in the local and the central header.
        qToLittleEndian(size, bytes.data() + bytes.lastIndexOf("PK\x03\x04", bytes.indexOf(content)) + 22);
        qToLittleEndian(size, bytes.data() +
                                  bytes.lastIndexOf("PK\x01\x02", bytes.lastIndexOf("damaged.txt")) + 24);
        QVERIFY(WriteBytes(archive, bytes));

        CTestProgress progress;
        const CPackResult result = UnpackZip({archive}, progress);
        QCOMPARE(result.Warnings().size(), 1);
        QVERIFY2(result.Warnings().first().contains("damaged.txt"), qPrintable(result.Warnings()[0]));
        QVERIFY(progress.mostDone <= size);
        QCOMPARE(FilesBelow(dir.filePath("damaged")), QStringList({"first.txt", "last.txt"}));
    }

    void brokenArchiveFailsNamed()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath("broken.zip");
        QVERIFY(WriteBytes(archive, "PK\x03\x04 this is not really a zip archive"));
        CTestProgress progress;
        const CPackResult result = UnpackZip({archive}, progress);
        QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
        QVERIFY2(result.Message().contains(archive), qPrintable(result.Message()));
    }
};

QTEST_GUILESS_MAIN(TestPackingZip)
#include "tst_packing_zip.moc"
