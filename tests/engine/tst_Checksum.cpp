#include "engine/Checksum.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ChecksumKind)

class TestChecksum : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString WriteFile(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() ? path : QString();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void knownDigests_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<ChecksumKind>("kind");
        QTest::addColumn<QByteArray>("expected");
        // Crosses three 1 MiB block boundaries and ends in a partial block.
        QByteArray pattern(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < pattern.size(); ++i)
            pattern[i] = char((i * 7 + i / 1024) % 251);
        const struct
        {
            const char* tag;
            QByteArray content;
            const char* digests[3];
        } files[] = {
            {"empty",
             "",
             {"00000000", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709"}},
            {"check string",
             "123456789",
             {"cbf43926", "25f9e794323b453885f5181f1b624d0b", "f7c3bc1d808e04732adf679965ccc34ca7ae3441"}},
            {"CRC with leading zeros",
             "zentrava311",
             {"00867546", "24ba53b5462e594603f0c9ce4916f6bf", "79fa354832602f1306b83aedd84011672b892c4c"}},
            {"3 MiB pattern",
             pattern,
             {"0f315ff9", "4ce7901bb3782a938d22d019d88d901d", "50a611635dc276a60f26b01a5cf81c7ec67dee46"}},
        };
        const char* kNames[] = {"CRC32", "MD5", "SHA-1"};
        for (const auto& file : files)
        {
            for (const ChecksumKind kind : {ChecksumKind::Crc32, ChecksumKind::Md5, ChecksumKind::Sha1})
                QTest::addRow("%s, %s", file.tag, kNames[int(kind)])
                    << file.content << kind << QByteArray(file.digests[int(kind)]);
        }
    }
    void knownDigests()
    {
        QFETCH(QByteArray, content);
        QFETCH(ChecksumKind, kind);
        QFETCH(QByteArray, expected);
        const QString path = WriteFile("known", content);
        QVERIFY(!path.isEmpty());
        QString error;
        const std::atomic<bool> cancel = false;
        QCOMPARE(LocalChecksum(path, kind, nullptr, &error), expected);
        QVERIFY(error.isEmpty());
        QCOMPARE(LocalChecksum(path, kind, &cancel, nullptr), expected);
        // A server's upper-case reply must compare equal once normalised.
        QCOMPARE(NormaliseChecksum(expected.toUpper()), expected);
    }

    void failures_data()
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
    void failures()
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
        QVERIFY2(cancelled || error.contains(path), qPrintable(error));
        QVERIFY(LocalChecksum(path, kind, &cancel, nullptr).isEmpty());
    }

    void normalise_data()
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
    void normalise()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, expected);
        QCOMPARE(NormaliseChecksum(reply), expected);
    }
};

QTEST_GUILESS_MAIN(TestChecksum)
#include "tst_Checksum.moc"
