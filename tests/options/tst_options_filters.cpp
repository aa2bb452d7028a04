#include "support/Rows.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"
#include "ui/ModalAnswerer.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"
#include "app/Translations.h"
#include "sites/PasswordProtection.h"
#include "transfer/FilterLists.h"
#include "ui/options/FilterSheet.h"
#include "ui/options/OptionsSecurityPage.h"

using namespace Qt::StringLiterals;

// The master password dialog, the mismatch message and the dialog again, as a refusal shows them.
const QStringList kAsked{u"超級密碼"_s, u"密碼不相符！\n'密碼' 與 '確認密碼' 必須相同"_s, u"超級密碼"_s};

// Types the texts into the modal's edits in order and confirms it, queued so that a message box it raises
// is answered too. The dialog's picture is checked first, its problem kept in shot.
static CModalAnswerer::Answer Type(const QStringList& texts, QString* shot, const QStringList& shown)
{
    return [=](QDialog* dialog)
    {
        *shot += Screenshot::Save(*dialog, dialog->objectName() + u".png"_s, shown);
        for (int i = 0; i < texts.size(); ++i)
            dialog->findChildren<QLineEdit*>()[i]->setText(texts[i]);
        QTimer::singleShot(0, dialog, &QDialog::accept);
    };
}

class TestOptionsFilters : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_home;
    std::optional<CModalAnswerer> m_answerer;

private Q_SLOTS:
    void initTestCase() { CTranslations::Install(*qApp, CTranslations::TraditionalChinese); }
    void init()
    {
        qputenv("ZENTRAVA_HOME", m_home.emplace().path().toUtf8()), m_answerer.emplace();
        QVERIFY(WriteProfileInt(u"Filter"_s, u"ServerFiltering"_s, 1) &&
                SaveProfileObject(u"Filter"_s, u"NotMask"_s, CStringList({u"old"_s})));
    }
    void cleanup() { m_answerer.reset(), m_home.reset(); }

    // The box is clicked; a mask of the length, a blank one and "junk" are added to the tab's list, and
    // "junk" is removed again. The exclude list holds "old" already.
    void sheetWritesOnlyOnOk_data()
    {
        Columns<QString, int, int, bool, bool>({"box", "tab", "length", "written", "refused"});
        Row("include", "EnableFiltering", 1, 5, true, false);
        Row("server filtering off", "ServerFiltering", 2, 5, true, false);
        Row("include at the limit", "FilterTransfers", 1, int(kProfileObjectLimit - 6), true, false);
        Row("include past it", "CaseSensitive", 1, int(kProfileObjectLimit - 5), false, true);
        Row("exclude past it", "EnableFiltering", 2, int(kProfileObjectLimit - 5), false, true);
        Row("cancelled", "FilterFolders", 1, 5, false, false);
    }
    void sheetWritesOnlyOnOk()
    {
        QFETCH(QString, box);
        QFETCH(int, tab);
        QFETCH(int, length);
        QFETCH(bool, written);
        QFETCH(bool, refused);
        const QByteArray before = TestFiles::ReadFile(CDataFolder::SettingsFile());
        const QStringList mask{QString(length, u'x')};
        CFilterSheet sheet;
        sheet.show();
        QString shot = Screenshot::Save(sheet, u"filter_sheet.png"_s, {u"遠端過濾："_s, u"(-L 或 -a ...)"_s});
        sheet.findChild<QCheckBox*>(box)->click();
        for (const QString& name : {u"RemoteFilter"_s, u"RemoteFilterLabel"_s, u"RemoteFilterHint"_s})
            QCOMPARE(sheet.findChild<QWidget*>(name)->isEnabled(), box != "ServerFiltering"_L1);
        sheet.findChild<QLineEdit*>(u"RemoteFilter"_s)->setText(u"-a"_s);
        QWidget* page = sheet.Tabs()->widget(tab);
        for (const QString& text : {mask[0], QString(), u"junk"_s})
            m_answerer->Queue(Type({text}, &shot, {u"過濾項目："_s})),
                page->findChild<QPushButton*>(u"AddButton"_s)->click();
        page->findChild<QListWidget*>()->findItems(u"junk"_s, Qt::MatchExactly).value(0)->setSelected(true);
        page->findChild<QPushButton*>(u"RemoveButton"_s)->click();
        // The other list is shown, so that a refusal must bring this one forward.
        sheet.Tabs()->setCurrentIndex(3 - tab);
        const QString caption = tab == 1 ? u"排除符合以下條件之檔案"_s : u"包含符合以下條件的檔案"_s;
        shot += Screenshot::Save(sheet, u"filter_list_%1.png"_s.arg(3 - tab), {caption, u"移除"_s});
        QVERIFY2(shot.isEmpty(), qPrintable(shot));
        written || refused ? sheet.accept() : sheet.reject();
        QCOMPARE(sheet.isVisible(), refused);
        QCOMPARE(TestFiles::ReadFile(CDataFolder::SettingsFile()) == before, !written);
        QCOMPARE(m_answerer->Seen().filter(u"「%1」"_s.arg(sheet.Tabs()->tabText(tab))).size(), int(refused));
        QCOMPARE(sheet.Tabs()->currentIndex(), refused ? tab : 3 - tab);
        for (const QString& key : {u"EnableFiltering"_s, u"FilterFolders"_s, u"FilterTransfers"_s,
                                   u"CaseSensitive"_s, u"ServerFiltering"_s})
            QCOMPARE(GetProfileInt(u"Filter"_s, key),
                     int((key == "ServerFiltering"_L1) != (written && key == box)));
        QCOMPARE(GetProfileString(u"Filter"_s, u"RemoteFilter"_s), written ? u"-a"_s : QString());
        const CFilterLists lists = LoadFilterLists(true);
        QCOMPARE(lists.include, written && tab == 1 ? mask : QStringList());
        QCOMPARE(lists.exclude, QStringList{u"old"_s} + (written && tab == 2 ? mask : QStringList()));
    }

    // The box is ticked, or the button clicked when it is on; the password dialog is cancelled when nothing
    // is typed, and after the message when the two texts differ.
    void securityPageWritesOnOk_data()
    {
        Columns<int, QByteArray, QStringList, bool, QByteArray>({"on", "master", "typed", "ticked", "kept"});
        Row("tick and set", 0, QByteArray(), QStringList{"M1", "M1"}, true, QByteArray("M1"));
        Row("tick, cancel, no master", 0, QByteArray(), QStringList(), false, QByteArray());
        Row("tick, cancel, master kept", 0, QByteArray("old"), QStringList(), true, QByteArray("old"));
        Row("tick, mismatch", 0, QByteArray(), QStringList{"Ab", "ab"}, true, QByteArray());
        Row("button, cleared", 1, QByteArray("old"), QStringList{"", ""}, false, QByteArray());
        Row("button, changed", 1, QByteArray("old"), QStringList{"new", "new"}, true, QByteArray("new"));
    }
    void securityPageWritesOnOk()
    {
        QFETCH(int, on);
        QFETCH(QByteArray, master);
        QFETCH(QStringList, typed);
        QFETCH(bool, ticked);
        QFETCH(QByteArray, kept);
        WriteProfileInt(u"Security"_s, u"EncryptPasswords"_s, on);
        WriteProfileInt(u"Security"_s, u"MaskPassword"_s, int(ticked));
        QVERIFY(WriteMasterPassword(master));
        const QByteArray before = TestFiles::ReadFile(CDataFolder::SettingsFile());
        COptionsSecurityPage page;
        QString shot = Screenshot::Save(page, u"security_page.png"_s, {u"加密用密碼(P)"_s});
        auto* box = page.findChild<QCheckBox*>(u"EncryptPasswords"_s);
        auto* button = page.findChild<QPushButton*>(u"MasterPasswordButton"_s);
        QCOMPARE(button->isEnabled(), bool(on));
        if (!typed.isEmpty())
            m_answerer->Queue(Type(typed, &shot, {kAsked[0], u"確認密碼(C)："_s}));
        (on ? static_cast<QAbstractButton*>(button) : box)->click();
        QVERIFY2(shot.isEmpty(), qPrintable(shot));
        QCOMPARE(m_answerer->Seen(), kAsked.first(typed.value(0) != typed.value(1) ? 3 : 1));
        QCOMPARE(QList<bool>({box->isChecked(), button->isEnabled()}), QList<bool>({ticked, ticked}));
        QCOMPARE(TestFiles::ReadFile(CDataFolder::SettingsFile()), before);
        page.findChild<QCheckBox*>(u"MaskPassword"_s)->click();
        page.SaveOptions();
        QCOMPARE(GetProfileInt(u"Security"_s, u"EncryptPasswords"_s), int(ticked));
        QCOMPARE(GetProfileInt(u"Security"_s, u"MaskPassword"_s), int(!ticked));
        QCOMPARE(ReadMasterPassword(), kept);
    }
};

QTEST_MAIN(TestOptionsFilters)
#include "tst_options_filters.moc"
