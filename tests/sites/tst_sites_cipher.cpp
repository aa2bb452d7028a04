#include "sites/Base64.h"
#include "sites/PasswordCipher.h"
#include "sites/Rc4.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{

const QByteArray kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Bytes of every value, high ones included, in no simple order.
QByteArray PatternBytes(qsizetype length)
{
    QByteArray data(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        data[i] = static_cast<char>((i * 151 + 7) & 0xFF);
    return data;
}

// The expected stored form built from Qt's own encoder: the full groups cut into 76-character lines, each
// full line followed by CR LF, then the final partial group.
QByteArray ReferenceEncode(const QByteArray& data)
{
    const qsizetype fullBytes = data.size() / 3 * 3;
    const QByteArray full = data.first(fullBytes).toBase64();
    QByteArray text;
    for (qsizetype pos = 0; pos < full.size(); pos += 76)
    {
        text += full.mid(pos, 76);
        if (full.size() - pos >= 76)
            text += "\r\n";
    }
    return text + data.sliced(fullBytes).toBase64();
}

// Qt's lenient decoder over the alphabet characters alone, which is what ours must give.
QByteArray ReferenceDecode(const QByteArray& text)
{
    QByteArray filtered;
    for (char c : text)
    {
        if (kAlphabet.contains(c))
            filtered += c;
    }
    if (filtered.size() % 4 == 1)
        filtered.chop(1);
    return QByteArray::fromBase64(filtered);
}

QList<qsizetype> LineBreakPositions(const QByteArray& text)
{
    QList<qsizetype> positions;
    for (qsizetype pos = text.indexOf("\r\n"); pos >= 0; pos = text.indexOf("\r\n", pos + 1))
        positions << pos;
    return positions;
}

QByteArray Utf8(const char8_t* text)
{
    return QByteArray(reinterpret_cast<const char*>(text));
}

} // namespace

class TstSitesCipher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encode_data();
    void encode();
    void encodeLineBreaks_data();
    void encodeLineBreaks();
    void encodeCapacity_data();
    void encodeCapacity();
    void decode_data();
    void decode();
    void decodeCapacity_data();
    void decodeCapacity();
    void decodeJunk();
    void rc4Vectors_data();
    void rc4Vectors();
    void cipherRoundTrip_data();
    void cipherRoundTrip();
    void cipherPassesThrough_data();
    void cipherPassesThrough();
    void cipherWrongKey();
    void cipherKnownAnswer_data();
    void cipherKnownAnswer();
};

void TstSitesCipher::encode_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    // RFC 4648 section 10.
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
    QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
    QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
    QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
    QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
    QTest::newRow("high bytes") << QByteArray("\xFF\xFE\x00", 3) << QByteArray("//4A");
}

void TstSitesCipher::encode()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);

    QByteArray buffer(Base64EncodedLength(data.size()), '#');
    qsizetype length = buffer.size();
    QVERIFY(Base64Encode(reinterpret_cast<const unsigned char*>(data.constData()), data.size(), buffer.data(),
                         &length));
    QCOMPARE(buffer.first(length), expected);
    QCOMPARE(Base64Encode(data), expected);
}

void TstSitesCipher::encodeLineBreaks_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("encodedLength");
    QTest::addColumn<QList<qsizetype>>("breaks");

    QTest::newRow("3") << qsizetype(3) << qsizetype(4) << QList<qsizetype>{};
    QTest::newRow("56: partial group fills the line") << qsizetype(56) << qsizetype(76) << QList<qsizetype>{};
    QTest::newRow("57: full line keeps its CR LF") << qsizetype(57) << qsizetype(78) << QList<qsizetype>{76};
    QTest::newRow("58: partial group after CR LF") << qsizetype(58) << qsizetype(82) << QList<qsizetype>{76};
    QTest::newRow("114: two full lines") << qsizetype(114) << qsizetype(156) << QList<qsizetype>{76, 154};
    QTest::newRow("117: third line started") << qsizetype(117) << qsizetype(160) << QList<qsizetype>{76, 154};
}

void TstSitesCipher::encodeLineBreaks()
{
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, encodedLength);
    QFETCH(QList<qsizetype>, breaks);

    const QByteArray text = Base64Encode(PatternBytes(length));
    QCOMPARE(text.size(), encodedLength);
    QCOMPARE(LineBreakPositions(text), breaks);
    QCOMPARE(text.count('\r'), breaks.size());
    QCOMPARE(text.count('\n'), breaks.size());
}

void TstSitesCipher::encodeCapacity_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("required");

    // Padded length, two bytes per started line, two more.
    QTest::newRow("0") << qsizetype(0) << qsizetype(2);
    QTest::newRow("1") << qsizetype(1) << qsizetype(8);
    QTest::newRow("57") << qsizetype(57) << qsizetype(80);
    QTest::newRow("58") << qsizetype(58) << qsizetype(86);
    QTest::newRow("200") << qsizetype(200) << qsizetype(278);
}

void TstSitesCipher::encodeCapacity()
{
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, required);
    QCOMPARE(Base64EncodedLength(length), required);

    const QByteArray data = PatternBytes(length);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const QByteArray untouched(required + 8, '#');

    QByteArray buffer = untouched;
    qsizetype capacity = required - 1;
    QVERIFY(!Base64Encode(bytes, length, buffer.data(), &capacity));
    QCOMPARE(capacity, required - 1);
    QCOMPARE(buffer, untouched);

    capacity = required;
    QVERIFY(Base64Encode(bytes, length, buffer.data(), &capacity));
    QCOMPARE(buffer.first(capacity), ReferenceEncode(data));
    QCOMPARE(buffer.sliced(required), untouched.sliced(required));
}

void TstSitesCipher::decode_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("padded one byte") << QByteArray("Zg==") << QByteArray("f");
    QTest::newRow("full group") << QByteArray("Zm9v") << QByteArray("foo");
    QTest::newRow("short group of three") << QByteArray("Zm9vYmE") << QByteArray("fooba");
    QTest::newRow("lone character") << QByteArray("Zm9vY") << QByteArray("foo");
    QTest::newRow("only padding") << QByteArray("====") << QByteArray();
    QTest::newRow("bars and line break") << QByteArray("|Zm9v\r\nYmFy|") << QByteArray("foobar");
    QTest::newRow("padding inside a group") << QByteArray("Z=m=9=v") << QByteArray("foo");
    QTest::newRow("NUL and high bytes") << QByteArray("Zm\0\x80\xFF"
                                                      "9v",
                                                      7)
                                        << QByteArray("foo");
    QTest::newRow("high bytes out") << QByteArray("//4A") << QByteArray("\xFF\xFE\x00", 3);
    for (qsizetype length : {1, 57, 115})
    {
        const QByteArray data = PatternBytes(length);
        QTest::addRow("encoded %lld bytes", static_cast<long long>(length)) << ReferenceEncode(data) << data;
    }
}

void TstSitesCipher::decode()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(Base64Decode(text), expected);
}

void TstSitesCipher::decodeCapacity_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qsizetype>("capacity");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray six("Zm9vYmFy");
    const QByteArray four("Zm9v\r\nYg==");
    QTest::newRow("first group does not fit") << six << qsizetype(2) << QByteArray();
    QTest::newRow("first group fits exactly") << six << qsizetype(3) << QByteArray("foo");
    QTest::newRow("second group does not fit") << six << qsizetype(5) << QByteArray("foo");
    QTest::newRow("both fit exactly") << six << qsizetype(6) << QByteArray("foobar");
    QTest::newRow("short last group fits") << four << qsizetype(4) << QByteArray("foob");
    QTest::newRow("short last group does not fit") << four << qsizetype(3) << QByteArray("foo");
}

void TstSitesCipher::decodeCapacity()
{
    QFETCH(QByteArray, text);
    QFETCH(qsizetype, capacity);
    QFETCH(QByteArray, expected);

    const QByteArray untouched(16, '#');
    QByteArray buffer = untouched;
    qsizetype length = capacity;
    QVERIFY(Base64Decode(text.constData(), text.size(), reinterpret_cast<unsigned char*>(buffer.data()),
                         &length));
    QCOMPARE(buffer.first(length), expected);
    QCOMPARE(buffer.sliced(length), untouched.sliced(length));
}

// Random bytes, some of them alphabet characters, decoded into buffers of random capacity with a guard area
// behind: the decoder never writes past the capacity and agrees with Qt's decoder on what it writes.
void TstSitesCipher::decodeJunk()
{
    QRandomGenerator random(20240611);
    const QByteArray guard(32, '#');
    for (int round = 0; round < 500; ++round)
    {
        QByteArray text(random.bounded(0, 200), Qt::Uninitialized);
        for (char& c : text)
            c = random.bounded(4) == 0 ? static_cast<char>(random.bounded(256))
                                       : kAlphabet[random.bounded(64)];
        const QByteArray expected = ReferenceDecode(text);

        const qsizetype capacity = random.bounded(0, static_cast<int>(text.size()) + 1);
        QByteArray buffer = QByteArray(capacity, '\0') + guard;
        qsizetype length = capacity;
        QVERIFY(Base64Decode(text.constData(), text.size(), reinterpret_cast<unsigned char*>(buffer.data()),
                             &length));
        QVERIFY2(length <= capacity, text.toHex().constData());
        QVERIFY2(buffer.sliced(capacity) == guard, text.toHex().constData());
        QVERIFY2(buffer.first(length) == expected.first(length), text.toHex().constData());
        // Only the group that did not fit is missing.
        QVERIFY2(length == expected.size() || capacity - length < 3, text.toHex().constData());
        QCOMPARE(Base64Decode(text), expected);
    }
}

void TstSitesCipher::rc4Vectors_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipherHex");

    QTest::newRow("Key") << QByteArray("Key") << QByteArray("Plaintext") << QByteArray("bbf316e8d940af0ad3");
    QTest::newRow("Secret") << QByteArray("Secret") << QByteArray("Attack at dawn")
                            << QByteArray("45a01f645fc35b383552544b9bf5");
    // RFC 6229, 128-bit key, key stream at offset 0.
    QTest::newRow("RFC 6229") << QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10")
                              << QByteArray(16, '\0') << QByteArray("9ac7cc9a609d1ef7b2932899cde41b97");
}

void TstSitesCipher::rc4Vectors()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipherHex);

    QCOMPARE(CRc4(key).Apply(plain).toHex(), cipherHex);
    QCOMPARE(CRc4(key).Apply(QByteArray::fromHex(cipherHex)), plain);

    CRc4 split(key);
    const qsizetype half = plain.size() / 2;
    QByteArray pieces = split.Apply(plain.first(half));
    pieces += split.Apply(plain.sliced(half));
    QCOMPARE(pieces.toHex(), cipherHex);
}

void TstSitesCipher::cipherRoundTrip_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");

    for (qsizetype length : {1, 56, 57, 200})
        QTest::addRow("%lld bytes", static_cast<long long>(length))
            << QByteArray("master key") << PatternBytes(length);
    QTest::newRow("CJK text") << QByteArray("master key") << Utf8(u8"我的密碼是：伺服器３號！");
    QTest::newRow("CJK key") << Utf8(u8"超級密碼") << QByteArray("p@ssw0rd");
    QTest::newRow("settings pass phrase")
        << QByteArray(CPasswordCipher::kSettingsPassPhrase) << QByteArray("my master password");
}

void TstSitesCipher::cipherRoundTrip()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);

    CPasswordCipher cipher;
    cipher.SetKey(key);
    const QByteArray text = cipher.Encrypt(plain);
    QVERIFY(!text.isEmpty());
    QVERIFY(!text.contains(plain));
    QCOMPARE(Base64Decode(text).size(), plain.size());
    QCOMPARE(text.contains("\r\n"), plain.size() >= 57);
    QCOMPARE(cipher.Decrypt(text), plain);

    // Stored between bars in sites.xml; the decoder skips them as it skips the line breaks.
    QCOMPARE(cipher.Decrypt("|" + text + "|"), plain);

    CPasswordCipher fresh;
    fresh.SetKey(key);
    QCOMPARE(fresh.Decrypt(text), plain);
}

void TstSitesCipher::cipherPassesThrough_data()
{
    QTest::addColumn<bool>("setKey");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("no key set") << false << QByteArray() << QByteArray("plain");
    QTest::newRow("empty key") << true << QByteArray() << QByteArray("plain");
    QTest::newRow("empty text") << true << QByteArray("master") << QByteArray();
}

void TstSitesCipher::cipherPassesThrough()
{
    QFETCH(bool, setKey);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, text);

    CPasswordCipher cipher;
    if (setKey)
        cipher.SetKey(key);
    QCOMPARE(cipher.Encrypt(text), text);
    QCOMPARE(cipher.Decrypt(text), text);
}

void TstSitesCipher::cipherWrongKey()
{
    const QByteArray plain = "a site password of some length";
    CPasswordCipher writer;
    writer.SetKey("right");
    const QByteArray text = writer.Encrypt(plain);

    CPasswordCipher reader;
    reader.SetKey("wrong");
    const QByteArray garbage = reader.Decrypt(text);
    QCOMPARE(garbage.size(), plain.size());
    QVERIFY(garbage != plain);

    reader.SetKey("right");
    QCOMPARE(reader.Decrypt(text), plain);
}

// Expected texts made by a short python3 script: hashlib.md5(key).digest() as the key of a hand-written RC4,
// cross-checked with `openssl enc -rc4 -K <md5 hex> -provider legacy -nosalt`, then base64.b64encode of the
// full groups cut into 76-character lines (CR LF after each full line) plus the encoded partial group.
void TstSitesCipher::cipherKnownAnswer_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("settings pass phrase") << QByteArray(CPasswordCipher::kSettingsPassPhrase)
                                          << QByteArray("s3cret!") << QByteArray("td/6av4+zA==");
    QTest::newRow("CJK key, 60 bytes")
        << Utf8(u8"主密碼") << QByteArray("0123456789").repeated(6)
        << QByteArray("Y4oxB17AuojbNejAu0519kTbpfJzL5zKjZ/wWfOxUyiRPUJj2uhNWNZqq4GQqMEPlHom+snFWT9t\r\n+API");
}

void TstSitesCipher::cipherKnownAnswer()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, text);

    CPasswordCipher cipher;
    cipher.SetKey(key);
    QCOMPARE(cipher.Encrypt(plain), text);
    QCOMPARE(cipher.Decrypt(text), plain);
}

QTEST_GUILESS_MAIN(TstSitesCipher)
#include "tst_sites_cipher.moc"
