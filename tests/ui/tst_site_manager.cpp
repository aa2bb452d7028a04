#include "support/Screenshot.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "sites/SiteList.h"
#include "ui/ChildFrame.h"
#include "ui/FTPClientView.h"
#include "ui/FavouritesMenu.h"
#include "ui/FrameCommands.h"
#include "ui/MainFrame.h"
#include "ui/ResizableDlgBar.h"
#include "ui/SiteFolderTree.h"
#include "ui/SiteGeneralPage.h"
#include "ui/SiteManagerDlg.h"
#include "ui/SitePropertiesSheet.h"
#include "ui/SiteTypeDlg.h"
#include "ui/WizardSheet.h"

#include "ModalAnswerer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWizard>

namespace
{

constexpr int kConnectWaitMs = 30000;

// Folder Work holding folder Inner (site Deep) and site Mail on port 2121; an empty folder Home;
// site Top below the root.
const char kSample[] = "<?xml version=\"1.0\"?>\r\n"
                       "<SITES name=\"我的最愛\">\r\n"
                       "\t<FOLDER name=\"Work\">\r\n"
                       "\t\t<FOLDER name=\"Inner\">\r\n"
                       "\t\t\t<SITE name=\"Deep\">\r\n"
                       "\t\t\t\t<ADDRESS>deep.example</ADDRESS>\r\n"
                       "\t\t\t</SITE>\r\n"
                       "\t\t</FOLDER>\r\n"
                       "\t\t<SITE name=\"Mail\">\r\n"
                       "\t\t\t<ADDRESS>mail.example</ADDRESS>\r\n"
                       "\t\t\t<PORT>2121</PORT>\r\n"
                       "\t\t\t<LOGIN>me</LOGIN>\r\n"
                       "\t\t</SITE>\r\n"
                       "\t</FOLDER>\r\n"
                       "\t<FOLDER name=\"Home\">\r\n"
                       "\t</FOLDER>\r\n"
                       "\t<SITE name=\"Top\">\r\n"
                       "\t\t<ADDRESS>top.example</ADDRESS>\r\n"
                       "\t</SITE>\r\n"
                       "</SITES>\r\n";

QStringList Labels(const QTreeWidgetItem* parent)
{
    QStringList labels;
    for (int i = 0; i < parent->childCount(); ++i)
        labels << parent->child(i)->text(0);
    return labels;
}

QStringList MenuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QMenu* FavouritesMenuOf(CMainFrame& frame)
{
    for (QAction* top : frame.menuBar()->actions())
        if (top->text() == QStringLiteral("我的最愛(&A)"))
            return top->menu();
    return nullptr;
}

QLineEdit* OpenEditor(QTreeWidget* tree)
{
    return tree->viewport()->findChild<QLineEdit*>();
}

// Types a label into the open edit box and ends the edit with the key.
bool TypeLabel(QTreeWidget* tree, const QString& text, Qt::Key key = Qt::Key_Return)
{
    QLineEdit* editor = OpenEditor(tree);
    if (!editor)
        return false;
    // Key clicks carry ASCII only; the text is put in as typed text would be.
    editor->setText(text);
    QTest::keyClick(editor, key);
    return QTest::qWaitFor([tree] { return !OpenEditor(tree); }, 5000);
}

// Site Work\Harness for the harness server, stored in sites.xml.
bool StoreHarnessSite(const CTestServer& server)
{
    CFtpSite site;
    site.Name = QStringLiteral("Harness");
    site.Address = QStringLiteral("127.0.0.1");
    site.Port = server.Port();
    site.Login = server.User();
    site.Password = server.Password();
    site.Retries = 1;
    CSiteList sites;
    sites.LoadSites();
    return sites.StoreSite(site, QStringLiteral("Work"));
}

} // namespace

class TestSiteManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void treeFollowsTheDocument();
    void missingFileShowsWizardAndEmptyRoot();
    void newFolderAndSiteAreSavedWithTheirLabels();
    void refusedNamesKeepTheOldLabel_data();
    void refusedNamesKeepTheOldLabel();
    void escapeKeepsTheOldLabel();
    void deleteAsksAndRemovesSubtreeInOneSave();
    void dragRules_data();
    void dragRules();
    void droppedSiteMovesWithItsFields();
    void contextMenuTrimmedForFolders();
    void storesByOthersReachTheTree();

    void propertiesKeepPortUnlessTypePageShown_data();
    void propertiesKeepPortUnlessTypePageShown();
    void propertiesWriteEveryFieldAndRename();
    void propertiesRefuseBadNames();
    void typePageFollowsProtocol_data();
    void typePageFollowsProtocol();
    void anonymousBoxSwapsLogin();

    void favouritesMenuOrder();
    void favouritesMenuHoldsAtMost512Sites();
    void frameMenuFollowsChanges();
    void menuAndDoubleClickConnect();
    void wizardSiteReachesTreeMenuAndServer();
    void connectWithoutSiteUsesSelectionThenWizard();
    void firstStartOffersWizard();
    void screenshot();

private:
    QString SitesFile() const { return m_home->filePath(QStringLiteral("sites.xml")); }
    void WriteSites(const QByteArray& bytes);
    QByteArray ReadSites() const;

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<CModalAnswerer> m_answerer;
    TestFiles::CServerPool m_servers;
};

void TestSiteManager::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
    WriteProfileInt("Settings", "ConnectionTimeout", 20);
    m_answerer = std::make_unique<CModalAnswerer>();
    WriteSites(kSample);
}

void TestSiteManager::cleanup()
{
    m_answerer.reset();
    qunsetenv("ZENTRAVA_HOME");
    m_home.reset();
}

void TestSiteManager::WriteSites(const QByteArray& bytes)
{
    QFile file(SitesFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray TestSiteManager::ReadSites() const
{
    QFile file(SitesFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- the tree and its commands

void TestSiteManager::treeFollowsTheDocument()
{
    CSiteList sites;
    QVERIFY(sites.LoadSites());
    CSiteManagerDlg manager(sites);
    QTreeWidget* tree = manager.Tree();
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(manager.WizardEntry()->text(0), QStringLiteral("連線精靈"));
    QCOMPARE(CSiteManagerDlg::Kind(manager.WizardEntry()), CSiteManagerDlg::WizardItem);
    QCOMPARE(manager.RootEntry()->text(0), QStringLiteral("我的最愛"));
    QVERIFY(manager.RootEntry()->isExpanded());
    QCOMPARE(Labels(manager.RootEntry()), QStringList({"Work", "Home", "Top"}));
    QTreeWidgetItem* work = manager.RootEntry()->child(0);
    QCOMPARE(Labels(work), QStringList({"Inner", "Mail"}));
    QCOMPARE(CSiteManagerDlg::Kind(work), CSiteManagerDlg::FolderItem);
    QCOMPARE(CSiteManagerDlg::Kind(work->child(1)), CSiteManagerDlg::SiteItem);
    QVERIFY(!work->child(0)->child(0)->icon(0).isNull());

    QTreeWidgetItem* deep = manager.FindItemByPath(QStringLiteral("work\\INNER\\deep"));
    QVERIFY(deep);
    QCOMPARE(CSiteManagerDlg::ItemPath(deep), QStringLiteral("Work\\Inner\\Deep"));
    QVERIFY(!manager.FindItemByPath(QString()));
    QVERIFY(!manager.FindItemByPath(QStringLiteral("Inner")));

    tree->setCurrentItem(work->child(1));
    const std::optional<CFtpSite> mail = manager.SelectedSite();
    QVERIFY(mail);
    QCOMPARE(mail->Address, QStringLiteral("mail.example"));
    QCOMPARE(mail->Port, 2121);
    tree->setCurrentItem(work);
    QVERIFY(!manager.SelectedSite());
    tree->setCurrentItem(manager.WizardEntry());
    QVERIFY(!manager.SelectedSite());
}

void TestSiteManager::missingFileShowsWizardAndEmptyRoot()
{
    QFile::remove(SitesFile());
    CSiteList sites;
    QVERIFY(!sites.LoadSites());
    CSiteManagerDlg manager(sites);
    QCOMPARE(manager.Tree()->topLevelItemCount(), 2);
    QCOMPARE(manager.RootEntry()->childCount(), 0);

    QSignalSpy wizard(&manager, &CSiteManagerDlg::WizardRequested);
    QSignalSpy connects(&manager, &CSiteManagerDlg::ConnectRequested);
    manager.Tree()->setCurrentItem(manager.WizardEntry());
    manager.ConnectSelected();
    QCOMPARE(wizard.count(), 1);
    manager.Tree()->setCurrentItem(manager.RootEntry());
    manager.ConnectSelected();
    QCOMPARE(wizard.count(), 1);
    QCOMPARE(connects.count(), 0);
}

void TestSiteManager::newFolderAndSiteAreSavedWithTheirLabels()
{
    QFile::remove(SitesFile());
    WriteProfileInt("Settings", "DefaultRetries", 4);
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    manager.show();
    QSignalSpy changed(&manager, &CSiteManagerDlg::SitesChanged);
    QTreeWidget* tree = manager.Tree();

    tree->setCurrentItem(manager.WizardEntry());
    manager.NewFolder();
    QCOMPARE(tree->currentItem()->text(0), QStringLiteral("新資料夾"));
    QVERIFY(!QFile::exists(SitesFile()));
    QVERIFY(TypeLabel(tree, QStringLiteral("工作")));
    QCOMPARE(changed.count(), 1);
    QVERIFY(ReadSites().contains("<FOLDER name=\"工作\""));

    manager.NewSite();
    QCOMPARE(CSiteManagerDlg::ItemPath(tree->currentItem()), QStringLiteral("工作\\新站台"));
    QVERIFY(TypeLabel(tree, QStringLiteral("Mail")));
    QCOMPARE(changed.count(), 2);

    // A new site goes beside a selected site; a label left as it was is saved too.
    manager.NewSite();
    QCOMPARE(CSiteManagerDlg::ItemPath(tree->currentItem()), QStringLiteral("工作\\新站台"));
    QVERIFY(TypeLabel(tree, QStringLiteral("新站台")));
    QCOMPARE(changed.count(), 3);

    CXmlDocument expected;
    CXmlElement* root = expected.GetRoot();
    root->SetName("SITES");
    root->SetAttribute("name", "我的最愛");
    CXmlElement* folder = expected.AddElement(root, "FOLDER", {}, "name = \"工作\"");
    for (const char* name : {"Mail", "新站台"})
    {
        CXmlElement* site = expected.AddElement(folder, "SITE", {}, "name = \"" + QByteArray(name) + '"');
        for (const auto& [key, value] : {std::pair<const char*, QByteArray>{"ADDRESS", {}},
                                         {"PORT", "21"},
                                         {"DATAMODE", "0"},
                                         {"TRANSFERTYPE", "0"},
                                         {"LOGIN", {}},
                                         {"PASSWORD", {}},
                                         {"REMOTEPATH", {}},
                                         {"LOCALPATH", {}},
                                         {"RETRIES", "4"},
                                         {"RETRYDELAY", "10"},
                                         {"DESCRIPTION", {}}})
            expected.SetChildValue(site, key, value);
    }
    const QString expectedFile = m_home->filePath(QStringLiteral("expected.xml"));
    QVERIFY(expected.Save(expectedFile));
    QFile written(expectedFile);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(ReadSites(), written.readAll());
    QVERIFY(ReadSites().startsWith("<?xml"));
    QVERIFY(ReadSites().contains("\r\n\t\t\t<RETRIES>4</RETRIES>\r\n"));
}

void TestSiteManager::refusedNamesKeepTheOldLabel_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("double quote") << "a\"b";
    QTest::newRow("less than") << "a<b";
    QTest::newRow("greater than") << "a>b";
    QTest::newRow("backslash") << "a\\b";
}

void TestSiteManager::refusedNamesKeepTheOldLabel()
{
    QFETCH(QString, name);
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    manager.show();
    QTreeWidgetItem* top = manager.FindItemByPath(QStringLiteral("Top"));
    manager.Tree()->setCurrentItem(top);
    manager.RenameSelected();
    m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Ok));
    QVERIFY(TypeLabel(manager.Tree(), name));
    QTRY_COMPARE(m_answerer->Seen().size(), 1);
    QVERIFY(m_answerer->Seen().first().contains(QStringLiteral("名稱不能")));
    QCOMPARE(top->text(0), QStringLiteral("Top"));
    QCOMPARE(ReadSites(), QByteArray(kSample));
    // The commands come back after the edit.
    QVERIFY(manager.Tree()->actions().first()->isEnabled());
}

void TestSiteManager::escapeKeepsTheOldLabel()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    manager.show();
    QSignalSpy changed(&manager, &CSiteManagerDlg::SitesChanged);
    QTreeWidgetItem* work = manager.FindItemByPath(QStringLiteral("Work"));
    manager.Tree()->setCurrentItem(work);
    manager.RenameSelected();
    QVERIFY(TypeLabel(manager.Tree(), QStringLiteral("Other"), Qt::Key_Escape));
    QCOMPARE(work->text(0), QStringLiteral("Work"));
    QCOMPARE(changed.count(), 0);

    manager.RenameSelected();
    QVERIFY(TypeLabel(manager.Tree(), QStringLiteral("Jobs")));
    QCOMPARE(changed.count(), 1);
    CSiteList reread;
    reread.LoadSites();
    QVERIFY(reread.FindFolderByPath(nullptr, QStringLiteral("Jobs\\Inner")));
}

void TestSiteManager::deleteAsksAndRemovesSubtreeInOneSave()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    QSignalSpy changed(&manager, &CSiteManagerDlg::SitesChanged);
    manager.Tree()->setCurrentItem(manager.FindItemByPath(QStringLiteral("Work")));
    m_answerer->Queue(CModalAnswerer::Click(QMessageBox::No));
    manager.DeleteSelected();
    QCOMPARE(ReadSites(), QByteArray(kSample));

    m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Yes));
    manager.DeleteSelected();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(Labels(manager.RootEntry()), QStringList({"Home", "Top"}));
    const QByteArray saved = ReadSites();
    for (const char* gone : {"Work", "Inner", "Deep", "Mail"})
        QVERIFY2(!saved.contains(gone), gone);

    manager.Tree()->setCurrentItem(manager.FindItemByPath(QStringLiteral("Top")));
    m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Yes));
    manager.DeleteSelected();
    QCOMPARE(m_answerer->Seen(), QStringList({QStringLiteral("您確定要刪除這個資料夾 'Work' 及所有的內容？"),
                                              QStringLiteral("您確定要刪除這個資料夾 'Work' 及所有的內容？"),
                                              QStringLiteral("您確定要刪除 'Top' ？")}));
    // The root and the wizard entry cannot be deleted.
    for (QTreeWidgetItem* item : {manager.RootEntry(), manager.WizardEntry()})
    {
        manager.Tree()->setCurrentItem(item);
        manager.DeleteSelected();
    }
    QCOMPARE(m_answerer->Seen().size(), 3);
    QCOMPARE(manager.Tree()->topLevelItemCount(), 2);
}

void TestSiteManager::dragRules_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("folder onto its child") << "Work"
                                           << "Work\\Inner" << false;
    QTest::newRow("folder onto itself") << "Work"
                                        << "Work" << false;
    QTest::newRow("folder onto its parent") << "Work\\Inner"
                                            << "Work" << true;
    QTest::newRow("site onto a site") << "Top"
                                      << "Work\\Mail" << false;
    QTest::newRow("root") << ""
                          << "Home" << false;
}

void TestSiteManager::dragRules()
{
    QFETCH(QString, item);
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    QSignalSpy changed(&manager, &CSiteManagerDlg::SitesChanged);
    QTreeWidgetItem* dragged = item.isEmpty() ? manager.RootEntry() : manager.FindItemByPath(item);
    QVERIFY(dragged);
    QCOMPARE(manager.MoveItem(dragged, manager.FindItemByPath(target)), accepted);
    // Nothing moves either way: the accepted case is already in place.
    QCOMPARE(changed.count(), 0);
    QCOMPARE(ReadSites(), QByteArray(kSample));
    QCOMPARE(Labels(manager.RootEntry()), QStringList({"Work", "Home", "Top"}));
}

void TestSiteManager::droppedSiteMovesWithItsFields()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    manager.resize(300, 400);
    manager.show();
    QVERIFY(QTest::qWaitForWindowExposed(&manager));
    QTreeWidget* tree = manager.Tree();
    tree->expandAll();
    QTreeWidgetItem* mail = manager.FindItemByPath(QStringLiteral("Work\\Mail"));
    tree->setCurrentItem(mail);
    std::unique_ptr<QMimeData> data(tree->model()->mimeData({tree->currentIndex()}));
    const QPoint home = tree->visualItemRect(manager.FindItemByPath(QStringLiteral("Home"))).center();
    QDropEvent drop(home, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    // The application delivers a drop only after the drag entered.
    QDragEnterEvent enter(home, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QCoreApplication::sendEvent(tree->viewport(), &drop);
    // Not a move: the view would delete the dragged rows itself after a move.
    QCOMPARE(drop.dropAction(), Qt::CopyAction);

    QCOMPARE(CSiteManagerDlg::ItemPath(tree->currentItem()), QStringLiteral("Home\\Mail"));
    CSiteList reread;
    reread.LoadSites();
    CFtpSite moved;
    QVERIFY(reread.LoadSiteByPath(QStringLiteral("Home\\Mail"), moved));
    QCOMPARE(moved.Port, 2121);
    QCOMPARE(moved.Login, QStringLiteral("me"));
    QVERIFY(!reread.FindSiteInFolder(reread.FindFolderByPath(nullptr, QStringLiteral("Work")),
                                     QStringLiteral("Mail")));

    // A drop on a site does nothing.
    tree->setCurrentItem(manager.FindItemByPath(QStringLiteral("Top")));
    const QByteArray before = ReadSites();
    std::unique_ptr<QMimeData> again(tree->model()->mimeData({tree->currentIndex()}));
    QDropEvent onSite(
        tree->visualItemRect(manager.FindItemByPath(QStringLiteral("Work\\Inner\\Deep"))).center(),
        Qt::MoveAction, again.get(), Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enterSite(onSite.position().toPoint(), Qt::MoveAction, again.get(), Qt::LeftButton,
                              Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enterSite);
    QCoreApplication::sendEvent(tree->viewport(), &onSite);
    QCOMPARE(ReadSites(), before);
}

void TestSiteManager::contextMenuTrimmedForFolders()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    const QStringList folderItems{"新增站台(&S)", "新增資料夾(&F)", "重新命名(&R)", "刪除(&D)"};
    for (const QString& path : {QStringLiteral("Work"), QString()})
    {
        manager.Tree()->setCurrentItem(path.isEmpty() ? manager.RootEntry() : manager.FindItemByPath(path));
        std::unique_ptr<QMenu> menu(manager.CreateContextMenu());
        QVERIFY(menu);
        QCOMPARE(MenuTexts(menu.get()), folderItems);
    }
    manager.Tree()->setCurrentItem(manager.FindItemByPath(QStringLiteral("Top")));
    std::unique_ptr<QMenu> siteMenu(manager.CreateContextMenu());
    QCOMPARE(MenuTexts(siteMenu.get()), QStringList({"連線(&N)", "-", "新增站台(&S)", "新增資料夾(&F)",
                                                     "重新命名(&R)", "刪除(&D)", "-", "內容(&P)..."}));
    QCOMPARE(siteMenu->actions().last()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));
    QCOMPARE(siteMenu->actions().at(3)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    manager.Tree()->setCurrentItem(manager.WizardEntry());
    QVERIFY(!manager.CreateContextMenu());
}

void TestSiteManager::storesByOthersReachTheTree()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    QSignalSpy changed(&manager, &CSiteManagerDlg::SitesChanged);
    manager.Tree()->setCurrentItem(manager.FindItemByPath(QStringLiteral("Work\\Mail")));
    CFtpSite site;
    site.Name = QStringLiteral("Stored");
    site.Address = QStringLiteral("stored.example");
    QVERIFY(sites.StoreSite(site, QStringLiteral("Home")));
    QCOMPARE(changed.count(), 1);
    QVERIFY(manager.FindItemByPath(QStringLiteral("Home\\Stored")));
    // The tree's elements are the reloaded document's.
    QCOMPARE(manager.SelectedSite()->Address, QStringLiteral("mail.example"));
}

// ---- the properties sheet

void TestSiteManager::propertiesKeepPortUnlessTypePageShown_data()
{
    QTest::addColumn<bool>("showTypePage");
    QTest::addColumn<int>("port");
    QTest::newRow("type page never shown") << false << 2121;
    QTest::newRow("type page shown") << true << 21;
}

void TestSiteManager::propertiesKeepPortUnlessTypePageShown()
{
    QFETCH(bool, showTypePage);
    QFETCH(int, port);
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    manager.Tree()->setCurrentItem(manager.FindItemByPath(QStringLiteral("Work\\Mail")));
    m_answerer->Queue(
        [showTypePage](QDialog* dialog)
        {
            auto* sheet = qobject_cast<CSitePropertiesSheet*>(dialog);
            if (showTypePage)
                sheet->Tabs()->setCurrentWidget(sheet->TypePage());
            sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
    manager.ShowProperties();
    QCOMPARE(m_answerer->Seen(), QStringList{QStringLiteral("站台連線設定")});
    CSiteList reread;
    reread.LoadSites();
    CFtpSite site;
    QVERIFY(reread.LoadSiteByPath(QStringLiteral("Work\\Mail"), site));
    QCOMPARE(site.Port, port);
    QCOMPARE(site.Login, QStringLiteral("me"));
}

void TestSiteManager::propertiesWriteEveryFieldAndRename()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    QSignalSpy connects(&manager, &CSiteManagerDlg::ConnectRequested);
    QTreeWidgetItem* top = manager.FindItemByPath(QStringLiteral("Top"));
    manager.Tree()->setCurrentItem(top);
    m_answerer->Queue(
        [](QDialog* dialog)
        {
            auto* sheet = qobject_cast<CSitePropertiesSheet*>(dialog);
            QVERIFY(sheet->ConnectButton()->isDefault());
            sheet->GeneralPage()->NameEdit()->setText(QStringLiteral("Renamed"));
            sheet->Tabs()->setCurrentWidget(sheet->TypePage());
            sheet->TypePage()->ProtocolList()->setCurrentIndex(CFtpSite::ProtocolExplicitTls);
            sheet->TypePage()->ClearDataBox()->setChecked(true);
            sheet->ConnectButton()->click();
        });
    manager.ShowProperties();
    QCOMPARE(top->text(0), QStringLiteral("Renamed"));
    QCOMPARE(connects.count(), 1);
    QCOMPARE(connects.first().first().toString(), QStringLiteral("Renamed"));
    // Fields already there change in place; the missing ones follow in the sheet's order.
    const QByteArray saved = ReadSites();
    const qsizetype from = saved.indexOf("<SITE name=\"Renamed\"");
    QVERIFY(from > 0);
    QStringList tags;
    for (const QByteArray& line : saved.mid(from, saved.indexOf("</SITE>", from) - from).split('\n').mid(1))
        if (line.startsWith("\t\t<") && !line.startsWith("\t\t</"))
            tags << QString::fromLatin1(line.mid(3, line.indexOf('>') - 3));
    QCOMPARE(tags, QStringList({"ADDRESS", "PASSWORD", "LOGIN", "PORT", "DATAMODE", "TRANSFERTYPE", "RETRIES",
                                "RETRYDELAY", "DESCRIPTION", "LOCALPATH", "REMOTEPATH", "PROTOCOLTYPE",
                                "CLEARCOMMANDCHANNEL", "CLEARDATACHANNEL"}));
    CSiteList reread;
    reread.LoadSites();
    CFtpSite site;
    QVERIFY(reread.LoadSiteByPath(QStringLiteral("Renamed"), site));
    QCOMPARE(site.Address, QStringLiteral("top.example"));
    QCOMPARE(site.Port, 21);
    QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolExplicitTls));
    QVERIFY(site.ClearDataChannel);
    QVERIFY(!site.ClearCommandChannel);
}

void TestSiteManager::propertiesRefuseBadNames()
{
    CFtpSite site;
    site.Name = QStringLiteral("Good");
    CSitePropertiesSheet sheet(site);
    sheet.GeneralPage()->NameEdit()->setText(QStringLiteral("bad\"name"));
    m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Ok));
    sheet.show();
    sheet.ConnectButton()->click();
    QVERIFY(sheet.isVisible());
    QVERIFY(!sheet.ConnectChosen());
    QCOMPARE(m_answerer->Seen().size(), 1);
    sheet.GeneralPage()->NameEdit()->setText(QStringLiteral("Fine"));
    sheet.ConnectButton()->click();
    QVERIFY(!sheet.isVisible());
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    QVERIFY(sheet.ConnectChosen());
    QCOMPARE(sheet.Site().Name, QStringLiteral("Fine"));
}

void TestSiteManager::typePageFollowsProtocol_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("clearBoxes");
    QTest::addColumn<bool>("dataMode");
    QTest::addColumn<QString>("description");
    QTest::newRow("ftp") << 0 << 21 << false << true << "使用標準FTP通訊協定";
    QTest::newRow("implicit tls") << 1 << 990 << false << true << "以TLS(SSL V 3.1)";
    QTest::newRow("explicit tls") << 2 << 21 << true << true << "透過叫用 AUTH TLS 指令";
    QTest::newRow("sftp") << 3 << 22 << false << false << "SFTP (SecureFTP)";
}

void TestSiteManager::typePageFollowsProtocol()
{
    QFETCH(int, protocol);
    QFETCH(int, port);
    QFETCH(bool, clearBoxes);
    QFETCH(bool, dataMode);
    QFETCH(QString, description);
    CFtpSite site;
    site.ProtocolType = CFtpSite::ProtocolExplicitTls;
    site.ClearDataChannel = true;
    site.ClearCommandChannel = true;
    site.Port = 4444;
    CSiteTypeDlg page;
    page.Load(site);
    page.show();
    QCOMPARE(page.PortBox()->value(), 21);
    // Choosing the stored protocol again changes nothing; another one applies its rules.
    page.ProtocolList()->setCurrentIndex(protocol == 2 ? 3 : 2);
    page.ProtocolList()->setCurrentIndex(protocol);
    QCOMPARE(page.PortBox()->value(), port);
    QVERIFY(page.Description()->text().startsWith(description));
    QCOMPARE(!page.ClearDataBox()->isHidden(), clearBoxes);
    QCOMPARE(!page.ClearCommandBox()->isHidden(), clearBoxes);
    QCOMPARE(!page.ClearChannelNote()->isHidden(), clearBoxes);
    QCOMPARE(!page.DataModeList()->isHidden(), dataMode);
    QCOMPARE(!page.DataModeLabel()->isHidden(), dataMode);
    CFtpSite stored;
    page.Store(stored);
    QCOMPARE(stored.ProtocolType, protocol);
    QCOMPARE(stored.Port, port);
    // Flags survive only where they mean something; explicit TLS lost them when SFTP was chosen.
    QCOMPARE(stored.ClearDataChannel, false);
    page.ClearDataBox()->setChecked(true);
    page.Store(stored);
    QCOMPARE(stored.ClearDataChannel, true);
    if (!clearBoxes)
    {
        page.ProtocolList()->setCurrentIndex(protocol == 0 ? 1 : 0);
        page.Store(stored);
        QCOMPARE(stored.ClearDataChannel, false);
    }
}

void TestSiteManager::anonymousBoxSwapsLogin()
{
    WriteProfileString("Settings", "EmailAddress", "me@example.org");
    CFtpSite site;
    site.Login = QStringLiteral("alice");
    site.Password = QStringLiteral("secret");
    CSiteGeneralPage page;
    page.Load(site);
    QCOMPARE(page.PasswordEdit()->echoMode(), QLineEdit::Password);
    QVERIFY(!page.AnonymousBox()->isChecked());

    page.AnonymousBox()->setChecked(true);
    QCOMPARE(page.LoginEdit()->text(), QStringLiteral("anonymous"));
    QCOMPARE(page.PasswordEdit()->text(), QStringLiteral("me@example.org"));
    QCOMPARE(page.PasswordEdit()->echoMode(), QLineEdit::Normal);
    page.AnonymousBox()->setChecked(false);
    QCOMPARE(page.LoginEdit()->text(), QStringLiteral("alice"));
    QCOMPARE(page.PasswordEdit()->text(), QStringLiteral("secret"));
    QCOMPARE(page.PasswordEdit()->echoMode(), QLineEdit::Password);

    page.AnonymousBox()->setChecked(true);
    QTest::keyClick(page.LoginEdit(), Qt::Key_Backspace);
    QVERIFY(!page.AnonymousBox()->isChecked());
    QCOMPARE(page.PasswordEdit()->echoMode(), QLineEdit::Password);

    site.Login = QStringLiteral("ANONYMOUS");
    page.Load(site);
    QVERIFY(page.AnonymousBox()->isChecked());
    QCOMPARE(page.PasswordEdit()->echoMode(), QLineEdit::Normal);
}

// ---- the favourites menu

void TestSiteManager::favouritesMenuOrder()
{
    WriteSites("<?xml version=\"1.0\"?>\r\n<SITES name=\"x\">\r\n"
               "<SITE name=\"b\"/><SITE name=\"A\"/>"
               "<FOLDER name=\"b\"><SITE name=\"z\"/><SITE name=\"Y\"/><SITE name=\"y\"/></FOLDER>"
               "<FOLDER name=\"Empty\"><FOLDER name=\"Nothing\"></FOLDER></FOLDER>"
               "<FOLDER name=\"A\"><FOLDER name=\"Deep\"><SITE name=\"d\"/></FOLDER></FOLDER>"
               "</SITES>\r\n");
    QMenu menu;
    menu.addAction(QStringLiteral("加到我的最愛(&A)..."));
    menu.addAction(QStringLiteral("管理我的最愛(&O)..."));
    menu.addSeparator();
    CFavouritesMenu favourites(&menu, SitesFile());
    favourites.RefreshFavouritesMenu();
    QCOMPARE(MenuTexts(&menu),
             QStringList({"加到我的最愛(&A)...", "管理我的最愛(&O)...", "-", "A", "b", "A", "b"}));
    QMenu* a = menu.actions().at(3)->menu();
    QVERIFY(a);
    QCOMPARE(MenuTexts(a), QStringList{"Deep"});
    QCOMPARE(MenuTexts(menu.actions().at(4)->menu()), QStringList({"Y", "y", "z"}));
    QVERIFY(!menu.actions().at(5)->menu());
    // Identifiers follow the level's sites first, then the folders in file order.
    QCOMPARE(favourites.SitePaths(), QStringList({"A", "b", "b\\Y", "b\\y", "b\\z", "A\\Deep\\d"}));

    QSignalSpy chosen(&favourites, &CFavouritesMenu::SiteChosen);
    menu.actions().at(4)->menu()->actions().at(2)->trigger();
    QCOMPARE(chosen.first().first().toString(), QStringLiteral("b\\z"));

    // Refreshing replaces the items; an unreadable file leaves the fixed three.
    favourites.RefreshFavouritesMenu();
    QCOMPARE(menu.actions().size(), 7);
    QFile::remove(SitesFile());
    favourites.RefreshFavouritesMenu();
    QCOMPARE(menu.actions().size(), 3);
    QVERIFY(favourites.SitePaths().isEmpty());
}

void TestSiteManager::favouritesMenuHoldsAtMost512Sites()
{
    QByteArray xml = "<?xml version=\"1.0\"?>\r\n<SITES name=\"x\">\r\n";
    for (int i = 0; i < 600; ++i)
        xml += "<SITE name=\"s" + QByteArray::number(1000 + i) + "\"/>";
    xml += "<FOLDER name=\"f\"><SITE name=\"late\"/></FOLDER></SITES>\r\n";
    WriteSites(xml);
    QMenu menu;
    CFavouritesMenu favourites(&menu, SitesFile());
    favourites.RefreshFavouritesMenu();
    QCOMPARE(favourites.SitePaths().size(), CFavouritesMenu::kMaxSites);
    QCOMPARE(menu.actions().size(), CFavouritesMenu::kMaxSites);
    QCOMPARE(favourites.SitePaths().last(), QStringLiteral("s1511"));
}

void TestSiteManager::frameMenuFollowsChanges()
{
    CMainFrame frame;
    QMenu* menu = FavouritesMenuOf(frame);
    QVERIFY(menu);
    QCOMPARE(MenuTexts(menu),
             QStringList({"加到我的最愛(&A)...", "管理我的最愛(&O)...", "-", "Work", "Top"}));
    CSiteManagerDlg* manager = frame.SiteManager();
    QVERIFY(manager);
    QCOMPARE(frame.SiteManagerBar()->widget(), manager);

    manager->Tree()->setCurrentItem(manager->FindItemByPath(QStringLiteral("Top")));
    m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Yes));
    manager->DeleteSelected();
    QCOMPARE(MenuTexts(menu), QStringList({"加到我的最愛(&A)...", "管理我的最愛(&O)...", "-", "Work"}));

    frame.show();
    frame.SiteManagerBar()->hide();
    frame.Commands()->Action(FrameCommand::ManageFavourites)->trigger();
    QVERIFY(frame.SiteManagerBar()->isVisible());
    QCOMPARE(frame.focusWidget(), manager->Tree());

    // A log-in stored by a connection window lands in the same list the site manager edits.
    QAction* addFavourite = frame.Commands()->Action(FrameCommand::AddFavourite);
    QVERIFY(!addFavourite->isEnabled());
    auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(QString())->widget());
    QVERIFY(window);
    QVERIFY(addFavourite->isEnabled());
    CFtpSite site;
    site.Name = QStringLiteral("FromWindow");
    QVERIFY(frame.Sites().StoreSite(site));
    QVERIFY(manager->FindItemByPath(QStringLiteral("FromWindow")));
    QVERIFY(MenuTexts(menu).contains(QStringLiteral("FromWindow")));
    manager->Tree()->setCurrentItem(manager->FindItemByPath(QStringLiteral("Work\\Mail")));
    QCOMPARE(window->View()->SelectedSite()->Address, QStringLiteral("mail.example"));
}

void TestSiteManager::menuAndDoubleClickConnect()
{
    CTestServer* server = m_servers.Require(QStringLiteral("proftpd"));
    QVERIFY(server);
    QVERIFY(StoreHarnessSite(*server));
    CMainFrame frame;
    frame.show();
    QMdiArea* area = frame.MdiArea();
    const auto connectedWindows = [area]
    {
        int connected = 0;
        for (QMdiSubWindow* sub : area->subWindowList())
            if (auto* window = qobject_cast<CChildFrame*>(sub->widget());
                window && window->View()->Session().IsConnected() && !window->View()->IsWaiting())
                ++connected;
        return connected;
    };

    QMenu* work = nullptr;
    for (QAction* action : FavouritesMenuOf(frame)->actions())
        if (action->text() == QLatin1String("Work"))
            work = action->menu();
    QVERIFY(work);
    QAction* harness = work->actions().value(1);
    QVERIFY(harness);
    QCOMPARE(harness->text(), QStringLiteral("Harness"));
    harness->trigger();
    QCOMPARE(area->subWindowList().size(), 1);
    QVERIFY(QTest::qWaitFor([&] { return connectedWindows() == 1; }, kConnectWaitMs));
    auto* first = qobject_cast<CChildFrame*>(area->subWindowList().first()->widget());
    QCOMPARE(first->View()->Session().Site().Port, int(server->Port()));

    // A double click opens a window of its own.
    CSiteManagerDlg* manager = frame.SiteManager();
    QTreeWidgetItem* item = manager->FindItemByPath(QStringLiteral("Work\\Harness"));
    QVERIFY(item);
    manager->Tree()->expandAll();
    manager->Tree()->scrollToItem(item);
    const QPoint at = manager->Tree()->visualItemRect(item).center();
    // A test double click is a lone press; the click before it gives the view the press it expects.
    QTest::mouseClick(manager->Tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(manager->Tree()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(area->subWindowList().size(), 2);
    QVERIFY(QTest::qWaitFor([&] { return connectedWindows() == 2; }, kConnectWaitMs));
    QVERIFY(m_answerer->Seen().isEmpty());
}

void TestSiteManager::wizardSiteReachesTreeMenuAndServer()
{
    CTestServer* server = m_servers.Require(QStringLiteral("proftpd"));
    QVERIFY(server);
    CMainFrame frame;
    frame.show();
    m_answerer->Queue(
        [server](QDialog* dialog)
        {
            auto* wizard = qobject_cast<CWizardSheet*>(dialog);
            QVERIFY(wizard);
            wizard->findChild<QLineEdit*>(QStringLiteral("siteName"))->setText(QStringLiteral("Harness"));
            wizard->next();
            wizard->findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("127.0.0.1"));
            wizard->next();
            wizard->findChild<QLineEdit*>(QStringLiteral("login"))->setText(server->User());
            wizard->findChild<QLineEdit*>(QStringLiteral("password"))->setText(server->Password());
            wizard->next();
            wizard->next();
            QVERIFY(wizard->findChild<CSiteFolderTree*>(QStringLiteral("folders"))->SelectPath("Work"));
            wizard->next();
            wizard->button(QWizard::FinishButton)->click();
        });
    frame.Commands()->Action(FrameCommand::Wizard)->trigger();
    QVERIFY(!m_answerer->HasPendingAnswers());

    CSiteManagerDlg* manager = frame.SiteManager();
    QTreeWidgetItem* item = manager->FindItemByPath(QStringLiteral("Work\\Harness"));
    QVERIFY(item);
    QCOMPARE(manager->Tree()->currentItem(), item);
    QMenu* work = nullptr;
    for (QAction* action : FavouritesMenuOf(frame)->actions())
        if (action->text() == QLatin1String("Work"))
            work = action->menu();
    QVERIFY(work);
    QCOMPARE(MenuTexts(work), QStringList({"Inner", "Harness", "Mail"}));

    // The wizard stores the standard port; the harness listens elsewhere, set in the type page.
    m_answerer->Queue(
        [server](QDialog* dialog)
        {
            auto* sheet = qobject_cast<CSitePropertiesSheet*>(dialog);
            QVERIFY(sheet);
            sheet->Tabs()->setCurrentWidget(sheet->TypePage());
            sheet->TypePage()->PortBox()->setValue(server->Port());
            sheet->ConnectButton()->click();
        });
    manager->ShowProperties();
    QVERIFY(!m_answerer->HasPendingAnswers());
    QMdiArea* area = frame.MdiArea();
    QCOMPARE(area->subWindowList().size(), 1);
    auto* window = qobject_cast<CChildFrame*>(area->subWindowList().first()->widget());
    QVERIFY(QTest::qWaitFor(
        [window] { return window->View()->Session().IsConnected() && !window->View()->IsWaiting(); },
        kConnectWaitMs));
    QCOMPARE(window->View()->Session().Site().Port, int(server->Port()));
    QCOMPARE(window->View()->Session().Site().Login, server->User());
}

void TestSiteManager::connectWithoutSiteUsesSelectionThenWizard()
{
    CTestServer* server = m_servers.Require(QStringLiteral("proftpd"));
    QVERIFY(server);
    QVERIFY(StoreHarnessSite(*server));
    CMainFrame frame;
    frame.show();
    auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(QString())->widget());
    QVERIFY(window);
    CSiteManagerDlg* manager = frame.SiteManager();
    QAction* connect = frame.Commands()->Action(FrameCommand::Connect);

    // No site selected: the wizard is offered; cancelled, nothing connects.
    manager->Tree()->setCurrentItem(manager->RootEntry());
    frame.UpdateWindowCommands();
    connect->trigger();
    QTRY_VERIFY(m_answerer->Seen().contains(QStringLiteral("Connection Wizard")));
    QVERIFY(!window->View()->Session().IsConnected());

    manager->Tree()->setCurrentItem(manager->FindItemByPath(QStringLiteral("Work\\Harness")));
    frame.UpdateWindowCommands();
    connect->trigger();
    QVERIFY(QTest::qWaitFor(
        [window] { return window->View()->Session().IsConnected() && !window->View()->IsWaiting(); },
        kConnectWaitMs));
    QCOMPARE(window->View()->Session().Site().Port, int(server->Port()));
}

void TestSiteManager::firstStartOffersWizard()
{
    {
        CMainFrame frame;
        frame.show();
        frame.OfferWizardOnFirstStart();
        QTest::qWait(200);
        QVERIFY(m_answerer->Seen().isEmpty());
    }
    QFile::remove(SitesFile());
    CMainFrame frame;
    frame.show();
    QCOMPARE(frame.SiteManager()->RootEntry()->childCount(), 0);
    QCOMPARE(MenuTexts(FavouritesMenuOf(frame)).size(), 3);
    frame.OfferWizardOnFirstStart();
    // Posted: nothing opens before the frame's event loop runs.
    QVERIFY(m_answerer->Seen().isEmpty());
    QTRY_COMPARE(m_answerer->Seen().size(), 1);
}

void TestSiteManager::screenshot()
{
    CSiteList sites;
    sites.LoadSites();
    CSiteManagerDlg manager(sites);
    manager.resize(260, 360);
    manager.Tree()->expandAll();
    manager.Tree()->setCurrentItem(manager.FindItemByPath(QStringLiteral("Work\\Mail")));
    manager.show();
    QVERIFY(QTest::qWaitForWindowExposed(&manager));
    const QString problem =
        Screenshot::Save(manager, QStringLiteral("site_manager.png"), {QStringLiteral("Work"), QStringLiteral("Mail")});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestSiteManager)
#include "tst_site_manager.moc"
