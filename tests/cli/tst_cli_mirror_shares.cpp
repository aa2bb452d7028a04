#include "cli/MirrorShares.h"

#include <QTest>

class TestMirrorShares : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sharesKeepEveryFileInOrder_data();
    void sharesKeepEveryFileInOrder();
    void evenFilesGetEvenShares();
    void aLargeFileWeighsMoreThanItsCount();
};

namespace
{
// Files named "0", "1", ... with the given sizes.
QList<CTransferEntry> Files(const QList<qint64>& sizes)
{
    QList<CTransferEntry> files;
    for (qsizetype i = 0; i < sizes.size(); ++i)
        files.append({QString::number(i), 0, sizes[i], {}});
    return files;
}

QStringList NamesOf(const QList<QList<CTransferEntry>>& shares)
{
    QStringList names;
    for (const QList<CTransferEntry>& share : shares)
    {
        for (const CTransferEntry& file : share)
            names.append(file.name);
    }
    return names;
}
} // namespace

void TestMirrorShares::sharesKeepEveryFileInOrder_data()
{
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected"); // how many shares come out

    QTest::newRow("no files") << QList<qint64>{} << 4 << 0;
    QTest::newRow("one file, four jobs") << QList<qint64>{10} << 4 << 1;
    QTest::newRow("fewer files than jobs") << QList<qint64>{5, 0, 7} << 8 << 3;
    QTest::newRow("as many files as jobs") << QList<qint64>{1, 1, 1, 1} << 4 << 4;
    QTest::newRow("one job") << QList<qint64>{1, 2, 3, 4, 5} << 1 << 1;
    QTest::newRow("no count") << QList<qint64>{1, 2} << 0 << 1;
    QTest::newRow("huge first file") << QList<qint64>{1LL << 40, 1, 1, 1, 1} << 3 << 3;
    QTest::newRow("huge last file") << QList<qint64>{1, 1, 1, 1, 1LL << 40} << 3 << 3;
    QTest::newRow("unknown sizes") << QList<qint64>{-1, -1, -1, -1, -1, -1} << 3 << 3;
}

void TestMirrorShares::sharesKeepEveryFileInOrder()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(int, count);
    QFETCH(int, expected);
    const QList<CTransferEntry> files = Files(sizes);
    const QList<QList<CTransferEntry>> shares = ShareOut(files, count);
    QCOMPARE(shares.size(), expected);
    for (const QList<CTransferEntry>& share : shares)
        QVERIFY(!share.isEmpty());
    QStringList all;
    for (const CTransferEntry& file : files)
        all.append(file.name);
    QCOMPARE(NamesOf(shares), all);
}

void TestMirrorShares::evenFilesGetEvenShares()
{
    // The benchmark's shape: a thousand equal files for four jobs.
    const QList<QList<CTransferEntry>> shares = ShareOut(Files(QList<qint64>(1000, 8192)), 4);
    QCOMPARE(shares.size(), 4);
    for (const QList<CTransferEntry>& share : shares)
        QCOMPARE(share.size(), 250);
}

void TestMirrorShares::aLargeFileWeighsMoreThanItsCount()
{
    // One 100 MiB file against many small ones: it makes a share of its own, the rest share the others.
    QList<qint64> sizes(40, 1024);
    sizes.insert(20, 100LL * 1024 * 1024);
    const QList<QList<CTransferEntry>> shares = ShareOut(Files(sizes), 2);
    QCOMPARE(shares.size(), 2);
    QCOMPARE(shares[0].last().name, QStringLiteral("20"));
    QCOMPARE(shares[1].size(), 20);
}

QTEST_APPLESS_MAIN(TestMirrorShares)
#include "tst_cli_mirror_shares.moc"
