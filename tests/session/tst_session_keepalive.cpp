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
    CKeepAlive* keepAlive = nullptr;
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
        intervals.append(keepAlive ? keepAlive->KeepAliveInterval() : -1);
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

void SetReconnect(bool on, int seconds)
{
    QVERIFY(WriteProfileInt("SmartKeepAlive", "Reconnect", on ? 1 : 0));
    QVERIFY(WriteProfileInt("SmartKeepAlive", "ReconnectTime", seconds));
}

} // namespace

class TestSessionKeepAlive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    CFakeConnection* m_fake = nullptr;
    CKeepAlive* m_keepAlive = nullptr;
    std::unique_ptr<CFakeConnection> m_fakeOwner;
    std::unique_ptr<CKeepAlive> m_keepAliveOwner;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(CDataFolder::SettingsFile());
        m_fakeOwner = std::make_unique<CFakeConnection>();
        m_keepAliveOwner = std::make_unique<CKeepAlive>(*m_fakeOwner);
        m_fake = m_fakeOwner.get();
        m_keepAlive = m_keepAliveOwner.get();
        m_fake->keepAlive = m_keepAlive;
        m_keepAlive->SetSecondLength(1);
    }

    void cleanup()
    {
        m_keepAliveOwner.reset();
        m_fakeOwner.reset();
    }

    void commandsGoOutInTurn_data()
    {
        QTest::addColumn<QStringList>("configured");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("three in turn") << QStringList({"PWD", "SYST", "STAT"})
                                       << QStringList({"PWD", "SYST", "STAT", "PWD", "SYST", "STAT", "PWD"});
        QTest::newRow("empty list") << QStringList() << QStringList({"NOOP", "NOOP", "NOOP"});
        QTest::newRow("one") << QStringList({"PWD"}) << QStringList({"PWD", "PWD"});
    }

    void commandsGoOutInTurn()
    {
        QFETCH(QStringList, configured);
        QFETCH(QStringList, sent);
        SetKeepAlive(1, 1, 1);
        if (!configured.isEmpty())
            QVERIFY(SaveProfileObject("SmartKeepAlive", "Commands", CStringList(configured)));
        m_keepAlive->Arm();
        QVERIFY(m_keepAlive->IsKeepAliveRunning());
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
                m_keepAlive->SetTransferBusyCheck([] { return true; });
        };
        m_keepAlive->Arm();
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->commands.size(), 2, kWaitMs);
        QCOMPARE(m_fake->lines, QStringList({"0 傳送 NOOP...", "0 FTP伺服器回應: 200 NOOP ok",
                                             "0 傳送 NOOP...", "3 收不到任何回應！"}));
    }

    void intervalsStayInsideTheBounds()
    {
        SetKeepAlive(3, 15, 60);
        m_keepAlive->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() >= 8, kWaitMs);
        QCOMPARE(m_fake->intervals.first(), 3);
        for (int interval : m_fake->intervals.mid(1))
            QVERIFY2(interval >= 15 && interval <= 60, qPrintable(QString::number(interval)));
    }

    void endBelowStartIsClamped()
    {
        SetKeepAlive(1, 5, 2);
        m_keepAlive->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() >= 4, kWaitMs);
        QCOMPARE(m_fake->intervals.mid(1, 3), QList<int>({5, 5, 5}));
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
        int seenLow = INT_MAX;
        int seenHigh = INT_MIN;
        const auto draw = [&](quint32 random)
        {
            const int seconds = CKeepAlive::IntervalSeconds(start, end, random);
            seenLow = std::min(seenLow, seconds);
            seenHigh = std::max(seenHigh, seconds);
        };
        for (quint32 random = 0; random < 1000; ++random)
            draw(random);
        draw(quint32(high - low));
        draw(UINT32_MAX);
        QCOMPARE(seenLow, low);
        QCOMPARE(seenHigh, high);
    }

    void nothingIsSentWhileDisconnectedOrBusy()
    {
        SetKeepAlive(1, 1, 1);
        bool busy = true;
        m_keepAlive->SetTransferBusyCheck([&busy] { return busy; });
        m_fake->connected = false;
        m_keepAlive->Arm();
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), 0);
        // The timer keeps its period meanwhile.
        QVERIFY(m_keepAlive->IsKeepAliveRunning());
        m_fake->connected = true;
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), 0);
        busy = false;
        QTRY_VERIFY_WITH_TIMEOUT(!m_fake->commands.isEmpty(), kWaitMs);
        m_keepAlive->SetTransferBusyCheck(nullptr);
    }

    void maintainPeriodEndsKeepAlive()
    {
        // Nothing at all when the period is zero minutes.
        SetKeepAlive(1, 1, 1, 0);
        m_keepAlive->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!m_keepAlive->IsKeepAliveRunning(), kWaitMs);
        QCOMPARE(m_fake->commands.size(), 0);

        // One minute of 60 ms: commands, then silence until the next arming.
        SetKeepAlive(1, 1, 1, 1);
        m_keepAlive->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!m_keepAlive->IsKeepAliveRunning(), kWaitMs);
        const qsizetype sent = m_fake->commands.size();
        QVERIFY(sent > 0);
        QTest::qWait(30);
        QCOMPARE(m_fake->commands.size(), sent);

        m_keepAlive->Arm();
        QVERIFY(m_keepAlive->IsKeepAliveRunning());
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() > sent, kWaitMs);
    }

    void armingRestartsTheTurn()
    {
        SetKeepAlive(1, 1, 1);
        QVERIFY(SaveProfileObject("SmartKeepAlive", "Commands", CStringList({"A", "B", "C"})));
        // A remote operation that runs while the second command waits arms keep-alive again.
        m_fake->duringCommand = [this](int sent)
        {
            if (sent == 2)
                m_keepAlive->Arm();
        };
        m_keepAlive->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(m_fake->commands.size() >= 5, kWaitMs);
        QCOMPARE(m_fake->commands.mid(0, 5), QStringList({"A", "B", "A", "B", "C"}));
    }

    void disabledKeepAliveNeverArms()
    {
        SetKeepAlive(1, 1, 1);
        QVERIFY(WriteProfileInt("SmartKeepAlive", "EnableSKA", 0));
        m_keepAlive->Arm();
        QVERIFY(!m_keepAlive->IsKeepAliveRunning());
        // The default is off.
        QFile::remove(CDataFolder::SettingsFile());
        m_keepAlive->Arm();
        QVERIFY(!m_keepAlive->IsKeepAliveRunning());
    }

    void windowClosedDuringACommand()
    {
        SetKeepAlive(1, 1, 1);
        m_fake->duringCommand = [this](int) { m_keepAliveOwner.reset(); };
        m_keepAlive->Arm();
        QTRY_VERIFY_WITH_TIMEOUT(!m_keepAliveOwner, kWaitMs);
        QCOMPARE(m_fake->commands.size(), 1);
        QCOMPARE(m_fake->lines.size(), 1);
    }

    void reconnectsAfterADrop()
    {
        SetReconnect(true, 1);
        QVERIFY(m_keepAlive->IsUserDisconnected());
        m_keepAlive->OnConnected();
        QVERIFY(!m_keepAlive->IsUserDisconnected());
        m_keepAlive->OnDisconnected();
        QVERIFY(m_keepAlive->IsReconnectPending());
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, 1, kWaitMs);
        QVERIFY(!m_keepAlive->IsReconnectPending());
    }

    void noReconnectWithoutAnUnexpectedDrop_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("everConnected");
        QTest::addColumn<bool>("userDisconnected");
        QTest::newRow("user's disconnect") << true << true << true;
        QTest::newRow("never connected") << true << false << false;
        QTest::newRow("reconnect off") << false << true << false;
    }

    void noReconnectWithoutAnUnexpectedDrop()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, everConnected);
        QFETCH(bool, userDisconnected);
        SetReconnect(enabled, 0);
        if (everConnected)
            m_keepAlive->OnConnected();
        if (userDisconnected)
            m_keepAlive->OnUserDisconnect();
        m_keepAlive->OnDisconnected();
        QVERIFY(!m_keepAlive->IsReconnectPending());
        QTest::qWait(20);
        QCOMPARE(m_fake->reconnects, 0);
    }

    void userDisconnectCancelsAPendingReconnect()
    {
        // Ten real seconds: the test ends long before.
        m_keepAlive->SetSecondLength(1000);
        SetReconnect(true, 10);
        m_keepAlive->OnConnected();
        m_keepAlive->OnDisconnected();
        QVERIFY(m_keepAlive->IsReconnectPending());
        m_keepAlive->OnConnected();
        QVERIFY(!m_keepAlive->IsReconnectPending());
        m_keepAlive->OnDisconnected();
        QVERIFY(m_keepAlive->IsReconnectPending());
        m_keepAlive->OnUserDisconnect();
        QVERIFY(!m_keepAlive->IsReconnectPending());
        QCOMPARE(m_fake->reconnects, 0);
    }

    void aFailedReconnectIsNotRetried()
    {
        SetReconnect(true, 1);
        m_fake->reconnectSucceeds = false;
        // The session reports the connection down again while it tries.
        m_fake->duringReconnect = [this] { m_keepAlive->OnDisconnected(); };
        m_keepAlive->OnConnected();
        m_keepAlive->OnDisconnected();
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, 1, kWaitMs);
        QVERIFY(!m_keepAlive->IsReconnectPending());
        QTest::qWait(20);
        QCOMPARE(m_fake->reconnects, 1);

        // A later drop of a working connection is reconnected again.
        m_fake->duringReconnect = nullptr;
        m_keepAlive->OnConnected();
        m_keepAlive->OnDisconnected();
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->reconnects, 2, kWaitMs);
    }
};

QTEST_GUILESS_MAIN(TestSessionKeepAlive)
#include "tst_session_keepalive.moc"
