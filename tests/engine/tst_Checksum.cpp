#include "engine/Checksum.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ChecksumKind)

namespace
{

// Crosses three 1 MiB block boundaries and ends in a partial block.
QByteArray Pattern()
{
    QByteArray bytes(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + i / 1024) % 251);
    return bytes;
}

QByteArray RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// gzip stores the CRC32 of its input, little-endian, in the trailer's first four bytes.
QByteArray GzipCrc32(const QString& path)
{
    const QByteArray gz = RunTool("gzip", {"-1", "-c", path});
    if (gz.size() < 18)
        return {};
    const QByteArray trailer = gz.right(8);
    quint32 crc = 0;
    for (int i = 3; i >= 0; --i)
        crc = (crc << 8) | quint8(trailer[i]);
    return QByteArray::number(crc, 16).rightJustified(8, '0');
}

QByteArray DigestTool(const QString& program, const QString& path)
{
    return RunTool(program, {path}).split(' ').value(0);
}

} // namespace

class TestChecksum : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void knownDigests_data();
    void knownDigests();
    void matchesSystemTools_data();
    void matchesSystemTools();
    void failures_data();
    void failures();
    void normalise_data();
    void normalise();

private:
    QString WriteFile(const QString& name, const QByteArray& content);

    QTemporaryDir m_dir;
};

QString TestChecksum::WriteFile(const QString& name, const QByteArray& content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return path;
}

void TestChecksum::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestChecksum::knownDigests_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<ChecksumKind>("kind");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray pattern = Pattern();
    const struct
    {
        const char* tag;
        QByteArray content;
        const char* crc32;
        const char* md5;
        const char* sha1;
    } files[] = {
        {"empty", "", "00000000", "d41d8cd98f00b204e9800998ecf8427e",
         "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"check string", "123456789", "cbf43926", "25f9e794323b453885f5181f1b624d0b",
         "f7c3bc1d808e04732adf679965ccc34ca7ae3441"},
        {"CRC with leading zeros", "zentrava311", "00867546", "24ba53b5462e594603f0c9ce4916f6bf",
         "79fa354832602f1306b83aedd84011672b892c4c"},
        {"3 MiB pattern", pattern, "0f315ff9", "4ce7901bb3782a938d22d019d88d901d",
         "50a611635dc276a60f26b01a5cf81c7ec67dee46"},
    };
    for (const auto& file : files)
    {
        QTest::addRow("%s crc32", file.tag) << file.content << ChecksumKind::Crc32 << QByteArray(file.crc32);
        QTest::addRow("%s md5", file.tag) << file.content << ChecksumKind::Md5 << QByteArray(file.md5);
        QTest::addRow("%s sha1", file.tag) << file.content << ChecksumKind::Sha1 << QByteArray(file.sha1);
    }
}

void TestChecksum::knownDigests()
{
    QFETCH(QByteArray, content);
    QFETCH(ChecksumKind, kind);
    QFETCH(QByteArray, expected);
    const QString path = WriteFile("known", content);
    QVERIFY(!path.isEmpty());
    QString error;
    const QByteArray local = LocalChecksum(path, kind, nullptr, &error);
    QCOMPARE(local, expected);
    QVERIFY(error.isEmpty());
    // A server's upper-case reply must compare equal once normalised.
    QCOMPARE(NormaliseChecksum(expected.toUpper()), local);
}

void TestChecksum::matchesSystemTools_data()
{
    QTest::addColumn<ChecksumKind>("kind");
    QTest::newRow("crc32 / gzip") << ChecksumKind::Crc32;
    QTest::newRow("md5 / md5sum") << ChecksumKind::Md5;
    QTest::newRow("sha1 / sha1sum") << ChecksumKind::Sha1;
}

void TestChecksum::matchesSystemTools()
{
    QFETCH(ChecksumKind, kind);
    QRandomGenerator random(7);
    QByteArray content(2 * 1024 * 1024 + 4320, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(content.data()), content.size() / 4);
    const QString path = WriteFile("random.bin", content);
    QVERIFY(!path.isEmpty());

    QByteArray reference;
    if (kind == ChecksumKind::Crc32)
        reference = GzipCrc32(path);
    else
        reference = DigestTool(kind == ChecksumKind::Md5 ? "md5sum" : "sha1sum", path);
    QVERIFY2(!reference.isEmpty(), "the reference tool did not run");
    std::atomic<bool> cancel = false;
    QCOMPARE(LocalChecksum(path, kind, &cancel, nullptr), reference);
}

void TestChecksum::failures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<ChecksumKind>("kind");
    QTest::newRow("missing file") << "missing.bin" << false << ChecksumKind::Md5;
    QTest::newRow("a folder") << "" << false << ChecksumKind::Sha1;
    QTest::newRow("cancelled crc32") << "data.bin" << true << ChecksumKind::Crc32;
    QTest::newRow("cancelled md5") << "data.bin" << true << ChecksumKind::Md5;
    QTest::newRow("cancelled sha1") << "data.bin" << true << ChecksumKind::Sha1;
}

void TestChecksum::failures()
{
    QFETCH(QString, name);
    QFETCH(bool, cancelled);
    QFETCH(ChecksumKind, kind);
    QVERIFY(!WriteFile("data.bin", "some bytes").isEmpty());
    const QString path = m_dir.filePath(name);
    const std::atomic<bool> cancel = cancelled;
    QString error;
    QVERIFY(LocalChecksum(path, kind, &cancel, &error).isEmpty());
    QVERIFY(!error.isEmpty());
    if (!cancelled)
        QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(LocalChecksum(path, kind, &cancel, nullptr).isEmpty());
}

void TestChecksum::normalise_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("upper case") << QByteArray("CBF43926") << QByteArray("cbf43926");
    QTest::newRow("spaces and line end") << QByteArray(" cb f4 39 26\r\n") << QByteArray("cbf43926");
    QTest::newRow("0x prefix") << QByteArray("0xCBF43926") << QByteArray("cbf43926");
    QTest::newRow("short crc") << QByteArray("867546") << QByteArray("00867546");
    QTest::newRow("short crc with prefix") << QByteArray("0X1a2b") << QByteArray("00001a2b");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("not hex is not padded") << QByteArray("xyz") << QByteArray("xyz");
}

void TestChecksum::normalise()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QCOMPARE(NormaliseChecksum(reply), expected);
}

QTEST_GUILESS_MAIN(TestChecksum)
#include "tst_Checksum.moc"
