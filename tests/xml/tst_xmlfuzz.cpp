#include "xml/LegacyText.h"
#include "xml/XmlDocument.h"
#include "xml/XmlText.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

namespace
{

using Path = std::vector<size_t>;

struct SClosedElement
{
    Path path;
    qsizetype end = 0; // offset just past the ">" of its end tag
};

const QByteArray kMarkup("<>/!?&#;=\" \t\r\nabAB01");

QByteArray RandomBytes(QRandomGenerator& rng, int maxLength, const QByteArray& alphabet = {})
{
    QByteArray bytes;
    const int length = rng.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
    {
        const bool fromAlphabet = !alphabet.isEmpty() && rng.bounded(4) != 0;
        bytes.append(fromAlphabet ? alphabet.at(rng.bounded(int(alphabet.size()))) : char(rng.bounded(256)));
    }
    return bytes;
}

QByteArray RandomName(QRandomGenerator& rng)
{
    static const QByteArray letters("ABCDEFGHIJKLMNOPQRSTUVWXYZabcxyz0189_.-");
    QByteArray name(1, letters.at(rng.bounded(26)));
    const int length = rng.bounded(8);
    for (int i = 0; i < length; ++i)
        name.append(letters.at(rng.bounded(int(letters.size()))));
    return name;
}

// Attribute values may hold anything the format can carry, raw Big5-like bytes included.
QByteArray RandomAttributeValue(QRandomGenerator& rng)
{
    QByteArray value = RandomBytes(rng, 12, "&=/ !?#;abc\xa7\xda\x40");
    value.removeIf([](char c)
                   { return c == '"' || c == '<' || c == '>' || c == '\t' || c == '\r' || c == '\n'; });
    return value;
}

void AddRandomChildren(CXmlDocument& doc, CXmlElement* parent, QRandomGenerator& rng, int depth)
{
    const int count = depth >= 4 ? 0 : rng.bounded(5);
    for (int i = 0; i < count; ++i)
    {
        const QByteArray value = rng.bounded(3) == 0 ? QByteArray() : RandomBytes(rng, 24, kMarkup);
        CXmlElement* element = doc.AddElement(parent, RandomName(rng), value);
        const int attributes = rng.bounded(3);
        for (int a = 0; a < attributes; ++a)
            QVERIFY(element->SetAttribute(RandomName(rng), RandomAttributeValue(rng)));
        AddRandomChildren(doc, element, rng, depth + 1);
    }
}

void MakeRandomDocument(CXmlDocument& doc, QRandomGenerator& rng)
{
    doc.GetRoot()->SetName("ROOT");
    doc.GetRoot()->SetAttribute("name", RandomAttributeValue(rng));
    AddRandomChildren(doc, nullptr, rng, 0);
}

// What the reader must give back: the same names and attributes, values trimmed of white space.
bool SameTree(const CXmlElement& read, const CXmlElement& written)
{
    if (read.Name() != written.Name() || read.Attributes() != written.Attributes() ||
        read.RawValue() != written.RawValue().trimmed() ||
        read.Children().size() != written.Children().size())
        return false;
    for (size_t i = 0; i < read.Children().size(); ++i)
    {
        if (!SameTree(*read.Children()[i], *written.Children()[i]))
            return false;
    }
    return true;
}

const CXmlElement* ElementAt(const CXmlElement& root, const Path& path)
{
    const CXmlElement* element = &root;
    for (const size_t index : path)
    {
        if (index >= element->Children().size())
            return nullptr;
        element = element->Children()[index].get();
    }
    return element;
}

void CollectPostOrder(const CXmlElement& element, Path& path, std::vector<SClosedElement>& out)
{
    for (size_t i = 0; i < element.Children().size(); ++i)
    {
        path.push_back(i);
        CollectPostOrder(*element.Children()[i], path, out);
        path.pop_back();
    }
    out.push_back({path, 0});
}

// End tags appear in the written text in post-order; "</" occurs nowhere else because text is escaped and
// attribute values hold no "<".
std::vector<SClosedElement> ClosedElements(const CXmlDocument& doc, const QByteArray& xml)
{
    std::vector<SClosedElement> closed;
    Path path;
    CollectPostOrder(*doc.GetRoot(), path, closed);
    qsizetype from = 0;
    for (SClosedElement& element : closed)
    {
        const qsizetype start = xml.indexOf("</", from);
        element.end = start < 0 ? -1 : xml.indexOf('>', start) + 1;
        from = element.end;
    }
    return closed;
}

// Every element whose end tag lies before the damage must have been read whole. The root is left out: what
// follows its end tag still lands in it.
bool IntactBefore(const CXmlDocument& damaged, const CXmlDocument& original,
                  const std::vector<SClosedElement>& closed, qsizetype damageAt)
{
    for (const SClosedElement& element : closed)
    {
        if (element.end > damageAt || element.path.empty())
            continue;
        const CXmlElement* read = ElementAt(*damaged.GetRoot(), element.path);
        if (!read || !SameTree(*read, *ElementAt(*original.GetRoot(), element.path)))
            return false;
    }
    return true;
}

// Once the root's start tag has been read, its name and attributes stay whatever follows.
bool RootIntact(const CXmlDocument& damaged, const CXmlDocument& original, const QByteArray& xml,
                qsizetype damageAt)
{
    const qsizetype startTagEnd = xml.indexOf('>', xml.indexOf("<ROOT")) + 1;
    const CXmlElement& root = *damaged.GetRoot();
    return damageAt < startTagEnd ||
           (root.Name() == "ROOT" && root.Attributes() == original.GetRoot()->Attributes());
}

bool HoldsNoMarkup(const CXmlElement& element)
{
    for (const auto& [key, value] : element.Attributes())
    {
        if (key.contains('<') || key.contains('>') || value.contains('<') || value.contains('>') ||
            value.contains('\n'))
            return false;
    }
    if (element.Name().contains('<') || element.Name().contains('>') || element.Name().contains('\n') ||
        element.RawValue().contains('<'))
        return false;
    for (const auto& child : element.Children())
    {
        if (!HoldsNoMarkup(*child))
            return false;
    }
    return true;
}

QByteArray Damage(const QByteArray& xml, qsizetype at, QRandomGenerator& rng)
{
    QByteArray damaged = xml;
    switch (rng.bounded(4))
    {
    case 0:
        damaged[at] = kMarkup.at(rng.bounded(int(kMarkup.size())));
        break;
    case 1:
        damaged.remove(at, 1 + rng.bounded(40));
        break;
    case 2:
        damaged.insert(at, RandomBytes(rng, 30, kMarkup));
        break;
    default:
        damaged.truncate(at);
        damaged.append(RandomBytes(rng, 30, kMarkup));
        break;
    }
    return damaged;
}

} // namespace

class TestXmlFuzz : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomDocumentsRoundTrip();
    void truncatedAtEveryByte();
    void damagedDocuments();
    void randomMarkup();
    void randomText();
};

void TestXmlFuzz::randomDocumentsRoundTrip()
{
    QRandomGenerator rng(1001);
    for (int round = 0; round < 300; ++round)
    {
        CXmlDocument doc;
        MakeRandomDocument(doc, rng);
        CXmlDocument read;
        read.Parse(doc.GetXml());
        QVERIFY2(SameTree(*read.GetRoot(), *doc.GetRoot()), qPrintable(QString::number(round)));
        QCOMPARE(CXmlDocument().Parse(read.GetXml()), true);
    }
}

void TestXmlFuzz::truncatedAtEveryByte()
{
    QRandomGenerator rng(2002);
    CXmlDocument doc;
    while (doc.GetRoot()->Children().size() < 3)
    {
        doc.Clear();
        MakeRandomDocument(doc, rng);
    }
    const QByteArray xml = doc.GetXml();
    const std::vector<SClosedElement> closed = ClosedElements(doc, xml);
    QCOMPARE(closed.back().end, xml.size() - 2);

    for (qsizetype cut = 0; cut <= xml.size(); ++cut)
    {
        CXmlDocument read;
        read.Parse(xml.left(cut));
        QVERIFY2(IntactBefore(read, doc, closed, cut), qPrintable(QString("cut at %1").arg(cut)));
        QVERIFY(RootIntact(read, doc, xml, cut));
        QVERIFY(HoldsNoMarkup(*read.GetRoot()));
    }
}

void TestXmlFuzz::damagedDocuments()
{
    QRandomGenerator rng(3003);
    for (int round = 0; round < 400; ++round)
    {
        CXmlDocument doc;
        MakeRandomDocument(doc, rng);
        const QByteArray xml = doc.GetXml();
        const std::vector<SClosedElement> closed = ClosedElements(doc, xml);
        const qsizetype at = rng.bounded(int(xml.size()));

        CXmlDocument read;
        read.Parse(Damage(xml, at, rng));
        QVERIFY2(IntactBefore(read, doc, closed, at),
                 qPrintable(QString("round %1 at %2").arg(round).arg(at)));
        QVERIFY(RootIntact(read, doc, xml, at));
        CXmlDocument().Parse(read.GetXml());
    }
}

void TestXmlFuzz::randomMarkup()
{
    QRandomGenerator rng(4004);
    for (int round = 0; round < 1000; ++round)
    {
        CXmlDocument doc;
        doc.Parse(RandomBytes(rng, 200, kMarkup));
        QVERIFY(HoldsNoMarkup(*doc.GetRoot()));
        CXmlDocument reread;
        reread.Parse(doc.GetXml());
        QVERIFY(HoldsNoMarkup(*reread.GetRoot()));
    }
}

void TestXmlFuzz::randomText()
{
    QRandomGenerator rng(5005);
    for (int round = 0; round < 1000; ++round)
    {
        const QByteArray text = RandomBytes(rng, 120, "&#;ampltgquosbAMP0123456789- \xa7");
        const QByteArray decoded = UnescapeXmlText(text);
        QVERIFY(decoded.size() <= text.size());
        QCOMPARE(UnescapeXmlText(EscapeXmlText(text, round % 2 == 0)), text);

        const QByteArray utf8 = LegacyTextToUtf8(decoded);
        QVERIFY(IsValidUtf8(utf8));
        QCOMPARE(LegacyTextToUtf8(utf8), utf8);
    }
}

QTEST_GUILESS_MAIN(TestXmlFuzz)
#include "tst_xmlfuzz.moc"
