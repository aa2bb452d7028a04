#include "app/DataFolder.h"
#include "app/Profile.h"
#include "common/LogLine.h"
#include "session/BackHistory.h"
#include "session/DeleteConfirmation.h"
#include "session/FolderBarList.h"
#include "session/HistoryList.h"
#include "session/PermissionBits.h"
#include "session/QuickConnectLogin.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace
{
CFtpListItem Row(const QString& name, bool isFolder = false)
{
    CFtpListItem item;
    item.name = name;
    item.isFolder = isFolder;
    return item;
}

// The raw values of a section as the settings file holds them.
QStringList StoredValues(const QString& section, int count)
{
    QSettings store(CDataFolder::SettingsFile(), QSettings::IniFormat);
    store.beginGroup(section);
    QStringList values;
    for (int index = 0; index < count; ++index)
        values.append(store.value(section + QString::number(index)).toString());
    return values;
}
} // namespace

class TestSessionNavigation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
    }

    void backLeadsToThePreviousFolder()
    {
        CBackHistory history;
        QVERIFY(!history.CanGoBack());
        QCOMPARE(history.Back(), QString());
        history.Add("/");
        QVERIFY(!history.CanGoBack());
        history.Add("/pub");
        history.Add("/pub");
        history.Add("/pub/a");
        // A refresh of the current folder is not a step back.
        QCOMPARE(history.Folders(), QStringList({"/", "/pub", "/pub/a"}));
        QVERIFY(history.CanGoBack());
        QCOMPARE(history.Back(), "/pub");
        // Listing the folder puts it back on top.
        history.Add("/pub");
        QCOMPARE(history.Folders(), QStringList({"/", "/pub"}));
        QCOMPARE(history.Back(), "/");
        QCOMPARE(history.Folders(), QStringList());
        // It keeps the last 25.
        for (int i = 1; i <= 26; ++i)
            history.Add(QString("/f%1").arg(i));
        QCOMPARE(history.Folders().size(), 25);
        QCOMPARE(history.Folders().first(), "/f2");
        QCOMPARE(history.Folders().last(), "/f26");
    }

    void folderBarListsEachFolderOnce()
    {
        CFolderBarList bar;
        QCOMPARE(bar.Selected(), -1);
        QCOMPARE(QList<int>({bar.Add("/"), bar.Add("/pub"), bar.Add("/Pub"), bar.Add("/pub")}),
                 QList<int>({0, 1, 2, 1}));
        QCOMPARE(bar.Selected(), 1);
        QCOMPARE(bar.Folders(), QStringList({"/", "/pub", "/Pub"}));
        bar.Rebuild({"/", "/a", "/", "/b", "/a"});
        QCOMPARE(bar.Folders(), QStringList({"/", "/a", "/b"}));
        QCOMPARE(bar.Selected(), -1);
    }

    void historyHoldsTenAndDropsTheFirst()
    {
        CHistoryList history("QuickConnect");
        for (int i = 1; i <= 11; ++i)
            QVERIFY(history.Add(QString("host%1|user%1,pw%1").arg(i)));
        QCOMPARE(history.Items().size(), 10);
        QCOMPARE(history.Texts().first(), "host2");
        QCOMPARE(history.Texts().last(), "host11");
        const QStringList stored = StoredValues("QuickConnect", 11);
        QCOMPARE(stored.first(), "host2|user2,pw2");
        QCOMPARE(stored.at(9), "host11|user11,pw11");
        QCOMPARE(stored.at(10), QString());
        CHistoryList loaded("QuickConnect");
        loaded.Load();
        QCOMPARE(loaded.Texts(), history.Texts());
        QCOMPARE(loaded.Items().last().data, "user11,pw11");
    }

    void aKnownTextOnlyTakesNewData()
    {
        CHistoryList history("GoToFolder");
        for (const char* entry : {"/pub", "/incoming|first", "/etc", "/incoming|second", "/PUB"})
            history.Add(entry);
        // Text match is exact: another case is another entry.
        QCOMPARE(history.Texts(), QStringList({"/pub", "/incoming", "/etc", "/PUB"}));
        QCOMPARE(history.Items().at(1).data, "second");
        QCOMPARE(StoredValues("GoToFolder", 4), QStringList({"/pub", "/incoming|second", "/etc", "/PUB"}));
        QVERIFY(!history.Add("|orphan data"));
        QCOMPARE(history.Items().size(), 4);
    }

    void loadingSplitsAtTheFirstBarAndStopsAtAGap()
    {
        QVERIFY(WriteProfileString("LogonUsers", "LogonUsers0", "alice"));
        QVERIFY(WriteProfileString("LogonUsers", "LogonUsers1", "bob|a|b"));
        QVERIFY(WriteProfileString("LogonUsers", "LogonUsers3", "after the gap"));
        CHistoryList history("LogonUsers");
        history.Load();
        QCOMPARE(history.Texts(), QStringList({"alice", "bob"}));
        QCOMPARE(history.Items().at(0).data, QString());
        QCOMPARE(history.Items().at(1).data, "a|b");
        // Other lists keep their own values.
        CHistoryList other("GoToFolder");
        other.Load();
        QVERIFY(other.Items().isEmpty());
    }

    void clearingEmptiesTheStore()
    {
        CHistoryList history("QuickConnect");
        history.Add("a.example|me,secret");
        history.Add("b.example|me,secret2");
        QVERIFY(history.Clear());
        QVERIFY(history.Items().isEmpty());
        QCOMPARE(StoredValues("QuickConnect", 2), QStringList({"", ""}));
        QFile file(CDataFolder::SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("secret"));
        CHistoryList loaded("QuickConnect");
        loaded.Load();
        QVERIFY(loaded.Items().isEmpty());
        loaded.Add("c.example|x,y");
        loaded.Load();
        QCOMPARE(loaded.Texts(), QStringList({"c.example"}));
    }

    // The session log's line for a command, as the password setting is by default.
    void commandLinesInTheLog()
    {
        QCOMPARE(MaskedCommandLine(CleanLogLine("PASS secret")), "PASS *******");
        QCOMPARE(MaskedCommandLine(CleanLogLine("RETR PASSWORDS.txt")), "RETR PASSWORDS.txt");
    }

    void quickConnectLoginSplitsAtTheFirstComma_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        const auto row = [](const char* test, const char* data, const char* login, const char* password)
        { QTest::newRow(test) << QString(data) << QString(login) << QString(password); };
        row("plain", "user,secret", "user", "secret");
        row("comma in the password", "user,se,cret", "user", "se,cret");
        row("no comma", "user", "user", "");
        row("empty", "", "", "");
        row("no login", ",secret", "", "secret");
    }

    void quickConnectLoginSplitsAtTheFirstComma()
    {
        QFETCH(QString, data);
        const CQuickConnectLogin parsed = CQuickConnectLogin::FromData(data);
        QTEST(parsed.login, "login");
        QTEST(parsed.password, "password");
        QCOMPARE(CQuickConnectLogin({"me", "p,w"}).ToData(), "me,p,w");
    }

    void deleteQuestions_data()
    {
        QTest::addColumn<QList<CFtpListItem>>("selected");
        QTest::addColumn<QString>("question");
        const QString docs = "您確定要刪除這個資料夾 'docs' 及所有的內容？";
        QTest::newRow("one file") << QList<CFtpListItem>{Row("a.txt")} << "您確定要刪除 'a.txt' ？";
        QTest::newRow("one folder") << QList<CFtpListItem>{Row("docs", true)} << docs;
        QTest::newRow("two rows") << QList<CFtpListItem>{Row("a.txt"), Row("docs", true)}
                                  << "您確定要刪除 2 這些項目嗎?";
        QTest::newRow("parent row left out")
            << QList<CFtpListItem>{CFtpListItem::ParentRow(), Row("docs", true)} << docs;
        QTest::newRow("only the parent row") << QList<CFtpListItem>{CFtpListItem::ParentRow()} << "";
        QTest::newRow("nothing") << QList<CFtpListItem>{} << "";
        QTest::newRow("percent in a name")
            << QList<CFtpListItem>{Row("100%1.txt")} << "您確定要刪除 '100%1.txt' ？";
    }

    void deleteQuestions()
    {
        QFETCH(QList<CFtpListItem>, selected);
        QTEST(DeleteConfirmationText(selected), "question");
    }

    void permissionTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* test, const char* text, int bits, const char* shown)
        { QTest::newRow(test) << QString(text) << bits << QString(shown); };
        row("folder 751", "drwxr-x--x", 0x751, "drwxr-x--x");
        row("file 644", "-rw-r--r--", 0x644, "-rw-r--r--");
        row("all", "-rwxrwxrwx", 0x777, "-rwxrwxrwx");
        row("none", "----------", 0, "----------");
        row("upper case", "DRWXR-XR-X", 0x755, "drwxr-xr-x");
        row("setuid and sticky letters", "-rwsr-xr-t", 0x654, "-rw-r-xr--");
        row("too short", "drwxr-x--", 0, "d---------");
        row("extra characters", "-rw-------+", 0x600, "-rw-------");
    }

    void permissionTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, bits);
        QCOMPARE(ParsePermissionBits(text), bits);
        QTEST(PermissionText(bits, text.startsWith(u'd', Qt::CaseInsensitive)), "shown");
    }

    void permissionNumbers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("bits"); // -1: refused
        QTest::newRow("751") << "751" << 0x751;
        QTest::newRow("000") << "000" << 0;
        QTest::newRow("777") << "777" << 0x777;
        QTest::newRow("two digits") << "75" << -1;
        QTest::newRow("four digits") << "0751" << -1;
        QTest::newRow("not octal") << "789" << -1;
        QTest::newRow("a letter") << "7a1" << -1;
    }

    void permissionNumbers()
    {
        QFETCH(QString, field);
        const std::optional<int> parsed = PermissionBitsFromNumber(field);
        QTEST(parsed.value_or(-1), "bits");
        if (parsed)
            QCOMPARE(PermissionNumber(*parsed), field == "000" ? "0" : field);
        QCOMPARE(SiteChmodCommand(ParsePermissionBits(u"drwxr-x--x"), "web"), "SITE CHMOD 751 web");
        QCOMPARE(SiteChmodCommand(0x51, "a b.txt"), "SITE CHMOD 51 a b.txt");
    }
};

QTEST_GUILESS_MAIN(TestSessionNavigation)
#include "tst_session_navigation.moc"
