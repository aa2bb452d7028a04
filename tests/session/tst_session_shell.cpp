#include "servers/Harness.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// zentrava-cli shell -b against a real server.
class TestSessionShell : public QObject
{
    Q_OBJECT

private:
    // Runs the shell with the script; gives the exit code.
    int Run(const QStringList& script, const QStringList& options = {})
    {
        if (!WriteFile(m_dir.filePath("script"), script.join(u'\n').toUtf8() + '\n'))
            return -1;
        QProcess cli;
        const QString target =
            QStringLiteral("ftp://%1@127.0.0.1:%2").arg(m_server->User()).arg(m_server->Port());
        cli.start(ZENTRAVA_CLI,
                  QStringList{"--home", m_dir.filePath("home"), "shell", target, "--password-file",
                              m_dir.filePath("password"), "-b", m_dir.filePath("script")} +
                      options);
        if (!cli.waitForFinished(120000))
            return -2;
        m_out = cli.readAllStandardOutput();
        m_err = cli.readAllStandardError();
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -3;
    }

    CTestServer* m_server = nullptr;
    QTemporaryDir m_dir;
    QByteArray m_out, m_err;

private Q_SLOTS:
    void initTestCase()
    {
        m_server = Harness::Require("proftpd");
        QVERIFY(m_server);
        QVERIFY(WriteFile(m_dir.filePath("password"), m_server->Password().toUtf8() + "\n"));
        QVERIFY(WriteFile(m_dir.filePath("local.txt"), "shell content\n"));
    }

    void runsAScript()
    {
        QCOMPARE(Run({"mkdir shelltest", "cd shelltest", "put " + m_dir.filePath("local.txt") + " a.txt",
                      "chmod 751 a.txt", "ls", "rename a.txt b.txt", "mkdir sub", "mv b.txt sub/b.txt",
                      "cd sub", "pwd", "get b.txt " + m_dir.filePath("back.txt"), "back", "history",
                      "quote NOOP", "cd ..", "rmdir -r shelltest", "quit", "mkdir never"},
                     {"-v"}),
                 0);
        const QStringList out = QString::fromUtf8(m_out).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(!out.filter(QRegularExpression("^-rwxr-x--x +14 .* a\\.txt$")).isEmpty(), m_out.constData());
        QVERIFY(out.contains("/shelltest/sub") && out.contains("/shelltest"));
        QVERIFY(!out.filter(QRegularExpression("^200 ")).isEmpty());
        QCOMPARE(ReadFile(m_dir.filePath("back.txt")), QByteArray("shell content\n"));
        // -v shows the session log, every line with its thread; the password never.
        const QRegularExpression tagged("^\\[\\d+\\] 接收目錄清單", QRegularExpression::MultilineOption);
        QVERIFY(tagged.match(QString::fromUtf8(m_err)).hasMatch());
        QVERIFY(m_err.contains("\"/shelltest\" 已刪除！") && !m_err.contains("never"));
        QVERIFY(!m_err.contains(m_server->Password().toUtf8()));
    }

    void stopsAtTheFirstFailure()
    {
        QCOMPARE(Run({"pwd", "cd /nowhere", "mkdir never"}), 1);
        QCOMPARE(m_out, QByteArray("/\n"));
        QVERIFY(m_err.contains("開啟資料夾： \"/nowhere\""));
        QCOMPARE(Run({"frobnicate"}), 1);
        QVERIFY(m_err.contains("not understood: frobnicate"));
    }
};

QTEST_GUILESS_MAIN(TestSessionShell)
#include "tst_session_shell.moc"
