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

// Folders nested and side by side, twin site names, an empty folder, hand-edited values, and folder "工作"
// with site "夜間備份" named in Big5 as the Windows program wrote them.
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
    "\t<FOLDER name=\"\xa4\x75\xa7\x40\"><SITE "
    "name=\"\xa9\x5d\xb6\xa1\xb3\xc6\xa5\xf7\"><ADDRESS>big5</ADDRESS></SITE></FOLDER>\r\n"
    "</SITES>\r\n";

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

QString Summary(const CFtpSite& site)
{
    return QStringList{site.Address,
                       QString::number(site.Port),
                       QString::number(site.Retries),
                       QString::number(site.ClearDataChannel),
                       QString::number(site.ClearCommandChannel),
                       site.Password}
        .join(u'|');
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

    void storedSitesReadBackWhole()
    {
        QVERIFY(Load({}).StoreSite(FullSite()));
        CFtpSite loaded;
        QVERIFY(Load({}).LoadSiteByPath(FullSite().Name, loaded));
        QCOMPARE(loaded.Fields(), FullSite().Fields());
        // The file holds all fourteen fields in the stored order.
        QByteArrayList names;
        for (const auto& child : m_sites->FindSiteInFolder(nullptr, FullSite().Name)->Children())
            names << child->Name();
        QCOMPARE(names.join(' '),
                 "ADDRESS PORT DATAMODE TRANSFERTYPE LOGIN PASSWORD REMOTEPATH LOCALPATH RETRIES "
                 "RETRYDELAY DESCRIPTION PROTOCOLTYPE CLEARCOMMANDCHANNEL CLEARDATACHANNEL");
        QVERIFY(FileBytes().contains("<CLEARDATACHANNEL>1</CLEARDATACHANNEL>"));
        // Each byte of "密碼" as a character reference.
        QVERIFY(FileBytes().contains(
            "<PASSWORD>p&amp;ss&lt;wo&gt;rd &#229;&#175;&#134;&#231;&#162;&#188;</PASSWORD>"));
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
        QCOMPARE(Load({}).SitePaths().join(','),
                 "Work\\Backups\\Nightly,Work\\Backups\\New,Work\\Twin,"
                 "Work\\twin,Backups\\Nightly,Nightly,Flags,工作\\夜間備份,Lost");
        CFtpSite loaded;
        QVERIFY(m_sites->LoadSiteByPath(QStringLiteral("flags"), loaded));
        QCOMPARE(loaded.Address, QStringLiteral("changed.example"));
        QCOMPARE(loaded.Name, QStringLiteral("Flags"));
    }

    // What a path finds (address, port, retries, the two flags, password), or false with the record left
    // alone. Numbers read as the C library does, flags only from "1"; values are trimmed, missing ones read
    // as 0.
    void sitePathLookups_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("fields");
        const QString root = "root|-12|0|0|0|";
        QTest::newRow("nested, framed password")
            << "Work\\Backups\\Nightly" << true << "nightly.example|0|0|0|0|QUJD";
        QTest::newRow("any case") << "WORK\\backups\\NIGHTLY" << true << "nightly.example|0|0|0|0|QUJD";
        QTest::newRow("bare name is below the root") << "Nightly" << true << root;
        QTest::newRow("first of twins") << "Work\\twin" << true << "a&b|2121|0|0|0|";
        QTest::newRow("trimmed values") << "Flags" << true << "|0|7|1|0|";
        QTest::newRow("A exists without B: site below the root") << "Work\\Nothing\\Nightly" << true << root;
        QTest::newRow("no A: B below the root")
            << "Nowhere\\Backups\\Nightly" << true << "root-backups|0|0|0|0|";
        QTest::newRow("no A, no B: below the root") << "Nowhere\\Neither\\Nightly" << true << root;
        QTest::newRow("unknown site") << "Work\\Ghost" << false << Summary(FullSite());
        QTest::newRow("Big5 names") << "工作\\夜間備份" << true << "big5|0|0|0|0|";
        QTest::newRow("empty path") << "" << false << Summary(FullSite());
    }

    void sitePathLookups()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QFETCH(QString, fields);
        CFtpSite site = FullSite();
        QCOMPARE(Load().LoadSiteByPath(path, site), found);
        QCOMPARE(Summary(site), fields);
        QCOMPARE(site.ProtocolType, found ? 0 : FullSite().ProtocolType);
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

        // A new folder goes beside a selected site too.
        QCOMPARE(sites.PathOf(sites.AddNewFolder(copy)), QStringLiteral("Work\\Backups\\新資料夾"));
        QCOMPARE(sites.PathOf(sites.AddNewFolder(nullptr)), QStringLiteral("新資料夾"));
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
        QCOMPARE(sites.SitePaths().join(','),
                 "Backups\\Nightly,Nightly,Flags,Home\\Work\\Backups\\Nightly,Home\\Work\\Twin,"
                 "Home\\Work\\twin,工作\\夜間備份");
        CXmlElement* flags = sites.FindSiteInFolder(nullptr, QStringLiteral("Flags"));
        CXmlElement* moved = sites.MoveElement(flags, Folder("Home\\Work\\Backups"));
        QCOMPARE(sites.PathOf(moved), QStringLiteral("Home\\Work\\Backups\\Flags"));
        QCOMPARE(sites.SitePaths().join(','),
                 "Backups\\Nightly,Nightly,Home\\Work\\Backups\\Nightly,Home\\Work\\Backups\\Flags,"
                 "Home\\Work\\Twin,Home\\Work\\twin,工作\\夜間備份");
        // Moved elements keep their fields and attributes.
        CXmlElement* twin = sites.FindSiteInFolder(Folder("Home\\Work"), QStringLiteral("Twin"));
        QCOMPARE(twin->GetAttribute("extra"), QByteArray("kept"));
        QCOMPARE(sites.Document().GetChildValue(twin, "ADDRESS"), QByteArray("a&b"));
        QCOMPARE(sites.Document().GetChildValue(twin, "PORT"), QByteArray("2121"));

        // Refused: a folder into itself or below itself, anything into a site, and the root.
        const QByteArray before = sites.Document().GetXml();
        QVERIFY(!sites.MoveElement(Folder("Home"), Folder("Home")));
        QVERIFY(!sites.MoveElement(Folder("Home"), Folder("Home\\Work\\Backups")));
        QVERIFY(!sites.MoveElement(Folder("Backups"), twin));
        QVERIFY(!sites.MoveElement(sites.Document().GetRoot(), Folder("Home")));
        QCOMPARE(sites.Document().GetXml(), before);
    }

    // Every load is announced, also one that finds no file and gives an empty favourites root.
    void reloadsAreAnnounced()
    {
        CSiteList& sites = Load();
        QCOMPARE(sites.FilePath(), SitesFile());
        int reloads = 0;
        sites.SetReloadHandler([&] { ++reloads; });
        QVERIFY(sites.StoreSite(NamedSite(QStringLiteral("Fresh")), QStringLiteral("Home")));
        QCOMPARE(reloads, 1);
        QFile::remove(SitesFile());
        QCOMPARE(sites.LoadSites().State(), CStoredFileLoad::EState::Missing);
        QCOMPARE(reloads, 2);
        QCOMPARE(sites.Document().GetXml(),
                 QByteArray("<?xml version=\"1.0\"?>\r\n<SITES name=\"我的最愛\" >\r\n</SITES>\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
