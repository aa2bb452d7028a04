#include "support/Rows.h"
#include "support/Screenshot.h"

#include "app/Profile.h"
#include "app/StringList.h"
#include "transfer/AsciiTypes.h"
#include "ui/options/OptionsASCIITypesPage.h"
#include "ui/options/OptionsRenameRulesPage.h"
#include "ui/options/OptionsSmartOverwritePage.h"
#include "ui/options/OverwriteRulesDlg.h"

#include "../ui/ModalAnswerer.h"

using namespace Qt::StringLiterals;

namespace
{

// Shows the window and saves its picture; a picture without the texts fails the running test.
void Shot(QWidget* window, const QString& file, const QStringList& texts)
{
    window->show();
    const QString problem = Screenshot::Save(*window, file, texts);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// Pictures the dialog, types the texts into its edits in order, as a user would, and confirms it.
CModalAnswerer::Answer Fill(const QStringList& texts, const QString& file, const QStringList& shown)
{
    return [=](QDialog* dialog)
    {
        Shot(dialog, file, shown);
        for (int i = 0; i < texts.size(); ++i)
            QTest::keyClicks(dialog->findChildren<QLineEdit*>()[i], texts[i]);
        dialog->accept();
    };
}

} // namespace

class TestOptionsRules : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_home;
    std::optional<CModalAnswerer> m_answerer;

private Q_SLOTS:
    void init()
    {
        m_home.emplace();
        qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
        m_answerer.emplace();
    }

    // Each control shows its stored value, enables the controls of its page that follow it, and is written.
    void valuesAreShownAndWritten_data()
    {
        Columns<int, int, QStringList>({"stored", "chosen", "follow"});
        Row("SmartOverwrite/MatchingFiles", 6, 2, QStringList());
        Row("SmartOverwrite/IgnoreZeroBytes", 0, 1, QStringList());
        Row("SmartOverwrite/PromptAction", 4, 1, QStringList());
        Row("SmartOverwrite/EnableTimeout", 0, 1, QStringList{u"Timeout"_s});
        Row("SmartOverwrite/Timeout", 45, 7, QStringList());
        Row("Settings/EnableCRC", 1, 0, QStringList{u"TypeCRC"_s});
        Row("Settings/TypeCRC", 2, 1, QStringList());
        Row("RenameRules/ApplyRules", 0, 1, QStringList{"rules", "add", "edit", "remove"});
    }
    void valuesAreShownAndWritten()
    {
        const QStringList key = QString::fromLatin1(QTest::currentDataTag()).split(u'/');
        QFETCH(int, stored);
        QFETCH(int, chosen);
        QFETCH(QStringList, follow);
        QVERIFY(WriteProfileInt(key[0], key[1], stored));
        QWidget pages;
        new COptionsSmartOverwritePage(&pages);
        new COptionsRenameRulesPage(&pages);
        QWidget* control = pages.findChild<QWidget*>(key[1]);
        const char* property =
            qobject_cast<QComboBox*>(control) ? "currentIndex" : control->metaObject()->userProperty().name();
        QCOMPARE(control->property(property).toInt(), stored);
        for (const QString& other : follow)
            QCOMPARE(control->parentWidget()->findChild<QWidget*>(other)->isEnabled(), bool(stored));
        QVERIFY(control->setProperty(property, chosen));
        for (const QString& other : follow)
            QCOMPARE(control->parentWidget()->findChild<QWidget*>(other)->isEnabled(), bool(chosen));
        for (COptionsPage* page : pages.findChildren<COptionsPage*>())
            page->SaveOptions();
        QCOMPARE(GetProfileInt(key[0], key[1]), chosen);
    }

    // Rules are added from the four choices, removed and reset; a list too long keeps the dialog open.
    void overwriteRulesAreEditedAndStored()
    {
        QVERIFY(SaveOverwriteRules({COverwriteRule::FromNumber(113)}));
        COptionsSmartOverwritePage page;
        Shot(&page, u"options-smart-overwrite.png"_s, {u"同名檔案"_s, u"規則設定(C)..."_s, u"CRC"_s});
        page.findChild<QPushButton*>(u"rules"_s)->click();
        COverwriteRulesDlg dialog;
        for (int i = 0; i < 8; ++i)
        {
            dialog.findChildren<QComboBox*>()[i % 4]->setCurrentIndex(u"11144320"_s[i].digitValue());
            if (i % 4 == 3)
                dialog.findChild<QPushButton*>(u"add"_s)->click();
        }
        Shot(&dialog, u"overwrite-rules.png"_s, {u"<不相同> 而且檔案大小 <相同> 發生在 <上傳時>"_s});
        dialog.findChild<QListWidget*>(u"rules"_s)->setCurrentRow(1);
        dialog.findChild<QPushButton*>(u"remove"_s)->click();
        dialog.accept();
        QCOMPARE(GetProfileBinary(u"OverwriteRules"_s, u"Rules"_s),
                 CStringList({u"0113"_s, u"4320"_s}).Serialize());
        // 819 rules take 4097 bytes.
        for (int i = 0; i < 817; ++i)
            dialog.findChild<QPushButton*>(u"add"_s)->click();
        dialog.setResult(QDialog::Rejected);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(LoadOverwriteRules().size(), 2);
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes})
        {
            m_answerer->Queue(CModalAnswerer::Click(answer));
            dialog.findChild<QPushButton*>(u"reset"_s)->click();
            QCOMPARE(dialog.Rules().size(), answer == QMessageBox::No ? 819 : 0);
        }
        dialog.accept();
        QCOMPARE(LoadOverwriteRules().size(), 0);
        QCOMPARE(m_answerer->Seen().value(0), u"同名處理規則"_s);
        QVERIFY(m_answerer->Seen().value(1).startsWith(u"同名處理規則清單太長"_s));
        QCOMPARE(m_answerer->Seen().mid(2), QStringList(2, u"您要還原預設值嗎？"_s));
    }

    // Rules are added, edited and removed; a list one byte too long for the store is refused whole.
    void renameRulesRoundTrip()
    {
        QVERIFY(SaveRenameRules({{u"*.htm"_s, u"*.html"_s}, {u"*.TXT"_s, u"*.txt"_s}}));
        QVERIFY(WriteProfileInt(u"RenameRules"_s, u"ApplyRules"_s, 1));
        COptionsRenameRulesPage page;
        Shot(&page, u"options-rename-rules.png"_s, {u"*.TXT"_s, u"套用重新命名規則(U)"_s, u"編輯(E)..."_s});
        // The bar separates the stored fields, so it cannot be typed.
        m_answerer->Queue(
            Fill({u"a|*"_s, u"b*"_s}, u"rename.png"_s, {u"新增重新命名規則"_s, u"重新命名為："_s}));
        page.findChild<QPushButton*>(u"add"_s)->click();
        auto* rules = page.findChild<QTreeWidget*>(u"rules"_s);
        rules->setCurrentItem(rules->topLevelItem(0));
        m_answerer->Queue(Fill({u"l"_s, u"y"_s}, u"rename-edit.png"_s, {u"編輯重新命名規則"_s, u"*.html"_s}));
        page.findChild<QPushButton*>(u"edit"_s)->click();
        rules->setCurrentItem(rules->topLevelItem(1));
        page.findChild<QPushButton*>(u"remove"_s)->click();
        page.SaveOptions();
        const QByteArray stored = CStringList({u"*.html|*.htmly"_s, u"a*|b*"_s}).Serialize();
        QCOMPARE(GetProfileBinary(u"RenameRules"_s, u"Rules"_s), stored);
        // A long entry costs three bytes and its text (pattern, "|"): this one brings the list to 4096 bytes.
        new QTreeWidgetItem(rules, {QString(4092 - stored.size(), u'e')});
        page.findChild<QCheckBox*>(u"ApplyRules"_s)->setChecked(false);
        QVERIFY(page.Problem().startsWith(u"重新命名規則清單太長"_s));
        page.SaveOptions();
        QCOMPARE(GetProfileBinary(u"RenameRules"_s, u"Rules"_s), stored);
        QCOMPARE(GetProfileInt(u"RenameRules"_s, u"ApplyRules"_s), 1);
    }

    void asciiListRoundTrip()
    {
        COptionsASCIITypesPage page;
        Shot(&page, u"options-ascii-types.png"_s, {u"ASCII 副檔名"_s, u"HTACCESS"_s, u"移除(R)..."_s});
        m_answerer->Queue(Fill({u" .xyz "_s}, u"ascii-type.png"_s, {u"新增 ASCII 副檔名"_s, u"副檔名："_s}));
        page.findChild<QPushButton*>(u"add"_s)->click();
        auto* list = page.findChild<QListWidget*>(u"extensions"_s);
        list->setCurrentRow(0);
        page.findChild<QPushButton*>(u"remove"_s)->click();
        page.SaveOptions();
        const QByteArray stored = CStringList(DefaultAsciiTypes().mid(1) << u"xyz"_s).Serialize();
        QCOMPARE(GetProfileBinary(u"AsciiTypes"_s, u"Extension"_s), stored);
        list->addItem(QString(4093 - stored.size(), u'e'));
        QVERIFY(page.Problem().startsWith(u"ASCII 副檔名清單太長"_s));
        page.SaveOptions();
        QCOMPARE(GetProfileBinary(u"AsciiTypes"_s, u"Extension"_s), stored);
        list->item(list->count() - 1)->setText(QString(4092 - stored.size(), u'e'));
        QCOMPARE(page.Problem(), QString());
    }
};

QTEST_MAIN(TestOptionsRules)
#include "tst_options_rules.moc"
