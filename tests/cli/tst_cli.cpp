#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestCli : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    Run Cli(const QStringList& args) { return RunCli(m_home->path(), args); }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
    }

    void sitesAddListAndShow()
    {
        QFile secret(m_home->filePath(QStringLiteral("pw.txt")));
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("s3cr&t\r\nnot this line\n") &&
                secret.flush());
        Run run = Cli({"sites", "add", "--name", "Nightly", "--address", "ftp.example.org", "--login", "bob",
                       "--password-file", secret.fileName(), "--protocol", "3"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("stored Nightly\n"));
        // A missing folder is made, level by level.
        QCOMPARE(Cli({"sites", "add", "--name", "夜間", "--address", "h", "--folder", "No\\Such"}).out,
                 QStringLiteral("stored No\\Such\\夜間\n"));
        QCOMPARE(Cli({"sites", "list"}).out, QStringLiteral("Nightly\nNo\\Such\\夜間\n"));

        run = Cli({"sites", "show", "NIGHTLY"});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 15);
        QCOMPARE(lines.first(), QStringLiteral("Address=ftp.example.org"));
        for (const char* line : {"Password=******", "Port=22", "Retries=3", "ClearDataChannel=0"})
            QVERIFY2(lines.contains(QLatin1String(line)), line);
        QVERIFY(!run.out.contains(QStringLiteral("s3cr&t")));
        QVERIFY(Cli({"sites", "show", "Nightly", "--show-password"})
                    .out.contains(QStringLiteral("Password=s3cr&t\n")));
        run = Cli({"sites", "show", "Missing"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QStringLiteral("Missing")));
    }

    void sitesRefusesBadInput_data()
    {
        QTest::addColumn<QStringList>("args");
        const QStringList add{"sites", "add", "--name", "a", "--address", "h"};
        QTest::newRow("no name") << QStringList{"sites", "add", "--address", "h"};
        QTest::newRow("port not a number") << add + QStringList{"--port", "x"};
        QTest::newRow("port out of range") << add + QStringList{"--port", "70000"};
        QTest::newRow("protocol out of range") << add + QStringList{"--protocol", "4"};
        QTest::newRow("unknown option") << add + QStringList{"--bogus", "1"};
        QTest::newRow("option without value") << QStringList{"sites", "add", "--name"};
        QTest::newRow("empty folder name") << add + QStringList{"--folder", "A\\\\B"};
        QTest::newRow("unknown verb") << QStringList{"sites", "remove", "a"};
        QTest::newRow("unknown command") << QStringList{"fly"};
        QTest::newRow("no command") << QStringList{};
    }

    void sitesRefusesBadInput()
    {
        QFETCH(QStringList, args);
        const Run run = Cli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
        QCOMPARE(Cli({"sites", "list"}).out, QString());
    }

    void damagedFilesSurviveBesideTheNewOnes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("sites add") << "sites.xml" << QByteArray("\x01 garbage <SITES><SITE name=\"Old\">")
                                   << QStringList{"sites", "add", "--name", "New", "--address", "h"} << 0;
        QTest::newRow("settings") << "Zentrava Pro 3.1.ini" << QByteArray("[Settings\nDataMode=2\n")
                                  << QStringList{"settings", "get", "Settings", "DataMode"} << 1;
    }

    void damagedFilesSurviveBesideTheNewOnes()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFile damaged(m_home->filePath(file));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(bytes) == bytes.size() &&
                damaged.flush());
        const Run run = Cli(args);
        QCOMPARE(run.exitCode, exitCode);
        const QStringList aside = QDir(m_home->path()).entryList({file + QStringLiteral(".damaged-*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(run.err.contains(damaged.fileName()) && run.err.contains(m_home->filePath(aside[0])));
        QFile kept(m_home->filePath(aside[0]));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
    }

    void settingsAreTypedByTheTable()
    {
        QCOMPARE(Cli({"settings", "get", "Settings", "DataMode"}).out, QStringLiteral("1\n"));
        QCOMPARE(Cli({"settings", "set", "settings", "datamode", "2"}).exitCode, 0);
        QCOMPARE(Cli({"settings", "set", "Settings", "DataMode", "fast"}).exitCode, 2);
        QCOMPARE(Cli({"settings", "get", "Settings", "DataMode"}).out, QStringLiteral("2\n"));
        QCOMPARE(Cli({"settings", "set", "Settings", "LastSite", "Work\\夜間"}).exitCode, 0);
        QCOMPARE(Cli({"settings", "get", "Settings", "LastSite"}).out, QStringLiteral("Work\\夜間\n"));
        QCOMPARE(Cli({"settings", "set", "Filter", "Mask", "*.txt", "*.doc"}).exitCode, 0);
        QCOMPARE(Cli({"settings", "get", "Filter", "Mask"}).out, QStringLiteral("*.txt\n*.doc\n"));
        // Nothing is written outside the home folder given.
        QVERIFY(QFile::exists(m_home->filePath(QStringLiteral("Zentrava Pro 3.1.ini"))));
        Run run = Cli({"settings", "get", "Settings", "NoSuchKey"});
        QVERIFY(run.exitCode == 2 && run.err.contains(QStringLiteral("NoSuchKey")));
        run = Cli({"settings", "get", "Nowhere", "DataMode"});
        QVERIFY(run.exitCode == 2 && run.err.contains(QStringLiteral("Nowhere")));
        QCOMPARE(Cli({"settings", "get", "Settings"}).exitCode, 2);
        QProcess process;
        process.start(QStringLiteral(ZENTRAVA_CLI), {QStringLiteral("--home")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
