#include "support/TestFiles.h"
#include "xml/LegacyText.h"
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
    QByteArray out = element.Name();
    QByteArrayList attributes;
    for (const auto& [key, value] : element.Attributes())
        attributes.append(key + '=' + value);
    if (!attributes.isEmpty())
        out += '[' + attributes.join(',') + ']';
    if (!element.GetValue().isEmpty())
        out += '=' + element.GetValue();
    QByteArrayList children;
    for (const auto& child : element.Children())
        children.append(Dump(*child));
    if (!children.isEmpty())
        out += '{' + children.join(';') + '}';
    return out;
}

// One row of a table whose columns all hold bytes.
void Row(const char* name, std::initializer_list<QByteArray> values)
{
    QTestData& row = QTest::newRow(name);
    for (const QByteArray& value : values)
        row << value;
}

// Makes every file write beyond `bytes` fail, as a full disk would.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, m_old.rlim_max};
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool IsActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestXmlDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escape_data();
    void escape();
    void unescape_data();
    void unescape();
    void legacyText_data();
    void legacyText();
    void writerBytes();
    void parserRules_data();
    void parserRules();
    void setChildValue();
    void removeElement();
    void attributesThatCannotBeWritten_data();
    void attributesThatCannotBeWritten();
    void load();
    void big5File();
    void saveReplacesFile();
    void saveFailureKeepsOldFile();
};

void TestXmlDocument::escape_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("escaped");
    QTest::addColumn<QByteArray>("quotesEscaped");

    Row("empty", {"", "", ""});
    Row("markup", {"a&b<c>d", "a&amp;b&lt;c&gt;d", "a&amp;b&lt;c&gt;d"});
    Row("quotes", {"\"it's\"", "\"it's\"", "&quot;it&apos;s&quot;"});
    Row("controls copied", {"\t\r\n\x01\x7f", "\t\r\n\x01\x7f", "\t\r\n\x01\x7f"});
    Row("byte 255", {"\xff", "&#255;", "&#255;"});
    Row("one reference per byte", {"我", "&#230;&#136;&#145;", "&#230;&#136;&#145;"});
    Row("existing entity escaped again", {"&amp;", "&amp;amp;", "&amp;amp;"});
}

void TestXmlDocument::escape()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, escaped);
    QFETCH(QByteArray, quotesEscaped);
    QCOMPARE(EscapeXmlText(text), escaped);
    QCOMPARE(EscapeXmlText(text, true), quotesEscaped);
}

void TestXmlDocument::unescape_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    Row("five entities", {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"});
    Row("any case", {"&AMP;&Lt;&gT;&QUOT;&Apos;", "&<>\"'"});
    Row("nbsp any case", {"a&nbsp;b&NBSP;c&NbSp;", "a b c "});
    Row("reference 65", {"&#65;", "A"});
    Row("reference 321 keeps low byte", {"&#321;", "A"});
    Row("references make bytes", {"&#230;&#136;&#145;", "我"});
    Row("reference without semicolon", {"&#66", "B"});
    Row("junk after number skipped", {"&#67xyz;d", "Cd"});
    Row("white space before number", {"&# 68;", "D"});
    Row("negative wraps", {"&#-191;", "A"});
    Row("overflow saturates", {"&#99999999999999999999999;", "\xff"});
    Row("no number", {"x&#;y&#abc;z", "xyz"});
    Row("reference of zero", {"a&#0;b", QByteArray("a\0b", 3)});
    Row("final ampersand dropped", {"a&", "a"});
    Row("unknown entity kept", {"&copy; &x", "&copy; &x"});
    Row("incomplete entity kept", {"&amp", "&amp"});
    Row("ampersand before entity", {"&&amp;", "&&"});
    Row("decoded text not decoded again", {"&amp;lt;", "&lt;"});
}

void TestXmlDocument::unescape()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(UnescapeXmlText(text), expected);
}

void TestXmlDocument::legacyText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    Row("ascii", {"site 1", "site 1"});
    Row("utf-8 kept", {"我的最愛", "我的最愛"});
    Row("big5 converted", {kBig5Favourites, "我的最愛"});
    Row("big5 mixed with ascii", {kBig5Site + " A-1", "站台 A-1"});
    Row("lone lead byte at end", {"abc\xA7", "abc" + kReplacement});
    Row("neither utf-8 nor big5", {"\xFF\xFF"
                                   "ok",
                                   kReplacement + kReplacement + "ok"});
    Row("big5 around junk", {kBig5Site.first(2) + "\xFF" + kBig5Site.sliced(2), "站" + kReplacement + "台"});
}

void TestXmlDocument::legacyText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QCOMPARE(LegacyTextToUtf8(bytes), expected);
}

void TestXmlDocument::writerBytes()
{
    CXmlDocument doc;
    doc.GetRoot()->SetName("SITES");
    QVERIFY(doc.GetRoot()->SetAttribute("name", "Fav"));
    CXmlElement* folder = doc.AddElement(nullptr, "FOLDER", {}, "name = \"Work\"");
    CXmlElement* site = doc.AddElement(folder, "  SITE\t", {}, "name=\"a b\" id=\"7\"");
    doc.AddElement(site, "ADDRESS", "ftp.example.com");
    doc.AddElement(site, "DESCRIPTION", "A&B <x> \"q\" 'a' 我 &amp; &#65;");
    doc.AddElement(site, "EMPTY");

    const QByteArray expected = "<?xml version=\"1.0\"?>\r\n"
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
    QCOMPARE(Dump(*reread.GetRoot()),
             QByteArray("SITES[name=Fav]{FOLDER[name=Work]{SITE[id=7,name=a b]{ADDRESS=ftp.example.com;"
                        "DESCRIPTION=A&B <x> \"q\" 'a' 我 &amp; &#65;;EMPTY}}}"));
}

namespace
{

void ParserRow(const char* name, const QByteArray& xml, const QByteArray& tree, bool complete = true)
{
    QTest::newRow(name) << xml << tree << complete;
}

} // namespace

void TestXmlDocument::parserRules_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QByteArray>("tree");
    QTest::addColumn<bool>("complete");

    ParserRow("declaration skipped", "<?xml version=\"1.0\"?>\r\n<R>\r\n\t<A>1</A>\r\n</R>\r\n", "R{A=1}");
    ParserRow("comment and doctype skipped", "<!DOCTYPE x>\r\n<R><!-- note --><A>1</A></R>", "R{A=1}");
    ParserRow("end tags unchecked", "<R><A>1</B><C>2</Z></R>", "R{A=1;C=2}");
    ParserRow("values trimmed", "<R><A> \t x  y \r\n</A></R>", "R{A=x  y}");
    ParserRow("entities in any case", "<R><A>a&NBSP;b&Amp;c&nbsp;</A></R>", "R{A=a b&c }");
    ParserRow("character references", "<R><A>&#65;&#321;</A></R>", "R{A=AA}");
    ParserRow("lone ampersands", "<R><A>a & b&</A></R>", "R{A=a & b}");
    ParserRow("unknown entity", "<R><A>&copy;</A></R>", "R{A=&copy;}");
    ParserRow("empty element on two lines", "<R>\r\n\t<E>\r\n\t</E>\r\n\t<F>1</F>\r\n</R>\r\n", "R{E;F=1}");
    ParserRow("empty-element tags", "<R><E/><F a=\"1\"/><G>2</G></R>", "R{E;F[a=1];G=2}");
    ParserRow("attribute rule", "<R k = \"v 1\" e=\"\" k=\"again\" junk></R>", "R[e=,k=again]");
    ParserRow("breaks and tabs inside a tag", "<R\tname=\"x\"\r\n\tid=\"2\"><A\r\n>1</A></R>",
              "R[id=2,name=x]{A=1}");
    ParserRow("unmatched end tags at the root", "</X><R></R></R></R><A>1</A>", "R{A=1}");
    ParserRow("greater-than in text is text", "<R><A>x > y</A><B>2</B></R>", "R{A=x > y;B=2}");
    ParserRow("text before a child kept", "<R><A>text\t<B>1</B>\r\n</A></R>", "R{A=text{B=1}}");
    ParserRow("later text replaces earlier", "<R><A>one<B/>two</A></R>", "R{A=two{B}}");
    ParserRow("raw bytes in text", "<R><A>新</A></R>", "R{A=新}");
    ParserRow("bytes neither UTF-8 nor Big5", "<R><A>x\xFF</A></R>", "R{A=x" + kReplacement + "}");
    ParserRow("huge attribute", "<R a=\"" + QByteArray(1 << 20, 'x') + "\"/>",
              "R[a=" + QByteArray(1 << 20, 'x') + ']');
    ParserRow("text only", "no markup", "");
    ParserRow("empty", "", "");
    ParserRow("cut inside a tag", "<R><A>1</A><B", "R{A=1}", false);
    ParserRow("cut inside text", "<R><A>1</A><B>2", "R{A=1;B}", false);
    ParserRow("cut after an empty-element tag", "<R><A/>", "R{A}", false);
}

void TestXmlDocument::parserRules()
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

void TestXmlDocument::setChildValue()
{
    CXmlDocument doc;
    CXmlElement* site = doc.AddElement(nullptr, "SITE", {}, "name=\"s\"");
    CXmlElement* address = doc.AddElement(site, "ADDRESS", "old");
    doc.AddElement(site, "PORT", "21");
    doc.AddElement(site, "PORT", "second");
    doc.AddElement(site, "Äpfel");

    // Names match without regard to case, non-ASCII letters included.
    QCOMPARE(doc.FindChild(site, "äPFEL"), site->Children().back().get());
    QCOMPARE(doc.SetChildValue(site, "address", "new & <better>"), address);
    QCOMPARE(address->RawValue(), QByteArray("new &amp; &lt;better&gt;"));
    QCOMPARE(doc.GetChildValue(site, "ADDRESS"), QByteArray("new & <better>"));

    doc.SetChildValue(site, "PORT", "990");
    QCOMPARE(Dump(*site), QByteArray("SITE[name=s]{ADDRESS=new & <better>;PORT=990;PORT=second;Äpfel}"));
    CXmlElement* added = doc.SetChildValue(site, "PROTOCOLTYPE", "3");
    QCOMPARE(site->Children().back().get(), added);
    QCOMPARE(added->Parent(), site);

    // Attribute text merges into the attributes there are.
    doc.SetChildValue(nullptr, "site", "", "id=\"9\" name=\"t\"");
    doc.SetChildValue(nullptr, "site", "", "other=\"x\"");
    QCOMPARE(site->Attributes(), CXmlElement::AttributeMap({{"id", "9"}, {"name", "t"}, {"other", "x"}}));
    QCOMPARE(site->GetAttribute("ID"), QByteArray());
}

void TestXmlDocument::removeElement()
{
    CXmlDocument doc;
    CXmlElement* folder = doc.AddElement(nullptr, "FOLDER");
    CXmlElement* a = doc.AddElement(folder, "A");
    CXmlElement* b = doc.AddElement(folder, "B");
    CXmlElement* c = doc.AddElement(folder, "C");
    doc.AddElement(b, "LEAF");
    CXmlElement* other = doc.AddElement(nullptr, "OTHER");

    CXmlDocument stranger;
    const QByteArray before = doc.GetXml();
    QVERIFY(!doc.RemoveElement(stranger.AddElement(nullptr, "A")));
    QVERIFY(!doc.RemoveElement(nullptr));
    QVERIFY(!doc.RemoveElement(doc.GetRoot()));
    QVERIFY(!doc.RemoveElement(a, other));
    QCOMPARE(doc.GetXml(), before);

    // Removing the element just returned keeps a walk over its siblings going.
    QCOMPARE(folder->GetFirstChild(), a);
    QCOMPARE(folder->GetNextChild(), b);
    QVERIFY(doc.RemoveElement(b, folder));
    QCOMPARE(folder->GetNextChild(), c);
    QVERIFY(doc.RemoveElement(a));
    QVERIFY(!folder->GetNextChild());
    QCOMPARE(Dump(*doc.GetRoot()), QByteArray("{FOLDER{C};OTHER}"));
}

namespace
{

void AttributeRow(const char* name, const QByteArray& key, const QByteArray& value, bool accepted)
{
    QTest::newRow(name) << key << value << accepted;
}

} // namespace

void TestXmlDocument::attributesThatCannotBeWritten_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("accepted");

    AttributeRow("plain", "name", "Work & Play / 1=2", true);
    AttributeRow("cjk", "name", "我的最愛", true);
    AttributeRow("empty value", "name", "", true);
    AttributeRow("quote", "name", "a\"b", false);
    AttributeRow("less-than", "name", "a<b", false);
    AttributeRow("greater-than", "name", "a>b", false);
    AttributeRow("line break", "name", "a\r\nb", false);
    AttributeRow("tab", "name", "a\tb", false);
    AttributeRow("empty key", "", "v", false);
    AttributeRow("key with equals", "a=b", "v", false);
    AttributeRow("key with space", "a b", "v", false);
}

void TestXmlDocument::attributesThatCannotBeWritten()
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

void TestXmlDocument::load()
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
        QVERIFY(doc.Parse("<R a=\"1\"><A>1</A></R>"));
        QVERIFY(!doc.Load(unreadable));
        QCOMPARE(Dump(*doc.GetRoot()), QByteArray());
    }
}

// Names in Big5 read as UTF-8; text as character references of Big5 bytes too. Saved again, the file is
// unchanged.
void TestXmlDocument::big5File()
{
    const QByteArray file =
        "<?xml version=\"1.0\"?>\r\n<SITES name=\"" + kBig5Favourites + "\" >\r\n\t<FOLDER name=\"" +
        kBig5Site + "\" >\r\n\t\t<SITE name=\"" + kBig5Site +
        " 1\" >\r\n"
        "\t\t\t<DESCRIPTION>&#167;&#218;&#170;&#186;&#179;&#204;&#183;&#82; &amp; more</DESCRIPTION>\r\n"
        "\t\t</SITE>\r\n\t</FOLDER>\r\n</SITES>\r\n";
    QTemporaryDir dir;
    const QString path = dir.filePath("sites.xml");
    QVERIFY(WriteFile(path, file));

    CXmlDocument doc;
    QVERIFY(doc.Load(path));
    QCOMPARE(doc.GetRoot()->GetAttribute("name"), QByteArray("我的最愛"));
    CXmlElement* folder = doc.FindChild(nullptr, "folder");
    QCOMPARE(folder->GetAttribute("name"), QByteArray("站台"));
    QCOMPARE(folder->Attributes().at("name"), kBig5Site);
    CXmlElement* site = doc.FindChild(folder, "SITE");
    QCOMPARE(site->GetAttribute("name"), QByteArray("站台 1"));
    QCOMPARE(doc.GetChildValue(site, "DESCRIPTION"), QByteArray("我的最愛 & more"));

    QVERIFY(doc.Save(dir.filePath("copy.xml")));
    QCOMPARE(ReadFile(dir.filePath("copy.xml")), file);
}

void TestXmlDocument::saveReplacesFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sites.xml");
    QVERIFY(WriteFile(path, QByteArray(4096, 'x')));
    const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path, mode));

    CXmlDocument doc;
    doc.GetRoot()->SetName("SITES");
    doc.AddElement(nullptr, "SITE", "s");
    QVERIFY(doc.Save(path));
    QCOMPARE(ReadFile(path), doc.GetXml());
    const QFile::Permissions ownerGroupOther(0x7077);
    QCOMPARE(QFile::permissions(path) & ownerGroupOther, mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"sites.xml"});
}

// A write that runs out of space fails and leaves the old file as it was, with no temporary file beside it.
void TestXmlDocument::saveFailureKeepsOldFile()
{
    const QByteArray old = "<?xml version=\"1.0\"?>\r\n<SITES>\r\n</SITES>\r\n";
    CXmlDocument doc;
    doc.GetRoot()->SetName("SITES");
    for (int i = 0; i < 50; ++i)
        doc.AddElement(nullptr, "SITE", "a value long enough to pass the size limit");

    QTemporaryDir dir;
    QVERIFY(!doc.Save(dir.filePath("no/such/folder/sites.xml")));
    const QString path = dir.filePath("sites.xml");
    QVERIFY(WriteFile(path, old));
    bool saved = true;
    {
        const CFileSizeLimit fullDisk(rlim_t(old.size()));
        QVERIFY(fullDisk.IsActive());
        saved = doc.Save(path);
    }
    QVERIFY(!saved);
    QCOMPARE(ReadFile(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"sites.xml"});
}

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "tst_xmldocument.moc"
