#include "SessionTestSupport.h"

#include "app/StringList.h"

#include <QDir>
#include <csignal>

using namespace SessionTest;
using namespace TestFiles;

namespace
{
// A configured second lasts this long here.
constexpr int kSecondMs = 100;

// The processes the server forked for its connections.
QList<pid_t> Children(const QString& pid)
{
    QList<pid_t> children;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QByteArray& child : ReadFile(tasks.filePath(task + "/children")).split(' '))
            if (child.toInt() > 0)
                children << pid_t(child.toInt());
    return children;
}
} // namespace

class TestSessionReconnect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendsKeepAliveCommandsInTurn()
    {
        CTestServer* server = Harness::Require("proftpd");
        QVERIFY(server);
        CSessionFixture f;
        QVERIFY(WriteProfileInt("SmartKeepAlive", "EnableSKA", 1));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "StartSKA", 1));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "IntervalStart", 1));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "IntervalEnd", 1));
        QVERIFY(SaveProfileObject("SmartKeepAlive", "Commands", CStringList({"PWD", "SYST", "NOOP"})));
        CKeepAlive keepAlive(*f.session);
        keepAlive.SetSecondLength(kSecondMs);
        f.sink.keepAlive = &keepAlive;
        QVERIFY(f.session->Connect(Address("ftp", server->Port()), server->User(), server->Password()));
        keepAlive.Arm();
        QTRY_VERIFY_WITH_TIMEOUT(f.sink.lines.filter("0 傳送 ").size() >= 4, 20000);
        QCOMPARE(f.sink.lines.filter("0 傳送 ").mid(0, 4),
                 QStringList({"0 傳送 PWD...", "0 傳送 SYST...", "0 傳送 NOOP...", "0 傳送 PWD..."}));
        const QStringList replies = f.sink.lines.filter("0 FTP伺服器回應: ");
        QVERIFY(replies.size() >= 3);
        QVERIFY(replies.at(0).startsWith("0 FTP伺服器回應: 257 "));
        QVERIFY(replies.at(1).startsWith("0 FTP伺服器回應: 215 UNIX"));
        QVERIFY(replies.at(2).startsWith("0 FTP伺服器回應: 200 "));
        f.session->Disconnect();
    }

    void reconnectsAfterTheServerDropsTheConnection()
    {
        CTestServer* server = Harness::Require("proftpd");
        QVERIFY(server);
        CSessionFixture f;
        QVERIFY(WriteProfileInt("SmartKeepAlive", "Reconnect", 1));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "ReconnectTime", 1));
        CKeepAlive keepAlive(*f.session);
        keepAlive.SetSecondLength(kSecondMs);
        f.sink.keepAlive = &keepAlive;
        QVERIFY(f.session->Connect(Address("ftp", server->Port()), server->User(), server->Password()));
        QVERIFY(f.session->MakeFolder("kept"));
        QVERIFY(f.session->List("/kept", true));

        const QList<pid_t> sessions = Children(server->Value("PID"));
        QVERIFY(!sessions.isEmpty());
        for (pid_t pid : sessions)
            ::kill(pid, SIGKILL);
        // The drop shows at the next command.
        QVERIFY(!f.session->SendCommand("NOOP"));
        QTRY_COMPARE_WITH_TIMEOUT(f.sink.disconnects, 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(f.sink.connects, 2, 30000);
        QVERIFY(f.sink.Has("0 連線到：: 127.0.0.1 (第 1 / 3 次嘗試)"));
        QCOMPARE(f.session->CurrentFolder(), "/kept");
        QVERIFY(f.session->IsConnected());

        // The user's own Disconnect is never followed by a reconnect.
        keepAlive.OnUserDisconnect();
        f.session->Disconnect();
        QTRY_COMPARE_WITH_TIMEOUT(f.sink.disconnects, 2, 10000);
        QVERIFY(!keepAlive.IsReconnectPending());
        QTest::qWait(3 * kSecondMs);
        QCOMPARE(f.sink.connects, 2);

        // A listing finds the connection gone and reconnects first.
        f.session->SetAutoReconnect(true);
        QVERIFY(f.session->List("/", true));
        QCOMPARE(f.sink.connects, 3);
        QVERIFY(f.session->DeleteFolder("kept", false));
        f.session->SetAutoReconnect(false);
        keepAlive.OnUserDisconnect();
        f.session->Disconnect();
        QTRY_COMPARE_WITH_TIMEOUT(f.sink.disconnects, 3, 10000);
        QVERIFY(!f.session->List("/", true));
    }

    void reconnectsAnSftpSiteOverSftp()
    {
        CTestServer* server = Harness::Require("sshd");
        QVERIFY(server);
        CSessionFixture f;
        f.AcceptAll();
        QVERIFY(f.sites->StoreSite(
            Site("secure", server->Port(), server->User(), server->Password(), CFtpSite::ProtocolSftp)));
        QVERIFY(f.session->Connect("secure"));
        const QString root = f.session->RootFolder();
        QVERIFY(f.session->MakeFolder("again"));
        QVERIFY(f.session->List(root + "/again", true));
        f.sink.lines.clear();
        QVERIFY(f.session->Reconnect());
        QCOMPARE(f.session->Component().Target().protocol, FtpProtocol::Sftp);
        QCOMPARE(f.session->Component().Target().port, int(server->Port()));
        QVERIFY(f.sink.Has("0 遠端伺服器提供公開金鑰辨識"));
        QVERIFY(f.sink.lines.filter("2 USER").isEmpty());
        QCOMPARE(f.session->CurrentFolder(), root + "/again");
        QVERIFY(f.session->List(root, true));
        QVERIFY(f.session->DeleteFolder("again", false));
        f.session->Disconnect();
    }
};

QTEST_GUILESS_MAIN(TestSessionReconnect)
#include "tst_session_reconnect.moc"
