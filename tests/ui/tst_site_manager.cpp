#include "support/Screenshot.h"

#include "ui/FrameCommands.h"
#include "ui/SiteGeneralPage.h"
#include "ui/SiteManagerDlg.h"
#include "ui/SitePropertiesSheet.h"
#include "ui/SiteTypeDlg.h"

#include "WindowTestSupport.h"

using namespace WindowTestSupport;

namespace
{

// Folder Work holding folder Inner (site Deep) and site Mail on port 2121; an empty folder Home;
// site Top below the root.
const char kSample[] =
    "<?xml version=\"1.0\"?>\r\n<SITES name=\"我的最愛\">\r\n"
    "\t<FOLDER name=\"Work\">\r\n\t\t<FOLDER name=\"Inner\">\r\n"
    "\t\t\t<SITE name=\"Deep\">\r\n\t\t\t\t<ADDRESS>deep.example</ADDRESS>\r\n\t\t\t</SITE>\r\n"
    "\t\t</FOLDER>\r\n\t\t<SITE name=\"Mail\">\r\n\t\t\t<ADDRESS>mail.example</ADDRESS>\r\n"
    "\t\t\t<PORT>2121</PORT>\r\n\t\t\t<LOGIN>me</LOGIN>\r\n\t\t</SITE>\r\n\t</FOLDER>\r\n"
    "\t<FOLDER name=\"Home\">\r\n\t</FOLDER>\r\n"
    "\t<SITE name=\"Top\">\r\n\t\t<ADDRESS>top.example</ADDRESS>\r\n\t</SITE>\r\n</SITES>\r\n";

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
        texts << (action->isSeparator() ? u"-"_s : action->text());
    return texts;
}

QMenu* SubMenu(const QWidget* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action->menu();
    return nullptr;
}

QMenu* FavouritesMenuOf(CMainFrame& frame)
{
    return SubMenu(frame.menuBar(), u"我的最愛(&A)"_s);
}

// Types a label into the open edit box and ends the edit with the key; key clicks carry ASCII only.
bool TypeLabel(QTreeWidget* tree, const QString& text, Qt::Key key = Qt::Key_Return)
{
    auto editor = [tree] { return tree->viewport()->findChild<QLineEdit*>(); };
    if (!editor())
        return false;
    editor()->setText(text);
    QTest::keyClick(editor(), key);
    return QTest::qWaitFor([&] { return !editor(); }, 5000);
}

QByteArray ReadSites()
{
    return TestFiles::ReadFile(CSiteList().FilePath());
}

// The site as stored in sites.xml now; its name is empty when it is not there.
CFtpSite StoredSite(const QString& path)
{
    CSiteList sites;
    sites.LoadSites();
    CFtpSite site;
    return sites.LoadSiteByPath(path, site) ? site : CFtpSite();
}

bool Connected(CChildFrame* window)
{
    return window->View()->Session().IsConnected() && !window->View()->IsWaiting();
}

// The sample's sites in a manager over them.
struct CManager
{
    CSiteList sites;
    bool loaded = bool(sites.LoadSites());
    CSiteManagerDlg dialog{sites};
    QSignalSpy changed{&dialog, &CSiteManagerDlg::SitesChanged};

    QTreeWidgetItem* Item(const QString& path) const
    {
        return path.isEmpty() ? dialog.RootEntry() : dialog.FindItemByPath(path);
    }
    QTreeWidgetItem* Select(const QString& path)
    {
        dialog.Tree()->setCurrentItem(Item(path));
        return Item(path);
    }
};

} // namespace

class TestSiteManager : public QObject
{
    Q_OBJECT

    std::optional<CFixture> m_fixture;
    CModalAnswerer& Answerer() { return m_fixture->answerer; }

    // Site Work\Harness for proftpd, stored in sites.xml.
    static CTestServer* StoreHarnessSite()
    {
        CTestServer* server = Harness::Require(u"proftpd"_s);
        CFtpSite site;
        site.Name = u"Harness"_s;
        site.Address = u"127.0.0.1"_s;
        site.Port = server ? server->Port() : 0;
        site.Login = server ? server->User() : QString();
        site.Password = server ? server->Password() : QString();
        site.Retries = 1;
        CSiteList sites;
        sites.LoadSites();
        return server && sites.StoreSite(site, u"Work"_s) ? server : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        m_fixture.emplace();
        QVERIFY(TestFiles::WriteFile(CSiteList().FilePath(), kSample));
    }
    void cleanup() { m_fixture.reset(); }

    void treeFollowsTheDocument()
    {
        CManager m;
        QCOMPARE(Labels(m.dialog.RootEntry()), QStringList({"Work", "Home", "Top"}));
        QTreeWidgetItem* work = m.Item(u"Work"_s);
        QCOMPARE(Labels(work), QStringList({"Inner", "Mail"}));
        QCOMPARE(CSiteManagerDlg::ItemPath(m.Item(u"work\\INNER\\deep"_s)), u"Work\\Inner\\Deep"_s);
        QVERIFY(!m.dialog.FindItemByPath(QString()) && !m.Item(u"Inner"_s));
        m.Select(u"Work\\Mail"_s);
        QCOMPARE(m.dialog.SelectedSite()->Port, 2121);
        // Connecting a folder does nothing; the wizard entry asks for the wizard.
        QSignalSpy wizard(&m.dialog, &CSiteManagerDlg::WizardRequested);
        QSignalSpy connects(&m.dialog, &CSiteManagerDlg::ConnectRequested);
        m.Select(u"Work"_s);
        QVERIFY(!m.dialog.SelectedSite());
        m.dialog.ConnectSelected();
        m.dialog.Tree()->setCurrentItem(m.dialog.WizardEntry());
        QVERIFY(!m.dialog.SelectedSite());
        m.dialog.ConnectSelected();
        QVERIFY(wizard.count() == 1 && connects.isEmpty());

        m.dialog.resize(260, 360);
        m.dialog.Tree()->expandAll();
        m.Select(u"Work\\Mail"_s);
        m.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.dialog));
        const QString problem = Screenshot::Save(m.dialog, u"site_manager.png"_s, {u"Work"_s, u"Mail"_s});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void newFolderAndSiteAreSavedWithTheirLabels()
    {
        QFile::remove(CSiteList().FilePath());
        WriteProfileInt("Settings", "DefaultRetries", 4);
        CManager m;
        m.dialog.show();
        QTreeWidget* tree = m.dialog.Tree();
        tree->setCurrentItem(m.dialog.WizardEntry());
        m.dialog.NewFolder();
        QCOMPARE(tree->currentItem()->text(0), u"新資料夾"_s);
        QVERIFY(!QFile::exists(CSiteList().FilePath()));
        QVERIFY(TypeLabel(tree, u"工作"_s));
        QVERIFY(m.changed.count() == 1 && ReadSites().contains("<FOLDER name=\"工作\""));
        m.dialog.NewSite();
        QCOMPARE(CSiteManagerDlg::ItemPath(tree->currentItem()), u"工作\\新站台"_s);
        QVERIFY(TypeLabel(tree, u"Mail"_s));
        // A new site goes beside a selected site; a label left as it was is saved too.
        m.dialog.NewSite();
        QCOMPARE(CSiteManagerDlg::ItemPath(tree->currentItem()), u"工作\\新站台"_s);
        QVERIFY(TypeLabel(tree, u"新站台"_s));
        QCOMPARE(m.changed.count(), 3);
        // Each gets the defaults of a new site, with the retries the settings give.
        QCOMPARE(StoredSite(u"工作\\Mail"_s).Retries, 4);
        CSiteList stored;
        QVERIFY(stored.LoadSites());
        QCOMPARE(stored.SitePaths(), QStringList({"工作\\Mail", "工作\\新站台"}));
    }

    // Labels refused for their characters bring a message; Escape keeps the label quietly; a good one is
    // saved with the folder's contents.
    void renameKeepsOrSavesTheLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("refused");
        QTest::newRow("refused") << "a\\b" << int(Qt::Key_Return) << true;
        QTest::newRow("escape") << "Jobs" << int(Qt::Key_Escape) << false;
        QTest::newRow("accepted") << "Jobs" << int(Qt::Key_Return) << false;
    }
    void renameKeepsOrSavesTheLabel()
    {
        QFETCH(QString, name);
        QFETCH(int, key);
        QFETCH(bool, refused);
        CManager m;
        m.dialog.show();
        QTreeWidgetItem* work = m.Select(u"Work"_s);
        m.dialog.RenameSelected();
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Ok));
        QVERIFY(TypeLabel(m.dialog.Tree(), name, Qt::Key(key)));
        if (refused)
            QTRY_COMPARE(Answerer().Seen().size(), 1);
        QCOMPARE(Answerer().Seen(), refused ? QStringList{CSiteList::CheckName(name)} : QStringList());
        const bool saved = !refused && key == Qt::Key_Return;
        QCOMPARE(work->text(0), saved ? name : u"Work"_s);
        QCOMPARE(m.changed.count(), int(saved));
        QCOMPARE(StoredSite(u"Jobs\\Mail"_s).Name, saved ? u"Mail"_s : QString());
        // The commands come back after the edit.
        QVERIFY(m.dialog.Tree()->actions().first()->isEnabled());
    }

    void deleteAsksAndRemovesSubtreeInOneSave()
    {
        CManager m;
        m.Select(u"Work"_s);
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::No));
        m.dialog.DeleteSelected();
        QCOMPARE(ReadSites(), QByteArray(kSample));
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Yes));
        m.dialog.DeleteSelected();
        QCOMPARE(m.changed.count(), 1);
        QCOMPARE(Labels(m.dialog.RootEntry()), QStringList({"Home", "Top"}));
        CSiteList stored;
        QVERIFY(stored.LoadSites());
        QCOMPARE(stored.SitePaths(), QStringList{"Top"});
        m.Select(u"Top"_s);
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Yes));
        m.dialog.DeleteSelected();
        const QString folder = u"您確定要刪除這個資料夾 'Work' 及所有的內容？"_s;
        QCOMPARE(Answerer().Seen(), QStringList({folder, folder, u"您確定要刪除 'Top' ？"_s}));
        // The root and the wizard entry cannot be deleted.
        for (QTreeWidgetItem* item : {m.dialog.RootEntry(), m.dialog.WizardEntry()})
        {
            m.dialog.Tree()->setCurrentItem(item);
            m.dialog.DeleteSelected();
        }
        QCOMPARE(Answerer().Seen().size(), 3);
        QCOMPARE(m.dialog.Tree()->topLevelItemCount(), 2);
    }

    void droppedSiteMovesWithItsFields()
    {
        CManager m;
        m.dialog.resize(300, 400);
        m.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.dialog));
        QTreeWidget* tree = m.dialog.Tree();
        tree->expandAll();
        // The application delivers a drop only after the drag entered.
        const auto drop = [tree, &m](const QString& target)
        {
            std::unique_ptr<QMimeData> data(tree->model()->mimeData({tree->currentIndex()}));
            const QPoint at = tree->visualItemRect(m.Item(target)).center();
            const auto actions = Qt::CopyAction | Qt::MoveAction;
            QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
            QDropEvent drop(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(tree->viewport(), &enter);
            QCoreApplication::sendEvent(tree->viewport(), &drop);
            return drop.dropAction();
        };
        m.Select(u"Work\\Mail"_s);
        // Not a move: the view would delete the dragged rows itself after a move.
        QCOMPARE(drop(u"Home"_s), Qt::CopyAction);
        QCOMPARE(CSiteManagerDlg::ItemPath(tree->currentItem()), u"Home\\Mail"_s);
        QCOMPARE(StoredSite(u"Home\\Mail"_s).Port, 2121);
        QVERIFY(StoredSite(u"Work\\Mail"_s).Name.isEmpty());

        // A drop on a site does nothing.
        m.Select(u"Top"_s);
        const QByteArray before = ReadSites();
        drop(u"Work\\Inner\\Deep"_s);
        QCOMPARE(ReadSites(), before);
    }

    void propertiesKeepPortUnlessTypePageShown_data()
    {
        QTest::addColumn<bool>("showTypePage");
        QTest::addColumn<int>("port");
        QTest::newRow("type page never shown") << false << 2121;
        QTest::newRow("type page shown") << true << 21;
    }
    void propertiesKeepPortUnlessTypePageShown()
    {
        QFETCH(bool, showTypePage);
        CManager m;
        m.Select(u"Work\\Mail"_s);
        Answerer().Queue(
            [showTypePage](QDialog* dialog)
            {
                auto* sheet = qobject_cast<CSitePropertiesSheet*>(dialog);
                if (showTypePage)
                    sheet->Tabs()->setCurrentWidget(sheet->TypePage());
                sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            });
        m.dialog.ShowProperties();
        QCOMPARE(Answerer().Seen(), QStringList{u"站台連線設定"_s});
        QTEST(StoredSite(u"Work\\Mail"_s).Port, "port");
    }

    void propertiesWriteEveryFieldAndRename()
    {
        CManager m;
        QSignalSpy connects(&m.dialog, &CSiteManagerDlg::ConnectRequested);
        QTreeWidgetItem* top = m.Select(u"Top"_s);
        Answerer().Queue(
            [](QDialog* dialog)
            {
                auto* sheet = qobject_cast<CSitePropertiesSheet*>(dialog);
                QVERIFY(sheet->ConnectButton()->isDefault());
                sheet->GeneralPage()->NameEdit()->setText(u"Renamed"_s);
                sheet->Tabs()->setCurrentWidget(sheet->TypePage());
                sheet->TypePage()->ProtocolList()->setCurrentIndex(CFtpSite::ProtocolExplicitTls);
                sheet->TypePage()->ClearDataBox()->setChecked(true);
                sheet->ConnectButton()->click();
            });
        m.dialog.ShowProperties();
        QCOMPARE(top->text(0), u"Renamed"_s);
        QCOMPARE(connects, QList<QVariantList>{{u"Renamed"_s}});
        // Fields already there change in place; the missing ones follow in the sheet's order.
        const QString saved = QString::fromUtf8(ReadSites());
        QStringList tags;
        for (const auto& match :
             QRegularExpression(u"\t\t<([A-Z]+)>"_s).globalMatch(saved.mid(saved.indexOf("Renamed"))))
            tags << match.captured(1);
        QCOMPARE(tags.mid(0, tags.indexOf("CLEARDATACHANNEL") + 1),
                 QStringList({"ADDRESS", "PASSWORD", "LOGIN", "PORT", "DATAMODE", "TRANSFERTYPE", "RETRIES",
                              "RETRYDELAY", "DESCRIPTION", "LOCALPATH", "REMOTEPATH", "PROTOCOLTYPE",
                              "CLEARCOMMANDCHANNEL", "CLEARDATACHANNEL"}));
        const CFtpSite site = StoredSite(u"Renamed"_s);
        QCOMPARE(site.Address, u"top.example"_s);
        QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolExplicitTls));
        QVERIFY(site.ClearDataChannel && !site.ClearCommandChannel);
    }

    void propertiesRefuseBadNames()
    {
        CFtpSite site;
        site.Name = u"Good"_s;
        CSitePropertiesSheet sheet(site);
        sheet.GeneralPage()->NameEdit()->setText(u"bad\"name"_s);
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Ok));
        sheet.show();
        sheet.ConnectButton()->click();
        QVERIFY(sheet.isVisible() && !sheet.ConnectChosen());
        QCOMPARE(Answerer().Seen(), QStringList{CSiteList::CheckName(u"bad\"name"_s)});
        sheet.GeneralPage()->NameEdit()->setText(u"Fine"_s);
        sheet.ConnectButton()->click();
        QVERIFY(sheet.result() == QDialog::Accepted && sheet.ConnectChosen() && sheet.Site().Name == "Fine");
    }

    // Leaving explicit TLS clears the clear channel flags, which mean nothing elsewhere; choosing the stored
    // protocol again changes nothing.
    void typePageKeepsFlagsOnlyForExplicitTls()
    {
        CFtpSite site;
        site.ProtocolType = CFtpSite::ProtocolExplicitTls;
        site.ClearDataChannel = site.ClearCommandChannel = true;
        site.Port = 4444;
        CSiteTypeDlg page;
        page.Load(site);
        page.show();
        QCOMPARE(page.PortBox()->value(), 21);
        page.ProtocolList()->setCurrentIndex(CFtpSite::ProtocolExplicitTls);
        CFtpSite stored;
        page.Store(stored);
        QVERIFY(stored.ClearDataChannel && stored.ClearCommandChannel);
        for (int protocol : {3, 0, 1})
        {
            page.ProtocolList()->setCurrentIndex(CFtpSite::ProtocolExplicitTls);
            page.ClearDataBox()->setChecked(true);
            page.ClearCommandBox()->setChecked(true);
            page.ProtocolList()->setCurrentIndex(protocol);
            page.Store(stored);
            QVERIFY(stored.ProtocolType == protocol && !stored.ClearDataChannel &&
                    !stored.ClearCommandChannel);
            QVERIFY(page.ClearDataBox()->isHidden());
        }
    }

    void frameMenuFollowsChanges()
    {
        CMainFrame frame;
        QMenu* menu = FavouritesMenuOf(frame);
        const QStringList fixed{"加到我的最愛(&A)...", "管理我的最愛(&O)...", "-"};
        QCOMPARE(MenuTexts(menu), fixed + QStringList({"Work", "Top"}));
        CSiteManagerDlg* manager = frame.SiteManager();
        manager->Tree()->setCurrentItem(manager->FindItemByPath(u"Top"_s));
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Yes));
        manager->DeleteSelected();
        QCOMPARE(MenuTexts(menu), fixed + QStringList{"Work"});

        frame.show();
        // A log-in stored by a connection window lands in the same list the site manager edits.
        QAction* addFavourite = frame.Commands()->Action(FrameCommand::AddFavourite);
        QVERIFY(!addFavourite->isEnabled());
        auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(QString())->widget());
        QVERIFY(addFavourite->isEnabled());
        CFtpSite site;
        site.Name = u"FromWindow"_s;
        QVERIFY(frame.Sites().StoreSite(site));
        QVERIFY(manager->FindItemByPath(u"FromWindow"_s) && MenuTexts(menu).contains(u"FromWindow"_s));
        // The tree's elements are the reloaded document's.
        manager->Tree()->setCurrentItem(manager->FindItemByPath(u"Work\\Mail"_s));
        QCOMPARE(window->View()->SelectedSite()->Address, u"mail.example"_s);
    }

    // A stored site connects from the favourites menu and opens a window on a double click; a window's
    // connect command takes the site selected in the manager, or offers the wizard when none is.
    void siteConnectsFromMenuDoubleClickAndCommand()
    {
        CTestServer* server = StoreHarnessSite();
        QVERIFY(server);
        CMainFrame frame;
        frame.show();
        QMdiArea* area = frame.MdiArea();
        QMenu* work = SubMenu(FavouritesMenuOf(frame), u"Work"_s);
        // Folders first, then the sites by name.
        QCOMPARE(MenuTexts(work), QStringList({"Inner", "Harness", "Mail"}));
        work->actions().at(1)->trigger();
        QCOMPARE(area->subWindowList().size(), 1);
        auto* first = qobject_cast<CChildFrame*>(area->subWindowList().first()->widget());
        QVERIFY(QTest::qWaitFor([first] { return Connected(first); }, kWaitMs));
        QCOMPARE(first->View()->Session().Site().Port, int(server->Port()));

        CSiteManagerDlg* manager = frame.SiteManager();
        QTreeWidgetItem* item = manager->FindItemByPath(u"Work\\Harness"_s);
        manager->Tree()->expandAll();
        const QPoint at = manager->Tree()->visualItemRect(item).center();
        // A test double click is a lone press; the click before it gives the view the press it expects.
        QTest::mouseClick(manager->Tree()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(manager->Tree()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(area->subWindowList().size(), 2);

        auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(QString())->widget());
        QAction* connect = frame.Commands()->Action(FrameCommand::Connect);
        manager->Tree()->setCurrentItem(manager->RootEntry());
        frame.UpdateWindowCommands();
        connect->trigger();
        QTRY_VERIFY(Answerer().Seen().contains(u"Connection Wizard"_s) &&
                    !window->View()->Session().IsConnected());
        manager->Tree()->setCurrentItem(item);
        frame.UpdateWindowCommands();
        connect->trigger();
        QVERIFY(QTest::qWaitFor([window] { return Connected(window); }, kWaitMs));
        QCOMPARE(window->View()->Session().Site().Login, server->User());
    }
};

QTEST_MAIN(TestSiteManager)
#include "tst_site_manager.moc"
