#include "app/Profile.h"
#include "sites/Base64.h"
#include "sites/PasswordCipher.h"
#include "sites/PasswordProtection.h"
#include "sites/SiteList.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestProtection : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QByteArray FileBytes() const
    {
        QFile file(m_home.filePath(QStringLiteral("sites.xml")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QByteArrayList StoredPasswords(const QByteArray& file)
    {
        QByteArrayList found;
        static const QRegularExpression pattern(QStringLiteral("<PASSWORD>(.*?)</PASSWORD>"),
                                                QRegularExpression::DotMatchesEverythingOption);
        for (const auto& match : pattern.globalMatch(QString::fromLatin1(file)))
            found.append(match.captured(1).toLatin1());
        return found;
    }

    static void Store(CSiteList& sites, const QString& name, const QString& password)
    {
        CFtpSite site;
        site.Name = name;
        site.Password = password;
        QVERIFY(sites.StoreSite(site));
    }

    static QString PasswordOf(CSiteList& sites, const QString& name)
    {
        CFtpSite site;
        return sites.LoadSiteByPath(name, site) ? site.Password : QStringLiteral("<no site>");
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(m_home.filePath(QStringLiteral("sites.xml")));
        QFile::remove(m_home.filePath(QStringLiteral("Zentrava Pro 3.1.ini")));
    }

    void masterPasswordIsStoredEncrypted()
    {
        QCOMPARE(ReadMasterPassword(), QByteArray());
        QVERIFY(WriteMasterPassword("Sésame 開門"));
        const QString stored = GetProfileString("Security", "Password");
        QVERIFY(!stored.isEmpty());
        QVERIFY(!stored.contains(QStringLiteral("開門")));
        CPasswordCipher cipher;
        cipher.SetKey("VexholdtPamOri");
        QCOMPARE(cipher.Decrypt(stored.toLatin1()), QByteArray("Sésame 開門"));
        QCOMPARE(ReadMasterPassword(), QByteArray("Sésame 開門"));
        QVERIFY(WriteMasterPassword({}));
        QCOMPARE(ReadMasterPassword(), QByteArray());
    }

    void protectedFileHoldsCipherTextAndLoadsPlain()
    {
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1));
        QVERIFY(WriteMasterPassword("master"));
        CSiteList sites;
        sites.LoadSites();
        const QString sixty = QString(60, u'x').replace(7, 3, QStringLiteral("&<>"));
        Store(sites, QStringLiteral("Long"), sixty);
        Store(sites, QStringLiteral("Empty"), QString());
        Store(sites, QStringLiteral("Short"), QStringLiteral("pw"));

        const QByteArrayList stored = StoredPasswords(FileBytes());
        QCOMPARE(stored.size(), 3);
        // A 60-byte password gives a cipher text longer than one line: CR LF inside the bars.
        QVERIFY(stored[0].startsWith('|') && stored[0].endsWith('|'));
        QVERIFY(stored[0].contains("\r\n"));
        QCOMPARE(stored[1], QByteArray("||"));
        CPasswordCipher cipher;
        cipher.SetKey("master");
        QCOMPARE(stored[2], '|' + cipher.Encrypt("pw") + '|');

        // Memory holds plain passwords after the save, and a fresh load decrypts them.
        QCOMPARE(PasswordOf(sites, QStringLiteral("Long")), sixty);
        CSiteList again;
        QVERIFY(again.LoadSites());
        QCOMPARE(PasswordOf(again, QStringLiteral("Long")), sixty);
        QCOMPARE(PasswordOf(again, QStringLiteral("Empty")), QString());
        QCOMPARE(PasswordOf(again, QStringLiteral("Short")), QStringLiteral("pw"));
    }

    void protectionSwitchedOffStillReadsOldFiles()
    {
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1));
        QVERIFY(WriteMasterPassword("first master"));
        {
            CSiteList sites;
            sites.LoadSites();
            Store(sites, QStringLiteral("Site"), QStringLiteral("secret 密碼"));
        }
        QVERIFY(StoredPasswords(FileBytes()).value(0).startsWith('|'));

        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 0));
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        QCOMPARE(PasswordOf(sites, QStringLiteral("Site")), QStringLiteral("secret 密碼"));
        // The next save writes plain text.
        QVERIFY(sites.SaveSites());
        QCOMPARE(StoredPasswords(FileBytes()).value(0),
                 QByteArray("secret &#229;&#175;&#134;&#231;&#162;&#188;"));
    }

    void withoutAMasterPasswordNothingIsProtectedOrDecrypted()
    {
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1));
        CSiteList sites;
        sites.LoadSites();
        Store(sites, QStringLiteral("Plain"), QStringLiteral("visible"));
        QCOMPARE(StoredPasswords(FileBytes()).value(0), QByteArray("visible"));

        // A framed value with no master to decrypt it keeps the text between the bars.
        QFile file(m_home.filePath(QStringLiteral("sites.xml")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<SITES><SITE name=\"A\"><PASSWORD>||QUJD||</PASSWORD></SITE></SITES>");
        file.close();
        CSiteList again;
        QVERIFY(again.LoadSites());
        QCOMPARE(PasswordOf(again, QStringLiteral("A")), QStringLiteral("QUJD"));
    }

    void aChangedMasterPasswordReencryptsOnSave()
    {
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1));
        QVERIFY(WriteMasterPassword("old"));
        CSiteList sites;
        sites.LoadSites();
        Store(sites, QStringLiteral("Site"), QStringLiteral("pw"));
        QVERIFY(WriteMasterPassword("new"));
        QVERIFY(sites.SaveSites());
        CPasswordCipher cipher;
        cipher.SetKey("new");
        QCOMPARE(StoredPasswords(FileBytes()).value(0), '|' + cipher.Encrypt("pw") + '|');
        CSiteList again;
        QVERIFY(again.LoadSites());
        QCOMPARE(PasswordOf(again, QStringLiteral("Site")), QStringLiteral("pw"));
    }

    void sitesWithoutPasswordElementsGetOne()
    {
        QFile file(m_home.filePath(QStringLiteral("sites.xml")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<SITES><FOLDER name=\"F\"><SITE name=\"A\"><ADDRESS>x</ADDRESS></SITE></FOLDER></SITES>");
        file.close();
        CSiteList sites;
        QVERIFY(sites.LoadSites());
        CXmlElement* site =
            sites.FindSiteInFolder(sites.FindFolderByPath(nullptr, QStringLiteral("F")), QStringLiteral("A"));
        QVERIFY(site);
        QVERIFY(sites.Document().FindChild(site, "PASSWORD"));
        QCOMPARE(PasswordOf(sites, QStringLiteral("F\\A")), QString());
    }
};

QTEST_GUILESS_MAIN(TestProtection)
#include "tst_protection.moc"
