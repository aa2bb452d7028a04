#include "PackingTestSupport.h"
#include "packing/GzipFile.h"
#include "packing/PackProcedures.h"
#include "packing/TarBuilder.h"

#include <QTemporaryDir>
#include <unistd.h>

namespace
{
QByteArray Field(const QByteArray& block, int offset, int length)
{
    return block.mid(offset, length);
}

// An octal field read the way tar readers do: digits up to the first NUL or space.
qint64 Octal(const QByteArray& block, int offset, int length)
{
    QByteArray field = Field(block, offset, length);
    const qsizetype end = field.indexOf('\0');
    field = field.left(end < 0 ? length : end).trimmed();
    bool ok = false;
    const qint64 value = field.toLongLong(&ok, 8);
    return ok ? value : -1;
}

unsigned ChecksumOf(QByteArray block)
{
    block.replace(148, 8, QByteArray(8, ' '));
    unsigned sum = 0;
    for (const char byte : std::as_const(block))
        sum += static_cast<unsigned char>(byte);
    return sum;
}

QByteArray GunzipFile(const QString& path)
{
    CGzipFile gz;
    if (gz.Open(path, CGzipFile::ModeRead))
        return {};
    QByteArray result;
    char buffer[4096];
    for (qint64 count; (count = gz.Read(buffer, sizeof(buffer))) > 0;)
        result.append(buffer, count);
    return result;
}
} // namespace

class TestPackingTar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerFields_data();
    void headerFields();
    void largeValuesUseBase256_data();
    void largeValuesUseBase256();
    void longNameEntry();
    void fiveByteFileLayout();
    void gnuTarReadsArchive();
    void gnuTarReadsBase256Size();
    void gzipStreamModes_data();
    void gzipStreamModes();
    void gzipRoundTripAndAppend();
    void gzipStreamingMatchesWholeCompression();
    void failuresLeaveNothing_data();
    void failuresLeaveNothing();
    void cancelLeavesNothing_data();
    void cancelLeavesNothing();

private:
    QTemporaryDir m_dir;
};

void TestPackingTar::headerFields_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<quint32>("uid");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("modified");

    QTest::newRow("regular") << QByteArray("home/u/a.txt") << quint32(0100644) << quint32(1000) << qint64(5)
                             << qint64(1700000000);
    QTest::newRow("empty file") << QByteArray("e") << quint32(0100600) << quint32(0) << qint64(0)
                                << qint64(0);
    QTest::newRow("100-byte name") << QByteArray(100, 'n') << quint32(0100755) << quint32(65534)
                                   << qint64(8589934591) << qint64(077777777777);
    QTest::newRow("high bytes") << QByteArray("資料/報告.txt") << quint32(0100644) << quint32(2097150)
                                << qint64(123456789) << qint64(1);
}

void TestPackingTar::headerFields()
{
    QFETCH(QByteArray, name);
    QFETCH(quint32, mode);
    QFETCH(quint32, uid);
    QFETCH(qint64, size);
    QFETCH(qint64, modified);
    const CTarBuilder::CEntry entry{name, mode, uid, uid + 1, size, modified};

    const QByteArray block = CTarBuilder::Header(entry);
    QCOMPARE(block.size(), 512);
    QCOMPARE(Field(block, 0, 100), name.leftJustified(100, '\0'));
    QCOMPARE(Octal(block, 100, 8), qint64(mode));
    QCOMPARE(Octal(block, 108, 8), qint64(uid));
    QCOMPARE(Octal(block, 116, 8), qint64(uid + 1));
    QCOMPARE(Octal(block, 124, 12), size);
    QCOMPARE(Octal(block, 136, 12), modified);
    // Each numeric field: length - 1 octal digits, then NUL.
    for (const auto& [offset, length] : {std::pair{100, 8}, {108, 8}, {116, 8}, {124, 12}, {136, 12}})
    {
        QCOMPARE(block.at(offset + length - 1), '\0');
        for (int i = offset; i < offset + length - 1; ++i)
            QVERIFY2(block.at(i) >= '0' && block.at(i) <= '7', qPrintable(QString::number(offset)));
    }
    QCOMPARE(Octal(block, 148, 8), qint64(ChecksumOf(block)));
    QCOMPARE(Field(block, 154, 2), QByteArray("\0 ", 2));
    QCOMPARE(block.at(156), '0');
    QCOMPARE(Field(block, 157, 100), QByteArray(100, '\0'));
    QCOMPARE(Field(block, 257, 8), QByteArray("ustar  \0", 8));
    QCOMPARE(Field(block, 265, 32), QByteArray("root").leftJustified(32, '\0'));
    QCOMPARE(Field(block, 297, 32), QByteArray("root").leftJustified(32, '\0'));
    QCOMPARE(Field(block, 329, 183), QByteArray(183, '\0'));
}

void TestPackingTar::largeValuesUseBase256_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("length");
    QTest::addColumn<qint64>("value");

    QTest::newRow("size of 8 GiB") << 124 << 12 << qint64(8589934592);
    QTest::newRow("uid past 7 octal digits") << 108 << 8 << qint64(4000000000u);
}

void TestPackingTar::largeValuesUseBase256()
{
    QFETCH(int, offset);
    QFETCH(int, length);
    QFETCH(qint64, value);
    CTarBuilder::CEntry entry{"big.bin", 0100644, 0, 0, 0, 0};
    if (offset == 124)
        entry.size = value;
    else
        entry.uid = quint32(value);

    const QByteArray block = CTarBuilder::Header(entry);
    QCOMPARE(quint8(block.at(offset)), quint8(0x80));
    qint64 decoded = 0;
    for (int i = offset + 1; i < offset + length; ++i)
        decoded = (decoded << 8) | quint8(block.at(i));
    QCOMPARE(decoded, value);
    QCOMPARE(Octal(block, 148, 8), qint64(ChecksumOf(block)));
}

void TestPackingTar::longNameEntry()
{
    QVERIFY(CTarBuilder::LongNameBlocks(QByteArray(100, 'x')).isEmpty());

    const QByteArray name = QByteArray(60, 'd') + '/' + QByteArray(89, 'f');
    const QByteArray blocks = CTarBuilder::LongNameBlocks(name);
    QCOMPARE(blocks.size(), 1024);
    QCOMPARE(Field(blocks, 0, 14), QByteArray("././@LongLink\0", 14));
    QCOMPARE(blocks.at(156), 'L');
    QCOMPARE(Octal(blocks, 124, 12), qint64(name.size() + 1));
    QCOMPARE(Octal(blocks, 148, 8), qint64(ChecksumOf(blocks.left(512))));
    QCOMPARE(blocks.mid(512, name.size() + 1), name + '\0');
    QCOMPARE(blocks.mid(512 + name.size() + 1), QByteArray(512 - name.size() - 1, '\0'));
}

void TestPackingTar::fiveByteFileLayout()
{
    const QString source = m_dir.filePath(QStringLiteral("five/hello.txt"));
    QVERIFY(WriteBytes(source, "hello"));
    const QString out = m_dir.filePath(QStringLiteral("five-out"));
    CTestProgress progress;

    const CPackResult result = PackTarGz({source}, progress, out);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
    QCOMPARE(result.Path(), out + QStringLiteral("/hello.tar.gz"));
    const QByteArray tar = ReadBytes(out + QStringLiteral("/hello.tar"));
    QCOMPARE(tar.size(), 512 + 512 + 1024);
    QCOMPARE(Field(tar, 0, 100), QFile::encodeName(StoredName(source)).leftJustified(100, '\0'));
    QCOMPARE(Octal(tar, 124, 12), qint64(5));
    QCOMPARE(tar.mid(512, 512), QByteArray("hello") + QByteArray(507, '\0'));
    QCOMPARE(tar.right(1024), QByteArray(1024, '\0'));
    QCOMPARE(GunzipFile(result.Path()), tar);
    QVERIFY(progress.files.contains(source));
}

void TestPackingTar::gnuTarReadsArchive()
{
    const QString top = m_dir.filePath(QStringLiteral("gnu"));
    const QString five = top + QStringLiteral("/five.txt");
    const QString prefix = top + QStringLiteral("/") + QString(40, QLatin1Char('d')) + QStringLiteral("/");
    // Stored names drop the leading "/": this one is exactly 150 bytes long.
    const QString longPath = prefix + QString(151 - prefix.size(), QLatin1Char('f'));
    QCOMPARE(QFile::encodeName(StoredName(longPath)).size(), 150);
    QVERIFY(WriteBytes(five, "12345"));
    QVERIFY(WriteBytes(longPath, SampleBytes(70000, 1)));
    QVERIFY(WriteBytes(top + QStringLiteral("/empty.bin"), QByteArray()));
    QVERIFY(WriteBytes(top + QStringLiteral("/sub/資料.bin"), SampleBytes(1024, 2)));
    const QString out = m_dir.filePath(QStringLiteral("gnu-out"));
    CTestProgress progress;

    const CPackResult result = PackTarGz({top}, progress, out);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
    QCOMPARE(result.Path(), out + QStringLiteral("/gnu.tar.gz"));

    const CToolRun list = RunTool(QStringLiteral("tar"), {QStringLiteral("-tzvf"), result.Path()});
    QVERIFY2(list.exitCode == 0, qPrintable(list.output));
    QVERIFY2(list.output.contains(StoredName(longPath)), qPrintable(list.output));
    QVERIFY(list.output.contains(QStringLiteral("root/root")));
    QVERIFY(list.output.contains(QStringLiteral(" 5 ")));

    const QString extracted = m_dir.filePath(QStringLiteral("gnu-extracted"));
    QVERIFY(QDir().mkpath(extracted));
    const CToolRun extract = RunTool(
        QStringLiteral("tar"), {QStringLiteral("-xzf"), result.Path(), QStringLiteral("-C"), extracted});
    QVERIFY2(extract.exitCode == 0, qPrintable(extract.output));
    const QString below = extracted + QLatin1Char('/') + StoredName(top);
    QCOMPARE(FilesBelow(below), FilesBelow(top));
    for (const QString& file : FilesBelow(top))
        QVERIFY2(ReadBytes(below + QLatin1Char('/') + file) == ReadBytes(top + QLatin1Char('/') + file),
                 qPrintable(file));
}

// A header claiming 8 GiB, followed by a hole instead of data: GNU tar must list the size.
void TestPackingTar::gnuTarReadsBase256Size()
{
    const qint64 size = qint64(8) << 30;
    const QString path = m_dir.filePath(QStringLiteral("base256.tar"));
    QFile tar(path);
    QVERIFY(tar.open(QIODevice::WriteOnly));
    QVERIFY(tar.write(CTarBuilder::Header({"big.bin", 0100644, 0, 0, size, 1700000000})) == 512);
    QVERIFY(tar.seek(512 + size));
    QVERIFY(tar.write(QByteArray(1024, '\0')) == 1024);
    tar.close();

    const CToolRun list = RunTool(QStringLiteral("tar"), {QStringLiteral("-tvf"), path});
    QFile::remove(path);
    QVERIFY2(list.exitCode == 0, qPrintable(list.output));
    QVERIFY2(list.output.contains(QStringLiteral("8589934592 ")), qPrintable(list.output));
}

void TestPackingTar::gzipStreamModes_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArray>("mode");

    QTest::newRow("create") << int(CGzipFile::ModeCreate | CGzipFile::ModeWrite) << QByteArray("wb");
    QTest::newRow("read only") << int(CGzipFile::ModeRead) << QByteArray("rb");
    QTest::newRow("write without create") << int(CGzipFile::ModeWrite) << QByteArray("ab");
    QTest::newRow("create, no truncate")
        << int(CGzipFile::ModeCreate | CGzipFile::ModeNoTruncate | CGzipFile::ModeWrite) << QByteArray("ab");
    QTest::newRow("create read-write")
        << int(CGzipFile::ModeCreate | CGzipFile::ModeReadWrite) << QByteArray("w+b");
    QTest::newRow("read-write") << int(CGzipFile::ModeReadWrite) << QByteArray("a+b");
}

void TestPackingTar::gzipStreamModes()
{
    QFETCH(int, flags);
    QFETCH(QByteArray, mode);
    QCOMPARE(CGzipFile::StreamMode(flags), mode);
}

void TestPackingTar::gzipRoundTripAndAppend()
{
    const QString path = m_dir.filePath(QStringLiteral("round.gz"));
    const QByteArray first = SampleBytes(100000, 3);
    {
        CGzipFile gz;
        QVERIFY(!gz.Open(path, CGzipFile::ModeCreate | CGzipFile::ModeWrite));
        QVERIFY(!gz.Write(first.constData(), first.size()));
        QVERIFY(!gz.Close());
    }
    const QByteArray header = ReadBytes(path).left(4);
    QCOMPARE(header, QByteArray("\x1f\x8b\x08\x00", 4));
    {
        CGzipFile gz;
        QVERIFY(!gz.Open(path, CGzipFile::ModeWrite));
        QVERIFY(!gz.Write("tail", 4));
        QVERIFY(!gz.Close());
    }
    QCOMPARE(GunzipFile(path), first + "tail");
    QCOMPARE(RunTool(QStringLiteral("gzip"), {QStringLiteral("-t"), path}).exitCode, 0);

    CGzipFile readWrite;
    const std::optional<CPackError> error = readWrite.Open(path, CGzipFile::ModeReadWrite);
    QVERIFY(error.has_value());
    QCOMPARE(error->Kind(), CPackError::EKind::Output);
    CGzipFile missing;
    QVERIFY(missing.Open(m_dir.filePath(QStringLiteral("no/such.gz")), CGzipFile::ModeRead).has_value());
}

void TestPackingTar::gzipStreamingMatchesWholeCompression()
{
    const QString top = m_dir.filePath(QStringLiteral("stream"));
    QVERIFY(WriteBytes(top + QStringLiteral("/a.bin"), SampleBytes(300000, 4) + QByteArray(300000, 'z')));
    QVERIFY(WriteBytes(top + QStringLiteral("/b.txt"), QByteArray(200000, 'q')));
    const QString out = m_dir.filePath(QStringLiteral("stream-out"));
    CTestProgress progress;
    const CPackResult result = PackTarGz({top}, progress, out);
    QVERIFY2(result.IsDone(), qPrintable(result.Detail()));

    const QByteArray tar = ReadBytes(out + QStringLiteral("/stream.tar"));
    const QString whole = m_dir.filePath(QStringLiteral("whole.tar.gz"));
    CGzipFile gz;
    QVERIFY(!gz.Open(whole, CGzipFile::ModeCreate | CGzipFile::ModeWrite));
    QVERIFY(!gz.Write(tar.constData(), tar.size()));
    QVERIFY(!gz.Close());
    QCOMPARE(ReadBytes(result.Path()), ReadBytes(whole));
}

void TestPackingTar::failuresLeaveNothing_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing selected") << QString() << QStringLiteral("fail-out") << QString();
    QTest::newRow("folder without files")
        << QStringLiteral("emptyfolder") << QStringLiteral("fail-out") << QString();
    QTest::newRow("unreadable source")
        << QStringLiteral("missing.txt") << QStringLiteral("fail-out") << QString();
    QTest::newRow("archive cannot be written")
        << QStringLiteral("present.txt") << QStringLiteral("present.txt/out")
        << QStringLiteral("無法將檔案加到 GZIP/TAR 壓縮檔！");
}

void TestPackingTar::failuresLeaveNothing()
{
    QFETCH(QString, selected);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("present.txt")), "here"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("emptyfolder/inner"))));
    const QStringList selection = selected.isEmpty() ? QStringList() : QStringList{dir.filePath(selected)};
    CTestProgress progress;

    const CPackResult result = PackTarGz(selection, progress, dir.filePath(folder));
    QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
    QCOMPARE(result.Message(), message);
    QVERIFY(!result.Detail().isEmpty());
    QCOMPARE(FilesBelow(dir.filePath(QStringLiteral("fail-out"))), QStringList());
}

void TestPackingTar::cancelLeavesNothing_data()
{
    QTest::addColumn<int>("cancelAfter");
    QTest::addColumn<QString>("cancelOnSuffix");

    QTest::newRow("while collecting") << 0 << QString();
    QTest::newRow("while writing the tar") << 4 << QString();
    QTest::newRow("while compressing") << -1 << QStringLiteral(".tar.gz");
}

void TestPackingTar::cancelLeavesNothing()
{
    QFETCH(int, cancelAfter);
    QFETCH(QString, cancelOnSuffix);
    QTemporaryDir dir;
    const QString top = dir.filePath(QStringLiteral("data"));
    for (int i = 0; i < 4; ++i)
        QVERIFY(WriteBytes(top + QStringLiteral("/f%1.bin").arg(i), SampleBytes(200000, i)));
    const QString out = dir.filePath(QStringLiteral("out"));
    CTestProgress progress(cancelAfter);
    progress.cancelOnSuffix = cancelOnSuffix;

    const CPackResult result = PackTarGz({top}, progress, out);
    QCOMPARE(result.Status(), CPackResult::EStatus::Cancelled);
    QCOMPARE(FilesBelow(out), QStringList());
}

QTEST_GUILESS_MAIN(TestPackingTar)
#include "tst_packing_tar.moc"
