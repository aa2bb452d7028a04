#include "support/Screenshot.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "engine/keys/KeyCertificate.h"
#include "sites/SiteList.h"
#include "ui/AboutDlg.h"
#include "ui/AddFavouriteDlg.h"
#include "ui/CertificateDlg.h"
#include "ui/ConnectionWizard.h"
#include "ui/HistoryComboBox.h"
#include "ui/HostKeyDlg.h"
#include "ui/LogonDlg.h"
#include "ui/PropertiesDlg.h"
#include "ui/QuickConnectBar.h"
#include "ui/RetryCountdownDlg.h"
#include "ui/SiteFolderTree.h"
#include "ui/SiteGeneralPage.h"
#include "ui/TargetSiteDlg.h"
#include "ui/Translations.h"
#include "ui/WizardSheet.h"

#include "ModalAnswerer.h"

using namespace Qt::StringLiterals;

namespace
{

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

QLineEdit* Editor(CSiteFolderTree* tree)
{
    return tree->viewport()->findChild<QLineEdit*>();
}

// Fills the first four pages and stops on the folder page.
void FillPages(CWizardSheet* wizard, const QString& name)
{
    Edit(wizard, "siteName")->setText(name);
    wizard->next();
    Edit(wizard, "address")->setText(u" 127.0.0.1 "_s);
    wizard->next();
    Edit(wizard, "login")->setText(u"tester"_s);
    Edit(wizard, "password")->setText(u"secret"_s);
    wizard->next();
    wizard->next();
}

} // namespace

class TestDialogs : public QObject
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
    CFtpSite StoredSite(const QString& path) const
    {
        CSiteList reread(m_sites->FilePath());
        CFtpSite site;
        return reread.LoadSites() && reread.LoadSiteByPath(path, site) ? site : CFtpSite();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A zone far from UTC shows whether certificate dates are converted to local time.
        qputenv("TZ", "Asia/Taipei");
        CTranslations::Install(*qApp);
        QApplication::setWindowIcon(QIcon(u":/zentrava.svg"_s));
    }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
        m_sites = std::make_unique<CSiteList>(m_home->filePath(u"sites.xml"_s));
        QVERIFY(!m_sites->LoadSites());
        m_answerer = std::make_unique<CModalAnswerer>();
    }
    void cleanup() { m_answerer.reset(); }

    // The countdown retries at its end; a cancel must not be turned into a retry by the count going on.
    void countdownRunsToRetry()
    {
        m_answerer.reset(); // the countdowns end on their own or by the click here
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
        CCertificateDlg dialog(certificate, u"self-signed certificate"_s);
        QCOMPARE(QStringList({LabelText(&dialog, u"issuerName"_s), LabelText(&dialog, u"unit"_s)}),
                 QStringList({"根憑證中心", "研發部"}));
        // Taipei is eight hours ahead of UTC: 20:30 becomes 4:30 the next day, 23:45 becomes 7:45.
        const QString from = LabelText(&dialog, u"validFrom"_s);
        QVERIFY2(from.contains("4:30"_L1) && !from.contains("20:30"_L1) && !from.contains("8:30"_L1),
                 qPrintable(from));
        QVERIFY(LabelText(&dialog, u"validTo"_s).contains("7:45"_L1));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString problem = Screenshot::Save(dialog, u"certificate.png"_s, {u"根憑證中心"_s});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        // Enter alone never trusts a certificate.
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        CCertificateDlg clicked(ServerCertificate{}, QString());
        clicked.open();
        clicked.findChild<QPushButton*>(u"accept"_s)->click();
        QCOMPARE(clicked.result(), int(QDialog::Accepted));
    }

    void aboutBox()
    {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QString problem = Screenshot::Save(about, u"about.png"_s, {about.windowTitle()});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
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
        QLineEdit* loginEdit = nullptr;
        QLineEdit* password = nullptr;
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
    }

    void logonSavesPasswordOnlyWhenTicked()
    {
        CLogonDlg dialog(u"ftp.example.test"_s, u"bob"_s, u"pw"_s);
        QVERIFY(!dialog.SavePassword());
        dialog.findChild<QCheckBox*>(u"savePassword"_s)->setChecked(true);
        QVERIFY(dialog.SavePassword() && dialog.Login() == "bob" && dialog.Password() == "pw");
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
        QCOMPARE(stored(1), u"ftp://127.0.0.1:2121/pub|me,too,secret"_s);
        // Enter connects as the button does; a known host typed keeps its place and takes the new log-in.
        host->setEditText(u"h1"_s);
        login->setText(u"ann"_s);
        QTest::keyClick(host, Qt::Key_Return);
        QVERIFY(requested.size() == 2 && requested.last().at(1) == "ann");
        QCOMPARE(stored(0), u"h1|ann,secret"_s);
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
        QTest::newRow("root folder") << QList{File(u"a.txt"_s, 0)} << u"/"_s << true << one
                                     << QStringList{"a.txt", "ftp://127.0.0.1/a.txt", "1 KB (0 bytes)",
                                                    "alice"};
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
        QVERIFY(!message.isEmpty());
        QCOMPARE(m_answerer->Seen(), QStringList{message});
    }

    // A wizard cancelled on its last page stores nothing.
    void wizardStoresSite_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("cancelled") << QString() << QString();
        QTest::newRow("root") << QString() << u"Nightly"_s;
        QTest::newRow("folder") << u"Work"_s << u"Work\\Nightly"_s;
        QTest::newRow("nested folder") << u"work\\backups"_s << u"Work\\Backups\\Nightly"_s;
    }
    void wizardStoresSite()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        MakeTree();
        const QByteArray before = FileBytes();
        QVERIFY(WriteProfileString(u"Settings"_s, u"DefaultLocalPath"_s, u"/home/tester/Downloads"_s));
        m_answerer->Queue(
            [folder, path](QDialog* dialog)
            {
                auto* wizard = qobject_cast<CWizardSheet*>(dialog);
                FillPages(wizard, u"Nightly"_s);
                QCOMPARE(wizard->currentId(), int(CWizardSheet::FolderPage));
                const QString problem = folder.isEmpty()
                                            ? QString()
                                            : Screenshot::Save(*wizard, u"wizard.png"_s, {u"我的最愛"_s});
                QVERIFY2(problem.isEmpty(), qPrintable(problem));
                // Folders only: the root site is not offered.
                QVERIFY(!Tree(wizard)->SelectPath(u"Loose"_s));
                QVERIFY(folder.isEmpty() || Tree(wizard)->SelectPath(folder));
                wizard->next();
                auto* connectNow = wizard->findChild<QCheckBox*>(u"connectNow"_s);
                QVERIFY(!connectNow->isChecked());
                connectNow->setChecked(true);
                path.isEmpty() ? wizard->reject() : wizard->button(QWizard::FinishButton)->click();
            });
        const CWizardResult result = RunConnectionWizard(nullptr, *m_sites);
        QVERIFY(!m_answerer->HasPendingAnswers());
        QCOMPARE(result.sitePath, path);
        if (path.isEmpty())
        {
            QVERIFY(!result.finished);
            QCOMPARE(FileBytes(), before);
            return;
        }
        QVERIFY(result.finished && result.connectNow);
        QCOMPARE(StoredPaths().count(path), 1);
        const CFtpSite site = StoredSite(path);
        QCOMPARE(QStringList({site.Name, site.Address, site.Login, site.Password, site.LocalPath}),
                 QStringList({"Nightly", "127.0.0.1", "tester", "secret", "/home/tester/Downloads"}));
        QCOMPARE(site.Port, 21);
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
        QVERIFY(m_answerer->Seen().size() == 2 && m_answerer->Seen().constFirst().contains(u"'loose'"_s));
        QCOMPARE(wizard.StoreSite().sitePath, u"loose"_s);
        QCOMPARE(StoredPaths(), QStringList({"Work\\Inner", "Loose"}));
        QCOMPARE(StoredSite(u"Loose"_s).Address, u"127.0.0.1"_s);
    }

    void folderTreeRenameRefusesCharacters()
    {
        MakeTree();
        CSiteFolderTree tree(*m_sites, false);
        tree.show();
        QVERIFY(tree.SelectPath(u"Work\\Backups"_s));
        tree.RenameSelected();
        QVERIFY(Editor(&tree));
        Editor(&tree)->clear();
        QTest::keyClicks(Editor(&tree), u"A\"*/:<>?\\|B"_s);
        QCOMPARE(Editor(&tree)->text(), u"AB"_s);
        QTest::keyClick(Editor(&tree), Qt::Key_Return);
        QTRY_VERIFY(m_sites->FindFolderByPath(nullptr, u"Work\\AB"_s));
        QVERIFY(FileBytes().contains("<FOLDER name=\"AB\" >") && tree.SelectPath(u"Work\\AB"_s));
        // An empty label would leave a folder without a name: refused, the old one stays.
        tree.RenameSelected();
        Editor(&tree)->clear();
        QTest::keyClick(Editor(&tree), Qt::Key_Return);
        QTRY_COMPARE(m_answerer->Seen(), QStringList{CSiteList::CheckName(QString())});
        QVERIFY(tree.currentItem()->text(0) == "AB" && m_sites->FindFolderByPath(nullptr, u"Work\\AB"_s));
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
        QVERIFY(StoredPaths() == QStringList{"Loose"} && !FileBytes().contains("FOLDER"));
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
        const CFtpSite site = StoredSite(u"Work\\Mirrors\\Pub"_s);
        QVERIFY(site.Port == 2121 && site.ProtocolType == CFtpSite::ProtocolExplicitTls);
        QCOMPARE(QStringList({site.Password, site.RemotePath, site.LocalPath}),
                 QStringList({"secret", "/pub", "/tmp/local"}));
        QCOMPARE(FileBytes().count("name=\"Mirrors\""), 1);
    }

    void targetChooserGivesSitePath()
    {
        MakeTree();
        // A folder is no target.
        CTargetSiteDlg folder(*m_sites);
        QVERIFY(Tree(&folder, u"sites"_s)->SelectPath(u"Work"_s) && !folder.SelectedSitePath());
        QVERIFY(!folder.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
