#include "support/Screenshot.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "sites/SiteList.h"
#include "ui/AddFavouriteDlg.h"
#include "ui/ConnectionWizard.h"
#include "ui/SiteFolderTree.h"
#include "ui/TargetSiteDlg.h"
#include "ui/Translations.h"
#include "ui/WizardSheet.h"

#include "ModalAnswerer.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

QLineEdit* Edit(QWidget* parent, const char* name)
{
    return parent->findChild<QLineEdit*>(QString::fromLatin1(name));
}

CSiteFolderTree* Tree(QWidget* parent, const QString& name = u"folders"_s)
{
    return parent->findChild<CSiteFolderTree*>(name);
}

QLineEdit* Editor(CSiteFolderTree* tree)
{
    return tree->viewport()->findChild<QLineEdit*>();
}

// Fills the first four pages and stops on the folder page; with a name, each page is photographed.
void FillPages(CWizardSheet* wizard, const QString& name, const QString& shots = {})
{
    const auto shoot = [&](const QString& text)
    {
        const QString problem = shots.isEmpty() ? QString()
                                                : Screenshot::Save(*wizard, shots.arg(wizard->currentId()),
                                                                   {wizard->windowTitle(), text});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    };
    Edit(wizard, "siteName")->setText(name);
    shoot(name);
    wizard->next();
    Edit(wizard, "address")->setText(u" 127.0.0.1 "_s);
    shoot(u" 127.0.0.1 "_s);
    wizard->next();
    Edit(wizard, "login")->setText(u"tester"_s);
    Edit(wizard, "password")->setText(u"secret"_s);
    shoot(u"tester"_s);
    wizard->next();
    shoot(Edit(wizard, "localFolder")->text());
    wizard->next();
}

} // namespace

class TestWizard : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<CSiteList> m_sites;
    std::unique_ptr<CModalAnswerer> m_answerer;

    // A root site "Loose" and a folder Work with a folder Backups and a site "Inner".
    void MakeTree()
    {
        CXmlElement* work = m_sites->Document().AddElement(nullptr, "FOLDER", {}, "name = \"Work\"");
        m_sites->Document().AddElement(work, "FOLDER", {}, "name = \"Backups\"");
        QVERIFY(m_sites->SaveSites());
        CFtpSite loose;
        loose.Name = u"Loose"_s;
        loose.Address = u"127.0.0.2"_s;
        QVERIFY(m_sites->StoreSite(loose));
        loose.Name = u"Inner"_s;
        QVERIFY(m_sites->StoreSite(loose, u"Work"_s));
    }
    QByteArray FileBytes() const { return TestFiles::ReadFile(m_sites->FilePath()); }
    QStringList StoredPaths() const
    {
        CSiteList reread(m_sites->FilePath());
        return reread.LoadSites() ? reread.SitePaths() : QStringList{u"<unreadable>"_s};
    }

private Q_SLOTS:
    void initTestCase() { CTranslations::Install(*qApp); }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
        m_sites = std::make_unique<CSiteList>(m_home->filePath(u"sites.xml"_s));
        QVERIFY(!m_sites->LoadSites());
        m_answerer = std::make_unique<CModalAnswerer>();
    }
    void cleanup() { m_answerer.reset(); }

    // A page with a missing or refused entry keeps the wizard there and says why, under its caption.
    void wizardRefusesEntries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("stuckOn");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty name") << QString() << QString() << int(CWizardSheet::NamePage)
                                    << u"請輸入有效的站台名稱"_s;
        QTest::newRow("blank name") << u"   "_s << QString() << int(CWizardSheet::NamePage)
                                    << u"請輸入有效的站台名稱"_s;
        for (const char* bad : {"a\"b", "a<b", "a>b", "a\\b"})
            QTest::addRow("%s", bad) << QString::fromLatin1(bad) << QString() << int(CWizardSheet::NamePage)
                                     << CSiteList::CheckName(QString::fromLatin1(bad));
        QTest::newRow("blank host") << u"Nightly"_s << u"  "_s << int(CWizardSheet::AddressPage)
                                    << u"請輸入站台位址"_s;
    }
    void wizardRefusesEntries()
    {
        QFETCH(QString, name);
        QFETCH(QString, host);
        QFETCH(QString, message);
        QString caption;
        m_answerer->Queue(
            [&caption](QDialog* box)
            {
                caption = box->windowTitle();
                box->reject();
            });
        CWizardSheet wizard(*m_sites);
        wizard.show();
        QCOMPARE(wizard.windowTitle(), u"Connection Wizard"_s);
        QCOMPARE(wizard.currentPage()->title(), u"Zentrava Pro 連線精靈"_s);
        Edit(&wizard, "siteName")->setText(name);
        wizard.next();
        if (wizard.currentId() == CWizardSheet::AddressPage)
        {
            Edit(&wizard, "address")->setText(host);
            wizard.next();
        }
        QTEST(wizard.currentId(), "stuckOn");
        QVERIFY(!message.isEmpty());
        QCOMPARE(m_answerer->Seen(), QStringList{message});
        QCOMPARE(caption, u"連線精靈"_s);
    }

    // Unticked, the box leaves the anonymous log-in in place and hides the password again.
    void wizardAnonymousBox_data()
    {
        QTest::addColumn<QString>("email");
        QTest::newRow("address") << u"me@example.com"_s;
        QTest::newRow("none") << QString();
    }
    void wizardAnonymousBox()
    {
        QFETCH(QString, email);
        QVERIFY(WriteProfileString(u"Settings"_s, u"EmailAddress"_s, email));
        CWizardSheet wizard(*m_sites);
        QLineEdit* login = Edit(&wizard, "login");
        QLineEdit* password = Edit(&wizard, "password");
        auto* anonymous = wizard.findChild<QCheckBox*>(u"anonymous"_s);
        login->setText(u"tester"_s);
        password->setText(u"secret"_s);
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        for (bool ticked : {true, false})
        {
            anonymous->setChecked(ticked);
            QCOMPARE(login->text(), u"anonymous"_s);
            QCOMPARE(password->text(), email);
            QCOMPARE(password->echoMode(), ticked ? QLineEdit::Normal : QLineEdit::Password);
        }
    }

    // The local folder starts as the default one; the browser's choice replaces it, a cancel keeps it.
    void wizardLocalFolderPage()
    {
        QVERIFY(WriteProfileString(u"Settings"_s, u"DefaultLocalPath"_s, m_home->path()));
        const QString chosen = m_home->filePath(u"downloads"_s);
        QVERIFY(QDir().mkpath(chosen));
        CWizardSheet wizard(*m_sites);
        wizard.show();
        Edit(&wizard, "siteName")->setText(u"Nightly"_s);
        wizard.next();
        Edit(&wizard, "address")->setText(u"127.0.0.1"_s);
        wizard.next();
        wizard.next();
        QLineEdit* folder = Edit(&wizard, "localFolder");
        QCOMPARE(folder->text(), m_home->path());
        QString browserTitle;
        m_answerer->Queue(
            [&browserTitle, chosen](QDialog* dialog)
            {
                browserTitle = dialog->windowTitle();
                // Opening the folder and choosing it: selecting a name races the dialog's folder loading.
                qobject_cast<QFileDialog*>(dialog)->setDirectory(chosen);
                dialog->accept();
            });
        auto* browse = wizard.findChild<QPushButton*>(u"browse"_s);
        browse->click();
        QCOMPARE(browserTitle, u"選取資料夾："_s);
        QCOMPARE(QDir(folder->text()), QDir(chosen));
        browse->click();
        QCOMPARE(QDir(folder->text()), QDir(chosen));
        QCOMPARE(wizard.MakeSite().LocalPath, folder->text());
    }

    void wizardStoresSite_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << QString() << u"Nightly"_s;
        QTest::newRow("folder") << u"Work"_s << u"Work\\Nightly"_s;
        QTest::newRow("nested folder") << u"work\\backups"_s << u"Work\\Backups\\Nightly"_s;
    }
    void wizardStoresSite()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        MakeTree();
        QVERIFY(WriteProfileString(u"Settings"_s, u"DefaultLocalPath"_s, u"/home/tester/Downloads"_s));
        m_answerer->Queue(
            [folder](QDialog* dialog)
            {
                auto* wizard = qobject_cast<CWizardSheet*>(dialog);
                FillPages(wizard, u"Nightly"_s, folder.isEmpty() ? u"wizard_%1.png"_s : QString());
                QCOMPARE(wizard->currentId(), int(CWizardSheet::FolderPage));
                CSiteFolderTree* tree = Tree(wizard);
                QCOMPARE(tree->topLevelItem(0)->text(0), u"我的最愛"_s);
                QVERIFY(tree->topLevelItem(0)->isExpanded());
                // Folders only: the root site is not offered.
                QVERIFY(!tree->SelectPath(u"Loose"_s));
                QVERIFY(folder.isEmpty() || tree->SelectPath(folder));
                wizard->next();
                auto* connectNow = wizard->findChild<QCheckBox*>(u"connectNow"_s);
                QVERIFY(!connectNow->isChecked());
                connectNow->setChecked(true);
                wizard->button(QWizard::FinishButton)->click();
            });
        const CWizardResult result = RunConnectionWizard(nullptr, *m_sites);
        QVERIFY(!m_answerer->HasPendingAnswers());
        QVERIFY(result.finished && result.connectNow);
        QCOMPARE(result.sitePath, path);

        CSiteList reread(m_sites->FilePath());
        QVERIFY(reread.LoadSites());
        QCOMPARE(reread.SitePaths().count(path), 1);
        CFtpSite site;
        QVERIFY(reread.LoadSiteByPath(path, site));
        QCOMPARE(site.Name, u"Nightly"_s);
        QCOMPARE(site.Address, u"127.0.0.1"_s);
        QCOMPARE(site.Login, u"tester"_s);
        QCOMPARE(site.Password, u"secret"_s);
        QCOMPARE(site.LocalPath, u"/home/tester/Downloads"_s);
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
        const QByteArray indent(path.count(u'\\') + 1, '\t');
        QVERIFY(bytes.contains("\r\n" + indent + "<SITE name=\"Nightly\" >\r\n" + indent +
                               "\t<ADDRESS>127.0.0.1</ADDRESS>\r\n"));
    }

    void wizardCancelStoresNothing()
    {
        MakeTree();
        const QByteArray before = FileBytes();
        m_answerer->Queue(
            [](QDialog* dialog)
            {
                FillPages(qobject_cast<CWizardSheet*>(dialog), u"Nightly"_s);
                qobject_cast<CWizardSheet*>(dialog)->next();
                dialog->reject();
            });
        const CWizardResult result = RunConnectionWizard(nullptr, *m_sites);
        QVERIFY(!m_answerer->HasPendingAnswers());
        QVERIFY(!result.finished && result.sitePath.isEmpty());
        QCOMPARE(FileBytes(), before);
        QCOMPARE(m_sites->SitePaths(), QStringList({"Work\\Inner", "Loose"}));
    }

    // Case-insensitive names reach the same site, which keeps its name and gets the new settings.
    void wizardAsksBeforeReplacing()
    {
        MakeTree();
        CWizardSheet wizard(*m_sites);
        wizard.show();
        FillPages(&wizard, u"loose"_s);
        m_answerer->Queue(CModalAnswerer::Click(QMessageBox::No));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CWizardSheet::FolderPage));
        m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Yes));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CWizardSheet::FinishPage));
        QCOMPARE(m_answerer->Seen().size(), 2);
        QVERIFY(m_answerer->Seen().constFirst().contains(u"'loose'"_s));
        const CWizardResult result = wizard.StoreSite();
        QCOMPARE(result.sitePath, u"loose"_s);
        QCOMPARE(m_sites->SitePaths().count(), 2);
        CFtpSite site;
        QVERIFY(m_sites->LoadSiteByPath(result.sitePath, site));
        QCOMPARE(site.Name, u"Loose"_s);
        QCOMPARE(site.Address, u"127.0.0.1"_s);
    }

    void folderTreeRenameRefusesCharacters()
    {
        MakeTree();
        CSiteFolderTree tree(*m_sites, false);
        tree.show();
        QVERIFY(tree.SelectPath(u"Work\\Backups"_s));
        tree.RenameSelected();
        QLineEdit* editor = Editor(&tree);
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, u"A\"*/:<>?\\|B"_s);
        QCOMPARE(editor->text(), u"AB"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(m_sites->FindFolderByPath(nullptr, u"Work\\AB"_s));
        QVERIFY(FileBytes().contains("<FOLDER name=\"AB\" >"));
        QVERIFY(tree.SelectPath(u"Work\\AB"_s));
        // An empty label would leave a folder without a name: refused, the old one stays.
        tree.RenameSelected();
        Editor(&tree)->clear();
        QTest::keyClick(Editor(&tree), Qt::Key_Return);
        QTRY_COMPARE(m_answerer->Seen(), QStringList{CSiteList::CheckName(QString())});
        QCOMPARE(tree.currentItem()->text(0), u"AB"_s);
        QVERIFY(m_sites->FindFolderByPath(nullptr, u"Work\\AB"_s));
        // The root's label is fixed.
        tree.setCurrentItem(tree.topLevelItem(0));
        tree.RenameSelected();
        QVERIFY(!Editor(&tree));
    }

    void folderTreeDeleteAsksFirst()
    {
        MakeTree();
        CSiteFolderTree tree(*m_sites, true);
        tree.show();
        QVERIFY(tree.SelectPath(u"Loose"_s));
        m_answerer->Queue(CModalAnswerer::Click(QMessageBox::No));
        tree.DeleteSelected();
        QVERIFY(tree.SelectPath(u"Work"_s));
        m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Yes));
        tree.DeleteSelected();
        QCOMPARE(m_answerer->Seen(),
                 QStringList({"您確定要刪除 'Loose' ？", "您確定要刪除這個資料夾 'Work' 及所有的內容？"}));
        // The folder went with its subtree, in memory and on disk; the refused site stayed.
        QVERIFY(!tree.SelectPath(u"Work"_s) && !tree.SelectPath(u"Work\\Inner"_s));
        QCOMPARE(StoredPaths(), QStringList{"Loose"});
        QVERIFY(!FileBytes().contains("FOLDER"));
        tree.setCurrentItem(tree.topLevelItem(0));
        tree.DeleteSelected();
        QCOMPARE(m_answerer->Seen().size(), 2);
    }

    void addFavouriteIntoNewFolder()
    {
        MakeTree();
        CFtpSite connection;
        connection.Address = u"127.0.0.1"_s;
        connection.Port = 2121;
        connection.Login = u"tester"_s;
        connection.Password = u"secret"_s;
        connection.ProtocolType = CFtpSite::ProtocolExplicitTls;
        QString offeredName;
        m_answerer->Queue(
            [&offeredName](QDialog* dialog)
            {
                QCOMPARE(dialog->windowTitle(), u"加到我的最愛"_s);
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
        QVERIFY(!m_answerer->HasPendingAnswers());
        QCOMPARE(offeredName, u"127.0.0.1 [/pub]"_s);
        QCOMPARE(StoredPaths(), QStringList({"Work\\Inner", "Work\\Mirrors\\Pub", "Loose"}));
        CSiteList reread(m_sites->FilePath());
        reread.LoadSites();
        CFtpSite site;
        QVERIFY(reread.LoadSiteByPath(u"Work\\Mirrors\\Pub"_s, site));
        QCOMPARE(site.Address, connection.Address);
        QCOMPARE(site.Port, 2121);
        QCOMPARE(site.Password, u"secret"_s);
        QCOMPARE(site.ProtocolType, int(CFtpSite::ProtocolExplicitTls));
        QCOMPARE(site.RemotePath, u"/pub"_s);
        QCOMPARE(site.LocalPath, u"/tmp/local"_s);
        const QByteArray bytes = FileBytes();
        QCOMPARE(bytes.count("name=\"Mirrors\""), 1);
        QVERIFY(bytes.contains("\r\n\t\t<FOLDER name=\"Mirrors\" >\r\n\t\t\t<SITE name=\"Pub\" >\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    }

    void addFavouriteCancelKeepsNewFolder()
    {
        MakeTree();
        m_answerer->Queue(
            [](QDialog* dialog)
            {
                dialog->findChild<QPushButton*>(u"newFolder"_s)->click();
                QTest::keyClick(Editor(Tree(dialog)), Qt::Key_Escape);
                dialog->reject();
            });
        QVERIFY(!AddToFavourites(nullptr, *m_sites, CFtpSite(), u"/"_s, QString()));
        QVERIFY(!m_answerer->HasPendingAnswers());
        CSiteList reread(m_sites->FilePath());
        QVERIFY(reread.LoadSites());
        QVERIFY(reread.FindFolderByPath(nullptr, u"新資料夾"_s));
        QCOMPARE(reread.SitePaths().size(), 2);
    }

    void targetChooserGivesSitePath()
    {
        MakeTree();
        {
            CTargetSiteDlg dialog(*m_sites);
            dialog.show();
            QCOMPARE(dialog.windowTitle(), u"站台對傳"_s);
            QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            CSiteFolderTree* tree = Tree(&dialog, u"sites"_s);
            QVERIFY(!ok->isEnabled() && !dialog.SelectedSitePath());
            QVERIFY(tree->SelectPath(u"Work"_s));
            QVERIFY(!ok->isEnabled() && !dialog.SelectedSitePath());
            QVERIFY(tree->SelectPath(u"Loose"_s));
            QVERIFY(ok->isEnabled());
            QCOMPARE(dialog.SelectedSitePath(), std::optional<QString>(u"Loose"_s));
        }
        m_answerer->Queue(
            [](QDialog* dialog)
            {
                QVERIFY(Tree(dialog, u"sites"_s)->SelectPath(u"work\\inner"_s));
                dialog->accept();
            });
        QCOMPARE(CTargetSiteDlg::ChooseSite(nullptr, *m_sites), std::optional<QString>(u"Work\\Inner"_s));
        QVERIFY(!CTargetSiteDlg::ChooseSite(nullptr, *m_sites));
        QCOMPARE(m_answerer->Seen().size(), 2);
    }
};

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
