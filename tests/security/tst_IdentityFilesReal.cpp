#include "support/ServerTarget.h"
#include "security/IdentityFiles.h"

#include "engine/FtpComponent.h"
#include "engine/sftp/SftpClient.h"
#include "servers/TestServer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace
{
QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Append(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(content) == content.size();
}

// The authorized keys file the harness's sshd reads, from its configuration.
QString AuthorizedKeysFile(const CTestServer& sshd)
{
    const QByteArray config =
        ReadAll(sshd.Value(QStringLiteral("WORKDIR")) + QStringLiteral("/../sshd_config"));
    const QByteArray option = "AuthorizedKeysFile ";
    const qsizetype at = config.indexOf(option);
    if (at < 0)
        return {};
    const qsizetype begin = at + option.size();
    return QString::fromUtf8(config.mid(begin, config.indexOf('\n', at) - begin));
}
} // namespace

// Generated key pairs log in to OpenSSH, generated certificates pass proftpd's client certificate check.
class TestIdentityFilesReal : public QObject
{
    Q_OBJECT

private:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    IdentityFiles Certificate(const QString& name, const QByteArray& passphrase);
    // 0 when the FTPS log-in and a listing went through, else the failing code.
    int FtpsWithCertificate(const QString& certificate, const QString& key, const QByteArray& passphrase,
                            QString* text);

    QTemporaryDir m_dir;
    CTestServer m_sshd{QStringLiteral("sshd")};
    CTestServer m_proftpd{QStringLiteral("proftpd-clientcert")};
    QString m_authorizedKeys;

private Q_SLOTS:
    void initTestCase();
    void keyPairLogsInToOpenSsh_data();
    void keyPairLogsInToOpenSsh();
    void certificateIsAcceptedByProftpd_data();
    void certificateIsAcceptedByProftpd();
};

IdentityFiles TestIdentityFilesReal::Certificate(const QString& name, const QByteArray& passphrase)
{
    CertificateAnswers answers;
    answers.name = name;
    answers.outputFolder = Path(QStringLiteral("certificates"));
    answers.bits = 2048;
    answers.passphrase = passphrase;
    answers.subject.insert(CertificateField::CommonName, name);
    answers.subject.insert(CertificateField::Organisation, QStringLiteral("Zentrava tests"));
    return GenerateCertificate(answers);
}

void TestIdentityFilesReal::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(m_sshd.Start(&error), qPrintable(error));
    m_authorizedKeys = AuthorizedKeysFile(m_sshd);
    QVERIFY(QFile::exists(m_authorizedKeys));

    // proftpd trusts the first two certificates (one key with a pass phrase), never the third.
    const QByteArray secret = "client pass phrase";
    QByteArray trusted;
    for (const auto& [name, passphrase] :
         {std::pair{QStringLiteral("plain"), QByteArray()}, std::pair{QStringLiteral("protected"), secret},
          std::pair{QStringLiteral("stranger"), QByteArray()}})
    {
        const IdentityFiles files = Certificate(name, passphrase);
        QVERIFY2(files.Ok(), qPrintable(files.error));
        if (name != QLatin1String("stranger"))
            trusted += ReadAll(files.certificatePath);
    }
    const QString caFile = Path(QStringLiteral("trusted-clients.pem"));
    QFile ca(caFile);
    QVERIFY(ca.open(QIODevice::WriteOnly) && ca.write(trusted) == trusted.size());
    ca.close();
    qputenv("ZENTRAVA_CLIENT_CA", caFile.toUtf8());
    QVERIFY2(m_proftpd.Start(&error), qPrintable(error));
}

void TestIdentityFilesReal::keyPairLogsInToOpenSsh_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("passphrase");
    QTest::addColumn<bool>("authorized");
    QTest::newRow("RSA 2048") << 2048 << QByteArray() << true;
    QTest::newRow("RSA 2048 with a pass phrase") << 2048 << QByteArray("key pass phrase") << true;
    QTest::newRow("RSA 4096 with a pass phrase") << 4096 << QByteArray("ünïcode pässphrase") << true;
    QTest::newRow("RSA 2048 not authorized") << 2048 << QByteArray() << false;
}

void TestIdentityFilesReal::keyPairLogsInToOpenSsh()
{
    QFETCH(int, bits);
    QFETCH(QByteArray, passphrase);
    QFETCH(bool, authorized);
    KeyPairAnswers answers;
    answers.type = KeyAlgorithm::Rsa;
    answers.bits = bits;
    answers.passphrase = passphrase;
    answers.privateKeyPath = Path(QStringLiteral("ssh/%1/identity.key").arg(QTest::currentDataTag()));
    answers.publicKeyPath = Path(QStringLiteral("ssh/%1/identity.pub").arg(QTest::currentDataTag()));
    const IdentityFiles files = GenerateKeyPair(answers);
    QVERIFY2(files.Ok(), qPrintable(files.error));
    // identity.pub goes into the server as it is, comment and all.
    if (authorized)
        QVERIFY(Append(m_authorizedKeys, ReadAll(files.publicKeyPath)));

    auto key = std::make_shared<CKeyCertificate>();
    const FtpResult loaded = key->LoadPrivateKey(files.privateKeyPath, passphrase);
    QVERIFY2(loaded.Ok(), qPrintable(loaded.message));
    SftpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = m_sshd.Port();
    options.user = m_sshd.User().toUtf8();
    options.authentication = SftpAuthentication::KeyOnly;
    options.key = key;
    options.timeoutMs = 20000;
    CSftpClient client;
    client.SetHostKeyHook([](const SshHostKey&) { return true; });
    const FtpResult connected = client.Connect(options);
    QVERIFY2(connected.Ok() == authorized, qPrintable(connected.message));
    if (authorized)
        QVERIFY(client.Noop().Ok());
}

int TestIdentityFilesReal::FtpsWithCertificate(const QString& certificate, const QString& key,
                                               const QByteArray& passphrase, QString* text)
{
    CConnectionTarget target = ServerTarget(m_proftpd, FtpProtocol::ExplicitTls, 20000);
    if (!certificate.isEmpty())
    {
        target.authentication = FtpAuthentication::Key;
        target.certificateFile = certificate;
        target.keyFile = key;
        target.keyPassphrase = passphrase;
    }
    CFtpComponent ftp;
    ftp.SetTarget(target);
    QObject::connect(&ftp, &CFtpComponent::HostCertificate, &ftp,
                     [](const ServerCertificate&, int, const QString&, bool& accept) { accept = true; });
    QSignalSpy connected(&ftp, &CFtpComponent::Connected);
    QSignalSpy done(&ftp, &CFtpComponent::Done);
    ftp.SetBlocking(true);
    ftp.Connect();
    if (connected.size() != 1 || connected[0][0].toInt() != 0)
    {
        *text = connected.isEmpty() ? QStringLiteral("no Connected event") : connected[0][1].toString();
        return connected.isEmpty() ? -1 : connected[0][0].toInt();
    }
    ftp.List();
    const int listed = done.isEmpty() ? -1 : done[0][0].toInt();
    *text = done.isEmpty() ? QStringLiteral("no Done event") : done[0][1].toString();
    ftp.Disconnect();
    return listed;
}

void TestIdentityFilesReal::certificateIsAcceptedByProftpd_data()
{
    QTest::addColumn<QString>("name"); // empty: no client certificate
    QTest::addColumn<QByteArray>("passphrase");
    QTest::addColumn<int>("code"); // refusals end the TLS handshake, before any password
    QTest::newRow("trusted, plain key") << "plain" << QByteArray() << 0;
    QTest::newRow("trusted, key with a pass phrase") << "protected" << QByteArray("client pass phrase") << 0;
    QTest::newRow("not trusted") << "stranger" << QByteArray() << int(FtpErrorNetwork);
    QTest::newRow("no certificate") << QString() << QByteArray() << int(FtpErrorNetwork);
}

void TestIdentityFilesReal::certificateIsAcceptedByProftpd()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, passphrase);
    QFETCH(int, code);
    const QString folder = Path(QStringLiteral("certificates/"));
    QString text;
    const int result = name.isEmpty()
                           ? FtpsWithCertificate({}, {}, {}, &text)
                           : FtpsWithCertificate(folder + name + QStringLiteral(".crt"),
                                                 folder + name + QStringLiteral(".key"), passphrase, &text);
    QVERIFY2(result == code, qPrintable(QStringLiteral("%1: %2").arg(result).arg(text)));
}

QTEST_GUILESS_MAIN(TestIdentityFilesReal)
#include "tst_IdentityFilesReal.moc"
