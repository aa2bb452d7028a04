#include "app/Translations.h"
#include "sites/SiteList.h"
#include "transfer/ScheduleInfo.h"
#include "ui/dialogs/CustomCommandDlg.h"
#include "ui/dialogs/GoToDlg.h"
#include "ui/dialogs/LogonDlg.h"
#include "ui/frame/AboutDlg.h"
#include "ui/options/CertificateManagerDlg.h"
#include "ui/options/CertificateWizard.h"
#include "ui/options/FilterSheet.h"
#include "ui/options/IdentityFileWizard.h"
#include "ui/options/KnownHostsDlg.h"
#include "ui/options/OptionsDlg.h"
#include "ui/sites/SiteManagerDlg.h"
#include "ui/sites/SitePropertiesSheet.h"
#include "ui/sites/WizardSheet.h"
#include "ui/transfers/ScheduleDlg.h"

#include "WindowTestSupport.h"

#include <QMenuBar>

using namespace WindowTestSupport;

namespace
{
const QRegularExpression kChinese(u"[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]"_s);

// The Chinese texts the window still shows (language names excepted), with its menus' texts.
QStringList Untranslated(QWidget& window)
{
    QStringList texts = Screenshot::ShownTexts(window);
    QList<QMenu*> menus = window.findChildren<QMenu*>();
    for (QMenu* menu : std::as_const(menus))
        for (QAction* action : menu->actions())
            texts << action->text();
    QStringList left;
    for (const QString& text : std::as_const(texts))
        if (text.contains(kChinese) && text != u"繁體中文"_s)
            left << text;
    return left;
}
} // namespace

// Every window in English once the setting asks for it: no Chinese text left on it, in pictures for a
// person to look at.
class TestEnglish : public QObject
{
    Q_OBJECT

    std::optional<CFixture> m_fixture;

    static void Check(QWidget& window, const QString& shot)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList left = Untranslated(window);
        QVERIFY2(left.isEmpty(), qPrintable(shot + u": "_s + left.join(u" | "_s)));
        SaveShot(window, shot, {});
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_fixture.emplace();
        WriteProfileInt(u"Settings"_s, u"Language"_s, 1);
        QVERIFY(CTranslations::Install(*QCoreApplication::instance(), CTranslations::FromSettings()));
    }
    void cleanupTestCase() { m_fixture.reset(); }

    void mainWindow()
    {
        CRemoteFolder folder;
        QVERIFY(MakeServerFolder(u"proftpd"_s, &folder));
        CMainFrame frame;
        frame.ShowWithSavedPlacement();
        frame.resize(1000, 700);
        QVERIFY(OpenAndWait(frame, folder.address));
        Check(frame, u"en_mainframe.png"_s);
    }

    void dialogs_data()
    {
        QTest::addColumn<int>("which");
        const QStringList names = {"site_manager",
                                   "connection_wizard",
                                   "site_properties",
                                   "about",
                                   "go_to",
                                   "custom_command",
                                   "log_on",
                                   "schedule",
                                   "filters",
                                   "certificates",
                                   "host_keys",
                                   "key_wizard",
                                   "certificate_wizard"};
        for (int which = 0; which < names.size(); ++which)
            QTest::newRow(qPrintable(names[which])) << which;
        for (int page = 0; page < COptionsDlg::PageCount; ++page)
            QTest::newRow(qPrintable(u"options_%1"_s.arg(page))) << 100 + page;
    }
    void dialogs()
    {
        QFETCH(int, which);
        CSiteList sites;
        sites.LoadSites();
        std::unique_ptr<QWidget> window;
        switch (which)
        {
        case 0:
            window = std::make_unique<CSiteManagerDlg>(sites);
            break;
        case 1:
            window = std::make_unique<CWizardSheet>(sites);
            break;
        case 2:
            window = std::make_unique<CSitePropertiesSheet>(CFtpSite{});
            break;
        case 3:
            window = std::make_unique<CAboutDlg>();
            break;
        case 4:
            window = std::make_unique<CGoToDlg>();
            break;
        case 5:
            window = std::make_unique<CCustomCommandDlg>();
            break;
        case 6:
            window = std::make_unique<CLogonDlg>(u"127.0.0.1"_s, u"user"_s, QString());
            break;
        case 7:
            window = std::make_unique<CScheduleDlg>(CScheduleInfo{});
            break;
        case 8:
            window = std::make_unique<CFilterSheet>();
            break;
        case 9:
            window = std::make_unique<CCertificateManagerDlg>();
            break;
        case 10:
            window = std::make_unique<CKnownHostsDlg>();
            break;
        case 11:
            window = std::make_unique<CIdentityFileWizard>();
            break;
        case 12:
            window = std::make_unique<CCertificateWizard>();
            break;
        default:
        {
            auto options = std::make_unique<COptionsDlg>();
            options->ShowPage(which - 100);
            window = std::move(options);
        }
        }
        Check(*window, u"en_%1.png"_s.arg(QTest::currentDataTag()));
    }
};

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
