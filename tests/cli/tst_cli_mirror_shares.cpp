#include "cli/MirrorShares.h"
#include "support/Rows.h"

#include <QTest>

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
} // namespace

class TestMirrorShares : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sharesKeepEveryFileInOrder_data()
    {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("shareSizes");
        Row("no files", QList<qint64>{}, 4, QList<int>{});
        Row("one file, four jobs", QList<qint64>{10}, 4, QList<int>{1});
        Row("fewer files than jobs", QList<qint64>{5, 0, 7}, 8, QList<int>{1, 1, 1});
        Row("as many files as jobs", QList<qint64>{1, 1, 1, 1}, 4, QList<int>{1, 1, 1, 1});
        Row("one job", QList<qint64>{1, 2, 3, 4, 5}, 1, QList<int>{5});
        Row("no count", QList<qint64>{1, 2}, 0, QList<int>{2});
        Row("huge first file", QList<qint64>{1LL << 40, 1, 1, 1, 1}, 3, QList<int>{1, 1, 3});
        Row("huge last file", QList<qint64>{1, 1, 1, 1, 1LL << 40}, 3, QList<int>{3, 1, 1});
        Row("unknown sizes", QList<qint64>(6, -1), 3, QList<int>{2, 2, 2});
        // The benchmark's shape: a thousand equal files for four jobs.
        Row("even files", QList<qint64>(1000, 8192), 4, QList<int>{250, 250, 250, 250});
        // One 100 MiB file amid small ones makes a share of its own end; the rest share the others.
        QList<qint64> large(40, 1024);
        large.insert(20, 100LL * 1024 * 1024);
        Row("a large file weighs more than its count", large, 2, QList<int>{21, 20});
    }

    void sharesKeepEveryFileInOrder()
    {
        QFETCH(QList<qint64>, sizes);
        QFETCH(int, count);
        QFETCH(QList<int>, shareSizes);
        const QList<CTransferEntry> files = Files(sizes);
        QList<int> sizesOut;
        QStringList names;
        for (const QList<CTransferEntry>& share : ShareOut(files, count))
        {
            sizesOut.append(int(share.size()));
            for (const CTransferEntry& file : share)
                names.append(file.name);
        }
        QCOMPARE(sizesOut, shareSizes);
        QStringList all;
        for (const CTransferEntry& file : files)
            all.append(file.name);
        QCOMPARE(names, all);
    }
};

QTEST_APPLESS_MAIN(TestMirrorShares)
#include "tst_cli_mirror_shares.moc"
