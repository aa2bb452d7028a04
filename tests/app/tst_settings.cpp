#include "support/Rows.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>

namespace
{
QByteArray Blob(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(char(b));
    return out;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void init()
    {
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
    }

    void valuesRoundTripThroughTheFileUnderAnySpelling()
    {
        QCOMPARE(GetProfileInt("TransferManager", "SizeHorzCX", 321), 321);
        QVERIFY(!QFile::exists(CDataFolder::SettingsFile())); // reading creates nothing
        QVERIFY(WriteProfileInt("Settings", "TransferMax", 4));
        QVERIFY(WriteProfileString("settings", "lastsite", QStringLiteral("工作\\夜間 備份")));
        const QByteArray state = Blob({0, 1, 2, 0xFF, 0x80, 0});
        QVERIFY(WriteProfileBinary("Settings", "LocalBrowserState", state));
        QVERIFY(WriteProfileString("QuickConnect", "QuickConnect12", QStringLiteral("ftp.example.org")));
        QVERIFY(QFile::exists(m_home.filePath(QStringLiteral("Zentrava Pro 3.1.ini"))));
        QCOMPARE(GetProfileInt("settings", "TRANSFERMAX"), 4);
        QCOMPARE(GetProfileString("Settings", "LastSite"), QStringLiteral("工作\\夜間 備份"));
        QCOMPARE(GetProfileBinary("Settings", "LocalBrowserState"), state);
        QCOMPARE(GetProfileString("QuickConnect", "quickconnect12"), QStringLiteral("ftp.example.org"));
        QCOMPARE(GetProfileString("QuickConnect", "QuickConnect1"), QString());
    }

    void unknownOrMistypedKeysAreRefused()
    {
        QVERIFY(!WriteProfileInt("Settings", "NoSuchKey", 1));
        QVERIFY(!WriteProfileInt("NoSuchSection", "DataMode", 1));
        QVERIFY(!WriteProfileString("QuickConnect", "QuickConnectX", QStringLiteral("x")));
        QVERIFY(!WriteProfileString("Settings", "DataMode", QStringLiteral("2")));
        QCOMPARE(GetProfileInt("Settings", "DataMode"), 1);
        // A stored value of the wrong kind reads as the default.
        QVERIFY(WriteProfileString("Settings", "EmailAddress", QStringLiteral("x")));
        QFile ini(CDataFolder::SettingsFile());
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("\n[SmartOverwrite]\nTimeout=soon\n");
        ini.close();
        QCOMPARE(GetProfileInt("SmartOverwrite", "Timeout"), 30);
    }

    void stringListArchiveBytes_data()
    {
        Columns<QStringList, QByteArray>({"texts", "blob"});
        const QString long255(255, u'm');
        Row("empty", QStringList{""}, Blob({1, 0, 0}));
        Row("254 bytes: one-byte length", QStringList{QString(254, u'm')},
            Blob({1, 0, 254}) + QByteArray(254, 'm'));
        Row("255 bytes: 0xFF and 16 bits", QStringList{long255},
            Blob({1, 0, 0xFF, 0xFF, 0}) + long255.toUtf8());
        Row("4000 bytes", QStringList{QString(4000, u'm')},
            Blob({1, 0, 0xFF, 0xA0, 0x0F}) + QByteArray(4000, 'm'));
        Row("order and text", QStringList{"*.txt", "", "報告", "a|b"},
            Blob({4, 0, 5}) + "*.txt" + Blob({0, 6}) + QStringLiteral("報告").toUtf8() + Blob({3}) + "a|b");
    }

    void stringListArchiveBytes()
    {
        QFETCH(QStringList, texts);
        QFETCH(QByteArray, blob);
        QCOMPARE(CStringList(texts).Serialize(), blob);
        CStringList back;
        QVERIFY(back.Deserialize(blob));
        QCOMPARE(back.Items(), texts);
    }

    // One string of n bytes archives to 2 + 3 + n bytes once n >= 255.
    void objectsAtTheSizeLimit()
    {
        CStringList fits({QString(kProfileObjectLimit - 6, u'a')});
        QCOMPARE(fits.Serialize().size(), kProfileObjectLimit - 1);
        QVERIFY(SaveProfileObject("Filter", "Mask", fits));
        // One byte more is not written, and the stored list stays.
        CStringList tooLong({QString(kProfileObjectLimit - 5, u'b')});
        QVERIFY(!SaveProfileObject("Filter", "Mask", tooLong));
        CStringList loaded;
        QVERIFY(LoadProfileObject("Filter", "Mask", loaded));
        QCOMPARE(loaded.Items(), fits.Items());
    }

    void malformedBlobsChangeNothing_data()
    {
        Columns<QByteArray>({"blob"});
        Row("one byte", Blob({1}));
        Row("count without strings", Blob({2, 0, 1, 'a'}));
        Row("length past the end", Blob({1, 0, 9, 'a', 'b'}));
        Row("long length cut", Blob({1, 0, 0xFF, 0x10}));
        Row("wide-string marker", Blob({1, 0, 0xFF, 0xFE, 0xFF, 1, 'a'}));
        Row("huge count", Blob({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
        Row("trailing bytes", Blob({1, 0, 1, 'a', 'z'}));
        Row("stored blob at the limit",
            CStringList::SerializeStrings({QByteArray(kProfileObjectLimit - 5, 'c')}));
    }

    void malformedBlobsChangeNothing()
    {
        QFETCH(QByteArray, blob);
        QVERIFY(WriteProfileBinary("SmartKeepAlive", "Commands", blob));
        CStringList list({QStringLiteral("keep")});
        QVERIFY(!LoadProfileObject("SmartKeepAlive", "Commands", list));
        QCOMPARE(list.Items(), QStringList{QStringLiteral("keep")});
    }

    void truncatedBlobsChangeNothing()
    {
        const QByteArray good = CStringList::SerializeStrings({"one", QByteArray(300, 'x'), "three"});
        for (qsizetype cut = 0; cut < good.size(); ++cut)
        {
            QList<QByteArray> out{"untouched"};
            QVERIFY(!CStringList::DeserializeStrings(good.left(cut), out));
            QCOMPARE(out, QList<QByteArray>{"untouched"});
        }
    }

    void workersReadAndWriteAlongside()
    {
        QVERIFY(WriteProfileInt("Settings", "TransferMax", 7));
        std::atomic<int> wrongReads{0};
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < 4; ++t)
            threads
                .emplace_back(QThread::create(
                    [key = QStringLiteral("GoToFolder%1").arg(t), &wrongReads]
                    {
                        for (int i = 0; i < 40; ++i)
                        {
                            WriteProfileString("GoToFolder", key, QString::number(i));
                            if (GetProfileInt("Settings", "TransferMax") != 7 ||
                                GetProfileString("GoToFolder", key) != QString::number(i))
                                ++wrongReads;
                        }
                    }))
                ->start();
        for (auto& thread : threads)
            QVERIFY(thread->wait(60000));
        QCOMPARE(wrongReads.load(), 0);
        for (int t = 0; t < 4; ++t)
            QCOMPARE(GetProfileString("GoToFolder", QStringLiteral("GoToFolder%1").arg(t)),
                     QStringLiteral("39"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
