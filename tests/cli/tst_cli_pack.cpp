#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run Cli(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(ZENTRAVA_CLI), args);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(process.readAllStandardError())};
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestCliPack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void packAndUnpackZip()
    {
        QTemporaryDir work;
        const QString source = work.filePath(QStringLiteral("報告"));
        WriteFile(source + QStringLiteral("/a.txt"), "alpha\n");
        WriteFile(source + QStringLiteral("/sub/b.bin"), QByteArray(70000, '\x7f'));
        const QString out = work.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));

        const Run pack = Cli({"pack", "zip", source, "-o", out});
        QCOMPARE(pack.exitCode, 0);
        QCOMPARE(pack.out, out + QStringLiteral("/報告.zip"));
        QVERIFY(QFile::exists(pack.out));

        // Unpacking beside the archive recreates the files byte for byte.
        const Run unpack = Cli({"unpack", pack.out});
        QCOMPARE(unpack.exitCode, 0);
        const QString extracted = out + QStringLiteral("/報告") + source;
        QCOMPARE(Digest(extracted + QStringLiteral("/sub/b.bin")),
                 Digest(source + QStringLiteral("/sub/b.bin")));
        QCOMPARE(Digest(extracted + QStringLiteral("/a.txt")), Digest(source + QStringLiteral("/a.txt")));
    }

    void packTarGzAndCab()
    {
        QTemporaryDir work;
        WriteFile(work.filePath(QStringLiteral("one/readme.txt")), "1");
        WriteFile(work.filePath(QStringLiteral("two/readme.txt")), "22");
        for (const char* kind : {"targz", "cab"})
        {
            const Run run = Cli({"pack", kind, work.filePath(QStringLiteral("one")),
                                 work.filePath(QStringLiteral("two")), "-o", work.path()});
            QCOMPARE(run.exitCode, 0);
            QVERIFY2(QFile::exists(run.out), qPrintable(run.out));
            QVERIFY(run.out.endsWith(QLatin1String(qstrcmp(kind, "cab") == 0 ? ".cab" : ".tar.gz")));
        }
    }

    void encryptedZipNeedsItsPassword()
    {
        QTemporaryDir work;
        WriteFile(work.filePath(QStringLiteral("secret.txt")), "hidden words\n");
        QProcess zip;
        zip.setWorkingDirectory(work.path());
        zip.start(QStringLiteral("zip"), {"-q", "-P", "right", "locked.zip", "secret.txt"});
        QVERIFY2(zip.waitForFinished(30000) && zip.exitCode() == 0, "the zip tool is needed for this test");
        const QString archive = work.filePath(QStringLiteral("locked.zip"));

        Run run = Cli({"unpack", archive});
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.err.contains(QStringLiteral("--password")));
        run = Cli({"unpack", archive, "--password", "wrong"});
        QVERIFY(run.exitCode != 0);
        QVERIFY(!run.err.contains(QStringLiteral("wrong")));
        QVERIFY(!QFile::exists(work.filePath(QStringLiteral("locked/secret.txt"))));
        run = Cli({"unpack", archive, "--password", "right"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(Digest(work.filePath(QStringLiteral("locked/secret.txt"))),
                 Digest(work.filePath(QStringLiteral("secret.txt"))));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no kind") << QStringList{"pack"} << 2;
        QTest::newRow("unknown kind") << QStringList{"pack", "rar", "/tmp"} << 2;
        QTest::newRow("no paths") << QStringList{"pack", "zip"} << 2;
        QTest::newRow("missing path") << QStringList{"pack", "zip", "/no/such/path"} << 1;
        QTest::newRow("missing output folder")
            << QStringList{"pack", "zip", "/tmp", "-o", "/no/such/dir"} << 1;
        QTest::newRow("unpack without archive") << QStringList{"unpack"} << 2;
        QTest::newRow("unpack a non-zip") << QStringList{"unpack", "/etc/hostname"} << 1;
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const Run run = Cli(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliPack)
#include "tst_cli_pack.moc"
