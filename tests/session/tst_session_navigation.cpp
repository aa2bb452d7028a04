#include "support/Rows.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"
#include "session/BackHistory.h"
#include "session/DeleteConfirmation.h"
#include "session/FolderBarList.h"
#include "session/HistoryList.h"
#include "session/KeepAlive.h"
#include "session/PermissionBits.h"
#include "session/QuickConnectLogin.h"
#include "session/RemoteListModel.h"

#include <QFile>
#include <QLocale>
#include <QMimeDatabase>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <climits>
#include <ctime>
#include <limits>
#include <memory>
#include <vector>

// The settings store and what the session keeps in it or reads from it (folder histories, keep-alive), and
// the remote file list.
using Model = CRemoteListModel;

namespace
{
QByteArray Blob(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(char(b));
    return out;
}

// Waits are bounded; a configured second lasts one millisecond in these tests.
constexpr int kWaitMs = 10000;

// A session that answers every command at once and records what keep-alive did with it.
class CFakeConnection final : public IKeepAliveConnection
{
public:
    bool connected = true;
    bool replies = true;
    bool reconnectSucceeds = true;
    std::unique_ptr<CKeepAlive> keepAlive;
    // Runs inside SendCommand with the number of commands sent so far, as a window's events would.
    std::function<void(int)> duringCommand;

    QStringList commands;
    QList<int> intervals; // the wait that preceded each command, in milliseconds
    QStringList lines;    // "level text"
    int reconnects = 0;

    bool IsConnected() const override { return connected; }
    std::optional<CCommandReply> SendCommand(const QString& command) override
    {
        commands.append(command);
        intervals.append(keepAlive->KeepAliveInterval());
        if (duringCommand)
            duringCommand(int(commands.size()));
        return replies ? std::optional(CCommandReply{200, "200 " + command + "\r\n ok\r\n"}) : std::nullopt;
    }
    bool Reconnect() override
    {
        ++reconnects;
        if (!reconnectSucceeds) // a failing session reports the connection down again while it tries
            keepAlive->OnDisconnected();
        return reconnectSucceeds;
    }
    void Log(int level, const QString& text) override { lines.append(QString::number(level) + ' ' + text); }
};

// Keep-alive settings: enable, start, interval start, interval end, maintain (minutes).
const QList<int> kFast{1, 1, 1, 1, 30};

void SetKeepAlive(const QList<int>& values)
{
    const char* keys[] = {"EnableSKA", "StartSKA", "IntervalStart", "IntervalEnd", "MaintainSKA"};
    for (int i = 0; i < values.size(); ++i)
        QVERIFY(WriteProfileInt("SmartKeepAlive", keys[i], values[i]));
}
const QDateTime kDay1(QDate(2023, 1, 1), QTime(10, 0), Qt::UTC);
const QDateTime kDay2(QDate(2023, 6, 1), QTime(10, 0), Qt::UTC);
const QDateTime kDay3(QDate(2024, 1, 1), QTime(10, 0), Qt::UTC);
// Added to a column in a list of sorts: that sort goes descending.
constexpr int kDescending = 100;

CFtpListItem File(const QString& name, qint64 size = 0, const QDateTime& modified = {})
{
    CFtpListItem item;
    item.name = name;
    item.size = size;
    item.modified = modified;
    item.permissionBits = 0x644;
    return item;
}

CFtpListItem Folder(const QString& name, const QDateTime& modified = {})
{
    CFtpListItem item = File(name, 4096, modified);
    item.isFolder = true;
    item.permissionBits = 0x755;
    return item;
}

QStringList Names(const Model& model)
{
    QStringList names;
    for (const CFtpListItem& item : model.Items())
        names.append(item.name);
    return names;
}

QString Text(const Model& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

// Two folders and three files whose names, sizes and dates each give a different order.
QList<CFtpListItem> MixedListing()
{
    return {File("c.txt", 10, kDay1), Folder("b_dir", kDay3), File("B.txt", 3000, kDay3),
            Folder("A_dir", kDay1), File("a.TXT", 20, kDay2)};
}
} // namespace

class TestSessionNavigation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<CFakeConnection> m_fake;
    CKeepAlive* KeepAlive() { return m_fake->keepAlive.get(); }

private Q_SLOTS:
    void initTestCase()
    {
        // Eight hours east of UTC, so that the date column shows a different day than the listing's time.
        qputenv("TZ", "UTC-8");
        tzset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
        m_fake = std::make_unique<CFakeConnection>();
        m_fake->keepAlive = std::make_unique<CKeepAlive>(*m_fake);
        KeepAlive()->SetSecondLength(1);
    }

    void cleanup() { m_fake.reset(); }

    void valuesRoundTripThroughTheFileUnderAnySpelling()
    {
        QCOMPARE(GetProfileInt("TransferManager", "SizeHorzCX", 321), 321);
        QVERIFY(!QFile::exists(CDataFolder::SettingsFile())); // reading creates nothing
        QVERIFY(WriteProfileInt("Settings", "TransferMax", 4));
        QVERIFY(WriteProfileString("settings", "lastsite", QStringLiteral("工作\\夜間 備份")));
        const QByteArray state = Blob({0, 1, 2, 0xFF, 0x80, 0});
        QVERIFY(WriteProfileBinary("Settings", "LocalBrowserState", state));
        QVERIFY(WriteProfileString("QuickConnect", "QuickConnect12", QStringLiteral("ftp.example.org")));
        QVERIFY(QFile::exists(m_home.filePath(QStringLiteral("Zentrava Pro 3.1.ini"))));
        QCOMPARE(GetProfileInt("settings", "TRANSFERMAX"), 4);
        QCOMPARE(GetProfileString("Settings", "LastSite"), QStringLiteral("工作\\夜間 備份"));
        QCOMPARE(GetProfileBinary("Settings", "LocalBrowserState"), state);
        QCOMPARE(GetProfileString("QuickConnect", "quickconnect12"), QStringLiteral("ftp.example.org"));
        QCOMPARE(GetProfileString("QuickConnect", "QuickConnect1"), QString());
        // Unknown or mistyped keys are refused.
        QVERIFY(!WriteProfileInt("Settings", "NoSuchKey", 1));
        QVERIFY(!WriteProfileInt("NoSuchSection", "DataMode", 1));
        QVERIFY(!WriteProfileString("QuickConnect", "QuickConnectX", QStringLiteral("x")));
        QVERIFY(!WriteProfileString("Settings", "DataMode", QStringLiteral("2")));
        QCOMPARE(GetProfileInt("Settings", "DataMode"), 1);
        // A stored value of the wrong kind reads as the default.
        QVERIFY(WriteProfileString("Settings", "EmailAddress", QStringLiteral("x")));
        QFile ini(CDataFolder::SettingsFile());
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("\n[SmartOverwrite]\nTimeout=soon\n");
        ini.close();
        QCOMPARE(GetProfileInt("SmartOverwrite", "Timeout"), 30);
    }

    void stringListArchiveBytes_data()
    {
        Columns<QStringList, QByteArray>({"texts", "blob"});
        const QString long255(255, u'm');
        Row("empty", QStringList{""}, Blob({1, 0, 0}));
        Row("254 bytes: one-byte length", QStringList{QString(254, u'm')},
            Blob({1, 0, 254}) + QByteArray(254, 'm'));
        Row("255 bytes: 0xFF and 16 bits", QStringList{long255},
            Blob({1, 0, 0xFF, 0xFF, 0}) + long255.toUtf8());
        Row("4000 bytes", QStringList{QString(4000, u'm')},
            Blob({1, 0, 0xFF, 0xA0, 0x0F}) + QByteArray(4000, 'm'));
        Row("order and text", QStringList{"*.txt", "", "報告", "a|b"},
            Blob({4, 0, 5}) + "*.txt" + Blob({0, 6}) + QStringLiteral("報告").toUtf8() + Blob({3}) + "a|b");
    }

    void stringListArchiveBytes()
    {
        QFETCH(QStringList, texts);
        QFETCH(QByteArray, blob);
        QCOMPARE(CStringList(texts).Serialize(), blob);
        CStringList back;
        QVERIFY(back.Deserialize(blob));
        QCOMPARE(back.Items(), texts);
    }

    // One string of n bytes archives to 2 + 3 + n bytes once n >= 255.
    void objectsAtTheSizeLimit()
    {
        CStringList fits({QString(kProfileObjectLimit - 6, u'a')});
        QCOMPARE(fits.Serialize().size(), kProfileObjectLimit - 1);
        QVERIFY(SaveProfileObject("Filter", "Mask", fits));
        // One byte more is not written, and the stored list stays.
        CStringList tooLong({QString(kProfileObjectLimit - 5, u'b')});
        QVERIFY(!SaveProfileObject("Filter", "Mask", tooLong));
        CStringList loaded;
        QVERIFY(LoadProfileObject("Filter", "Mask", loaded));
        QCOMPARE(loaded.Items(), fits.Items());
    }

    void malformedBlobsChangeNothing_data()
    {
        Columns<QByteArray>({"blob"});
        Row("wide-string marker", Blob({1, 0, 0xFF, 0xFE, 0xFF, 1, 'a'}));
        Row("huge count", Blob({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
        Row("trailing bytes", Blob({1, 0, 1, 'a', 'z'}));
        Row("stored blob at the limit",
            CStringList::SerializeStrings({QByteArray(kProfileObjectLimit - 5, 'c')}));
        const QByteArray good = CStringList::SerializeStrings({"one", QByteArray(300, 'x'), "three"});
        for (qsizetype cut = 0; cut < good.size(); ++cut)
            Row(qPrintable(QStringLiteral("cut at %1").arg(cut)), good.left(cut));
    }

    void malformedBlobsChangeNothing()
    {
        QFETCH(QByteArray, blob);
        QVERIFY(WriteProfileBinary("SmartKeepAlive", "Commands", blob));
        CStringList list({QStringLiteral("keep")});
        QVERIFY(!LoadProfileObject("SmartKeepAlive", "Commands", list));
        QCOMPARE(list.Items(), QStringList{QStringLiteral("keep")});
    }

    void backAndFolderBarLists()
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
        // The folder bar lists each folder once, case counting.
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
        QStringList stored;
        for (int index = 0; index <= 10; ++index)
            stored << GetProfileString("QuickConnect", QStringLiteral("QuickConnect%1").arg(index));
        QCOMPARE(QStringList({stored[0], stored[3], stored[9], stored[10]}),
                 QStringList({"host2|user2,pw2", "host5|new", "host11|user11,pw11", ""}));
        CHistoryList loaded("QuickConnect");
        loaded.Load();
        QCOMPARE(loaded.Texts(), history.Texts());
        QCOMPARE(loaded.Items().at(3).data, "new");
        QVERIFY(history.Clear());
        QCOMPARE(GetProfileString("QuickConnect", "QuickConnect0") +
                     GetProfileString("QuickConnect", "QuickConnect1"),
                 "");
        QFile file(CDataFolder::SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("pw"));
        loaded.Load();
        QVERIFY(loaded.Items().isEmpty());
        // Loading splits at the first bar and stops at a gap; other sections are not read.
        for (const char* entry :
             {"QuickConnect0=alice", "QuickConnect1=bob|a|b", "QuickConnect3=after the gap"})
            QVERIFY(WriteProfileString("QuickConnect", QString(entry).section(u'=', 0, 0),
                                       QString(entry).section(u'=', 1)));
        QVERIFY(WriteProfileString("GoToFolder", "GoToFolder0", "/PUB"));
        loaded.Load();
        QCOMPARE(loaded.Texts(), QStringList({"alice", "bob"}));
        QCOMPARE(QStringList({loaded.Items().at(0).data, loaded.Items().at(1).data}),
                 QStringList({"", "a|b"}));
    }

    void quickConnectLoginSplitsAtTheFirstComma_data()
    {
        Columns<QString, QString, QString>({"data", "login", "password"});
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
        Row("only the parent row", QList{CFtpListItem::ParentRow()}, "");
        Row("percent in a name", QList{File("100%1.txt")}, "您確定要刪除 '100%1.txt' ？");
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

    // A remote operation that runs while a command waits (armAt: the count of commands sent) arms again.
    void commandsFollowTheSettings_data()
    {
        // silentAt: the command that gets no reply; nothing follows it. log: the whole log, when given.
        Columns<QList<int>, QStringList, int, int, QStringList, QList<int>, QStringList>(
            {"settings", "configured", "armAt", "silentAt", "sent", "intervals", "log"});
        const QStringList none;
        Row("three in turn", kFast, QStringList{"PWD", "SYST", "STAT"}, 0, 0,
            QStringList{"PWD", "SYST", "STAT", "PWD", "SYST", "STAT", "PWD"}, QList{1, 1, 1}, none);
        Row("empty list, traced", kFast, none, 0, 2, QStringList{"NOOP", "NOOP"}, QList<int>(),
            QStringList(
                {"0 傳送 NOOP...", "0 FTP伺服器回應: 200 NOOP ok", "0 傳送 NOOP...", "3 收不到任何回應！"}));
        Row("one", kFast, QStringList{"PWD"}, 0, 0, QStringList{"PWD", "PWD"}, QList<int>(), none);
        Row("arming restarts the turn", kFast, QStringList{"A", "B", "C"}, 2, 0,
            QStringList{"A", "B", "A", "B", "C"}, QList<int>(), none);
        Row("start time, then the interval", QList{1, 3, 15, 15, 30}, none, 0, 0,
            QStringList{"NOOP", "NOOP", "NOOP"}, QList{3, 15, 15}, none);
        Row("disabled", QList{0, 1, 1, 1, 30}, none, 0, 0, none, QList<int>(), none);
        Row("maintained zero minutes", QList{1, 1, 1, 1, 0}, none, 0, 0, none, QList<int>(), none);
    }

    void commandsFollowTheSettings()
    {
        QFETCH(QList<int>, settings);
        QFETCH(QStringList, configured);
        QFETCH(int, armAt);
        QFETCH(int, silentAt);
        QFETCH(QStringList, sent);
        QFETCH(QList<int>, intervals);
        QFETCH(QStringList, log);
        SetKeepAlive(settings);
        if (!configured.isEmpty())
            QVERIFY(SaveProfileObject("SmartKeepAlive", "Commands", CStringList(configured)));
        m_fake->duringCommand = [this, armAt, silentAt](int count)
        {
            if (count == armAt)
                KeepAlive()->Arm();
            m_fake->replies = count != silentAt;
            if (count == silentAt)
                KeepAlive()->SetTransferBusyCheck([] { return true; });
        };
        KeepAlive()->Arm();
        if (sent.isEmpty())
        {
            QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive()->IsKeepAliveRunning(), kWaitMs);
            QTest::qWait(30);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() >= sent.size(), kWaitMs);
        QCOMPARE(m_fake->commands.mid(0, sent.size()), sent);
        QCOMPARE(m_fake->intervals.mid(0, intervals.size()), intervals);
        if (!log.isEmpty())
            QCOMPARE(m_fake->lines, log);
    }

    // The wait is drawn from [max(start, 1), max(end, start)].
    void intervalSeconds_data()
    {
        Columns<int, int, quint32, int>({"start", "end", "random", "seconds"});
        Row("top of the range", 15, 60, quint32(45), 60);
        Row("wraps to the bottom", 15, 60, quint32(46), 15);
        Row("end below start", 30, 10, quint32(5), 30);
        Row("zero start", 0, 3, quint32(2), 3);
        Row("widest", 1, INT_MAX, quint32(INT_MAX - 1), INT_MAX);
        Row("largest draw", 1, INT_MAX, UINT32_MAX, 2);
    }

    void intervalSeconds()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(quint32, random);
        QTEST(CKeepAlive::IntervalSeconds(start, end, random), "seconds");
    }

    // While the state holds, nothing is sent and the timer keeps its period; then commands go again.
    // "maintained": one minute of 60 ms ends keep-alive until the next arming.
    void commandsWaitForTheState_data()
    {
        Columns<QString>({"state"});
        for (const char* state : {"disconnected", "busy", "maintained"})
            Row(state, QString(state));
    }

    void commandsWaitForTheState()
    {
        QFETCH(QString, state);
        SetKeepAlive({1, 1, 1, 1, state == "maintained" ? 1 : 30});
        bool busy = state == "busy";
        KeepAlive()->SetTransferBusyCheck([&busy] { return busy; });
        m_fake->connected = state != "disconnected";
        KeepAlive()->Arm();
        if (state == "maintained")
            QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive()->IsKeepAliveRunning() && !m_fake->commands.isEmpty(),
                                     kWaitMs);
        const qsizetype sent = m_fake->commands.size();
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), sent);
        QCOMPARE(KeepAlive()->IsKeepAliveRunning(), state != "maintained");
        m_fake->connected = true;
        busy = false;
        if (state == "maintained")
            KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() > sent, kWaitMs);
        KeepAlive()->SetTransferBusyCheck(nullptr);
    }

    // A window closed during a command: the command ends and nothing follows.
    void windowClosedDuringACommand()
    {
        SetKeepAlive(kFast);
        m_fake->duringCommand = [this](int) { m_fake->keepAlive.reset(); };
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive(), kWaitMs);
        QCOMPARE(m_fake->commands.size(), 1);
        QCOMPARE(m_fake->lines.size(), 1);
    }

    // Events: C the session connected, D it disconnected, U the user's Disconnect, F reconnects fail.
    void reconnectsOnlyAfterAnUnexpectedDrop_data()
    {
        Columns<bool, int, QString, bool, int>({"enabled", "secondMs", "events", "pending", "reconnects"});
        Row("drop", true, 1, "CD", true, 1);
        Row("failed reconnect is not retried", true, 1, "CDF", true, 1);
        Row("user's disconnect", true, 1, "CUD", false, 0);
        Row("never connected", true, 1, "D", false, 0);
        Row("reconnect off", false, 1, "CD", false, 0);
        // Real seconds: the test ends long before.
        Row("connected again meanwhile", true, 1000, "CDC", false, 0);
        Row("dropped again", true, 1000, "CDCD", true, 0);
        Row("user's disconnect cancels", true, 1000, "CDCDU", false, 0);
    }

    void reconnectsOnlyAfterAnUnexpectedDrop()
    {
        QFETCH(bool, enabled);
        QFETCH(int, secondMs);
        QFETCH(QString, events);
        QFETCH(int, reconnects);
        QVERIFY(WriteProfileInt("SmartKeepAlive", "Reconnect", enabled));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "ReconnectTime", 10));
        KeepAlive()->SetSecondLength(secondMs);
        QVERIFY(KeepAlive()->IsUserDisconnected());
        for (const QChar event : events)
        {
            if (event == u'C')
                KeepAlive()->OnConnected();
            else if (event == u'D')
                KeepAlive()->OnDisconnected();
            else if (event == u'U')
                KeepAlive()->OnUserDisconnect();
            else
                m_fake->reconnectSucceeds = false;
        }
        QCOMPARE(KeepAlive()->IsUserDisconnected(), !events.startsWith(u'C') || events.contains(u'U'));
        QTEST(KeepAlive()->IsReconnectPending(), "pending");
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, reconnects, kWaitMs);
        QTest::qWait(30);
        QCOMPARE(m_fake->reconnects, reconnects);
        QVERIFY(reconnects == 0 || !KeepAlive()->IsReconnectPending());
    }
    // Sizes in whole kilobytes, rounded up; types by the last extension, known ones by the MIME database's
    // name whatever their case.
    void sizeAndTypeTexts_data()
    {
        Columns<qint64, QString, QString, bool, QString>(
            {"bytes", "sizeText", "name", "isFolder", "typeText"});
        const QMimeDatabase mime;
        Row("empty, folder", qint64(0), "1 KB", "photos.png", true, "Folder");
        Row("1 KB, unknown extension", qint64(1024), "1 KB", "Data.QqZz9", false, "QQZZ9 File");
        Row("one byte more, trailing dot", qint64(1025), "2 KB", "zz9noext.", false, "File");
        Row("1,000 KB, last extension", qint64(999 * 1024 + 1), "1,000 KB", "a.png.qqzz", false, "QQZZ File");
        Row("negative, known upper-cased", qint64(-5), "1 KB", "PICTURE.PNG", false,
            mime.mimeTypeForName("image/png").comment());
        Row("largest count, known last extension", std::numeric_limits<qint64>::max(),
            "9,007,199,254,740,992 KB", "archive.tar.gz", false,
            mime.mimeTypeForName("application/gzip").comment());
    }

    void sizeAndTypeTexts()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QFETCH(qint64, bytes);
        QTEST(Model::SizeText(bytes), "sizeText");
        QTEST(Model::TypeText(name, isFolder), "typeText");
    }

    // The date is local (eight hours east) and without seconds: 23:30:45 UTC is 07:30 of the next morning.
    void rowTextsAreMadeFromTheItem()
    {
        Model model;
        CFtpListItem file =
            File("report.qqzz", 1025, QDateTime(QDate(2024, 3, 5), QTime(23, 30, 45), Qt::UTC));
        file.owner = "alice";
        file.group = "staff";
        model.SetListing({file, Folder("docs")}, true);
        QStringList texts;
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                texts << Text(model, row, column);
        const QString date = texts.takeAt(17);
        QVERIFY2(date.startsWith("3/6/24 ") && date.contains("7:30") && !date.contains(":45"),
                 qPrintable(date));
        QCOMPARE(texts,
                 QStringList({"..",          "",     "",          "",           "",           "",     "",
                              "docs",        "",     "Folder",    "",           "drwxr-xr-x", "",     "",
                              "report.qqzz", "2 KB", "QQZZ File", "-rw-r--r--", "alice",      "staff"}));
        QCOMPARE(model.data(model.index(2, Model::SizeColumn), Qt::TextAlignmentRole).toInt() &
                     Qt::AlignRight,
                 int(Qt::AlignRight));
        QVERIFY(!model.data(model.index(3, 0)).isValid());
        // Owner, group and attributes show for Unix servers only.
        QCOMPARE(model.headerData(Model::SizeColumn, Qt::Horizontal).toString(), "大小");
        QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
        QSignalSpy headerChanged(&model, &QAbstractItemModel::headerDataChanged);
        QList<int> widths;
        for (int column = 0; column <= model.columnCount(); ++column)
            widths.append(model.ColumnWidth(column));
        model.SetUnixServer(true);
        for (int column = 0; column <= model.columnCount(); ++column)
            widths.append(model.ColumnWidth(column));
        QCOMPARE(widths, QList<int>({180, 100, 100, 100, 0, 0, 0, 0, 180, 100, 100, 100, 100, 100, 100, 0}));
        QCOMPARE(headerChanged.count(), 1);
    }

    void sortOrders_data()
    {
        Columns<QList<CFtpListItem>, bool, QList<int>, QStringList>(
            {"listing", "parentRow", "sorts", "order"});
        const auto mixed = [](const char* name, int sort, const QStringList& order)
        { Row(name, MixedListing(), true, QList{sort}, order); };
        mixed("name", Model::NameColumn, {"..", "A_dir", "b_dir", "a.TXT", "B.txt", "c.txt"});
        mixed("size", Model::SizeColumn, {"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        // Folders of equal size keep their name order, also when descending.
        mixed("size descending", Model::SizeColumn + kDescending,
              {"..", "B.txt", "a.TXT", "c.txt", "A_dir", "b_dir"});
        mixed("date", Model::DateColumn, {"..", "A_dir", "b_dir", "c.txt", "a.TXT", "B.txt"});
        // "Folder" first as a folder; then "File", and "ZZA File" twice in listing order, whatever the case.
        const QList<CFtpListItem> types{File("a.zzb"), File("b.ZZA"), File("c"), File("d.zzA"), Folder("e")};
        Row("type", types, false, QList{int(Model::TypeColumn)},
            QStringList{"e", "c", "b.ZZA", "d.zzA", "a.zzb"});
        Row("type descending", types, false, QList{Model::TypeColumn + kDescending},
            QStringList{"a.zzb", "b.ZZA", "d.zzA", "c", "e"});
        // Ties go by name, in both directions and for columns without an order of their own.
        const QList<CFtpListItem> ties{File("x", 5), File("b", 7), File("a", 5),
                                       File("y", 7), Folder("f1"), Folder("f0")};
        Row("as listed", ties, false, QList<int>{}, QStringList{"f0", "f1", "a", "b", "x", "y"});
        Row("ties by size", ties, false, QList{int(Model::SizeColumn)},
            QStringList{"f0", "f1", "a", "x", "b", "y"});
        Row("ties by size descending", ties, false,
            QList<int>{Model::SizeColumn, Model::SizeColumn + kDescending},
            QStringList{"b", "y", "a", "x", "f0", "f1"});
        Row("owner after size", ties, false, QList{Model::SizeColumn + kDescending, int(Model::OwnerColumn)},
            QStringList{"f0", "f1", "a", "b", "x", "y"});
    }

    void sortOrders()
    {
        QFETCH(QList<CFtpListItem>, listing);
        QFETCH(bool, parentRow);
        QFETCH(QList<int>, sorts);
        Model model;
        model.SetListing(listing, parentRow);
        for (int sort : sorts)
            model.sort(sort % kDescending, sort >= kDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QTEST(Names(model), "order");
    }

    // A selected row stays selected through a sort.
    void headerClicksToggleDirection()
    {
        Model model;
        model.SetListing(MixedListing(), true);
        const QPersistentModelIndex big(model.index(model.FindRow("B.txt"), Model::SizeColumn));
        model.SortByHeaderClick(Model::NameColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(Names(model).mid(0, 2), QStringList({"..", "c.txt"}));
        model.SortByHeaderClick(Model::SizeColumn);
        QCOMPARE(model.SortColumn(), int(Model::SizeColumn));
        QCOMPARE(model.SortOrder(), Qt::AscendingOrder);
        model.SortByHeaderClick(Model::SizeColumn);
        QCOMPARE(model.SortOrder(), Qt::DescendingOrder);
        QCOMPARE(QList({big.row(), big.column()}), QList({1, int(Model::SizeColumn)}));
        // A listing arrives sorted by the column and direction in force; folders of one size go by name,
        // not in the order the server listed them.
        model.SetListing(MixedListing(), true);
        QCOMPARE(Names(model), QStringList({"..", "B.txt", "a.TXT", "c.txt", "A_dir", "b_dir"}));
        // An unknown column (a stored value out of range) sorts by name.
        model.sort(42, Qt::AscendingOrder);
        QCOMPARE(model.SortColumn(), int(Model::NameColumn));
        QCOMPARE(Names(model).at(1), "A_dir");
    }

    void uploadedFilesRefreshOrAddRows()
    {
        Model model;
        model.SetListing({File("Report.txt", 10, kDay1), File("other", 1, kDay1)}, true);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        const int row = model.AddOrRefreshUploaded("REPORT.TXT", 5000, kDay2, false);
        const CFtpListItem& refreshed = model.Item(row);
        QCOMPARE(QVariantList({refreshed.name, refreshed.size, refreshed.modified, model.rowCount()}),
                 QVariantList({"Report.txt", 5000, kDay2, 3}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(1).toModelIndex(), model.index(row, Model::ColumnCount - 1));
        QCOMPARE(inserted.count(), 0);

        const QDateTime before = QDateTime::currentDateTimeUtc();
        const int added = model.AddOrRefreshUploaded("new.bin", 77, QDateTime(), false);
        const int folder = model.AddOrRefreshUploaded("newdir", 0, kDay3, true);
        const QDateTime after = QDateTime::currentDateTimeUtc();
        QCOMPARE(QList<int>({added, folder, int(inserted.count())}), QList<int>({3, 4, 2}));
        QCOMPARE(QVariantList(
                     {model.Item(added).permissionBits, model.Item(added).size, model.Item(folder).isFolder}),
                 QVariantList({0x700, 77, true}));
        QCOMPARE(Text(model, folder, Model::AttributesColumn), "drwx------");
        for (int row : {added, folder})
            QVERIFY(model.Item(row).modified >= before && model.Item(row).modified <= after);
    }

    void rowEditsReachTheView()
    {
        Model model;
        model.SetListing({File("a.qqzz"), File("A.QQZZ"), File("b")}, true);
        QCOMPARE(QList({model.FindRow("a.QQZZ"), model.FindRow(".."), model.FindRow("missing")}),
                 QList({2, -1, -1}));
        model.sort(Model::TypeColumn, Qt::AscendingOrder);
        const int row = model.FindRow("b");
        model.RenameRow(row, "b.qqyy");
        QCOMPARE(Text(model, row, Model::TypeColumn), "QQYY File");
        model.SetPermissionBits(row, 0x751);
        QCOMPARE(Text(model, row, Model::AttributesColumn), "-rwxr-x--x");
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.RemoveRow(row);
        model.RemoveRow(99);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(model.FindRow("b.qqyy"), -1);
        model.SetListing({File("only")}, false);
        QCOMPARE(model.FindRow("ONLY"), 0);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void relayedPathsNameTheirRow_data()
    {
        Columns<QString, QString, QString, bool>(
            {"folder", "path", "name", "viaSubFolder"}); // name empty: no row
        Row("file in the folder", "/pub", "/pub/a.txt", "a.txt", false);
        Row("folder with slash", "/pub/", "/pub/a.txt", "a.txt", false);
        Row("case-insensitive", "/Pub", "/pub/Sub/deep/x", "Sub", true);
        Row("root", "/", "/x.bin", "x.bin", false);
        Row("doubled slash", "/pub", "/pub//x", "x", false);
        Row("the folder itself", "/pub", "/pub", "", false);
        Row("another folder", "/pub", "/incoming/x", "", false);
        Row("a longer name", "/pub", "/public/x", "", false);
    }

    void relayedPathsNameTheirRow()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, viaSubFolder);
        const std::optional<Model::RelayedRow> row = Model::RowForRelayedPath(folder, path);
        QCOMPARE(row ? QVariantList({row->name, row->viaSubFolder}) : QVariantList(),
                 name.isEmpty() ? QVariantList() : QVariantList({name, viaSubFolder}));
    }
    // Workers read and write settings while the window does: no read may see another's half-written file.
    void settingsFromSeveralThreads()
    {
        QVERIFY(WriteProfileInt("Settings", "TransferMax", 7));
        std::atomic<int> wrongReads{0};
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < 4; ++t)
        {
            threads.emplace_back(QThread::create(
                [t, &wrongReads]
                {
                    const QString key = QStringLiteral("GoToFolder%1").arg(t);
                    for (int i = 0; i < 40; ++i)
                    {
                        WriteProfileString("GoToFolder", key, QString::number(i));
                        if (GetProfileInt("Settings", "TransferMax") != 7 ||
                            GetProfileString("GoToFolder", key) != QString::number(i))
                            ++wrongReads;
                    }
                }));
            threads.back()->start();
        }
        for (const auto& thread : threads)
            QVERIFY(thread->wait(60000));
        QCOMPARE(wrongReads.load(), 0);
        for (int t = 0; t < 4; ++t)
            QCOMPARE(GetProfileString("GoToFolder", QStringLiteral("GoToFolder%1").arg(t)),
                     QStringLiteral("39"));
    }
};

QTEST_GUILESS_MAIN(TestSessionNavigation)
#include "tst_session_navigation.moc"
