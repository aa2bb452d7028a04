#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"
#include "session/KeepAlive.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    std::function<void()> duringReconnect;

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
        if (!replies)
            return std::nullopt;
        return CCommandReply{200, "200 " + command + "\r\n ok\r\n"};
    }

    bool Reconnect() override
    {
        ++reconnects;
        if (duringReconnect)
            duringReconnect();
        return reconnectSucceeds;
    }

    void Log(int level, const QString& text) override { lines.append(QString::number(level) + ' ' + text); }
};

void SetKeepAlive(int start, int intervalStart, int intervalEnd, int maintain = 30)
{
    QVERIFY(WriteProfileInt("SmartKeepAlive", "EnableSKA", 1));
    QVERIFY(WriteProfileInt("SmartKeepAlive", "StartSKA", start));
    QVERIFY(WriteProfileInt("SmartKeepAlive", "IntervalStart", intervalStart));
    QVERIFY(WriteProfileInt("SmartKeepAlive", "IntervalEnd", intervalEnd));
    QVERIFY(WriteProfileInt("SmartKeepAlive", "MaintainSKA", maintain));
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
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
        m_fake = std::make_unique<CFakeConnection>();
        m_fake->keepAlive = std::make_unique<CKeepAlive>(*m_fake);
        KeepAlive()->SetSecondLength(1);
    }

    void cleanup() { m_fake.reset(); }

    // A remote operation that runs while a command waits (armAt: the count of commands sent) arms again.
    void commandsGoOutInTurn_data()
    {
        QTest::addColumn<QStringList>("configured");
        QTest::addColumn<int>("armAt");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("three in turn") << QStringList({"PWD", "SYST", "STAT"}) << 0
                                       << QStringList({"PWD", "SYST", "STAT", "PWD", "SYST", "STAT", "PWD"});
        QTest::newRow("empty list") << QStringList() << 0 << QStringList({"NOOP", "NOOP", "NOOP"});
        QTest::newRow("one") << QStringList({"PWD"}) << 0 << QStringList({"PWD", "PWD"});
        QTest::newRow("arming restarts the turn")
            << QStringList({"A", "B", "C"}) << 2 << QStringList({"A", "B", "A", "B", "C"});
    }

    void commandsGoOutInTurn()
    {
        QFETCH(QStringList, configured);
        QFETCH(int, armAt);
        QFETCH(QStringList, sent);
        SetKeepAlive(1, 1, 1);
        if (!configured.isEmpty())
            QVERIFY(SaveProfileObject("SmartKeepAlive", "Commands", CStringList(configured)));
        m_fake->duringCommand = [this, armAt](int sent)
        {
            if (sent == armAt)
                KeepAlive()->Arm();
        };
        KeepAlive()->Arm();
        QVERIFY(KeepAlive()->IsKeepAliveRunning());
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() >= sent.size(), kWaitMs);
        QCOMPARE(m_fake->commands.mid(0, sent.size()), sent);
    }

    void commandsAndRepliesAreTraced()
    {
        SetKeepAlive(1, 1, 1);
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

    // The first command waits the start time, the next ones a time within the bounds.
    void intervalsStayInsideTheBounds()
    {
        SetKeepAlive(3, 15, 60);
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() >= 8, kWaitMs);
        QCOMPARE(m_fake->intervals.first(), 3);
        for (int interval : m_fake->intervals.mid(1))
            QVERIFY2(interval >= 15 && interval <= 60, qPrintable(QString::number(interval)));
    }

    void intervalSeconds_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("defaults") << 15 << 60 << 15 << 60;
        QTest::newRow("equal") << 20 << 20 << 20 << 20;
        QTest::newRow("end below start") << 30 << 10 << 30 << 30;
        QTest::newRow("zero start") << 0 << 3 << 1 << 3;
        QTest::newRow("negative") << -10 << -5 << 1 << 1;
        QTest::newRow("widest") << 1 << INT_MAX << 1 << INT_MAX;
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
        int seenLow = INT_MAX;
        int seenHigh = INT_MIN;
        for (quint32 random : draws)
        {
            const int seconds = CKeepAlive::IntervalSeconds(start, end, random);
            seenLow = std::min(seenLow, seconds);
            seenHigh = std::max(seenHigh, seconds);
        }
        QCOMPARE(seenLow, low);
        QCOMPARE(seenHigh, high);
    }

    void nothingIsSentWhileDisconnectedOrBusy()
    {
        SetKeepAlive(1, 1, 1);
        bool busy = true;
        KeepAlive()->SetTransferBusyCheck([&busy] { return busy; });
        m_fake->connected = false;
        KeepAlive()->Arm();
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), 0);
        // The timer keeps its period meanwhile.
        QVERIFY(KeepAlive()->IsKeepAliveRunning());
        m_fake->connected = true;
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), 0);
        busy = false;
        QTRY_VERIFY_WITH_TIMEOUT(!m_fake->commands.isEmpty(), kWaitMs);
        KeepAlive()->SetTransferBusyCheck(nullptr);
    }

    void maintainPeriodEndsKeepAlive()
    {
        // Nothing at all when the period is zero minutes.
        SetKeepAlive(1, 1, 1, 0);
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive()->IsKeepAliveRunning(), kWaitMs);
        QCOMPARE(m_fake->commands.size(), 0);
        // One minute of 60 ms: commands, then silence until the next arming.
        SetKeepAlive(1, 1, 1, 1);
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive()->IsKeepAliveRunning(), kWaitMs);
        const qsizetype sent = m_fake->commands.size();
        QVERIFY(sent > 0);
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), sent);
        KeepAlive()->Arm();
        QVERIFY(KeepAlive()->IsKeepAliveRunning());
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() > sent, kWaitMs);
    }

    void disabledKeepAliveNeverArms()
    {
        SetKeepAlive(1, 1, 1);
        QVERIFY(WriteProfileInt("SmartKeepAlive", "EnableSKA", 0));
        KeepAlive()->Arm();
        QVERIFY(!KeepAlive()->IsKeepAliveRunning());
        // The default is off.
        QFile::remove(CDataFolder::SettingsFile());
        KeepAlive()->Arm();
        QVERIFY(!KeepAlive()->IsKeepAliveRunning());
    }

    void windowClosedDuringACommand()
    {
        SetKeepAlive(1, 1, 1);
        m_fake->duringCommand = [this](int) { m_fake->keepAlive.reset(); };
        KeepAlive()->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!KeepAlive(), kWaitMs);
        QCOMPARE(m_fake->commands.size(), 1);
        QCOMPARE(m_fake->lines.size(), 1);
    }

    // Events: C the session connected, D it disconnected, U the user's Disconnect.
    void reconnectsOnlyAfterAnUnexpectedDrop_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("secondMs");
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("pending");
        QTest::addColumn<int>("reconnects");
        QTest::newRow("drop") << true << 1 << "CD" << true << 1;
        QTest::newRow("user's disconnect") << true << 1 << "CUD" << false << 0;
        QTest::newRow("never connected") << true << 1 << "D" << false << 0;
        QTest::newRow("reconnect off") << false << 1 << "CD" << false << 0;
        // Real seconds: the test ends long before.
        QTest::newRow("connected again meanwhile") << true << 1000 << "CDC" << false << 0;
        QTest::newRow("dropped again") << true << 1000 << "CDCD" << true << 0;
        QTest::newRow("user's disconnect cancels") << true << 1000 << "CDCDU" << false << 0;
    }

    void reconnectsOnlyAfterAnUnexpectedDrop()
    {
        QFETCH(bool, enabled);
        QFETCH(int, secondMs);
        QFETCH(QString, events);
        QFETCH(int, reconnects);
        QVERIFY(WriteProfileInt("SmartKeepAlive", "Reconnect", enabled ? 1 : 0));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "ReconnectTime", secondMs == 1 ? 1 : 10));
        KeepAlive()->SetSecondLength(secondMs);
        QVERIFY(KeepAlive()->IsUserDisconnected());
        for (const QChar event : events)
        {
            if (event == u'C')
                KeepAlive()->OnConnected();
            else if (event == u'D')
                KeepAlive()->OnDisconnected();
            else
                KeepAlive()->OnUserDisconnect();
        }
        QCOMPARE(KeepAlive()->IsUserDisconnected(), !events.startsWith(u'C') || events.contains(u'U'));
        QTEST(KeepAlive()->IsReconnectPending(), "pending");
        QTest::qWait(20);
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, reconnects, kWaitMs);
        if (reconnects > 0)
            QVERIFY(!KeepAlive()->IsReconnectPending());
    }

    void aFailedReconnectIsNotRetried()
    {
        QVERIFY(WriteProfileInt("SmartKeepAlive", "Reconnect", 1));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "ReconnectTime", 1));
        m_fake->reconnectSucceeds = false;
        // The session reports the connection down again while it tries.
        m_fake->duringReconnect = [this] { KeepAlive()->OnDisconnected(); };
        KeepAlive()->OnConnected();
        KeepAlive()->OnDisconnected();
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, 1, kWaitMs);
        QVERIFY(!KeepAlive()->IsReconnectPending());
        QTest::qWait(20);
        QCOMPARE(m_fake->reconnects, 1);
        // A later drop of a working connection is reconnected again.
        m_fake->duringReconnect = nullptr;
        KeepAlive()->OnConnected();
        KeepAlive()->OnDisconnected();
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, 2, kWaitMs);
    }
};

QTEST_GUILESS_MAIN(TestSessionKeepAlive)
#include "tst_session_keepalive.moc"
