#include "FakeFtpServer.h"
#include "servers/Harness.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/Checksum.h"
#include "engine/RemoteConnection.h"
#include "engine/ftp/ServerCopy.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(FtpProtocol)
Q_DECLARE_METATYPE(FtpStatus)

using namespace TestFiles;

namespace
{
// The harness server for the protocol: proftpd for FTP, sshd for SFTP.
QString ServerKind(FtpProtocol protocol)
{
    return protocol == FtpProtocol::Sftp ? "sshd" : "proftpd";
}

// Through the harness proxy of the kind; false (with the test failed) when it did not start.
bool Through(const QString& kind, ProxySettings& settings)
{
    const CTestServer* proxy = Harness::Require(kind);
    if (!proxy)
        return false;
    settings.type = kind.startsWith(QLatin1String("socks5")) ? ProxyType::Socks5 : ProxyType::HttpConnect;
    settings.host = "127.0.0.1";
    settings.port = proxy->Port();
    settings.user = proxy->User().toUtf8();
    settings.password = proxy->Password().toUtf8();
    return true;
}
} // namespace

class TestRemoteConnection : public QObject
{
    Q_OBJECT

    QTemporaryDir m_local;
    int m_serial = 0;

    // False (with the test failed) when the server did not start or the connection failed.
    static bool Open(CRemoteConnection& connection, const QString& kind, FtpProtocol protocol,
                     const std::function<void(CConnectionTarget&)>& set = {})
    {
        CTestServer* server = Harness::Require(kind);
        if (!server)
            return false;
        CConnectionTarget target = ServerTarget(*server, protocol, 20000);
        if (set)
            set(target);
        connection.SetTarget(target);
        // The harness's certificates and host keys are not ones the system vouches for.
        connection.SetCertificateHook([](const ServerCertificate&) { return true; });
        connection.SetHostKeyHook([](const SshHostKey&) { return true; });
        const FtpResult connected = connection.Connect();
        if (!connected.Ok())
            QTest::qFail(qPrintable(kind + QStringLiteral(": ") + connected.message), __FILE__, __LINE__);
        return connected.Ok();
    }
    static QString Disk(const QString& kind, const QString& remote)
    {
        return Harness::Server(kind)->Root() + remote;
    }
    QString Local(const QString& name) const { return m_local.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_local.isValid()); }

    void worksWithEverySetup_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<bool>("passive");
        QTest::addColumn<bool>("clearCommand");

        const auto add = [](const char* kind, FtpProtocol protocol, bool passive = true, bool clear = false)
        {
            QTest::addRow("%s, %d, %s%s", kind, int(protocol), passive ? "passive" : "active",
                          clear ? ", CCC" : "")
                << QString(kind) << protocol << passive << clear;
        };
        add("proftpd", FtpProtocol::Ftp);
        add("proftpd", FtpProtocol::Ftp, false);
        add("proftpd", FtpProtocol::ExplicitTls);
        add("proftpd", FtpProtocol::ImplicitTls);
        add("proftpd", FtpProtocol::ExplicitTlsClearData);
        add("proftpd", FtpProtocol::ExplicitTls, true, true);
        add("vsftpd", FtpProtocol::ExplicitTls);
        add("vsftpd", FtpProtocol::ExplicitTls, false);
        add("pyftpdlib", FtpProtocol::Ftp);
        add("pyftpdlib", FtpProtocol::Ftp, false);
        add("sshd", FtpProtocol::Sftp);
    }
    // Files go both ways byte for byte, resume without truncating, and are managed in folders of their own.
    void worksWithEverySetup()
    {
        QFETCH(QString, kind);
        QFETCH(FtpProtocol, protocol);
        QFETCH(bool, passive);
        QFETCH(bool, clearCommand);
        CRemoteConnection connection;
        QVERIFY(Open(connection, kind, protocol,
                     [&](CConnectionTarget& target)
                     {
                         target.passive = passive;
                         target.clearCommandChannel = clearCommand;
                     }));
        const QString base = QDir::cleanPath(Harness::Server(kind)->Value("WORKDIR") +
                                             QStringLiteral("/setup %1").arg(++m_serial));
        const QString folder = base + QStringLiteral("/a/有 空格");
        QVERIFY(connection.MakeFolders(folder).Ok());
        QVERIFY(connection.ChangeFolder(folder).Ok());
        const auto at = [&](const QString& name) { return folder + u'/' + name; };

        QStringList sent;
        for (const auto& [name, size] : QList<QPair<QString, qint64>>{
                 {"empty.bin", 0}, {"one.bin", 1}, {"ten.bin", 10 * kMiB + 17}, {"中文 檔名.txt", 333}})
        {
            QVERIFY(MakeFile(Local(name), size));
            qint64 last = -1;
            const FtpResult up = connection.Upload(Local(name), at(name), FtpUploadMode::Replace,
                                                   [&](qint64 position, qint64) { last = position; });
            QVERIFY2(up.Ok(), qPrintable(up.message));
            QCOMPARE(last, size);
            QCOMPARE(Sha256(Disk(kind, at(name))), Sha256(Local(name)));
            const FtpResult down = connection.Download(at(name), Local("copy"), false);
            QVERIFY2(down.Ok(), qPrintable(down.message));
            QCOMPARE(Sha256(Local("copy")), Sha256(Local(name)));
            sent.append(QStringLiteral("%1 %2 %3").arg(name).arg(size).arg(int(ListItem::Kind::File)));
        }
        const FtpValue<FtpListing> listing = connection.List(folder);
        QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
        QStringList listed;
        for (const ListItem& item : listing.value.items)
            listed.append(QStringLiteral("%1 %2 %3")
                              .arg(QString::fromUtf8(item.name))
                              .arg(item.size)
                              .arg(int(item.kind)));
        listed.sort();
        sent.sort();
        QCOMPARE(listed, sent);
        for (const ChecksumKind checksum : {ChecksumKind::Crc32, ChecksumKind::Md5, ChecksumKind::Sha1})
        {
            const FtpValue<QByteArray> remote = connection.RemoteChecksum(checksum, at("ten.bin"));
            QVERIFY2(remote.result.Ok(), qPrintable(remote.result.message));
            // Of the harness's servers proftpd computes every kind, sshd all but CRC-32, the others none.
            const bool computed = kind == "proftpd" || (kind == "sshd" && checksum != ChecksumKind::Crc32);
            QCOMPARE(remote.value,
                     computed ? LocalChecksum(Local("ten.bin"), checksum, nullptr, nullptr) : "");
        }

        // The server holds the first half and gets the rest; the local file holds a third and is continued.
        const QByteArray content = ReadFile(Local("ten.bin"));
        QVERIFY(WriteFile(Local("half.bin"), content.left(content.size() / 2)));
        QVERIFY(connection.Upload(Local("half.bin"), at("resumed.bin"), FtpUploadMode::Replace).Ok());
        const FtpResult up = connection.Upload(Local("ten.bin"), at("resumed.bin"), FtpUploadMode::Resume);
        QVERIFY2(up.Ok(), qPrintable(up.message));
        QCOMPARE(Sha256(Disk(kind, at("resumed.bin"))), Sha256(Local("ten.bin")));
        QVERIFY(WriteFile(Local("partial.bin"), content.left(content.size() / 3)));
        QList<QPair<qint64, qint64>> progress;
        const FtpResult down = connection.Download(at("resumed.bin"), Local("partial.bin"), true,
                                                   [&](qint64 at, qint64 total) {
                                                       progress.append({at, total});
                                                   });
        QVERIFY2(down.Ok(), qPrintable(down.message));
        QCOMPARE(progress.first().first, content.size() / 3);
        QCOMPARE(progress.last().first, content.size());
        QVERIFY(progress.last().second == content.size() || progress.last().second == -1);
        QCOMPARE(Sha256(Local("partial.bin")), Sha256(Local("ten.bin")));

        QVERIFY(connection.Upload(Local("中文 檔名.txt"), at("one.bin"), FtpUploadMode::Append).Ok());
        QCOMPARE(connection.Size(at("one.bin")).value, 334);
        const QDateTime stamp(QDate(2021, 6, 7), QTime(8, 9, 10), Qt::UTC);
        const FtpResult set = connection.SetModifiedTime(at("one.bin"), stamp);
        QVERIFY2(set.Ok(), qPrintable(set.message));
        QCOMPARE(connection.ModifiedTime(at("one.bin")).value, stamp);
        QCOMPARE(QFileInfo(Disk(kind, at("one.bin"))).lastModified().toUTC(), stamp);
        QVERIFY(connection.Rename(at("one.bin"), at("b c.bin")).Ok());
        QVERIFY(!connection.Size(at("one.bin")).result.Ok());
        QCOMPARE(connection.Raw(QStringLiteral("SYST")).reply.code, 215);
        const FtpResult missing = connection.Delete(at("one.bin"));
        QCOMPARE(missing.status, FtpStatus::Refused);
        // A file is no folder to empty: it stays.
        QVERIFY(!connection.DeleteFolderContents(at("b c.bin")).Ok());
        QVERIFY(connection.Delete(at("b c.bin")).Ok());
        QVERIFY(!QFile::exists(Disk(kind, at("b c.bin"))));
        QVERIFY(connection.Upload(Local("one.bin"), base + "/z.bin", FtpUploadMode::Replace).Ok());
        QVERIFY(connection.DeleteFolderContents(base).Ok());
        QVERIFY(QDir(Disk(kind, base)).isEmpty());
        QVERIFY(connection.RemoveFolder(base).Ok());
        QVERIFY(!QFileInfo::exists(Disk(kind, base)));

        connection.Close();
        QVERIFY(!connection.IsConnected());
    }

    void copiesBetweenTwoServers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("reply");
        QTest::newRow("file there") << "copy.bin" << 226;
        QTest::newRow("no such file") << "missing.bin" << 550;
    }
    // Whatever came of a copy, the destination takes the next one.
    void copiesBetweenTwoServers()
    {
        QFETCH(QString, name);
        QFETCH(int, reply);
        CRemoteConnection source;
        CRemoteConnection destination;
        QVERIFY(Open(source, "proftpd", FtpProtocol::Ftp));
        QVERIFY(Open(destination, "pyftpdlib", FtpProtocol::Ftp));
        const QString original = Disk("proftpd", "/copy.bin");
        QVERIFY(MakeFile(original, 2 * kMiB + 3));

        const FtpResult copied =
            CopyBetweenServers(source, u'/' + name, destination, "/copied.bin", FtpTransferType::Binary);
        QCOMPARE(copied.reply.code, reply);
        QCOMPARE(copied.Ok(), reply == 226);
        if (copied.Ok())
            QCOMPARE(Sha256(Disk("pyftpdlib", "/copied.bin")), Sha256(original));
        QVERIFY(
            CopyBetweenServers(source, "/copy.bin", destination, "/next.bin", FtpTransferType::Binary).Ok());
        QCOMPARE(Sha256(Disk("pyftpdlib", "/next.bin")), Sha256(original));
    }
    void transfersThroughProxies_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QString>("proxy");
        for (const FtpProtocol protocol : {FtpProtocol::Ftp, FtpProtocol::Sftp})
        {
            for (const char* kind : {"socks5", "socks5-auth", "httpproxy", "httpproxy-auth"})
                QTest::addRow("%s %s", protocol == FtpProtocol::Sftp ? "SFTP" : "FTP", kind)
                    << protocol << QString::fromLatin1(kind);
        }
    }
    // Several MiB, so that many pipelined SFTP requests cross the proxy in both directions at once.
    void transfersThroughProxies()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(QString, proxy);
        const QString kind = ServerKind(protocol);
        CRemoteConnection connection;
        QVERIFY(Open(connection, kind, protocol,
                     [&](CConnectionTarget& t) { QVERIFY(Through(proxy, t.proxy)); }));
        const QString file = QDir::cleanPath(Harness::Server(kind)->Value("WORKDIR") +
                                             QStringLiteral("/proxied%1").arg(++m_serial));
        QVERIFY(MakeFile(Local("source.bin"), 5 * kMiB + 3));
        const FtpResult up = connection.Upload(Local("source.bin"), file, FtpUploadMode::Replace);
        QVERIFY2(up.Ok(), qPrintable(up.message));
        QCOMPARE(Sha256(Disk(kind, file)), Sha256(Local("source.bin")));
        const FtpResult down = connection.Download(file, Local("copy.bin"), false);
        QVERIFY2(down.Ok(), qPrintable(down.message));
        QCOMPARE(Sha256(Local("copy.bin")), Sha256(Local("source.bin")));
        QCOMPARE(connection.Size(file).value, 5 * kMiB + 3);
        QVERIFY(connection.Delete(file).Ok());
    }

    void refusesToConnect_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QString>("proxy"); // a harness proxy, else a fake FTP proxy of this type number
        QTest::addColumn<bool>("logIn");
        QTest::addColumn<FtpStatus>("status");
        QTest::addColumn<QString>("reason");
        for (const FtpProtocol protocol : {FtpProtocol::Ftp, FtpProtocol::Sftp})
        {
            const auto row = [protocol](const char* tag, const char* proxy, bool logIn, const char* reason)
            {
                QTest::addRow("%s %s", protocol == FtpProtocol::Sftp ? "SFTP" : "FTP", tag)
                    << protocol << QString::fromLatin1(proxy) << logIn << FtpStatus::Network
                    << QString::fromUtf8(reason);
            };
            row("socks5 wrong password", "socks5-auth", true, "SOCKS5 proxy 拒絕連線：帳號或密碼錯誤");
            row("socks5 no log-in", "socks5-auth", false, "SOCKS5 proxy 拒絕連線：需要登入");
            // tinyproxy answers a wrong password with 401 and a missing one with 407: its status line
            // verbatim.
            row("http wrong password", "httpproxy-auth", true,
                "HTTP proxy 拒絕連線：HTTP/1.0 401 Unauthorized");
            row("http no log-in", "httpproxy-auth", false,
                "HTTP proxy 拒絕連線：HTTP/1.0 407 Proxy Authentication Required");
        }
        // SFTP must not even dial an FTP-style proxy, nor go direct.
        for (const char* type : {"100", "101", "102"})
            QTest::addRow("SFTP, FTP proxy %s", type)
                << FtpProtocol::Sftp << QString(type) << false << FtpStatus::BadRequest << "只能用於 FTP";
    }
    // Before any host key is asked about, and the proxy's password shows nowhere.
    void refusesToConnect()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(QString, proxy);
        QFETCH(bool, logIn);
        QFETCH(FtpStatus, status);
        QFETCH(QString, reason);
        CTestServer* server = Harness::Require(ServerKind(protocol));
        QVERIFY(server);
        CConnectionTarget target = ServerTarget(*server, protocol, 10000);
        CFakeFtpServer fake;
        QString error;
        if (proxy.toInt() > 0)
        {
            QVERIFY2(fake.Start(&error), qPrintable(error));
            target.proxy = {ProxySettings::TypeFromNumber(proxy.toInt()), "127.0.0.1", fake.Port(), {}, {}};
        }
        else
            QVERIFY(Through(proxy, target.proxy));
        target.proxy.password = "not the password";
        if (!logIn)
            target.proxy.user.clear();
        CRemoteConnection connection(target);
        bool asked = false;
        connection.SetHostKeyHook([&asked](const SshHostKey&) { return asked = true; });
        const FtpResult connected = connection.Connect();
        QCOMPARE(connected.status, status);
        QVERIFY2(connected.message.contains(reason), qPrintable(connected.message));
        QVERIFY(!connected.message.contains("not the password"));
        QVERIFY(!asked && !connection.IsConnected());
        QCOMPARE(fake.Connections(), 0);
    }

    // Active mode cannot cross a proxy: refused without a word to the server, and the connection stays
    // usable. Passive data goes to the server's own name when its PASV address cannot be reached.
    void keepsDataConnectionsPassiveThroughAProxy()
    {
        CRemoteConnection active;
        QVERIFY(Open(active, "proftpd", FtpProtocol::Ftp,
                     [&](CConnectionTarget& t)
                     {
                         t.passive = false;
                         QVERIFY(Through("socks5", t.proxy));
                     }));
        const FtpValue<FtpListing> refused = active.List();
        QCOMPARE(refused.result.status, FtpStatus::BadRequest);
        QVERIFY2(refused.result.message.contains("只能使用被動模式"), qPrintable(refused.result.message));
        QVERIFY(active.Noop().Ok());

        CFakeFtpServer fake;
        fake.On("EPSV", "502 Not here\r\n");
        fake.On("PASV", "227 Entering Passive Mode (127,0,0,2,%PASVPORT)\r\n");
        fake.On("LIST", QList<FakeResponse>{{"150 Here it comes\r\n", FakeResponse::Data::Send,
                                             "-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt\r\n", "226 Done\r\n"}});
        QString error;
        QVERIFY2(fake.Start(&error), qPrintable(error));
        CConnectionTarget target;
        target.host = "127.0.0.1";
        target.port = fake.Port();
        target.timeoutMs = 10000;
        QVERIFY(Through("socks5", target.proxy));
        CRemoteConnection passive(target);
        const FtpResult connected = passive.Connect();
        QVERIFY2(connected.Ok(), qPrintable(connected.message));
        const FtpValue<FtpListing> listing = passive.List();
        QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
        QCOMPARE(listing.value.lines, QList<QByteArray>{"-rw-r--r-- 1 u g 5 Jan 01 2024 a.txt"});
        QVERIFY(fake.Commands().contains("PASV"));
    }
};

QTEST_GUILESS_MAIN(TestRemoteConnection)
#include "tst_RemoteConnection.moc"
