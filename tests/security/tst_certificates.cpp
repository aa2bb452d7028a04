#include "security/TrustedCertificates.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QByteArray kPem = "-----BEGIN CERTIFICATE-----\n"
                        "MIIBszCCAVmgAwIBAgIUQ2Vyd+/Ab2==\n"
                        "-----END CERTIFICATE-----\n";

QByteArray WithCrLf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

} // namespace

class TestCertificates : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QByteArray m_named;

    QString StoreFile() const { return m_home.filePath(QStringLiteral("certifates.xml")); }

private Q_SLOTS:
    void initTestCase()
    {
        // A certificate made out for ftp.example.test alone.
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                       "-subj", "/CN=ftp.example.test", "-days", "1", "-keyout", "/dev/null", "-out", "-"});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
        m_named = openssl.readAllStandardOutput();
    }

    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(StoreFile());
    }

    void addContainsRemove()
    {
        CTrustedCertificates store;
        QCOMPARE(store.FilePath(), StoreFile());
        QVERIFY(!store.Load());
        QVERIFY(store.Certificates().isEmpty());
        QVERIFY(!store.Contains(kPem));
        QVERIFY(store.Add(kPem) && store.Add("second") && store.Add("third"));
        // The same certificate whatever its line ends or case.
        QVERIFY(store.Contains(WithCrLf(kPem)));
        QVERIFY(store.Contains(kPem.toLower()));
        QVERIFY(!store.Contains(QByteArray(kPem).replace("Ab2", "Ab3")));
        QVERIFY(store.RemoveAt(1));
        QVERIFY(!store.RemoveAt(2));
        QVERIFY(!store.RemoveAt(-1));
        CTrustedCertificates reloaded;
        QVERIFY(reloaded.Load());
        QVERIFY(reloaded.Contains(WithCrLf(kPem)));
        // The reader trims each text's ends, so the PEM's final line break is not kept.
        QCOMPARE(reloaded.Certificates(), QList<QByteArray>({kPem.trimmed(), "third"}));
    }

    void storedTextReadsBackUnchanged()
    {
        const QByteArray odd = "line <one> & \"two\"\nthird 憑證";
        CTrustedCertificates store;
        QVERIFY(store.Add(kPem));
        QVERIFY(store.Add(odd));
        QFile file(StoreFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\"?>\r\n<TRUSTED Description=\"Zentrava Pro Trusted "
                                 "Certificates\" >\r\n\t<CERTIFICATE>-----BEGIN CERTIFICATE-----\n"));
        QVERIFY(bytes.contains("line &lt;one&gt; &amp; \"two\"\nthird &#230;&#134;&#145;&#232;&#173;&#137;"));
        CTrustedCertificates reloaded;
        QVERIFY(reloaded.Load());
        QCOMPARE(reloaded.Certificates(), QList<QByteArray>({kPem.trimmed(), odd}));
    }

    // An entry counts for the host and port it was accepted for, and for the hosts its certificate names;
    // one without a host (the older program's, an import) for those hosts only.
    void acceptsOnlyWhereItWasAcceptedOrNamed_data()
    {
        QTest::addColumn<QByteArray>("storedHost");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char* tag, const char* stored, const char* host, int port, bool accepted)
        { QTest::newRow(tag) << QByteArray(stored) << QByteArray(host) << port << accepted; };
        row("same host and port", "Files.LAN", "files.lan", 21, true);
        row("other port", "files.lan", "files.lan", 2121, false);
        row("other host", "files.lan", "127.0.0.1", 21, false);
        row("named host", "files.lan", "FTP.example.test", 990, true);
        row("no host, unnamed", "", "files.lan", 21, false);
        row("no host, named", "", "ftp.example.test", 21, true);
        row("quote in host", "a\" b=\"c", "a\" b=\"c", 21, false);
    }

    void acceptsOnlyWhereItWasAcceptedOrNamed()
    {
        QFETCH(QByteArray, storedHost);
        QFETCH(QByteArray, host);
        QFETCH(int, port);
        CTrustedCertificates store;
        QCOMPARE(storedHost.isEmpty() ? store.Add(m_named) : store.Add(m_named, storedHost, 21),
                 !storedHost.contains('"'));
        QFile file(StoreFile());
        file.open(QIODevice::ReadOnly);
        QCOMPARE(file.readAll().contains(
                     "\t<CERTIFICATE Host=\"files.lan\" Port=\"21\" >-----BEGIN CERTIFICATE-----"),
                 !storedHost.isEmpty() && !storedHost.contains('"'));
        CTrustedCertificates reloaded;
        reloaded.Load();
        QTEST(reloaded.Accepts(WithCrLf(m_named), host, quint16(port)), "accepted");
        QCOMPARE(reloaded.Contains(m_named), reloaded.Certificates().size() == 1);
        QVERIFY(!reloaded.Accepts(kPem, host, quint16(port)));
    }

    void anyRootNameLoadsItsCertificates()
    {
        QFile file(StoreFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?>\r\n<OTHER>\r\n\t<certificate>one</certificate>\r\n"
                   "\t<NOTE>skip</NOTE>\r\n\t<CERTIFICATE>two</CERTIFICATE>\r\n</OTHER>\r\n");
        file.close();
        CTrustedCertificates store;
        QVERIFY(store.Load());
        QCOMPARE(store.Certificates(), QList<QByteArray>({"one", "two"}));
    }
};

QTEST_GUILESS_MAIN(TestCertificates)
#include "tst_certificates.moc"
