#include "session/RemoteListModel.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTest>

#include <ctime>
#include <limits>

using Model = CRemoteListModel;

namespace
{

const QDateTime kDay1(QDate(2023, 1, 1), QTime(10, 0), Qt::UTC);
const QDateTime kDay2(QDate(2023, 6, 1), QTime(10, 0), Qt::UTC);
const QDateTime kDay3(QDate(2024, 1, 1), QTime(10, 0), Qt::UTC);

CFtpListItem File(const QString& name, qint64 size = 0, const QDateTime& modified = {})
{
    CFtpListItem item;
    item.name = name;
    item.size = size;
    item.modified = modified;
    item.permissionBits = 0x644;
    return item;
}

CFtpListItem Folder(const QString& name, const QDateTime& modified = {})
{
    CFtpListItem item = File(name, 4096, modified);
    item.isFolder = true;
    item.permissionBits = 0x755;
    return item;
}

QStringList Names(const Model& model)
{
    QStringList names;
    for (const CFtpListItem& item : model.Items())
        names.append(item.name);
    return names;
}

QString Text(const Model& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

// A folder with two folders and three files whose names, sizes and dates each give a different order.
QList<CFtpListItem> MixedListing()
{
    return {File("c.txt", 10, kDay1), Folder("b_dir", kDay3), File("B.txt", 3000, kDay3),
            Folder("A_dir", kDay1), File("a.TXT", 20, kDay2)};
}

} // namespace

class TestSessionListModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Eight hours east of UTC, so that the date column shows a different day than the listing's time.
        qputenv("TZ", "UTC-8");
        tzset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void sizeTexts_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << "1 KB";
        QTest::newRow("one byte") << qint64(1) << "1 KB";
        QTest::newRow("exactly 1 KB") << qint64(1024) << "1 KB";
        QTest::newRow("one byte more") << qint64(1025) << "2 KB";
        QTest::newRow("999 KB") << qint64(999 * 1024) << "999 KB";
        QTest::newRow("1,000 KB") << qint64(999 * 1024 + 1) << "1,000 KB";
        QTest::newRow("1 MB") << qint64(1048576) << "1,024 KB";
        QTest::newRow("negative") << qint64(-5) << "1 KB";
        QTest::newRow("a terabyte") << qint64(1000000000000) << "976,562,500 KB";
        QTest::newRow("largest count") << std::numeric_limits<qint64>::max() << "9,007,199,254,740,992 KB";
    }

    void sizeTexts()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(Model::SizeText(bytes), text);
    }

    void typeTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QString>("text");
        QTest::newRow("folder") << "photos.png" << true << "Folder";
        QTest::newRow("unknown extension") << "data.qqzz" << false << "QQZZ File";
        QTest::newRow("upper-cased") << "Data.QqZz9" << false << "QQZZ9 File";
        QTest::newRow("no extension") << "zz9noext" << false << "File";
        QTest::newRow("trailing dot") << "zz9noext." << false << "File";
        QTest::newRow("last extension counts") << "a.qqyy.qqzz" << false << "QQZZ File";
        QTest::newRow("names mean nothing without an extension") << "Makefile" << false << "File";
    }

    void typeTexts()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QFETCH(QString, text);
        QCOMPARE(Model::TypeText(name, isFolder), text);
    }

    void knownTypesTakeTheMimeDatabaseName()
    {
        const QString text = Model::TypeText("picture.png", false);
        QVERIFY(!text.isEmpty());
        QVERIFY(text != "PNG File");
        QCOMPARE(text, QMimeDatabase().mimeTypeForName("image/png").comment());
        // The extension alone decides, whatever its case.
        QCOMPARE(Model::TypeText("archive.tar.gz", false), Model::TypeText("b.gz", false));
        QCOMPARE(Model::TypeText("PICTURE.PNG", false), text);
    }

    void dateTextIsLocalWithoutSeconds()
    {
        QCOMPARE(Model::DateText({}), QString());
        // 23:30:45 UTC is 07:30 of the next morning eight hours east.
        const QString text = Model::DateText(QDateTime(QDate(2024, 3, 5), QTime(23, 30, 45), Qt::UTC));
        QVERIFY2(text.startsWith("3/6/24 "), qPrintable(text));
        QVERIFY2(text.contains("7:30"), qPrintable(text));
        QVERIFY2(!text.contains(":45"), qPrintable(text));
    }

    void rowTextsAreMadeFromTheItem()
    {
        Model model;
        CFtpListItem file = File("report.qqzz", 1025, kDay1);
        file.owner = "alice";
        file.group = "staff";
        model.SetListing({file, Folder("docs")}, true);
        QCOMPARE(Names(model), QStringList({"..", "docs", "report.qqzz"}));

        const QStringList parent = {Text(model, 0, 0), Text(model, 0, 1), Text(model, 0, 2),
                                    Text(model, 0, 4)};
        QCOMPARE(parent, QStringList({"..", "", "", ""}));
        QCOMPARE(Text(model, 1, Model::SizeColumn), QString());
        QCOMPARE(Text(model, 1, Model::TypeColumn), "Folder");
        QCOMPARE(Text(model, 1, Model::AttributesColumn), "drwxr-xr-x");
        QCOMPARE(Text(model, 2, Model::NameColumn), "report.qqzz");
        QCOMPARE(Text(model, 2, Model::SizeColumn), "2 KB");
        QCOMPARE(Text(model, 2, Model::TypeColumn), "QQZZ File");
        QCOMPARE(Text(model, 2, Model::DateColumn), Model::DateText(kDay1));
        QCOMPARE(Text(model, 2, Model::AttributesColumn), "-rw-r--r--");
        QCOMPARE(Text(model, 2, Model::OwnerColumn), "alice");
        QCOMPARE(Text(model, 2, Model::GroupColumn), "staff");
        QCOMPARE(model.data(model.index(2, Model::SizeColumn), Qt::TextAlignmentRole).toInt() &
                     Qt::AlignRight,
                 int(Qt::AlignRight));
        QVERIFY(!model.data(model.index(3, 0)).isValid());
    }

    void headingsAndColumnWidths()
    {
        Model model;
        QStringList headings;
        for (int column = 0; column < model.columnCount(); ++column)
            headings.append(model.headerData(column, Qt::Horizontal).toString());
        QCOMPARE(headings, QStringList({"名稱", "大小", "類型", "修改日期", "屬性", "擁有人", "群組"}));

        QSignalSpy headerChanged(&model, &QAbstractItemModel::headerDataChanged);
        const auto widths = [&model]
        {
            QList<int> list;
            for (int column = 0; column < model.columnCount(); ++column)
                list.append(model.ColumnWidth(column));
            return list;
        };
        QCOMPARE(widths(), QList<int>({180, 100, 100, 100, 0, 0, 0}));
        model.SetUnixServer(true);
        QCOMPARE(widths(), QList<int>({180, 100, 100, 100, 100, 100, 100}));
        QCOMPARE(headerChanged.count(), 1);
    }

    void sortOrders_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("name ascending") << int(Model::NameColumn) << false
                                        << QStringList({"..", "A_dir", "b_dir", "a.TXT", "B.txt", "c.txt"});
        QTest::newRow("name descending") << int(Model::NameColumn) << true
                                         << QStringList({"..", "c.txt", "B.txt", "a.TXT", "b_dir", "A_dir"});
        QTest::newRow("size ascending") << int(Model::SizeColumn) << false
                                        << QStringList({"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        // Folders of equal size keep their name order, also when descending.
        QTest::newRow("size descending") << int(Model::SizeColumn) << true
                                         << QStringList({"..", "B.txt", "a.TXT", "c.txt", "A_dir", "b_dir"});
        QTest::newRow("date ascending") << int(Model::DateColumn) << false
                                        << QStringList({"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        QTest::newRow("date descending") << int(Model::DateColumn) << true
                                         << QStringList({"..", "B.txt", "a.TXT", "c.txt", "b_dir", "A_dir"});
    }

    void sortOrders()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QStringList, order);
        Model model;
        model.SetListing(MixedListing(), true);
        model.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QCOMPARE(Names(model), order);
    }

    void sortByTypeIgnoresCase()
    {
        Model model;
        model.SetListing({File("a.zzb"), File("b.ZZA"), File("c"), File("d.zzA"), Folder("e")}, false);
        model.sort(Model::TypeColumn, Qt::AscendingOrder);
        // "Folder" first as a folder; then "File", and "ZZA File" twice in listing order.
        QCOMPARE(Names(model), QStringList({"e", "c", "b.ZZA", "d.zzA", "a.zzb"}));
        model.sort(Model::TypeColumn, Qt::DescendingOrder);
        QCOMPARE(Names(model), QStringList({"a.zzb", "b.ZZA", "d.zzA", "c", "e"}));
    }

    void equalRowsKeepTheirOrder()
    {
        Model model;
        model.SetListing({File("x", 5), File("b", 7), File("a", 5), File("y", 7), Folder("f1"), Folder("f0")},
                         false);
        QCOMPARE(Names(model), QStringList({"f0", "f1", "a", "b", "x", "y"}));
        // Ties by size stay in name order, in both directions.
        model.sort(Model::SizeColumn, Qt::AscendingOrder);
        QCOMPARE(Names(model), QStringList({"f0", "f1", "a", "x", "b", "y"}));
        model.sort(Model::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(Names(model), QStringList({"b", "y", "a", "x", "f0", "f1"}));
        // Columns without an order of their own still sort stably.
        model.sort(Model::OwnerColumn, Qt::AscendingOrder);
        QCOMPARE(Names(model), QStringList({"f0", "f1", "b", "y", "a", "x"}));
    }

    void headerClicksToggleDirection()
    {
        Model model;
        model.SetListing(MixedListing(), true);
        model.SortByHeaderClick(Model::NameColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(Names(model).first(), "..");
        QCOMPARE(Names(model).at(1), "c.txt");
        model.SortByHeaderClick(Model::SizeColumn);
        QCOMPARE(model.SortColumn(), int(Model::SizeColumn));
        QCOMPARE(model.SortOrder(), Qt::AscendingOrder);
        model.SortByHeaderClick(Model::SizeColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        // A listing arrives sorted by the column and direction in force.
        model.SetListing(MixedListing(), true);
        QCOMPARE(Names(model), QStringList({"..", "B.txt", "a.TXT", "c.txt", "b_dir", "A_dir"}));
        // An unknown column (a stored value out of range) sorts by name.
        model.sort(42, Qt::AscendingOrder);
        QCOMPARE(model.SortColumn(), int(Model::NameColumn));
        QCOMPARE(Names(model).at(1), "A_dir");
    }

    void selectionFollowsItsRowThroughASort()
    {
        Model model;
        model.SetListing(MixedListing(), true);
        const QPersistentModelIndex big(model.index(model.FindRow("B.txt"), Model::SizeColumn));
        model.sort(Model::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(big.row(), 1);
        QCOMPARE(big.column(), int(Model::SizeColumn));
        QCOMPARE(model.Item(big.row()).name, "B.txt");
    }

    void aHundredThousandRowsLoadAndSortInOneNotification()
    {
        constexpr int kRows = 100000;
        QList<CFtpListItem> items;
        items.reserve(kRows);
        for (int i = 0; i < kRows; ++i)
        {
            CFtpListItem item =
                i % 10 == 0 ? Folder(QString("dir%1").arg(i)) : File(QString("f%1.dat").arg(i));
            item.size = (qint64(i) * 7919) % 100003;
            item.modified = kDay1.addSecs((qint64(i) * 104729) % 1000003);
            items.append(item);
        }
        Model model;
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);

        model.SetListing(items, true);
        QCOMPARE(model.rowCount(), kRows + 1);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(layouts.count(), 0);

        model.sort(Model::SizeColumn, Qt::DescendingOrder);
        model.sort(Model::TypeColumn, Qt::DescendingOrder);
        model.sort(Model::DateColumn, Qt::AscendingOrder);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(layouts.count(), 3);
        QCOMPARE(inserts.count(), 0);
        QCOMPARE(moves.count(), 0);

        const QList<CFtpListItem>& rows = model.Items();
        QVERIFY(rows.first().IsParent());
        for (qsizetype i = 2; i < rows.size(); ++i)
        {
            const CFtpListItem& a = rows[i - 1];
            const CFtpListItem& b = rows[i];
            QVERIFY(a.isFolder >= b.isFolder);
            if (a.isFolder == b.isFolder)
                QVERIFY2(a.modified <= b.modified, qPrintable(a.name + " / " + b.name));
        }
    }

    void uploadedFilesRefreshOrAddRows()
    {
        Model model;
        model.SetListing({File("Report.txt", 10, kDay1), File("other", 1, kDay1)}, true);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

        const int row = model.AddOrRefreshUploaded("REPORT.TXT", 5000, kDay2, false);
        QCOMPARE(model.Item(row).name, "Report.txt");
        QCOMPARE(model.Item(row).size, qint64(5000));
        QCOMPARE(model.Item(row).modified, kDay2);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(inserted.count(), 0);

        const QDateTime before = QDateTime::currentDateTimeUtc();
        const int added = model.AddOrRefreshUploaded("new.bin", 77, QDateTime(), false);
        const int folder = model.AddOrRefreshUploaded("newdir", 0, kDay3, true);
        const QDateTime after = QDateTime::currentDateTimeUtc();
        QCOMPARE(added, 3);
        QCOMPARE(folder, 4);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(model.Item(added).permissionBits, 0x700);
        QCOMPARE(model.Item(added).size, qint64(77));
        QVERIFY(model.Item(added).modified >= before && model.Item(added).modified <= after);
        QVERIFY(model.Item(folder).isFolder);
        QCOMPARE(Text(model, folder, Model::AttributesColumn), "drwx------");
        QVERIFY(model.Item(folder).modified >= before && model.Item(folder).modified <= after);
    }

    void rowEditsReachTheView()
    {
        Model model;
        model.SetListing({File("a.qqzz"), File("A.QQZZ"), File("b")}, true);
        QCOMPARE(model.FindRow("a.QQZZ"), 2);
        QCOMPARE(model.FindRow(".."), -1);
        QCOMPARE(model.FindRow("missing"), -1);

        model.sort(Model::TypeColumn, Qt::AscendingOrder);
        const int row = model.FindRow("b");
        model.RenameRow(row, "b.qqyy");
        QCOMPARE(Text(model, row, Model::TypeColumn), "QQYY File");
        model.SetPermissionBits(row, 0x751);
        QCOMPARE(Text(model, row, Model::AttributesColumn), "-rwxr-x--x");

        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.RemoveRow(row);
        model.RemoveRow(99);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(model.FindRow("b.qqyy"), -1);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void relayedPathsNameTheirRow_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name"); // empty: no row
        QTest::addColumn<bool>("viaSubFolder");
        QTest::newRow("file in the folder") << "/pub"
                                            << "/pub/a.txt"
                                            << "a.txt" << false;
        QTest::newRow("folder with slash") << "/pub/"
                                           << "/pub/a.txt"
                                           << "a.txt" << false;
        QTest::newRow("case-insensitive") << "/Pub"
                                          << "/pub/Sub/deep/x"
                                          << "Sub" << true;
        QTest::newRow("root") << "/"
                              << "/x.bin"
                              << "x.bin" << false;
        QTest::newRow("doubled slash") << "/pub"
                                       << "/pub//x"
                                       << "x" << false;
        QTest::newRow("the folder itself") << "/pub"
                                           << "/pub"
                                           << "" << false;
        QTest::newRow("another folder") << "/pub"
                                        << "/incoming/x"
                                        << "" << false;
        QTest::newRow("a longer name") << "/pub"
                                       << "/public/x"
                                       << "" << false;
    }

    void relayedPathsNameTheirRow()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, viaSubFolder);
        const std::optional<Model::RelayedRow> row = Model::RowForRelayedPath(folder, path);
        QCOMPARE(row.has_value(), !name.isEmpty());
        if (row)
        {
            QCOMPARE(row->name, name);
            QCOMPARE(row->viaSubFolder, viaSubFolder);
        }
    }
};

QTEST_GUILESS_MAIN(TestSessionListModel)
#include "tst_session_listmodel.moc"
