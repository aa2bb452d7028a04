#include "app/Profile.h"
#include "sites/FtpSite.h"
#include "sites/PasswordCipher.h"
#include "sites/PasswordProtection.h"
#include "sites/SiteList.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Folders nested and side by side, twin site names, an empty folder and hand-edited values.
const QByteArray kSample =
    "<?xml version=\"1.0\"?>\r\n"
    "<SITES name=\"x\">\r\n"
    "\t<FOLDER name=\"Work\">\r\n"
    "\t\t<FOLDER name=\"Backups\">\r\n"
    "\t\t\t<SITE name=\"Nightly\"><ADDRESS>nightly.example</ADDRESS><PASSWORD>||QUJD||</PASSWORD></SITE>\r\n"
    "\t\t</FOLDER>\r\n"
    "\t\t<SITE name=\"Twin\" extra=\"kept\"><ADDRESS>a&amp;b</ADDRESS><PORT>2121</PORT></SITE>\r\n"
    "\t\t<SITE name=\"twin\"><ADDRESS>second</ADDRESS></SITE>\r\n"
    "\t</FOLDER>\r\n"
    "\t<FOLDER name=\"Backups\">\r\n"
    "\t\t<SITE name=\"Nightly\"><ADDRESS>root-backups</ADDRESS></SITE>\r\n"
    "\t</FOLDER>\r\n"
    "\t<SITE name=\"Nightly\"><ADDRESS>root</ADDRESS>"
    "<CLEARDATACHANNEL>true</CLEARDATACHANNEL><CLEARCOMMANDCHANNEL>&#32;1</CLEARCOMMANDCHANNEL>"
    "<PORT>  -12abc</PORT></SITE>\r\n"
    "\t<SITE name=\"Flags\"><CLEARDATACHANNEL> 1\t</CLEARDATACHANNEL><RETRIES>+7</RETRIES></SITE>\r\n"
    "\t<FOLDER name=\"Home\"></FOLDER>\r\n"
    "</SITES>\r\n";

// "密碼" as the file stores it: one character reference per UTF-8 byte.
const QByteArray kSecretReferences = "&#229;&#175;&#134;&#231;&#162;&#188;";

CFtpSite FullSite()
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
    return site;
}

CFtpSite NamedSite(const QString& name, const QString& password = {})
{
    CFtpSite site;
    site.Name = name;
    site.Password = password;
    return site;
}

QByteArrayList StoredPasswords(const QByteArray& file)
{
    static const QRegularExpression pattern(QStringLiteral("<PASSWORD>(.*?)</PASSWORD>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QByteArrayList found;
    for (const auto& match : pattern.globalMatch(QString::fromLatin1(file)))
        found.append(match.captured(1).toLatin1());
    return found;
}

QByteArray Encrypted(const QByteArray& key, const QByteArray& plain)
{
    CPasswordCipher cipher;
    cipher.SetKey(key);
    return '|' + cipher.Encrypt(plain) + '|';
}

} // namespace

class TestSiteList : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<CSiteList> m_sites;

    QString SitesFile() const { return m_home.filePath(QStringLiteral("sites.xml")); }
    QByteArray FileBytes() const { return TestFiles::ReadFile(SitesFile()); }

    // A fresh list loaded from the data folder, after writing `file` there unless it is null.
    CSiteList& Load(const QByteArray& file = kSample)
    {
        if (!file.isNull())
            TestFiles::WriteFile(SitesFile(), file);
        m_sites = std::make_unique<CSiteList>();
        m_sites->LoadSites();
        return *m_sites;
    }

    CXmlElement* Folder(const QString& path) { return m_sites->FindFolderByPath(nullptr, path); }

    QString PasswordOf(const QString& path)
    {
        CFtpSite site;
        return m_sites->LoadSiteByPath(path, site) ? site.Password : QStringLiteral("<no site>");
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
        QVERIFY(Load({}).StoreSite(FullSite()));
        CFtpSite loaded;
        QVERIFY(Load({}).LoadSiteByPath(FullSite().Name, loaded));
        QCOMPARE(loaded.Fields(), FullSite().Fields());
        // The file holds all fourteen fields in the stored order.
        const QByteArray bytes = FileBytes();
        qsizetype last = -1;
        for (const char* name : {"ADDRESS", "PORT", "DATAMODE", "TRANSFERTYPE", "LOGIN", "PASSWORD",
                                 "REMOTEPATH", "LOCALPATH", "RETRIES", "RETRYDELAY", "DESCRIPTION",
                                 "PROTOCOLTYPE", "CLEARCOMMANDCHANNEL", "CLEARDATACHANNEL"})
        {
            const qsizetype at = bytes.indexOf(QByteArray("\t\t<") + name + '>');
            QVERIFY2(at > last, name);
            last = at;
        }
        QVERIFY(bytes.contains("<CLEARDATACHANNEL>1</CLEARDATACHANNEL>"));
        QVERIFY(bytes.contains("<PASSWORD>p&amp;ss&lt;wo&gt;rd " + kSecretReferences + "</PASSWORD>"));
    }

    void damagedFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("truncated") << kSample.left(200);
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("UTF-16") << QByteArray(
            QStringEncoder(QStringEncoder::Utf16LE)(QString::fromUtf8(kSample)));
        QTest::newRow("too deep") << "<SITES>" + QByteArray("<FOLDER>").repeated(600) + "</SITES>";
        QTest::newRow("another root") << QByteArray("<TRUSTED></TRUSTED>");
    }

    void damagedFileIsSetAside()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(TestFiles::WriteFile(SitesFile(), bytes));
        const CStoredFileLoad loaded = CSiteList().LoadSites();
        QCOMPARE(loaded.State(), CStoredFileLoad::EState::Damaged);
        QCOMPARE(TestFiles::ReadFile(loaded.AsidePath()), bytes);
    }

    // The same-named site is updated whatever its case; an unknown folder path resolves to the root.
    void storingKeepsDocumentOrder()
    {
        CSiteList& sites = Load();
        CFtpSite site = NamedSite(QStringLiteral("FLAGS"));
        site.Address = QStringLiteral("changed.example");
        QVERIFY(sites.StoreSite(site));
        QVERIFY(sites.StoreSite(NamedSite(QStringLiteral("New")), QStringLiteral("work\\BACKUPS")));
        QVERIFY(sites.StoreSite(NamedSite(QStringLiteral("Lost")), QStringLiteral("No\\Such")));
        const QStringList expected{"Work\\Backups\\Nightly",
                                   "Work\\Backups\\New",
                                   "Work\\Twin",
                                   "Work\\twin",
                                   "Backups\\Nightly",
                                   "Nightly",
                                   "Flags",
                                   "Lost"};
        QCOMPARE(Load({}).SitePaths(), expected);
        CFtpSite loaded;
        QVERIFY(m_sites->LoadSiteByPath(QStringLiteral("flags"), loaded));
        QCOMPARE(loaded.Address, QStringLiteral("changed.example"));
        QCOMPARE(loaded.Name, QStringLiteral("Flags"));
    }

    void sitePathLookups_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("address");
        QTest::newRow("nested") << "Work\\Backups\\Nightly" << true << "nightly.example";
        QTest::newRow("any case") << "WORK\\backups\\NIGHTLY" << true << "nightly.example";
        QTest::newRow("bare name is below the root") << "Nightly" << true << "root";
        QTest::newRow("first of twins") << "Work\\twin" << true << "a&b";
        QTest::newRow("A exists without B: site below the root")
            << "Work\\Nothing\\Nightly" << true << "root";
        QTest::newRow("no A: B below the root") << "Nowhere\\Backups\\Nightly" << true << "root-backups";
        QTest::newRow("no A, no B: below the root") << "Nowhere\\Neither\\Nightly" << true << "root";
        QTest::newRow("unknown site") << "Work\\Ghost" << false << "";
        QTest::newRow("empty path") << "" << false << "";
    }

    void sitePathLookups()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QFETCH(QString, address);
        CFtpSite site = FullSite();
        QCOMPARE(Load().LoadSiteByPath(path, site), found);
        if (found)
            QCOMPARE(site.Address, address);
        else
            QCOMPARE(site.Fields(), FullSite().Fields());
    }

    void fillingRules()
    {
        CSiteList& sites = Load();
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
        // A framed password with no master to decrypt it keeps the text between the bars.
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("Work\\Backups\\Nightly"), site));
        QCOMPARE(site.Password, QStringLiteral("QUJD"));
    }

    void newSiteDefaults()
    {
        QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 9));
        QVERIFY(WriteProfileString("Settings", "DefaultLocalPath", QStringLiteral("/srv/下載")));
        CSiteList& sites = Load();
        CXmlElement* fresh = sites.AddNewSite(Folder(QStringLiteral("Work")));
        QCOMPARE(sites.PathOf(fresh), QStringLiteral("Work\\新站台"));
        CFtpSite site;
        sites.FillSite(fresh, site);
        QCOMPARE(site.Retries, 9);
        QCOMPARE(site.LocalPath, QStringLiteral("/srv/下載"));

        // With a site selected, its settings are copied into its folder, but not its protocol.
        QVERIFY(sites.StoreSite(FullSite(), QStringLiteral("Work\\Backups")));
        CXmlElement* copy =
            sites.AddNewSite(sites.FindSiteInFolder(Folder("Work\\Backups"), FullSite().Name));
        QCOMPARE(sites.PathOf(copy), QStringLiteral("Work\\Backups\\新站台"));
        sites.FillSite(copy, site);
        QCOMPARE(site.Address, FullSite().Address);
        QCOMPARE(site.Password, FullSite().Password);
        QCOMPARE(site.Port, FullSite().Port);
        QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolFtp));
        QCOMPARE(site.ClearDataChannel, false);
    }

    // Folder and site names of a file from the Windows program, in Big5, match their Unicode paths.
    void windowsBig5FileReadsAsUnicode()
    {
        const QByteArray file = "<SITES name=\"" + QByteArray::fromHex("a7daaabab3ccb752") +
                                "\" >\r\n\t<FOLDER name=\"" + QByteArray::fromHex("a475a740") +
                                "\" >\r\n\t\t<SITE name=\"" + QByteArray::fromHex("a95db6a1b3c6a5f7") +
                                "\" >\r\n\t\t</SITE>\r\n\t</FOLDER>\r\n</SITES>";
        CSiteList& sites = Load(file);
        QCOMPARE(sites.SitePaths(), QStringList{QStringLiteral("工作\\夜間備份")});
        CFtpSite site;
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("工作\\夜間備份"), site));
        QCOMPARE(site.Name, QStringLiteral("夜間備份"));
    }

    void namesTheFileCannotHold_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("CJK and spaces") << "夜間 備份" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("quote") << "say \"hi\"" << false;
        QTest::newRow("angle") << "<x>" << false;
        QTest::newRow("line break") << "a\nb" << false;
    }

    void namesTheFileCannotHold()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(CSiteList::CheckName(name).isEmpty(), valid);
        CSiteList& sites = Load({});
        QCOMPARE(sites.StoreSite(NamedSite(name)), valid);
        QCOMPARE(sites.SitePaths().size(), qsizetype(valid ? 1 : 0));
        QCOMPARE(QFile::exists(SitesFile()), valid);
    }

    void aFailedWriteIsReportedAndKeepsTheChange()
    {
        // A file where the folder should be: the write cannot succeed even for root.
        QVERIFY(TestFiles::WriteFile(m_home.filePath(QStringLiteral("blocker")), {}));
        CSiteList sites(m_home.filePath(QStringLiteral("blocker/sites.xml")));
        sites.LoadSites();
        QVERIFY(!sites.StoreSite(NamedSite(QStringLiteral("Kept"))));
        QCOMPARE(sites.SitePaths(), QStringList{QStringLiteral("Kept")});
    }

    void recordArchiveForm()
    {
        CFtpSite site;
        site.Address = QStringLiteral("a");
        site.DataMode = 2;
        site.TransferType = 3;
        site.ClearCommandChannel = true;
        const QByteArray bytes = site.Serialize();
        // Address "a", Retries 1, five empty strings (Description to Password), Port 21, empty RemotePath,
        // RetryDelay 15, then DataMode ahead of TransferType, ProtocolType and the two flags.
        QCOMPARE(
            bytes.toHex(),
            QByteArray("016101000000000000000015000000000f0000000200000003000000000000000000000001000000"));
        CFtpSite back;
        QVERIFY(back.Deserialize(FullSite().Serialize()));
        QCOMPARE(back.Fields(), FullSite().Fields());
        for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        {
            QVERIFY(!back.Deserialize(bytes.left(cut)));
            QCOMPARE(back.Fields(), FullSite().Fields());
        }
    }

    void masterPasswordIsStoredEncrypted()
    {
        QCOMPARE(ReadMasterPassword(), QByteArray());
        QVERIFY(WriteMasterPassword("Sésame 開門"));
        CPasswordCipher cipher;
        cipher.SetKey("VexholdtPamOri");
        QCOMPARE(GetProfileString("Security", "Password").toLatin1(), cipher.Encrypt("Sésame 開門"));
        QCOMPARE(ReadMasterPassword(), QByteArray("Sésame 開門"));
        QVERIFY(WriteMasterPassword({}));
        QCOMPARE(ReadMasterPassword(), QByteArray());
    }

    // Sites stored under one setting, then saved under another: `reloadFirst` reads the old file back
    // before the save. The key of the stored form is the master password, none for plain text.
    void passwordProtection_data()
    {
        QTest::addColumn<QByteArray>("master");
        QTest::addColumn<bool>("laterEncrypt");
        QTest::addColumn<QByteArray>("laterMaster");
        QTest::addColumn<bool>("reloadFirst");
        QTest::addColumn<QByteArray>("storedKey");
        QTest::newRow("protected") << QByteArray("master") << true << QByteArray("master") << true
                                   << QByteArray("master");
        QTest::newRow("switched off, old file read")
            << QByteArray("master") << false << QByteArray("master") << true << QByteArray();
        QTest::newRow("changed master")
            << QByteArray("old") << true << QByteArray("new") << false << QByteArray("new");
        QTest::newRow("no master") << QByteArray() << true << QByteArray() << true << QByteArray();
    }

    void passwordProtection()
    {
        QFETCH(QByteArray, master);
        QFETCH(bool, laterEncrypt);
        QFETCH(QByteArray, laterMaster);
        QFETCH(bool, reloadFirst);
        QFETCH(QByteArray, storedKey);
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1));
        QVERIFY(WriteMasterPassword(master));
        CSiteList* sites = &Load({});
        const QString sixty = QString(60, u'x').replace(7, 3, QStringLiteral("&<>"));
        QVERIFY(sites->StoreSite(NamedSite(QStringLiteral("Long"), sixty)));
        QVERIFY(sites->StoreSite(NamedSite(QStringLiteral("Empty"))));
        QVERIFY(sites->MakeFolderPath(QStringLiteral("F")));
        QVERIFY(
            sites->StoreSite(NamedSite(QStringLiteral("Short"), QStringLiteral("pw")), QStringLiteral("F")));
        // Memory holds plain passwords after the save.
        QCOMPARE(PasswordOf(QStringLiteral("Long")), sixty);

        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", laterEncrypt ? 1 : 0));
        QVERIFY(WriteMasterPassword(laterMaster));
        if (reloadFirst)
            sites = &Load({});
        QVERIFY(sites->SaveSites());
        // A 60-byte password gives a cipher text longer than one line: CR LF inside the bars.
        const QByteArrayList expected =
            storedKey.isEmpty()
                ? QByteArrayList{"xxxxxxx&amp;&lt;&gt;" + QByteArray(50, 'x'), "\r\n\t\t", "pw"}
                : QByteArrayList{Encrypted(storedKey, sixty.toUtf8()), "||", Encrypted(storedKey, "pw")};
        QCOMPARE(StoredPasswords(FileBytes()), expected);
        Load({});
        QCOMPARE(PasswordOf(QStringLiteral("Long")), sixty);
        QCOMPARE(PasswordOf(QStringLiteral("Empty")), QString());
        QCOMPARE(PasswordOf(QStringLiteral("F\\Short")), QStringLiteral("pw"));
    }

    void folderMovesWithItsSubtreeToTheEnd()
    {
        CSiteList& sites = Load();
        QCOMPARE(sites.MoveElement(Folder("Work"), sites.Document().GetRoot()), Folder("Work"));
        QVERIFY(sites.MoveElement(Folder("Work"), Folder("Home")));
        QCOMPARE(sites.SitePaths(),
                 QStringList({"Backups\\Nightly", "Nightly", "Flags", "Home\\Work\\Backups\\Nightly",
                              "Home\\Work\\Twin", "Home\\Work\\twin"}));
        CXmlElement* flags = sites.FindSiteInFolder(nullptr, QStringLiteral("Flags"));
        CXmlElement* moved = sites.MoveElement(flags, Folder("Home\\Work\\Backups"));
        QCOMPARE(sites.PathOf(moved), QStringLiteral("Home\\Work\\Backups\\Flags"));
        QCOMPARE(sites.SitePaths(),
                 QStringList({"Backups\\Nightly", "Nightly", "Home\\Work\\Backups\\Nightly",
                              "Home\\Work\\Backups\\Flags", "Home\\Work\\Twin", "Home\\Work\\twin"}));
        // Moved elements keep their fields and attributes.
        CXmlElement* twin = sites.FindSiteInFolder(Folder("Home\\Work"), QStringLiteral("Twin"));
        QCOMPARE(twin->GetAttribute("extra"), QByteArray("kept"));
        QCOMPARE(sites.Document().GetChildValue(twin, "ADDRESS"), QByteArray("a&b"));
        QCOMPARE(sites.Document().GetChildValue(twin, "PORT"), QByteArray("2121"));
    }

    void refusedMovesChangeNothing_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("target");
        QTest::newRow("folder into itself") << "Work"
                                            << "Work";
        QTest::newRow("folder into its child") << "Work"
                                               << "Work\\Backups";
        QTest::newRow("into a site") << "Home"
                                     << "site:Flags";
        QTest::newRow("the root") << "root"
                                  << "Home";
    }

    void refusedMovesChangeNothing()
    {
        QFETCH(QString, element);
        QFETCH(QString, target);
        CSiteList& sites = Load();
        const QByteArray before = sites.Document().GetXml();
        const auto resolve = [&](const QString& name) -> CXmlElement*
        {
            if (name == QLatin1String("root"))
                return sites.Document().GetRoot();
            if (name.startsWith(QLatin1String("site:")))
                return sites.FindSiteInFolder(nullptr, name.mid(5));
            return Folder(name);
        };
        QVERIFY(resolve(element) && resolve(target));
        QVERIFY(!sites.MoveElement(resolve(element), resolve(target)));
        QCOMPARE(sites.Document().GetXml(), before);
    }

    void newFolderGoesBesideASelectedSite()
    {
        CSiteList& sites = Load();
        CXmlElement* folder =
            sites.AddNewFolder(sites.FindSiteInFolder(Folder("Work"), QStringLiteral("Twin")));
        QCOMPARE(sites.PathOf(folder), QStringLiteral("Work\\新資料夾"));
        QVERIFY(CSiteList::IsFolderElement(folder));
        QCOMPARE(sites.PathOf(sites.AddNewFolder(nullptr)), QStringLiteral("新資料夾"));
    }

    void reloadsAreAnnounced()
    {
        CSiteList& sites = Load();
        int reloads = 0;
        sites.SetReloadHandler([&] { ++reloads; });
        QVERIFY(sites.StoreSite(NamedSite(QStringLiteral("Fresh")), QStringLiteral("Home")));
        QCOMPARE(reloads, 1);
        QFile::remove(sites.FilePath());
        QVERIFY(!sites.LoadSites());
        QCOMPARE(reloads, 2);
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
