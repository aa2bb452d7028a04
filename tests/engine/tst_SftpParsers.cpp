#include "support/Rows.h"
#include "support/TestFiles.h"

#include "engine/Checksum.h"
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

Q_DECLARE_METATYPE(ChecksumKind)
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

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QByteArray m_server, m_other, m_rsa; // "type base64" of three new keys

private Q_SLOTS:
    void initTestCase()
    {
        m_server = NewPublicKey(Path("server"), "ed25519");
        m_other = NewPublicKey(Path("other"), "ed25519");
        m_rsa = NewPublicKey(Path("rsa"), "rsa");
        QVERIFY(!KeyOf(m_server).blob.isEmpty() && !KeyOf(m_other).blob.isEmpty() &&
                !KeyOf(m_rsa).blob.isEmpty());
    }

    // Short reads of every kind come from the attribute truncations below; here what a refusal leaves.
    void readerRefusesShortInput()
    {
        CSftpReader reader(Hex("000000026869"
                               "0000000941"));
        QByteArray text;
        QVERIFY(reader.String(&text));
        QCOMPARE(text, QByteArray("hi"));
        // A length beyond the end is refused and leaves the position, so the rest can still be looked at.
        QVERIFY(!reader.String(&text));
        QCOMPARE(reader.Rest(), Hex("0000000941"));
        quint64 wide = 0;
        CSftpReader shortWide(Hex("01020304050607"));
        QVERIFY(!shortWide.Uint64(&wide));
        CSftpReader huge(Hex("ffffffff00"));
        QVERIFY(!huge.SkipString());
    }

    void attributesRoundTrip_data()
    {
        Columns<quint32>({"flags"});
        Row("none", quint32(0));
        Row("size", quint32(Sftp::AttrSize));
        Row("owner ids", quint32(Sftp::AttrUidGid));
        Row("times only", quint32(Sftp::AttrTimes));
        const quint32 all = Sftp::AttrSize | Sftp::AttrUidGid | Sftp::AttrPermissions | Sftp::AttrTimes;
        Row("everything", all);
        // The extended flag is never sent: there is nothing to send with it.
        Row("extended", all | Sftp::AttrExtended);
    }
    void attributesRoundTrip()
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

    void attributesSkipExtensionsAndRefuseTruncation()
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

    void permissionText_data()
    {
        Columns<quint32, QByteArray, ListItem::Kind>({"mode", "text", "kind"});
        Row("file", quint32(0100644), QByteArray("-rw-r--r--"), ListItem::Kind::File);
        Row("folder", quint32(040750), QByteArray("drwxr-x---"), ListItem::Kind::Folder);
        Row("link", quint32(0120777), QByteArray("lrwxrwxrwx"), ListItem::Kind::Link);
        Row("set-user-id", quint32(0104755), QByteArray("-rwsr-xr-x"), ListItem::Kind::File);
        Row("set-group-id without x", quint32(0102640), QByteArray("-rw-r-S---"), ListItem::Kind::File);
        Row("sticky folder", quint32(041777), QByteArray("drwxrwxrwt"), ListItem::Kind::Folder);
        Row("sticky without x", quint32(041776), QByteArray("drwxrwxrwT"), ListItem::Kind::Folder);
        Row("fifo", quint32(010600), QByteArray("prw-------"), ListItem::Kind::Other);
        Row("socket", quint32(0140755), QByteArray("srwxr-xr-x"), ListItem::Kind::Other);
    }
    void permissionText()
    {
        QFETCH(quint32, mode);
        SftpAttributes attributes{Sftp::AttrPermissions};
        attributes.permissions = mode;
        QTEST(attributes.PermissionText(), "text");
        QTEST(attributes.Kind(), "kind");
        attributes.flags = 0;
        QCOMPARE(attributes.PermissionText(), QByteArray());
    }

    void statusTexts()
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

    // Fields read: permissions, owner and group; none when the line is not readable.
    void longNames_data()
    {
        Columns<QByteArray, QByteArrayList>({"line", "fields"});
        Row("OpenSSH", QByteArray("-rw-r--r--    1 zentrava zentrava     1234 Dec  6 17:42 a b.txt"),
            QByteArrayList{"-rw-r--r--", "zentrava", "zentrava"});
        Row("ACL mark", QByteArray("-rw-r--r--+ 1 a b 0 Jan 1 2020 x"),
            QByteArrayList{"-rw-r--r--+", "a", "b"});
        Row("bare name (some servers)", QByteArray("file.txt"), QByteArrayList());
        Row("too few fields", QByteArray("-rw-r--r-- 1 a"), QByteArrayList());
        Row("not permissions", QByteArray("-rw-r--r-Z 1 a b 0 x"), QByteArrayList());
    }
    void longNames()
    {
        QFETCH(QByteArray, line);
        const std::optional<SftpLongName> parsed = CSftpNames::ParseLongName(line);
        const QByteArrayList read =
            parsed ? QByteArrayList{parsed->permissions, parsed->owner, parsed->group} : QByteArrayList();
        QTEST(read, "fields");
    }

    void namesAndPaths()
    {
        // A name from a listing is used as a local file name: only a plain name passes.
        for (const QByteArray& safe :
             {QByteArray("中文 檔名.txt"), QByteArray(".profile"), QByteArray("..."), QByteArray("a\\b")})
            QVERIFY2(CSftpNames::IsSafeName(safe), safe.constData());
        for (const QByteArray& unsafe : {QByteArray("../etc/passwd"), QByteArray("dir/"), QByteArray("."),
                                         QByteArray(".."), QByteArray(), QByteArray("a\0b", 3)})
            QVERIFY2(!CSftpNames::IsSafeName(unsafe), unsafe.constData());
        const QByteArrayList resolved{CSftpNames::Resolve("/home/u", "a/b"), CSftpNames::Resolve("/", "a"),
                                      CSftpNames::Resolve("/home/u", "/abs"),
                                      CSftpNames::Resolve("/home/u", ""), CSftpNames::Join("/home/u/", "x")};
        QCOMPARE(resolved, QByteArrayList({"/home/u/a/b", "/a", "/abs", "/home/u", "/home/u/x"}));
        const QByteArrayList parents{CSftpNames::Parent("/home/u"), CSftpNames::Parent("/home/u//"),
                                     CSftpNames::Parent("/home"), CSftpNames::Parent("/"),
                                     CSftpNames::Parent("relative")};
        QCOMPARE(parents, QByteArrayList({"/home", "/home", "/", "/", "."}));
    }

    void shellQuoteSurvivesTheShell_data()
    {
        Columns<QByteArray>({"text"});
        for (const char* text :
             {"/tmp/中文 檔名.txt", "it's \"quoted\"", "$(touch /tmp/pwned) `id` $HOME ${x} *",
              "a; rm -rf / && b | c > d", "line1\nline2", "-rf", "'", ""})
            QTest::newRow(text) << QByteArray(text);
    }
    void shellQuoteSurvivesTheShell()
    {
        QFETCH(QByteArray, text);
        // The remote side runs the command through the user's shell: what comes out must be the text itself.
        const QByteArray script = "printf '%s' " + CSftpNames::ShellQuote(text);
        QCOMPARE(Run("/bin/sh", {"-c", QString::fromUtf8(script)}), text);
    }

    void rawCommands_data()
    {
        using Kind = SftpRawCommand::Kind;
        Columns<QByteArray, SftpRawCommand>({"line", "expected"});
        const auto row = [](const char* line, const SftpRawCommand& expected)
        {
            const QByteArray tag = QByteArray(line).trimmed();
            Row(tag.isEmpty() ? "empty" : tag.constData(), QByteArray(line), expected);
        };
        row("syst\r\n", Raw(Kind::System, "SYST"));
        row("SITE HELP\r\n", Raw(Kind::SiteHelp, "SITE HELP"));
        row("site chmod 4750 /a b/c.txt\r\n", Raw(Kind::SiteChmod, "SITE CHMOD", 04750, "/a b/c.txt"));
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
    void rawCommands()
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

    void hostKeys()
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
        for (const char* hostile :
             {"", "0000000b7373682d6564323535", "0000000b7373682d65643235353139", "00000003610a6200"})
            QVERIFY2(!SshHostKey::FromBlob(Hex(hostile)), hostile);
        const std::optional<SshHostKey> key = SshHostKey::FromBlob(Hex("0000000361626300000001ff"));
        QVERIFY(key);
        QCOMPARE(key->type, QByteArray("abc"));
    }

    // %1 = the server's key, %2 = another key of the same type, %3 = an RSA key, %4 = the server's key
    // without its type; "hashed": the names hashed by OpenSSH's own ssh-keygen -H first.
    void knownHosts_data()
    {
        Columns<QString, QByteArray, int, HostKeyMatch>({"line", "host", "port", "match"});
        const auto row = [](const char* tag, const char* line, const char* host, int port, HostKeyMatch match)
        { Row(tag, QString::fromUtf8(line), QByteArray(host), port, match); };
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
        row("comments, blanks and junk", "# h %2\n\n   \njunk\nh ssh-ed25519 !!!notbase64\nh %1 comment", "h",
            22, HostKeyMatch::Known);
        row("type field must match the blob", "h ssh-rsa %4", "h", 22, HostKeyMatch::New);
        const char* hashed = "[127.0.0.1]:2200 %1\nexample.org %1\n";
        row("hashed bracketed port", hashed, "127.0.0.1", 2200, HostKeyMatch::Known);
        row("hashed name case", hashed, "EXAMPLE.org", 22, HostKeyMatch::Known);
        row("hashed, port 22 is not 2200", hashed, "127.0.0.1", 22, HostKeyMatch::New);
        row("hashed, port 2200 is not 22", hashed, "example.org", 2200, HostKeyMatch::New);
    }
    void knownHosts()
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
        const QString path = Path("known_hosts");
        QVERIFY(WriteFile(path, content.toUtf8()));
        if (QString(QTest::currentDataTag()).startsWith("hashed"))
        {
            QCOMPARE(QProcess::execute("ssh-keygen", {"-q", "-H", "-f", path}), 0);
            QVERIFY2(ReadFile(path).startsWith("|1|") && !ReadFile(path).contains("example.org"),
                     ReadFile(path));
        }
        CKnownHosts store(path);
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

    void knownHostsAddKeepsTheFile()
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
        QVERIFY(store.Add("H", 2222, first).Ok() && store.Add("h", 22, second).Ok());
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
        QVERIFY2(failed.status == FtpStatus::Local && failed.message.contains("known_hosts"),
                 qPrintable(failed.message));
    }

    void knownDigests_data()
    {
        Columns<QByteArray, ChecksumKind, QByteArray>({"content", "kind", "expected"});
        // Crosses three 1 MiB block boundaries and ends in a partial block.
        QByteArray pattern(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < pattern.size(); ++i)
            pattern[i] = char((i * 7 + i / 1024) % 251);
        const struct
        {
            const char* tag;
            QByteArray content;
            const char* digests[3];
        } files[] = {
            {"empty",
             "",
             {"00000000", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709"}},
            {"check string",
             "123456789",
             {"cbf43926", "25f9e794323b453885f5181f1b624d0b", "f7c3bc1d808e04732adf679965ccc34ca7ae3441"}},
            {"CRC with leading zeros",
             "zentrava311",
             {"00867546", "24ba53b5462e594603f0c9ce4916f6bf", "79fa354832602f1306b83aedd84011672b892c4c"}},
            {"3 MiB pattern",
             pattern,
             {"0f315ff9", "4ce7901bb3782a938d22d019d88d901d", "50a611635dc276a60f26b01a5cf81c7ec67dee46"}},
        };
        for (const auto& file : files)
            for (const ChecksumKind kind : {ChecksumKind::Crc32, ChecksumKind::Md5, ChecksumKind::Sha1})
                QTest::addRow("%s, %d", file.tag, int(kind))
                    << file.content << kind << QByteArray(file.digests[int(kind)]);
    }
    void knownDigests()
    {
        QFETCH(QByteArray, content);
        QFETCH(ChecksumKind, kind);
        QFETCH(QByteArray, expected);
        const QString path = Path("known");
        QVERIFY(WriteFile(path, content));
        QString error;
        const std::atomic<bool> cancel = false;
        QCOMPARE(LocalChecksum(path, kind, nullptr, &error), expected);
        QVERIFY(error.isEmpty());
        QCOMPARE(LocalChecksum(path, kind, &cancel, nullptr), expected);
    }

    // A missing file, a folder, or a cancel for each kind: no sum and a reason.
    void failures_data()
    {
        Columns<QString, bool, ChecksumKind>({"name", "cancelled", "kind"});
        Row("missing file", QString("missing.bin"), false, ChecksumKind::Md5);
        Row("a folder", QString(), false, ChecksumKind::Sha1);
        Row("cancelled crc32", QString("data.bin"), true, ChecksumKind::Crc32);
        Row("cancelled md5", QString("data.bin"), true, ChecksumKind::Md5);
        Row("cancelled sha1", QString("data.bin"), true, ChecksumKind::Sha1);
    }
    void failures()
    {
        QFETCH(QString, name);
        QFETCH(bool, cancelled);
        QFETCH(ChecksumKind, kind);
        QVERIFY(WriteFile(Path("data.bin"), "some bytes"));
        const QString path = Path(name);
        const std::atomic<bool> cancel = cancelled;
        QString error;
        QVERIFY(LocalChecksum(path, kind, &cancel, &error).isEmpty());
        QVERIFY2(!error.isEmpty() && (cancelled || error.contains(path)), qPrintable(error));
        QVERIFY(LocalChecksum(path, kind, &cancel, nullptr).isEmpty());
    }

    // What servers reply, as the local sums are written.
    void normalise_data()
    {
        Columns<QByteArray, QByteArray>({"reply", "expected"});
        Row("upper case", QByteArray("CBF43926"), QByteArray("cbf43926"));
        Row("spaces and line end", QByteArray(" cb f4 39 26\r\n"), QByteArray("cbf43926"));
        Row("0x prefix", QByteArray("0xCBF43926"), QByteArray("cbf43926"));
        Row("short crc", QByteArray("867546"), QByteArray("00867546"));
        Row("short crc with prefix", QByteArray("0X1a2b"), QByteArray("00001a2b"));
        Row("empty", QByteArray(), QByteArray());
        Row("not hex is not padded", QByteArray("xyz"), QByteArray("xyz"));
    }
    void normalise()
    {
        QFETCH(QByteArray, reply);
        QTEST(NormaliseChecksum(reply), "expected");
    }
};

QTEST_GUILESS_MAIN(TestSftpParsers)
#include "tst_SftpParsers.moc"
