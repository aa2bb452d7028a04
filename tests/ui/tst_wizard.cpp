#include "support/Screenshot.h"
#include "app/Profile.h"
#include "sites/SiteList.h"
#include "ui/AddFavouriteDlg.h"
#include "ui/ConnectionWizard.h"
#include "ui/ModalAnswerer.h"
#include "ui/SiteFolderTree.h"
#include "ui/TargetSiteDlg.h"
#include "ui/Translations.h"
#include "ui/WizardSheet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{

QByteArray FolderAttribute(const char* name)
{
    return QByteArray("name = \"") + name + '"';
}

QLineEdit* Edit(QWidget* parent, const char* name)
{
    return parent->findChild<QLineEdit*>(QString::fromLatin1(name));
}

} // namespace

class TestWizard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void wizardRefusesEntries_data();
    void wizardRefusesEntries();
    void wizardMessagesCarryItsCaption();
    void wizardAnonymousBox_data();
    void wizardAnonymousBox();
    void wizardLocalFolderPage();
    void wizardStoresSite_data();
    void wizardStoresSite();
    void wizardCancelStoresNothing();
    void wizardAsksBeforeReplacing();

    void folderTreeRenameRefusesCharacters();
    void folderTreeDeleteAsksFirst();
    void addFavouriteIntoNewFolder();
    void addFavouriteCancelKeepsNewFolder();
    void targetChooserGivesSitePath();

    void screenshot();

private:
    // A root site "Loose" and a folder Work with a folder Backups and a site "Inner".
    void MakeTree();
    // Fills the first four pages and stops on the folder page.
    static void FillPages(CWizardSheet* wizard, const QString& name);
    static QLineEdit* Editor(CSiteFolderTree* tree);
    QByteArray FileBytes() const;

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<CSiteList> m_sites;
};

void TestWizard::initTestCase()
{
    CTranslations::Install(*qApp);
}

void TestWizard::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
    m_sites = std::make_unique<CSiteList>(m_home->filePath(QStringLiteral("sites.xml")));
    QVERIFY(!m_sites->LoadSites());
}

void TestWizard::MakeTree()
{
    CXmlDocument& document = m_sites->Document();
    CFtpSite loose;
    loose.Name = QStringLiteral("Loose");
    loose.Address = QStringLiteral("127.0.0.2");
    CXmlElement* work = document.AddElement(nullptr, "FOLDER", {}, FolderAttribute("Work"));
    document.AddElement(work, "FOLDER", {}, FolderAttribute("Backups"));
    QVERIFY(m_sites->SaveSites());
    QVERIFY(m_sites->StoreSite(loose));
    loose.Name = QStringLiteral("Inner");
    QVERIFY(m_sites->StoreSite(loose, QStringLiteral("Work")));
}

void TestWizard::FillPages(CWizardSheet* wizard, const QString& name)
{
    Edit(wizard, "siteName")->setText(name);
    wizard->next();
    Edit(wizard, "address")->setText(QStringLiteral(" 127.0.0.1 "));
    wizard->next();
    Edit(wizard, "login")->setText(QStringLiteral("tester"));
    Edit(wizard, "password")->setText(QStringLiteral("secret"));
    wizard->next();
    wizard->next();
}

QLineEdit* TestWizard::Editor(CSiteFolderTree* tree)
{
    return tree->viewport()->findChild<QLineEdit*>();
}

QByteArray TestWizard::FileBytes() const
{
    QFile file(m_sites->FilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestWizard::wizardRefusesEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("stuckOn");
    QTest::addColumn<QString>("message");

    const QString badName = CSiteList::CheckName(QStringLiteral("a\"b"));
    QTest::newRow("empty name") << QString() << QString() << int(CWizardSheet::NamePage)
                                << QStringLiteral("請輸入有效的站台名稱");
    QTest::newRow("blank name") << QStringLiteral("   ") << QString() << int(CWizardSheet::NamePage)
                                << QStringLiteral("請輸入有效的站台名稱");
    QTest::newRow("quote") << QStringLiteral("a\"b") << QString() << int(CWizardSheet::NamePage) << badName;
    QTest::newRow("less than") << QStringLiteral("a<b") << QString() << int(CWizardSheet::NamePage)
                               << badName;
    QTest::newRow("greater than") << QStringLiteral("a>b") << QString() << int(CWizardSheet::NamePage)
                                  << badName;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << QString() << int(CWizardSheet::NamePage)
                               << CSiteList::CheckName(QStringLiteral("a\\b"));
    QTest::newRow("empty host") << QStringLiteral("Nightly") << QString() << int(CWizardSheet::AddressPage)
                                << QStringLiteral("請輸入站台位址");
    QTest::newRow("blank host") << QStringLiteral("Nightly") << QStringLiteral("  ")
                                << int(CWizardSheet::AddressPage) << QStringLiteral("請輸入站台位址");
}

void TestWizard::wizardRefusesEntries()
{
    QFETCH(QString, name);
    QFETCH(QString, host);
    QFETCH(int, stuckOn);
    QFETCH(QString, message);

    CModalAnswerer answerer;
    CWizardSheet wizard(*m_sites);
    wizard.show();
    Edit(&wizard, "siteName")->setText(name);
    wizard.next();
    if (wizard.currentId() == CWizardSheet::AddressPage)
    {
        Edit(&wizard, "address")->setText(host);
        wizard.next();
    }
    QCOMPARE(wizard.currentId(), stuckOn);
    QCOMPARE(answerer.Seen(), QStringList{message});
    QVERIFY(!message.isEmpty());
}

void TestWizard::wizardMessagesCarryItsCaption()
{
    CModalAnswerer answerer;
    QString caption;
    answerer.Queue(
        [&caption](QDialog* box)
        {
            caption = box->windowTitle();
            box->reject();
        });
    CWizardSheet wizard(*m_sites);
    wizard.show();
    QCOMPARE(wizard.windowTitle(), QStringLiteral("Connection Wizard"));
    QCOMPARE(wizard.currentPage()->title(), QStringLiteral("Zentrava Pro 連線精靈"));
    wizard.next();
    QCOMPARE(caption, QStringLiteral("連線精靈"));
    QCOMPARE(wizard.currentId(), int(CWizardSheet::NamePage));
}

void TestWizard::wizardAnonymousBox_data()
{
    QTest::addColumn<QString>("email");
    QTest::newRow("address") << QStringLiteral("me@example.com");
    QTest::newRow("none") << QString();
}

void TestWizard::wizardAnonymousBox()
{
    QFETCH(QString, email);
    QVERIFY(WriteProfileString(QStringLiteral("Settings"), QStringLiteral("EmailAddress"), email));
    CWizardSheet wizard(*m_sites);
    wizard.show();
    QLineEdit* login = Edit(&wizard, "login");
    QLineEdit* password = Edit(&wizard, "password");
    auto* anonymous = wizard.findChild<QCheckBox*>(QStringLiteral("anonymous"));
    login->setText(QStringLiteral("tester"));
    password->setText(QStringLiteral("secret"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);

    anonymous->setChecked(true);
    QCOMPARE(login->text(), QStringLiteral("anonymous"));
    QCOMPARE(password->text(), email);
    QCOMPARE(password->echoMode(), QLineEdit::Normal);

    anonymous->setChecked(false);
    QCOMPARE(login->text(), QStringLiteral("anonymous"));
    QCOMPARE(password->text(), email);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
}

void TestWizard::wizardLocalFolderPage()
{
    QVERIFY(
        WriteProfileString(QStringLiteral("Settings"), QStringLiteral("DefaultLocalPath"), m_home->path()));
    const QString chosen = m_home->filePath(QStringLiteral("downloads"));
    QVERIFY(QDir().mkpath(chosen));
    CWizardSheet wizard(*m_sites);
    wizard.show();
    Edit(&wizard, "siteName")->setText(QStringLiteral("Nightly"));
    wizard.next();
    Edit(&wizard, "address")->setText(QStringLiteral("127.0.0.1"));
    wizard.next();
    wizard.next();
    QCOMPARE(wizard.currentId(), int(CWizardSheet::LocalFolderPage));
    QLineEdit* folder = Edit(&wizard, "localFolder");
    QCOMPARE(folder->text(), m_home->path());

    CModalAnswerer answerer;
    QString browserTitle;
    answerer.Queue(
        [&browserTitle, chosen](QDialog* dialog)
        {
            auto* browser = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(browser);
            browserTitle = browser->windowTitle();
            // Opening the folder and choosing it: selecting a name races the dialog's folder loading.
            browser->setDirectory(chosen);
            dialog->accept();
        });
    auto* browse = wizard.findChild<QPushButton*>(QStringLiteral("browse"));
    browse->click();
    QCOMPARE(browserTitle, QStringLiteral("選取資料夾："));
    QCOMPARE(QDir(folder->text()), QDir(chosen));
    // A cancelled browser keeps the text.
    browse->click();
    QCOMPARE(QDir(folder->text()), QDir(chosen));
    QCOMPARE(wizard.MakeSite().LocalPath, folder->text());
}

void TestWizard::wizardStoresSite_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("root") << QString() << QStringLiteral("Nightly");
    QTest::newRow("folder") << QStringLiteral("Work") << QStringLiteral("Work\\Nightly");
    QTest::newRow("nested folder") << QStringLiteral("work\\backups")
                                   << QStringLiteral("Work\\Backups\\Nightly");
}

void TestWizard::wizardStoresSite()
{
    QFETCH(QString, folder);
    QFETCH(QString, path);
    MakeTree();
    QVERIFY(WriteProfileString(QStringLiteral("Settings"), QStringLiteral("DefaultLocalPath"),
                               QStringLiteral("/home/tester/Downloads")));

    CModalAnswerer answerer;
    answerer.Queue(
        [folder](QDialog* dialog)
        {
            auto* wizard = qobject_cast<CWizardSheet*>(dialog);
            QVERIFY(wizard);
            FillPages(wizard, QStringLiteral("Nightly"));
            QCOMPARE(wizard->currentId(), int(CWizardSheet::FolderPage));
            auto* tree = wizard->findChild<CSiteFolderTree*>(QStringLiteral("folders"));
            QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("我的最愛"));
            QVERIFY(tree->topLevelItem(0)->isExpanded());
            // Folders only: the root site is not offered.
            QVERIFY(!tree->SelectPath(QStringLiteral("Loose")));
            if (!folder.isEmpty())
                QVERIFY(tree->SelectPath(folder));
            wizard->next();
            auto* connectNow = wizard->findChild<QCheckBox*>(QStringLiteral("connectNow"));
            QVERIFY(!connectNow->isChecked());
            connectNow->setChecked(true);
            wizard->button(QWizard::FinishButton)->click();
        });
    const CWizardResult result = RunConnectionWizard(nullptr, *m_sites);
    QVERIFY(!answerer.HasPendingAnswers());
    QVERIFY(result.finished);
    QVERIFY(result.connectNow);
    QCOMPARE(result.sitePath, path);

    CSiteList reread(m_sites->FilePath());
    QVERIFY(reread.LoadSites());
    QCOMPARE(reread.SitePaths().count(path), 1);
    CFtpSite site;
    QVERIFY(reread.LoadSiteByPath(path, site));
    QCOMPARE(site.Name, QStringLiteral("Nightly"));
    QCOMPARE(site.Address, QStringLiteral("127.0.0.1"));
    QCOMPARE(site.Login, QStringLiteral("tester"));
    QCOMPARE(site.Password, QStringLiteral("secret"));
    QCOMPARE(site.LocalPath, QStringLiteral("/home/tester/Downloads"));
    QCOMPARE(site.Port, 21);
    QCOMPARE(site.Retries, 3);
    QCOMPARE(site.RetryDelay, 10);
    QCOMPARE(site.ProtocolType, 0);
    QVERIFY(site.RemotePath.isEmpty());

    // The layout of the writer: declaration, one TAB per level, CR LF only.
    const QByteArray bytes = FileBytes();
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\"?>\r\n<SITES "));
    QVERIFY(bytes.endsWith("</SITES>\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QVERIFY(bytes.contains("\r\n\t<FOLDER name=\"Work\" >\r\n\t\t<FOLDER name=\"Backups\" >\r\n"));
    const int depth = path.count(u'\\') + 1;
    const QByteArray indent(depth, '\t');
    QVERIFY(bytes.contains("\r\n" + indent + "<SITE name=\"Nightly\" >\r\n" + indent +
                           "\t<ADDRESS>127.0.0.1</ADDRESS>\r\n"));
}

void TestWizard::wizardCancelStoresNothing()
{
    MakeTree();
    const QByteArray before = FileBytes();
    CModalAnswerer answerer;
    answerer.Queue(
        [](QDialog* dialog)
        {
            auto* wizard = qobject_cast<CWizardSheet*>(dialog);
            FillPages(wizard, QStringLiteral("Nightly"));
            wizard->next();
            wizard->reject();
        });
    const CWizardResult result = RunConnectionWizard(nullptr, *m_sites);
    QVERIFY(!answerer.HasPendingAnswers());
    QVERIFY(!result.finished);
    QVERIFY(result.sitePath.isEmpty());
    QCOMPARE(FileBytes(), before);
    QCOMPARE(m_sites->SitePaths(), (QStringList{QStringLiteral("Work\\Inner"), QStringLiteral("Loose")}));
}

void TestWizard::wizardAsksBeforeReplacing()
{
    MakeTree();
    CModalAnswerer answerer;
    CWizardSheet wizard(*m_sites);
    wizard.show();
    FillPages(&wizard, QStringLiteral("loose"));
    answerer.Queue(CModalAnswerer::Click(QMessageBox::No));
    wizard.next();
    QCOMPARE(wizard.currentId(), int(CWizardSheet::FolderPage));
    answerer.Queue(CModalAnswerer::Click(QMessageBox::Yes));
    wizard.next();
    QCOMPARE(wizard.currentId(), int(CWizardSheet::FinishPage));
    QCOMPARE(answerer.Seen().size(), 2);
    QVERIFY(answerer.Seen().constFirst().contains(QStringLiteral("'loose'")));

    // Case-insensitive names reach the same site, which keeps its name and gets the new settings.
    const CWizardResult result = wizard.StoreSite();
    QCOMPARE(result.sitePath, QStringLiteral("loose"));
    QCOMPARE(m_sites->SitePaths().count(), 2);
    CFtpSite site;
    QVERIFY(m_sites->LoadSiteByPath(result.sitePath, site));
    QCOMPARE(site.Name, QStringLiteral("Loose"));
    QCOMPARE(site.Address, QStringLiteral("127.0.0.1"));
}

void TestWizard::folderTreeRenameRefusesCharacters()
{
    MakeTree();
    CModalAnswerer answerer;
    CSiteFolderTree tree(*m_sites, false);
    tree.show();
    QVERIFY(tree.SelectPath(QStringLiteral("Work\\Backups")));
    tree.RenameSelected();
    QLineEdit* editor = Editor(&tree);
    QVERIFY(editor);
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("A\"*/:<>?\\|B"));
    QCOMPARE(editor->text(), QStringLiteral("AB"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(m_sites->FindFolderByPath(nullptr, QStringLiteral("Work\\AB")));
    QVERIFY(FileBytes().contains("<FOLDER name=\"AB\" >"));
    QVERIFY(tree.SelectPath(QStringLiteral("Work\\AB")));

    // An empty label would leave a folder without a name: refused, the old one stays.
    tree.RenameSelected();
    Editor(&tree)->clear();
    QTest::keyClick(Editor(&tree), Qt::Key_Return);
    QTRY_COMPARE(answerer.Seen().size(), 1);
    QCOMPARE(answerer.Seen().constFirst(), CSiteList::CheckName(QString()));
    QCOMPARE(tree.currentItem()->text(0), QStringLiteral("AB"));
    QVERIFY(m_sites->FindFolderByPath(nullptr, QStringLiteral("Work\\AB")));

    // The root's label is fixed.
    tree.setCurrentItem(tree.topLevelItem(0));
    tree.RenameSelected();
    QVERIFY(!Editor(&tree));
}

void TestWizard::folderTreeDeleteAsksFirst()
{
    MakeTree();
    CModalAnswerer answerer;
    CSiteFolderTree tree(*m_sites, true);
    tree.show();
    QVERIFY(tree.SelectPath(QStringLiteral("Loose")));
    answerer.Queue(CModalAnswerer::Click(QMessageBox::No));
    tree.DeleteSelected();
    QVERIFY(tree.SelectPath(QStringLiteral("Work")));
    answerer.Queue(CModalAnswerer::Click(QMessageBox::Yes));
    tree.DeleteSelected();
    QCOMPARE(answerer.Seen(), (QStringList{QStringLiteral("您確定要刪除 'Loose' ？"),
                                           QStringLiteral("您確定要刪除這個資料夾 'Work' 及所有的內容？")}));

    // The folder went with its subtree, in memory and on disk; the refused site stayed.
    QVERIFY(!tree.SelectPath(QStringLiteral("Work")));
    QVERIFY(!tree.SelectPath(QStringLiteral("Work\\Inner")));
    CSiteList reread(m_sites->FilePath());
    QVERIFY(reread.LoadSites());
    QCOMPARE(reread.SitePaths(), QStringList{QStringLiteral("Loose")});
    QVERIFY(!FileBytes().contains("FOLDER"));

    tree.setCurrentItem(tree.topLevelItem(0));
    tree.DeleteSelected();
    QCOMPARE(answerer.Seen().size(), 2);
}

void TestWizard::addFavouriteIntoNewFolder()
{
    MakeTree();
    CFtpSite connection;
    connection.Address = QStringLiteral("127.0.0.1");
    connection.Port = 2121;
    connection.Login = QStringLiteral("tester");
    connection.Password = QStringLiteral("secret");
    connection.ProtocolType = CFtpSite::ProtocolExplicitTls;

    CModalAnswerer answerer;
    QString offeredName;
    answerer.Queue(
        [&offeredName](QDialog* dialog)
        {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("加到我的最愛"));
            offeredName = Edit(dialog, "siteName")->text();
            auto* tree = dialog->findChild<CSiteFolderTree*>(QStringLiteral("folders"));
            QVERIFY(tree->SelectPath(QStringLiteral("Work")));
            dialog->findChild<QPushButton*>(QStringLiteral("newFolder"))->click();
            QLineEdit* editor = Editor(tree);
            QVERIFY(editor);
            QCOMPARE(editor->text(), QStringLiteral("新資料夾"));
            editor->setText(QStringLiteral("Mirrors"));
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(tree->SelectedPath(), QStringLiteral("Work\\Mirrors"));
            Edit(dialog, "siteName")->setText(QStringLiteral("Pub"));
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
    QVERIFY(
        AddToFavourites(nullptr, *m_sites, connection, QStringLiteral("/pub"), QStringLiteral("/tmp/local")));
    QVERIFY(!answerer.HasPendingAnswers());
    QCOMPARE(offeredName, QStringLiteral("127.0.0.1 [/pub]"));

    CSiteList reread(m_sites->FilePath());
    QVERIFY(reread.LoadSites());
    QCOMPARE(reread.SitePaths(),
             (QStringList{QStringLiteral("Work\\Inner"), QStringLiteral("Work\\Mirrors\\Pub"),
                          QStringLiteral("Loose")}));
    CFtpSite site;
    QVERIFY(reread.LoadSiteByPath(QStringLiteral("Work\\Mirrors\\Pub"), site));
    QCOMPARE(site.Address, connection.Address);
    QCOMPARE(site.Port, 2121);
    QCOMPARE(site.Password, QStringLiteral("secret"));
    QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolExplicitTls));
    QCOMPARE(site.RemotePath, QStringLiteral("/pub"));
    QCOMPARE(site.LocalPath, QStringLiteral("/tmp/local"));
    const QByteArray bytes = FileBytes();
    QCOMPARE(bytes.count("name=\"Mirrors\""), 1);
    QVERIFY(bytes.contains("\r\n\t\t<FOLDER name=\"Mirrors\" >\r\n\t\t\t<SITE name=\"Pub\" >\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
}

void TestWizard::addFavouriteCancelKeepsNewFolder()
{
    MakeTree();
    CModalAnswerer answerer;
    answerer.Queue(
        [](QDialog* dialog)
        {
            auto* tree = dialog->findChild<CSiteFolderTree*>(QStringLiteral("folders"));
            dialog->findChild<QPushButton*>(QStringLiteral("newFolder"))->click();
            QTest::keyClick(Editor(tree), Qt::Key_Escape);
            dialog->reject();
        });
    QVERIFY(!AddToFavourites(nullptr, *m_sites, CFtpSite(), QStringLiteral("/"), QString()));
    QVERIFY(!answerer.HasPendingAnswers());
    CSiteList reread(m_sites->FilePath());
    QVERIFY(reread.LoadSites());
    QVERIFY(reread.FindFolderByPath(nullptr, QStringLiteral("新資料夾")));
    QCOMPARE(reread.SitePaths().size(), 2);
}

void TestWizard::targetChooserGivesSitePath()
{
    MakeTree();
    {
        CTargetSiteDlg dialog(*m_sites);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("站台對傳"));
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        auto* tree = dialog.findChild<CSiteFolderTree*>(QStringLiteral("sites"));
        QVERIFY(!ok->isEnabled());
        QVERIFY(!dialog.SelectedSitePath());
        QVERIFY(tree->SelectPath(QStringLiteral("Work")));
        QVERIFY(!ok->isEnabled());
        QVERIFY(!dialog.SelectedSitePath());
        QVERIFY(tree->SelectPath(QStringLiteral("Loose")));
        QVERIFY(ok->isEnabled());
        QCOMPARE(dialog.SelectedSitePath(), std::optional<QString>(QStringLiteral("Loose")));
    }

    CModalAnswerer answerer;
    answerer.Queue(
        [](QDialog* dialog)
        {
            auto* tree = dialog->findChild<CSiteFolderTree*>(QStringLiteral("sites"));
            QVERIFY(tree->SelectPath(QStringLiteral("work\\inner")));
            dialog->accept();
        });
    QCOMPARE(CTargetSiteDlg::ChooseSite(nullptr, *m_sites),
             std::optional<QString>(QStringLiteral("Work\\Inner")));
    QVERIFY(!CTargetSiteDlg::ChooseSite(nullptr, *m_sites));
    QCOMPARE(answerer.Seen().size(), 2);
}

void TestWizard::screenshot()
{
    CWizardSheet wizard(*m_sites);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    const QString problem = Screenshot::Save(wizard, QStringLiteral("wizard.png"), {wizard.windowTitle()});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
