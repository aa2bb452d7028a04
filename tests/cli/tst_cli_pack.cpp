#include "CliRun.h"
#include "cli/TestRows.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{
bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Digest(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray("<missing>");
}
} // namespace

class TestCliPack : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

    Run Cli(const QStringList& args) { return RunCli(m_work.path(), args); }

private Q_SLOTS:
    // Each kind is written where -o says and named after the first path; a zip unpacks byte for byte.
    void packsEachKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("suffix");
        Row("zip", "zip", ".zip");
        Row("tar.gz", "targz", ".tar.gz");
        Row("cab", "cab", ".cab");
    }

    void packsEachKind()
    {
        QFETCH(QString, kind);
        QFETCH(QString, suffix);
        const QString source = m_work.filePath(QStringLiteral("報告"));
        QVERIFY(WriteFile(source + QStringLiteral("/a.txt"), "alpha\n"));
        QVERIFY(WriteFile(source + QStringLiteral("/sub/b.bin"), QByteArray(70000, '\x7f')));
        QVERIFY(WriteFile(m_work.filePath(QStringLiteral("two/b.bin")), "22"));
        const QString out = m_work.filePath(QStringLiteral("out-") + kind);
        QVERIFY(QDir().mkpath(out));
        const Run pack = Cli({"pack", kind, source, m_work.filePath(QStringLiteral("two")), "-o", out});
        QCOMPARE(pack.exitCode, 0);
        QCOMPARE(pack.out, out + QStringLiteral("/報告") + suffix + u'\n');
        QVERIFY(QFile::exists(pack.out.trimmed()));
        if (kind != QLatin1String("zip"))
            return;
        QCOMPARE(Cli({"unpack", pack.out.trimmed()}).exitCode, 0);
        for (const QString& file : {source + QStringLiteral("/sub/b.bin"), source + QStringLiteral("/a.txt")})
            QCOMPARE(Digest(out + QStringLiteral("/報告") + file), Digest(file));
    }

    void encryptedZipNeedsItsPassword()
    {
        QVERIFY(WriteFile(m_work.filePath(QStringLiteral("secret.txt")), "hidden words\n"));
        QProcess zip;
        zip.setWorkingDirectory(m_work.path());
        zip.start(QStringLiteral("zip"), {"-q", "-P", "right", "locked.zip", "secret.txt"});
        QVERIFY2(zip.waitForFinished(30000) && zip.exitCode() == 0, "the zip tool is needed for this test");
        const QString archive = m_work.filePath(QStringLiteral("locked.zip"));
        Run run = Cli({"unpack", archive});
        QVERIFY(run.exitCode == 1 && run.err.contains(QStringLiteral("--password")));
        run = Cli({"unpack", archive, "--password", "wrong"});
        QVERIFY(run.exitCode == 1 && !run.err.contains(QStringLiteral("wrong")));
        QVERIFY(!QFile::exists(m_work.filePath(QStringLiteral("locked/secret.txt"))));
        QCOMPARE(Cli({"unpack", archive, "--password", "right"}).exitCode, 0);
        QCOMPARE(Digest(m_work.filePath(QStringLiteral("locked/secret.txt"))),
                 Digest(m_work.filePath(QStringLiteral("secret.txt"))));
    }
};

QTEST_GUILESS_MAIN(TestCliPack)
#include "tst_cli_pack.moc"
