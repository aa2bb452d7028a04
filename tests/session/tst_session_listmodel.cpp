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
// Added to a column in a list of sorts: that sort goes descending.
constexpr int kDescending = 100;

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

// Two folders and three files whose names, sizes and dates each give a different order.
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
        QTest::newRow("negative") << qint64(-5) << "1 KB";
        QTest::newRow("a terabyte") << qint64(1000000000000) << "976,562,500 KB";
        QTest::newRow("largest count") << std::numeric_limits<qint64>::max() << "9,007,199,254,740,992 KB";
    }

    void sizeTexts()
    {
        QFETCH(qint64, bytes);
        QTEST(Model::SizeText(bytes), "text");
    }

    void typeTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QString>("text");
        const QString png = QMimeDatabase().mimeTypeForName("image/png").comment();
        const QString gzip = QMimeDatabase().mimeTypeForName("application/gzip").comment();
        QTest::newRow("folder") << "photos.png" << true << "Folder";
        QTest::newRow("unknown extension") << "data.qqzz" << false << "QQZZ File";
        QTest::newRow("upper-cased") << "Data.QqZz9" << false << "QQZZ9 File";
        QTest::newRow("no extension") << "zz9noext" << false << "File";
        QTest::newRow("trailing dot") << "zz9noext." << false << "File";
        QTest::newRow("last extension counts") << "a.qqyy.qqzz" << false << "QQZZ File";
        QTest::newRow("names mean nothing without an extension") << "Makefile" << false << "File";
        // Known extensions take the MIME database's name, whatever their case.
        QTest::newRow("known") << "picture.png" << false << png;
        QTest::newRow("known upper-cased") << "PICTURE.PNG" << false << png;
        QTest::newRow("known, last extension") << "archive.tar.gz" << false << gzip;
    }

    void typeTexts()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QTEST(Model::TypeText(name, isFolder), "text");
    }

    // The date is local (eight hours east) and without seconds: 23:30:45 UTC is 07:30 of the next morning.
    void rowTextsAreMadeFromTheItem()
    {
        Model model;
        CFtpListItem file =
            File("report.qqzz", 1025, QDateTime(QDate(2024, 3, 5), QTime(23, 30, 45), Qt::UTC));
        file.owner = "alice";
        file.group = "staff";
        model.SetListing({file, Folder("docs")}, true);
        QStringList texts;
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                texts << Text(model, row, column);
        const QString date = texts.takeAt(17);
        QVERIFY2(date.startsWith("3/6/24 ") && date.contains("7:30") && !date.contains(":45"),
                 qPrintable(date));
        QCOMPARE(texts,
                 QStringList({"..",          "",     "",          "",           "",           "",     "",
                              "docs",        "",     "Folder",    "",           "drwxr-xr-x", "",     "",
                              "report.qqzz", "2 KB", "QQZZ File", "-rw-r--r--", "alice",      "staff"}));
        QCOMPARE(model.data(model.index(2, Model::SizeColumn), Qt::TextAlignmentRole).toInt() &
                     Qt::AlignRight,
                 int(Qt::AlignRight));
        QVERIFY(!model.data(model.index(3, 0)).isValid());
    }

    // Owner, group and attributes show for Unix servers only.
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
        QTest::addColumn<QList<CFtpListItem>>("listing");
        QTest::addColumn<bool>("parentRow");
        QTest::addColumn<QList<int>>("sorts");
        QTest::addColumn<QStringList>("order");
        const auto mixed = [](const char* name, int sort, const QStringList& order)
        { QTest::newRow(name) << MixedListing() << true << QList<int>{sort} << order; };
        mixed("name ascending", Model::NameColumn, {"..", "A_dir", "b_dir", "a.TXT", "B.txt", "c.txt"});
        mixed("name descending", Model::NameColumn + kDescending,
              {"..", "c.txt", "B.txt", "a.TXT", "b_dir", "A_dir"});
        mixed("size ascending", Model::SizeColumn, {"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        // Folders of equal size keep their name order, also when descending.
        mixed("size descending", Model::SizeColumn + kDescending,
              {"..", "B.txt", "a.TXT", "c.txt", "A_dir", "b_dir"});
        mixed("date ascending", Model::DateColumn, {"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        mixed("date descending", Model::DateColumn + kDescending,
              {"..", "B.txt", "a.TXT", "c.txt", "b_dir", "A_dir"});

        // "Folder" first as a folder; then "File", and "ZZA File" twice in listing order, whatever the case.
        const QList<CFtpListItem> types{File("a.zzb"), File("b.ZZA"), File("c"), File("d.zzA"), Folder("e")};
        QTest::newRow("type ascending") << types << false << QList<int>{Model::TypeColumn}
                                        << QStringList({"e", "c", "b.ZZA", "d.zzA", "a.zzb"});
        QTest::newRow("type descending") << types << false << QList<int>{Model::TypeColumn + kDescending}
                                         << QStringList({"a.zzb", "b.ZZA", "d.zzA", "c", "e"});

        // Ties stay in the order they had, in both directions and for columns without an order of their own.
        const QList<CFtpListItem> ties{File("x", 5), File("b", 7), File("a", 5),
                                       File("y", 7), Folder("f1"), Folder("f0")};
        QTest::newRow("as listed") << ties << false << QList<int>{}
                                   << QStringList({"f0", "f1", "a", "b", "x", "y"});
        QTest::newRow("ties by size") << ties << false << QList<int>{Model::SizeColumn}
                                      << QStringList({"f0", "f1", "a", "x", "b", "y"});
        QTest::newRow("ties by size descending")
            << ties << false << QList<int>{Model::SizeColumn, Model::SizeColumn + kDescending}
            << QStringList({"b", "y", "a", "x", "f0", "f1"});
        QTest::newRow("owner after size")
            << ties << false << QList<int>{Model::SizeColumn + kDescending, Model::OwnerColumn}
            << QStringList({"f0", "f1", "b", "y", "a", "x"});
    }

    void sortOrders()
    {
        QFETCH(QList<CFtpListItem>, listing);
        QFETCH(bool, parentRow);
        QFETCH(QList<int>, sorts);
        Model model;
        model.SetListing(listing, parentRow);
        for (int sort : sorts)
            model.sort(sort % kDescending, sort >= kDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QTEST(Names(model), "order");
    }

    void headerClicksToggleDirection()
    {
        Model model;
        model.SetListing(MixedListing(), true);
        model.SortByHeaderClick(Model::NameColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(Names(model).mid(0, 2), QStringList({"..", "c.txt"}));
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
        QList<CFtpListItem> items;
        for (int i = 0; i < 100000; ++i)
        {
            items << (i % 10 == 0 ? Folder(QString("dir%1").arg(i)) : File(QString("f%1.dat").arg(i)));
            items.last().size = (qint64(i) * 7919) % 100003;
            items.last().modified = kDay1.addSecs((qint64(i) * 104729) % 1000003);
        }
        Model model;
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
        model.SetListing(items, true);
        QCOMPARE(model.rowCount(), 100001);
        QCOMPARE(layouts.count(), 0);
        model.sort(Model::SizeColumn, Qt::DescendingOrder);
        model.sort(Model::TypeColumn, Qt::DescendingOrder);
        model.sort(Model::DateColumn, Qt::AscendingOrder);
        QCOMPARE(QList<qsizetype>({resets.count(), layouts.count(), inserts.count(), moves.count()}),
                 QList<qsizetype>({1, 3, 0, 0}));
        const QList<CFtpListItem>& rows = model.Items();
        QVERIFY(rows.first().IsParent());
        const auto order = [](const CFtpListItem& a, const CFtpListItem& b)
        { return a.isFolder != b.isFolder ? a.isFolder : a.modified < b.modified; };
        QVERIFY(std::is_sorted(rows.begin() + 1, rows.end(), order));
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
        QCOMPARE(QList<int>({added, folder, int(inserted.count())}), QList<int>({3, 4, 2}));
        QCOMPARE(model.Item(added).permissionBits, 0x700);
        QCOMPARE(model.Item(added).size, qint64(77));
        QVERIFY(model.Item(folder).isFolder);
        QCOMPARE(Text(model, folder, Model::AttributesColumn), "drwx------");
        for (int row : {added, folder})
            QVERIFY(model.Item(row).modified >= before && model.Item(row).modified <= after);
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
        const auto row =
            [](const char* test, const char* folder, const char* path, const char* name, bool sub)
        { QTest::newRow(test) << QString(folder) << QString(path) << QString(name) << sub; };
        row("file in the folder", "/pub", "/pub/a.txt", "a.txt", false);
        row("folder with slash", "/pub/", "/pub/a.txt", "a.txt", false);
        row("case-insensitive", "/Pub", "/pub/Sub/deep/x", "Sub", true);
        row("root", "/", "/x.bin", "x.bin", false);
        row("doubled slash", "/pub", "/pub//x", "x", false);
        row("the folder itself", "/pub", "/pub", "", false);
        row("another folder", "/pub", "/incoming/x", "", false);
        row("a longer name", "/pub", "/public/x", "", false);
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
