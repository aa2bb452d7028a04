#include "servers/Harness.h"
#include "support/Rows.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/FtpComponent.h"
#include "security/IdentityFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace TestFiles;

namespace
{
// 0 when the FTPS log-in and a listing went through, else the failing code; text says why.
int FtpsWithCertificate(const CTestServer& server, const QString& stem, const QByteArray& passphrase,
                        QString* text)
{
    CConnectionTarget target = ServerTarget(server, FtpProtocol::ExplicitTls, 20000);
    if (!stem.isEmpty())
    {
        target.authentication = FtpAuthentication::Key;
        target.certificateFile = stem + ".crt";
        target.keyFile = stem + ".key";
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
    const bool loggedIn = connected.size() == 1 && connected[0][0].toInt() == 0;
    if (loggedIn)
        ftp.List();
    ftp.Disconnect();
    const QSignalSpy& last = loggedIn ? done : connected;
    *text = last.isEmpty() ? QStringLiteral("no event") : last[0][1].toString();
    return last.isEmpty() ? -1 : last[0][0].toInt();
}
} // namespace

// Generated certificates pass proftpd's client certificate check.
class TestIdentityFilesReal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        // proftpd trusts the first two certificates (one key with a pass phrase), never the third.
        QByteArray trusted;
        using Entry = std::pair<QString, QByteArray>;
        for (const auto& [name, passphrase] :
             {Entry{"plain", {}}, Entry{"protected", "client pass phrase"}, Entry{"stranger", {}}})
        {
            CertificateAnswers answers;
            answers.name = name;
            answers.outputFolder = Path("certificates");
            answers.bits = 2048;
            answers.passphrase = passphrase;
            answers.subject.insert(CertificateField::CommonName, name);
            answers.subject.insert(CertificateField::Organisation, "Zentrava tests");
            const IdentityFiles files = GenerateCertificate(answers);
            QVERIFY2(files.Ok(), qPrintable(files.error));
            trusted += answers.name == "stranger" ? QByteArray() : ReadFile(files.certificatePath);
        }
        QVERIFY(WriteFile(Path("trusted-clients.pem"), trusted));
        qputenv("ZENTRAVA_CLIENT_CA", Path("trusted-clients.pem").toUtf8());
    }

    // Refusals end the TLS handshake, before any password.
    void certificateIsAcceptedByProftpd_data()
    {
        Columns<QString, QByteArray, int>({"name", "passphrase", "code"}); // no name: no client certificate
        Row("trusted, plain key", QString("plain"), QByteArray(), 0);
        Row("trusted, key with a pass phrase", QString("protected"), QByteArray("client pass phrase"), 0);
        Row("not trusted", QString("stranger"), QByteArray(), int(FtpErrorNetwork));
        Row("no certificate", QString(), QByteArray(), int(FtpErrorNetwork));
    }
    void certificateIsAcceptedByProftpd()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, passphrase);
        QFETCH(int, code);
        CTestServer* proftpd = Harness::Require("proftpd-clientcert");
        QVERIFY(proftpd);
        QString text;
        const int result = FtpsWithCertificate(
            *proftpd, name.isEmpty() ? QString() : Path("certificates/" + name), passphrase, &text);
        QVERIFY2(result == code, qPrintable(QStringLiteral("%1: %2").arg(result).arg(text)));
    }
};

QTEST_GUILESS_MAIN(TestIdentityFilesReal)
#include "tst_IdentityFilesReal.moc"
