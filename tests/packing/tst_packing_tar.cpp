#include "PackingTestSupport.h"
#include "packing/GzipFile.h"
#include "packing/PackProcedures.h"
#include "packing/TarBuilder.h"

#include <QTemporaryDir>

namespace
{
// A numeric field as tar readers decode it: base-256 after a 0x80 byte, else octal up to a NUL or space.
qint64 Number(const QByteArray& block, int offset, int length)
{
    const QByteArray field = block.mid(offset, length);
    qint64 value = 0;
    if (quint8(field.at(0)) == 0x80)
    {
        for (int i = 1; i < length; ++i)
            value = (value << 8) | quint8(field.at(i));
        return value;
    }
    bool ok = false;
    value = field.left(field.contains('\0') ? field.indexOf('\0') : length).trimmed().toLongLong(&ok, 8);
    return ok ? value : -1;
}

qint64 ChecksumOf(QByteArray block)
{
    block.replace(148, 8, QByteArray(8, ' '));
    qint64 sum = 0;
    for (const char byte : std::as_const(block))
        sum += static_cast<unsigned char>(byte);
    return sum;
}

// Decompressed by gzip itself.
QByteArray Gunzip(const QString& path)
{
    return RunTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), path}).raw;
}

bool Gzip(const QString& path, const QByteArray& bytes, int flags)
{
    CGzipFile gz;
    return !gz.Open(path, flags) && !gz.Write(bytes.constData(), bytes.size()) && !gz.Close();
}
} // namespace

class TestPackingTar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerFields_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<quint32>("mode");
        QTest::addColumn<quint32>("uid");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("modified");
        Row("regular", QByteArray("home/u/a.txt"), 0100644u, 1000u, qint64(5), qint64(1700000000));
        Row("empty file", QByteArray("e"), 0100600u, 0u, qint64(0), qint64(0));
        Row("100-byte name", QByteArray(100, 'n'), 0100755u, 65534u, qint64(8589934591),
            qint64(077777777777));
        Row("high bytes", QByteArray("資料/報告.txt"), 0100644u, 2097150u, qint64(123456789), qint64(1));
        Row("size of 8 GiB", QByteArray("big.bin"), 0100644u, 0u, qint64(8589934592), qint64(0));
        Row("uid past 7 octal digits", QByteArray("big.bin"), 0100644u, 4000000000u, qint64(0), qint64(0));
    }

    // Numbers that fit are length - 1 octal digits and a NUL; larger ones are base-256 behind a 0x80 byte.
    void headerFields()
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
            QCOMPARE(Number(block, offset, length), value);
            if (value >= qint64(1) << (3 * (length - 1)))
            {
                QCOMPARE(quint8(block.at(offset)), quint8(0x80));
                continue;
            }
            QCOMPARE(block.at(offset + length - 1), '\0');
            for (int i = offset; i < offset + length - 1; ++i)
                QVERIFY2(block.at(i) >= '0' && block.at(i) <= '7', qPrintable(QString::number(offset)));
        }
        QCOMPARE(Number(block, 148, 8), ChecksumOf(block));
        QCOMPARE(block.mid(154, 2), QByteArray("\0 ", 2));
        QCOMPARE(block.at(156), '0');
        QCOMPARE(block.mid(157, 100), QByteArray(100, '\0'));
        QCOMPARE(block.mid(257, 8), QByteArray("ustar  \0", 8));
        QCOMPARE(block.mid(265, 32), QByteArray("root").leftJustified(32, '\0'));
        QCOMPARE(block.mid(297, 32), QByteArray("root").leftJustified(32, '\0'));
        QCOMPARE(block.mid(329, 183), QByteArray(183, '\0'));
    }

    // The tar stays beside its compressed copy: one header, the data padded to a block, two end blocks.
    void fiveByteFileLayout()
    {
        const QString source = m_dir.filePath(QStringLiteral("five/hello.txt"));
        QVERIFY(WriteBytes(source, "hello"));
        const QString out = m_dir.filePath(QStringLiteral("five-out"));
        CTestProgress progress;
        const CPackResult result = PackTarGz({source}, progress, out);
        QVERIFY2(result.IsDone(), qPrintable(result.Detail()));
        QCOMPARE(result.Path(), out + QStringLiteral("/hello.tar.gz"));
        QVERIFY(progress.files.contains(source));
        const QByteArray tar = ReadBytes(out + QStringLiteral("/hello.tar"));
        QCOMPARE(tar.size(), 512 + 512 + 1024);
        QCOMPARE(tar.left(100), QFile::encodeName(StoredName(source)).leftJustified(100, '\0'));
        QCOMPARE(Number(tar, 124, 12), qint64(5));
        QCOMPARE(tar.mid(512), QByteArray("hello") + QByteArray(507 + 1024, '\0'));
        QCOMPARE(Gunzip(result.Path()), tar);
    }

    // A header claiming 8 GiB, followed by a hole instead of data: GNU tar must list the size.
    void gnuTarReadsBase256Size()
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
        QVERIFY2(list.exitCode == 0 && list.output.contains(QStringLiteral("8589934592 ")),
                 qPrintable(list.output));
    }

    void gzipRoundTripAndAppend()
    {
        const QString path = m_dir.filePath(QStringLiteral("round.gz"));
        const QByteArray first = SampleBytes(100000, 3);
        QVERIFY(Gzip(path, first, CGzipFile::ModeCreate | CGzipFile::ModeWrite));
        QCOMPARE(ReadBytes(path).left(4), QByteArray("\x1f\x8b\x08\x00", 4));
        QVERIFY(Gzip(path, "tail", CGzipFile::ModeWrite));
        QCOMPARE(Gunzip(path), first + "tail");

        CGzipFile readWrite;
        const std::optional<CPackError> error = readWrite.Open(path, CGzipFile::ModeReadWrite);
        QVERIFY(error.has_value());
        QCOMPARE(error->Kind(), CPackError::EKind::Output);
        CGzipFile missing;
        QVERIFY(missing.Open(m_dir.filePath(QStringLiteral("no/such.gz")), CGzipFile::ModeRead).has_value());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestPackingTar)
#include "tst_packing_tar.moc"
