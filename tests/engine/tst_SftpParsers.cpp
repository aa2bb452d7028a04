#include "support/TestFiles.h"

#include "engine/keys/KnownHosts.h"
#include "engine/sftp/SftpAttributes.h"
#include "engine/sftp/SftpNames.h"
#include "engine/sftp/SftpPacket.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpRawCommand.h"
#include "engine/sftp/SftpReader.h"
#include "engine/sftp/SftpStatus.h"
#include "engine/sftp/SshHostKey.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SftpRawCommand)
Q_DECLARE_METATYPE(HostKeyMatch)
Q_DECLARE_METATYPE(ListItem::Kind)

using namespace TestFiles;

namespace
{
QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

QByteArray Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return process.readAllStandardOutput();
}

// A public key made by ssh-keygen: "type base64".
QByteArray NewPublicKey(const QString& path, const QString& type)
{
    QFile::remove(path);
    Run("ssh-keygen", {"-q", "-t", type, "-N", QString(), "-f", path});
    const QList<QByteArray> fields = ReadFile(path + ".pub").split(' ');
    return fields.value(0) + ' ' + fields.value(1);
}

SshHostKey KeyOf(const QByteArray& line)
{
    return SshHostKey::FromBlob(QByteArray::fromBase64(line.split(' ').value(1))).value_or(SshHostKey{});
}

SftpRawCommand Raw(SftpRawCommand::Kind kind, const QByteArray& verb, quint32 mode = 0,
                   const QByteArray& path = {}, const QDateTime& time = {})
{
    return {kind, verb, mode, time, path};
}
} // namespace

class TestSftpParsers : public QObject
{
    Q_OBJECT

private:
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QByteArray m_server, m_other, m_rsa; // "type base64" of three new keys

private Q_SLOTS:
    void initTestCase();
    void readerRefusesShortInput();
    void attributesRoundTrip_data();
    void attributesRoundTrip();
    void attributesSkipExtensionsAndRefuseTruncation();
    void permissionText_data();
    void permissionText();
    void statusTexts();
    void longNames_data();
    void longNames();
    void namesAndPaths();
    void shellQuoteSurvivesTheShell_data();
    void shellQuoteSurvivesTheShell();
    void rawCommands_data();
    void rawCommands();
    void hostKeys();
    void knownHosts_data();
    void knownHosts();
    void knownHostsReadsHashedNames();
    void knownHostsAddKeepsTheFile();
};

void TestSftpParsers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_server = NewPublicKey(Path("server"), "ed25519");
    m_other = NewPublicKey(Path("other"), "ed25519");
    m_rsa = NewPublicKey(Path("rsa"), "rsa");
    QVERIFY(!KeyOf(m_server).blob.isEmpty() && !KeyOf(m_other).blob.isEmpty() &&
            !KeyOf(m_rsa).blob.isEmpty());
}

void TestSftpParsers::readerRefusesShortInput()
{
    CSftpReader reader(Hex("01"
                           "000000026869"
                           "0000000941"));
    quint8 byte = 0;
    QByteArray text;
    QVERIFY(reader.Byte(&byte));
    QCOMPARE(byte, quint8(1));
    QVERIFY(reader.String(&text));
    QCOMPARE(text, QByteArray("hi"));
    // A length beyond the end is refused and leaves the position, so the rest can still be looked at.
    QVERIFY(!reader.String(&text));
    QCOMPARE(reader.Rest(), Hex("0000000941"));
    QVERIFY(reader.AtEnd());
    quint32 number = 0;
    quint64 wide = 0;
    QVERIFY(!reader.Uint32(&number));
    QVERIFY(!reader.Byte(&byte));
    CSftpReader shortWide(Hex("01020304050607"));
    QVERIFY(!shortWide.Uint64(&wide));
    CSftpReader huge(Hex("ffffffff00"));
    QVERIFY(!huge.SkipString());
}

void TestSftpParsers::attributesRoundTrip_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::newRow("none") << quint32(0);
    QTest::newRow("size") << quint32(Sftp::AttrSize);
    QTest::newRow("owner ids") << quint32(Sftp::AttrUidGid);
    QTest::newRow("times only") << quint32(Sftp::AttrTimes);
    const quint32 all = Sftp::AttrSize | Sftp::AttrUidGid | Sftp::AttrPermissions | Sftp::AttrTimes;
    QTest::newRow("everything") << all;
    // The extended flag is never sent: there is nothing to send with it.
    QTest::newRow("extended") << (all | Sftp::AttrExtended);
}

void TestSftpParsers::attributesRoundTrip()
{
    QFETCH(quint32, flags);
    const SftpAttributes written{flags, 0x123456789ull, 1000, 1001, 0100755, 1600000000, 1700000000};
    CSftpPacket packet(Sftp::Attrs, 1);
    CSftpReader reader(packet.AddAttributes(written).Finish().mid(9));
    SftpAttributes read;
    QVERIFY(SftpAttributes::Read(reader, &read));
    QVERIFY(reader.AtEnd());
    QCOMPARE(read.flags, flags & ~Sftp::AttrExtended);
    QCOMPARE(read.size, flags & Sftp::AttrSize ? written.size : 0);
    QCOMPARE(read.gid, flags & Sftp::AttrUidGid ? written.gid : 0);
    QCOMPARE(read.Kind(), flags & Sftp::AttrPermissions ? ListItem::Kind::File : ListItem::Kind::Other);
    QCOMPARE(read.Modified(),
             flags & Sftp::AttrTimes ? QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC) : QDateTime());
}

void TestSftpParsers::attributesSkipExtensionsAndRefuseTruncation()
{
    // size, then two extended pairs, then a trailing byte that belongs to the caller.
    const QByteArray withExtensions = Hex("80000001"
                                          "0000000000000010"
                                          "00000002"
                                          "000000016100000000"
                                          "00000001620000000163"
                                          "ff");
    CSftpReader reader(withExtensions);
    SftpAttributes attributes;
    QVERIFY(SftpAttributes::Read(reader, &attributes));
    QCOMPARE(attributes.size, quint64(16));
    QCOMPARE(reader.Rest(), Hex("ff"));
    for (int cut = 1; cut < withExtensions.size() - 1; ++cut)
    {
        CSftpReader truncated(withExtensions.left(cut));
        QVERIFY2(!SftpAttributes::Read(truncated, &attributes), qPrintable(QString::number(cut)));
    }
    // A count of four billion pairs fails on the bytes at hand, not after four billion steps.
    CSftpReader hostile(Hex("80000000ffffffff0000000000000000"));
    QVERIFY(!SftpAttributes::Read(hostile, &attributes));
}

void TestSftpParsers::permissionText_data()
{
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<ListItem::Kind>("kind");
    const auto row = [](const char* tag, quint32 mode, const char* text, ListItem::Kind kind)
    { QTest::newRow(tag) << mode << QByteArray(text) << kind; };
    row("file", 0100644, "-rw-r--r--", ListItem::Kind::File);
    row("folder", 040750, "drwxr-x---", ListItem::Kind::Folder);
    row("link", 0120777, "lrwxrwxrwx", ListItem::Kind::Link);
    row("set-user-id", 0104755, "-rwsr-xr-x", ListItem::Kind::File);
    row("set-group-id without x", 0102640, "-rw-r-S---", ListItem::Kind::File);
    row("sticky folder", 041777, "drwxrwxrwt", ListItem::Kind::Folder);
    row("sticky without x", 041776, "drwxrwxrwT", ListItem::Kind::Folder);
    row("fifo", 010600, "prw-------", ListItem::Kind::Other);
    row("socket", 0140755, "srwxr-xr-x", ListItem::Kind::Other);
}

void TestSftpParsers::permissionText()
{
    QFETCH(quint32, mode);
    QFETCH(QByteArray, text);
    QFETCH(ListItem::Kind, kind);
    SftpAttributes attributes{Sftp::AttrPermissions};
    attributes.permissions = mode;
    QCOMPARE(attributes.PermissionText(), text);
    QCOMPARE(attributes.Kind(), kind);
    attributes.flags = 0;
    QCOMPARE(attributes.PermissionText(), QByteArray());
}

void TestSftpParsers::statusTexts()
{
    SftpStatus status;
    CSftpReader bare(Hex("00000003"));
    CSftpReader broken(Hex("000000"));
    QVERIFY(SftpStatus::Read(bare, &status));
    QCOMPARE(status.code, quint32(Sftp::PermissionDenied));
    QCOMPARE(status.Describe("刪除"), "刪除：權限不足");
    QVERIFY(!SftpStatus::Read(broken, &status));
    CSftpReader text(Hex("00000002"
                         "0000000d4e6f2073756368206669c3a96c"
                         "00000000"));
    QVERIFY(SftpStatus::Read(text, &status));
    QCOMPARE(status.message, QByteArray("No such fi\xc3\xa9l"));
    const FtpResult result = status.ToResult("下載 \"x\" 失敗");
    QCOMPARE(result.status, FtpStatus::Refused);
    QCOMPARE(result.message, "下載 \"x\" 失敗：檔案或資料夾不存在（No such fiél）");
    QVERIFY((SftpStatus{0, "Success"}.ToResult("x").Ok()));
    QVERIFY((SftpStatus{42, {}}.Describe("x").contains("42")));
}

void TestSftpParsers::longNames_data()
{
    // Fields read: permissions, owner and group; empty when the line is not readable.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArrayList>("fields");
    QTest::newRow("OpenSSH") << QByteArray("-rw-r--r--    1 zentrava zentrava     1234 Dec  6 17:42 a b.txt")
                             << QByteArrayList{"-rw-r--r--", "zentrava", "zentrava"};
    QTest::newRow("proftpd folder") << QByteArray(
                                           "drwxr-x---   2 ftp      ftp          4096 Jan 01 12:00 sub")
                                    << QByteArrayList{"drwxr-x---", "ftp", "ftp"};
    QTest::newRow("ACL mark") << QByteArray("-rw-r--r--+ 1 a b 0 Jan 1 2020 x")
                              << QByteArrayList{"-rw-r--r--+", "a", "b"};
    QTest::newRow("numeric owners") << QByteArray("lrwxrwxrwx 1 1000 1000 4 Jan 1 2020 l")
                                    << QByteArrayList{"lrwxrwxrwx", "1000", "1000"};
    QTest::newRow("bare name (some servers)") << QByteArray("file.txt") << QByteArrayList();
    QTest::newRow("too few fields") << QByteArray("-rw-r--r-- 1 a") << QByteArrayList();
    QTest::newRow("not permissions") << QByteArray("-rw-r--r-Z 1 a b 0 x") << QByteArrayList();
    QTest::newRow("empty") << QByteArray() << QByteArrayList();
}

void TestSftpParsers::longNames()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArrayList, fields);
    const std::optional<SftpLongName> parsed = CSftpNames::ParseLongName(line);
    const QByteArrayList read =
        parsed ? QByteArrayList{parsed->permissions, parsed->owner, parsed->group} : QByteArrayList();
    QCOMPARE(read, fields);
}

void TestSftpParsers::namesAndPaths()
{
    // A name from a listing is used as a local file name: only a plain name passes.
    for (const QByteArray& safe :
         {QByteArray("中文 檔名.txt"), QByteArray(".profile"), QByteArray("..."), QByteArray("a\\b")})
        QVERIFY2(CSftpNames::IsSafeName(safe), safe.constData());
    for (const QByteArray& unsafe : {QByteArray("../etc/passwd"), QByteArray("dir/"), QByteArray("."),
                                     QByteArray(".."), QByteArray(), QByteArray("a\0b", 3)})
        QVERIFY2(!CSftpNames::IsSafeName(unsafe), unsafe.constData());
    QCOMPARE(CSftpNames::Resolve("/home/u", "a/b"), QByteArray("/home/u/a/b"));
    QCOMPARE(CSftpNames::Resolve("/", "a"), QByteArray("/a"));
    QCOMPARE(CSftpNames::Resolve("/home/u", "/abs"), QByteArray("/abs"));
    QCOMPARE(CSftpNames::Resolve("/home/u", ""), QByteArray("/home/u"));
    QCOMPARE(CSftpNames::Join("/home/u/", "x"), QByteArray("/home/u/x"));
    QCOMPARE(CSftpNames::Parent("/home/u"), QByteArray("/home"));
    QCOMPARE(CSftpNames::Parent("/home/u//"), QByteArray("/home"));
    QCOMPARE(CSftpNames::Parent("/home"), QByteArray("/"));
    QCOMPARE(CSftpNames::Parent("/"), QByteArray("/"));
    QCOMPARE(CSftpNames::Parent("relative"), QByteArray("."));
}

void TestSftpParsers::shellQuoteSurvivesTheShell_data()
{
    QTest::addColumn<QByteArray>("text");
    for (const char* text :
         {"/tmp/file.txt", "/tmp/中文 檔名.txt", "it's \"quoted\"", "$(touch /tmp/pwned) `id` $HOME ${x} *",
          "a; rm -rf / && b | c > d", "line1\nline2", "-rf", "'", ""})
        QTest::newRow(text) << QByteArray(text);
}

void TestSftpParsers::shellQuoteSurvivesTheShell()
{
    QFETCH(QByteArray, text);
    // The remote side runs the command through the user's shell: what comes out must be the text itself.
    const QByteArray script = "printf '%s' " + CSftpNames::ShellQuote(text);
    QCOMPARE(Run("/bin/sh", {"-c", QString::fromUtf8(script)}), text);
}

void TestSftpParsers::rawCommands_data()
{
    using Kind = SftpRawCommand::Kind;
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<SftpRawCommand>("expected");
    const auto row = [](const char* line, const SftpRawCommand& expected)
    {
        const QByteArray tag = QByteArray(line).trimmed();
        QTest::newRow(tag.isEmpty() ? "empty" : tag.constData()) << QByteArray(line) << expected;
    };
    row("SYST\r\n", Raw(Kind::System, "SYST"));
    row("syst", Raw(Kind::System, "SYST"));
    row("SITE HELP\r\n", Raw(Kind::SiteHelp, "SITE HELP"));
    row("SITE CHMOD 755 /a b/c.txt\r\n", Raw(Kind::SiteChmod, "SITE CHMOD", 0755, "/a b/c.txt"));
    row("site chmod 4750 x", Raw(Kind::SiteChmod, "SITE CHMOD", 04750, "x"));
    row("SITE CHMOD 789 x", Raw(Kind::BadArguments, "SITE CHMOD"));
    row("SITE CHMOD 644", Raw(Kind::BadArguments, "SITE CHMOD"));
    row("SITE CHMOD 10644 x", Raw(Kind::BadArguments, "SITE CHMOD"));
    row("SITE EXEC ls", Raw(Kind::Unknown, "SITE EXEC"));
    row("MDTM 20240229235958 dir/a b.txt\r\n",
        Raw(Kind::SetTime, "MDTM", 0, "dir/a b.txt",
            QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC)));
    row("MDTM 20230230120000 x", Raw(Kind::BadArguments, "MDTM"));
    row("MDTM a b.txt", Raw(Kind::GetTime, "MDTM", 0, "a b.txt"));
    row("MDTM 20240101000000", Raw(Kind::GetTime, "MDTM", 0, "20240101000000"));
    row("MDTM", Raw(Kind::BadArguments, "MDTM"));
    row("NOOP\r\n", Raw(Kind::KeepAlive, "NOOP"));
    row("TYPE I", Raw(Kind::KeepAlive, "TYPE"));
    row("RETR x", Raw(Kind::Unknown, "RETR"));
    row("\r\n", Raw(Kind::Unknown, {}));
}

void TestSftpParsers::rawCommands()
{
    QFETCH(QByteArray, line);
    QFETCH(SftpRawCommand, expected);
    const SftpRawCommand command = SftpRawCommand::Parse(line);
    QCOMPARE(command.kind, expected.kind);
    QCOMPARE(command.verb, expected.verb);
    QCOMPARE(command.mode, expected.mode);
    QCOMPARE(command.path, expected.path);
    QCOMPARE(command.time, expected.time);
}

void TestSftpParsers::hostKeys()
{
    // Fingerprints as OpenSSH prints them.
    QVERIFY(!NewPublicKey(Path("ecdsa"), "ecdsa").isEmpty());
    for (const QString name : {"server", "rsa", "ecdsa"})
    {
        const QByteArray line = ReadFile(Path(name + ".pub"));
        QCOMPARE(KeyOf(line).type, line.split(' ').value(0));
        const QByteArray printed = Run("ssh-keygen", {"-l", "-E", "sha256", "-f", Path(name + ".pub")});
        QCOMPARE(KeyOf(line).Fingerprint(), printed.split(' ').value(1));
    }
    // Blobs from the network are checked: a type cut short, no key after it, a control character.
    QVERIFY(!SshHostKey::FromBlob({}));
    QVERIFY(!SshHostKey::FromBlob(Hex("0000000b7373682d6564323535")));
    QVERIFY(!SshHostKey::FromBlob(Hex("0000000b7373682d65643235353139")));
    QVERIFY(!SshHostKey::FromBlob(Hex("00000003610a6200")));
    const std::optional<SshHostKey> key = SshHostKey::FromBlob(Hex("0000000361626300000001ff"));
    QVERIFY(key);
    QCOMPARE(key->type, QByteArray("abc"));
}

void TestSftpParsers::knownHosts_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<HostKeyMatch>("match");
    const auto row = [](const char* tag, const char* line, const char* host, int port, HostKeyMatch match)
    { QTest::newRow(tag) << QString::fromUtf8(line) << QByteArray(host) << port << match; };
    // %1 = the server's key, %2 = another key of the same type, %3 = an RSA key, %4 = the server's key
    // without its type.
    row("nothing on record", "", "h", 22, HostKeyMatch::New);
    row("port 22 plain name", "h %1", "h", 22, HostKeyMatch::Known);
    row("name case", "H.Example %1", "h.example", 22, HostKeyMatch::Known);
    row("other port needs brackets", "h %1", "h", 2222, HostKeyMatch::New);
    row("bracketed port", "[h]:2222 %1", "h", 2222, HostKeyMatch::Known);
    row("comma list", "x,[h]:2222,y %1", "h", 2222, HostKeyMatch::Known);
    row("wildcard", "*.example %1", "a.example", 22, HostKeyMatch::Known);
    row("question mark", "host? %1", "host1", 22, HostKeyMatch::Known);
    row("negated", "*.example,!bad.example %1", "bad.example", 22, HostKeyMatch::New);
    row("changed key", "h %2", "h", 22, HostKeyMatch::Changed);
    row("another type on record", "h %3", "h", 22, HostKeyMatch::Changed);
    row("known among others", "h %2\nh %1", "h", 22, HostKeyMatch::Known);
    row("other host's key", "g %1", "h", 22, HostKeyMatch::New);
    row("revoked anywhere", "h %1\n@revoked * %1", "h", 22, HostKeyMatch::Revoked);
    row("cert authority is not a host key", "@cert-authority h %1", "h", 22, HostKeyMatch::New);
    row("comments, blanks and junk", "# h %2\n\n   \njunk\nh ssh-ed25519 !!!notbase64\nh %1 comment", "h", 22,
        HostKeyMatch::Known);
    row("type field must match the blob", "h ssh-rsa %4", "h", 22, HostKeyMatch::New);
}

void TestSftpParsers::knownHosts()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, host);
    QFETCH(int, port);
    QFETCH(HostKeyMatch, match);
    QString content = line;
    content.replace("%1", QString::fromUtf8(m_server))
        .replace("%2", QString::fromUtf8(m_other))
        .replace("%3", QString::fromUtf8(m_rsa))
        .replace("%4", QString::fromUtf8(m_server.split(' ').value(1)));
    QVERIFY(WriteFile(Path("known_hosts"), content.toUtf8()));
    CKnownHosts store(Path("known_hosts"));
    QVERIFY(store.Load().Ok());
    const HostKeyCheck check = store.Check(host, quint16(port), KeyOf(m_server));
    QCOMPARE(check.match, match);
    if (match == HostKeyMatch::Changed)
    {
        const SshHostKey recorded = KeyOf(line.startsWith(QLatin1String("h %3")) ? m_rsa : m_other);
        QCOMPARE(check.knownType, recorded.type);
        QCOMPARE(check.knownFingerprint, recorded.Fingerprint());
    }
}

void TestSftpParsers::knownHostsReadsHashedNames()
{
    const QString path = Path("hashed_hosts");
    QVERIFY(WriteFile(path, "[127.0.0.1]:2200 " + m_server + "\nexample.org " + m_server + '\n'));
    // OpenSSH's own hashing is the reference.
    QCOMPARE(QProcess::execute("ssh-keygen", {"-q", "-H", "-f", path}), 0);
    const QByteArray content = ReadFile(path);
    QVERIFY2(content.startsWith("|1|") && !content.contains("example.org"), content.constData());
    CKnownHosts store(path);
    QVERIFY(store.Load().Ok());
    const SshHostKey key = KeyOf(m_server);
    QCOMPARE(store.Check("127.0.0.1", 2200, key).match, HostKeyMatch::Known);
    QCOMPARE(store.Check("EXAMPLE.org", 22, key).match, HostKeyMatch::Known);
    QCOMPARE(store.Check("127.0.0.1", 22, key).match, HostKeyMatch::New);
    QCOMPARE(store.Check("example.org", 2200, key).match, HostKeyMatch::New);
}

void TestSftpParsers::knownHostsAddKeepsTheFile()
{
    const SshHostKey first = KeyOf(m_server);
    const SshHostKey second = KeyOf(m_rsa);
    const QString path = Path("added_hosts");
    CKnownHosts store(path);
    QVERIFY(store.Load().Ok()); // a missing file is an empty store
    QCOMPARE(store.Check("h", 22, first).match, HostKeyMatch::New);
    const QByteArray existing = "# kept as it is\n@cert-authority *.example " + m_rsa;
    QVERIFY(WriteFile(path, existing)); // no final line end
    QVERIFY(store.Load().Ok());
    QVERIFY(store.Add("H", 2222, first).Ok());
    QVERIFY(store.Add("h", 22, second).Ok());
    QCOMPARE(store.Check("h", 2222, first).match, HostKeyMatch::Known);
    QCOMPARE(ReadFile(path), existing + "\n[h]:2222 " + m_server + "\nh " + m_rsa + '\n');
    CKnownHosts reloaded(path);
    QVERIFY(reloaded.Load().Ok());
    QCOMPARE(reloaded.Check("h", 2222, first).match, HostKeyMatch::Known);
    QCOMPARE(reloaded.Check("h", 22, second).match, HostKeyMatch::Known);
    QCOMPARE(reloaded.Check("h", 22, first).match, HostKeyMatch::Changed);

    CKnownHosts unwritable(Path("no/such/folder/known_hosts"));
    QVERIFY(unwritable.Load().Ok());
    const FtpResult failed = unwritable.Add("h", 22, first);
    QCOMPARE(failed.status, FtpStatus::Local);
    QVERIFY(failed.message.contains("known_hosts"));
}

QTEST_GUILESS_MAIN(TestSftpParsers)
#include "tst_SftpParsers.moc"
