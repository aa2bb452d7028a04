#include "security/TrustedCertificates.h"

#include <QFile>
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

    QString StoreFile() const { return m_home.filePath(QStringLiteral("certifates.xml")); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        QFile::remove(StoreFile());
    }

    void missingFileLeavesTheStoreEmpty()
    {
        CTrustedCertificates store;
        QCOMPARE(store.FilePath(), StoreFile());
        QVERIFY(!store.Load());
        QVERIFY(store.Certificates().isEmpty());
        QVERIFY(!store.Contains(kPem));
    }

    void sameCertificateWhateverTheLineEndsOrCase()
    {
        CTrustedCertificates store;
        QVERIFY(store.Add(kPem));
        QVERIFY(store.Contains(kPem));
        QVERIFY(store.Contains(WithCrLf(kPem)));
        QVERIFY(store.Contains(kPem.toLower()));
        QVERIFY(!store.Contains(QByteArray(kPem).replace("Ab2", "Ab3")));
        CTrustedCertificates reloaded;
        QVERIFY(reloaded.Load());
        QVERIFY(reloaded.Contains(WithCrLf(kPem)));
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
        // The reader trims each text's ends, so the PEM's final line break is not kept.
        QCOMPARE(reloaded.Certificates(), QList<QByteArray>({kPem.trimmed(), odd}));
    }

    void removingKeepsTheOrder()
    {
        CTrustedCertificates store;
        QVERIFY(store.Add("first"));
        QVERIFY(store.Add("second"));
        QVERIFY(store.Add("third"));
        QVERIFY(store.RemoveAt(1));
        QVERIFY(!store.RemoveAt(2));
        QVERIFY(!store.RemoveAt(-1));
        QCOMPARE(store.Certificates(), QList<QByteArray>({"first", "third"}));
        CTrustedCertificates reloaded;
        QVERIFY(reloaded.Load());
        QCOMPARE(reloaded.Certificates(), QList<QByteArray>({"first", "third"}));
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
