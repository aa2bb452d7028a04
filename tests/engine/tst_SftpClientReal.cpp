#include "servers/Harness.h"
#include "support/TestFiles.h"

#include "engine/Checksum.h"
#include "engine/keys/KeyCertificate.h"
#include "engine/sftp/SftpClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

const QStringList kKinds = {QStringLiteral("sshd"), QStringLiteral("proftpd-sftp")};

quint16 FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

std::shared_ptr<CKeyCertificate> Key(const QString& path, const QByteArray& passphrase = {})
{
    auto key = std::make_shared<CKeyCertificate>();
    return key->LoadPrivateKey(path, passphrase).Ok() ? key : nullptr;
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
Q_DECLARE_METATYPE(ChecksumKind)

class TestSftpClientReal : public QObject
{
    Q_OBJECT

private:
    SftpConnectOptions Options(const QString& kind) const;
    // Connects client (accepting the host key) and makes a new, empty folder for one test row.
    bool Open(CSftpClient& client, const QString& kind, QByteArray* folder = nullptr);
    QString Disk(const QString& kind, const QByteArray& remote) const
    {
        return Harness::Server(kind)->Root() + QString::fromUtf8(remote);
    }
    // The passwords sshd's log shows so far, taken or refused; proftpd's log tells none.
    int PasswordsSent(const QString& kind) const;
    QString Local(const QString& name) const { return m_local.filePath(name); }
    bool Put(CSftpClient& client, const QByteArray& content, const QByteArray& remote)
    {
        return WriteFile(Local(QStringLiteral("put")), content) &&
               client.Upload(Local(QStringLiteral("put")), remote, FtpUploadMode::Replace).Ok();
    }

    QTemporaryDir m_local;
    int m_folders = 0;

private Q_SLOTS:
    void initTestCase();
    void logIn_data();
    void logIn();
    void keyboardInteractiveAnsweredWithThePassword();
    void filesAndFolders_data();
    void filesAndFolders();
    void transfersAreByteIdentical_data();
    void transfersAreByteIdentical();
    void resume_data();
    void resume();
    void cancelInTheMiddle_data();
    void cancelInTheMiddle();
    void checksums_data();
    void checksums();
    void rawCommands_data();
    void rawCommands();
    void connectionsLeaveNoDescriptorsBehind();
};

SftpConnectOptions TestSftpClientReal::Options(const QString& kind) const
{
    const CTestServer* server = Harness::Server(kind);
    SftpConnectOptions options;
    options.host = "127.0.0.1";
    options.port = server->Port();
    options.user = server->User().toUtf8();
    options.password = server->Password().toUtf8();
    options.timeoutMs = 10000;
    return options;
}

bool TestSftpClientReal::Open(CSftpClient& client, const QString& kind, QByteArray* folder)
{
    if (!Harness::Require(kind))
        return false;
    client.SetHostKeyHook([](const SshHostKey&) { return true; });
    const FtpResult connected = client.Connect(Options(kind));
    const QByteArray fresh = QDir::cleanPath(Harness::Server(kind)->Value(QStringLiteral("WORKDIR")) +
                                             QStringLiteral("/t%1").arg(++m_folders))
                                 .toUtf8();
    const bool made = connected.Ok() && (!folder || client.MakeFolder(fresh).Ok());
    if (!made)
        QTest::qFail(qPrintable(kind + QStringLiteral(": ") + connected.message), __FILE__, __LINE__);
    else if (folder)
        *folder = fresh;
    return made;
}

int TestSftpClientReal::PasswordsSent(const QString& kind) const
{
    if (kind != QLatin1String("sshd"))
        return 0;
    return int(
        ReadFile(Harness::Server(kind)->Value(QStringLiteral("WORKDIR")) + QStringLiteral("/../server.log"))
            .count("password for"));
}

void TestSftpClientReal::initTestCase()
{
    QVERIFY(m_local.isValid());
    // An Ed25519 key in PEM (PKCS#8), which ssh-keygen never writes, authorized on both servers; and a key
    // no server knows.
    const QString ed25519 = Local(QStringLiteral("ed25519.pem"));
    QVERIFY(Tool(QStringLiteral("openssl"), {QStringLiteral("genpkey"), QStringLiteral("-algorithm"),
                                             QStringLiteral("ED25519"), QStringLiteral("-out"), ed25519}));
    QVERIFY(Tool(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"),
                  QString(), QStringLiteral("-f"), Local(QStringLiteral("stranger"))}));
    const std::shared_ptr<CKeyCertificate> key = Key(ed25519);
    QVERIFY(key);
    const QByteArray line = key->PublicKeyText() + " pem-test\n";
    CTestServer* sshd = Harness::Require(QStringLiteral("sshd"));
    CTestServer* proftpd = Harness::Require(QStringLiteral("proftpd-sftp"));
    QVERIFY(sshd && proftpd);
    const QByteArray config =
        ReadFile(sshd->Value(QStringLiteral("WORKDIR")) + QStringLiteral("/../sshd_config"));
    const QRegularExpressionMatch authorized =
        QRegularExpression(QStringLiteral("AuthorizedKeysFile (\\S+)")).match(QString::fromUtf8(config));
    QVERIFY(authorized.hasMatch());
    QVERIFY(WriteFile(authorized.captured(1), ReadFile(authorized.captured(1)) + line));
    // proftpd takes the key in RFC 4716 form.
    const QString publicFile = Local(QStringLiteral("ed25519.pub"));
    QByteArray rfc4716;
    QVERIFY(WriteFile(publicFile, line));
    QVERIFY(Tool(QStringLiteral("ssh-keygen"), {QStringLiteral("-e"), QStringLiteral("-f"), publicFile},
                 &rfc4716));
    const QString proftpdKeys = proftpd->Root() + QStringLiteral("/../authorized/") + proftpd->User();
    QVERIFY(WriteFile(proftpdKeys, ReadFile(proftpdKeys) + rfc4716));
}

void TestSftpClientReal::logIn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("keyName"); // a key of the harness, or "local:" and one of this test
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<SftpAuthentication>("authentication");
    QTest::addColumn<Hook>("hook");
    QTest::addColumn<FtpStatus>("status");
    QTest::addColumn<QString>("message");

    const QByteArray right = "zentrava-test-pw";
    const auto key = SftpAuthentication::KeyOnly;
    for (const QString& kind : kKinds)
    {
        const auto row = [&](const char* tag, const char* keyName, const QByteArray& password,
                             SftpAuthentication authentication, Hook hook, FtpStatus status,
                             const char* message)
        {
            QTest::addRow("%s %s", qPrintable(kind), tag)
                << kind << QString::fromLatin1(keyName) << password << authentication << hook << status
                << QString::fromUtf8(message);
        };
        const auto allowed = SftpAuthentication::PasswordAllowed;
        row("password", "", right, allowed, Hook::Accept, FtpStatus::Ok, "");
        row("wrong password", "", "wrong", allowed, Hook::Accept, FtpStatus::LogInRefused, "密碼");
        row("ed25519 OpenSSH", "KEY_ED25519", {}, key, Hook::Accept, FtpStatus::Ok, "");
        row("ed25519 PEM", "local:ed25519.pem", {}, key, Hook::Accept, FtpStatus::Ok, "");
        row("RSA OpenSSH (rsa-sha2)", "KEY_RSA", {}, key, Hook::Accept, FtpStatus::Ok, "");
        row("RSA PEM pass phrase", "KEY_RSA_PEM_PASSPHRASE", {}, key, Hook::Accept, FtpStatus::Ok, "");
        row("key with a wrong password allowed", "KEY_ED25519", "wrong", allowed, Hook::Accept, FtpStatus::Ok,
            "");
        // The password is never sent when only keys may log in, nor to a server whose key was refused.
        row("key only without a key", "", right, key, Hook::Accept, FtpStatus::BadRequest, "金鑰");
        row("key only, a key the server does not know", "local:stranger", right, key, Hook::Accept,
            FtpStatus::LogInRefused, "金鑰");
        row("host key refused", "", right, allowed, Hook::Refuse, FtpStatus::Rejected, "主機金鑰");
        row("no host key hook", "", right, allowed, Hook::None, FtpStatus::Rejected, "主機金鑰");
    }
}

void TestSftpClientReal::logIn()
{
    QFETCH(QString, kind);
    QFETCH(QString, keyName);
    QFETCH(QByteArray, password);
    QFETCH(SftpAuthentication, authentication);
    QFETCH(Hook, hook);
    QFETCH(FtpStatus, status);
    QFETCH(QString, message);
    const CTestServer* server = Harness::Require(kind);
    QVERIFY(server);
    SftpConnectOptions options = Options(kind);
    options.password = password;
    options.authentication = authentication;
    if (!keyName.isEmpty())
    {
        const QString path =
            keyName.startsWith(QLatin1String("local:")) ? Local(keyName.mid(6)) : server->Value(keyName);
        const bool encrypted = keyName.endsWith(QLatin1String("PASSPHRASE"));
        options.key =
            Key(path, encrypted ? server->Value(QStringLiteral("KEY_PASSPHRASE")).toUtf8() : QByteArray());
        QVERIFY2(options.key, qPrintable(path));
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
    QVERIFY2(result.status == status, qPrintable(result.message));
    QVERIFY2(result.message.contains(message), qPrintable(result.message));
    QCOMPARE(client.IsConnected(), status == FtpStatus::Ok);
    // The host key is decided before any password goes out.
    if (hook != Hook::None)
    {
        QCOMPARE(seen.blob.toBase64(),
                 ReadFile(server->Value(QStringLiteral("HOST_KEY"))).split(' ').value(1));
        QCOMPARE(passwordsAtQuestion, passwordsBefore);
    }
    if (hook == Hook::Refuse)
        QVERIFY2(result.message.contains(QString::fromUtf8(seen.Fingerprint())), qPrintable(result.message));
    QTest::qWait(200); // sshd writes its log line after the connection ends
    const bool passwordSent = kind == QLatin1String("sshd") && keyName.isEmpty() &&
                              authentication == SftpAuthentication::PasswordAllowed && hook == Hook::Accept;
    QCOMPARE(PasswordsSent(kind) > passwordsBefore, passwordSent);
    if (status != FtpStatus::Ok)
        return;
    QVERIFY(client.CurrentFolder().value.startsWith('/'));
    QVERIFY2(client.Noop().Ok(), "NOOP after log-in");
}

void TestSftpClientReal::keyboardInteractiveAnsweredWithThePassword()
{
    // Many servers offer keyboard-interactive (through PAM) instead of password: a second sshd from the
    // harness's configuration, with only that method.
    const CTestServer* server = Harness::Require(QStringLiteral("sshd"));
    QVERIFY(server);
    const quint16 port = FreePort();
    QVERIFY(port != 0);
    QString config = QString::fromUtf8(
        ReadFile(server->Value(QStringLiteral("WORKDIR")) + QStringLiteral("/../sshd_config")));
    config.remove(QRegularExpression(
        QStringLiteral("^(Port|PidFile|PasswordAuthentication|KbdInteractive\\w*|UsePAM) .*$"),
        QRegularExpression::MultilineOption));
    config += QStringLiteral("\nPort %1\nPidFile %2\nPasswordAuthentication no\nKbdInteractiveAuthentication "
                             "yes\nUsePAM yes\n")
                  .arg(port)
                  .arg(Local(QStringLiteral("kbd.pid")));
    QVERIFY(WriteFile(Local(QStringLiteral("kbd_config")), config.toUtf8()));
    QProcess sshd;
    sshd.start(QStringLiteral("/usr/sbin/sshd"),
               {QStringLiteral("-D"), QStringLiteral("-f"), Local(QStringLiteral("kbd_config")),
                QStringLiteral("-E"), Local(QStringLiteral("kbd.log"))});
    QVERIFY(sshd.waitForStarted());
    const auto stop = qScopeGuard(
        [&]
        {
            sshd.terminate();
            sshd.waitForFinished(5000);
        });
    SftpConnectOptions options = Options(QStringLiteral("sshd"));
    options.port = port;
    CSftpClient client;
    client.SetHostKeyHook([](const SshHostKey&) { return true; });
    FtpResult result = client.Connect(options);
    for (int i = 0; i < 50 && result.status == FtpStatus::Network; ++i)
    {
        QTest::qWait(100); // until sshd listens
        result = client.Connect(options);
    }
    QVERIFY2(result.Ok(),
             qPrintable(result.message + QString::fromUtf8(ReadFile(Local(QStringLiteral("kbd.log"))))));
    QVERIFY(client.Noop().Ok());
    options.password = "wrong";
    const FtpResult refused = client.Connect(options);
    QCOMPARE(refused.status, FtpStatus::LogInRefused);
    QVERIFY2(refused.message.contains(QStringLiteral("keyboard")), qPrintable(refused.message));
}

void TestSftpClientReal::filesAndFolders_data()
{
    QTest::addColumn<QString>("kind");
    for (const QString& kind : kKinds)
        QTest::newRow(qPrintable(kind)) << kind;
}

void TestSftpClientReal::filesAndFolders()
{
    QFETCH(QString, kind);
    CSftpClient client;
    QCOMPARE(client.List().result.status, FtpStatus::NotConnected);
    QByteArray folder;
    QVERIFY(Open(client, kind, &folder));
    QVERIFY(QFileInfo(Disk(kind, folder)).isDir());

    // The listing shows kinds, sizes, times, permissions, link targets, owners and groups.
    QVERIFY(Put(client, "12345", folder + "/file.txt"));
    QVERIFY(client.SetPermissions(folder + "/file.txt", 0640).Ok());
    QVERIFY(client.MakeFolder(folder + "/sub").Ok());
    QVERIFY(client.SetPermissions(folder + "/sub", 0750).Ok());
    QVERIFY(QFile::link(QStringLiteral("file.txt"), Disk(kind, folder + "/link")));
    const FtpValue<FtpListing> listing = client.List(folder);
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QCOMPARE(listing.value.items.size(), size_t(3));
    QCOMPARE(listing.value.lines.size(), 3);
    QMap<QByteArray, ListItem> items;
    for (const ListItem& item : listing.value.items)
        items.insert(item.name, item);
    QCOMPARE(items["file.txt"].kind, ListItem::Kind::File);
    QCOMPARE(items["file.txt"].size, qint64(5));
    QCOMPARE(items["file.txt"].permissions, QByteArray("-rw-r-----"));
    QCOMPARE(items["file.txt"].modified.toSecsSinceEpoch(),
             QFileInfo(Disk(kind, folder + "/file.txt")).lastModified().toSecsSinceEpoch());
    QCOMPARE(items["sub"].kind, ListItem::Kind::Folder);
    QCOMPARE(items["sub"].permissions, QByteArray("drwxr-x---"));
    QCOMPARE(items["link"].kind, ListItem::Kind::Link);
    // sshd gives the link's text, proftpd the path it leads to.
    QVERIFY2(items["link"].linkTarget.endsWith("file.txt"), items["link"].linkTarget.constData());
    QVERIFY(!items["file.txt"].owner.isEmpty() && !items["file.txt"].group.isEmpty());
    if (kind == QLatin1String("sshd"))
        QCOMPARE(items["file.txt"].owner + ':' + items["file.txt"].group, QByteArray("zentrava:zentrava"));
    for (const QByteArray& line : listing.value.lines)
        QVERIFY2(line.startsWith(items.value(line.split(' ').last()).permissions), line.constData());
    QVERIFY(client.Delete(folder + "/link").Ok() && client.Delete(folder + "/file.txt").Ok());
    QVERIFY(client.RemoveFolder(folder + "/sub").Ok());

    // Relative names work below the current folder, which realpath keeps absolute.
    QVERIFY(client.ChangeFolder(folder).Ok());
    QCOMPARE(client.CurrentFolder().value, folder);
    QVERIFY(client.MakeFolder("new folder").Ok());
    QVERIFY(client.ChangeFolder("new folder").Ok());
    QCOMPARE(client.CurrentFolder().value, folder + "/new folder");
    QVERIFY(client.ChangeToParent().Ok());
    QCOMPARE(client.CurrentFolder().value, folder);
    QCOMPARE(client.ChangeFolder("missing").status, FtpStatus::Refused);
    QCOMPARE(client.CurrentFolder().value, folder);
    QVERIFY(Put(client, "x", "file"));
    QCOMPARE(client.ChangeFolder("file").status, FtpStatus::Refused);
    QCOMPARE(client.Size("file").value, qint64(1));
    QVERIFY(client.Delete("file").Ok());
    QVERIFY(!QFile::exists(Disk(kind, folder + "/file")));
    QVERIFY(client.RemoveFolder("new folder").Ok());
    QVERIFY(!QFileInfo::exists(Disk(kind, folder + "/new folder")));
    QCOMPARE(client.RemoveFolder("new folder").status, FtpStatus::Refused);
    QCOMPARE(client.Delete("file").status, FtpStatus::Refused);
    const FtpResult twice = client.MakeFolder(folder);
    QCOMPARE(twice.status, FtpStatus::Refused);
    QVERIFY2(twice.message.contains(QString::fromUtf8(folder)), qPrintable(twice.message));

    // Renaming replaces an existing file and moves into another folder.
    QVERIFY(Put(client, "old", folder + "/a"));
    QVERIFY(Put(client, "new content", folder + "/b"));
    const FtpResult renamed = client.Rename(folder + "/b", folder + "/a");
    QVERIFY2(renamed.Ok(), qPrintable(renamed.message));
    QCOMPARE(ReadFile(Disk(kind, folder + "/a")), QByteArray("new content"));
    QVERIFY(!QFile::exists(Disk(kind, folder + "/b")));
    QVERIFY(client.MakeFolder(folder + "/into").Ok());
    QVERIFY(client.Rename(folder + "/a", folder + "/into/c").Ok());
    QCOMPARE(ReadFile(Disk(kind, folder + "/into/c")), QByteArray("new content"));
    QCOMPARE(client.Rename(folder + "/a", folder + "/d").status, FtpStatus::Refused);

    // Times and permissions.
    QVERIFY(Put(client, "t", folder + "/t"));
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    QVERIFY(client.SetModifiedTime(folder + "/t", when).Ok());
    QCOMPARE(QFileInfo(Disk(kind, folder + "/t")).lastModified().toUTC(), when);
    QCOMPARE(client.ModifiedTime(folder + "/t").value, when);
    QVERIFY(client.SetPermissions(folder + "/t", 0604).Ok());
    struct stat info
    {
    };
    QCOMPARE(stat(QFile::encodeName(Disk(kind, folder + "/t")).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0604));
    QCOMPARE(client.SetModifiedTime(folder + "/t", QDateTime()).status, FtpStatus::BadRequest);
    QCOMPARE(client.SetPermissions(folder + "/missing", 0600).status, FtpStatus::Refused);

    // Failures carry the server's reason; a local one is local.
    const FtpResult missing = client.Download(folder + "/nothing", Local(QStringLiteral("nothing")), false);
    QCOMPARE(missing.status, FtpStatus::Refused);
    QVERIFY2(missing.message.contains(QStringLiteral("下載")) &&
                 missing.message.contains(QStringLiteral("不存在")),
             qPrintable(missing.message));
    QVERIFY(!QFile::exists(Local(QStringLiteral("nothing"))));
    QCOMPARE(
        client.Upload(Local(QStringLiteral("no such file")), folder + "/x", FtpUploadMode::Replace).status,
        FtpStatus::Local);
    // A file cut on disk after its size was read, before the first read, comes short and says so.
    QVERIFY(Put(client, QByteArray(70000, 'c'), folder + "/cut"));
    const auto cut = [&](qint64, qint64) { QFile::resize(Disk(kind, folder + "/cut"), 1000); };
    const FtpResult shrunk = client.Download(folder + "/cut", Local(QStringLiteral("cut")), false, cut);
    QVERIFY2(shrunk.status == FtpStatus::Network &&
                 shrunk.message.contains(QRegularExpression("1000.*70000")),
             qPrintable(shrunk.message));
    QVERIFY(client.IsConnected());

    // Emptying a folder removes links to folders outside, never following them.
    const QString outside = Local(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(WriteFile(outside + QStringLiteral("/keep"), "keep"));
    for (const QByteArray& sub : {QByteArray("a"), QByteArray("a/b"), QByteArray("a/b/c"), QByteArray("d e")})
        QVERIFY(client.MakeFolder(folder + '/' + sub).Ok() && Put(client, "f", folder + '/' + sub + "/f"));
    QVERIFY(Put(client, "f", folder + "/top"));
    QVERIFY(QFile::link(outside, Disk(kind, folder + "/a/b/outside")));
    const FtpResult deleted = client.DeleteFolderContents(folder);
    QVERIFY2(deleted.Ok(), qPrintable(deleted.message));
    QVERIFY(QFileInfo(Disk(kind, folder)).isDir());
    QCOMPARE(QDir(Disk(kind, folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList());
    QCOMPARE(ReadFile(outside + QStringLiteral("/keep")), QByteArray("keep"));
    QCOMPARE(client.DeleteFolderContents(folder + "/missing").status, FtpStatus::Refused);
    client.Disconnect();
    QVERIFY(!client.IsConnected());
    QCOMPARE(client.Delete("x").status, FtpStatus::NotConnected);
}

void TestSftpClientReal::transfersAreByteIdentical_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint64>("size");
    for (const QString& kind : kKinds)
    {
        const QByteArray k = kind.toUtf8();
        QTest::newRow(k + " empty") << kind << QByteArray("empty") << qint64(0);
        QTest::newRow(k + " one byte") << kind << QByteArray("one") << qint64(1);
        QTest::newRow(k + " 10 MiB") << kind << QByteArray("ten.bin") << 10 * kMiB;
        QTest::newRow(k + " odd size") << kind << QByteArray("odd") << 3 * kMiB + 12345;
        QTest::newRow(k + " CJK and spaces") << kind << QByteArray("中文 檔名 'q' $x.txt") << qint64(70000);
    }
}

void TestSftpClientReal::transfersAreByteIdentical()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, name);
    QFETCH(qint64, size);
    CSftpClient client;
    QByteArray folder;
    QVERIFY(Open(client, kind, &folder));
    const QString source = Local(QStringLiteral("source"));
    const QString back = Local(QString::fromUtf8(name));
    QVERIFY(MakeFile(source, size));
    qint64 last = -1;
    const auto progress = [&](qint64 position, qint64 total)
    {
        QVERIFY(position >= last && total == size);
        last = position;
    };
    const FtpResult up = client.Upload(source, folder + '/' + name, FtpUploadMode::Replace, progress);
    QVERIFY2(up.Ok(), qPrintable(up.message));
    QCOMPARE(last, size);
    QCOMPARE(Sha256(Disk(kind, folder + '/' + name)), Sha256(source));
    QVERIFY(WriteFile(back, "stale content that must go"));
    last = -1;
    const FtpResult down = client.Download(folder + '/' + name, back, false, progress);
    QVERIFY2(down.Ok(), qPrintable(down.message));
    QCOMPARE(last, size);
    QCOMPARE(QFileInfo(back).size(), size);
    QCOMPARE(Sha256(back), Sha256(source));
    const FtpValue<FtpListing> listing = client.List(folder);
    QCOMPARE(listing.value.items.size(), size_t(1));
    QCOMPARE(listing.value.items[0].name, name);
}

void TestSftpClientReal::resume_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("upload");
    for (const QString& kind : kKinds)
    {
        QTest::newRow(qPrintable(kind + QStringLiteral(" download"))) << kind << false;
        QTest::newRow(qPrintable(kind + QStringLiteral(" upload"))) << kind << true;
    }
}

void TestSftpClientReal::resume()
{
    QFETCH(QString, kind);
    QFETCH(bool, upload);
    CSftpClient client;
    QByteArray remote;
    QVERIFY(Open(client, kind, &remote));
    remote += "/file";
    const QString whole = Local(QStringLiteral("whole"));
    const QString head = Local(QStringLiteral("head"));
    const qint64 size = 5 * kMiB + 777;
    const qint64 part = 2 * kMiB + 3;
    QVERIFY(MakeFile(whole, size));
    QVERIFY(WriteFile(head, ReadFile(whole).left(part)));
    // The partial copy: on the server for an upload, here for a download.
    QVERIFY(client.Upload(upload ? head : whole, remote, FtpUploadMode::Replace).Ok());
    const QString local = Local(QStringLiteral("local"));
    QVERIFY(WriteFile(local, ReadFile(head)));
    const QString result = upload ? Disk(kind, remote) : local;

    qint64 first = -1;
    const auto progress = [&](qint64 position, qint64) { first = first < 0 ? position : first; };
    const FtpResult resumed = upload ? client.Upload(whole, remote, FtpUploadMode::Resume, progress)
                                     : client.Download(remote, local, true, progress);
    QVERIFY2(resumed.Ok(), qPrintable(resumed.message));
    QCOMPARE(first, part); // only the missing part went over
    QCOMPARE(Sha256(result), Sha256(whole));

    // Nothing left to do is no error; a target longer than the source cannot be continued.
    QVERIFY(upload ? client.Upload(whole, remote, FtpUploadMode::Resume).Ok()
                   : client.Download(remote, local, true).Ok());
    QCOMPARE(Sha256(result), Sha256(whole));
    if (upload)
        QCOMPARE(client.Upload(head, remote, FtpUploadMode::Resume).status, FtpStatus::BadRequest);
    else
    {
        QVERIFY(WriteFile(local, ReadFile(whole) + "tail"));
        QCOMPARE(client.Download(remote, local, true).status, FtpStatus::BadRequest);
        QCOMPARE(QFileInfo(local).size(), size + 4);
    }
    QCOMPARE(Sha256(Disk(kind, remote)), Sha256(whole));
}

void TestSftpClientReal::cancelInTheMiddle_data()
{
    resume_data();
}

void TestSftpClientReal::cancelInTheMiddle()
{
    QFETCH(QString, kind);
    QFETCH(bool, upload);
    CSftpClient client;
    QByteArray big;
    QVERIFY(Open(client, kind, &big));
    big += "/big";
    const qint64 size = 200 * kMiB;
    const QString local = Local(QStringLiteral("big"));
    if (QFileInfo(local).size() != size)
        QVERIFY(MakeFile(local, size));
    if (!upload)
        QVERIFY(client.Upload(local, big, FtpUploadMode::Replace).Ok());
    const QString target = upload ? Disk(kind, big) : Local(QStringLiteral("big.down"));

    std::atomic<qint64> position{0};
    std::atomic<qint64> cancelledAt{0};
    QElapsedTimer clock;
    clock.start();
    std::thread canceller(
        [&]
        {
            for (int i = 0; i < 6000 && position.load() < 20 * kMiB; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            cancelledAt = clock.nsecsElapsed();
            client.Cancel();
        });
    const auto progress = [&](qint64 done, qint64) { position = done; };
    const FtpResult result = upload ? client.Upload(local, big, FtpUploadMode::Replace, progress)
                                    : client.Download(big, target, false, progress);
    const qint64 returnedAt = clock.nsecsElapsed();
    canceller.join();
    QCOMPARE(result.status, FtpStatus::Cancelled);
    QVERIFY2(!result.message.isEmpty(), "a cancel says so");
    // Within a second on an idle machine; the bound leaves room for a busy one.
    const qint64 ms = (returnedAt - cancelledAt) / 1000000;
    QVERIFY2(ms < 3000, qPrintable(QStringLiteral("returned %1 ms after the cancel").arg(ms)));
    QVERIFY(QFileInfo(target).size() < size);
    // The next call works on the same connection, or on a new one when the old one was closed.
    if (!client.IsConnected())
        QVERIFY(Open(client, kind));
    const FtpValue<FtpListing> listing = client.List(big.chopped(4));
    QVERIFY2(listing.result.Ok(), qPrintable(listing.result.message));
    QVERIFY(client.Delete(big).Ok());
}

void TestSftpClientReal::checksums_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<ChecksumKind>("checksumKind");
    QTest::addColumn<bool>("known");
    // proftpd answers check-file for MD5 and SHA-1 and refuses CRC32; sshd has no extension, its user's
    // shell runs md5sum and sha1sum; CRC32 has no common command.
    for (const QString& kind : kKinds)
    {
        QTest::addRow("%s MD5", qPrintable(kind)) << kind << ChecksumKind::Md5 << true;
        QTest::addRow("%s SHA1", qPrintable(kind)) << kind << ChecksumKind::Sha1 << true;
        QTest::addRow("%s CRC32", qPrintable(kind)) << kind << ChecksumKind::Crc32 << false;
    }
}

void TestSftpClientReal::checksums()
{
    QFETCH(QString, kind);
    QFETCH(ChecksumKind, checksumKind);
    QFETCH(bool, known);
    CSftpClient client;
    QByteArray folder;
    QVERIFY(Open(client, kind, &folder));
    const QString source = Local(QStringLiteral("sum"));
    QVERIFY(MakeFile(source, 3 * kMiB + 5));
    const QByteArray name = folder + "/it's a \"name\" $(x).bin";
    QVERIFY(client.Upload(source, name, FtpUploadMode::Replace).Ok());
    const FtpValue<QByteArray> remote = client.RemoteChecksum(checksumKind, name);
    QVERIFY2(remote.result.Ok(), qPrintable(remote.result.message));
    QCOMPARE(remote.value, known ? LocalChecksum(source, checksumKind, nullptr, nullptr) : QByteArray());
    if (known)
    {
        const FtpValue<QByteArray> missing = client.RemoteChecksum(checksumKind, folder + "/missing");
        QVERIFY(!missing.result.Ok());
        QVERIFY(missing.value.isEmpty());
        QVERIFY2(missing.result.message.contains(QStringLiteral("missing")),
                 qPrintable(missing.result.message));
    }
    QVERIFY(client.Noop().Ok());
}

void TestSftpClientReal::rawCommands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("replyContains");
    QTest::newRow("SYST") << QByteArray("SYST\r\n") << 215 << QByteArray("215 UNIX Type: L8");
    QTest::newRow("SITE HELP names CHMOD") << QByteArray("site help\r\n") << 214 << QByteArray("CHMOD");
    QTest::newRow("SITE CHMOD") << QByteArray("SITE CHMOD 640 file.txt\r\n") << 200 << QByteArray("200");
    QTest::newRow("SITE CHMOD missing file")
        << QByteArray("SITE CHMOD 640 nothing\r\n") << 550 << QByteArray("550");
    QTest::newRow("SITE CHMOD bad mode")
        << QByteArray("SITE CHMOD 9x file.txt\r\n") << 501 << QByteArray("501");
    QTest::newRow("MDTM sets the time")
        << QByteArray("MDTM 20200102030405 file.txt\r\n") << 213 << QByteArray("213");
    QTest::newRow("MDTM reads the time") << QByteArray("MDTM file.txt\r\n") << 213 << QByteArray("213 2");
    QTest::newRow("NOOP") << QByteArray("NOOP\r\n") << 200 << QByteArray("200");
    QTest::newRow("keep-alive PWD") << QByteArray("PWD\r\n") << 200 << QByteArray("200");
    QTest::newRow("keep-alive TYPE I") << QByteArray("TYPE I\r\n") << 200 << QByteArray("200");
    QTest::newRow("LIST is not emulated") << QByteArray("LIST\r\n") << 500 << QByteArray("LIST");
    QTest::newRow("SITE EXEC is not")
        << QByteArray("SITE EXEC rm -rf /\r\n") << 500 << QByteArray("SITE EXEC");
}

void TestSftpClientReal::rawCommands()
{
    QFETCH(QByteArray, command);
    QFETCH(int, code);
    QFETCH(QByteArray, replyContains);
    const QString kind = QStringLiteral("sshd");
    CSftpClient client;
    QByteArrayList log;
    client.SetLogHook(
        [&](FtpLogKind type, const QByteArray& line) {
            log.append((type == FtpLogKind::Command ? "> " : type == FtpLogKind::Reply ? "< " : "- ") + line);
        });
    QByteArray folder;
    QVERIFY(Open(client, kind, &folder));
    QVERIFY(client.ChangeFolder(folder).Ok());
    QVERIFY(Put(client, "raw", "file.txt"));
    log.clear();

    const FtpResult result = client.Raw(command);
    QCOMPARE(result.reply.code, code);
    QCOMPARE(result.Ok(), code < 400);
    QVERIFY2(result.reply.Text().contains(replyContains), result.reply.Text().constData());
    QByteArrayList expected{"> " + command.trimmed()};
    for (const QByteArray& line : result.reply.lines)
        expected.append("< " + line);
    QCOMPARE(log, expected);
    struct stat info
    {
    };
    QCOMPARE(stat(QFile::encodeName(Disk(kind, folder + "/file.txt")).constData(), &info), 0);
    if (command.startsWith("SITE CHMOD 640 file"))
        QCOMPARE(info.st_mode & 0777, mode_t(0640));
    if (command.startsWith("MDTM 2020"))
        QCOMPARE(qint64(info.st_mtime),
                 QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC).toSecsSinceEpoch());
    if (command.startsWith("MDTM file"))
        QCOMPARE(result.reply.LastText(), QDateTime::fromSecsSinceEpoch(info.st_mtime, Qt::UTC)
                                              .toString(QStringLiteral("yyyyMMddHHmmss"))
                                              .toLatin1());
    QVERIFY(client.IsConnected());
}

void TestSftpClientReal::connectionsLeaveNoDescriptorsBehind()
{
    // The socket, the SSH library's and the checksum channel's resources go whichever way a connection ends.
    const QString kind = QStringLiteral("sshd");
    QVERIFY(Harness::Require(kind));
    const int before = OpenDescriptors();
    for (int round = 0; round < 3; ++round)
    {
        CSftpClient client;
        QVERIFY(Open(client, kind));
        const QByteArray folder = Harness::Server(kind)->Value(QStringLiteral("WORKDIR")).toUtf8();
        QVERIFY(client.RemoteChecksum(ChecksumKind::Md5, folder).value.isEmpty()); // a folder: no sum
        client.Disconnect();
        SftpConnectOptions wrong = Options(kind);
        wrong.password = "wrong";
        QVERIFY(!client.Connect(wrong).Ok());
        client.SetHostKeyHook({});
        QVERIFY(!client.Connect(Options(kind)).Ok());
    }
    QCOMPARE(OpenDescriptors(), before);
}

QTEST_GUILESS_MAIN(TestSftpClientReal)
#include "tst_SftpClientReal.moc"
