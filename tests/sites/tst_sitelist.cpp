#include "app/Profile.h"
#include "sites/FtpSite.h"
#include "sites/SiteList.h"
#include "xml/Big5.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Two folders, a nested one, twin site names and hand-edited values.
const char kSample[] =
    "<?xml version=\"1.0\"?>\r\n"
    "<SITES name=\"x\">\r\n"
    "\t<FOLDER name=\"Work\">\r\n"
    "\t\t<FOLDER name=\"Backups\">\r\n"
    "\t\t\t<SITE name=\"Nightly\"><ADDRESS>nightly.example</ADDRESS></SITE>\r\n"
    "\t\t</FOLDER>\r\n"
    "\t\t<SITE name=\"Twin\"><ADDRESS>first</ADDRESS></SITE>\r\n"
    "\t\t<SITE name=\"twin\"><ADDRESS>second</ADDRESS></SITE>\r\n"
    "\t</FOLDER>\r\n"
    "\t<FOLDER name=\"Backups\">\r\n"
    "\t\t<SITE name=\"Nightly\"><ADDRESS>root-backups</ADDRESS></SITE>\r\n"
    "\t</FOLDER>\r\n"
    "\t<SITE name=\"Nightly\"><ADDRESS>root</ADDRESS>"
    "<CLEARDATACHANNEL>true</CLEARDATACHANNEL><CLEARCOMMANDCHANNEL>&#32;1</CLEARCOMMANDCHANNEL>"
    "<PORT>  -12abc</PORT></SITE>\r\n"
    "\t<SITE name=\"Flags\"><CLEARDATACHANNEL> 1\t</CLEARDATACHANNEL><RETRIES>+7</RETRIES></SITE>\r\n"
    "</SITES>\r\n";

QByteArray CharacterReferences(const QByteArray& bytes)
{
    QByteArray out;
    for (unsigned char c : bytes)
        out += "&#" + QByteArray::number(c) + ';';
    return out;
}

} // namespace

class TestSiteList : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString SitesFile() const { return m_home.filePath(QStringLiteral("sites.xml")); }

    void WriteSites(const QByteArray& bytes)
    {
        QFile file(SitesFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static CFtpSite FullSite()
    {
        CFtpSite site;
        site.Name = QStringLiteral("夜間 & 備份");
        site.Address = QStringLiteral("ftp.例子.tw");
        site.Description = QStringLiteral("quotes \" and ' stay");
        site.LocalPath = QStringLiteral("/home/使用者/下載");
        site.RemotePath = QStringLiteral("/pub/a&b");
        site.Login = QStringLiteral("anonymous");
        site.Password = QStringLiteral("p&ss<wo>rd 密碼");
        site.Port = 2121;
        site.Retries = 5;
        site.RetryDelay = 42;
        site.TransferType = 3;
        site.DataMode = 2;
        site.ProtocolType = CFtpSite::ProtocolExplicitTls;
        site.ClearDataChannel = true;
        site.ClearCommandChannel = false;
        return site;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(SitesFile());
        QFile::remove(m_home.filePath(QStringLiteral("Zentrava Pro 3.1.ini")));
    }

    void missingFileGivesAnEmptyFavouritesRoot()
    {
        CSiteList sites;
        QCOMPARE(sites.FilePath(), SitesFile());
        QCOMPARE(sites.LoadSites().State(), CStoredFileLoad::EState::Missing);
        QCOMPARE(sites.Document().GetRoot()->Name(), QByteArray("SITES"));
        QCOMPARE(sites.Document().GetRoot()->GetAttribute("name"), QByteArray("我的最愛"));
        QVERIFY(sites.SitePaths().isEmpty());
    }

    void storedSitesReadBackWhole()
    {
        CSiteList sites;
        sites.LoadSites();
        const CFtpSite site = FullSite();
        QVERIFY(sites.StoreSite(site));
        CSiteList again;
        QVERIFY(again.LoadSites());
        CFtpSite loaded;
        QVERIFY(again.LoadSiteByPath(site.Name, loaded));
        QCOMPARE(loaded.Fields(), site.Fields());
        // The file holds all fourteen fields in the stored order.
        QFile file(SitesFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const char* order[] = {"ADDRESS",
                               "PORT",
                               "DATAMODE",
                               "TRANSFERTYPE",
                               "LOGIN",
                               "PASSWORD",
                               "REMOTEPATH",
                               "LOCALPATH",
                               "RETRIES",
                               "RETRYDELAY",
                               "DESCRIPTION",
                               "PROTOCOLTYPE",
                               "CLEARCOMMANDCHANNEL",
                               "CLEARDATACHANNEL"};
        qsizetype last = -1;
        for (const char* name : order)
        {
            const qsizetype at = bytes.indexOf(QByteArray("\t\t<") + name + '>');
            QVERIFY2(at > last, name);
            last = at;
        }
        QVERIFY(bytes.contains("<CLEARDATACHANNEL>1</CLEARDATACHANNEL>"));
        QVERIFY(
            bytes.contains("<PASSWORD>p&amp;ss&lt;wo&gt;rd &#229;&#175;&#134;&#231;&#162;&#188;</PASSWORD>"));
    }

    void damagedFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("truncated") << QByteArray(kSample).left(200);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("UTF-16") << QByteArray(
            QStringEncoder(QStringEncoder::Utf16LE)(QString::fromUtf8(kSample)));
        QTest::newRow("too deep") << "<SITES>" + QByteArray("<FOLDER>").repeated(600) + "</SITES>";
        QTest::newRow("another root") << QByteArray("<TRUSTED></TRUSTED>");
    }

    void damagedFileIsSetAside()
    {
        QFETCH(QByteArray, bytes);
        WriteSites(bytes);
        const CStoredFileLoad loaded = CSiteList().LoadSites();
        QCOMPARE(loaded.State(), CStoredFileLoad::EState::Damaged);
        QFile aside(loaded.AsidePath());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), bytes);
    }

    void storingUpdatesTheSameNamedSiteWhateverItsCase()
    {
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CFtpSite site;
        site.Name = QStringLiteral("FLAGS");
        site.Address = QStringLiteral("changed.example");
        QVERIFY(sites.StoreSite(site));
        QCOMPARE(sites.SitePaths().count(QStringLiteral("Flags")), 1);
        QVERIFY(!sites.SitePaths().contains(QStringLiteral("FLAGS")));
        CFtpSite loaded;
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("flags"), loaded));
        QCOMPARE(loaded.Address, QStringLiteral("changed.example"));
        QCOMPARE(loaded.Name, QStringLiteral("Flags"));
    }

    void storingIntoFolders()
    {
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CFtpSite site;
        site.Name = QStringLiteral("New");
        QVERIFY(sites.StoreSite(site, QStringLiteral("work\\BACKUPS")));
        QVERIFY(sites.SitePaths().contains(QStringLiteral("Work\\Backups\\New")));
        // An unknown folder path resolves to the root.
        site.Name = QStringLiteral("Lost");
        QVERIFY(sites.StoreSite(site, QStringLiteral("No\\Such")));
        QVERIFY(sites.SitePaths().contains(QStringLiteral("Lost")));
    }

    void sitePathLookups_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("address");
        QTest::newRow("nested") << "Work\\Backups\\Nightly"
                                << "nightly.example";
        QTest::newRow("any case") << "WORK\\backups\\NIGHTLY"
                                  << "nightly.example";
        QTest::newRow("bare name is below the root") << "Nightly"
                                                     << "root";
        QTest::newRow("first of twins") << "Work\\twin"
                                        << "first";
        QTest::newRow("A exists without B: site below the root") << "Work\\Nothing\\Nightly"
                                                                 << "root";
        QTest::newRow("no A: B below the root") << "Nowhere\\Backups\\Nightly"
                                                << "root-backups";
        QTest::newRow("no A, no B: below the root") << "Nowhere\\Neither\\Nightly"
                                                    << "root";
    }

    void sitePathLookups()
    {
        QFETCH(QString, path);
        QFETCH(QString, address);
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CFtpSite site;
        QVERIFY(sites.LoadSiteByPath(path, site));
        QCOMPARE(site.Address, address);
    }

    void unknownSiteLeavesTheRecordAlone()
    {
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CFtpSite site = FullSite();
        QVERIFY(!sites.LoadSiteByPath(QStringLiteral("Work\\Ghost"), site));
        QVERIFY(!sites.LoadSiteByPath(QString(), site));
        QCOMPARE(site.Fields(), FullSite().Fields());
    }

    void fillingRules()
    {
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CFtpSite site;
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("Nightly"), site));
        QCOMPARE(site.ClearDataChannel, false);    // "true" is not "1"
        QCOMPARE(site.ClearCommandChannel, false); // nor is an escaped " 1"
        QCOMPARE(site.Port, -12);                  // digits up to the first other byte
        QCOMPARE(site.ProtocolType, 0);            // missing element
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("Flags"), site));
        QCOMPARE(site.ClearDataChannel, true); // the reader trims white space around values
        QCOMPARE(site.Retries, 7);
        QCOMPARE(site.Port, 0); // a missing PORT reads as 0
        QCOMPARE(site.Address, QString());
    }

    void sitePathsInDocumentOrder()
    {
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        const QStringList expected{"Work\\Backups\\Nightly", "Work\\Twin", "Work\\twin",
                                   "Backups\\Nightly",       "Nightly",    "Flags"};
        QCOMPARE(sites.SitePaths(), expected);
    }

    void newSiteDefaults()
    {
        QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 9));
        QVERIFY(WriteProfileString("Settings", "DefaultLocalPath", QStringLiteral("/srv/下載")));
        WriteSites(kSample);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CXmlElement* work = sites.FindFolderByPath(nullptr, QStringLiteral("Work"));
        QVERIFY(work);
        CXmlElement* fresh = sites.AddNewSite(work);
        QCOMPARE(sites.PathOf(fresh), QStringLiteral("Work\\新站台"));
        QByteArrayList names;
        for (const auto& child : fresh->Children())
            names.append(child->Name());
        QCOMPARE(names, QByteArrayList({"ADDRESS", "PORT", "DATAMODE", "TRANSFERTYPE", "LOGIN", "PASSWORD",
                                        "REMOTEPATH", "LOCALPATH", "RETRIES", "RETRYDELAY", "DESCRIPTION"}));
        CFtpSite site;
        sites.FillSite(fresh, site);
        QCOMPARE(site.Retries, 9);
        QCOMPARE(site.RetryDelay, 10);
        QCOMPARE(site.Port, 21);
        QCOMPARE(site.LocalPath, QStringLiteral("/srv/下載"));
        QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolFtp));

        // With a site selected, its settings are copied into its folder, but not its protocol.
        CFtpSite tls = FullSite();
        tls.Name = QStringLiteral("Secure");
        QVERIFY(sites.StoreSite(tls, QStringLiteral("Work\\Backups")));
        CXmlElement* secure = sites.FindSiteInFolder(
            sites.FindFolderByPath(nullptr, QStringLiteral("Work\\Backups")), QStringLiteral("secure"));
        QVERIFY(secure);
        CXmlElement* copy = sites.AddNewSite(secure);
        QCOMPARE(sites.PathOf(copy), QStringLiteral("Work\\Backups\\新站台"));
        sites.FillSite(copy, site);
        QCOMPARE(site.Address, tls.Address);
        QCOMPARE(site.Password, tls.Password);
        QCOMPARE(site.Port, tls.Port);
        QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolFtp));
        QCOMPARE(site.ClearDataChannel, false);
    }

    void windowsBig5FileReadsAsUnicode()
    {
        const QByteArray folder = Big5("工作");
        const QByteArray name = Big5("夜間備份");
        QVERIFY(!folder.isEmpty() && !name.isEmpty());
        const QByteArray file = "<?xml version=\"1.0\"?>\r\n<SITES name=\"" + Big5("我的最愛") +
                                "\" >\r\n\t<FOLDER name=\"" + folder + "\" >\r\n\t\t<SITE name=\"" + name +
                                "\" >\r\n\t\t\t<DESCRIPTION>" + CharacterReferences(Big5("每日 備份")) +
                                "</DESCRIPTION>\r\n\t\t</SITE>\r\n\t</FOLDER>\r\n</SITES>\r\n";
        WriteSites(file);
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        QCOMPARE(sites.SitePaths(), QStringList{QStringLiteral("工作\\夜間備份")});
        CFtpSite site;
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("工作\\夜間備份"), site));
        QCOMPARE(site.Description, QStringLiteral("每日 備份"));
    }

    void namesTheFileCannotHoldAreNotStored()
    {
        CSiteList sites;
        sites.LoadSites();
        CFtpSite site;
        site.Name = QStringLiteral("a \"quoted\" <name>");
        QVERIFY(!sites.StoreSite(site));
        QVERIFY(sites.SitePaths().isEmpty());
        QVERIFY(!QFile::exists(SitesFile()));
    }

    void aFailedWriteIsReportedAndKeepsTheChange()
    {
        // A file where the folder should be: the write cannot succeed even for root.
        QFile blocker(m_home.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        CSiteList sites(m_home.filePath(QStringLiteral("blocker/sites.xml")));
        sites.LoadSites();
        CFtpSite site;
        site.Name = QStringLiteral("Kept");
        QVERIFY(!sites.StoreSite(site));
        QCOMPARE(sites.SitePaths(), QStringList{QStringLiteral("Kept")});
    }

    void namesThatCannotBeStored_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("CJK and spaces") << "夜間 備份" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("quote") << "say \"hi\"" << false;
        QTest::newRow("angle") << "<x>" << false;
    }

    void namesThatCannotBeStored()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(CSiteList::CheckName(name).isEmpty(), valid);
    }

    void recordArchiveForm()
    {
        CFtpSite site;
        site.Address = QStringLiteral("a");
        site.DataMode = 2;
        site.TransferType = 3;
        site.ClearCommandChannel = true;
        const QByteArray bytes = site.Serialize();
        // Address, Retries, Description, LocalPath, Login, Name, Password, Port, RemotePath, RetryDelay,
        // then DataMode ahead of TransferType, ProtocolType and the two flags.
        const QByteArray expected = QByteArray::fromHex("0161"
                                                        "01000000"
                                                        "0000000000"
                                                        "15000000"
                                                        "00"
                                                        "0f000000"
                                                        "02000000"
                                                        "03000000"
                                                        "00000000"
                                                        "00000000"
                                                        "01000000");
        QCOMPARE(bytes.toHex(), expected.toHex());
        CFtpSite back;
        QVERIFY(back.Deserialize(FullSite().Serialize()));
        QCOMPARE(back.Fields(), FullSite().Fields());
        for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        {
            CFtpSite untouched = FullSite();
            QVERIFY(!untouched.Deserialize(bytes.left(cut)));
            QCOMPARE(untouched.Fields(), FullSite().Fields());
        }
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
