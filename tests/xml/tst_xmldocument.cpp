#include "support/Rows.h"
#include "support/TestFiles.h"
#include "xml/XmlDocument.h"
#include "xml/XmlText.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace
{

using TestFiles::ReadFile;
using TestFiles::WriteFile;

// "我的最愛" and "站台" as the Windows program stores them, in Big5.
const QByteArray kBig5Favourites = QByteArray::fromHex("a7daaabab3ccb752");
const QByteArray kBig5Site = QByteArray::fromHex("afb8a578");
const QByteArray kReplacement("\xEF\xBF\xBD");

// Compact picture of a tree: NAME[key=value,...]=text{child;child}.
QByteArray Dump(const CXmlElement& element)
{
    const auto group = [](const QByteArrayList& parts, char open, char separator, char close)
    { return parts.isEmpty() ? QByteArray() : open + parts.join(separator) + close; };
    QByteArrayList attributes, children;
    for (const auto& [key, value] : element.Attributes())
        attributes.append(key + '=' + value);
    for (const auto& child : element.Children())
        children.append(Dump(*child));
    const QByteArray text = element.GetValue().isEmpty() ? QByteArray() : '=' + element.GetValue();
    return element.Name() + group(attributes, '[', ',', ']') + text + group(children, '{', ';', '}');
}

void ParserRow(const char* name, const QByteArray& xml, const QByteArray& tree, bool complete = true)
{
    QTest::newRow(name) << xml << tree << complete;
}

// A row for the text of one element: how its stored bytes read back.
void TextRow(const char* name, const QByteArray& text, const QByteArray& value)
{
    ParserRow(name, "<R><A>" + text + "</A></R>", "R{A=" + value + '}');
}

} // namespace

class TestXmlDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writerBytes()
    {
        CXmlDocument doc;
        doc.GetRoot()->SetName("SITES");
        QVERIFY(doc.GetRoot()->SetAttribute("name", "Fav"));
        CXmlElement* folder = doc.AddElement(nullptr, "FOLDER", {}, "name = \"Work\"");
        CXmlElement* site = doc.AddElement(folder, "  SITE\t", {}, "name=\"a b\" id=\"7\"");
        doc.AddElement(site, "ADDRESS", "ftp.example.com");
        doc.AddElement(site, "DESCRIPTION", "A&B <x> \"q\" 'a' 我 &amp; &#65;");
        doc.AddElement(site, "EMPTY");

        const QByteArray expected =
            "<?xml version=\"1.0\"?>\r\n"
            "<SITES name=\"Fav\" >\r\n"
            "\t<FOLDER name=\"Work\" >\r\n"
            "\t\t<SITE id=\"7\" name=\"a b\" >\r\n"
            "\t\t\t<ADDRESS>ftp.example.com</ADDRESS>\r\n"
            "\t\t\t<DESCRIPTION>A&amp;B &lt;x&gt; \"q\" 'a' &#230;&#136;&#145; &amp;amp; "
            "&amp;#65;</DESCRIPTION>\r\n"
            "\t\t\t<EMPTY>\r\n"
            "\t\t\t</EMPTY>\r\n"
            "\t\t</SITE>\r\n"
            "\t</FOLDER>\r\n"
            "</SITES>\r\n";
        QCOMPARE(doc.GetXml(), expected);

        CXmlDocument reread;
        QVERIFY(reread.Parse(expected));
        QCOMPARE(reread.GetXml(), expected);
    }

    void parserRules_data()
    {
        Columns<QByteArray, QByteArray, bool>({"xml", "tree", "complete"});
        ParserRow("declaration, doctype, comment skipped",
                  "<?xml version=\"1.0\"?>\r\n<!DOCTYPE x>\r\n<R><!-- note -->\r\n\t<A>1</A></R>", "R{A=1}");
        ParserRow("end tags unchecked", "<R><A>1</B><C>2</Z></R>", "R{A=1;C=2}");
        ParserRow("empty element on two lines", "<R>\r\n\t<E>\r\n\t</E>\r\n\t<F>1</F>\r\n</R>\r\n",
                  "R{E;F=1}");
        ParserRow("empty-element tags", "<R><E/><F a=\"1\"/><G>2</G></R>", "R{E;F[a=1];G=2}");
        ParserRow("attribute rule", "<R k = \"v 1\" e=\"\" k=\"again\" junk></R>", "R[e=,k=again]");
        ParserRow("breaks and tabs inside a tag", "<R\tname=\"x\"\r\n\tid=\"2\"><A\r\n>1</A></R>",
                  "R[id=2,name=x]{A=1}");
        ParserRow("unmatched end tags at the root", "</X><R></R></R></R><A>1</A>", "R{A=1}");
        ParserRow("text before a child kept", "<R><A>text\t<B>1</B>\r\n</A></R>", "R{A=text{B=1}}");
        ParserRow("later text replaces earlier", "<R><A>one<B/>two</A></R>", "R{A=two{B}}");
        ParserRow("huge attribute", "<R a=\"" + QByteArray(1 << 20, 'x') + "\"/>",
                  "R[a=" + QByteArray(1 << 20, 'x') + ']');
        // Nesting beyond 512 levels is dropped and the document counts as cut short; what follows is read.
        ParserRow("deep nesting",
                  "<R>" + QByteArray("<a>").repeated(100000) + "<b/>" + QByteArray("</a>").repeated(100000) +
                      "<B>1</B></R>",
                  "R{" + QByteArray("a{").repeated(511) + "a" + QByteArray(511, '}') + ";B=1}", false);
        ParserRow("text only", "no markup", "");
        ParserRow("cut inside a tag", "<R><A>1</A><B", "R{A=1}", false);
        ParserRow("cut inside text", "<R><A>1</A><B>2", "R{A=1;B}", false);
        ParserRow("cut after an empty-element tag", "<R><A/>", "R{A}", false);
        ParserRow("cut below finished elements", "<R><A><B>1</B><C/>\r\n\t<D>", "R{A{B=1;C;D}}", false);

        TextRow("trimmed", " \t x  y \r\n", "x  y");
        TextRow("greater-than is text", "x > y", "x > y");
        TextRow("entities in any case", "&amp;&Lt;&gT;&QUOT;&apos;a&NBSP;b&nbsp;", "&<>\"'a b ");
        TextRow("character references keep the low byte, negative ones wrap", "&#65;&#321;&#-191;", "AAA");
        TextRow("reference without semicolon", "&#66", "B");
        TextRow("white space before number, junk after it skipped", "&# 67xyz;d", "Cd");
        TextRow("huge number", "&#99999999999999999999999;", kReplacement);
        TextRow("no number", "x&#;y&#abc;z", "xyz");
        TextRow("reference of zero", "a&#0;b", QByteArray("a\0b", 3));
        TextRow("lone ampersands", "a & b&", "a & b");
        TextRow("unknown and incomplete entities kept", "&copy; &x &amp", "&copy; &x &amp");
        TextRow("ampersand before entity", "&&amp;", "&&");
        // Text is UTF-8, or else Big5; bytes that are neither become U+FFFD.
        TextRow("UTF-8", "新", "新");
        TextRow("Big5 mixed with ASCII", kBig5Site + " A-1", "站台 A-1");
        TextRow("lone Big5 lead byte at the end", "abc\xA7", "abc" + kReplacement);
        TextRow("neither UTF-8 nor Big5", "x\xFF\xFF", "x" + kReplacement + kReplacement);
        TextRow("Big5 around junk", kBig5Site.first(2) + "\xFF" + kBig5Site.sliced(2),
                "站" + kReplacement + "台");
    }

    void parserRules()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QByteArray, tree);
        QFETCH(bool, complete);

        CXmlDocument doc;
        doc.GetRoot()->SetName("OLD");
        doc.AddElement(nullptr, "STALE");
        QCOMPARE(doc.Parse(xml), complete);
        QCOMPARE(Dump(*doc.GetRoot()), tree);
    }

    void editing()
    {
        CXmlDocument doc;
        CXmlElement* site = doc.AddElement(nullptr, "SITE", {}, "name=\"s\"");
        CXmlElement* address = doc.AddElement(site, "ADDRESS", "old");
        doc.AddElement(doc.AddElement(site, "PORT", "21"), "LEAF");
        doc.AddElement(site, "PORT", "second");
        doc.AddElement(site, "Äpfel");

        // Names match without regard to case, non-ASCII letters included.
        QCOMPARE(doc.FindChild(site, "äPFEL"), site->Children().back().get());
        QCOMPARE(doc.SetChildValue(site, "address", "new & <better>"), address);
        QCOMPARE(address->RawValue(), QByteArray("new &amp; &lt;better&gt;"));
        doc.SetChildValue(site, "PORT", "990");
        doc.SetChildValue(site, "PROTOCOLTYPE", "3");
        QCOMPARE(Dump(*site),
                 QByteArray(
                     "SITE[name=s]{ADDRESS=new & <better>;PORT=990{LEAF};PORT=second;Äpfel;PROTOCOLTYPE=3}"));
        // Attribute text merges into the attributes there are; keys keep their case.
        doc.SetChildValue(nullptr, "site", "", "id=\"9\" name=\"t\"");
        QCOMPARE(site->Attributes(), CXmlElement::AttributeMap({{"id", "9"}, {"name", "t"}}));
        QCOMPARE(site->GetAttribute("ID"), QByteArray());

        // Removal is refused for an element of another document, none, the root and one outside the subtree.
        CXmlDocument stranger;
        const QByteArray before = doc.GetXml();
        QVERIFY(!doc.RemoveElement(stranger.AddElement(nullptr, "A")) && !doc.RemoveElement(nullptr) &&
                !doc.RemoveElement(doc.GetRoot()) &&
                !doc.RemoveElement(address, doc.FindChild(site, "PROTOCOLTYPE")));
        QCOMPARE(doc.GetXml(), before);
        QVERIFY(doc.RemoveElement(site->Children()[1].get(), site) && doc.RemoveElement(address));
        QCOMPARE(Dump(*doc.GetRoot()), QByteArray("{SITE[id=9,name=t]{PORT=second;Äpfel;PROTOCOLTYPE=3}}"));
    }

    void attributesThatCannotBeWritten_data()
    {
        Columns<QByteArray, QByteArray, bool>({"key", "value", "accepted"});
        const QByteArray name("name");
        Row("plain", name, QByteArray("Work & Play / 1=2 我"), true);
        Row("empty value", name, QByteArray(), true);
        for (const QByteArray value : {"a\"b", "a<b", "a>b", "a\r\nb", "a\tb"})
            QTest::addRow("value %s", value.toPercentEncoding().constData()) << name << value << false;
        for (const QByteArray key : {"", "a=b", "a b"})
            QTest::addRow("key '%s'", key.constData()) << key << QByteArray("v") << false;
    }

    void attributesThatCannotBeWritten()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(bool, accepted);

        CXmlDocument doc;
        doc.GetRoot()->SetName("SITES");
        QCOMPARE(doc.GetRoot()->SetAttribute(key, value), accepted);
        QCOMPARE(doc.GetRoot()->Attributes().size(), size_t(accepted ? 1 : 0));
        CXmlDocument reread;
        QVERIFY(reread.Parse(doc.GetXml()));
        QCOMPARE(reread.GetRoot()->GetAttribute(key), accepted ? value : QByteArray());
    }

    void load()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("nul.xml");
        QVERIFY(WriteFile(path, QByteArray("<R><A>1</A>\0<B>2</B></R>", 25)));
        CXmlDocument doc;
        // What stood after the NUL is not in the tree: the document counts as cut short.
        QVERIFY(!doc.Load(path));
        QCOMPARE(Dump(*doc.GetRoot()), QByteArray("R{A=1}"));
        // A file that cannot be read leaves an empty document.
        for (const QString& unreadable : {dir.filePath("missing.xml"), dir.path()})
        {
            QVERIFY(doc.Parse("<R a=\"1\"><A>1</A></R>") && !doc.Load(unreadable));
            QCOMPARE(Dump(*doc.GetRoot()), QByteArray());
        }

        // A file from the Windows program: names stay Big5 bytes, text of character references to Big5 bytes
        // reads as UTF-8; saved again, the file is unchanged.
        const QByteArray file = "<?xml version=\"1.0\"?>\r\n<SITES name=\"" + kBig5Favourites +
                                "\" >\r\n\t<FOLDER name=\"" + kBig5Site +
                                " 1\" >\r\n\t\t<DESCRIPTION>"
                                "&#167;&#218;&#170;&#186;&#179;&#204;&#183;&#82; &amp; more</DESCRIPTION>\r\n"
                                "\t</FOLDER>\r\n</SITES>\r\n";
        QVERIFY(WriteFile(dir.filePath("sites.xml"), file));
        QVERIFY(doc.Load(dir.filePath("sites.xml")));
        QCOMPARE(Dump(*doc.GetRoot()), "SITES[name=" + kBig5Favourites + "]{FOLDER[name=" + kBig5Site +
                                           " 1]{DESCRIPTION=我的最愛 & more}}");
        QVERIFY(doc.Save(dir.filePath("copy.xml")));
        QCOMPARE(ReadFile(dir.filePath("copy.xml")), file);
    }

    // A save replaces the file and keeps its permissions; one that runs out of space fails and leaves the old
    // file as it was. Neither leaves a temporary file behind.
    void save()
    {
        CXmlDocument doc;
        doc.GetRoot()->SetName("SITES");
        for (int i = 0; i < 50; ++i)
            doc.AddElement(nullptr, "SITE", "a value long enough to pass the size limit");
        QTemporaryDir dir;
        QVERIFY(!doc.Save(dir.filePath("no/such/folder/sites.xml")));
        const QString path = dir.filePath("sites.xml");
        const QByteArray old = "<?xml version=\"1.0\"?>\r\n<SITES>\r\n</SITES>\r\n";
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(WriteFile(path, old) && QFile::setPermissions(path, mode));
        // Writes beyond the old file's size fail, as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit fullDisk{rlim_t(old.size()), unlimited.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &fullDisk), 0);
        const bool saved = doc.Save(path);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!saved);
        QCOMPARE(ReadFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"sites.xml"});

        QVERIFY(doc.Save(path));
        QCOMPARE(ReadFile(path), doc.GetXml());
        QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077), mode);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"sites.xml"});
    }
};

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "tst_xmldocument.moc"
