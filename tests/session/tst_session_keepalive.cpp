#include "support/Rows.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"
#include "session/KeepAlive.h"

#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <memory>

namespace
{
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
} // namespace

class TestSessionKeepAlive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<CFakeConnection> m_fake;
    CKeepAlive* KeepAlive() { return m_fake->keepAlive.get(); }

private Q_SLOTS:
    void init()
    {
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
        m_fake = std::make_unique<CFakeConnection>();
        m_fake->keepAlive = std::make_unique<CKeepAlive>(*m_fake);
        KeepAlive()->SetSecondLength(1);
    }

    void cleanup() { m_fake.reset(); }

    // A remote operation that runs while a command waits (armAt: the count of commands sent) arms again.
    void commandsFollowTheSettings_data()
    {
        Columns<QList<int>, QStringList, int, QStringList, QList<int>>(
            {"settings", "configured", "armAt", "sent", "intervals"});
        Row("three in turn", kFast, QStringList{"PWD", "SYST", "STAT"}, 0,
            QStringList{"PWD", "SYST", "STAT", "PWD", "SYST", "STAT", "PWD"}, QList{1, 1, 1});
        Row("empty list", kFast, QStringList(), 0, QStringList{"NOOP", "NOOP", "NOOP"}, QList<int>());
        Row("one", kFast, QStringList{"PWD"}, 0, QStringList{"PWD", "PWD"}, QList<int>());
        Row("arming restarts the turn", kFast, QStringList{"A", "B", "C"}, 2,
            QStringList{"A", "B", "A", "B", "C"}, QList<int>());
        Row("start time, then the interval", QList{1, 3, 15, 15, 30}, QStringList(), 0,
            QStringList{"NOOP", "NOOP", "NOOP"}, QList{3, 15, 15});
        Row("disabled", QList{0, 1, 1, 1, 30}, QStringList(), 0, QStringList(), QList<int>());
        Row("maintained zero minutes", QList{1, 1, 1, 1, 0}, QStringList(), 0, QStringList(), QList<int>());
    }

    void commandsFollowTheSettings()
    {
        QFETCH(QList<int>, settings);
        QFETCH(QStringList, configured);
        QFETCH(int, armAt);
        QFETCH(QStringList, sent);
        QFETCH(QList<int>, intervals);
        SetKeepAlive(settings);
        if (!configured.isEmpty())
            QVERIFY(SaveProfileObject("SmartKeepAlive", "Commands", CStringList(configured)));
        m_fake->duringCommand = [this, armAt](int count)
        {
            if (count == armAt)
                KeepAlive()->Arm();
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
    }

    void commandsAndRepliesAreTraced()
    {
        SetKeepAlive(kFast);
        m_fake->duringCommand = [this](int sent)
        {
            m_fake->replies = sent != 2;
            if (sent == 2)
                KeepAlive()->SetTransferBusyCheck([] { return true; });
        };
        KeepAlive()->Arm();
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->commands.size(), 2, kWaitMs);
        QCOMPARE(m_fake->lines, QStringList({"0 傳送 NOOP...", "0 FTP伺服器回應: 200 NOOP ok",
                                             "0 傳送 NOOP...", "3 收不到任何回應！"}));
    }

    void intervalSeconds_data()
    {
        Columns<int, int, int, int>({"start", "end", "low", "high"});
        Row("defaults", 15, 60, 15, 60);
        Row("end below start", 30, 10, 30, 30);
        Row("zero start", 0, 3, 1, 3);
        Row("negative", -10, -5, 1, 1);
        Row("widest", 1, INT_MAX, 1, INT_MAX);
    }

    void intervalSeconds()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, low);
        QFETCH(int, high);
        QList<quint32> draws{quint32(high - low), UINT32_MAX};
        for (quint32 random = 0; random < 1000; ++random)
            draws << random;
        QList<int> seen;
        for (quint32 random : draws)
            seen << CKeepAlive::IntervalSeconds(start, end, random);
        QCOMPARE(*std::min_element(seen.begin(), seen.end()), low);
        QCOMPARE(*std::max_element(seen.begin(), seen.end()), high);
    }

    void nothingIsSentWhileDisconnectedOrBusy()
    {
        SetKeepAlive(kFast);
        bool busy = true;
        KeepAlive()->SetTransferBusyCheck([&busy] { return busy; });
        m_fake->connected = false;
        KeepAlive()->Arm();
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), 0);
        QVERIFY(KeepAlive()->IsKeepAliveRunning()); // the timer keeps its period meanwhile
        m_fake->connected = true;
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), 0);
        busy = false;
        QTRY_VERIFY_WITH_TIMEOUT(!m_fake->commands.isEmpty(), kWaitMs);
        KeepAlive()->SetTransferBusyCheck(nullptr);
    }

    // One minute of 60 ms: commands, then silence until the next arming.
    void maintainPeriodEndsKeepAlive()
    {
        SetKeepAlive({1, 1, 1, 1, 1});
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive()->IsKeepAliveRunning(), kWaitMs);
        const qsizetype sent = m_fake->commands.size();
        QVERIFY(sent > 0);
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), sent);
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() > sent, kWaitMs);
    }

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
};

QTEST_GUILESS_MAIN(TestSessionKeepAlive)
#include "tst_session_keepalive.moc"
