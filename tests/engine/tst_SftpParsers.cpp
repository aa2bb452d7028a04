#include "engine/keys/KnownHosts.h"
#include "engine/sftp/SftpAttributes.h"
#include "engine/sftp/SftpNames.h"
#include "engine/sftp/SftpPacket.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpRawCommand.h"
#include "engine/sftp/SftpReader.h"
#include "engine/sftp/SftpStatus.h"
#include "engine/sftp/SshHostKey.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SftpRawCommand::Kind)
Q_DECLARE_METATYPE(HostKeyMatch)
Q_DECLARE_METATYPE(ListItem::Kind)

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

// A public key made by ssh-keygen: "type base64 comment".
QList<QByteArray> NewPublicKey(const QTemporaryDir& dir, const QString& name, const QString& type)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    Run(QStringLiteral("ssh-keygen"), {QStringLiteral("-q"), QStringLiteral("-t"), type, QStringLiteral("-N"),
                                       QString(), QStringLiteral("-f"), path});
    QFile file(path + QStringLiteral(".pub"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().split(' ') : QList<QByteArray>();
}

SshHostKey KeyOf(const QList<QByteArray>& line)
{
    return SshHostKey::FromBlob(QByteArray::fromBase64(line.value(1))).value_or(SshHostKey{});
}
} // namespace

class TestSftpParsers : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void packetsHaveTheWireLayout();
    void readerRefusesShortInput();
    void attributesRoundTrip_data();
    void attributesRoundTrip();
    void attributesSkipExtensionsAndRefuseTruncation();
    void permissionText_data();
    void permissionText();
    void statusTexts();
    void longNames_data();
    void longNames();
    void safeNames_data();
    void safeNames();
    void paths();
    void shellQuoteSurvivesTheShell_data();
    void shellQuoteSurvivesTheShell();
    void rawCommands_data();
    void rawCommands();
    void hostKeyFingerprintMatchesOpenSsh();
    void hostKeyBlobsAreChecked();
    void knownHosts_data();
    void knownHosts();
    void knownHostsReadsHashedNames();
    void knownHostsAddKeepsTheFile();
};

void TestSftpParsers::packetsHaveTheWireLayout()
{
    CSftpPacket read(Sftp::Read, 7);
    read.AddString("h1").AddUint64(0x0102030405060708ull).AddUint32(32768);
    QCOMPARE(read.Finish().toHex(), QByteArray("00000017"     // length 23
                                               "05"           // SSH_FXP_READ
                                               "00000007"     // id
                                               "000000026831" // "h1"
                                               "0102030405060708"
                                               "00008000"));
    QCOMPARE(CSftpPacket::Init(3).Finish().toHex(), QByteArray("000000050100000003"));
    SftpAttributes attributes;
    attributes.flags = Sftp::AttrPermissions | Sftp::AttrTimes | Sftp::AttrExtended;
    attributes.permissions = 0644;
    attributes.atime = 1;
    attributes.mtime = 2;
    CSftpPacket setstat(Sftp::Setstat, 1);
    setstat.AddString("f").AddAttributes(attributes);
    // The extended flag is never sent: there is nothing to send with it.
    QCOMPARE(setstat.Finish().toHex(), QByteArray("0000001a"
                                                  "09"
                                                  "00000001"
                                                  "0000000166"
                                                  "0000000c"
                                                  "000001a4"
                                                  "00000001"
                                                  "00000002"));
}

void TestSftpParsers::readerRefusesShortInput()
{
    const QByteArray bytes = Hex("01"
                                 "00000002"
                                 "6869"
                                 "00000009"
                                 "41");
    CSftpReader reader(bytes);
    quint8 byte = 0;
    QByteArray text;
    QVERIFY(reader.Byte(&byte));
    QCOMPARE(byte, quint8(1));
    QVERIFY(reader.String(&text));
    QCOMPARE(text, QByteArray("hi"));
    // A length beyond the end is refused and leaves the position, so the rest can still be looked at.
    QVERIFY(!reader.String(&text));
    QCOMPARE(reader.Rest(), Hex("00000009"
                                "41"));
    QVERIFY(reader.AtEnd());
    quint32 number = 0;
    quint64 wide = 0;
    QVERIFY(!reader.Uint32(&number));
    QVERIFY(!reader.Byte(&byte));
    CSftpReader shortWide(Hex("01020304050607"));
    QVERIFY(!shortWide.Uint64(&wide));
    CSftpReader huge(Hex("ffffffff"
                         "00"));
    QVERIFY(!huge.SkipString());
}

void TestSftpParsers::attributesRoundTrip_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::newRow("none") << quint32(0);
    QTest::newRow("size") << quint32(Sftp::AttrSize);
    QTest::newRow("owner ids") << quint32(Sftp::AttrUidGid);
    QTest::newRow("everything") << quint32(Sftp::AttrSize | Sftp::AttrUidGid | Sftp::AttrPermissions |
                                           Sftp::AttrTimes);
    QTest::newRow("times only") << quint32(Sftp::AttrTimes);
}

void TestSftpParsers::attributesRoundTrip()
{
    QFETCH(quint32, flags);
    SftpAttributes written;
    written.flags = flags;
    written.size = 0x123456789ull;
    written.uid = 1000;
    written.gid = 1001;
    written.permissions = 0100755;
    written.atime = 1600000000;
    written.mtime = 1700000000;
    CSftpPacket packet(Sftp::Attrs, 1);
    const QByteArray bytes = packet.AddAttributes(written).Finish().mid(9);
    CSftpReader reader(bytes);
    SftpAttributes read;
    QVERIFY(SftpAttributes::Read(reader, &read));
    QVERIFY(reader.AtEnd());
    QCOMPARE(read.flags, flags);
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
                                          "00000001"
                                          "61"
                                          "00000000"
                                          "00000001"
                                          "62"
                                          "00000001"
                                          "63"
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
    CSftpReader hostile(Hex("80000000"
                            "ffffffff"
                            "00000000"
                            "00000000"));
    QVERIFY(!SftpAttributes::Read(hostile, &attributes));
}

void TestSftpParsers::permissionText_data()
{
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<ListItem::Kind>("kind");
    QTest::newRow("file") << quint32(0100644) << QByteArray("-rw-r--r--") << ListItem::Kind::File;
    QTest::newRow("folder") << quint32(040750) << QByteArray("drwxr-x---") << ListItem::Kind::Folder;
    QTest::newRow("link") << quint32(0120777) << QByteArray("lrwxrwxrwx") << ListItem::Kind::Link;
    QTest::newRow("set-user-id") << quint32(0104755) << QByteArray("-rwsr-xr-x") << ListItem::Kind::File;
    QTest::newRow("set-group-id without x")
        << quint32(0102640) << QByteArray("-rw-r-S---") << ListItem::Kind::File;
    QTest::newRow("sticky folder") << quint32(041777) << QByteArray("drwxrwxrwt") << ListItem::Kind::Folder;
    QTest::newRow("sticky without x")
        << quint32(041776) << QByteArray("drwxrwxrwT") << ListItem::Kind::Folder;
    QTest::newRow("fifo") << quint32(010600) << QByteArray("prw-------") << ListItem::Kind::Other;
    QTest::newRow("socket") << quint32(0140755) << QByteArray("srwxr-xr-x") << ListItem::Kind::Other;
}

void TestSftpParsers::permissionText()
{
    QFETCH(quint32, mode);
    QFETCH(QByteArray, text);
    QFETCH(ListItem::Kind, kind);
    SftpAttributes attributes;
    attributes.flags = Sftp::AttrPermissions;
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
    QCOMPARE(status.Describe(QStringLiteral("刪除")), QStringLiteral("刪除：權限不足"));
    QVERIFY(!SftpStatus::Read(broken, &status));
    CSftpReader text(Hex("00000002"
                         "0000000d"
                         "4e6f2073756368206669c3a96c"
                         "00000000"));
    QVERIFY(SftpStatus::Read(text, &status));
    QCOMPARE(status.message, QByteArray("No such fi\xc3\xa9l"));
    const FtpResult result = status.ToResult(QStringLiteral("下載 \"x\" 失敗"));
    QCOMPARE(result.status, FtpStatus::Refused);
    QCOMPARE(result.message, QStringLiteral("下載 \"x\" 失敗：檔案或資料夾不存在（No such fiél）"));
    const SftpStatus success{0, "Success"};
    QVERIFY(success.ToResult(QStringLiteral("x")).Ok());
    const SftpStatus unknown{42, {}};
    QVERIFY(unknown.Describe(QStringLiteral("x")).contains(QStringLiteral("42")));
}

void TestSftpParsers::longNames_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QByteArray>("permissions");
    QTest::addColumn<QByteArray>("owner");
    QTest::addColumn<QByteArray>("group");
    QTest::newRow("OpenSSH") << QByteArray("-rw-r--r--    1 zentrava zentrava     1234 Dec  6 17:42 a b.txt")
                             << true << QByteArray("-rw-r--r--") << QByteArray("zentrava")
                             << QByteArray("zentrava");
    QTest::newRow("proftpd folder") << QByteArray(
                                           "drwxr-x---   2 ftp      ftp          4096 Jan 01 12:00 sub")
                                    << true << QByteArray("drwxr-x---") << QByteArray("ftp")
                                    << QByteArray("ftp");
    QTest::newRow("ACL mark") << QByteArray("-rw-r--r--+ 1 a b 0 Jan 1 2020 x") << true
                              << QByteArray("-rw-r--r--+") << QByteArray("a") << QByteArray("b");
    QTest::newRow("numeric owners") << QByteArray("lrwxrwxrwx 1 1000 1000 4 Jan 1 2020 l") << true
                                    << QByteArray("lrwxrwxrwx") << QByteArray("1000") << QByteArray("1000");
    QTest::newRow("bare name (some servers)")
        << QByteArray("file.txt") << false << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("too few fields") << QByteArray("-rw-r--r-- 1 a") << false << QByteArray() << QByteArray()
                                    << QByteArray();
    QTest::newRow("not permissions") << QByteArray("-rw-r--r-Z 1 a b 0 x") << false << QByteArray()
                                     << QByteArray() << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << QByteArray() << QByteArray() << QByteArray();
}

void TestSftpParsers::longNames()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, readable);
    QFETCH(QByteArray, permissions);
    QFETCH(QByteArray, owner);
    QFETCH(QByteArray, group);
    const std::optional<SftpLongName> parsed = CSftpNames::ParseLongName(line);
    QCOMPARE(parsed.has_value(), readable);
    if (!parsed)
        return;
    QCOMPARE(parsed->permissions, permissions);
    QCOMPARE(parsed->owner, owner);
    QCOMPARE(parsed->group, group);
}

void TestSftpParsers::safeNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("CJK and spaces") << QByteArray("中文 檔名.txt") << true;
    QTest::newRow("leading dot") << QByteArray(".profile") << true;
    QTest::newRow("three dots") << QByteArray("...") << true;
    QTest::newRow("backslash") << QByteArray("a\\b") << true;
    QTest::newRow("slash") << QByteArray("../etc/passwd") << false;
    QTest::newRow("trailing slash") << QByteArray("dir/") << false;
    QTest::newRow("dot") << QByteArray(".") << false;
    QTest::newRow("dot dot") << QByteArray("..") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << false;
}

void TestSftpParsers::safeNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, safe);
    QCOMPARE(CSftpNames::IsSafeName(name), safe);
}

void TestSftpParsers::paths()
{
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
    QTest::newRow("plain") << QByteArray("/tmp/file.txt");
    QTest::newRow("spaces and CJK") << QByteArray("/tmp/中文 檔名.txt");
    QTest::newRow("quotes") << QByteArray("it's \"quoted\"");
    QTest::newRow("expansions") << QByteArray("$(touch /tmp/pwned) `id` $HOME ${x} *");
    QTest::newRow("separators") << QByteArray("a; rm -rf / && b | c > d");
    QTest::newRow("newline") << QByteArray("line1\nline2");
    QTest::newRow("leading dash") << QByteArray("-rf");
    QTest::newRow("only a quote") << QByteArray("'");
    QTest::newRow("empty") << QByteArray();
}

void TestSftpParsers::shellQuoteSurvivesTheShell()
{
    QFETCH(QByteArray, text);
    // The remote side runs the command through the user's shell: what comes out must be the text itself.
    const QByteArray script = "printf '%s' " + CSftpNames::ShellQuote(text);
    QCOMPARE(Run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromUtf8(script)}), text);
}

void TestSftpParsers::rawCommands_data()
{
    using Kind = SftpRawCommand::Kind;
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QDateTime>("time");
    const QDateTime none;
    QTest::newRow("SYST") << QByteArray("SYST\r\n") << Kind::System << QByteArray("SYST") << 0u
                          << QByteArray() << none;
    QTest::newRow("lower case") << QByteArray("syst") << Kind::System << QByteArray("SYST") << 0u
                                << QByteArray() << none;
    QTest::newRow("SITE HELP") << QByteArray("SITE HELP\r\n") << Kind::SiteHelp << QByteArray("SITE HELP")
                               << 0u << QByteArray() << none;
    QTest::newRow("SITE CHMOD") << QByteArray("SITE CHMOD 755 /a b/c.txt\r\n") << Kind::SiteChmod
                                << QByteArray("SITE CHMOD") << 0755u << QByteArray("/a b/c.txt") << none;
    QTest::newRow("SITE CHMOD four digits") << QByteArray("site chmod 4750 x") << Kind::SiteChmod
                                            << QByteArray("SITE CHMOD") << 04750u << QByteArray("x") << none;
    QTest::newRow("SITE CHMOD not octal") << QByteArray("SITE CHMOD 789 x") << Kind::BadArguments
                                          << QByteArray("SITE CHMOD") << 0u << QByteArray() << none;
    QTest::newRow("SITE CHMOD no path") << QByteArray("SITE CHMOD 644") << Kind::BadArguments
                                        << QByteArray("SITE CHMOD") << 0u << QByteArray() << none;
    QTest::newRow("SITE CHMOD five digits") << QByteArray("SITE CHMOD 10644 x") << Kind::BadArguments
                                            << QByteArray("SITE CHMOD") << 0u << QByteArray() << none;
    QTest::newRow("SITE EXEC") << QByteArray("SITE EXEC ls") << Kind::Unknown << QByteArray("SITE EXEC") << 0u
                               << QByteArray() << none;
    QTest::newRow("MDTM set") << QByteArray("MDTM 20240229235958 dir/a b.txt\r\n") << Kind::SetTime
                              << QByteArray("MDTM") << 0u << QByteArray("dir/a b.txt")
                              << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC);
    QTest::newRow("MDTM impossible date") << QByteArray("MDTM 20230230120000 x") << Kind::BadArguments
                                          << QByteArray("MDTM") << 0u << QByteArray() << none;
    QTest::newRow("MDTM query") << QByteArray("MDTM a b.txt") << Kind::GetTime << QByteArray("MDTM") << 0u
                                << QByteArray("a b.txt") << none;
    QTest::newRow("MDTM of a name made of digits")
        << QByteArray("MDTM 20240101000000") << Kind::GetTime << QByteArray("MDTM") << 0u
        << QByteArray("20240101000000") << none;
    QTest::newRow("MDTM alone") << QByteArray("MDTM") << Kind::BadArguments << QByteArray("MDTM") << 0u
                                << QByteArray() << none;
    QTest::newRow("NOOP") << QByteArray("NOOP\r\n") << Kind::KeepAlive << QByteArray("NOOP") << 0u
                          << QByteArray() << none;
    QTest::newRow("TYPE I") << QByteArray("TYPE I") << Kind::KeepAlive << QByteArray("TYPE") << 0u
                            << QByteArray() << none;
    QTest::newRow("RETR") << QByteArray("RETR x") << Kind::Unknown << QByteArray("RETR") << 0u << QByteArray()
                          << none;
    QTest::newRow("empty") << QByteArray("\r\n") << Kind::Unknown << QByteArray() << 0u << QByteArray()
                           << none;
}

void TestSftpParsers::rawCommands()
{
    QFETCH(QByteArray, line);
    QFETCH(SftpRawCommand::Kind, kind);
    QFETCH(QByteArray, verb);
    QFETCH(quint32, mode);
    QFETCH(QByteArray, path);
    QFETCH(QDateTime, time);
    const SftpRawCommand command = SftpRawCommand::Parse(line);
    QCOMPARE(command.kind, kind);
    QCOMPARE(command.verb, verb);
    QCOMPARE(command.mode, mode);
    QCOMPARE(command.path, path);
    QCOMPARE(command.time, time);
}

void TestSftpParsers::hostKeyFingerprintMatchesOpenSsh()
{
    QVERIFY(m_dir.isValid());
    for (const QString& type : {QStringLiteral("ed25519"), QStringLiteral("rsa"), QStringLiteral("ecdsa")})
    {
        const QList<QByteArray> line = NewPublicKey(m_dir, QStringLiteral("print"), type);
        const SshHostKey key = KeyOf(line);
        QCOMPARE(key.type, line.value(0));
        const QByteArray printed = Run(QStringLiteral("ssh-keygen"),
                                       {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"),
                                        QStringLiteral("-f"), m_dir.filePath(QStringLiteral("print.pub"))});
        QCOMPARE(key.Fingerprint(), printed.split(' ').value(1));
    }
}

void TestSftpParsers::hostKeyBlobsAreChecked()
{
    QVERIFY(!SshHostKey::FromBlob({}));
    QVERIFY(!SshHostKey::FromBlob(Hex("0000000b"
                                      "7373682d6564323535"))); // type cut short
    QVERIFY(!SshHostKey::FromBlob(Hex("0000000b"
                                      "7373682d65643235353139"))); // no key after the type
    QVERIFY(!SshHostKey::FromBlob(Hex("00000003"
                                      "610a62"
                                      "00"))); // control character
    const std::optional<SshHostKey> key = SshHostKey::FromBlob(Hex("00000003"
                                                                   "616263"
                                                                   "00000001"
                                                                   "ff"));
    QVERIFY(key);
    QCOMPARE(key->type, QByteArray("abc"));
}

void TestSftpParsers::knownHosts_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<HostKeyMatch>("match");
    // %1 = type and base64 of the server's key, %2 = another key of the same type, %3 = an RSA key,
    // %4 = the server's key without its type.
    QTest::newRow("nothing on record") << QString() << QByteArray("h") << 22 << HostKeyMatch::New;
    QTest::newRow("port 22 plain name") << "h %1" << QByteArray("h") << 22 << HostKeyMatch::Known;
    QTest::newRow("name case") << "H.Example %1" << QByteArray("h.example") << 22 << HostKeyMatch::Known;
    QTest::newRow("other port needs brackets") << "h %1" << QByteArray("h") << 2222 << HostKeyMatch::New;
    QTest::newRow("bracketed port") << "[h]:2222 %1" << QByteArray("h") << 2222 << HostKeyMatch::Known;
    QTest::newRow("comma list") << "x,[h]:2222,y %1" << QByteArray("h") << 2222 << HostKeyMatch::Known;
    QTest::newRow("wildcard") << "*.example %1" << QByteArray("a.example") << 22 << HostKeyMatch::Known;
    QTest::newRow("question mark") << "host? %1" << QByteArray("host1") << 22 << HostKeyMatch::Known;
    QTest::newRow("negated") << "*.example,!bad.example %1" << QByteArray("bad.example") << 22
                             << HostKeyMatch::New;
    QTest::newRow("changed key") << "h %2" << QByteArray("h") << 22 << HostKeyMatch::Changed;
    QTest::newRow("another type on record") << "h %3" << QByteArray("h") << 22 << HostKeyMatch::Changed;
    QTest::newRow("known among others") << "h %2\nh %1" << QByteArray("h") << 22 << HostKeyMatch::Known;
    QTest::newRow("other host's key") << "g %1" << QByteArray("h") << 22 << HostKeyMatch::New;
    QTest::newRow("revoked anywhere")
        << "h %1\n@revoked * %1" << QByteArray("h") << 22 << HostKeyMatch::Revoked;
    QTest::newRow("cert authority is not a host key")
        << "@cert-authority h %1" << QByteArray("h") << 22 << HostKeyMatch::New;
    QTest::newRow("comments, blanks and junk")
        << "# h %2\n\n   \njunk\nh ssh-ed25519 !!!notbase64\nh %1 comment" << QByteArray("h") << 22
        << HostKeyMatch::Known;
    QTest::newRow("type field must match the blob")
        << "h ssh-rsa %4" << QByteArray("h") << 22 << HostKeyMatch::New;
}

void TestSftpParsers::knownHosts()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, host);
    QFETCH(int, port);
    QFETCH(HostKeyMatch, match);
    const QList<QByteArray> server = NewPublicKey(m_dir, QStringLiteral("server"), QStringLiteral("ed25519"));
    const QList<QByteArray> other = NewPublicKey(m_dir, QStringLiteral("other"), QStringLiteral("ed25519"));
    const QList<QByteArray> rsa = NewPublicKey(m_dir, QStringLiteral("rsa"), QStringLiteral("rsa"));
    QString content = line;
    content.replace(QStringLiteral("%1"), QString::fromUtf8(server[0] + ' ' + server[1]))
        .replace(QStringLiteral("%2"), QString::fromUtf8(other[0] + ' ' + other[1]))
        .replace(QStringLiteral("%3"), QString::fromUtf8(rsa[0] + ' ' + rsa[1]))
        .replace(QStringLiteral("%4"), QString::fromUtf8(server[1]));
    const QString path = m_dir.filePath(QStringLiteral("known_hosts"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content.toUtf8());
    file.close();
    CKnownHosts store(path);
    QVERIFY(store.Load().Ok());
    const HostKeyCheck check = store.Check(host, quint16(port), KeyOf(server));
    QCOMPARE(check.match, match);
    if (match == HostKeyMatch::Changed)
    {
        const SshHostKey recorded = KeyOf(line.startsWith(QLatin1String("h %3")) ? rsa : other);
        QCOMPARE(check.knownType, recorded.type);
        QCOMPARE(check.knownFingerprint, recorded.Fingerprint());
    }
}

void TestSftpParsers::knownHostsReadsHashedNames()
{
    const QList<QByteArray> server = NewPublicKey(m_dir, QStringLiteral("hashed"), QStringLiteral("ed25519"));
    const QString path = m_dir.filePath(QStringLiteral("hashed_hosts"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[127.0.0.1]:2200 " + server[0] + ' ' + server[1] + "\nexample.org " + server[0] + ' ' +
               server[1] + '\n');
    file.close();
    // OpenSSH's own hashing is the reference.
    QVERIFY(QProcess::execute(QStringLiteral("ssh-keygen"),
                              {QStringLiteral("-q"), QStringLiteral("-H"), QStringLiteral("-f"), path}) == 0);
    QFile hashed(path);
    QVERIFY(hashed.open(QIODevice::ReadOnly));
    const QByteArray content = hashed.readAll();
    QVERIFY2(content.startsWith("|1|") && !content.contains("example.org"), content.constData());
    CKnownHosts store(path);
    QVERIFY(store.Load().Ok());
    QCOMPARE(store.Check("127.0.0.1", 2200, KeyOf(server)).match, HostKeyMatch::Known);
    QCOMPARE(store.Check("EXAMPLE.org", 22, KeyOf(server)).match, HostKeyMatch::Known);
    QCOMPARE(store.Check("127.0.0.1", 22, KeyOf(server)).match, HostKeyMatch::New);
    QCOMPARE(store.Check("example.org", 2200, KeyOf(server)).match, HostKeyMatch::New);
}

void TestSftpParsers::knownHostsAddKeepsTheFile()
{
    const QList<QByteArray> first = NewPublicKey(m_dir, QStringLiteral("first"), QStringLiteral("ed25519"));
    const QList<QByteArray> second = NewPublicKey(m_dir, QStringLiteral("second"), QStringLiteral("rsa"));
    const QString path = m_dir.filePath(QStringLiteral("added_hosts"));
    QFile::remove(path);
    CKnownHosts store(path);
    QVERIFY(store.Load().Ok()); // a missing file is an empty store
    QCOMPARE(store.Check("h", 22, KeyOf(first)).match, HostKeyMatch::New);
    const QByteArray existing = "# kept as it is\n@cert-authority *.example " + second[0] + ' ' + second[1];
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(existing); // no final line end
    file.close();
    QVERIFY(store.Load().Ok());
    QVERIFY(store.Add("H", 2222, KeyOf(first)).Ok());
    QVERIFY(store.Add("h", 22, KeyOf(second)).Ok());
    QCOMPARE(store.Check("h", 2222, KeyOf(first)).match, HostKeyMatch::Known);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), existing + "\n[h]:2222 " + first[0] + ' ' + first[1] + "\nh " + second[0] + ' ' +
                                 second[1] + '\n');
    file.close();
    CKnownHosts reloaded(path);
    QVERIFY(reloaded.Load().Ok());
    QCOMPARE(reloaded.Check("h", 2222, KeyOf(first)).match, HostKeyMatch::Known);
    QCOMPARE(reloaded.Check("h", 22, KeyOf(second)).match, HostKeyMatch::Known);
    QCOMPARE(reloaded.Check("h", 22, KeyOf(first)).match, HostKeyMatch::Changed);

    CKnownHosts unwritable(m_dir.filePath(QStringLiteral("no/such/folder/known_hosts")));
    QVERIFY(unwritable.Load().Ok());
    const FtpResult failed = unwritable.Add("h", 22, KeyOf(first));
    QCOMPARE(failed.status, FtpStatus::Local);
    QVERIFY(failed.message.contains(QStringLiteral("known_hosts")));
}

QTEST_GUILESS_MAIN(TestSftpParsers)
#include "tst_SftpParsers.moc"
