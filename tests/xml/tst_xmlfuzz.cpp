#include "xml/XmlDocument.h"
#include "xml/XmlText.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

namespace
{

const QByteArray kMarkup("<>/!?&#;=\" \t\r\nabAB01\xa7\xda");

QByteArray RandomBytes(QRandomGenerator& rng, int maxLength, const QByteArray& alphabet = kMarkup)
{
    QByteArray bytes(rng.bounded(maxLength + 1), Qt::Uninitialized);
    for (char& c : bytes)
        c = rng.bounded(4) != 0 ? alphabet.at(rng.bounded(int(alphabet.size()))) : char(rng.bounded(256));
    return bytes;
}

// Names and attributes as the writer can hold them; values of any bytes.
void AddRandomChildren(CXmlDocument& doc, CXmlElement* parent, QRandomGenerator& rng, int depth)
{
    for (int i = depth >= 4 ? 0 : rng.bounded(5); i > 0; --i)
    {
        CXmlElement* element = doc.AddElement(parent, "E" + QByteArray::number(rng.bounded(100)),
                                              rng.bounded(3) == 0 ? QByteArray() : RandomBytes(rng, 24));
        QByteArray value = RandomBytes(rng, 12);
        value.removeIf([](char c) { return QByteArray("\"<>\t\r\n").contains(c); });
        QVERIFY(element->SetAttribute("a" + QByteArray::number(rng.bounded(3)), value));
        AddRandomChildren(doc, element, rng, depth + 1);
    }
}

// The same names and attributes, values trimmed of white space as the reader trims them.
bool SameTree(const CXmlElement& read, const CXmlElement& written)
{
    bool same = read.Name() == written.Name() && read.Attributes() == written.Attributes() &&
                read.RawValue() == written.RawValue().trimmed() &&
                read.Children().size() == written.Children().size();
    for (size_t i = 0; same && i < read.Children().size(); ++i)
        same = SameTree(*read.Children()[i], *written.Children()[i]);
    return same;
}

// Nothing read from a tag holds "<", ">" or a line break, nor text a "<": what the writer makes of it keeps
// its structure.
bool HoldsNoMarkup(const CXmlElement& element)
{
    QByteArray tag = element.Name();
    for (const auto& [key, value] : element.Attributes())
        tag += key + value;
    bool clean =
        !tag.contains('<') && !tag.contains('>') && !tag.contains('\n') && !element.RawValue().contains('<');
    for (const auto& child : element.Children())
        clean = clean && HoldsNoMarkup(*child);
    return clean;
}

// Walks the written tree in the order its end tags stand in the text: every element whose end tag lies
// within the first `cut` bytes must have been read whole. `end` follows the end tags.
bool IntactBefore(const CXmlElement* read, const CXmlElement& written, const QByteArray& xml, qsizetype cut,
                  qsizetype& end)
{
    static const CXmlElement::ChildList kNone;
    const auto& children = read ? read->Children() : kNone;
    bool intact = true;
    for (size_t i = 0; i < written.Children().size(); ++i)
        intact &= IntactBefore(i < children.size() ? children[i].get() : nullptr, *written.Children()[i], xml,
                               cut, end);
    end = xml.indexOf('>', xml.indexOf("</", end)) + 1;
    return intact && (end > cut || (read && SameTree(*read, written)));
}

} // namespace

class TestXmlFuzz : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Random trees read back as written, and whatever a cut leaves of them keeps every finished element.
    void randomDocumentsTruncatedAtEveryByte()
    {
        QRandomGenerator rng(1001);
        for (int round = 0; round < 40; ++round)
        {
            CXmlDocument doc;
            doc.GetRoot()->SetName("ROOT");
            AddRandomChildren(doc, nullptr, rng, 0);
            const QByteArray xml = doc.GetXml();
            const qsizetype rootOpened = xml.indexOf('>', xml.indexOf("<ROOT")) + 1;
            for (qsizetype cut = 0; cut <= xml.size(); ++cut)
            {
                CXmlDocument read;
                QCOMPARE(read.Parse(xml.left(cut)), cut < rootOpened || cut >= xml.size() - 2);
                qsizetype end = 0;
                QVERIFY2(IntactBefore(read.GetRoot(), *doc.GetRoot(), xml, cut, end),
                         qPrintable(QString("round %1, cut at %2").arg(round).arg(cut)));
            }
        }
    }

    // Random markup, and the writer's text of what the reader made of it.
    void randomMarkup()
    {
        QRandomGenerator rng(4004);
        for (int round = 0; round < 2000; ++round)
        {
            CXmlDocument doc;
            doc.Parse(RandomBytes(rng, 200));
            CXmlDocument reread;
            reread.Parse(doc.GetXml());
            QVERIFY2(HoldsNoMarkup(*doc.GetRoot()) && HoldsNoMarkup(*reread.GetRoot()),
                     qPrintable(QString::number(round)));
        }
    }

    void randomTextRoundTrips()
    {
        QRandomGenerator rng(5005);
        for (int round = 0; round < 1000; ++round)
        {
            const QByteArray text = RandomBytes(rng, 120, "&#;ampltgquosbAMP0123456789- \xa7");
            const QByteArray escaped = EscapeXmlText(text, round % 2 == 0);
            // ASCII without markup, whatever the bytes.
            QVERIFY(std::all_of(escaped.begin(), escaped.end(),
                                [](char c) { return uchar(c) < 128 && c != '<' && c != '>'; }));
            QCOMPARE(UnescapeXmlText(escaped), text);
            QVERIFY(UnescapeXmlText(text).size() <= text.size());
        }
    }
};

QTEST_GUILESS_MAIN(TestXmlFuzz)
#include "tst_xmlfuzz.moc"
