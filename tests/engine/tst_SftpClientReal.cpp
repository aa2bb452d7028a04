#include "servers/Harness.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

#include "engine/Checksum.h"
#include "engine/keys/KeyCertificate.h"
#include "engine/sftp/SftpClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

using namespace TestFiles;

namespace
{
// What the host key hook of a log-in does.
enum class Hook
{
    Accept,
    Refuse,
    None
};

// "kbd" is a twin of the harness's sshd that this test runs, offering keyboard-interactive (through PAM)
// instead of password, as many servers do.
const QStringList kKinds = {"sshd", "proftpd-sftp"};

int OpenDescriptors()
{
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

bool Ok(const FtpResult& result)
{
    if (!result.Ok())
        qWarning("%s", qPrintable(result.message));
    return result.Ok();
}

bool Tool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran = process.waitForFinished(30000) && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ran;
}
} // namespace

Q_DECLARE_METATYPE(Hook)
Q_DECLARE_METATYPE(SftpAuthentication)
Q_DECLARE_METATYPE(FtpStatus)

class TestSftpClientReal : public QObject
{
    Q_OBJECT

    CTestServer* Server(const QString& kind) const { return Harness::Require(kind == "kbd" ? "sshd" : kind); }
    QString Disk(const QString& kind, const QByteArray& remote) const
    {
        return Server(kind)->Root() + QString::fromUtf8(remote);
    }
    QString Local(const QString& name) const { return m_local.filePath(name); }
    bool Put(CSftpClient& client, const QByteArray& content, const QByteArray& remote)
    {
        return WriteFile(Local("put"), content) &&
               Ok(client.Upload(Local("put"), remote, FtpUploadMode::Replace));
    }
    // The passwords sshd's log shows so far, taken or refused; the other logs tell none.
    int PasswordsSent(const QString& kind) const
    {
        return kind != "sshd"
                   ? 0
                   : int(ReadFile(Server(kind)->Value("WORKDIR") + "/../server.log").count("password for"));
    }
    SftpConnectOptions Options(const QString& kind) const
    {
        const CTestServer* server = Server(kind);
        SftpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = kind == "kbd" ? m_kbdPort : server->Port();
        options.user = server->User().toUtf8();
        options.password = server->Password().toUtf8();
        options.timeoutMs = 10000;
        return options;
    }
    // Connects client (accepting the host key) and makes a new, empty folder for one test row.
    bool Open(CSftpClient& client, const QString& kind, QByteArray* folder)
    {
        if (!Server(kind))
            return false;
        client.SetHostKeyHook([](const SshHostKey&) { return true; });
        *folder = QDir::cleanPath(Server(kind)->Value("WORKDIR") + QStringLiteral("/t%1").arg(++m_folders))
                      .toUtf8();
        return Ok(client.Connect(Options(kind))) && Ok(client.MakeFolder(*folder));
    }
    static void KindRows(const QStringList& kinds, const QStringList& variants)
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("variant");
        for (const QString& kind : kinds)
            for (const QString& variant : variants)
                QTest::newRow(qPrintable((kind + ' ' + variant).trimmed())) << kind << variant;
    }

    QTemporaryDir m_local;
    int m_folders = 0;
    int m_descriptors = 0;
    QProcess m_kbd;
    quint16 m_kbdPort = 0;

private Q_SLOTS:
    void initTestCase()
    {
        CTestServer* sshd = Server("sshd");
        CTestServer* proftpd = Server("proftpd-sftp");
        QVERIFY(sshd && proftpd);
        // An Ed25519 key in PEM (PKCS#8), which ssh-keygen never writes, authorized on both servers; proftpd
        // takes it in RFC 4716 form. And a key no server knows.
        QVERIFY(Tool("openssl", {"genpkey", "-algorithm", "ED25519", "-out", Local("ed25519.pem")}));
        QVERIFY(Tool("ssh-keygen", {"-q", "-t", "ed25519", "-N", QString(), "-f", Local("stranger")}));
        CKeyCertificate key;
        QVERIFY(key.LoadPrivateKey(Local("ed25519.pem")).Ok());
        QByteArray rfc4716;
        QVERIFY(WriteFile(Local("ed25519.pub"), key.PublicKeyText() + " pem-test\n"));
        QVERIFY(Tool("ssh-keygen", {"-e", "-f", Local("ed25519.pub")}, &rfc4716));
        const QString proftpdKeys = proftpd->Root() + "/../authorized/" + proftpd->User();
        QVERIFY(WriteFile(proftpdKeys, ReadFile(proftpdKeys) + rfc4716));
        QString config = QString::fromUtf8(ReadFile(sshd->Value("WORKDIR") + "/../sshd_config"));
        const QString authorized = QRegularExpression("AuthorizedKeysFile (\\S+)").match(config).captured(1);
        QVERIFY(WriteFile(authorized, ReadFile(authorized) + ReadFile(Local("ed25519.pub"))));

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        m_kbdPort = probe.serverPort();
        probe.close();
        config.remove(
            QRegularExpression("^(Port|PidFile|PasswordAuthentication|KbdInteractive\\w*|UsePAM) .*$",
                               QRegularExpression::MultilineOption));
        config += QStringLiteral("\nPort %1\nPidFile %2\nPasswordAuthentication no\n"
                                 "KbdInteractiveAuthentication yes\nUsePAM yes\n")
                      .arg(m_kbdPort)
                      .arg(Local("kbd.pid"));
        QVERIFY(WriteFile(Local("kbd_config"), config.toUtf8()));
        m_kbd.start("/usr/sbin/sshd", {"-D", "-f", Local("kbd_config"), "-E", Local("kbd.log")});
        QTRY_VERIFY2_WITH_TIMEOUT(ReadFile(Local("kbd.log")).contains("Server listening"),
                                  ReadFile(Local("kbd.log")).constData(), 10000);
    }
    void cleanupTestCase()
    {
        m_kbd.terminate();
        m_kbd.waitForFinished(5000);
    }
    // Whichever way a test's connections ended, the socket's and the SSH library's resources went with them.
    void init() { m_descriptors = OpenDescriptors(); }
    void cleanup() { QCOMPARE(OpenDescriptors(), m_descriptors); }

    void logIn_data()
    {
        Columns<QString, QString, QByteArray, SftpAuthentication, Hook, FtpStatus, QString>(
            {"kind", "keyName", "password", "authentication", "hook", "status", "message"});
        const QByteArray right = "zentrava-test-pw";
        const auto key = SftpAuthentication::KeyOnly;
        const auto allowed = SftpAuthentication::PasswordAllowed;
        for (const QString& kind : kKinds + QStringList{"kbd"})
        {
            // keyName: a key of the harness, or "local:" and one of this test.
            const auto row = [&](const char* tag, const char* keyName, const QByteArray& password,
                                 SftpAuthentication authentication, Hook hook, FtpStatus status,
                                 const char* message)
            {
                QTest::addRow("%s %s", qPrintable(kind), tag)
                    << kind << QString::fromLatin1(keyName) << password << authentication << hook << status
                    << QString::fromUtf8(message);
            };
            row("password", "", right, allowed, Hook::Accept, FtpStatus::Ok, "");
            row("wrong password", "", "wrong", allowed, Hook::Accept, FtpStatus::LogInRefused,
                kind == "kbd" ? "keyboard" : "密碼");
            row("ed25519 OpenSSH", "KEY_ED25519", {}, key, Hook::Accept, FtpStatus::Ok, "");
            row("ed25519 PEM", "local:ed25519.pem", {}, key, Hook::Accept, FtpStatus::Ok, "");
            row("RSA OpenSSH (rsa-sha2)", "KEY_RSA", {}, key, Hook::Accept, FtpStatus::Ok, "");
            row("RSA PEM pass phrase", "KEY_RSA_PEM_PASSPHRASE", {}, key, Hook::Accept, FtpStatus::Ok, "");
            row("key with a wrong password allowed", "KEY_ED25519", "wrong", allowed, Hook::Accept,
                FtpStatus::Ok, "");
            // The password is never sent when only keys may log in, nor to a server whose key was refused.
            row("key only without a key", "", right, key, Hook::Accept, FtpStatus::BadRequest, "金鑰");
            row("key only, a key the server does not know", "local:stranger", right, key, Hook::Accept,
                FtpStatus::LogInRefused, "金鑰");
            row("host key refused", "", right, allowed, Hook::Refuse, FtpStatus::Rejected, "主機金鑰");
            row("no host key hook", "", right, allowed, Hook::None, FtpStatus::Rejected, "主機金鑰");
        }
    }
    void logIn()
    {
        QFETCH(QString, kind);
        QFETCH(QString, keyName);
        QFETCH(SftpAuthentication, authentication);
        QFETCH(Hook, hook);
        QFETCH(FtpStatus, status);
        QFETCH(QString, message);
        const CTestServer* server = Server(kind);
        QVERIFY(server);
        SftpConnectOptions options = Options(kind);
        QFETCH(QByteArray, password);
        options.password = password;
        options.authentication = authentication;
        if (!keyName.isEmpty())
        {
            const QString path =
                keyName.startsWith("local:") ? Local(keyName.mid(6)) : server->Value(keyName);
            const QByteArray passphrase =
                keyName.endsWith("PASSPHRASE") ? server->Value("KEY_PASSPHRASE").toUtf8() : QByteArray();
            auto key = std::make_shared<CKeyCertificate>();
            QVERIFY(Ok(key->LoadPrivateKey(path, passphrase)));
            options.key = key;
        }
        const int passwordsBefore = PasswordsSent(kind);
        int passwordsAtQuestion = -1;
        SshHostKey seen;
        CSftpClient client;
        if (hook != Hook::None)
            client.SetHostKeyHook(
                [&](const SshHostKey& key)
                {
                    seen = key;
                    passwordsAtQuestion = PasswordsSent(kind);
                    return hook == Hook::Accept;
                });
        const FtpResult result = client.Connect(options);
        QVERIFY2(result.status == status && result.message.contains(message), qPrintable(result.message));
        QCOMPARE(client.IsConnected(), status == FtpStatus::Ok);
        // The host key is decided before any password goes out.
        if (hook != Hook::None)
        {
            QCOMPARE(seen.blob.toBase64(), ReadFile(server->Value("HOST_KEY")).split(' ').value(1));
            QCOMPARE(passwordsAtQuestion, passwordsBefore);
        }
        if (hook == Hook::Refuse)
            QVERIFY2(result.message.contains(QString::fromUtf8(seen.Fingerprint())),
                     qPrintable(result.message));
        QTest::qWait(200); // sshd writes its log line after the connection ends
        const bool passwordSent = kind == "sshd" && keyName.isEmpty() &&
                                  authentication == SftpAuthentication::PasswordAllowed &&
                                  hook == Hook::Accept;
        QCOMPARE(PasswordsSent(kind) > passwordsBefore, passwordSent);
        if (status == FtpStatus::Ok)
            QVERIFY(client.CurrentFolder().value.startsWith('/') && Ok(client.Noop()));
    }

    void filesAndFolders_data() { KindRows(kKinds, {""}); }
    void filesAndFolders()
    {
        QFETCH(QString, kind);
        CSftpClient client;
        QByteArray folder;
        QVERIFY(Open(client, kind, &folder));
        const auto disk = [&](const QByteArray& name) { return Disk(kind, folder + '/' + name); };

        // The listing shows kinds, sizes, times, permissions, link targets, owners and groups.
        QVERIFY(Put(client, "12345", folder + "/file.txt") &&
                Ok(client.SetPermissions(folder + "/file.txt", 0640)));
        QVERIFY(Ok(client.MakeFolder(folder + "/sub")) && Ok(client.SetPermissions(folder + "/sub", 0750)));
        QVERIFY(QFile::link("file.txt", disk("link")));
        const FtpValue<FtpListing> listing = client.List(folder);
        QVERIFY(Ok(listing.result));
        QCOMPARE(listing.value.items.size(), size_t(3));
        QMap<QByteArray, ListItem> items;
        for (const ListItem& item : listing.value.items)
            items.insert(item.name, item);
        const ListItem file = items["file.txt"];
        QCOMPARE(QList({file.kind, items["sub"].kind, items["link"].kind}),
                 QList({ListItem::Kind::File, ListItem::Kind::Folder, ListItem::Kind::Link}));
        QCOMPARE(file.size, qint64(5));
        QCOMPARE(file.permissions + items["sub"].permissions, QByteArray("-rw-r-----drwxr-x---"));
        QCOMPARE(file.modified.toSecsSinceEpoch(),
                 QFileInfo(disk("file.txt")).lastModified().toSecsSinceEpoch());
        // sshd gives the link's text, proftpd the path it leads to.
        QVERIFY2(items["link"].linkTarget.endsWith("file.txt"), items["link"].linkTarget.constData());
        QVERIFY(!file.owner.isEmpty() && !file.group.isEmpty());
        if (kind == "sshd")
            QCOMPARE(file.owner + ':' + file.group, QByteArray("zentrava:zentrava"));
        for (const QByteArray& line : listing.value.lines)
            QVERIFY2(line.startsWith(items.value(line.split(' ').last()).permissions), line.constData());

        // Relative names work below the current folder, which realpath keeps absolute; a refusal keeps it.
        QVERIFY(Ok(client.ChangeFolder(folder)) && Ok(client.MakeFolder("new folder")));
        QVERIFY(Ok(client.ChangeFolder("new folder")));
        QCOMPARE(client.CurrentFolder().value, folder + "/new folder");
        QVERIFY(Ok(client.ChangeToParent()));
        QCOMPARE(client.ChangeFolder("missing").status, FtpStatus::Refused);
        QCOMPARE(client.ChangeFolder("file.txt").status, FtpStatus::Refused);
        QCOMPARE(client.CurrentFolder().value, folder);
        QVERIFY(Ok(client.Delete("file.txt")) && Ok(client.RemoveFolder("new folder")));
        QVERIFY(!QFile::exists(disk("file.txt")) && !QFileInfo::exists(disk("new folder")));
        QCOMPARE(client.RemoveFolder("new folder").status, FtpStatus::Refused);
        const FtpResult twice = client.MakeFolder(folder);
        QVERIFY2(twice.status == FtpStatus::Refused && twice.message.contains(QString::fromUtf8(folder)),
                 qPrintable(twice.message));

        // Renaming replaces an existing file. Raw commands are carried out over SFTP, relative to the current
        // folder, and answered and logged as an FTP server would.
        QVERIFY(Put(client, "old", folder + "/a") && Put(client, "new content", folder + "/b"));
        QVERIFY(Ok(client.Rename(folder + "/b", folder + "/a")));
        QCOMPARE(ReadFile(disk("a")), QByteArray("new content"));
        QVERIFY(!QFile::exists(disk("b")));
        QByteArrayList log;
        client.SetLogHook([&](FtpLogKind type, const QByteArray& line)
                          { log.append(QByteArray(type == FtpLogKind::Reply ? "< " : "> ") + line); });
        const QList<std::tuple<QByteArray, int, QByteArray>> raw{
            {"SITE CHMOD 604 a\r\n", 200, "200 SITE CHMOD command successful."},
            {"SITE CHMOD 640 nothing", 550, "550 "},
            {"SITE CHMOD 9x a", 501, "501 命令參數錯誤：SITE CHMOD"},
            {"MDTM 20010203040506 a", 213, "213 File modification time set."},
            {"MDTM a", 213, "213 20010203040506"},
            {"NOOP", 200, "200 NOOP command successful."},
            {"SYST", 215, "215 UNIX Type: L8"},
            {"site help", 214, " CHMOD HELP"},
            {"LIST", 500, "500 SFTP 連線不支援命令 \"LIST\""}};
        for (const auto& [command, code, reply] : raw)
        {
            log.clear();
            const FtpResult result = client.Raw(command);
            // The command, the SFTP requests that carried it out with their answers, the emulated reply.
            QByteArrayList expected{"> " + command.trimmed()};
            if (command == "MDTM a")
                expected << "> STAT " + folder + "/a"
                         << "< ATTRS";
            for (const QByteArray& line : result.reply.lines)
                expected.append("< " + line);
            if (command != "MDTM a")
                log.remove(1, log.size() - expected.size());
            QCOMPARE(log, expected);
            QVERIFY2(result.reply.code == code && result.Ok() == (code < 400) &&
                         result.reply.Text().contains(reply),
                     result.reply.Text().constData());
        }
        QCOMPARE(QFileInfo(disk("a")).lastModified().toUTC(),
                 QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC));
        QCOMPARE(QFileInfo(disk("a")).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                                         QFile::WriteUser | QFile::ReadOther);
        QCOMPARE(client.SetModifiedTime(folder + "/a", QDateTime()).status, FtpStatus::BadRequest);

        // Failures carry the server's reason; a local one is local.
        const FtpResult missing = client.Download(folder + "/nothing", Local("nothing"), false);
        QVERIFY2(missing.status == FtpStatus::Refused && missing.message.contains("下載") &&
                     missing.message.contains("不存在"),
                 qPrintable(missing.message));
        QVERIFY(!QFile::exists(Local("nothing")));
        const FtpValue<QByteArray> noSum = client.RemoteChecksum(ChecksumKind::Md5, folder + "/nothing");
        QVERIFY2(!noSum.result.Ok() && noSum.value.isEmpty() && noSum.result.message.contains("nothing"),
                 qPrintable(noSum.result.message));
        QCOMPARE(client.RemoteChecksum(ChecksumKind::Md5, folder).value, QByteArray()); // a folder has no sum
        QCOMPARE(client.Upload(Local("no such file"), folder + "/x", FtpUploadMode::Replace).status,
                 FtpStatus::Local);
        // A file cut on disk after its size was read, before the first read, comes short and says so.
        QVERIFY(Put(client, QByteArray(70000, 'c'), folder + "/cut"));
        const auto cut = [&](qint64, qint64) { QFile::resize(disk("cut"), 1000); };
        const FtpResult shrunk = client.Download(folder + "/cut", Local("cut"), false, cut);
        QVERIFY2(shrunk.status == FtpStatus::Network &&
                     shrunk.message.contains(QRegularExpression("1000.*70000")),
                 qPrintable(shrunk.message));
        QVERIFY(client.IsConnected());

        // Emptying a folder removes links to folders outside, never following them.
        const QString outside = Local("outside");
        QVERIFY(QDir().mkpath(outside) && WriteFile(outside + "/keep", "keep"));
        for (const QByteArray sub : {"a b", "a b/c", "a b/c/d"})
            QVERIFY(Ok(client.MakeFolder(folder + '/' + sub)) && Put(client, "f", folder + '/' + sub + "/f"));
        QVERIFY(QFile::link(outside, disk("a b/c/outside")));
        QVERIFY(Ok(client.DeleteFolderContents(folder)));
        QVERIFY(QFileInfo(Disk(kind, folder)).isDir());
        QCOMPARE(QDir(Disk(kind, folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 QStringList());
        QCOMPARE(ReadFile(outside + "/keep"), QByteArray("keep"));
        QCOMPARE(client.DeleteFolderContents(folder + "/missing").status, FtpStatus::Refused);
        client.Disconnect();
        QCOMPARE(client.Delete("x").status, FtpStatus::NotConnected);
    }

    // variant: the size, or which way a transfer of 100 MiB is cancelled and resumed; the 70000 bytes' name
    // goes through the user's shell for the checksum commands.
    void transfers_data()
    {
        KindRows(kKinds, {"0", "1", "300000", "3158073", "70000", "download", "upload"});
    }
    // Both ways byte-identical, with progress up to the size. A cancel from another thread ends a transfer at
    // once; resuming then moves only the part that is missing. Then the server's checksums of the copy:
    // proftpd answers check-file for MD5 and SHA-1 and refuses CRC32; sshd has no extension, its user's shell
    // runs md5sum and sha1sum; CRC32 has no common command.
    void transfers()
    {
        QFETCH(QString, kind);
        QFETCH(QString, variant);
        const bool cancels = variant == "download" || variant == "upload";
        const qint64 size = cancels ? 100 * kMiB + 777 : variant.toLongLong();
        const QByteArray name =
            size == 70000 ? QByteArray("中文 檔名 it's a \"name\" $(x).txt") : variant.toUtf8();
        CSftpClient client;
        QByteArray remote;
        QVERIFY(Open(client, kind, &remote));
        remote += '/' + name;
        const QString source = Local(QStringLiteral("source%1").arg(size));
        QVERIFY(QFile::exists(source) || MakeFile(source, size));
        const QString back = Local(QString::fromUtf8(name));
        QVERIFY(WriteFile(back, "stale content that must go"));
        std::atomic<qint64> position{0};
        qint64 first = -1;
        const auto progress = [&](qint64 done, qint64 total)
        {
            QVERIFY(done >= position && total == size);
            position = done;
            first = first < 0 ? done : first;
        };
        const auto move = [&](bool upload, bool resume)
        {
            first = -1;
            position = -1;
            return upload ? client.Upload(source, remote,
                                          resume ? FtpUploadMode::Resume : FtpUploadMode::Replace, progress)
                          : client.Download(remote, back, resume, progress);
        };
        for (const bool upload : {true, false})
        {
            const QString target = upload ? Disk(kind, remote) : back;
            if (variant == (upload ? "upload" : "download"))
            {
                std::atomic<qint64> cancelledAt{0};
                // Not the position the upload before it reached: the cancel must find this transfer under
                // way.
                position = -1;
                QElapsedTimer clock;
                clock.start();
                std::thread canceller(
                    [&]
                    {
                        for (int i = 0; i < 6000 && position.load() < 10 * kMiB; ++i)
                            std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        cancelledAt = clock.nsecsElapsed();
                        client.Cancel();
                    });
                const FtpResult cancelled = move(upload, false);
                const qint64 ms = (clock.nsecsElapsed() - cancelledAt) / 1000000;
                canceller.join();
                QVERIFY2(cancelled.status == FtpStatus::Cancelled && !cancelled.message.isEmpty(),
                         "a cancel says so");
                // Within a second on an idle machine; the bound leaves room for a busy one.
                QVERIFY2(ms < 3000, qPrintable(QStringLiteral("returned %1 ms after the cancel").arg(ms)));
                const qint64 part = QFileInfo(target).size();
                QVERIFY2(part > 0 && part < size, qPrintable(QString::number(part)));
                // The replies still due are read within the settling time: the connection stays.
                QVERIFY(client.IsConnected());
                QVERIFY(Ok(move(upload, true)));
                QCOMPARE(first, part);
            }
            else
                QVERIFY(Ok(move(upload, false)));
            QCOMPARE(position.load(), size);
            QCOMPARE(QFileInfo(target).size(), size);
            QCOMPARE(Sha256(target), Sha256(source));
        }
        // A size listed before the file changed (the same, grown since, shrunk since, empty then) still
        // brings the whole file.
        for (const qint64 listed : size == 300000 ? QList<qint64>{300000, 1000, 600000, 0} : QList<qint64>())
        {
            QVERIFY(Ok(client.Download(remote, back, false, {}, listed)));
            QCOMPARE(Sha256(back), Sha256(Disk(kind, remote)));
        }
        if (cancels)
        {
            // Nothing left to do is no error; a target longer than the source cannot be continued.
            const bool upload = variant == "upload";
            QVERIFY(Ok(move(upload, true)));
            QVERIFY(WriteFile(Local("head"), "head"));
            QVERIFY(upload || WriteFile(back, ReadFile(back) + "tail"));
            const FtpResult refused = upload ? client.Upload(Local("head"), remote, FtpUploadMode::Resume)
                                             : client.Download(remote, back, true);
            QCOMPARE(refused.status, FtpStatus::BadRequest);
            QCOMPARE(QFileInfo(back).size(), upload ? size : size + 4);
            QCOMPARE(Sha256(Disk(kind, remote)), Sha256(source));
        }
        const FtpValue<FtpListing> listing = client.List(remote.left(remote.lastIndexOf('/')));
        QCOMPARE(listing.value.items.size(), size_t(1));
        QCOMPARE(listing.value.items[0].name, name);
        // proftpd has no check-file answer for an empty file.
        for (const ChecksumKind sum : size > 0
                                          ? QList{ChecksumKind::Md5, ChecksumKind::Sha1, ChecksumKind::Crc32}
                                          : QList<ChecksumKind>())
        {
            const FtpValue<QByteArray> remoteSum = client.RemoteChecksum(sum, remote);
            QVERIFY(Ok(remoteSum.result));
            QCOMPARE(remoteSum.value, sum == ChecksumKind::Crc32
                                          ? QByteArray()
                                          : LocalChecksum(source, sum, nullptr, nullptr));
        }
        QVERIFY(Ok(client.Noop()));
    }
};

QTEST_GUILESS_MAIN(TestSftpClientReal)
#include "tst_SftpClientReal.moc"
