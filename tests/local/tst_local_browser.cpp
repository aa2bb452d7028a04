#include "support/TestFiles.h"
#include "ui/ModalAnswerer.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "ui/local/LocalBrowserBar.h"
#include "ui/local/LocalFolderModel.h"
#include "ui/local/LocalPlaces.h"

using namespace Qt::StringLiterals;
using TestFiles::ReadFile;
using TestFiles::WriteFile;

class TestLocalBrowser : public QObject
{
    Q_OBJECT

    // main() points HOME at a scratch folder before the tests start.
    const QString m_home = QDir::homePath();
    // Each case's own folder: a.txt and b.txt hold their names, sub/ holds inner.txt.
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CLocalBrowserBar> m_bar;

    QString Path(const QString& name = {}) const
    {
        return name.isEmpty() ? m_dir->path() : m_dir->filePath(name);
    }
    QModelIndex Index(const QString& name) const { return m_bar->Model()->index(Path(name)); }
    // The bar shows the case's folder once the model has listed it.
    bool ShowFolder(int rows) const
    {
        return m_bar->BrowseTo(Path(), true) &&
               QTest::qWaitFor(
                   [&] { return m_bar->Model()->rowCount(m_bar->CurrentView()->rootIndex()) == rows; });
    }
    QStringList Selected() const
    {
        QStringList paths;
        m_bar->GetSelectedPaths(paths);
        return paths;
    }
    void Select(const QString& name) const
    {
        m_bar->CurrentView()->selectionModel()->select(Index(name), QItemSelectionModel::Select |
                                                                        QItemSelectionModel::Rows);
    }

private Q_SLOTS:
    void init()
    {
        m_bar.reset();
        QFile::remove(CDataFolder::SettingsFile());
        QDir(m_home + "/.local/share/Trash").removeRecursively();
        m_dir = std::make_unique<QTemporaryDir>(m_home + "/caseXXXXXX");
        QDir().mkpath(Path(u"sub"_s));
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"sub/inner.txt"_s})
            WriteFile(Path(name), name.toUtf8());
        m_bar = std::make_unique<CLocalBrowserBar>();
    }
    void history_data()
    {
        QTest::addColumn<int>("visits");
        QTest::addColumn<bool>("record");
        QTest::addColumn<int>("backs");
        QTest::newRow("30 visits keep the last 25") << 30 << true << 25;
        QTest::newRow("not recorded") << 3 << false << 0;
    }
    void history()
    {
        QFETCH(int, visits);
        QFETCH(bool, record);
        QFETCH(int, backs);
        QStringList visited = {m_bar->GetCurrentFolder()};
        QCOMPARE(visited[0], m_home + "/Desktop");
        for (int i = 0; i < visits; ++i)
        {
            visited << Path(QString::number(i));
            QVERIFY(QDir().mkpath(visited.last()) && m_bar->BrowseTo(visited.last(), record));
        }
        QAction* back = m_bar->findChild<QToolBar*>()->actions().first();
        for (int i = 1; i <= backs; ++i)
        {
            QVERIFY(back->isEnabled());
            m_bar->GoBack();
            QCOMPARE(m_bar->GetCurrentFolder(), visited[visits - i]);
            QCOMPARE(m_bar->History().size(), backs - i);
        }
        QVERIFY(!m_bar->CanGoBack() && !back->isEnabled());
    }

    void browseToPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown"); // empty: the process's current folder
        QTest::newRow("folder") << "sub"
                                << "sub";
        QTest::newRow("trailing slash") << "sub/"
                                        << "sub";
        QTest::newRow("missing") << "none"
                                 << "";
        QTest::newRow("file") << "a.txt"
                              << "";
    }
    void browseToPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        const QString start = m_bar->GetCurrentFolder();
        QCOMPARE(m_bar->BrowseTo(Path(path), true), !shown.isEmpty());
        QCOMPARE(m_bar->GetCurrentFolder(), shown.isEmpty() ? start : Path(shown));
        m_bar->BrowseToPath(Path(path));
        const QString expected = shown.isEmpty() ? QDir::currentPath() : Path(shown);
        QCOMPARE(m_bar->GetCurrentFolder(), expected);
        QCOMPARE(m_bar->findChild<QComboBox*>(u"LocalLocation"_s)->currentText(), expected);
    }

    void viewStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("view");
        QTest::newRow("thumbnails") << 4010 << "LocalIcons";
        QTest::newRow("tiles") << 4011 << "LocalIcons";
        QTest::newRow("icons") << 4012 << "LocalIcons";
        QTest::newRow("list") << 4013 << "LocalIcons";
        QTest::newRow("details") << 4014 << "LocalDetails";
    }
    void viewStyle()
    {
        QFETCH(int, style);
        QFETCH(QString, view);
        const auto checked = [this] { return m_bar->findChild<QActionGroup*>()->checkedAction()->data(); };
        QCOMPARE(checked(), 4014);
        for (QAction* action : m_bar->findChild<QActionGroup*>()->actions())
            if (action->data() == style)
                action->trigger();
        QCOMPARE(GetProfileInt(u"Settings"_s, u"LocalBrowserStyle"_s), style);
        m_bar->findChild<QTreeView*>()->header()->resizeSection(1, 222);
        m_bar.reset();
        m_bar = std::make_unique<CLocalBrowserBar>();
        QCOMPARE(checked(), style);
        QCOMPARE(m_bar->CurrentView()->objectName(), view);
        QCOMPARE(m_bar->findChild<QTreeView*>()->header()->sectionSize(1), 222);
    }

    void selectionAndNewFolder()
    {
        QVERIFY(ShowFolder(3));
        QVERIFY(Selected().isEmpty());
        Select(u"b.txt"_s);
        Select(u"a.txt"_s);
        QTRY_COMPARE(Selected(), QStringList({Path(u"a.txt"_s), Path(u"b.txt"_s)}));
        m_bar->NewFolder();
        m_bar->NewFolder();
        QVERIFY(QFileInfo(Path(u"新資料夾"_s)).isDir() && QFileInfo(Path(u"新資料夾 (2)"_s)).isDir());
        QCOMPARE(Selected(), QStringList({Path(u"新資料夾 (2)"_s)}));
        // Creation order: the last editor is the one of the second folder.
        QCOMPARE(m_bar->CurrentView()->findChildren<QLineEdit*>().last()->text(), u"新資料夾 (2)"_s);
        // Opening a folder shows it and keeps the one left in the history.
        Q_EMIT m_bar->CurrentView()->activated(Index(u"sub"_s));
        QCOMPARE(m_bar->GetCurrentFolder(), Path(u"sub"_s));
        QCOMPARE(m_bar->History().last(), Path());
    }

    void deleteKey_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("file to the trash") << "a.txt" << false << true;
        QTest::newRow("file removed") << "a.txt" << true << true;
        QTest::newRow("folder removed") << "sub" << true << true;
        QTest::newRow("link to a folder removed alone") << "link" << true << true;
        QTest::newRow("declined") << "a.txt" << false << false;
    }
    void deleteKey()
    {
        QFETCH(QString, item);
        QFETCH(bool, permanently);
        QFETCH(bool, confirmed);
        QVERIFY(QFile::link(Path(u"sub"_s), Path(u"link"_s)));
        m_bar->show();
        m_bar->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_bar.get()) && ShowFolder(4));
        Select(item);
        m_bar->CurrentView()->setFocus();
        CModalAnswerer answerer;
        answerer.Queue(CModalAnswerer::Click(confirmed ? QMessageBox::Yes : QMessageBox::No));
        QTest::keyClick(m_bar->CurrentView(), Qt::Key_Delete,
                        permanently ? Qt::ShiftModifier : Qt::NoModifier);
        QVERIFY(answerer.Seen().value(0).contains(item));
        QCOMPARE(answerer.Seen()[0].contains(u"永久"_s), permanently);
        QCOMPARE(QFileInfo(Path(item)).exists(), !confirmed);
        QCOMPARE(QFile::exists(m_home + "/.local/share/Trash/files/" + item), confirmed && !permanently);
        QCOMPARE(ReadFile(Path(u"sub/inner.txt"_s)), item == u"sub"_s ? "<missing>" : "sub/inner.txt");
    }

    void rename_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("free name") << "c.txt" << true;
        QTest::newRow("taken name") << "b.txt" << false;
        QTest::newRow("with a slash") << "sub/c.txt" << false;
    }
    void rename()
    {
        QFETCH(QString, newName);
        QFETCH(bool, renamed);
        QVERIFY(ShowFolder(3));
        CModalAnswerer answerer;
        QCOMPARE(m_bar->Model()->setData(Index(u"a.txt"_s), newName), renamed);
        QCOMPARE(ReadFile(Path(u"a.txt"_s)), renamed ? "<missing>" : "a.txt");
        QCOMPARE(ReadFile(Path(u"b.txt"_s)), "b.txt");
        QCOMPARE(ReadFile(Path(newName)) == "a.txt", renamed);
        QCOMPARE(answerer.Seen().value(0).contains(Path(u"a.txt"_s)), !renamed);
    }

    void recentFiles_data()
    {
        const QByteArray head = "<?xml version=\"1.0\"?><xbel version=\"1.0\">";
        const QByteArray old = "<bookmark href=\"file://ROOT/a.txt\" modified=\"2020-01-01T10:00:00Z\"/>";
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("newest existing local files")
            << head + old +
                   "<bookmark href=\"file://ROOT/gone.txt\" modified=\"2024-01-01T10:00:00Z\"/>"
                   "<bookmark href=\"https://example.com/b.txt\" modified=\"2024-01-01T10:00:00Z\"/>"
                   "<bookmark href=\"file://ROOT/new%20one.txt\" visited=\"2023-05-01T10:00:00.5Z\"/>" +
                   old + "</xbel>"
            << QStringList({u"new one.txt"_s, u"a.txt"_s});
        QTest::newRow("cut short") << head + old + "<bookmark href=\"file://RO" << QStringList({u"a.txt"_s});
        QTest::newRow("garbage") << QByteArray("\0\xff<<&&;<xbel", 12) << QStringList();
    }
    void recentFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QVERIFY(WriteFile(Path(u"new one.txt"_s), "n"));
        QVERIFY(WriteFile(Path(u"r.xbel"_s), content.replace("ROOT", Path().toUtf8())));
        QCOMPARE(CLocalPlaces::RecentFiles(Path(u"r.xbel"_s)).replaceInStrings(Path() + '/', ""), expected);
    }
};

int main(int argc, char** argv)
{
    // Nothing of the user's own: settings, desktop folders and the trash all live in a scratch home.
    QTemporaryDir home;
    const QList<std::pair<const char*, QString>> variables = {{"HOME", ""},
                                                              {"ZENTRAVA_HOME", "/zentrava"},
                                                              {"XDG_CONFIG_HOME", "/.config"},
                                                              {"XDG_DATA_HOME", "/.local/share"},
                                                              {"XDG_CACHE_HOME", "/.cache"},
                                                              {"XDG_RUNTIME_DIR", "/run"}};
    for (const auto& [name, folder] : variables)
        if (QDir().mkpath(home.path() + folder))
            qputenv(name, (home.path() + folder).toUtf8());
    QDir().mkpath(home.path() + "/Desktop");
    QFile::setPermissions(home.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QApplication app(argc, argv);
    TestLocalBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_local_browser.moc"
