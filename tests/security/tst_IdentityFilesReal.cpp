#include "SecurityTestSupport.h"

#include "security/IdentityFiles.h"
#include "support/ServerTarget.h"

#include "engine/FtpComponent.h"
#include "engine/sftp/SftpClient.h"
#include "servers/Harness.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

namespace
{
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

// 0 when the FTPS log-in and a listing went through, else the failing code; text says why.
int FtpsWithCertificate(const CTestServer& server, const QString& certificate, const QString& key,
                        const QByteArray& passphrase, QString* text)
{
    CConnectionTarget target = ServerTarget(server, FtpProtocol::ExplicitTls, 20000);
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
    *text = done.isEmpty() ? QStringLiteral("no Done event") : done[0][1].toString();
    ftp.Disconnect();
    return done.isEmpty() ? -1 : done[0][0].toInt();
}
} // namespace

// Generated key pairs log in to OpenSSH, generated certificates pass proftpd's client certificate check.
class TestIdentityFilesReal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // proftpd trusts the first two certificates (one key with a pass phrase), never the third.
        QByteArray trusted;
        for (const auto& [name, passphrase] :
             {std::pair{QStringLiteral("plain"), QByteArray()},
              std::pair{QStringLiteral("protected"), QByteArray("client pass phrase")},
              std::pair{QStringLiteral("stranger"), QByteArray()}})
        {
            CertificateAnswers answers;
            answers.name = name;
            answers.outputFolder = Path(QStringLiteral("certificates"));
            answers.bits = 2048;
            answers.passphrase = passphrase;
            answers.subject.insert(CertificateField::CommonName, name);
            answers.subject.insert(CertificateField::Organisation, QStringLiteral("Zentrava tests"));
            const IdentityFiles files = GenerateCertificate(answers);
            QVERIFY2(files.Ok(), qPrintable(files.error));
            if (name != QLatin1String("stranger"))
                trusted += ReadAll(files.certificatePath);
        }
        const QString caFile = Path(QStringLiteral("trusted-clients.pem"));
        QVERIFY(Append(caFile, trusted));
        qputenv("ZENTRAVA_CLIENT_CA", caFile.toUtf8());
    }

    void keyPairLogsInToOpenSsh_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("passphrase");
        QTest::addColumn<bool>("authorized");
        Row("RSA 2048", 2048, QByteArray(), true);
        Row("RSA 2048 with a pass phrase", 2048, QByteArray("key pass phrase"), true);
        Row("RSA 4096 with a pass phrase", 4096, QByteArray("ünïcode pässphrase"), true);
        Row("RSA 2048 not authorized", 2048, QByteArray(), false);
    }

    void keyPairLogsInToOpenSsh()
    {
        QFETCH(int, bits);
        QFETCH(QByteArray, passphrase);
        QFETCH(bool, authorized);
        CTestServer* sshd = Harness::Require(QStringLiteral("sshd"));
        QVERIFY(sshd);
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
            QVERIFY(Append(AuthorizedKeysFile(*sshd), ReadAll(files.publicKeyPath)));

        auto key = std::make_shared<CKeyCertificate>();
        const FtpResult loaded = key->LoadPrivateKey(files.privateKeyPath, passphrase);
        QVERIFY2(loaded.Ok(), qPrintable(loaded.message));
        SftpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = sshd->Port();
        options.user = sshd->User().toUtf8();
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

    // Refusals end the TLS handshake, before any password.
    void certificateIsAcceptedByProftpd_data()
    {
        QTest::addColumn<QString>("name"); // empty: no client certificate
        QTest::addColumn<QByteArray>("passphrase");
        QTest::addColumn<int>("code");
        Row("trusted, plain key", "plain", QByteArray(), 0);
        Row("trusted, key with a pass phrase", "protected", QByteArray("client pass phrase"), 0);
        Row("not trusted", "stranger", QByteArray(), int(FtpErrorNetwork));
        Row("no certificate", "", QByteArray(), int(FtpErrorNetwork));
    }

    void certificateIsAcceptedByProftpd()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, passphrase);
        QFETCH(int, code);
        CTestServer* proftpd = Harness::Require(QStringLiteral("proftpd-clientcert"));
        QVERIFY(proftpd);
        const QString stem = Path(QStringLiteral("certificates/") + name);
        QString text;
        const int result = name.isEmpty()
                               ? FtpsWithCertificate(*proftpd, {}, {}, {}, &text)
                               : FtpsWithCertificate(*proftpd, stem + QStringLiteral(".crt"),
                                                     stem + QStringLiteral(".key"), passphrase, &text);
        QVERIFY2(result == code, qPrintable(QStringLiteral("%1: %2").arg(result).arg(text)));
    }
};

QTEST_GUILESS_MAIN(TestIdentityFilesReal)
#include "tst_IdentityFilesReal.moc"
