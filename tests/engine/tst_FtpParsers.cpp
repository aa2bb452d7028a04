#include "engine/VisibleText.h"
#include "engine/ftp/AsciiConverter.h"
#include "engine/ftp/FtpFeatures.h"
#include "engine/ftp/PassiveReply.h"
#include "engine/ftp/ReplyParser.h"

#include <QTest>
#include <vector>

namespace
{
// What a parser makes of the input, as text, so that one table holds every parser.
QByteArray Parse(const QByteArray& parser, const QByteArray& input)
{
    const FtpReply reply{input.left(3).toInt(), {input}};
    if (parser == "PASV")
    {
        const std::optional<CSocketAddress> address = CPassiveReply::ParsePasv(input);
        return address ? address->HostAndPort() : "refused";
    }
    if (parser == "EPSV")
    {
        const std::optional<quint16> port = CPassiveReply::ParseEpsv(input);
        return port ? QByteArray::number(*port) : "refused";
    }
    if (parser == "choose") // "offered peer": the address a passive data connection goes to
    {
        const QByteArrayList hosts = input.split(' ');
        return CPassiveReply::Choose(CSocketAddress::FromNumeric(hosts[0], 5000),
                                     CSocketAddress::FromNumeric(hosts[1], 21))
            .HostAndPort();
    }
    if (parser == "public")
    {
        const CSocketAddress address = CSocketAddress::FromNumeric(input, 21);
        return !address.IsValid() ? "invalid" : address.IsPublic() ? "public" : "not public";
    }
    if (parser == "path")
        return CReplyParser::QuotedPath(reply);
    if (parser == "size")
        return QByteArray::number(CReplyParser::TransferSize(reply));
    if (parser == "time")
    {
        const QDateTime time = CReplyParser::Timestamp(input);
        return time.isValid()
                   ? time.toString(Qt::ISODateWithMs).toUtf8() + " " + CReplyParser::TimestampText(time)
                   : "refused";
    }
    if (parser == "HASH")
        return CReplyParser::HashChecksum(reply);
    const QByteArrayList kinds = {"XCRC", "XMD5", "XSHA1"};
    return CReplyParser::CommandChecksum(reply, ChecksumKind(kinds.indexOf(parser)));
}
} // namespace

class TestFtpParsers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesReplies_data()
    {
        QTest::addColumn<QByteArray>("parser");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray sha1 = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
        const QByteArray md5 = "0123456789abcdef0123456789abcdef";
        const struct
        {
            const char* parser;
            const char* tag;
            QByteArray input;
            QByteArray expected;
        } rows[] = {
            {"PASV", "usual", "227 Entering Passive Mode (127,0,0,1,4,1)", "127.0.0.1:1025"},
            {"PASV", "no parentheses", "227 Entering Passive Mode 10,1,2,3,255,255", "10.1.2.3:65535"},
            {"PASV", "spaces after commas", "227 (127, 0, 0, 1, 4, 1)", "127.0.0.1:1025"},
            {"PASV", "five numbers", "227 Entering Passive Mode (127,0,0,1,4)", "refused"},
            {"PASV", "number above 255", "227 (300,0,0,1,4,1)", "refused"},
            {"PASV", "port zero", "227 (127,0,0,1,0,0)", "refused"},
            {"PASV", "no numbers", "227 Entering Passive Mode", "refused"},
            {"EPSV", "usual", "229 Entering Extended Passive Mode (|||6446|)", "6446"},
            {"EPSV", "other delimiter", "229 Entering Extended Passive Mode (!!!6446!)", "6446"},
            {"EPSV", "highest port", "229 (|||65535|)", "65535"},
            {"EPSV", "port zero", "229 (|||0|)", "refused"},
            {"EPSV", "port too large", "229 (|||65536|)", "refused"},
            {"EPSV", "sign", "229 (|||+80|)", "refused"},
            {"EPSV", "two delimiters", "229 (||6446|)", "refused"},
            {"EPSV", "no parentheses", "229 Entering Extended Passive Mode", "refused"},
            {"EPSV", "unclosed", "229 (|||6446|", "refused"},
            {"choose", "server behind NAT", "10.0.0.5 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "private, same as peer", "10.0.0.5 10.0.0.5", "10.0.0.5:5000"},
            {"choose", "other private network", "192.168.1.2 10.0.0.5", "10.0.0.5:5000"},
            {"choose", "unspecified", "0.0.0.0 127.0.0.1", "127.0.0.1:5000"},
            {"choose", "shared address space", "100.64.0.1 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "link-local", "169.254.1.1 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "last of 172.16/12", "172.31.255.255 8.8.8.8", "8.8.8.8:5000"},
            {"choose", "just past 172.16/12", "172.32.0.1 8.8.8.8", "172.32.0.1:5000"},
            {"choose", "IPv4 peer on an IPv6 socket", "127.0.0.1 ::ffff:127.0.0.1", "127.0.0.1:5000"},
            {"choose", "IPv6 peer", "10.1.1.1 2001:4860::8888", "[2001:4860::8888]:5000"},
            {"public", "multicast v4", "224.0.0.1", "not public"},
            {"public", "global v4", "1.1.1.1", "public"},
            {"public", "global v6", "2a00:1450::1", "public"},
            {"public", "documentation v6", "2001:db8::1", "not public"},
            {"public", "link-local v6", "fe80::1", "not public"},
            {"public", "mapped public", "::ffff:8.8.8.8", "public"},
            {"public", "mapped private", "::ffff:10.0.0.1", "not public"},
            {"path", "usual", "257 \"/home/u\" is the current directory", "/home/u"},
            {"path", "doubled quotes", "257 \"/a \"\"b\"\" c\" created", "/a \"b\" c"},
            {"path", "unquoted", "257 /plain is current", "/plain"},
            {"path", "unterminated", "257 \"/open", "/open"},
            {"size", "vsftpd", "150 Opening BINARY mode data connection for a b (1234 bytes).", "1234"},
            {"size", "beyond 4 GiB", "150 Opening (5000000000 bytes)", "5000000000"},
            {"size", "none", "150 File status okay. About to open data connection.", "-1"},
            {"size", "name looks like a size", "150 Opening for (12 bytes).txt", "12"},
            {"time", "seconds", "20240102030405", "2024-01-02T03:04:05.000Z 20240102030405"},
            {"time", "milliseconds", "20240102030405.123", "2024-01-02T03:04:05.123Z 20240102030405"},
            {"time", "too short", "2024010203040", "refused"},
            {"time", "month 13", "20241302030405", "refused"},
            {"time", "trailing junk", "20240102030405 x", "refused"},
            {"HASH", "usual", "213 SHA-1 0-8192 " + sha1.toUpper() + " name with spaces", sha1},
            {"HASH", "without a value", "213 SHA-1 0-8192", ""},
            {"HASH", "with junk", "213 SHA-1 0-8192 not-hex name", ""},
            {"XSHA1", "usual", "250 " + sha1.toUpper(), sha1},
            {"XCRC", "short", "250 1A2B", "00001a2b"},
            {"XCRC", "with 0x", "250 0x0000ABCD", "0000abcd"},
            {"XMD5", "after the name", "251 file.txt 0123456789ABCDEF0123456789ABCDEF", md5},
            {"XMD5", "of the wrong length", "250 0123456789ABCDEF", ""},
        };
        for (const auto& row : rows)
            QTest::addRow("%s: %s", row.parser, row.tag)
                << QByteArray(row.parser) << row.input << row.expected;
    }
    void parsesReplies()
    {
        QFETCH(QByteArray, parser);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(Parse(parser, input), expected);
    }

    void readsFeatures()
    {
        const CFtpFeatures features =
            CFtpFeatures::Parse({211,
                                 {"211-Features:", " MDTM", " MLST type*;size*;modify*;", " utf8",
                                  " REST STREAM", " HASH CRC32;MD5;SHA-1*;SHA-256", "211 End"}});
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

    void convertsLineEndsAcrossBlocks_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("local"); // wire to disk
        QTest::addColumn<QByteArray>("wire");  // disk to wire

        QTest::newRow("lines") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n")
                               << QByteArray("a\r\nb\r\n");
        QTest::newRow("bare LF") << QByteArray("a\nb\n\n") << QByteArray("a\nb\n\n")
                                 << QByteArray("a\r\nb\r\n\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("a\rb") << QByteArray("a\rb");
        QTest::newRow("CR at the end") << QByteArray("x\r") << QByteArray("x\r") << QByteArray("x\r");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\n") << QByteArray("a\r\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("binary-looking")
            << QByteArray("\0\r\n\xff", 4) << QByteArray("\0\n\xff", 3) << QByteArray("\0\r\n\xff", 4);
    }
    void convertsLineEndsAcrossBlocks()
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
    void showsControlCharactersAsEscapes()
    {
        const QString text = QStringLiteral("資料夾 é\x1b]0;t\x07\t\r\n\x7f\u009b\u2028\u2029");
        QString visible = QStringLiteral("資料夾 é\\x1b]0;t\\x07\\x09\\x0d\\x0a\\x7f\\x9b\\u2028\\u2029");
        QCOMPARE(VisibleText(text), visible);
        QCOMPARE(VisibleText(text, LineBreaks::Kept),
                 visible.replace(QLatin1String("\\x0a"), QLatin1String("\n")));
    }
};

QTEST_GUILESS_MAIN(TestFtpParsers)
#include "tst_FtpParsers.moc"
