#include "sites/Base64.h"
#include "sites/PasswordCipher.h"

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
        text += full.mid(pos, 76) + (full.size() - pos >= 76 ? "\r\n" : "");
    return text + data.sliced(fullBytes).toBase64();
}

// Qt's lenient decoder over the alphabet characters alone, which is what ours must give.
QByteArray ReferenceDecode(const QByteArray& text)
{
    QByteArray filtered = text;
    filtered.removeIf([](char c) { return !kAlphabet.contains(c); });
    if (filtered.size() % 4 == 1)
        filtered.chop(1);
    return QByteArray::fromBase64(filtered);
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
    void encode_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<qsizetype>("required"); // padded length, two bytes per started line, two more

        // RFC 4648 section 10.
        QTest::newRow("empty") << QByteArray() << QByteArray() << qsizetype(2);
        QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==") << qsizetype(8);
        QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=") << qsizetype(8);
        QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==") << qsizetype(12);
        QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy") << qsizetype(12);
        QTest::newRow("high bytes") << QByteArray("\xFF\xFE\x00", 3) << QByteArray("//4A") << qsizetype(8);
        // 56 bytes fill a line with the partial group; 57 end a full line, which keeps its CR LF.
        const QList<std::pair<qsizetype, qsizetype>> lengths{
            {56, 80}, {57, 80}, {58, 86}, {114, 158}, {117, 164}};
        for (const auto& [length, required] : lengths)
            QTest::addRow("%lld bytes", static_cast<long long>(length))
                << PatternBytes(length) << ReferenceEncode(PatternBytes(length)) << required;
    }

    void encode()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, expected);
        QFETCH(qsizetype, required);

        QCOMPARE(Base64Encode(data), expected);
        QCOMPARE(Base64EncodedLength(data.size()), required);
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
        const QByteArray untouched(required + 8, '#');
        QByteArray buffer = untouched;
        qsizetype capacity = required - 1;
        QVERIFY(!Base64Encode(bytes, data.size(), buffer.data(), &capacity));
        QCOMPARE(capacity, required - 1);
        QCOMPARE(buffer, untouched);

        capacity = required;
        QVERIFY(Base64Encode(bytes, data.size(), buffer.data(), &capacity));
        QCOMPARE(buffer.first(capacity), expected);
        QCOMPARE(buffer.sliced(required), untouched.sliced(required));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qsizetype>("capacity");
        QTest::addColumn<QByteArray>("expected");

        const qsizetype ample = 200;
        QTest::newRow("empty") << QByteArray() << ample << QByteArray();
        QTest::newRow("padded one byte") << QByteArray("Zg==") << ample << QByteArray("f");
        QTest::newRow("short group of three") << QByteArray("Zm9vYmE") << ample << QByteArray("fooba");
        QTest::newRow("lone character") << QByteArray("Zm9vY") << ample << QByteArray("foo");
        QTest::newRow("bars, padding and line break")
            << QByteArray("|Zm9v\r\n=Ym=Fy|") << ample << QByteArray("foobar");
        QTest::newRow("high bytes out") << QByteArray("//4A") << ample << QByteArray("\xFF\xFE\x00", 3);
        QTest::newRow("encoded 115 bytes")
            << ReferenceEncode(PatternBytes(115)) << ample << PatternBytes(115);
        // Decoding stops before the first group that does not fit.
        const QByteArray six("Zm9vYmFy");
        const QByteArray four("Zm9v\r\nYg==");
        QTest::newRow("first group does not fit") << six << qsizetype(2) << QByteArray();
        QTest::newRow("first group fits exactly") << six << qsizetype(3) << QByteArray("foo");
        QTest::newRow("second group does not fit") << six << qsizetype(5) << QByteArray("foo");
        QTest::newRow("both fit exactly") << six << qsizetype(6) << QByteArray("foobar");
        QTest::newRow("short last group fits") << four << qsizetype(4) << QByteArray("foob");
        QTest::newRow("short last group does not fit") << four << qsizetype(3) << QByteArray("foo");
    }

    void decode()
    {
        QFETCH(QByteArray, text);
        QFETCH(qsizetype, capacity);
        QFETCH(QByteArray, expected);

        const QByteArray untouched(capacity + 16, '#');
        QByteArray buffer = untouched;
        qsizetype length = capacity;
        QVERIFY(Base64Decode(text.constData(), text.size(), reinterpret_cast<unsigned char*>(buffer.data()),
                             &length));
        QCOMPARE(buffer.first(length), expected);
        QCOMPARE(buffer.sliced(length), untouched.sliced(length));
        if (capacity >= text.size())
            QCOMPARE(Base64Decode(text), expected);
    }

    // Random bytes, some of them alphabet characters, decoded into buffers of random capacity with a guard
    // area behind: the decoder never writes past the capacity and agrees with Qt's decoder on what it writes.
    void decodeJunk()
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
            const QByteArray context = text.toHex();

            const qsizetype capacity = random.bounded(0, static_cast<int>(text.size()) + 1);
            QByteArray buffer = QByteArray(capacity, '\0') + guard;
            qsizetype length = capacity;
            QVERIFY(Base64Decode(text.constData(), text.size(),
                                 reinterpret_cast<unsigned char*>(buffer.data()), &length));
            QVERIFY2(length <= capacity && buffer.sliced(capacity) == guard, context);
            QVERIFY2(buffer.first(length) == expected.first(length), context);
            // Only the group that did not fit is missing.
            QVERIFY2(length == expected.size() || capacity - length < 3, context);
            QCOMPARE(Base64Decode(text), expected);
        }
    }

    // Expected texts made by a short python3 script: hashlib.md5(key).digest() as the key of a hand-written
    // RC4, cross-checked with `openssl enc -rc4 -K <md5 hex> -provider legacy -nosalt`, then base64.b64encode
    // of the full groups cut into 76-character lines (CR LF after each full line) plus the encoded partial
    // group.
    void cipher_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("settings pass phrase") << QByteArray(CPasswordCipher::kSettingsPassPhrase)
                                              << QByteArray("s3cret!") << QByteArray("td/6av4+zA==");
        QTest::newRow("short key") << QByteArray("master key") << QByteArray("p@ssw0rd")
                                   << QByteArray("N6ustSnrYnI=");
        QTest::newRow("CJK key and text") << Utf8(u8"超級密碼") << Utf8(u8"我的密碼是：伺服器３號！")
                                          << QByteArray("iax6YPm98VBowlrQ7ENAjzT3E7K1AiwuUHyPgA6btVFBKGB8");
        QTest::newRow("CJK key, 60 bytes")
            << Utf8(u8"主密碼") << QByteArray("0123456789").repeated(6)
            << QByteArray(
                   "Y4oxB17AuojbNejAu0519kTbpfJzL5zKjZ/wWfOxUyiRPUJj2uhNWNZqq4GQqMEPlHom+snFWT9t\r\n+API");
        // Empty text or an empty key pass through unchanged.
        QTest::newRow("empty key") << QByteArray() << QByteArray("plain") << QByteArray("plain");
        QTest::newRow("empty text") << QByteArray("master") << QByteArray() << QByteArray();
    }

    void cipher()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, text);

        CPasswordCipher cipher;
        cipher.SetKey(key);
        QCOMPARE(cipher.Encrypt(plain), text);
        QCOMPARE(cipher.Decrypt(text), plain);
    }
};

QTEST_GUILESS_MAIN(TstSitesCipher)
#include "tst_sites_cipher.moc"
