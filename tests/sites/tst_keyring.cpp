#include "app/DataFolder.h"
#include "app/KeyringStore.h"
#include "app/Profile.h"
#include "platform/PrivateBus.h"
#include "sites/KeyringSwitch.h"
#include "sites/SiteList.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Every kind of stored password and where it lives: a site's (section empty) or a setting's.
struct StoredPassword
{
    QString section;
    QString key;
    QString password;
};

const QList<StoredPassword> kPasswords = {
    {{}, QStringLiteral("Work\\Nightly"), QStringLiteral("siteSecret1")},
    {QStringLiteral("Proxy"), QStringLiteral("ProxyPassword"), QStringLiteral("proxySecret2")},
    {QStringLiteral("SSH2"), QStringLiteral("Password"), QStringLiteral("sshSecret3")},
    {QStringLiteral("SSL"), QStringLiteral("Password"), QStringLiteral("sslSecret4")},
};

CFtpSite Site(const QString& name, const QString& password)
{
    CFtpSite site;
    site.Name = name;
    site.Address = QStringLiteral("127.0.0.1");
    site.Password = password;
    return site;
}

} // namespace

// A keyring of the test's own: gnome-keyring-daemon on a private session bus, its files and the program's
// home in a temporary folder, so no real keyring or settings are touched.
class KeyringTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
            qputenv(name, m_dir.filePath(QString::fromLatin1(name)).toUtf8());
        QVERIFY(QDir().mkpath(qEnvironmentVariable("XDG_RUNTIME_DIR")));
        qputenv("ZENTRAVA_HOME", m_dir.filePath(QStringLiteral("home")).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DISPLAY");
        QString error;
        QVERIFY2(m_bus.Start(&error), qPrintable(error));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.Address().toUtf8());
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                        {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                         QStringLiteral("--components=secrets")});
        QVERIFY2(m_keyring.waitForStarted(10000), qPrintable(m_keyring.errorString()));
        m_keyring.write("keyring-test-password");
        m_keyring.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(CKeyringStore::Available(), 20000);

        CSiteList sites;
        QVERIFY(sites.MakeFolderPath(QStringLiteral("Work")));
        QVERIFY(
            sites.StoreSite(Site(QStringLiteral("Nightly"), kPasswords[0].password), QStringLiteral("Work")));
        for (const StoredPassword& stored : kPasswords.mid(1))
            QVERIFY(WriteProfileString(stored.section, stored.key, stored.password));
        m_sitesBefore = TestFiles::ReadFile(sites.FilePath());
    }

    void cleanupTestCase()
    {
        m_keyring.kill();
        m_keyring.waitForFinished(5000);
    }

    void refusedWithoutKeyring()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           "unix:path=" + m_dir.filePath(QStringLiteral("no-bus")));
        const auto [code, out, err] =
            Cli({"settings", "set", "Security", "KeyringPasswords", "1"}, environment);
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QStringLiteral("keyring")), qPrintable(err));
        QCOMPARE(Cli({"settings", "get", "Security", "KeyringPasswords"}).out, QStringLiteral("0\n"));
        VerifyFilesHold(true);
        QCOMPARE(TestFiles::ReadFile(CSiteList().FilePath()), m_sitesBefore);
    }

    void movesIntoKeyringAndBack()
    {
        CSiteList sites;
        sites.LoadSites();
        QCOMPARE(SwitchKeyringPasswords(true, sites), QString());
        VerifyFilesHold(false);
        // Another program run reads them all from the keyring, and stores a new one there.
        VerifyReadBack();
        QCOMPARE(
            Cli({"sites", "add", "--name", "Later", "--address", "127.0.0.1", "--password", "laterSecret5"})
                .exitCode,
            0);
        QVERIFY(!Files().contains("laterSecret5"));
        QVERIFY(Cli({"sites", "show", "Later", "--show-password"}).out.contains("Password=laterSecret5"));

        QCOMPARE(Cli({"settings", "set", "Security", "KeyringPasswords", "0"}).exitCode, 0);
        VerifyFilesHold(true);
        QVERIFY(Files().contains("laterSecret5"));
        VerifyReadBack();
        QCOMPARE(CKeyringStore().Read(QStringLiteral("sites.xml")).status, CKeyringResult::Missing);
        QCOMPARE(CKeyringStore().Read(QStringLiteral("Proxy\\ProxyPassword")).status,
                 CKeyringResult::Missing);
    }

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    Run Cli(const QStringList& args,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ZENTRAVA_CLI), args);
        process.closeWriteChannel();
        if (!process.waitForFinished(90000))
        {
            process.kill();
            process.waitForFinished(5000);
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // sites.xml and the settings file together; no master password is set, so a password they hold is plain.
    QByteArray Files() const
    {
        return TestFiles::ReadFile(CSiteList().FilePath()) + TestFiles::ReadFile(CDataFolder::SettingsFile());
    }

    void VerifyFilesHold(bool held)
    {
        const QByteArray files = Files();
        for (const StoredPassword& stored : kPasswords)
            QVERIFY2(files.contains(stored.password.toUtf8()) == held, qPrintable(stored.key));
    }

    void VerifyReadBack()
    {
        for (const StoredPassword& stored : kPasswords)
        {
            const Run read = stored.section.isEmpty() ? Cli({"sites", "show", stored.key, "--show-password"})
                                                      : Cli({"settings", "get", stored.section, stored.key});
            QVERIFY2(read.out.contains(stored.password), qPrintable(stored.key + read.out + read.err));
        }
    }

    QTemporaryDir m_dir;
    CPrivateBus m_bus;
    QProcess m_keyring;
    QByteArray m_sitesBefore;
};

QTEST_GUILESS_MAIN(KeyringTest)
#include "tst_keyring.moc"
