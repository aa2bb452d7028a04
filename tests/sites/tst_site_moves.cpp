#include "sites/SiteList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const char kTree[] =
    "<?xml version=\"1.0\"?>\r\n"
    "<SITES name=\"我的最愛\">\r\n"
    "\t<FOLDER name=\"Work\">\r\n"
    "\t\t<FOLDER name=\"Inner\">\r\n"
    "\t\t\t<SITE name=\"Deep\"><ADDRESS>deep.example</ADDRESS></SITE>\r\n"
    "\t\t</FOLDER>\r\n"
    "\t\t<SITE name=\"Mail\" extra=\"kept\"><ADDRESS>a&amp;b</ADDRESS><PORT>2121</PORT></SITE>\r\n"
    "\t</FOLDER>\r\n"
    "\t<FOLDER name=\"Home\"></FOLDER>\r\n"
    "\t<SITE name=\"Top\"><ADDRESS>top.example</ADDRESS></SITE>\r\n"
    "</SITES>\r\n";

} // namespace

class TestSiteMoves : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<CSiteList> m_sites;

    CXmlElement* Folder(const char* path)
    {
        return m_sites->FindFolderByPath(nullptr, QString::fromUtf8(path));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        const QString file = m_home.filePath(QStringLiteral("sites.xml"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(kTree);
        out.close();
        m_sites = std::make_unique<CSiteList>(file);
        QVERIFY(m_sites->LoadSites());
    }

    void siteMovesWithItsFieldsAndAttributes()
    {
        CXmlElement* mail = m_sites->FindSiteInFolder(Folder("Work"), QStringLiteral("Mail"));
        CXmlElement* moved = m_sites->MoveElement(mail, Folder("Home"));
        QVERIFY(moved);
        QCOMPARE(m_sites->PathOf(moved), QStringLiteral("Home\\Mail"));
        QCOMPARE(moved->GetAttribute("extra"), QByteArray("kept"));
        CFtpSite site;
        QVERIFY(m_sites->LoadSiteByPath(QStringLiteral("Home\\Mail"), site));
        QCOMPARE(site.Address, QStringLiteral("a&b"));
        QCOMPARE(site.Port, 2121);
        QVERIFY(!m_sites->FindSiteInFolder(Folder("Work"), QStringLiteral("Mail")));
    }

    void folderMovesWithItsSubtreeToTheEnd()
    {
        CXmlElement* moved = m_sites->MoveElement(Folder("Work"), m_sites->Document().GetRoot());
        QCOMPARE(moved, Folder("Work"));
        moved = m_sites->MoveElement(Folder("Work"), Folder("Home"));
        QVERIFY(moved);
        QCOMPARE(m_sites->SitePaths(),
                 QStringList({QStringLiteral("Home\\Work\\Inner\\Deep"), QStringLiteral("Home\\Work\\Mail"),
                              QStringLiteral("Top")}));
        CXmlElement* top = m_sites->FindSiteInFolder(nullptr, QStringLiteral("Top"));
        moved = m_sites->MoveElement(top, Folder("Home\\Work\\Inner"));
        QCOMPARE(m_sites->SitePaths(),
                 QStringList({QStringLiteral("Home\\Work\\Inner\\Deep"),
                              QStringLiteral("Home\\Work\\Inner\\Top"), QStringLiteral("Home\\Work\\Mail")}));
        QCOMPARE(m_sites->PathOf(moved), QStringLiteral("Home\\Work\\Inner\\Top"));
    }

    void refusedMovesChangeNothing_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("target");
        QTest::newRow("folder into itself") << "Work"
                                            << "Work";
        QTest::newRow("folder into its child") << "Work"
                                               << "Work\\Inner";
        QTest::newRow("into a site") << "Home"
                                     << "site:Top";
        QTest::newRow("the root") << "root"
                                  << "Home";
    }

    void refusedMovesChangeNothing()
    {
        QFETCH(QString, element);
        QFETCH(QString, target);
        const QByteArray before = m_sites->Document().GetXml();
        const auto resolve = [&](const QString& name) -> CXmlElement*
        {
            if (name == QLatin1String("root"))
                return m_sites->Document().GetRoot();
            if (name.startsWith(QLatin1String("site:")))
                return m_sites->FindSiteInFolder(nullptr, name.mid(5));
            return m_sites->FindFolderByPath(nullptr, name);
        };
        QVERIFY(resolve(element) && resolve(target));
        QVERIFY(!m_sites->MoveElement(resolve(element), resolve(target)));
        QCOMPARE(m_sites->Document().GetXml(), before);
    }

    void newFolderGoesBesideASelectedSite()
    {
        CXmlElement* mail = m_sites->FindSiteInFolder(Folder("Work"), QStringLiteral("Mail"));
        CXmlElement* folder = m_sites->AddNewFolder(mail);
        QCOMPARE(m_sites->PathOf(folder), QStringLiteral("Work\\新資料夾"));
        QVERIFY(CSiteList::IsFolderElement(folder));
        QCOMPARE(m_sites->PathOf(m_sites->AddNewFolder(nullptr)), QStringLiteral("新資料夾"));
    }

    void reloadsAreAnnounced()
    {
        int reloads = 0;
        m_sites->SetReloadHandler([&] { ++reloads; });
        CFtpSite site;
        site.Name = QStringLiteral("Fresh");
        QVERIFY(m_sites->StoreSite(site, QStringLiteral("Home")));
        QCOMPARE(reloads, 1);
        QFile::remove(m_sites->FilePath());
        QVERIFY(!m_sites->LoadSites());
        QCOMPARE(reloads, 2);
        m_sites->SetReloadHandler({});
    }
};

QTEST_GUILESS_MAIN(TestSiteMoves)
#include "tst_site_moves.moc"
