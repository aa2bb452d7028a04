#include "servers/Harness.h"
#include "support/Rows.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "sites/PasswordProtection.h"
#include "sites/SiteList.h"
#include "transfer/TransferQueue.h"
#include "ui/connection/ChildFrame.h"
#include "ui/connection/FTPClientView.h"
#include "ui/frame/FrameCommands.h"
#include "ui/frame/MainFrame.h"
#include "ui/connection/TracePane.h"
#include "ui/options/OptionsDlg.h"
#include "ui/options/OptionsPage.h"

#include "../ui/ModalAnswerer.h"

using namespace Qt::StringLiterals;
using TestFiles::ReadFile;

namespace
{
constexpr int kWaitMs = 30000;

// Every control of the pages that stands for one stored value (it carries the value's section).
QList<QWidget*> BoundControls(const COptionsDlg& dialog)
{
    QList<QWidget*> controls;
    for (int page = 0; page < COptionsDlg::PageCount; ++page)
        for (QWidget* widget : dialog.Page(page)->findChildren<QWidget*>())
            if (widget->property("section").isValid())
                controls << widget;
    return controls;
}

// Gives each control another value than the one it shows.
void ChangeEvery(const QList<QWidget*>& controls)
{
    for (QWidget* control : controls)
    {
        if (auto* box = qobject_cast<QCheckBox*>(control))
            box->setChecked(!box->isChecked());
        else if (auto* number = qobject_cast<QSpinBox*>(control))
            number->setValue(number->value() == number->maximum() ? number->minimum() : number->value() + 1);
        else if (auto* list = qobject_cast<QComboBox*>(control))
            list->setCurrentIndex((list->currentIndex() + 1) % list->count());
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(edit->text() + u'/' + control->objectName());
    }
}

// What the store holds for the control, as the control would show it.
QVariant Stored(const QWidget* control)
{
    const QString section = control->property("section").toString();
    if (qobject_cast<const QLineEdit*>(control))
        return GetProfileString(section, control->objectName());
    const int value = GetProfileInt(section, control->objectName());
    if (qobject_cast<const QCheckBox*>(control))
        return (value != 0) != control->property("inverted").toBool();
    return value;
}

bool StoreSites(const QStringList& names, const QString& password = {})
{
    CSiteList sites;
    sites.LoadSites();
    CFtpSite site;
    site.Address = u"127.0.0.1"_s;
    site.Password = password;
    return std::all_of(names.begin(), names.end(),
                       [&](const QString& name) { return site.Name = name, sites.StoreSite(site); });
}

QVariant Shown(const QWidget* control)
{
    if (auto* list = qobject_cast<const QComboBox*>(control))
        return list->currentIndex();
    return control->metaObject()->userProperty().read(control);
}

} // namespace

// The options dialog over a settings file of its own, and what the main frame does with its OK.
class TestOptionsDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::optional<CModalAnswerer> m_answerer;

    template <typename T> static T* Control(const COptionsDlg& dialog, int page, const QString& name)
    {
        return dialog.Page(page)->findChild<T*>(name);
    }

    // Runs the frame's options command; answer sees the dialog before its OK.
    void RunOptions(CMainFrame& frame, const std::function<void(COptionsDlg&)>& answer)
    {
        m_answerer->Queue(
            [answer](QDialog* dialog)
            {
                auto* options = qobject_cast<COptionsDlg*>(dialog);
                answer(*options);
                options->accept();
            });
        frame.Commands()->Action(FrameCommand::Options)->trigger();
    }

private Q_SLOTS:
    void initTestCase() { qputenv("ZENTRAVA_HOME", m_home.path().toUtf8()); }
    void init()
    {
        QFile::remove(CDataFolder::SettingsFile());
        QFile::remove(CSiteList().FilePath());
        m_answerer.emplace();
    }
    void cleanup() { m_answerer.reset(); }

    // Choosing a tree item shows its page and its band; every page has its picture.
    void treeShowsEachPageWithItsBand()
    {
        COptionsDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int page = 0; page < COptionsDlg::PageCount; ++page)
        {
            dialog.ShowPage(page);
            QCOMPARE(dialog.CurrentPage(), page);
            const QString shot = Screenshot::Save(dialog, u"options_%1.png"_s.arg(page, 2, 10, QChar(u'0')),
                                                  {dialog.BandCaption()->text(), dialog.BandText()->text()});
            QVERIFY2(shot.isEmpty(), qPrintable(shot));
        }
        QCOMPARE(dialog.Tree()->currentItem()->parent()->text(0), u"連線"_s);
    }

    // Cancel after changing every value leaves the settings file as it was; OK stores every value as shown,
    // "停用錯誤訊息視窗" ticked as ShowMessageBox 0.
    void cancelWritesNothingAndOkWritesEveryValue()
    {
        QVERIFY(WriteProfileInt(u"Settings"_s, u"ShowMessageBox"_s, 1));
        const QByteArray before = ReadFile(CDataFolder::SettingsFile());
        {
            COptionsDlg dialog;
            ChangeEvery(BoundControls(dialog));
            dialog.reject();
        }
        QCOMPARE(ReadFile(CDataFolder::SettingsFile()), before);
        COptionsDlg dialog;
        const QList<QWidget*> controls = BoundControls(dialog);
        QVERIFY(controls.size() > 40);
        ChangeEvery(controls);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        for (const QWidget* control : controls)
            QVERIFY2(Stored(control) == Shown(control), qPrintable(control->objectName()));
        QCOMPARE(GetProfileInt(u"Settings"_s, u"ShowMessageBox"_s), 0);
    }

    // Without public-key log-in the key fields are off and password log-in is forced on.
    void ssh2KeyFieldsFollowPublicKeyLogIn()
    {
        QVERIFY(WriteProfileInt(u"SSH2"_s, u"PassAuthentication"_s, 0));
        COptionsDlg dialog;
        auto* password = Control<QCheckBox>(dialog, COptionsDlg::Ssh2Page, u"PassAuthentication"_s);
        auto* publicKey = Control<QCheckBox>(dialog, COptionsDlg::Ssh2Page, u"PublicKeyAuthentication"_s);
        auto* keyPath = Control<QLineEdit>(dialog, COptionsDlg::Ssh2Page, u"PrivateKeyPath"_s);
        QVERIFY(password->isChecked() && !publicKey->isChecked() && !keyPath->isEnabled());
        publicKey->setChecked(true);
        password->setChecked(false);
        QVERIFY(keyPath->isEnabled() && password->isEnabled());
        publicKey->setChecked(false);
        QVERIFY(password->isChecked() && !password->isEnabled() && !keyPath->isEnabled());
    }

    // "不使用Proxy" turns the server fields off but keeps them, and OK still writes them.
    void proxyTypeNoneKeepsTheServer()
    {
        QVERIFY(WriteProfileInt(u"Proxy"_s, u"ProxyType"_s, 42)); // past the list: shown as none
        COptionsDlg dialog;
        auto* type = Control<QComboBox>(dialog, COptionsDlg::ProxyPage, u"ProxyType"_s);
        QCOMPARE(type->currentIndex(), 0);
        auto* host = Control<QLineEdit>(dialog, COptionsDlg::ProxyPage, u"ProxyHostName"_s);
        type->setCurrentIndex(2);
        host->setText(u"proxy.example"_s);
        QVERIFY(host->isEnabled());
        type->setCurrentIndex(0);
        QVERIFY(!host->isEnabled());
        dialog.accept();
        QCOMPARE(GetProfileString(u"Proxy"_s, u"ProxyHostName"_s), u"proxy.example"_s);
    }

    // A page that cannot store what it holds refuses OK before any page writes.
    void tooManyKeepAliveCommandsRefuseOk()
    {
        COptionsDlg dialog;
        dialog.show();
        Control<QSpinBox>(dialog, COptionsDlg::AdvancedPage, u"TransferMax"_s)->setValue(7);
        Control<QPlainTextEdit>(dialog, COptionsDlg::SmartKeepAlivePage, u"Commands"_s)
            ->setPlainText(QStringList(1000, u"NOOP"_s).join(u'\n'));
        m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Ok));
        dialog.accept();
        QVERIFY(dialog.isVisible() && m_answerer->Seen().value(0).contains(u"4096"_s));
        QCOMPARE(dialog.CurrentPage(), int(COptionsDlg::SmartKeepAlivePage));
        QCOMPARE(GetProfileInt(u"Settings"_s, u"TransferMax"_s), 10);
    }

    // After OK the frame's queue takes the new limit at once, and sites.xml is written again under the
    // protection now in force.
    void frameAppliesOkAtOnce()
    {
        QVERIFY(StoreSites({u"Mail"_s}, u"s3cret"_s));
        CMainFrame frame;
        QCOMPARE(frame.TransferQueue().TransferLimit(), 10);
        QVERIFY(WriteProfileInt(u"Security"_s, u"EncryptPasswords"_s, 1) && WriteMasterPassword("master"));
        RunOptions(frame, [](COptionsDlg& dialog)
                   { Control<QSpinBox>(dialog, COptionsDlg::AdvancedPage, u"TransferMax"_s)->setValue(3); });
        QCOMPARE(frame.TransferQueue().TransferLimit(), 3);
        const QByteArray stored = ReadFile(CSiteList().FilePath());
        QVERIFY2(stored.contains("<PASSWORD>|") && !stored.contains("s3cret"), stored.constData());
    }

    // Connect needs no window: with no site chosen it offers the wizard. Sites opened join the recent sites
    // that the file menu offers, newest first; a closed trace pane comes back from the view menu.
    void frameCommandsWithoutAWindow()
    {
        QVERIFY(StoreSites({u"A&B"_s, u"C"_s}));
        CMainFrame frame;
        QAction* connect = frame.Commands()->Action(FrameCommand::Connect);
        QVERIFY(connect->isEnabled());
        connect->trigger();
        QCOMPARE(m_answerer->Seen(), QStringList{u"Connection Wizard"_s});
        // Not waited for: the windows' connects never start.
        frame.OpenConnection(u"A&B"_s);
        frame.OpenConnection(u"ftp://127.0.0.1/"_s);
        auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(u"c"_s)->widget());
        QMenu* recent = frame.Commands()->RecentSitesMenu();
        Q_EMIT recent->aboutToShow();
        QStringList offered;
        for (const QAction* action : recent->actions())
            offered << action->text();
        QCOMPARE(offered, QStringList({u"&1 c"_s, u"&2 A&&B"_s}));
        QAction* trace = frame.Commands()->Action(FrameCommand::TracePane);
        window->TracePane()->close();
        frame.UpdateWindowCommands();
        QVERIFY(!trace->isChecked());
        trace->trigger();
        QVERIFY(!window->TracePane()->isHidden());
    }

    // A proxy set on the page carries a window's connection: refused with a wrong password, listed with
    // the right one.
    void proxyPageCarriesTheConnection()
    {
        CTestServer* proxy = Harness::Require(u"socks5-auth"_s);
        CTestServer* server = Harness::Require(u"proftpd"_s);
        QVERIFY(proxy && server);
        WriteProfileInt(u"Settings"_s, u"ConnectionTimeout"_s, 20);
        WriteProfileInt(u"Settings"_s, u"DefaultRetries"_s, 1);
        CMainFrame frame;
        frame.show();
        const QString address =
            u"ftp://%1:%2@127.0.0.1:%3/"_s.arg(server->User(), server->Password()).arg(server->Port());
        for (const QString& password : {u"wrong"_s, proxy->Password()})
        {
            RunOptions(frame,
                       [&](COptionsDlg& dialog)
                       {
                           const int page = COptionsDlg::ProxyPage;
                           Control<QComboBox>(dialog, page, u"ProxyType"_s)->setCurrentIndex(2);
                           Control<QLineEdit>(dialog, page, u"ProxyHostName"_s)->setText(u"127.0.0.1"_s);
                           Control<QSpinBox>(dialog, page, u"ProxyPort"_s)->setValue(proxy->Port());
                           Control<QLineEdit>(dialog, page, u"ProxyLogin"_s)->setText(proxy->User());
                           Control<QLineEdit>(dialog, page, u"ProxyPassword"_s)->setText(password);
                       });
            m_answerer->Queue(CModalAnswerer::Click(QMessageBox::Ok));
            CFTPClientView* view =
                qobject_cast<CChildFrame*>(frame.OpenConnection(address)->widget())->View();
            QVERIFY(QTest::qWaitFor(
                [&] { return !view->Controller().IsWaiting() && !view->Session().ServerName().isEmpty(); }, kWaitMs));
            QCOMPARE(view->Session().IsConnected(), password != u"wrong"_s);
        }
        QVERIFY(m_answerer->Seen().filter(u"SOCKS5"_s).size() == 1);
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
