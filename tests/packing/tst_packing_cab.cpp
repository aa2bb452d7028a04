#include "PackingTestSupport.h"
#include "packing/CabinetBuilder.h"
#include "packing/PackProcedures.h"

#include <QTemporaryDir>

namespace
{
quint16 Le16(const QByteArray& bytes, int offset)
{
    return quint16(quint8(bytes.at(offset)) | (quint8(bytes.at(offset + 1)) << 8));
}

quint32 Le32(const QByteArray& bytes, int offset)
{
    return Le16(bytes, offset) | (quint32(Le16(bytes, offset + 2)) << 16);
}
} // namespace

class TestPackingCab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cabinetName_data()
    {
        QTest::addColumn<QString>("nameTemplate");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");

        Row("first cabinet", "report", 0, "report.cab");
        Row("later cabinet", "report", 1, "report001.cab");
        Row("later cabinet, wide", "report", 1234, "report1234.cab");
        Row("empty template", "", 0, "0000.cab");
        Row("one percent", "50%off", 0, "500.cab");
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

    void headerFields()
    {
        const QString source = m_dir.filePath(QStringLiteral("tool.sh"));
        QVERIFY(WriteBytes(source, "#!/bin/sh\necho hi\n"));
        QVERIFY(
            QFile::setPermissions(source, QFile::permissions(source) | QFile::ExeOwner | QFile::ExeOther));
        CCabinetBuilder cabinet(0xBEEF);
        QCOMPARE(cabinet.SetId(), quint16(0xBEEF));
        const QString out = m_dir.filePath(QStringLiteral("out-header"));
        QVERIFY(!cabinet.Create(QStringLiteral("tool"), out));
        QCOMPARE(cabinet.CabinetPath(), out + QStringLiteral("/tool.cab"));
        QVERIFY(!cabinet.AddFile(source));
        CTestProgress progress;
        QVERIFY(!cabinet.Flush(progress));

        const QByteArray bytes = ReadBytes(cabinet.CabinetPath());
        QCOMPARE(bytes.left(4), QByteArray("MSCF"));
        QCOMPARE(Le32(bytes, 8), quint32(bytes.size()));
        QCOMPARE(Le16(bytes, 26), quint16(1));      // folders
        QCOMPARE(Le16(bytes, 28), quint16(1));      // files
        QCOMPARE(Le16(bytes, 32), quint16(0xBEEF)); // set ID
        QCOMPARE(Le16(bytes, 36 + 6), quint16(1));  // MSZIP
        const quint32 firstFile = Le32(bytes, 16);
        QCOMPARE(Le32(bytes, int(firstFile)), quint32(QFileInfo(source).size()));
        QCOMPARE(Le16(bytes, int(firstFile) + 14) & 0x40, 0); // not executable
        QCOMPARE(bytes.mid(int(firstFile) + 16, 8), QByteArray("tool.sh\0", 8));
        QCOMPARE(
            RunTool(QStringLiteral("cabextract"), {QStringLiteral("-t"), cabinet.CabinetPath()}).exitCode, 0);

        QVERIFY(cabinet.AddFile(source).has_value());
        QVERIFY(cabinet.Flush(progress).has_value());
    }

    void sizeLimit()
    {
        const QString big = m_dir.filePath(QStringLiteral("big/sparse.bin"));
        QVERIFY(WriteBytes(big, QByteArray()));
        QFile file(big);
        QVERIFY(file.resize(CCabinetBuilder::MaximumSize - 10));
        const QString small = m_dir.filePath(QStringLiteral("docs/readme.txt"));
        QVERIFY(WriteBytes(small, "first readme\n"));
        CCabinetBuilder cabinet;
        QVERIFY(!cabinet.Create(QStringLiteral("big"), m_dir.filePath(QStringLiteral("out-big"))));
        QVERIFY(!cabinet.AddFile(small));
        const std::optional<CPackError> error = cabinet.AddFile(big);
        QVERIFY(error.has_value());
        QCOMPARE(error->Kind(), CPackError::EKind::Source);

        CTestProgress progress;
        const CPackResult result = PackCab({small, big}, progress, m_dir.filePath(QStringLiteral("out-big")));
        QCOMPARE(result.Status(), CPackResult::EStatus::Failed);
        QCOMPARE(result.Message(), QStringLiteral("無法將檔案加到 .cab 壓縮檔！"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("out-big/readme.cab"))));
        QFile::remove(big);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestPackingCab)
#include "tst_packing_cab.moc"
