#include "SessionTestSupport.h"

#include "engine/FakeFtpServer.h"

#include <QDir>
#include <QProcess>

#include <csignal>

using namespace SessionTest;
using namespace TestFiles;

namespace
{
// A configured second lasts this long in the keep-alive tests.
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

QStringList Listed(const char* folder)
{
    return {QStringLiteral("0 接收目錄清單 \"%1\"...").arg(folder),
            QStringLiteral("0 \"%1\" 目錄清單已接收完成").arg(folder)};
}
} // namespace

class TestSessionOperations : public QObject
{
    Q_OBJECT

private:
    bool Upload(CFtpSession& session, const QString& remote)
    {
        const QString local = m_local.filePath("upload.txt");
        session.Component().Upload(local, remote);
        return session.WaitDone() && session.ResultCode() == 0;
    }

    // Runs zentrava-cli shell -b with the script against the harness's proftpd; gives the exit code.
    int RunShell(const QStringList& script, const QStringList& options = {})
    {
        CTestServer* server = Harness::Server("proftpd");
        if (!server || !WriteFile(m_local.filePath("script"), script.join(u'\n').toUtf8() + '\n') ||
            !WriteFile(m_local.filePath("password"), server->Password().toUtf8() + "\n"))
            return -1;
        QProcess cli;
        cli.start(ZENTRAVA_CLI, QStringList{"--home", m_local.filePath("home"), "shell",
                                            QStringLiteral("ftp://%1@127.0.0.1:%2").arg(server->User()).arg(server->Port()),
                                            "--password-file", m_local.filePath("password"), "-b",
                                            m_local.filePath("script")} +
                                    options);
        if (!cli.waitForFinished(120000))
            return -2;
        m_out = cli.readAllStandardOutput();
        m_err = cli.readAllStandardError();
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -3;
    }

    QTemporaryDir m_local;
    QByteArray m_out, m_err;

private Q_SLOTS:
    void initTestCase() { QVERIFY(WriteFile(m_local.filePath("upload.txt"), "content\n")); }

    void worksOnARemoteTree()
    {
        CSessionFixture f;
        QVERIFY(f.ConnectTo("proftpd"));
        CFtpSession& s = *f.session;
        s.Stop(); // a stop that ended an earlier call must not fail the operations after it
        QVERIFY(s.MakeFolder("tree") && s.MakeFolder("tree/sub"));
        QVERIFY(Upload(s, "/tree/sub/a.txt") && Upload(s, "/tree/b.txt"));
        QVERIFY(s.List("/tree/", true));
        QCOMPARE(s.CurrentFolder(), "/tree");
        QVERIFY(s.Rename("b.txt", "c.txt"));
        QVERIFY(s.Move("/tree/c.txt", "/tree/sub/c.txt"));
        QVERIFY(s.List("/tree/sub", true));
        QVERIFY(s.ChangePermissions(s.ListModel().FindRow("a.txt"), 0x751));
        QVERIFY(s.List("/tree/sub", true, true));
        QVERIFY(s.DeleteFile("c.txt"));
        QVERIFY(!s.DeleteFile(".."));
        QVERIFY(s.GoBack());
        QCOMPARE(s.CurrentFolder(), "/tree");
        QCOMPARE(s.BackHistory().Folders(), QStringList({"/tree"}));
        QCOMPARE(s.FolderBar().Folders(), QStringList({"/tree"}));
        QVERIFY(s.List("/", true));
        QVERIFY(s.DeleteFolder("tree", true));
        QVERIFY(s.List("/", true));
        QVERIFY(!f.Names().contains("tree") && !f.Names().contains(".."));

        const QStringList expected =
            QStringList{"0 \u3000新增資料夾 \"/tree\"", "0 \"/tree\" 資料夾已建立",
                        "0 \u3000新增資料夾 \"/tree/sub\"", "0 \"/tree/sub\" 資料夾已建立"} +
            Listed("/tree") +
            QStringList{"0 重新命名 \"/tree/b.txt\" 為 \"/tree/c.txt\"", "0 \"/tree/b.txt\" 重新命名完成",
                        "0 搬移 \"/tree/c.txt\" 至 \"/tree/sub/c.txt\"", "0 \"/tree/c.txt\" 已搬移"} +
            Listed("/tree/sub") +
            QStringList{"0 傳送 SITE CHMOD 751 a.txt...",
                        "0 FTP伺服器回應： 200 SITE CHMOD command successful"} +
            Listed("/tree/sub") +
            QStringList{"0 刪除檔案 \"/tree/sub/c.txt\"", "0 \"/tree/sub/c.txt\" 已刪除"} + Listed("/tree") +
            Listed("/") + QStringList{"0 \"/tree\" 已刪除！", "0 \"/tree\" 已刪除！"} + Listed("/");
        const QStringList logged = f.sink.Levels("03");
        const qsizetype start = logged.indexOf(expected.first());
        QVERIFY(start >= 0);
        QCOMPARE(logged.mid(start, expected.size()), expected);
        // The raw listing lines go to the log as replies.
        QVERIFY(!f.sink.lines.filter(QRegularExpression("^1 .*a\\.txt\\.$")).isEmpty());
    }

    void reportsFailedOperations()
    {
        CSessionFixture f;
        CFtpSession& s = *f.session;
        QVERIFY(!s.DeleteFile("x"));
        QCOMPARE(f.sink.lines, QStringList({"3 尚未連線"}));
        QVERIFY(f.ConnectTo("proftpd"));
        f.sink.lines.clear();
        QVERIFY(!s.DeleteFile("missing"));
        QVERIFY(!s.DeleteFolder("missing", false));
        QVERIFY(!s.Rename("missing", "other"));
        QVERIFY(!s.Move("/missing", "/other"));
        QVERIFY(s.MakeFolder("twice"));
        QVERIFY(!s.MakeFolder("twice"));
        QVERIFY(!s.ChangeFolder("/missing"));
        QVERIFY(s.DeleteFolder("twice", false));
        QStringList errors = f.sink.Levels("3");
        QVERIFY(errors.size() == 7 && errors.takeAt(4).contains("twice"));
        QCOMPARE(errors,
                 QStringList({"3 刪除檔案： \"/missing\"　發生錯誤", "3 刪除資料夾： \"/missing\"　發生錯誤",
                              "3 重新命名: \"/missing\"　發生錯誤", "3 搬移 \"/missing\"　發生錯誤！",
                              "3 新增資料夾 \"/twice\"　發生錯誤", "3 開啟資料夾： \"/missing\"　發生錯誤"}));
        QVERIFY(f.sink.Has("0 變更資料夾\"/missing\""));
        QVERIFY(s.SendCustomCommand("SITE CHMOD 777 nothing-here"));
        QVERIFY(f.sink.Has("0 傳送自訂指令： SITE CHMOD 777 nothing-here..."));
        QVERIFY(f.sink.lines.last().startsWith("0 FTP伺服器回應： 550"));
    }

    void fallsBackToActiveListing_data()
    {
        Columns<int, bool>({"dataMode", "fallsBack"});
        Row("mode 3 falls back", 3, true);
        Row("mode 2 fails at once", 2, false);
    }

    void fallsBackToActiveListing()
    {
        QFETCH(int, dataMode);
        QFETCH(bool, fallsBack);
        CFakeFtpServer fake;
        fake.On("PASV", "421 Passive mode refused\r\n");
        fake.On("EPSV", "421 Passive mode refused\r\n");
        const QByteArray listing = "-rw-r--r--   1 u  g   5 Jan 01  2020 x.txt\r\n"
                                   "drwxr-x--x   2 u  g   0 Jan 01  2020 dir\r\n";
        fake.On("LIST", {FakeResponse{"150 Here\r\n", FakeResponse::Data::Send, listing, "226 Done\r\n"}});
        QString error;
        QVERIFY2(fake.Start(&error), qPrintable(error));
        CSessionFixture f;
        CFtpSite site = Site("fake", fake.Port(), "u", "p");
        site.Retries = 1;
        site.DataMode = dataMode;
        QVERIFY(f.sites.StoreSite(site));
        QVERIFY(f.session->Connect("fake"));
        QVERIFY(f.session->List("/pub/", true));
        QCOMPARE(f.sink.Has("0 PASV 模式連線失敗 -> 切換到 PORT 模式"), fallsBack);
        QCOMPARE(f.Names(), fallsBack ? QStringList({"..", "dir", "x.txt"}) : QStringList({".."}));
        QCOMPARE(f.sink.lines.filter("目錄清單已接收完成"),
                 fallsBack ? QStringList({"0 \"/pub\" 目錄清單已接收完成"}) : QStringList());
        if (fallsBack)
            QCOMPARE(f.session->ListModel().Item(1).permissionBits, 0x751);
        else
            QVERIFY(!f.sink.Levels("3").isEmpty() && f.sink.Levels("3").last().endsWith(u'.'));
        QVERIFY(!f.session->IsListing());
        QVERIFY(!f.ui.IsBusyShown());
    }

    void logsADataTimeoutWithoutErrorText()
    {
        CFakeFtpServer fake;
        fake.On("LIST", {FakeResponse{"150 Here\r\n", FakeResponse::Data::Stall, {}, "226 Done\r\n"}});
        QString error;
        QVERIFY2(fake.Start(&error), qPrintable(error));
        CSessionFixture f;
        QVERIFY(WriteProfileInt("Settings", "ConnectionTimeout", 1));
        QVERIFY(f.session->Connect(Address("ftp", fake.Port()), "u", "p"));
        QVERIFY(f.session->List("/", true));
        QCOMPARE(f.sink.Levels("3"), QStringList({"3 Data 連線逾時."}));
        QVERIFY(!f.session->IsListing());
    }

    void reconnectsAfterTheServerDropsTheConnection()
    {
        CSessionFixture f;
        QVERIFY(WriteProfileInt("SmartKeepAlive", "Reconnect", 1));
        QVERIFY(WriteProfileInt("SmartKeepAlive", "ReconnectTime", 1));
        CKeepAlive keepAlive(*f.session);
        keepAlive.SetSecondLength(kSecondMs);
        f.sink.keepAlive = &keepAlive;
        QVERIFY(f.ConnectTo("proftpd"));
        QVERIFY(f.session->MakeFolder("kept"));
        QVERIFY(f.session->List("/kept", true));
        const QList<pid_t> sessions = Children(Harness::Server("proftpd")->Value("PID"));
        QVERIFY(!sessions.isEmpty());
        for (pid_t pid : sessions)
            ::kill(pid, SIGKILL);
        QVERIFY(!f.session->SendCommand("NOOP")); // the drop shows at the next command
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

    void shellRunsAScript()
    {
        QVERIFY(Harness::Require("proftpd"));
        QCOMPARE(RunShell({"mkdir shelltest", "cd shelltest", "put " + m_local.filePath("upload.txt") + " a.txt",
                           "chmod 751 a.txt", "ls", "rename a.txt b.txt", "mkdir sub", "mv b.txt sub/b.txt",
                           "cd sub", "pwd", "get b.txt " + m_local.filePath("back.txt"), "back", "history",
                           "quote NOOP", "cd ..", "rmdir -r shelltest", "quit", "mkdir never"},
                          {"-v"}),
                 0);
        const QStringList out = QString::fromUtf8(m_out).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(!out.filter(QRegularExpression("^-rwxr-x--x +8 .* a\\.txt$")).isEmpty(), m_out.constData());
        QVERIFY(out.contains("/shelltest/sub") && out.contains("/shelltest"));
        QVERIFY(!out.filter(QRegularExpression("^200 ")).isEmpty());
        QCOMPARE(ReadFile(m_local.filePath("back.txt")), QByteArray("content\n"));
        // -v shows the session log, every line with its thread; the password never.
        const QRegularExpression tagged("^\\[\\d+\\] 接收目錄清單", QRegularExpression::MultilineOption);
        QVERIFY(tagged.match(QString::fromUtf8(m_err)).hasMatch());
        QVERIFY(m_err.contains("\"/shelltest\" 已刪除！") && !m_err.contains("never"));
        QVERIFY(!m_err.contains(Harness::Server("proftpd")->Password().toUtf8()));
    }

    void shellStopsAtTheFirstFailure()
    {
        QVERIFY(Harness::Require("proftpd"));
        QCOMPARE(RunShell({"pwd", "cd /nowhere", "mkdir never"}), 1);
        QCOMPARE(m_out, QByteArray("/\n"));
        QVERIFY(m_err.contains("開啟資料夾： \"/nowhere\""));
        QCOMPARE(RunShell({"frobnicate"}), 1);
        QVERIFY(m_err.contains("not understood: frobnicate"));
    }
};

QTEST_GUILESS_MAIN(TestSessionOperations)
#include "tst_session_operations.moc"
