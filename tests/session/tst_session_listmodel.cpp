#include "support/Rows.h"

#include "session/RemoteListModel.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QPersistentModelIndex>
#include <QSignalSpy>

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

    // Sizes in whole kilobytes, rounded up; types by the last extension, known ones by the MIME database's
    // name whatever their case.
    void sizeAndTypeTexts_data()
    {
        Columns<qint64, QString, QString, bool, QString>(
            {"bytes", "sizeText", "name", "isFolder", "typeText"});
        const QMimeDatabase mime;
        Row("empty, folder", qint64(0), "1 KB", "photos.png", true, "Folder");
        Row("1 KB, unknown extension", qint64(1024), "1 KB", "Data.QqZz9", false, "QQZZ9 File");
        Row("one byte more, trailing dot", qint64(1025), "2 KB", "zz9noext.", false, "File");
        Row("1,000 KB, last extension", qint64(999 * 1024 + 1), "1,000 KB", "a.png.qqzz", false, "QQZZ File");
        Row("negative, known upper-cased", qint64(-5), "1 KB", "PICTURE.PNG", false,
            mime.mimeTypeForName("image/png").comment());
        Row("largest count, known last extension", std::numeric_limits<qint64>::max(),
            "9,007,199,254,740,992 KB", "archive.tar.gz", false,
            mime.mimeTypeForName("application/gzip").comment());
    }

    void sizeAndTypeTexts()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QFETCH(qint64, bytes);
        QTEST(Model::SizeText(bytes), "sizeText");
        QTEST(Model::TypeText(name, isFolder), "typeText");
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
        QCOMPARE(model.headerData(Model::SizeColumn, Qt::Horizontal).toString(), "大小");
        QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
        QSignalSpy headerChanged(&model, &QAbstractItemModel::headerDataChanged);
        QList<int> widths;
        for (int column = 0; column <= model.columnCount(); ++column)
            widths.append(model.ColumnWidth(column));
        model.SetUnixServer(true);
        for (int column = 0; column <= model.columnCount(); ++column)
            widths.append(model.ColumnWidth(column));
        QCOMPARE(widths, QList<int>({180, 100, 100, 100, 0, 0, 0, 0, 180, 100, 100, 100, 100, 100, 100, 0}));
        QCOMPARE(headerChanged.count(), 1);
    }

    void sortOrders_data()
    {
        Columns<QList<CFtpListItem>, bool, QList<int>, QStringList>(
            {"listing", "parentRow", "sorts", "order"});
        const auto mixed = [](const char* name, int sort, const QStringList& order)
        { Row(name, MixedListing(), true, QList{sort}, order); };
        mixed("name", Model::NameColumn, {"..", "A_dir", "b_dir", "a.TXT", "B.txt", "c.txt"});
        mixed("size", Model::SizeColumn, {"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        // Folders of equal size keep their name order, also when descending.
        mixed("size descending", Model::SizeColumn + kDescending,
              {"..", "B.txt", "a.TXT", "c.txt", "A_dir", "b_dir"});
        mixed("date", Model::DateColumn, {"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        // "Folder" first as a folder; then "File", and "ZZA File" twice in listing order, whatever the case.
        const QList<CFtpListItem> types{File("a.zzb"), File("b.ZZA"), File("c"), File("d.zzA"), Folder("e")};
        Row("type", types, false, QList{int(Model::TypeColumn)},
            QStringList{"e", "c", "b.ZZA", "d.zzA", "a.zzb"});
        Row("type descending", types, false, QList{Model::TypeColumn + kDescending},
            QStringList{"a.zzb", "b.ZZA", "d.zzA", "c", "e"});
        // Ties stay in the order they had, in both directions and for columns without an order of their own.
        const QList<CFtpListItem> ties{File("x", 5), File("b", 7), File("a", 5),
                                       File("y", 7), Folder("f1"), Folder("f0")};
        Row("as listed", ties, false, QList<int>{}, QStringList{"f0", "f1", "a", "b", "x", "y"});
        Row("ties by size", ties, false, QList{int(Model::SizeColumn)},
            QStringList{"f0", "f1", "a", "x", "b", "y"});
        Row("ties by size descending", ties, false,
            QList<int>{Model::SizeColumn, Model::SizeColumn + kDescending},
            QStringList{"b", "y", "a", "x", "f0", "f1"});
        Row("owner after size", ties, false, QList{Model::SizeColumn + kDescending, int(Model::OwnerColumn)},
            QStringList{"f0", "f1", "b", "y", "a", "x"});
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

    // A selected row stays selected through a sort.
    void headerClicksToggleDirection()
    {
        Model model;
        model.SetListing(MixedListing(), true);
        const QPersistentModelIndex big(model.index(model.FindRow("B.txt"), Model::SizeColumn));
        model.SortByHeaderClick(Model::NameColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(Names(model).mid(0, 2), QStringList({"..", "c.txt"}));
        model.SortByHeaderClick(Model::SizeColumn);
        QCOMPARE(model.SortColumn(), int(Model::SizeColumn));
        QCOMPARE(model.SortOrder(), Qt::AscendingOrder);
        model.SortByHeaderClick(Model::SizeColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(QList({big.row(), big.column()}), QList({1, int(Model::SizeColumn)}));
        // A listing arrives sorted by the column and direction in force.
        model.SetListing(MixedListing(), true);
        QCOMPARE(Names(model), QStringList({"..", "B.txt", "a.TXT", "c.txt", "b_dir", "A_dir"}));
        // An unknown column (a stored value out of range) sorts by name.
        model.sort(42, Qt::AscendingOrder);
        QCOMPARE(model.SortColumn(), int(Model::NameColumn));
        QCOMPARE(Names(model).at(1), "A_dir");
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
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset),
            layouts(&model, &QAbstractItemModel::layoutChanged),
            inserts(&model, &QAbstractItemModel::rowsInserted), moves(&model, &QAbstractItemModel::rowsMoved);
        model.SetListing(items, true);
        QCOMPARE(model.rowCount(), 100001);
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
        const CFtpListItem& refreshed = model.Item(row);
        QCOMPARE(QVariantList({refreshed.name, refreshed.size, refreshed.modified, model.rowCount()}),
                 QVariantList({"Report.txt", 5000, kDay2, 3}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(1).toModelIndex(), model.index(row, Model::ColumnCount - 1));
        QCOMPARE(inserted.count(), 0);

        const QDateTime before = QDateTime::currentDateTimeUtc();
        const int added = model.AddOrRefreshUploaded("new.bin", 77, QDateTime(), false);
        const int folder = model.AddOrRefreshUploaded("newdir", 0, kDay3, true);
        const QDateTime after = QDateTime::currentDateTimeUtc();
        QCOMPARE(QList<int>({added, folder, int(inserted.count())}), QList<int>({3, 4, 2}));
        QCOMPARE(QVariantList(
                     {model.Item(added).permissionBits, model.Item(added).size, model.Item(folder).isFolder}),
                 QVariantList({0x700, 77, true}));
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
        model.SetListing({File("only")}, false);
        QCOMPARE(model.FindRow("ONLY"), 0);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void relayedPathsNameTheirRow_data()
    {
        Columns<QString, QString, QString, bool>(
            {"folder", "path", "name", "viaSubFolder"}); // name empty: no row
        Row("file in the folder", "/pub", "/pub/a.txt", "a.txt", false);
        Row("folder with slash", "/pub/", "/pub/a.txt", "a.txt", false);
        Row("case-insensitive", "/Pub", "/pub/Sub/deep/x", "Sub", true);
        Row("root", "/", "/x.bin", "x.bin", false);
        Row("doubled slash", "/pub", "/pub//x", "x", false);
        Row("the folder itself", "/pub", "/pub", "", false);
        Row("another folder", "/pub", "/incoming/x", "", false);
        Row("a longer name", "/pub", "/public/x", "", false);
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
