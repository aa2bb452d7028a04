#include "support/ServerTarget.h"
#include "support/TestFiles.h"
#include "servers/Harness.h"

#include "engine/Checksum.h"
#include "engine/RemoteConnection.h"
#include "engine/ftp/ServerCopy.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

Q_DECLARE_METATYPE(FtpProtocol)

using namespace TestFiles;

constexpr int kTimeoutMs = 20000;

class TestRemoteConnection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }

    void worksAlikeOverEveryProtocol_data();
    void worksAlikeOverEveryProtocol();
    void copiesBetweenTwoServers_data();
    void copiesBetweenTwoServers();

private:
    // False (with the test failed) when the server did not start or the connection failed.
    bool Open(CRemoteConnection& connection, const QString& kind, FtpProtocol protocol);
    // A fresh path under the folder the server's user may write to.
    QString Remote(const QString& kind, const QString& name)
    {
        return QDir::cleanPath(Harness::Server(kind)->Value(QStringLiteral("WORKDIR")) + u'/' + name);
    }
    QString Disk(const QString& kind, const QString& remote) { return Harness::Server(kind)->Root() + remote; }
    QString Local(const QString& name) const { return m_local.filePath(name); }

    QTemporaryDir m_local;
};

bool TestRemoteConnection::Open(CRemoteConnection& connection, const QString& kind, FtpProtocol protocol)
{
    CTestServer* server = Harness::Require(kind);
    if (!server)
        return false;
    connection.SetTarget(ServerTarget(*server, protocol, kTimeoutMs));
    // The harness's certificates and host keys are not ones the system vouches for.
    connection.SetCertificateHook([](const ServerCertificate&) { return true; });
    connection.SetHostKeyHook([](const SshHostKey&) { return true; });
    const FtpResult connected = connection.Connect();
    if (!connected.Ok())
        QTest::qFail(qPrintable(kind + QStringLiteral(": ") + connected.message), __FILE__, __LINE__);
    return connected.Ok();
}

void TestRemoteConnection::worksAlikeOverEveryProtocol_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FtpProtocol>("protocol");
    QTest::addColumn<bool>("checksum"); // the server computes an MD5 of a remote file
    QTest::newRow("FTP, proftpd") << "proftpd" << FtpProtocol::Ftp << true;
    QTest::newRow("explicit FTPS, vsftpd") << "vsftpd" << FtpProtocol::ExplicitTls << false;
    QTest::newRow("implicit FTPS, proftpd") << "proftpd" << FtpProtocol::ImplicitTls << true;
    QTest::newRow("SFTP, sshd") << "sshd" << FtpProtocol::Sftp << true;
}

void TestRemoteConnection::worksAlikeOverEveryProtocol()
{
    QFETCH(QString, kind);
    QFETCH(FtpProtocol, protocol);
    QFETCH(bool, checksum);
    CRemoteConnection connection;
    QVERIFY(Open(connection, kind, protocol));
    const QString base = Remote(kind, QStringLiteral("alike %1").arg(int(protocol)));
    const QString folder = base + QStringLiteral("/a/有 空格");
    QVERIFY(connection.MakeFolders(folder).Ok());
    QVERIFY(QFileInfo(Disk(kind, folder)).isDir());

    const QString source = Local(QStringLiteral("alike.bin"));
    const qint64 size = 3 * kMiB + 17;
    QVERIFY(MakeFile(source, size));
    const QString file = folder + QStringLiteral("/f.bin");
    QVERIFY(connection.Upload(source, file, FtpUploadMode::Replace).Ok());
    QCOMPARE(connection.Size(file).value, size);
    const std::vector<ListItem> items = connection.List(folder).value.items;
    QVERIFY(std::any_of(items.begin(), items.end(),
                        [&](const ListItem& item) { return item.name == "f.bin" && item.size == size; }));
    QVERIFY(connection.Download(file, Local(QStringLiteral("whole.bin")), false).Ok());
    QCOMPARE(Sha256(Local(QStringLiteral("whole.bin"))), Sha256(source));
    // Resuming keeps what is there (zeros here) and fetches only the rest.
    const QByteArray kept(int(kMiB), '\0');
    QVERIFY(WriteFile(Local(QStringLiteral("partial.bin")), kept));
    QVERIFY(connection.Download(file, Local(QStringLiteral("partial.bin")), true).Ok());
    QCOMPARE(ReadFile(Local(QStringLiteral("partial.bin"))), kept + ReadFile(source).mid(kMiB));

    const QString renamed = folder + QStringLiteral("/g.bin");
    QVERIFY(connection.Rename(file, renamed).Ok());
    QVERIFY(!connection.Size(file).result.Ok());
    const FtpValue<QDateTime> modified = connection.ModifiedTime(renamed);
    QVERIFY2(modified.result.Ok(), qPrintable(modified.result.message));
    QVERIFY(qAbs(modified.value.secsTo(QFileInfo(Disk(kind, renamed)).lastModified())) <= 1);
    QCOMPARE(connection.RemoteChecksum(ChecksumKind::Md5, renamed).value,
             checksum ? LocalChecksum(source, ChecksumKind::Md5, nullptr, nullptr) : QByteArray());

    // A file is no folder to empty: it stays.
    QVERIFY(!connection.DeleteFolderContents(renamed).Ok());
    QVERIFY(QFile::exists(Disk(kind, renamed)));
    QVERIFY(connection.Delete(renamed).Ok());
    QVERIFY(!QFile::exists(Disk(kind, renamed)));
    QVERIFY(connection.Upload(source, folder + QStringLiteral("/again.bin"), FtpUploadMode::Replace).Ok());
    QVERIFY(connection.Upload(source, base + QStringLiteral("/z.bin"), FtpUploadMode::Replace).Ok());
    QVERIFY(connection.DeleteFolderContents(base).Ok());
    QVERIFY(QDir(Disk(kind, base)).isEmpty());
    QVERIFY(connection.RemoveFolder(base).Ok());
    QVERIFY(!QFileInfo::exists(Disk(kind, base)));
    QCOMPARE(connection.Raw(QStringLiteral("SYST\r\n")).reply.code, 215);

    // A cancel from another thread ends a long download at once; the connection then connects again.
    const QString large = Remote(kind, QStringLiteral("cancel.bin"));
    QVERIFY(MakeSparse(Disk(kind, large), 4096 * kMiB));
    std::atomic<bool> moving{false};
    QElapsedTimer sinceCancel;
    std::thread canceller(
        [&]
        {
            for (int wait = 0; wait < 6000 && !moving; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            sinceCancel.start();
            connection.Cancel();
        });
    const FtpResult cancelled =
        connection.Download(large, Local(QStringLiteral("cancel.bin")), false,
                            [&moving](qint64 position, qint64) { moving = position > 0; });
    canceller.join();
    QVERIFY2(sinceCancel.elapsed() < 5000, qPrintable(QString::number(sinceCancel.elapsed())));
    QCOMPARE(cancelled.status, FtpStatus::Cancelled);
    QVERIFY(connection.Connect().Ok());
    QCOMPARE(connection.Size(large).value, 4096 * kMiB);
    QVERIFY(connection.Delete(large).Ok());
    connection.Close();
    QVERIFY(!connection.IsConnected());
}

void TestRemoteConnection::copiesBetweenTwoServers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("reply");
    QTest::newRow("file there") << "copy.bin" << 226;
    QTest::newRow("no such file") << "missing.bin" << 550;
}

// Whatever came of a copy, the destination takes the next one.
void TestRemoteConnection::copiesBetweenTwoServers()
{
    QFETCH(QString, name);
    QFETCH(int, reply);
    CRemoteConnection source;
    CRemoteConnection destination;
    QVERIFY(Open(source, QStringLiteral("proftpd"), FtpProtocol::Ftp));
    QVERIFY(Open(destination, QStringLiteral("pyftpdlib"), FtpProtocol::Ftp));
    const QString original = Disk(QStringLiteral("proftpd"), QStringLiteral("/copy.bin"));
    QVERIFY(MakeFile(original, 2 * kMiB + 3));

    const FtpResult copied = CopyBetweenServers(source, u'/' + name, destination,
                                                QStringLiteral("/copied.bin"), FtpTransferType::Binary);
    QCOMPARE(copied.reply.code, reply);
    QCOMPARE(copied.Ok(), reply == 226);
    if (copied.Ok())
        QCOMPARE(Sha256(Disk(QStringLiteral("pyftpdlib"), QStringLiteral("/copied.bin"))), Sha256(original));
    QVERIFY(CopyBetweenServers(source, QStringLiteral("/copy.bin"), destination, QStringLiteral("/next.bin"),
                               FtpTransferType::Binary)
                .Ok());
    QCOMPARE(Sha256(Disk(QStringLiteral("pyftpdlib"), QStringLiteral("/next.bin"))), Sha256(original));
}

QTEST_GUILESS_MAIN(TestRemoteConnection)
#include "tst_RemoteConnection.moc"
