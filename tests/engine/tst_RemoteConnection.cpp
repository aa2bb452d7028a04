#include "FakeFtpServer.h"
#include "servers/Harness.h"
#include "support/ServerTarget.h"
#include "support/TestFiles.h"

#include "engine/Checksum.h"
#include "engine/FtpComponent.h"
#include "engine/RemoteConnection.h"
#include "engine/ftp/ServerCopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

Q_DECLARE_METATYPE(FtpProtocol)
Q_DECLARE_METATYPE(FtpStatus)

using namespace TestFiles;

namespace
{
constexpr int kWaitMs = 60000;

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

// A listener whose accept queue is full, so the kernel leaves a new connection attempt unanswered.
struct FullListener
{
    FullListener()
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 0);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (pollfd p{-1, POLLOUT, 0}; clients.size() < 16 && !full; full = poll(&p, 1, 200) == 0)
        {
            clients.push_back(p.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            connect(p.fd, reinterpret_cast<sockaddr*>(&address), length);
        }
    }
    ~FullListener()
    {
        for (const int fd : clients)
            close(fd);
        close(listener);
    }
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::vector<int> clients;
    quint16 port = 0;
    bool full = false;
};
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

    // A cancel from the progress hook moves not one block more: a stream that never has to wait for the
    // network must see it all the same.
    void CancelsMidway(CRemoteConnection& connection, const QString& kind, const QString& remote, bool upload)
    {
        const qint64 size = 200 * kMiB;
        QVERIFY(MakeSparse(upload ? Local("large.bin") : Disk(kind, remote), size));
        qint64 cancelledAt = -1;
        qint64 last = 0;
        const auto progress = [&](qint64 position, qint64)
        {
            last = position;
            if (cancelledAt < 0 && position >= 8 * kMiB)
            {
                cancelledAt = position;
                connection.Cancel();
            }
        };
        const FtpResult result =
            upload ? connection.Upload(Local("large.bin"), remote, FtpUploadMode::Replace, progress)
                   : connection.Download(remote, Local("large.bin"), false, progress);
        QVERIFY2(result.status == FtpStatus::Cancelled, qPrintable(result.message));
        QVERIFY(cancelledAt > 0);
        QCOMPARE(last, cancelledAt);
        const FtpValue<qint64> left = connection.Size(remote);
        QVERIFY2(left.result.Ok(), qPrintable(left.result.message));
        QVERIFY(upload ? left.value < size : left.value == size);
        QVERIFY(connection.Delete(remote).Ok());
    }

    // Sets the component up for the server; false (with the test failed) when it did not start.
    static bool Configure(CFtpComponent& ftp, const QString& kind, FtpProtocol protocol = FtpProtocol::Ftp)
    {
        CTestServer* server = Harness::Require(kind);
        if (server)
            ftp.SetTarget(ServerTarget(*server, protocol, 20000));
        return server;
    }
    static bool ConnectBlocking(CFtpComponent& ftp)
    {
        if (!Configure(ftp, "proftpd"))
            return false;
        ftp.SetBlocking(true);
        ftp.Connect();
        ftp.SetBlocking(false);
        return ftp.State() == FtpStateConnected;
    }

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
        if (connection.Ftp())
            QCOMPARE(connection.Ftp()->TlsVersion(),
                     QByteArray(protocol != FtpProtocol::Ftp && !clearCommand ? "TLSv1.3" : ""));
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
        // A cancelled TLS data connection ends without a clean close: servers that require session reuse
        // refuse the next data connection unless the client logs in again for new sessions.
        for (const bool upload : {true, false})
            if (connection.Ftp())
                CancelsMidway(connection, kind, base + "-large.bin", upload);
        const FtpResult later = connection.Upload(Local("one.bin"), base + "-z.bin", FtpUploadMode::Replace);
        QVERIFY2(later.Ok(), qPrintable(later.message));

        connection.Close();
        QVERIFY(!connection.IsConnected());
    }

    // Whatever came of a copy, the destination takes the next one.
    void copiesBetweenTwoServers()
    {
        CRemoteConnection source;
        CRemoteConnection destination;
        QVERIFY(Open(source, "proftpd", FtpProtocol::Ftp));
        QVERIFY(Open(destination, "pyftpdlib", FtpProtocol::Ftp));
        const QString original = Disk("proftpd", "/copy.bin");
        QVERIFY(MakeFile(original, 2 * kMiB + 3));
        for (const QString name : {"missing.bin", "copy.bin", "copy.bin"})
        {
            const FtpResult copied =
                CopyBetweenServers(source, u'/' + name, destination, "/copied.bin", FtpTransferType::Binary);
            QCOMPARE(copied.reply.code, name == "copy.bin" ? 226 : 550);
            QCOMPARE(copied.Ok(), name == "copy.bin");
        }
        QCOMPARE(Sha256(Disk("pyftpdlib", "/copied.bin")), Sha256(original));
    }
    void goesThroughProxies_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QString>("proxy"); // a harness proxy, else a fake FTP proxy of this type number
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal"); // empty: the transfer goes through
        for (const FtpProtocol protocol : {FtpProtocol::Ftp, FtpProtocol::Sftp})
        {
            const auto row = [protocol](const char* proxy, const char* password, const char* refusal = "")
            {
                QTest::addRow("%s %s%s", protocol == FtpProtocol::Sftp ? "SFTP" : "FTP", proxy,
                              password[0] == 0 ? " without log-in"
                              : *refusal       ? " wrong password"
                                               : "")
                    << protocol << QString::fromLatin1(proxy) << QString::fromLatin1(password)
                    << QString::fromUtf8(refusal);
            };
            for (const char* kind : {"socks5", "socks5-auth", "httpproxy", "httpproxy-auth"})
                row(kind, "*");
            row("socks5-auth", "not the password", "SOCKS5 proxy 拒絕連線：帳號或密碼錯誤");
            row("socks5-auth", "", "SOCKS5 proxy 拒絕連線：需要登入");
            // tinyproxy answers a wrong password with 401 and a missing one with 407: its status line
            // verbatim.
            row("httpproxy-auth", "not the password", "HTTP proxy 拒絕連線：HTTP/1.0 401 Unauthorized");
            row("httpproxy-auth", "", "HTTP proxy 拒絕連線：HTTP/1.0 407 Proxy Authentication Required");
        }
        // SFTP must not even dial an FTP-style proxy, nor go direct.
        for (const char* type : {"100", "101", "102"})
            QTest::addRow("SFTP, FTP proxy %s", type) << FtpProtocol::Sftp << QString(type) << ""
                                                      << "只能用於 FTP";
    }
    // Several MiB, so that many pipelined SFTP requests cross the proxy in both directions at once. A refusal
    // comes before any host key is asked about, and the proxy's password shows nowhere.
    void goesThroughProxies()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(QString, proxy);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        const QString kind = ServerKind(protocol);
        CTestServer* server = Harness::Require(kind);
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
        if (password != "*")
            target.proxy.password = password.toUtf8();
        if (password.isEmpty())
            target.proxy.user.clear();
        CRemoteConnection connection(target);
        bool asked = false;
        connection.SetHostKeyHook([&asked](const SshHostKey&) { return asked = true; });
        const FtpResult connected = connection.Connect();
        QCOMPARE(fake.Connections(), 0);
        if (!refusal.isEmpty())
        {
            QCOMPARE(connected.status, proxy.toInt() > 0 ? FtpStatus::BadRequest : FtpStatus::Network);
            QVERIFY2(connected.message.contains(refusal), qPrintable(connected.message));
            QVERIFY(!connected.message.contains("not the password"));
            QVERIFY(!asked && !connection.IsConnected());
            return;
        }
        QVERIFY2(connected.Ok(), qPrintable(connected.message));
        const QString file =
            QDir::cleanPath(server->Value("WORKDIR") + QStringLiteral("/proxied%1").arg(++m_serial));
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

    void failsToConnectWithinTheTimeOut()
    {
        FullListener listener;
        QVERIFY(listener.full);
        FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = listener.port;
        options.timeoutMs = 1500;
        CFtpClient client;
        QElapsedTimer timer;
        timer.start();
        const FtpResult unanswered = client.Connect(options);
        QCOMPARE(unanswered.status, FtpStatus::TimedOut);
        QCOMPARE(unanswered.message, QStringLiteral("無法連線到 127.0.0.1:%1：連線逾時").arg(listener.port));
        QVERIFY2(timer.elapsed() < options.timeoutMs + 3000, qPrintable(QString::number(timer.elapsed())));
    }

    // Refused by the owner, or with no owner to ask, an untrusted certificate ends the session before the
    // log-in.
    void handsTheCertificateToTheOwner()
    {
        const CTestServer* server = Harness::Require("vsftpd");
        QVERIFY(server);
        CRemoteConnection connection(ServerTarget(*server, FtpProtocol::ExplicitTls, 10000));
        QByteArrayList commands;
        connection.SetLogHook(
            [&](FtpLogKind kind, const QByteArray& line)
            {
                if (kind == FtpLogKind::Command)
                    commands.append(line.left(4));
            });
        ServerCertificate seen;
        connection.SetCertificateHook([&](const ServerCertificate& certificate)
                                      { return (seen = certificate, false); });
        const FtpResult rejected = connection.Connect();
        QCOMPARE(rejected.status, FtpStatus::Rejected);
        QVERIFY2(rejected.message.startsWith(QStringLiteral("伺服器憑證未被接受")),
                 qPrintable(rejected.message));
        QCOMPARE(commands, QByteArrayList{"AUTH"});
        QCOMPARE(seen.pem, ReadFile(server->Value("CERT")));
        QCOMPARE(seen.subject, "CN=localhost");
        QVERIFY(!seen.issuer.isEmpty() && !seen.problem.isEmpty() && !seen.trusted);
        QVERIFY(seen.notBefore < QDateTime::currentDateTimeUtc() &&
                seen.notAfter > QDateTime::currentDateTimeUtc());
        QCOMPARE(seen.sha256.size(), 64);
        CRemoteConnection unattended(connection.Target());
        QCOMPARE(unattended.Connect().status, FtpStatus::Rejected);
    }

    void componentConnects_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<bool>("handler"); // one that accepts
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text"); // in the failure's text
        QTest::newRow("host key accepted") << "sshd" << FtpProtocol::Sftp << true << 0 << QString();
        QTest::newRow("host key without a handler")
            << "sshd" << FtpProtocol::Sftp << false << int(FtpErrorRejected) << QStringLiteral("主機金鑰");
        QTest::newRow("certificate accepted")
            << "vsftpd" << FtpProtocol::ExplicitTls << true << 0 << QString();
        QTest::newRow("certificate without a handler") << "vsftpd" << FtpProtocol::ExplicitTls << false
                                                       << int(FtpErrorRejected) << QStringLiteral("憑證");
        QTest::newRow("wrong password") << "proftpd" << FtpProtocol::Ftp << false << 530 << "530";
    }
    // The owner sees the server's host key or (self-signed, so untrusted) certificate on its own thread
    // before any password goes out; having no handler ends the connection. A connection that fails leaves
    // the state as it was.
    void componentConnects()
    {
        QFETCH(QString, kind);
        QFETCH(FtpProtocol, protocol);
        QFETCH(bool, handler);
        QFETCH(int, code);
        QFETCH(QString, text);
        CFtpComponent ftp;
        QVERIFY(Configure(ftp, kind, protocol));
        if (code == 530)
            ftp.SetPassword("not-the-password");
        QStringList asked;
        QStringList passwordsSeen;
        connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                [&](QString& command)
                {
                    if (command.startsWith(QLatin1String("PASS")))
                        passwordsSeen.append(asked.isEmpty() ? "before" : "after");
                });
        if (handler)
        {
            connect(&ftp, &CFtpComponent::HostKey, &ftp,
                    [&](const QString& type, const QString& fingerprint, bool& accepted)
                    {
                        QCOMPARE(QThread::currentThread(), thread());
                        asked << type + u' ' + fingerprint;
                        accepted = true;
                    });
            connect(&ftp, &CFtpComponent::HostCertificate, &ftp,
                    [&](const ServerCertificate& certificate, int code, const QString& text, bool& accepted)
                    {
                        QCOMPARE(QThread::currentThread(), thread());
                        QCOMPARE(code, int(FtpErrorUntrusted));
                        QVERIFY(!text.isEmpty() && !accepted);
                        QCOMPARE(certificate.pem, ReadFile(Harness::Server(kind)->Value("CERT")));
                        asked << certificate.subject;
                        accepted = true;
                    });
        }
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        QSignalSpy states(&ftp, &CFtpComponent::StateChange);
        ftp.Connect();
        QVERIFY(connected.wait(kWaitMs));
        QCOMPARE(connected[0][0].toInt(), code);
        QVERIFY2(connected[0][1].toString().contains(text), qPrintable(connected[0][1].toString()));
        QCOMPARE(ftp.State(), int(code == 0 ? FtpStateConnected : FtpStateDisconnected));
        QCOMPARE(asked.size(), handler ? 1 : 0);
        // The key is kept only where a handler saw it, and it is the one the handler was shown.
        if (protocol == FtpProtocol::Sftp)
            QCOMPARE(asked.value(0, "no key"), handler
                                                   ? QString::fromLatin1(ftp.ServerHostKey().type + ' ' +
                                                                         ftp.ServerHostKey().Fingerprint())
                                                   : "no key");
        if (protocol == FtpProtocol::Sftp && !handler)
            QCOMPARE(ftp.ServerHostKey().Fingerprint(), SshHostKey().Fingerprint());
        const bool passwordSent = code != int(FtpErrorRejected) && protocol != FtpProtocol::Sftp;
        QCOMPARE(passwordsSeen, passwordSent ? QStringList{handler ? "after" : "before"} : QStringList());
        if (code != 0)
            QCOMPARE(states.size(), 0);
    }

    // Every event arrives on the creating thread, state changes before the event that ends the call, and
    // progress at most once per 40 ms besides the first and the last, which comes once, before Done. The
    // owner sees the real commands (to mask the password itself) and may change them. Active mode is taken on
    // the connection already up.
    void deliversEveryEventOnTheCreatingThread()
    {
        QVERIFY(MakeFile(Local("threads.bin"), 3 * kMiB + 17, *QRandomGenerator::global()));
        CFtpComponent ftp;
        QList<QThread*> threads;
        QStringList names;
        QStringList commands;
        const auto watch = [&](auto signal, const char* name)
        {
            connect(&ftp, signal, &ftp,
                    [&, name]
                    {
                        threads.append(QThread::currentThread());
                        names.append(QString::fromLatin1(name));
                    });
        };
        watch(&CFtpComponent::Connected, "Connected");
        watch(&CFtpComponent::Done, "Done");
        watch(&CFtpComponent::StateChange, "StateChange");
        watch(&CFtpComponent::Disconnected, "Disconnected");
        watch(&CFtpComponent::Progress, "Progress");
        watch(&CFtpComponent::ListItems, "ListItems");
        watch(&CFtpComponent::FTPReply, "FTPReply");
        watch(&CFtpComponent::PreTranslateReply, "PreTranslateReply");
        connect(&ftp, &CFtpComponent::PreTranslateCommand, &ftp,
                [&](QString& command)
                {
                    threads.append(QThread::currentThread());
                    commands.append(command);
                    if (command == QLatin1String("NOOP"))
                        command = "SYST";
                });
        QVERIFY(Configure(ftp, "proftpd"));
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        QSignalSpy replies(&ftp, &CFtpComponent::FTPReply);
        QList<qint64> progress;
        connect(&ftp, &CFtpComponent::Progress, &ftp,
                [&](qint64 at, qint64) { progress << (done.isEmpty() ? at : -1); });
        QElapsedTimer clock;
        clock.start();

        ftp.Connect();
        // Queued: nothing can have arrived before this thread runs its event loop again.
        QVERIFY(names.isEmpty());
        ftp.SetPassive(false);
        ftp.Upload(Local("threads.bin"), "threads.bin");
        ftp.List();
        ftp.RawCommand("NOOP");
        // Disconnect aborts whatever still runs, so it waits for the last queued call to answer.
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, kWaitMs);
        ftp.Disconnect();
        QSignalSpy disconnected(&ftp, &CFtpComponent::Disconnected);
        QVERIFY(disconnected.wait(kWaitMs));

        QCOMPARE(connected.size(), 1);
        QCOMPARE(connected[0][0].toInt(), 0);
        QCOMPARE(done.size(), 2);
        QCOMPARE(done[0][0].toInt(), 0);
        QCOMPARE(progress.last(), 3 * kMiB + 17);
        QCOMPARE(progress.count(progress.last()), 1);
        QVERIFY2(progress.size() <= clock.elapsed() / 40 + 2, qPrintable(QString::number(progress.size())));
        QVERIFY(!commands.filter(QRegularExpression("^EPRT ")).isEmpty());
        QCOMPARE(replies[0][0].toString(), "NOOP");
        QCOMPARE(replies[0][1].toInt(), 215);
        QVERIFY(commands.contains("PASS " + Harness::Server("proftpd")->Password()));
        for (const char* event : {"PreTranslateReply", "StateChange", "Progress", "ListItems"})
            QVERIFY2(names.contains(QLatin1String(event)), event);
        QCOMPARE(threads.count(QThread::currentThread()), threads.size());
        QVERIFY(names.indexOf("StateChange") < names.indexOf("Connected"));
        QVERIFY(names.lastIndexOf("StateChange") < names.indexOf("Disconnected"));
        QCOMPARE(ftp.State(), int(FtpStateDisconnected));
        QCOMPARE(Sha256(Harness::Server("proftpd")->Root() + "/threads.bin"), Sha256(Local("threads.bin")));
    }

    // Blocking calls return finished, with the thread's other events dispatched meanwhile. The component
    // keeps the current folder and the items of the last listing; the calls that return values finish before
    // returning even without the blocking flag.
    void blockingCallsAndWhatTheyKeep()
    {
        CFtpComponent ftp;
        QVERIFY(Configure(ftp, "proftpd"));
        QSignalSpy connected(&ftp, &CFtpComponent::Connected);
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        QSignalSpy lines(&ftp, &CFtpComponent::ListItems);
        bool timerFired = false;
        QTimer::singleShot(0, this, [&] { timerFired = true; });
        ftp.SetBlocking(true);
        ftp.Connect();
        QVERIFY(connected.size() == 1 && ftp.State() == FtpStateConnected && timerFired);
        const QString root = ftp.RemoteFolder();
        QVERIFY(!root.isEmpty());
        ftp.MakeFolder("tree");
        QCOMPARE(done.size(), 1);
        QVERIFY(MakeFile(Local("leaf.bin"), 1000, *QRandomGenerator::global()));
        ftp.MakeFolder("tree/有 空格");
        ftp.Upload(Local("leaf.bin"), "tree/a.bin");
        QCOMPARE(done.last()[0].toInt(), 0);

        QCOMPARE(ftp.CheckFolder("tree/有 空格"), 0);
        QCOMPARE(ftp.RemoteFolder(), root);
        QCOMPARE(ftp.CheckFolder("tree/missing"), 550);
        QCOMPARE(ftp.SetRemoteFolder("tree"), 0);
        QVERIFY(ftp.RemoteFolder().endsWith(QLatin1String("/tree")));
        ftp.List();
        QStringList names;
        for (const ListItem& item : ftp.Items())
            names.append(QString::fromUtf8(item.name));
        names.sort();
        QCOMPARE(names, (QStringList{"a.bin", "有 空格"}));
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0][0].toString().contains("有 空格"));
        ftp.DeleteFolderContents("missing");
        QVERIFY(done.last()[0].toInt() == 550 && done.last()[1].toString().contains("550"));
        // A failed listing leaves no stale items behind.
        ftp.List("missing");
        QVERIFY(done.last()[0].toInt() != 0 && ftp.Items().empty());
        ftp.SetBlocking(false);
        const QString local = ftp.LocalChecksum(ChecksumKind::Sha1, Local("leaf.bin"));
        QVERIFY(!local.isEmpty());
        QCOMPARE(ftp.RemoteChecksum(ChecksumKind::Sha1, "a.bin"), local);
        QVERIFY(ftp.LocalChecksum(ChecksumKind::Sha1, Local("no such file")).isEmpty());
        ftp.SetBlocking(true);
        ftp.Disconnect();
        QCOMPARE(ftp.State(), int(FtpStateDisconnected));
    }

    void stopsARunningDownload_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Abort") << "Abort";
        QTest::newRow("AbortAll") << "AbortAll";
    }
    // Abort ends the running call; AbortAll also the calls made before it that wait behind it, at once and
    // without touching a local file. Calls made afterwards are not touched, and no cancel is left for them.
    void stopsARunningDownload()
    {
        QFETCH(QString, how);
        const QString name = how + ".bin";
        const qint64 size = 4096 * kMiB;
        CTestServer* server = Harness::Require("proftpd");
        QVERIFY(server);
        QVERIFY(MakeSparse(server->Root() + "/" + name, size) &&
                MakeFile(server->Root() + "/small.bin", 1000));
        const QString waiting = Local("waiting.bin");
        QFile::remove(waiting);
        CFtpComponent ftp;
        QVERIFY(ConnectBlocking(ftp));
        QSignalSpy done(&ftp, &CFtpComponent::Done);
        bool stopped = false;
        connect(&ftp, &CFtpComponent::Progress, this,
                [&](qint64 position, qint64)
                {
                    if (position == 0 || std::exchange(stopped, true))
                        return;
                    if (how == "Abort")
                        ftp.Abort();
                    else
                        ftp.AbortAll();
                });
        ftp.Download(Local(name), name);
        ftp.Download(waiting, "small.bin");
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 2, kWaitMs);
        QCOMPARE(done[0][0].toInt(), int(FtpErrorCancelled));
        QCOMPARE(done[1][0].toInt(), how == "AbortAll" ? int(FtpErrorCancelled) : 0);
        QCOMPARE(QFile::exists(waiting), how == "Abort");
        QVERIFY(QFileInfo(Local(name)).size() < size);
        QFile::remove(Local(name));
        QCOMPARE(ftp.State(), int(FtpStateConnected));
        ftp.Abort(); // nothing runs: no effect on what comes next
        ftp.List();
        QVERIFY(done.wait(kWaitMs));
        QCOMPARE(done[2][0].toInt(), 0);
        QVERIFY(!ftp.Items().empty());
    }

    void destructionEndsAnUnansweredQuestion()
    {
        auto ftp = std::make_unique<CFtpComponent>();
        QVERIFY(Configure(*ftp, "vsftpd", FtpProtocol::ExplicitTls));
        bool asked = false;
        connect(ftp.get(), &CFtpComponent::HostCertificate, this,
                [&](const ServerCertificate&, int, const QString&, bool&) { asked = true; });
        ftp->Connect();
        // This thread runs no event loop now, so the certificate question stays unanswered.
        QThread::msleep(1000);
        QElapsedTimer clock;
        clock.start();
        ftp.reset();
        // A hang would last the whole answer wait (two minutes).
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QCoreApplication::processEvents();
        QVERIFY(!asked);
    }
};

QTEST_GUILESS_MAIN(TestRemoteConnection)
#include "tst_RemoteConnection.moc"
