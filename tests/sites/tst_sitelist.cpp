#include "app/Profile.h"
#include "sites/Base64.h"
#include "sites/FtpSite.h"
#include "sites/PasswordCipher.h"
#include "sites/PasswordProtection.h"
#include "sites/SiteList.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

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
    return site.Address +
           QString::asprintf("|%d|%d|%d|%d|", site.Port, site.Retries, site.ClearDataChannel,
                             site.ClearCommandChannel) +
           site.Password;
}

QByteArrayList StoredPasswords(const QByteArray& file)
{
    QByteArrayList found;
    for (const QByteArray& part : file.split('<'))
        if (part.startsWith("PASSWORD>"))
            found << part.mid(9);
    return found;
}

QByteArray Cipher(const QByteArray& key, const QByteArray& plain)
{
    CPasswordCipher cipher;
    cipher.SetKey(key);
    return cipher.Encrypt(plain);
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
    }

    void damagedFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("truncated") << kSample.left(200);
        QTest::newRow("empty") << QByteArray("");
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

    // The same-named site is updated whatever its case; an unknown folder path resolves to the root. Every
    // load is announced, also one that finds no file and gives an empty favourites root.
    void storingKeepsDocumentOrder()
    {
        CSiteList& sites = Load();
        int reloads = 0;
        sites.SetReloadHandler([&] { ++reloads; });
        CFtpSite site = NamedSite(QStringLiteral("FLAGS"));
        site.Address = QStringLiteral("changed.example");
        QVERIFY(sites.StoreSite(site) && sites.StoreSite(NamedSite("New"), QStringLiteral("work\\BACKUPS")) &&
                sites.StoreSite(NamedSite("Lost"), QStringLiteral("No\\Such")));
        // Each store saves and reloads the file.
        QCOMPARE(sites.SitePaths().join(','),
                 "Work\\Backups\\Nightly,Work\\Backups\\New,Work\\Twin,"
                 "Work\\twin,Backups\\Nightly,Nightly,Flags,工作\\夜間備份,Lost");
        CFtpSite loaded;
        QVERIFY(sites.LoadSiteByPath(QStringLiteral("flags"), loaded));
        QCOMPARE(loaded.Name + ' ' + loaded.Address, QStringLiteral("Flags changed.example"));
        QCOMPARE(reloads, 3);
        QFile::remove(SitesFile());
        QCOMPARE(sites.LoadSites().State(), CStoredFileLoad::EState::Missing);
        QCOMPARE(reloads, 4);
        QCOMPARE(sites.Document().GetXml(),
                 QByteArray("<?xml version=\"1.0\"?>\r\n<SITES name=\"我的最愛\" >\r\n</SITES>\r\n"));
    }

    // What a path finds (address, port, retries, the two flags, password), or false with the record left
    // alone. Numbers read as the C library does, flags only from "1"; values are trimmed, missing ones read
    // as 0.
    void sitePathLookups_data()
    {
        Columns<QString, bool, QString>({"path", "found", "fields"});
        const QString root = "root|-12|0|0|0|";
        QTest::newRow("nested, any case, framed password")
            << "WORK\\backups\\NIGHTLY" << true << "nightly.example|0|0|0|0|QUJD";
        QTest::newRow("bare name is below the root") << "Nightly" << true << root;
        QTest::newRow("first of twins") << "Work\\twin" << true << "a&b|2121|0|0|0|";
        QTest::newRow("trimmed values") << "Flags" << true << "|0|7|1|0|";
        QTest::newRow("A exists without B: site below the root") << "Work\\Nothing\\Nightly" << true << root;
        QTest::newRow("no A: B below the root")
            << "Nowhere\\Backups\\Nightly" << true << "root-backups|0|0|0|0|";
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
        QVERIFY(WriteProfileInt("Settings", "DefaultRetries", 9) &&
                WriteProfileString("Settings", "DefaultLocalPath", QStringLiteral("/srv/下載")));
        CSiteList& sites = Load();
        CFtpSite site;
        sites.FillSite(sites.AddNewSite(Folder(QStringLiteral("Work"))), site);
        QCOMPARE(Summary(site) + site.LocalPath, QStringLiteral("|21|9|0|0|/srv/下載"));

        // With a site selected, its settings are copied into its folder, but not its protocol and flags.
        QVERIFY(sites.StoreSite(FullSite(), QStringLiteral("Work\\Backups")));
        CXmlElement* copy =
            sites.AddNewSite(sites.FindSiteInFolder(Folder("Work\\Backups"), FullSite().Name));
        QCOMPARE(sites.PathOf(copy), QStringLiteral("Work\\Backups\\新站台"));
        sites.FillSite(copy, site);
        QCOMPARE(Summary(site), QStringLiteral("ftp.例子.tw|2121|5|0|0|p&ss<wo>rd 密碼"));
        QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolFtp));

        // A new folder goes beside a selected site too.
        QCOMPARE(sites.PathOf(sites.AddNewFolder(copy)), QStringLiteral("Work\\Backups\\新資料夾"));
    }

    void namesTheFileCannotHold_data()
    {
        Columns<QString, bool>({"name", "valid"});
        QTest::newRow("CJK and spaces") << "夜間 備份" << true;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("quote") << "say \"hi\"" << false;
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

    // Passwords are stored protected while a master password is set and protection is on; in memory, and
    // after a load, they are plain.
    void passwordProtection()
    {
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1));
        CSiteList& sites = Load({});
        const QString sixty = QString(60, u'x').replace(7, 3, QStringLiteral("&<>"));
        QVERIFY(sites.StoreSite(NamedSite("Long", sixty)) && sites.StoreSite(NamedSite("Empty")) &&
                sites.MakeFolderPath("F") && sites.StoreSite(NamedSite("Short", "pw|"), "F"));
        // Without a master password they stay plain, one that ends with a bar too; an empty one is an
        // element without text.
        const QByteArrayList plain{"xxxxxxx&amp;&lt;&gt;" + QByteArray(50, 'x'), "\r\n\t\t", "pw|"};
        QCOMPARE(StoredPasswords(FileBytes()), plain);
        const auto protectedBy = [&](const QByteArray& key) {
            return QByteArrayList{'|' + Cipher(key, sixty.toUtf8()) + '|', "||",
                                  '|' + Cipher(key, "pw|") + '|'};
        };

        // The master password itself is kept protected by a fixed key in the settings.
        QVERIFY(WriteMasterPassword("Sésame 開門"));
        QCOMPARE(GetProfileString("Security", "Password").toLatin1(),
                 Cipher("VexholdtPamOri", "Sésame 開門"));
        QVERIFY(sites.SaveSites());
        // A 60-byte password gives a cipher text longer than one line: CR LF inside the bars.
        QCOMPARE(StoredPasswords(FileBytes()), protectedBy("Sésame 開門"));
        QCOMPARE(PasswordOf(QStringLiteral("Long")), sixty);
        QVERIFY(WriteMasterPassword("new") && sites.SaveSites());
        QCOMPARE(StoredPasswords(FileBytes()), protectedBy("new"));

        // Switched off, protection still reads old files; the next save writes plain text.
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 0));
        Load({});
        QCOMPARE(PasswordOf(QStringLiteral("Long")), sixty);
        QCOMPARE(PasswordOf(QStringLiteral("Empty")), QString());
        QCOMPARE(PasswordOf(QStringLiteral("F\\Short")), QStringLiteral("pw|"));
        QVERIFY(m_sites->SaveSites());
        QCOMPARE(StoredPasswords(FileBytes()), plain);

        // Both files hold passwords: their owner's only, a looser one tightened by the next write.
        const QStringList files{SitesFile(), m_home.filePath(QStringLiteral("Zentrava Pro 3.1.ini"))};
        QVERIFY(QFile::setPermissions(files[0], QFile::Permissions(0x6644)) && m_sites->SaveSites() &&
                QFile::setPermissions(files[1], QFile::Permissions(0x6644)) && WriteMasterPassword("x"));
        for (const QString& file : files)
            QCOMPARE(QFile::permissions(file) & QFile::Permissions(0x7077),
                     QFile::ReadOwner | QFile::WriteOwner);
    }

    void folderMovesWithItsSubtreeToTheEnd()
    {
        CSiteList& sites = Load();
        QCOMPARE(sites.MoveElement(Folder("Work"), sites.Document().GetRoot()), Folder("Work"));
        QCOMPARE(sites.PathOf(sites.MoveElement(Folder("Work"), Folder("Home"))),
                 QStringLiteral("Home\\Work"));
        QCOMPARE(sites.SitePaths().join(','),
                 "Backups\\Nightly,Nightly,Flags,Home\\Work\\Backups\\Nightly,Home\\Work\\Twin,"
                 "Home\\Work\\twin,工作\\夜間備份");
        // Moved elements keep their fields and attributes.
        CXmlElement* twin = sites.FindSiteInFolder(Folder("Home\\Work"), QStringLiteral("Twin"));
        QCOMPARE(twin->GetAttribute("extra") + ' ' + sites.Document().GetChildValue(twin, "ADDRESS"),
                 "kept a&b");

        // Refused: a folder into itself or below itself, anything into a site, and the root.
        const QByteArray before = sites.Document().GetXml();
        QVERIFY(!sites.MoveElement(Folder("Home"), Folder("Home")));
        QVERIFY(!sites.MoveElement(Folder("Home"), Folder("Home\\Work\\Backups")));
        QVERIFY(!sites.MoveElement(Folder("Backups"), twin));
        QVERIFY(!sites.MoveElement(sites.Document().GetRoot(), Folder("Home")));
        QCOMPARE(sites.Document().GetXml(), before);
    }

    void base64_data()
    {
        // required: padded length, two bytes per started line, two more; 0 for text that only decodes
        Columns<QByteArray, QByteArray, qsizetype>({"data", "text", "required"});
        // RFC 4648 section 10.
        QTest::newRow("empty") << QByteArray() << QByteArray() << qsizetype(2);
        QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy") << qsizetype(12);
        QTest::newRow("high bytes") << QByteArray("\xFF\xFE\x00", 3) << QByteArray("//4A") << qsizetype(8);
        // Lines of 76 characters: 56 bytes fill one with the partial group; a full line keeps its CR LF.
        const QByteArray line = QByteArray("\xFB\xEF\xBE").repeated(19);
        const QByteArray encoded = QByteArray(76, '+') + "\r\n";
        QTest::newRow("56 bytes") << line.chopped(1) << QByteArray(72, '+') + "++8=" << qsizetype(80);
        QTest::newRow("57 bytes") << line << encoded << qsizetype(80);
        QTest::newRow("115 bytes") << line + line + 'A' << encoded + encoded + "QQ==" << qsizetype(164);
        QTest::newRow("short group of three") << QByteArray("fooba") << QByteArray("Zm9vYmE") << qsizetype(0);
        QTest::newRow("lone character") << QByteArray("foo") << QByteArray("Zm9vY") << qsizetype(0);
        // Everything outside the alphabet is skipped: bars, line breaks, padding, NUL and high bytes.
        QTest::newRow("junk") << QByteArray("foobar") << QByteArray("|Zm\0\x80\xFF\x39v\r\n=Ym=Fy|", 17)
                              << qsizetype(0);
    }

    // The raw forms write nothing beyond the capacity: decoding stops before the first group that does not
    // fit.
    void base64()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, text);
        QFETCH(qsizetype, required);
        QCOMPARE(Base64Decode(text), data);
        const QByteArray untouched(text.size() + 16, '#');
        for (qsizetype capacity = 0; capacity <= data.size(); ++capacity)
        {
            QByteArray buffer = untouched;
            qsizetype length = capacity;
            QVERIFY(Base64Decode(text.constData(), text.size(), reinterpret_cast<uchar*>(buffer.data()),
                                 &length));
            const QByteArray fits = capacity == data.size() ? data : data.first(capacity / 3 * 3);
            QCOMPARE(length, fits.size());
            QCOMPARE(buffer, fits + untouched.sliced(fits.size()));
        }
        if (required == 0)
            return;
        QCOMPARE(Base64Encode(data), text);
        QCOMPARE(Base64EncodedLength(data.size()), required);
        const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
        QByteArray buffer(required + 8, '#');
        qsizetype capacity = required;
        QVERIFY(Base64Encode(bytes, data.size(), buffer.data(), &capacity));
        QCOMPARE(capacity, text.size());
        QCOMPARE(buffer, text + QByteArray(required + 8 - text.size(), '#'));
    }

    // Expected texts made by a short python3 script: hashlib.md5(key).digest() as the key of a hand-written
    // RC4, cross-checked with `openssl enc -rc4 -K <md5 hex> -provider legacy -nosalt`, then base64.b64encode
    // of the full groups cut into 76-character lines (CR LF after each full line) plus the encoded partial
    // group.
    void cipher_data()
    {
        Columns<QByteArray, QByteArray, QByteArray>({"key", "plain", "text"});

        QTest::newRow("settings pass phrase") << QByteArray(CPasswordCipher::kSettingsPassPhrase)
                                              << QByteArray("s3cret!") << QByteArray("td/6av4+zA==");
        QTest::newRow("short key") << QByteArray("master key") << QByteArray("p@ssw0rd")
                                   << QByteArray("N6ustSnrYnI=");
        QTest::newRow("CJK key, 60 bytes")
            << QByteArray("主密碼") << QByteArray("0123456789").repeated(6)
            << QByteArray(
                   "Y4oxB17AuojbNejAu0519kTbpfJzL5zKjZ/wWfOxUyiRPUJj2uhNWNZqq4GQqMEPlHom+snFWT9t\r\n+API");
        // Empty text or an empty key pass through unchanged.
        QTest::newRow("empty key") << QByteArray() << QByteArray("plain") << QByteArray("plain");
        QTest::newRow("empty text") << QByteArray("master") << QByteArray() << QByteArray();
    }

    void cipher()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, text);

        CPasswordCipher cipher;
        cipher.SetKey(key);
        QCOMPARE(cipher.Encrypt(plain), text);
        QCOMPARE(cipher.Decrypt(text), plain);
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
