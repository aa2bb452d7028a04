#include "app/Translations.h"
#include "engine/keys/KeyCertificate.h"
#include "platform/SingleInstance.h"
#include "session/QuickConnectLogin.h"
#include "sites/PasswordProtection.h"
#include "ui/connection/FTPClientDoc.h"
#include "ui/connection/RemoteItemsMimeData.h"
#include "ui/dialogs/CertificateDlg.h"
#include "ui/dialogs/HistoryComboBox.h"
#include "ui/dialogs/HostKeyDlg.h"
#include "ui/dialogs/LogonDlg.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/RetryCountdownDlg.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/FrameCommands.h"
#include "ui/frame/QuickConnectBar.h"
#include "ui/frame/ZentravaApp.h"
#include "ui/sites/AddFavouriteDlg.h"
#include "ui/sites/ConnectionWizard.h"
#include "ui/sites/SiteFolderTree.h"
#include "ui/sites/SiteGeneralPage.h"
#include "ui/sites/SiteManagerDlg.h"
#include "ui/sites/SitePropertiesSheet.h"
#include "ui/sites/SiteTypeDlg.h"
#include "ui/sites/TargetSiteDlg.h"
#include "ui/sites/WizardSheet.h"

#include "WindowTestSupport.h"

#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>

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

QLineEdit* Editor(QTreeWidget* tree)
{
    return tree->viewport()->findChild<QLineEdit*>();
}

// Types a label into the open edit box and ends the edit with the key; key clicks carry ASCII only.
bool TypeLabel(QTreeWidget* tree, const QString& text, Qt::Key key = Qt::Key_Return)
{
    if (!Editor(tree))
        return false;
    Editor(tree)->setText(text);
    QTest::keyClick(Editor(tree), key);
    return QTest::qWaitFor([tree] { return !Editor(tree); }, 5000);
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

QStringList StoredPaths()
{
    CSiteList sites;
    return sites.LoadSites() ? sites.SitePaths() : QStringList{u"<unreadable>"_s};
}

bool Connected(CChildFrame* window)
{
    return window->View()->Session().IsConnected() && !window->View()->Controller().IsWaiting();
}

// The sample's sites in a manager over them.
struct CManager
{
    CSiteList sites;
    bool loaded = bool(sites.LoadSites());
    CSiteManagerDlg dialog{sites};
    QSignalSpy changed{&dialog, &CSiteManagerDlg::SitesChanged};

    QTreeWidgetItem* Item(const QString& path) const { return dialog.FindItemByPath(path); }
    QTreeWidgetItem* Select(const QString& path)
    {
        dialog.Tree()->setCurrentItem(Item(path));
        return Item(path);
    }
};

QString LabelText(QWidget* parent, const QString& name)
{
    auto* label = parent->findChild<QLabel*>(name);
    return label ? label->text() : u"<missing %1>"_s.arg(name);
}

CFtpListItem File(const QString& name, qint64 size, int bits = 0, bool folder = false)
{
    CFtpListItem item;
    item.name = name;
    item.size = size;
    item.permissionBits = bits;
    item.isFolder = folder;
    item.owner = u"alice"_s;
    return item;
}

QLineEdit* Edit(QWidget* parent, const char* name)
{
    return parent->findChild<QLineEdit*>(QString::fromLatin1(name));
}

CSiteFolderTree* Tree(QWidget* parent, const QString& name = u"folders"_s)
{
    return parent->findChild<CSiteFolderTree*>(name);
}

// Fills the first four pages and stops on the folder page.
void FillPages(CWizardSheet* wizard, const QString& name, const QString& address = u" 127.0.0.1 "_s)
{
    Edit(wizard, "siteName")->setText(name);
    wizard->next();
    Edit(wizard, "address")->setText(address);
    wizard->next();
    Edit(wizard, "login")->setText(u"tester"_s);
    Edit(wizard, "password")->setText(u"secret"_s);
    wizard->next();
    wizard->next();
}

// Waits of the single-instance sockets, whose refusals end only at their end.
constexpr int kSocketWaitMs = 5000;

CChildFrame* WindowAt(CMainFrame* frame, int index)
{
    const QList<QMdiSubWindow*> windows = frame->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    return windows.size() > index ? qobject_cast<CChildFrame*>(windows[index]->widget()) : nullptr;
}

QString UniqueName(const char* tag)
{
    return u"zentrava-test-%1-%2"_s.arg(QLatin1String(tag)).arg(getpid());
}

// Runs the work on its own thread while this one keeps handling events, as a second start blocks until
// the first one answers.
void RunBeside(const std::function<void()>& work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
}

bool SendFromOtherThread(const QString& name, const QStringList& arguments)
{
    bool delivered = false;
    RunBeside([&] { delivered = CSingleInstance::SendToRunning(name, arguments, kSocketWaitMs); });
    return delivered;
}

// A socket file as a crashed program leaves it: bound once, never listened on, never removed.
bool LeaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (fd < 0 || size_t(encoded.size()) >= sizeof(address.sun_path))
        return false;
    memcpy(address.sun_path, encoded.constData(), encoded.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class TestSiteManager : public QObject
{
    Q_OBJECT

    std::optional<CFixture> m_fixture;
    // The sample's sites, for the dialogs that work on a site list.
    std::optional<CSiteList> m_sites;
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
    void initTestCase()
    {
        // A zone far from UTC shows whether certificate dates are converted to local time.
        qputenv("TZ", "Asia/Taipei");
        CTranslations::Install(*qApp, CTranslations::TraditionalChinese);
        QApplication::setWindowIcon(QIcon(u":/zentrava.svg"_s));
    }
    void init()
    {
        m_fixture.emplace();
        QVERIFY(TestFiles::WriteFile(CSiteList().FilePath(), kSample));
        QVERIFY(m_sites.emplace().LoadSites());
    }
    void cleanup()
    {
        m_sites.reset();
        m_fixture.reset();
    }

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
        SaveShot(m.dialog, u"site_manager.png"_s, {u"Work"_s, u"Mail"_s});
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
        QCOMPARE(StoredPaths(), QStringList({"工作\\Mail", "工作\\新站台"}));
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

    // The site manager and the folder tree ask first; a folder goes with its subtree in one save; the entries
    // at the top (the root, the manager's wizard entry) cannot be deleted.
    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("manager");
        QTest::newRow("site manager") << true;
        QTest::newRow("folder tree") << false;
    }
    void deleteAsksFirst()
    {
        QFETCH(bool, manager);
        CManager m;
        CSiteFolderTree folders(*m_sites, true);
        folders.show();
        QTreeWidget* tree = manager ? m.dialog.Tree() : &folders;
        const auto item = [&](const QString& path) {
            return manager ? m.Item(path) : folders.SelectPath(path) ? folders.currentItem() : nullptr;
        };
        const auto remove = [&](QTreeWidgetItem* selected, QMessageBox::StandardButton answer)
        {
            tree->setCurrentItem(selected);
            Answerer().Queue(CModalAnswerer::Click(answer));
            manager ? m.dialog.DeleteSelected() : folders.DeleteSelected();
        };
        remove(item(u"Top"_s), QMessageBox::No);
        QCOMPARE(ReadSites(), QByteArray(kSample));
        remove(item(u"Work"_s), QMessageBox::Yes);
        QVERIFY(!item(u"Work"_s) && !item(u"Work\\Mail"_s) && item(u"Top"_s));
        QVERIFY(StoredPaths() == QStringList{"Top"} && !ReadSites().contains("Work"));
        QCOMPARE(m.changed.count(), int(manager));
        const int top = tree->topLevelItemCount();
        for (int i = 0; i < top; ++i)
            remove(tree->topLevelItem(i), QMessageBox::Yes);
        QCOMPARE(tree->topLevelItemCount(), top);
        QCOMPARE(Answerer().Seen(),
                 QStringList({"您確定要刪除 'Top' ？", "您確定要刪除這個資料夾 'Work' 及所有的內容？"}));
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

    // Remote items dragged from a connection window: only a site takes them, for a copy between servers.
    void remoteItemsDropOnSitesOnly_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("ours");
        QTest::addColumn<QString>("delivered");
        QTest::newRow("site in a folder") << "Work\\Mail" << true << "ftp:\\Work\\Mail";
        QTest::newRow("site below the root") << "Top" << true << "ftp:\\Top";
        QTest::newRow("folder") << "Work" << true << "";
        QTest::newRow("root") << "<root>" << true << "";
        QTest::newRow("wizard") << "<wizard>" << true << "";
        QTest::newRow("other data") << "Top" << false << "";
    }
    void remoteItemsDropOnSitesOnly()
    {
        QFETCH(QString, target);
        QFETCH(bool, ours);
        QFETCH(QString, delivered);
        CManager m;
        m.dialog.show();
        m.dialog.Tree()->expandAll();
        QTreeWidgetItem* item = target == "<root>"     ? m.dialog.RootEntry()
                                : target == "<wizard>" ? m.dialog.WizardEntry()
                                                       : m.Item(target);
        QStringList targets;
        std::unique_ptr<QMimeData> data(
            ours ? new CRemoteItemsMimeData({u"ftp://h/a.txt"_s}, [&](const QString& to) { targets << to; })
                 : new QMimeData);
        const QPoint at = m.dialog.Tree()->visualItemRect(item).center();
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop})
        {
            // The site under the cursor is marked while the drag is over it, and only then.
            QCOMPARE(item->data(0, Qt::BackgroundRole).isValid(), event != &enter && !delivered.isEmpty());
            QApplication::sendEvent(m.dialog.Tree()->viewport(), event);
        }
        QVERIFY(move.isAccepted() == !delivered.isEmpty() && drop.isAccepted() == !delivered.isEmpty());
        QCOMPARE(targets, delivered.isEmpty() ? QStringList() : QStringList{delivered});
        QVERIFY(!item->data(0, Qt::BackgroundRole).isValid());
        QCOMPARE(ReadSites(), QByteArray(kSample));
    }

    // The sheet gives back every field unchanged, whether its type page was shown or not.
    void propertiesGiveBackEveryFieldUnchanged_data()
    {
        QTest::addColumn<bool>("showTypePage");
        QTest::newRow("type page never shown") << false;
        QTest::newRow("type page shown") << true;
    }
    void propertiesGiveBackEveryFieldUnchanged()
    {
        QFETCH(bool, showTypePage);
        CManager m;
        m.Select(u"Work\\Mail"_s);
        const CFtpSite before = StoredSite(u"Work\\Mail"_s);
        Answerer().Queue(
            [showTypePage](QDialog* dialog)
            {
                auto* sheet = qobject_cast<CSitePropertiesSheet*>(dialog);
                if (showTypePage)
                    sheet->Tabs()->setCurrentWidget(sheet->TypePage());
                sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            });
        m.dialog.ShowProperties();
        QCOMPARE(StoredSite(u"Work\\Mail"_s).Fields(), before.Fields());
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
                sheet->TypePage()->ProtocolList()->setCurrentIndex(CFtpSite::ProtocolSftp);
                QVERIFY(sheet->TypePage()->DataModeList()->isHidden());
                sheet->TypePage()->ProtocolList()->setCurrentIndex(CFtpSite::ProtocolImplicitTls);
                QVERIFY(!sheet->TypePage()->DataModeList()->isHidden());
                QCOMPARE(sheet->TypePage()->PortBox()->value(), 990);
                sheet->TypePage()->ProtocolList()->setCurrentIndex(CFtpSite::ProtocolExplicitTls);
                sheet->TypePage()->ClearDataBox()->setChecked(true);
                sheet->ConnectButton()->click();
            });
        m.dialog.ShowProperties();
        QCOMPARE(top->text(0), u"Renamed"_s);
        QCOMPARE(connects, QList<QVariantList>{{u"Renamed"_s}});
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

    // The favourites menu follows the site list, which the site manager and the windows share; a stored site
    // connects from the menu and opens a window on a double click; a window's connect command takes the site
    // selected in the manager, or offers the wizard when none is.
    void menuAndManagerConnectSites()
    {
        CTestServer* server = StoreHarnessSite();
        QVERIFY(server);
        CMainFrame frame;
        frame.show();
        QMdiArea* area = frame.MdiArea();
        QMenu* menu = SubMenu(frame.menuBar(), u"我的最愛(&A)"_s);
        const QStringList fixed{"加到我的最愛(&A)...", "管理我的最愛(&O)...", "-"};
        QCOMPARE(MenuTexts(menu), fixed + QStringList({"Work", "Top"}));
        CSiteManagerDlg* manager = frame.SiteManager();
        manager->Tree()->setCurrentItem(manager->FindItemByPath(u"Top"_s));
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Yes));
        manager->DeleteSelected();
        QCOMPARE(MenuTexts(menu), fixed + QStringList{"Work"});
        QMenu* work = SubMenu(menu, u"Work"_s);
        // Folders first, then the sites by name.
        QCOMPARE(MenuTexts(work), QStringList({"Inner", "Harness", "Mail"}));
        QAction* addFavourite = frame.Commands()->Action(FrameCommand::AddFavourite);
        QVERIFY(!addFavourite->isEnabled());
        work->actions().at(1)->trigger();
        QVERIFY(area->subWindowList().size() == 1 && addFavourite->isEnabled());
        auto* first = qobject_cast<CChildFrame*>(area->subWindowList().first()->widget());
        QVERIFY(QTest::qWaitFor([first] { return Connected(first); }, kWaitMs));
        QCOMPARE(first->View()->Session().Site().Port, int(server->Port()));
        // A log-in stored by a connection window lands in the same list the site manager edits.
        CFtpSite site;
        site.Name = u"FromWindow"_s;
        QVERIFY(frame.Sites().StoreSite(site));
        QVERIFY(manager->FindItemByPath(u"FromWindow"_s) && MenuTexts(menu).contains(u"FromWindow"_s));
        // The tree's elements are the reloaded document's.
        manager->Tree()->setCurrentItem(manager->FindItemByPath(u"Work\\Mail"_s));
        QCOMPARE(first->View()->Controller().SelectedSite()->Address, u"mail.example"_s);

        QTreeWidgetItem* item = manager->FindItemByPath(u"Work\\Harness"_s);
        manager->Tree()->expandAll();
        manager->Tree()->scrollToItem(item);
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

    // The countdown retries at its end; a cancel must not be turned into a retry by the count going on.
    void countdownRunsToRetry()
    {
        m_fixture.reset(); // no answers: the countdowns end on their own or by the click here
        CRetryCountdownDlg dialog(2, u"無法連線"_s);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.findChild<QProgressBar*>()->value(), 1, 5000);
        QCOMPARE(LabelText(&dialog, u"countdown"_s), u"Zentrava Pro 將在 1 秒之後重試..."_s);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));

        CRetryCountdownDlg cancelled(1, u"x"_s);
        QSignalSpy ended(&cancelled, &QDialog::finished);
        cancelled.open();
        cancelled.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        QTest::qWait(1500);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    void certificateShowsIssuerAndDatesAndNeedsAClick()
    {
        CKeyCertificate made;
        QVERIFY(made.GenerateKey(KeyAlgorithm::Rsa, 2048).Ok());
        CertificateRequest request;
        request.subject = {{CertificateField::CommonName, u"根憑證中心"_s},
                           {CertificateField::Unit, u"研發部"_s}};
        request.notBefore = QDateTime(QDate(2026, 1, 2), QTime(20, 30), Qt::UTC);
        request.notAfter = QDateTime(QDate(2027, 6, 30), QTime(23, 45), Qt::UTC);
        QVERIFY(made.CreateSelfSigned(request).Ok());
        ServerCertificate certificate;
        certificate.pem = made.Text();
        certificate.notBefore = made.NotBefore();
        certificate.notAfter = made.NotAfter();
        certificate.subject = u"CN=ftp.example.test,O=Example"_s;
        certificate.sha256 = QByteArray(30, 'a') + "0b";
        CCertificateDlg dialog(certificate, u"self-signed certificate"_s);
        QCOMPARE(
            QStringList({LabelText(&dialog, u"issuerName"_s), LabelText(&dialog, u"unit"_s),
                         LabelText(&dialog, u"subject"_s), LabelText(&dialog, u"fingerprint"_s),
                         LabelText(&dialog, u"problem"_s)}),
            QStringList({"根憑證中心", "研發部", "CN=ftp.example.test,O=Example",
                         QStringList(15, u"AA"_s).join(u':') + ":0B", "驗證結果：self-signed certificate"}));
        // Taipei is eight hours ahead of UTC: 20:30 becomes 4:30 the next day, 23:45 becomes 7:45.
        const QString from = LabelText(&dialog, u"validFrom"_s);
        QVERIFY2(from.contains("4:30"_L1) && !from.contains("20:30"_L1) && !from.contains("8:30"_L1),
                 qPrintable(from));
        QVERIFY(LabelText(&dialog, u"validTo"_s).contains("7:45"_L1));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        SaveShot(dialog, u"certificate.png"_s, {u"根憑證中心"_s, u"SHA-256"_s});
        // Enter alone never trusts a certificate.
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        CCertificateDlg clicked(ServerCertificate{}, QString());
        clicked.open();
        clicked.findChild<QPushButton*>(u"accept"_s)->click();
        QCOMPARE(clicked.result(), int(QDialog::Accepted));

        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        SaveShot(about, u"about.png"_s, {about.windowTitle()});
    }

    void hostKeyShowsFingerprint()
    {
        const QByteArray blob = QByteArray::fromHex("0000000b") + "ssh-ed25519" +
                                QByteArray::fromHex("00000020") + QByteArray(32, '\x5a');
        const std::optional<SshHostKey> hostKey = SshHostKey::FromBlob(blob);
        QVERIFY(hostKey);
        CHostKeyDlg dialog(u"[127.0.0.1]:2222"_s, *hostKey);
        QCOMPARE(LabelText(&dialog, u"keyType"_s), u"ssh-ed25519"_s);
        QCOMPARE(LabelText(&dialog, u"fingerprint"_s), QString::fromLatin1(hostKey->Fingerprint()));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Enter alone never trusts a host key.
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // The anonymous box of the log-on dialog, the wizard and the site's general page: ticked, the log-in is
    // "anonymous" and the password the e-mail address, shown; unticked, the log-on dialog and the site page
    // bring back what was there, the wizard keeps the anonymous log-in. A given anonymous log-in ticks it.
    void anonymousBox_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QStringList>("unticked");
        QTest::newRow("log-on") << u"logon"_s << u"bob"_s << u"me@example.test"_s << QStringList{"bob", "pw"};
        QTest::newRow("log-on, given anonymous")
            << u"logon"_s << u"AnonyMous"_s << QString() << QStringList{"AnonyMous", "pw"};
        QTest::newRow("wizard") << u"wizard"_s << u"tester"_s << u"me@example.com"_s
                                << QStringList{"anonymous", "me@example.com"};
        QTest::newRow("site page") << u"site"_s << u"alice"_s << u"me@example.org"_s
                                   << QStringList{"alice", "pw"};
    }
    void anonymousBox()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, login);
        QFETCH(QString, email);
        QVERIFY(WriteProfileString(u"Settings"_s, u"EmailAddress"_s, email));
        std::unique_ptr<QWidget> owner;
        QLineEdit *loginEdit = nullptr, *password = nullptr;
        QCheckBox* box = nullptr;
        if (dialog == "site"_L1)
        {
            CFtpSite site;
            site.Login = login;
            site.Password = u"pw"_s;
            auto* page = new CSiteGeneralPage;
            owner.reset(page);
            page->Load(site);
            loginEdit = page->LoginEdit();
            password = page->PasswordEdit();
            box = page->AnonymousBox();
        }
        else
        {
            if (dialog == "logon"_L1)
                owner = std::make_unique<CLogonDlg>(u"ftp.example.test"_s, login, u"pw"_s);
            else
                owner = std::make_unique<CWizardSheet>(*m_sites);
            password = Edit(owner.get(), "password");
            box = owner->findChild<QCheckBox*>(u"anonymous"_s);
            if (auto* combo = owner->findChild<CHistoryComboBox*>(u"login"_s))
            {
                loginEdit = combo->lineEdit();
                QCOMPARE(owner->focusWidget(), password);
            }
            else
            {
                loginEdit = Edit(owner.get(), "login");
                loginEdit->setText(login);
                password->setText(u"pw"_s);
            }
        }
        QCOMPARE(box->isChecked(), login == "AnonyMous"_L1);
        box->setChecked(true);
        QCOMPARE(QStringList({loginEdit->text(), password->text()}),
                 QStringList({login == "AnonyMous"_L1 ? login : u"anonymous"_s, email}));
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        box->setChecked(false);
        QTEST(QStringList({loginEdit->text(), password->text()}), "unticked");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        // Editing the anonymous log-in unticks the box.
        box->setChecked(true);
        QTest::keyClick(loginEdit, Qt::Key_Backspace);
        QCOMPARE(box->isChecked(), dialog != "site"_L1);
        // The log-on dialog saves the password only when asked to.
        if (auto* logon = qobject_cast<CLogonDlg*>(owner.get()))
        {
            QVERIFY(!logon->SavePassword());
            logon->findChild<QCheckBox*>(u"savePassword"_s)->setChecked(true);
            QVERIFY(logon->SavePassword());
        }
    }

    // A stored host fills the log-in fields; a typed one connects with what is typed and is stored; Shift
    // with the button clears the history and the fields and connects nowhere.
    void quickConnectBar()
    {
        const auto stored = [](int index)
        { return GetProfileString(u"QuickConnect"_s, u"QuickConnect%1"_s.arg(index)); };
        QVERIFY(WriteProfileString(u"QuickConnect"_s, u"QuickConnect0"_s, u"h1|bob,pw1"_s));
        CQuickConnectBar bar;
        QSignalSpy requested(&bar, &CQuickConnectBar::ConnectRequested);
        auto* host = bar.findChild<CHistoryComboBox*>(u"host"_s);
        auto* login = bar.findChild<QLineEdit*>(u"login"_s);
        auto* password = bar.findChild<QLineEdit*>(u"password"_s);
        auto* connect = bar.findChild<QPushButton*>(u"connect"_s);
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        host->setFocus();
        QTest::keyClick(host, Qt::Key_Down);
        QCOMPARE(QStringList({host->currentText(), login->text(), password->text()}),
                 QStringList({"h1", "bob", "pw1"}));

        host->setEditText(u"   "_s);
        QTest::mouseClick(connect, Qt::LeftButton);
        QVERIFY(requested.isEmpty());
        host->setEditText(u"  ftp://127.0.0.1:2121/pub "_s);
        login->setText(u"me,too"_s);
        password->setText(u"secret"_s);
        QTest::mouseClick(connect, Qt::LeftButton);
        QCOMPARE(requested, (QList<QVariantList>{{u"ftp://127.0.0.1:2121/pub"_s, u"me,too"_s, u"secret"_s}}));
        // A password is kept only once it logged in, and then protected as site passwords are.
        QCOMPARE(stored(1), u"ftp://127.0.0.1:2121/pub|me,too,"_s);
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 1) && WriteMasterPassword("master"));
        bar.RememberLogIn(u"h1"_s, {u"bob"_s, u"secret"_s});
        QVERIFY(stored(0).startsWith(u"h1|bob,|"_s) && !stored(0).contains("secret"));
        QCOMPARE(CQuickConnectLogin::FromData(stored(0).section(u'|', 1)).password, u"secret"_s);
        QVERIFY(WriteProfileInt("Security", "EncryptPasswords", 0));
        // Enter connects as the button does; a known host typed keeps its place and takes the new log-in,
        // without the password of another login.
        host->setEditText(u"h1"_s);
        login->setText(u"ann"_s);
        QTest::keyClick(host, Qt::Key_Return);
        QVERIFY(requested.size() == 2 && requested.last().at(1) == "ann");
        QCOMPARE(stored(0), u"h1|ann,"_s);
        QTest::keyClick(password, Qt::Key_Enter);
        QCOMPARE(requested.size(), 3);

        QTest::mouseClick(connect, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(requested.size() == 3 && host->count() == 0 && login->text().isEmpty() &&
                password->text().isEmpty());
        QCOMPARE(stored(0), QString());
    }

    // Labels of one file, several rows (the parent row left out) and a server without SITE CHMOD.
    void propertiesLabels_data()
    {
        QTest::addColumn<QList<CFtpListItem>>("items");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("chmod");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("expected");
        const QStringList one{"name", "location", "size", "owner"};
        QTest::newRow("escape in folder")
            << QList{File(u"a.txt"_s, 999)} << u"/p\x1b[2J"_s << true << one
            << QStringList{"a.txt", "ftp://127.0.0.1/p\\x1b[2J/a.txt", "1 KB (999 bytes)", "alice"};
        QTest::newRow("rounded up") << QList{File(u"a.txt"_s, 1025)} << u"/pub/"_s << true << one
                                    << QStringList{"a.txt", "ftp://127.0.0.1/pub/a.txt",
                                                   u"2 KB (%1 bytes)"_s.arg(QLocale::system().toString(1025)),
                                                   "alice"};
        QTest::newRow("several rows") << QList{CFtpListItem::ParentRow(), File(u"a"_s, 500), File(u"b"_s, 24),
                                               File(u"d"_s, 4096, 0, true)}
                                      << u"/pub"_s << true << QStringList{"name", "type", "size", "location"}
                                      << QStringList{"Multiple Items", "2 個檔案, 1 個資料夾",
                                                     "1 KB (524 位元組)", "ftp://127.0.0.1/pub"};
        QTest::newRow("no chmod") << QList{File(u"a"_s, 1)} << u"/"_s << false
                                  << QStringList{"chmodUnsupported"}
                                  << QStringList{"伺服器不支援變更檔案權限"};
    }
    void propertiesLabels()
    {
        QFETCH(QList<CFtpListItem>, items);
        QFETCH(QString, folder);
        QFETCH(bool, chmod);
        QFETCH(QStringList, labels);
        CPropertiesDlg dialog(items, u"127.0.0.1"_s, folder, chmod);
        QStringList shown;
        for (const QString& label : labels)
            shown << LabelText(&dialog, label);
        QTEST(shown, "expected");
        QCOMPARE(dialog.PermissionsShown(), chmod && items.size() == 1);
    }

    void propertiesPermissionsBothWays()
    {
        CPropertiesDlg dialog({File(u"run.sh"_s, 10, 0x751)}, u"h"_s, u"/"_s, true);
        auto* number = dialog.findChild<QLineEdit*>(u"permissionNumber"_s);
        QList<QCheckBox*> boxes;
        for (int i = 0; i < 9; ++i)
            boxes.append(dialog.findChild<QCheckBox*>(u"permission%1"_s.arg(i)));
        const auto ticked = [&boxes]
        {
            QString marks;
            for (QCheckBox* box : boxes)
                marks += box->isChecked() ? u'x' : u'-';
            return marks;
        };
        QCOMPARE(ticked(), u"xxxx-x--x"_s);
        // Others read.
        boxes[6]->click();
        QVERIFY(number->text() == "755" && dialog.PermissionBits() == 0x755);
        // Owner read, write, execute off: the field is the bits without leading zeros.
        for (int i = 0; i < 3; ++i)
            boxes[i]->click();
        QCOMPARE(number->text(), u"55"_s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        number->selectAll();
        QTest::keyClicks(number, u"640"_s);
        QVERIFY(dialog.PermissionBits() == 0x640 && ticked() == "xx-x-----");
        // Three characters that are no mode leave the boxes alone.
        number->selectAll();
        QTest::keyClicks(number, u"79a"_s);
        QVERIFY(number->text() == "79a" && dialog.PermissionBits() == 0x640 && ticked() == "xx-x-----");
    }

    // A page with a missing or refused entry keeps the wizard there and says why; which characters a name
    // may hold is the site list's rule.
    void wizardRefusesEntries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("stuckOn");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank name") << u"   "_s << QString() << int(CWizardSheet::NamePage)
                                    << u"請輸入有效的站台名稱"_s;
        QTest::newRow("refused character")
            << u"a<b"_s << QString() << int(CWizardSheet::NamePage) << CSiteList::CheckName(u"a<b"_s);
        QTest::newRow("blank host") << u"Nightly"_s << u"  "_s << int(CWizardSheet::AddressPage)
                                    << u"請輸入站台位址"_s;
        QTest::newRow("web address") << u"Nightly"_s << u"http://h"_s << int(CWizardSheet::AddressPage)
                                     << u"請輸入有效的FTP位址"_s;
    }
    void wizardRefusesEntries()
    {
        QFETCH(QString, name);
        QFETCH(QString, host);
        QFETCH(QString, message);
        CWizardSheet wizard(*m_sites);
        wizard.show();
        Edit(&wizard, "siteName")->setText(name);
        wizard.next();
        if (wizard.currentId() == CWizardSheet::AddressPage)
        {
            Edit(&wizard, "address")->setText(host);
            wizard.next();
        }
        QTEST(wizard.currentId(), "stuckOn");
        QCOMPARE(Answerer().Seen(), QStringList{message});
    }

    // A wizard cancelled on its last page stores nothing; an address URL brings its protocol and port.
    void wizardStoresSite_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("address");
        QTest::newRow("cancelled") << QString() << QString() << u"127.0.0.1"_s;
        QTest::newRow("root") << QString() << u"Nightly"_s << u" 127.0.0.1 "_s;
        QTest::newRow("folder, SFTP URL") << u"Work"_s << u"Work\\Nightly"_s << u"sftp://127.0.0.1:2222"_s;
        QTest::newRow("nested folder") << u"work\\inner"_s << u"Work\\Inner\\Nightly"_s << u"127.0.0.1"_s;
    }
    void wizardStoresSite()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QFETCH(QString, address);
        const QByteArray before = ReadSites();
        QVERIFY(WriteProfileString(u"Settings"_s, u"DefaultLocalPath"_s, u"/home/tester/Downloads"_s));
        Answerer().Queue(
            [folder, path, address](QDialog* dialog)
            {
                auto* wizard = qobject_cast<CWizardSheet*>(dialog);
                FillPages(wizard, u"Nightly"_s, address);
                QCOMPARE(wizard->currentId(), int(CWizardSheet::FolderPage));
                if (!folder.isEmpty())
                    SaveShot(*wizard, u"wizard.png"_s, {u"我的最愛"_s});
                // Folders only: the root site is not offered.
                QVERIFY(!Tree(wizard)->SelectPath(u"Top"_s));
                QVERIFY(folder.isEmpty() || Tree(wizard)->SelectPath(folder));
                wizard->next();
                auto* connectNow = wizard->findChild<QCheckBox*>(u"connectNow"_s);
                QVERIFY(!connectNow->isChecked());
                connectNow->setChecked(true);
                path.isEmpty() ? wizard->reject() : wizard->button(QWizard::FinishButton)->click();
            });
        const CWizardResult result = RunConnectionWizard(nullptr, *m_sites);
        QVERIFY(!Answerer().HasPendingAnswers());
        QCOMPARE(result.sitePath, path);
        if (path.isEmpty())
        {
            QVERIFY(!result.finished);
            QCOMPARE(ReadSites(), before);
            return;
        }
        QVERIFY(result.finished && result.connectNow);
        QCOMPARE(StoredPaths().count(path), 1);
        const CFtpSite site = StoredSite(path);
        QCOMPARE(QStringList({site.Name, site.Address, site.Login, site.Password, site.LocalPath}),
                 QStringList({"Nightly", "127.0.0.1", "tester", "secret", "/home/tester/Downloads"}));
        const QList<int> expected = address.startsWith("sftp") ? QList{3, 2222} : QList{0, 21};
        QCOMPARE(QList({site.ProtocolType, site.Port}), expected);
    }

    // Case-insensitive names reach the same site, which keeps its name and gets the new settings.
    void wizardAsksBeforeReplacing()
    {
        CWizardSheet wizard(*m_sites);
        wizard.show();
        FillPages(&wizard, u"top"_s);
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::No));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CWizardSheet::FolderPage));
        Answerer().Queue(CModalAnswerer::Click(QMessageBox::Yes));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CWizardSheet::FinishPage));
        QVERIFY(Answerer().Seen().size() == 2 && Answerer().Seen().constFirst().contains(u"'top'"_s));
        QCOMPARE(wizard.StoreSite().sitePath, u"top"_s);
        QCOMPARE(StoredPaths(), QStringList({"Work\\Inner\\Deep", "Work\\Mail", "Top"}));
        QCOMPARE(StoredSite(u"Top"_s).Address, u"127.0.0.1"_s);
    }

    void folderTreeRenameRefusesCharacters()
    {
        CSiteFolderTree tree(*m_sites, false);
        tree.show();
        QVERIFY(tree.SelectPath(u"Work\\Inner"_s));
        tree.RenameSelected();
        QVERIFY(Editor(&tree));
        Editor(&tree)->clear();
        QTest::keyClicks(Editor(&tree), u"A\"*/:<>?\\|B"_s);
        QCOMPARE(Editor(&tree)->text(), u"AB"_s);
        QTest::keyClick(Editor(&tree), Qt::Key_Return);
        QTRY_VERIFY(m_sites->FindFolderByPath(nullptr, u"Work\\AB"_s));
        QVERIFY(StoredPaths().contains(u"Work\\AB\\Deep"_s) && tree.SelectPath(u"Work\\AB"_s));
        // An empty label would leave a folder without a name: refused, the old one stays.
        tree.RenameSelected();
        Editor(&tree)->clear();
        QTest::keyClick(Editor(&tree), Qt::Key_Return);
        QTRY_COMPARE(Answerer().Seen(), QStringList{CSiteList::CheckName(QString())});
        QVERIFY(tree.currentItem()->text(0) == "AB" && m_sites->FindFolderByPath(nullptr, u"Work\\AB"_s));
        // The root's label is fixed.
        tree.setCurrentItem(tree.topLevelItem(0));
        tree.RenameSelected();
        QVERIFY(!Editor(&tree));
    }

    void addFavouriteIntoNewFolder()
    {
        CFtpSite connection;
        connection.Address = u"127.0.0.1"_s;
        connection.Port = 2121;
        connection.Login = u"tester"_s;
        connection.Password = u"secret"_s;
        connection.ProtocolType = CFtpSite::ProtocolExplicitTls;
        QString offeredName;
        Answerer().Queue(
            [&offeredName](QDialog* dialog)
            {
                offeredName = Edit(dialog, "siteName")->text();
                CSiteFolderTree* tree = Tree(dialog);
                QVERIFY(tree->SelectPath(u"Work"_s));
                dialog->findChild<QPushButton*>(u"newFolder"_s)->click();
                QCOMPARE(Editor(tree)->text(), u"新資料夾"_s);
                Editor(tree)->setText(u"Mirrors"_s);
                QTest::keyClick(Editor(tree), Qt::Key_Return);
                QTRY_COMPARE(tree->SelectedPath(), u"Work\\Mirrors"_s);
                Edit(dialog, "siteName")->setText(u"Pub"_s);
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            });
        QVERIFY(AddToFavourites(nullptr, *m_sites, connection, u"/pub"_s, u"/tmp/local"_s));
        QVERIFY(!Answerer().HasPendingAnswers());
        QCOMPARE(offeredName, u"127.0.0.1 [/pub]"_s);
        QCOMPARE(StoredPaths(),
                 QStringList({"Work\\Inner\\Deep", "Work\\Mail", "Work\\Mirrors\\Pub", "Top"}));
        const CFtpSite site = StoredSite(u"Work\\Mirrors\\Pub"_s);
        QVERIFY(site.Port == 2121 && site.ProtocolType == CFtpSite::ProtocolExplicitTls);
        QCOMPARE(QStringList({site.Password, site.RemotePath, site.LocalPath}),
                 QStringList({"secret", "/pub", "/tmp/local"}));
        QCOMPARE(ReadSites().count("name=\"Mirrors\""), 1);
    }

    void targetChooserGivesSitePath()
    {
        // A folder is no target.
        CTargetSiteDlg folder(*m_sites);
        QVERIFY(Tree(&folder, u"sites"_s)->SelectPath(u"Work"_s) && !folder.SelectedSitePath());
        QVERIFY(!folder.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        Answerer().Queue(
            [](QDialog* dialog)
            {
                QVERIFY(Tree(dialog, u"sites"_s)->SelectPath(u"work\\mail"_s));
                dialog->accept();
            });
        QCOMPARE(CTargetSiteDlg::ChooseSite(nullptr, *m_sites), std::optional<QString>(u"Work\\Mail"_s));
        QVERIFY(!CTargetSiteDlg::ChooseSite(nullptr, *m_sites));
        QCOMPARE(Answerer().Seen().size(), 2);
    }

    void firstWindowFollowsCommandLineAndLastSite_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("startupOption");
        QTest::addColumn<QString>("lastSite");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("title");
        const QString site = u"工作\\備份主機"_s;
        const QString address = u"ftpes://127.0.0.1:2121/pub"_s;
        const QString none = u"尚未連線"_s;
        QTest::newRow("option 0 ignores last site") << QString() << 0 << site << QString() << none;
        QTest::newRow("last site") << QString() << 1 << site << site << u"備份主機"_s;
        QTest::newRow("empty last site") << QString() << 1 << QString() << QString() << none;
        QTest::newRow("address beats last site") << address << 1 << site << address << none;
        QTest::newRow("site path argument") << u"家\\NAS"_s << 1 << site << u"家\\NAS"_s << u"NAS"_s;
    }
    void firstWindowFollowsCommandLineAndLastSite()
    {
        QFETCH(QString, argument);
        QFETCH(int, startupOption);
        QFETCH(QString, lastSite);
        WriteProfileInt(u"Settings"_s, u"StartupOption"_s, startupOption);
        WriteProfileString(u"Settings"_s, u"LastSite"_s, lastSite);
        CZentravaApp program;
        QStringList arguments{u"zentrava"_s};
        if (!argument.isEmpty())
            arguments << argument;
        program.InitInstance(arguments);
        CMainFrame* frame = program.MainFrame();
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
        QTEST(WindowAt(frame, 0)->Doc()->Target(), "target");
        QTEST(WindowAt(frame, 0)->windowTitle(), "title");
    }

    void firstStartWithoutSitesOpensWizard()
    {
        // A sites file without sites is no first start.
        QVERIFY(TestFiles::WriteFile(CSiteList().FilePath(), "<SITES/>"));
        {
            CZentravaApp program;
            program.InitInstance({u"zentrava"_s});
            QTest::qWait(300);
            QVERIFY(Answerer().Seen().isEmpty());
        }
        QVERIFY(QFile::remove(CSiteList().FilePath()));
        CZentravaApp program;
        program.InitInstance({u"zentrava"_s});
        // Offered once the frame's event loop runs: the wizard, cancelled here, stores nothing.
        QVERIFY(Answerer().Seen().isEmpty());
        QTRY_VERIFY(Answerer().Seen().contains(u"Connection Wizard"_s));
        QVERIFY(!QFile::exists(CSiteList().FilePath()));
    }

    void secondStartOpensWindowInRunningProgram()
    {
        const QString name = UniqueName("start");
        CZentravaApp running;
        QCOMPARE(running.Start({u"zentrava"_s}, name), CZentravaApp::StartResult::Run);
        CMainFrame* frame = running.MainFrame();
        frame->showMinimized();
        const QString address = u"sftp://tester@127.0.0.1:2222/home"_s;
        QVERIFY(SendFromOtherThread(name, {address}));
        QTRY_COMPARE(frame->MdiArea()->subWindowList().size(), 2);
        QCOMPARE(WindowAt(frame, 1)->Doc()->Target(), address);
        QVERIFY(!frame->isMinimized() && frame->isVisible());
    }

    // What later starts hand over reaches the listener as it was sent, also over a crashed program's
    // socket file; a second listener is refused while the first runs.
    void handsArgumentsToRunningInstance_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("stale");
        QTest::newRow("address") << QStringList{u"ftp://user@127.0.0.1:2121/pub"_s} << false;
        QTest::newRow("nothing") << QStringList{} << false;
        QTest::newRow("empty and several, stale socket")
            << QStringList{QString(), u"sftp://127.0.0.1/"_s} << true;
    }
    void handsArgumentsToRunningInstance()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, stale);
        const QString name = UniqueName(stale ? "stale" : "handover");
        QVERIFY(!CSingleInstance::SendToRunning(name, {u"x"_s}, 1000));
        if (stale)
        {
            const QString path = QDir::temp().filePath(name);
            QFile::remove(path);
            QVERIFY(LeaveStaleSocket(path) && QFile::exists(path));
        }
        CSingleInstance running(name);
        QVERIFY(running.Listen());
        CSingleInstance second(name);
        QVERIFY(!second.Listen());
        QSignalSpy received(&running, &CSingleInstance::MessageReceived);
        QVERIFY(SendFromOtherThread(running.ServerName(), arguments));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(), arguments);
    }

    void oversizedMessageIsRefused()
    {
        CSingleInstance running(UniqueName("large"));
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &CSingleInstance::MessageReceived);
        const QString huge(int(CSingleInstance::kMessageLimit) + 1, u'a');
        QVERIFY(!SendFromOtherThread(running.ServerName(), {huge}));
        // A peer that claims a huge message is cut off without being read.
        bool answered = true;
        RunBeside(
            [&]
            {
                QLocalSocket socket;
                socket.connectToServer(running.ServerName());
                if (!socket.waitForConnected(kSocketWaitMs))
                    return;
                QByteArray header(4, '\0');
                qToBigEndian(quint32(CSingleInstance::kMessageLimit + 1), header.data());
                socket.write(header);
                socket.waitForBytesWritten(kSocketWaitMs);
                answered = socket.waitForReadyRead(kSocketWaitMs) && socket.bytesAvailable() > 0;
            });
        QVERIFY(!answered);
        QCOMPARE(received.size(), 0);
    }

    // One listener per settings folder, in a folder only the user can read.
    void serverNameDependsOnSettingsHome()
    {
        const QString first = CSingleInstance::DefaultServerName();
        qputenv("ZENTRAVA_HOME", "/tmp/zentrava-home-b");
        QVERIFY(first != CSingleInstance::DefaultServerName());
        const QFileInfo folder(QFileInfo(first).absolutePath());
        QCOMPARE(folder.absoluteFilePath(),
                 QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        QCOMPARE(folder.ownerId(), getuid());
        QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
    }
};

QTEST_MAIN(TestSiteManager)
#include "tst_site_manager.moc"
