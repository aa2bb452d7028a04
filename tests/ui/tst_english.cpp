#include "app/Translations.h"
#include "sites/SiteList.h"
#include "transfer/ScheduleInfo.h"
#include "ui/dialogs/ArchivePasswordDlg.h"
#include "ui/dialogs/CustomCommandDlg.h"
#include "ui/dialogs/GoToDlg.h"
#include "ui/dialogs/HostKeyDlg.h"
#include "ui/dialogs/LogonDlg.h"
#include "ui/dialogs/MoveDlg.h"
#include "ui/dialogs/PackProgressDlg.h"
#include "ui/dialogs/RetryCountdownDlg.h"
#include "ui/frame/AboutDlg.h"
#include "ui/options/CertificateManagerDlg.h"
#include "ui/options/CertificateWizard.h"
#include "ui/options/FilterSheet.h"
#include "ui/options/IdentityFileWizard.h"
#include "ui/options/KnownHostsDlg.h"
#include "ui/options/MasterPasswordDlg.h"
#include "ui/options/OptionsDlg.h"
#include "ui/options/OverwriteRulesDlg.h"
#include "ui/sites/AddFavouriteDlg.h"
#include "ui/sites/SiteManagerDlg.h"
#include "ui/sites/SitePropertiesSheet.h"
#include "ui/sites/SiteTypeDlg.h"
#include "ui/sites/TargetSiteDlg.h"
#include "ui/sites/WizardSheet.h"
#include "ui/transfers/RenameFileDlg.h"
#include "ui/transfers/ReplaceFileDlg.h"
#include "ui/transfers/ResumeFileDlg.h"
#include "ui/transfers/ScheduleDlg.h"
#include "ui/transfers/TransferDetailsDlg.h"

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

using Maker = std::function<QWidget*(CSiteList&)>;

// Every dialog, the options dialog once per page.
const std::vector<std::pair<const char*, Maker>>& Makers()
{
    static const std::vector<std::pair<const char*, Maker>> makers = []
    {
        COverwritePromptInfo prompt;
        prompt.targetPath = u"/a.txt"_s;
        std::vector<std::pair<const char*, Maker>> list = {
            {"site_manager", [](CSiteList& sites) { return new CSiteManagerDlg(sites); }},
            {"connection_wizard", [](CSiteList& sites) { return new CWizardSheet(sites); }},
            {"site_properties", [](CSiteList&) { return new CSitePropertiesSheet(CFtpSite{}); }},
            {"about", [](CSiteList&) { return new CAboutDlg; }},
            {"go_to", [](CSiteList&) { return new CGoToDlg; }},
            {"custom_command", [](CSiteList&) { return new CCustomCommandDlg; }},
            {"log_on", [](CSiteList&) { return new CLogonDlg(u"127.0.0.1"_s, u"user"_s, QString()); }},
            {"schedule", [](CSiteList&) { return new CScheduleDlg(CScheduleInfo{}); }},
            {"filters", [](CSiteList&) { return new CFilterSheet; }},
            {"certificates", [](CSiteList&) { return new CCertificateManagerDlg; }},
            {"host_keys", [](CSiteList&) { return new CKnownHostsDlg; }},
            {"key_wizard", [](CSiteList&) { return new CIdentityFileWizard; }},
            {"certificate_wizard", [](CSiteList&) { return new CCertificateWizard; }},
            {"archive_password", [](CSiteList&) { return new CArchivePasswordDlg; }},
            {"host_key",
             [](CSiteList&) {
                 return new CHostKeyDlg(u"[::1]:22"_s, {"ssh-ed25519", "key"});
             }},
            {"move", [](CSiteList&) { return new CMoveDlg; }},
            {"pack_progress", [](CSiteList&) { return new CPackProgressDlg(false); }},
            {"retry", [](CSiteList&) { return new CRetryCountdownDlg(30, u"Connection refused"_s); }},
            {"master_password", [](CSiteList&) { return new CMasterPasswordDlg({}); }},
            {"overwrite_rules", [](CSiteList&) { return new COverwriteRulesDlg; }},
            {"add_favourite", [](CSiteList& sites) { return new CAddFavouriteDlg(sites, u"a"_s); }},
            {"site_type", [](CSiteList&) { return new CSiteTypeDlg; }},
            {"target_site", [](CSiteList& sites) { return new CTargetSiteDlg(sites); }},
            {"rename", [](CSiteList&) { return new CRenameFileDlg(u"a.txt"_s, u"b.txt"_s); }},
            {"replace", [prompt](CSiteList&) { return new CReplaceFileDlg(prompt); }},
            {"resume", [prompt](CSiteList&) { return new CResumeFileDlg(prompt); }},
            {"transfer_details", [](CSiteList&) { return new CTransferDetailsDlg(u"details"_s); }}};
        static const char* const pages[] = {"options_0", "options_1", "options_2",  "options_3",
                                            "options_4", "options_5", "options_6",  "options_7",
                                            "options_8", "options_9", "options_10", "options_11"};
        for (int page = 0; page < COptionsDlg::PageCount; ++page)
            list.emplace_back(pages[page],
                              [page](CSiteList&)
                              {
                                  auto* options = new COptionsDlg;
                                  options->ShowPage(page);
                                  return options;
                              });
        return list;
    }();
    return makers;
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
        // Dates and the system's file type names follow the interface.
        QCOMPARE(QLocale().language(), QLocale::English);
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
        for (int which = 0; which < int(Makers().size()); ++which)
            QTest::newRow(Makers()[which].first) << which;
    }
    void dialogs()
    {
        QFETCH(int, which);
        CSiteList sites;
        sites.LoadSites();
        const std::unique_ptr<QWidget> window(Makers()[which].second(sites));
        Check(*window, u"en_%1.png"_s.arg(QTest::currentDataTag()));
    }
};

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
