#include "Big5.h"
#include "xml/LegacyText.h"
#include "xml/XmlText.h"

#include <QTest>

class TestXmlText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escape_data();
    void escape();
    void unescape_data();
    void unescape();
    void everyByteRoundTrips();
    void legacyText_data();
    void legacyText();
};

void TestXmlText::escape_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("quotes");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QByteArray() << false << QByteArray();
    QTest::newRow("markup") << QByteArray("a&b<c>d") << false << QByteArray("a&amp;b&lt;c&gt;d");
    QTest::newRow("quotes kept") << QByteArray("\"it's\"") << false << QByteArray("\"it's\"");
    QTest::newRow("quotes escaped") << QByteArray("\"it's\"") << true << QByteArray("&quot;it&apos;s&quot;");
    QTest::newRow("controls copied") << QByteArray("\t\r\n\x01\x7f", 5) << false
                                     << QByteArray("\t\r\n\x01\x7f", 5);
    QTest::newRow("byte 255") << QByteArray("\xff") << false << QByteArray("&#255;");
    QTest::newRow("one reference per byte") << QByteArray("我") << false << QByteArray("&#230;&#136;&#145;");
    QTest::newRow("existing entity escaped again") << QByteArray("&amp;") << false << QByteArray("&amp;amp;");
}

void TestXmlText::escape()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, quotes);
    QFETCH(QByteArray, expected);
    QCOMPARE(EscapeXmlText(text, quotes), expected);
}

void TestXmlText::unescape_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("five entities") << QByteArray("&amp;&lt;&gt;&quot;&apos;") << QByteArray("&<>\"'");
    QTest::newRow("any case") << QByteArray("&AMP;&Lt;&gT;&QUOT;&Apos;") << QByteArray("&<>\"'");
    QTest::newRow("nbsp any case") << QByteArray("a&nbsp;b&NBSP;c&NbSp;") << QByteArray("a b c ");
    QTest::newRow("reference 65") << QByteArray("&#65;") << QByteArray("A");
    QTest::newRow("reference 321 keeps low byte") << QByteArray("&#321;") << QByteArray("A");
    QTest::newRow("references make bytes") << QByteArray("&#230;&#136;&#145;") << QByteArray("我");
    QTest::newRow("reference without semicolon") << QByteArray("&#66") << QByteArray("B");
    QTest::newRow("junk after number skipped") << QByteArray("&#67xyz;d") << QByteArray("Cd");
    QTest::newRow("white space before number") << QByteArray("&# 68;") << QByteArray("D");
    QTest::newRow("negative wraps") << QByteArray("&#-191;") << QByteArray("A");
    QTest::newRow("overflow saturates") << QByteArray("&#99999999999999999999999;") << QByteArray("\xff");
    QTest::newRow("no number") << QByteArray("x&#;y&#abc;z") << QByteArray("xyz");
    QTest::newRow("reference of zero") << QByteArray("a&#0;b") << QByteArray("a\0b", 3);
    QTest::newRow("final ampersand dropped") << QByteArray("a&") << QByteArray("a");
    QTest::newRow("unknown entity kept") << QByteArray("&copy; &x") << QByteArray("&copy; &x");
    QTest::newRow("incomplete entity kept") << QByteArray("&amp") << QByteArray("&amp");
    QTest::newRow("ampersand before entity") << QByteArray("&&amp;") << QByteArray("&&");
    QTest::newRow("decoded text not decoded again") << QByteArray("&amp;lt;") << QByteArray("&lt;");
}

void TestXmlText::unescape()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(UnescapeXmlText(text), expected);
}

void TestXmlText::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QByteArray escaped = EscapeXmlText(all, false);
    for (const char c : escaped)
        QVERIFY2(static_cast<unsigned char>(c) < 128 && c != '<' && c != '>',
                 "escaped text must be ASCII without markup");
    QCOMPARE(UnescapeXmlText(escaped), all);
    QCOMPARE(UnescapeXmlText(EscapeXmlText(all, true)), all);
}

void TestXmlText::legacyText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray replacement("\xEF\xBF\xBD");
    QTest::newRow("ascii") << QByteArray("site 1") << QByteArray("site 1");
    QTest::newRow("utf-8 kept") << QByteArray("我的最愛") << QByteArray("我的最愛");
    QTest::newRow("big5 converted") << Big5("我的最愛") << QByteArray("我的最愛");
    QTest::newRow("big5 mixed with ascii") << Big5("站台 A-1") << QByteArray("站台 A-1");
    QTest::newRow("lone lead byte at end") << QByteArray("abc\xA7") << QByteArray("abc") + replacement;
    QTest::newRow("neither utf-8 nor big5") << QByteArray("\xFF\xFF"
                                                          "ok")
                                            << replacement + replacement + "ok";
    QTest::newRow("big5 around junk")
        << Big5("站") + "\xFF" + Big5("台") << QByteArray("站") + replacement + "台";
}

void TestXmlText::legacyText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QVERIFY(!bytes.isEmpty());
    const QByteArray converted = LegacyTextToUtf8(bytes);
    QCOMPARE(converted, expected);
    QVERIFY(IsValidUtf8(converted));
}

QTEST_GUILESS_MAIN(TestXmlText)
#include "tst_xmltext.moc"
