#include "engine/ftp/AsciiConverter.h"
#include "engine/ftp/FtpFeatures.h"
#include "engine/ftp/PassiveReply.h"
#include "engine/ftp/ReplyParser.h"
#include "engine/VisibleText.h"

#include <QTest>
#include <vector>

namespace
{
FtpReply ReplyOf(const QByteArray& line)
{
    return FtpReply{line.left(3).toInt(), {line}};
}
} // namespace

class TestFtpParsers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsPasvReplies_data();
    void readsPasvReplies();
    void readsEpsvReplies_data();
    void readsEpsvReplies();
    void replacesUnreachablePassiveAddresses_data();
    void replacesUnreachablePassiveAddresses();
    void tellsPublicAddresses_data();
    void tellsPublicAddresses();
    void readsFeatures();
    void readsQuotedPaths_data();
    void readsQuotedPaths();
    void readsTransferSizes_data();
    void readsTransferSizes();
    void readsTimestamps_data();
    void readsTimestamps();
    void readsChecksums_data();
    void readsChecksums();
    void convertsLineEndsAcrossBlocks_data();
    void convertsLineEndsAcrossBlocks();
    void showsControlCharactersAsEscapes();
};

void TestFtpParsers::readsPasvReplies_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected"); // host:port, empty when refused

    QTest::newRow("usual") << QByteArray("227 Entering Passive Mode (127,0,0,1,4,1)")
                           << QByteArray("127.0.0.1:1025");
    QTest::newRow("no parentheses") << QByteArray("227 Entering Passive Mode 10,1,2,3,255,255")
                                    << QByteArray("10.1.2.3:65535");
    QTest::newRow("equals sign") << QByteArray("227 =192,168,0,9,0,21") << QByteArray("192.168.0.9:21");
    QTest::newRow("spaces after commas")
        << QByteArray("227 (127, 0, 0, 1, 4, 1)") << QByteArray("127.0.0.1:1025");
    QTest::newRow("five numbers") << QByteArray("227 Entering Passive Mode (127,0,0,1,4)") << QByteArray();
    QTest::newRow("number above 255") << QByteArray("227 (300,0,0,1,4,1)") << QByteArray();
    QTest::newRow("port zero") << QByteArray("227 (127,0,0,1,0,0)") << QByteArray();
    QTest::newRow("no numbers") << QByteArray("227 Entering Passive Mode") << QByteArray();
}

void TestFtpParsers::readsPasvReplies()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    const std::optional<CSocketAddress> address = CPassiveReply::ParsePasv(line);
    QCOMPARE(address ? address->HostAndPort() : QByteArray(), expected);
}

void TestFtpParsers::readsEpsvReplies_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("port"); // 0 when refused

    QTest::newRow("usual") << QByteArray("229 Entering Extended Passive Mode (|||6446|)") << 6446;
    QTest::newRow("other delimiter") << QByteArray("229 Entering Extended Passive Mode (!!!6446!)") << 6446;
    QTest::newRow("highest port") << QByteArray("229 (|||65535|)") << 65535;
    QTest::newRow("port zero") << QByteArray("229 (|||0|)") << 0;
    QTest::newRow("port too large") << QByteArray("229 (|||65536|)") << 0;
    QTest::newRow("letters") << QByteArray("229 (|||abc|)") << 0;
    QTest::newRow("sign") << QByteArray("229 (|||+80|)") << 0;
    QTest::newRow("two delimiters") << QByteArray("229 (||6446|)") << 0;
    QTest::newRow("mixed delimiters") << QByteArray("229 (|!|6446|)") << 0;
    QTest::newRow("empty port") << QByteArray("229 (||||)") << 0;
    QTest::newRow("no parentheses") << QByteArray("229 Entering Extended Passive Mode") << 0;
    QTest::newRow("unclosed") << QByteArray("229 (|||6446|") << 0;
}

void TestFtpParsers::readsEpsvReplies()
{
    QFETCH(QByteArray, line);
    QFETCH(int, port);
    const std::optional<quint16> parsed = CPassiveReply::ParseEpsv(line);
    QCOMPARE(parsed ? int(*parsed) : 0, port);
}

void TestFtpParsers::replacesUnreachablePassiveAddresses_data()
{
    QTest::addColumn<QByteArray>("offered");
    QTest::addColumn<QByteArray>("peer");
    QTest::addColumn<QByteArray>("used");

    QTest::newRow("server behind NAT")
        << QByteArray("10.0.0.5") << QByteArray("8.8.8.8") << QByteArray("8.8.8.8");
    QTest::newRow("another public address")
        << QByteArray("8.8.4.4") << QByteArray("8.8.8.8") << QByteArray("8.8.4.4");
    QTest::newRow("private, same as peer")
        << QByteArray("10.0.0.5") << QByteArray("10.0.0.5") << QByteArray("10.0.0.5");
    QTest::newRow("other private network")
        << QByteArray("192.168.1.2") << QByteArray("10.0.0.5") << QByteArray("10.0.0.5");
    QTest::newRow("unspecified") << QByteArray("0.0.0.0") << QByteArray("127.0.0.1")
                                 << QByteArray("127.0.0.1");
    QTest::newRow("other loopback") << QByteArray("127.0.0.5") << QByteArray("127.0.0.1")
                                    << QByteArray("127.0.0.1");
    QTest::newRow("shared address space")
        << QByteArray("100.64.0.1") << QByteArray("8.8.8.8") << QByteArray("8.8.8.8");
    QTest::newRow("link-local") << QByteArray("169.254.1.1") << QByteArray("8.8.8.8")
                                << QByteArray("8.8.8.8");
    QTest::newRow("last of 172.16/12")
        << QByteArray("172.31.255.255") << QByteArray("8.8.8.8") << QByteArray("8.8.8.8");
    QTest::newRow("just past 172.16/12")
        << QByteArray("172.32.0.1") << QByteArray("8.8.8.8") << QByteArray("172.32.0.1");
    QTest::newRow("IPv4 peer on an IPv6 socket")
        << QByteArray("127.0.0.1") << QByteArray("::ffff:127.0.0.1") << QByteArray("127.0.0.1");
    QTest::newRow("IPv6 peer") << QByteArray("10.1.1.1") << QByteArray("2001:4860::8888")
                               << QByteArray("2001:4860::8888");
}

void TestFtpParsers::replacesUnreachablePassiveAddresses()
{
    QFETCH(QByteArray, offered);
    QFETCH(QByteArray, peer);
    QFETCH(QByteArray, used);
    const CSocketAddress chosen = CPassiveReply::Choose(CSocketAddress::FromNumeric(offered, 5000),
                                                        CSocketAddress::FromNumeric(peer, 21));
    QCOMPARE(chosen.Host(), used);
    QCOMPARE(chosen.Port(), quint16(5000));
}

void TestFtpParsers::tellsPublicAddresses_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<bool>("isPublic");

    QTest::newRow("documentation v4") << QByteArray("203.0.113.9") << false;
    QTest::newRow("multicast v4") << QByteArray("224.0.0.1") << false;
    QTest::newRow("broadcast") << QByteArray("255.255.255.255") << false;
    QTest::newRow("global v4") << QByteArray("1.1.1.1") << true;
    QTest::newRow("global v6") << QByteArray("2a00:1450::1") << true;
    QTest::newRow("documentation v6") << QByteArray("2001:db8::1") << false;
    QTest::newRow("link-local v6") << QByteArray("fe80::1") << false;
    QTest::newRow("unique local v6") << QByteArray("fd00::1") << false;
    QTest::newRow("loopback v6") << QByteArray("::1") << false;
    QTest::newRow("mapped public") << QByteArray("::ffff:8.8.8.8") << true;
    QTest::newRow("mapped private") << QByteArray("::ffff:10.0.0.1") << false;
}

void TestFtpParsers::tellsPublicAddresses()
{
    QFETCH(QByteArray, host);
    QFETCH(bool, isPublic);
    const CSocketAddress address = CSocketAddress::FromNumeric(host, 21);
    QVERIFY(address.IsValid());
    QCOMPARE(address.IsPublic(), isPublic);
}

void TestFtpParsers::readsFeatures()
{
    const FtpReply reply{211,
                         {"211-Features:", " MDTM", " MLST type*;size*;modify*;", " utf8", " REST STREAM",
                          " HASH CRC32;MD5;SHA-1*;SHA-256", "211 End"}};
    const CFtpFeatures features = CFtpFeatures::Parse(reply);
    QVERIFY(features.Has("MDTM"));
    QVERIFY(features.Has("UTF8"));
    QVERIFY(features.Has("mlst"));
    QVERIFY(!features.Has("MFMT"));
    QVERIFY(!features.Has("211"));
    QCOMPARE(features.Parameters("MLST"), QByteArray("type*;size*;modify*;"));
    QCOMPARE(features.Parameters("REST"), QByteArray("STREAM"));
    QCOMPARE(features.HashAlgorithms(), (QByteArrayList{"CRC32", "MD5", "SHA-1", "SHA-256"}));
    QCOMPARE(features.SelectedHash(), QByteArray("SHA-1"));

    const CFtpFeatures refused = CFtpFeatures::Parse(FtpReply{500, {"500 FEAT not understood"}});
    QVERIFY(!refused.Has("FEAT"));
    QVERIFY(refused.HashAlgorithms().isEmpty());
}

void TestFtpParsers::readsQuotedPaths_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("path");

    QTest::newRow("usual") << QByteArray("257 \"/home/u\" is the current directory") << QByteArray("/home/u");
    QTest::newRow("doubled quotes") << QByteArray("257 \"/a \"\"b\"\" c\" created")
                                    << QByteArray("/a \"b\" c");
    QTest::newRow("spaces and CJK") << QByteArray("257 \"/資料 夾\"") << QByteArray("/資料 夾");
    QTest::newRow("unquoted") << QByteArray("257 /plain is current") << QByteArray("/plain");
    QTest::newRow("unterminated") << QByteArray("257 \"/open") << QByteArray("/open");
}

void TestFtpParsers::readsQuotedPaths()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, path);
    QCOMPARE(CReplyParser::QuotedPath(ReplyOf(line)), path);
}

void TestFtpParsers::readsTransferSizes_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint64>("size");

    QTest::newRow("vsftpd") << QByteArray("150 Opening BINARY mode data connection for a b (1234 bytes).")
                            << 1234LL;
    QTest::newRow("upper case") << QByteArray("150 (12 BYTES)") << 12LL;
    QTest::newRow("beyond 4 GiB") << QByteArray("150 Opening (5000000000 bytes)") << 5000000000LL;
    QTest::newRow("none") << QByteArray("150 File status okay. About to open data connection.") << -1LL;
    QTest::newRow("name looks like a size") << QByteArray("150 Opening for (12 bytes).txt") << 12LL;
}

void TestFtpParsers::readsTransferSizes()
{
    QFETCH(QByteArray, line);
    QFETCH(qint64, size);
    QCOMPARE(CReplyParser::TransferSize(ReplyOf(line)), size);
}

void TestFtpParsers::readsTimestamps_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDateTime>("time");

    const QDateTime base(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC);
    QTest::newRow("seconds") << QByteArray("20240102030405") << base;
    QTest::newRow("milliseconds") << QByteArray("20240102030405.123") << base.addMSecs(123);
    QTest::newRow("tenths") << QByteArray("20240102030405.5") << base.addMSecs(500);
    QTest::newRow("too short") << QByteArray("2024010203040") << QDateTime();
    QTest::newRow("month 13") << QByteArray("20241302030405") << QDateTime();
    QTest::newRow("trailing junk") << QByteArray("20240102030405 x") << QDateTime();
}

void TestFtpParsers::readsTimestamps()
{
    QFETCH(QByteArray, text);
    QFETCH(QDateTime, time);
    const QDateTime parsed = CReplyParser::Timestamp(text);
    QCOMPARE(parsed.isValid(), time.isValid());
    if (time.isValid())
    {
        QCOMPARE(parsed, time);
        QCOMPARE(CReplyParser::TimestampText(parsed), text.left(14));
    }
}

void TestFtpParsers::readsChecksums_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("hashCommand");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("checksum");

    const QByteArray sha1 = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
    QTest::newRow("HASH") << "213 SHA-1 0-8192 " + sha1.toUpper() + " name with spaces" << true << 2 << sha1;
    QTest::newRow("HASH without a value") << QByteArray("213 SHA-1 0-8192") << true << 2 << QByteArray();
    QTest::newRow("HASH with junk") << QByteArray("213 SHA-1 0-8192 not-hex name") << true << 2
                                    << QByteArray();
    QTest::newRow("XSHA1") << "250 " + sha1.toUpper() << false << 2 << sha1;
    QTest::newRow("XCRC short") << QByteArray("250 1A2B") << false << 0 << QByteArray("00001a2b");
    QTest::newRow("XCRC with 0x") << QByteArray("250 0x0000ABCD") << false << 0 << QByteArray("0000abcd");
    QTest::newRow("MD5 after the name") << QByteArray("251 file.txt 0123456789ABCDEF0123456789ABCDEF")
                                        << false << 1 << QByteArray("0123456789abcdef0123456789abcdef");
    QTest::newRow("XMD5 of the wrong length")
        << QByteArray("250 0123456789ABCDEF") << false << 1 << QByteArray();
    QTest::newRow("XMD5 without a value") << QByteArray("250 done") << false << 1 << QByteArray();
}

void TestFtpParsers::readsChecksums()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, hashCommand);
    QFETCH(int, kind);
    QFETCH(QByteArray, checksum);
    const FtpReply reply = ReplyOf(line);
    const QByteArray parsed = hashCommand ? CReplyParser::HashChecksum(reply)
                                          : CReplyParser::CommandChecksum(reply, ChecksumKind(kind));
    QCOMPARE(parsed, checksum);
}

void TestFtpParsers::convertsLineEndsAcrossBlocks_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("local"); // wire to disk
    QTest::addColumn<QByteArray>("wire");  // disk to wire

    QTest::newRow("lines") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("bare LF") << QByteArray("a\nb\n\n") << QByteArray("a\nb\n\n")
                             << QByteArray("a\r\nb\r\n\r\n");
    QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("a\rb") << QByteArray("a\rb");
    QTest::newRow("CR at the end") << QByteArray("x\r") << QByteArray("x\r") << QByteArray("x\r");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\n") << QByteArray("a\r\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("binary-looking") << QByteArray("\0\r\n\xff", 4) << QByteArray("\0\n\xff", 3)
                                    << QByteArray("\0\r\n\xff", 4);
}

void TestFtpParsers::convertsLineEndsAcrossBlocks()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, wire);

    // Every split into two blocks must give the same result as one block.
    for (qsizetype split = 0; split <= input.size(); ++split)
    {
        CAsciiConverter toLocal;
        CAsciiConverter toWire;
        std::vector<char> out(2 * size_t(input.size()) + 2);
        QByteArray gotLocal;
        QByteArray gotWire;
        for (const QByteArray& block : {input.left(split), input.mid(split)})
        {
            gotLocal.append(out.data(), toLocal.ToLocal(block.constData(), block.size(), out.data()));
            gotWire.append(out.data(), toWire.ToWire(block.constData(), block.size(), out.data()));
        }
        gotLocal.append(out.data(), toLocal.FinishToLocal(out.data()));
        QCOMPARE(gotLocal, local);
        QCOMPARE(gotWire, wire);
    }
}

// Printable text of any script stays; every control character, and LF unless kept, becomes an escape.
void TestFtpParsers::showsControlCharactersAsEscapes()
{
    const QString text = QStringLiteral("資料夾 é\x1b]0;t\x07\t\r\n\x7f\u009b\u2028\u2029");
    QString visible = QStringLiteral("資料夾 é\\x1b]0;t\\x07\\x09\\x0d\\x0a\\x7f\\x9b\\u2028\\u2029");
    QCOMPARE(VisibleText(text), visible);
    QCOMPARE(VisibleText(text, LineBreaks::Kept),
             visible.replace(QLatin1String("\\x0a"), QLatin1String("\n")));
}

QTEST_GUILESS_MAIN(TestFtpParsers)
#include "tst_FtpParsers.moc"
