#include "support/Rows.h"

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

namespace
{
CFtpListItem Item(const QString& name, bool isFolder = false)
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
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
    }

    void backLeadsToThePreviousFolder()
    {
        CBackHistory history;
        QCOMPARE(history.Back(), QString());
        history.Add("/");
        QVERIFY(!history.CanGoBack());
        for (const char* folder : {"/pub", "/pub", "/pub/a"})
            history.Add(folder);
        // A refresh of the current folder is not a step back.
        QCOMPARE(history.Folders(), QStringList({"/", "/pub", "/pub/a"}));
        QVERIFY(history.CanGoBack());
        QCOMPARE(history.Back(), "/pub");
        history.Add("/pub"); // listing the folder puts it back on top
        QCOMPARE(history.Back(), "/");
        QCOMPARE(history.Folders(), QStringList());
        for (int i = 1; i <= 26; ++i)
            history.Add(QString("/f%1").arg(i));
        QCOMPARE(history.Folders().size(), 25);
        QCOMPARE(history.Folders().first(), "/f2");
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

    // Ten entries; a known text (case counts) only takes the new data; the store follows.
    void historyListsKeepTenEntriesInTheStore()
    {
        CHistoryList history("QuickConnect");
        for (int i = 1; i <= 11; ++i)
            QVERIFY(history.Add(QString("host%1|user%1,pw%1").arg(i)));
        QVERIFY(history.Add("host5|new"));
        QVERIFY(!history.Add("|orphan data"));
        QCOMPARE(history.Texts().size(), 10);
        QCOMPARE(history.Texts().first(), "host2");
        const QStringList stored = StoredValues("QuickConnect", 11);
        QCOMPARE(stored.first(), "host2|user2,pw2");
        QCOMPARE(stored.at(3), "host5|new");
        QCOMPARE(stored.at(9), "host11|user11,pw11");
        QCOMPARE(stored.at(10), QString());
        CHistoryList loaded("QuickConnect");
        loaded.Load();
        QCOMPARE(loaded.Texts(), history.Texts());
        QCOMPARE(loaded.Items().at(3).data, "new");
        QVERIFY(history.Clear());
        QCOMPARE(StoredValues("QuickConnect", 2), QStringList({"", ""}));
        QFile file(CDataFolder::SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("pw"));
        loaded.Load();
        QVERIFY(loaded.Items().isEmpty());
    }

    void loadingSplitsAtTheFirstBarAndStopsAtAGap()
    {
        QVERIFY(WriteProfileString("LogonUsers", "LogonUsers0", "alice"));
        QVERIFY(WriteProfileString("LogonUsers", "LogonUsers1", "bob|a|b"));
        QVERIFY(WriteProfileString("LogonUsers", "LogonUsers3", "after the gap"));
        QVERIFY(WriteProfileString("GoToFolder", "GoToFolder0", "/PUB"));
        CHistoryList history("LogonUsers");
        history.Load();
        QCOMPARE(history.Texts(), QStringList({"alice", "bob"}));
        QCOMPARE(history.Items().at(0).data, QString());
        QCOMPARE(history.Items().at(1).data, "a|b");
    }

    void commandLinesInTheLog()
    {
        QCOMPARE(MaskedCommandLine(CleanLogLine("PASS secret")), "PASS *******");
        QCOMPARE(MaskedCommandLine(CleanLogLine("RETR PASSWORDS.txt")), "RETR PASSWORDS.txt");
    }

    void quickConnectLoginSplitsAtTheFirstComma_data()
    {
        Columns<QString, QString, QString>({"data", "login", "password"});
        Row("plain", "user,secret", "user", "secret");
        Row("comma in the password", "user,se,cret", "user", "se,cret");
        Row("no comma", "user", "user", "");
        Row("no login", ",secret", "", "secret");
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
        Columns<QList<CFtpListItem>, QString>({"selected", "question"});
        Row("one file", QList{Item("a.txt")}, "您確定要刪除 'a.txt' ？");
        Row("parent row left out", QList{CFtpListItem::ParentRow(), Item("docs", true)},
            "您確定要刪除這個資料夾 'docs' 及所有的內容？");
        Row("only the parent row", QList{CFtpListItem::ParentRow()}, "");
        Row("percent in a name", QList{Item("100%1.txt")}, "您確定要刪除 '100%1.txt' ？");
    }

    void deleteQuestions()
    {
        QFETCH(QList<CFtpListItem>, selected);
        QTEST(DeleteConfirmationText(selected), "question");
    }

    // number: the chmod field's digits, read back to the same bits; empty: none to check.
    void permissionTexts_data()
    {
        Columns<QString, int, QString, QString>({"text", "bits", "shown", "number"});
        Row("folder 751", "drwxr-x--x", 0x751, "drwxr-x--x", "751");
        Row("file 644", "-rw-r--r--", 0x644, "-rw-r--r--", "644");
        Row("all", "-rwxrwxrwx", 0x777, "-rwxrwxrwx", "777");
        Row("upper case", "DRWXR-XR-X", 0x755, "drwxr-xr-x", "755");
        Row("setuid and sticky letters", "-rwsr-xr-t", 0x654, "-rw-r-xr--", "654");
        Row("too short", "drwxr-x--", 0, "d---------", "");
        Row("extra characters", "-rw-------+", 0x600, "-rw-------", "600");
    }

    void permissionTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, bits);
        QFETCH(QString, number);
        QCOMPARE(ParsePermissionBits(text), bits);
        QTEST(PermissionText(bits, text.startsWith(u'd', Qt::CaseInsensitive)), "shown");
        QVERIFY(number.isEmpty() ||
                (PermissionNumber(bits) == number && PermissionBitsFromNumber(number) == bits));
    }

    void permissionNumbersAreThreeOctalDigits()
    {
        QCOMPARE(PermissionBitsFromNumber(u"000").value_or(-1), 0);
        QCOMPARE(PermissionNumber(0), "0");
        for (const char* refused : {"75", "0751", "789", "7a1"})
            QVERIFY2(!PermissionBitsFromNumber(QString(refused)), refused);
        QCOMPARE(SiteChmodCommand(0x51, "a b.txt"), "SITE CHMOD 51 a b.txt");
    }
};

QTEST_GUILESS_MAIN(TestSessionNavigation)
#include "tst_session_navigation.moc"
