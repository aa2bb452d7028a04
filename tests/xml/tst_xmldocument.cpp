#include "Big5.h"
#include "support/TestFiles.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

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

using TestFiles::ReadFile;
using TestFiles::WriteFile;

// Makes every file write beyond a few bytes fail, as a full disk would.
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

// Root writes into read-only folders, so as root the test acts as "nobody" for a while.
class CUnprivileged
{
public:
    CUnprivileged() : m_switched(geteuid() == 0 && seteuid(kNobody) == 0) {}
    ~CUnprivileged()
    {
        if (m_switched && seteuid(0) != 0)
            qFatal("cannot return to root");
    }
    bool IsUnprivileged() const { return geteuid() != 0; }

private:
    static constexpr uid_t kNobody = 65534;
    bool m_switched;
};

enum class ESaveFailure
{
    ReadOnlyFolder,
    FullDisk,
};

} // namespace

class TestXmlDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writerBytes();
    void valueRoundTrip_data();
    void valueRoundTrip();
    void parserRules_data();
    void parserRules();
    void deepNestingIsCapped();
    void findChildAndCursor();
    void setChildValue();
    void removeElement();
    void clearAndParents();
    void attributesThatCannotBeWritten_data();
    void attributesThatCannotBeWritten();
    void loadFailures();
    void loadStopsAtNul();
    void big5File();
    void saveReplacesFile();
    void saveFailureKeepsOldFile_data();
    void saveFailureKeepsOldFile();
};

void TestXmlDocument::writerBytes()
{
    CXmlDocument doc;
    doc.GetRoot()->SetName("SITES");
    QVERIFY(doc.GetRoot()->SetAttribute("name", "Fav"));
    CXmlElement* folder = doc.AddElement(nullptr, "FOLDER", {}, "name = \"Work\"");
    CXmlElement* site = doc.AddElement(folder, "  SITE\t", {}, "name=\"a b\" id=\"7\"");
    doc.AddElement(site, "ADDRESS", "ftp.example.com");
    doc.AddElement(site, "DESCRIPTION", "A&B <x> \"q\" 'a' 我");
    doc.AddElement(site, "EMPTY");

    const QByteArray expected =
        "<?xml version=\"1.0\"?>\r\n"
        "<SITES name=\"Fav\" >\r\n"
        "\t<FOLDER name=\"Work\" >\r\n"
        "\t\t<SITE id=\"7\" name=\"a b\" >\r\n"
        "\t\t\t<ADDRESS>ftp.example.com</ADDRESS>\r\n"
        "\t\t\t<DESCRIPTION>A&amp;B &lt;x&gt; \"q\" 'a' &#230;&#136;&#145;</DESCRIPTION>\r\n"
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
                        "DESCRIPTION=A&B <x> \"q\" 'a' 我;EMPTY}}}"));
}

void TestXmlDocument::valueRoundTrip_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("afterLoad");

    QTest::newRow("entity-like text") << QByteArray("&amp; &#65; &") << QByteArray("&amp; &#65; &");
    QTest::newRow("everything") << QByteArray("a&b<c>\"d\"'e'新站台") << QByteArray("a&b<c>\"d\"'e'新站台");
    QTest::newRow("padding lost on reading") << QByteArray("  padded\t") << QByteArray("padded");
}

void TestXmlDocument::valueRoundTrip()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, afterLoad);

    CXmlDocument doc;
    doc.GetRoot()->SetName("SITES");
    CXmlElement* site = doc.AddElement(nullptr, "SITE", {}, "name=\"s\"");
    doc.AddElement(site, "DESCRIPTION", value);
    doc.AddElement(site, "PORT", "21");
    QCOMPARE(doc.GetChildValue(site, "DESCRIPTION"), value);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("sites.xml");
    QVERIFY(doc.Save(path));
    const QByteArray onDisk = ReadFile(path);
    for (const char c : onDisk.mid(onDisk.indexOf("<DESCRIPTION>")))
        QVERIFY2(static_cast<unsigned char>(c) < 128, "text parts are written as ASCII");

    CXmlDocument loaded;
    QVERIFY(loaded.Load(path));
    CXmlElement* loadedSite = loaded.FindChild(nullptr, "site");
    QVERIFY(loadedSite);
    QCOMPARE(loaded.GetChildValue(loadedSite, "DESCRIPTION"), afterLoad);
    QCOMPARE(loaded.GetChildValue(loadedSite, "PORT"), QByteArray("21"));
}

void TestXmlDocument::parserRules_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QByteArray>("tree");

    QTest::newRow("declaration skipped")
        << QByteArray("<?xml version=\"1.0\"?>\r\n<R>\r\n\t<A>1</A>\r\n</R>\r\n") << QByteArray("R{A=1}");
    QTest::newRow("comment and doctype skipped")
        << QByteArray("<!DOCTYPE x>\r\n<R><!-- note --><A>1</A></R>") << QByteArray("R{A=1}");
    QTest::newRow("end tags unchecked") << QByteArray("<R><A>1</B><C>2</Z></R>") << QByteArray("R{A=1;C=2}");
    QTest::newRow("values trimmed") << QByteArray("<R><A> \t x  y \r\n</A></R>") << QByteArray("R{A=x  y}");
    QTest::newRow("entities in any case")
        << QByteArray("<R><A>a&NBSP;b&Amp;c&nbsp;</A></R>") << QByteArray("R{A=a b&c }");
    QTest::newRow("character references") << QByteArray("<R><A>&#65;&#321;</A></R>") << QByteArray("R{A=AA}");
    QTest::newRow("lone ampersands") << QByteArray("<R><A>a & b&</A></R>") << QByteArray("R{A=a & b}");
    QTest::newRow("unknown entity") << QByteArray("<R><A>&copy;</A></R>") << QByteArray("R{A=&copy;}");
    QTest::newRow("empty element on two lines")
        << QByteArray("<R>\r\n\t<E>\r\n\t</E>\r\n\t<F>1</F>\r\n</R>\r\n") << QByteArray("R{E;F=1}");
    QTest::newRow("empty-element tags")
        << QByteArray("<R><E/><F a=\"1\"/><G>2</G></R>") << QByteArray("R{E;F[a=1];G=2}");
    QTest::newRow("attribute rule") << QByteArray("<R k = \"v 1\" e=\"\" k=\"again\" junk></R>")
                                    << QByteArray("R[e=,k=again]");
    QTest::newRow("breaks and tabs inside a tag")
        << QByteArray("<R\tname=\"x\"\r\n\tid=\"2\"><A\r\n>1</A></R>") << QByteArray("R[id=2,name=x]{A=1}");
    QTest::newRow("unmatched end tags at the root")
        << QByteArray("</X><R></R></R></R><A>1</A>") << QByteArray("R{A=1}");
    QTest::newRow("greater-than in text is text")
        << QByteArray("<R><A>x > y</A><B>2</B></R>") << QByteArray("R{A=x > y;B=2}");
    QTest::newRow("text before a child kept")
        << QByteArray("<R><A>text\t<B>1</B>\r\n</A></R>") << QByteArray("R{A=text{B=1}}");
    QTest::newRow("later text replaces earlier")
        << QByteArray("<R><A>one<B/>two</A></R>") << QByteArray("R{A=two{B}}");
    QTest::newRow("raw bytes in text") << QByteArray("<R><A>新</A></R>") << QByteArray("R{A=新}");
    QTest::newRow("text only") << QByteArray("no markup") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestXmlDocument::parserRules()
{
    QFETCH(QByteArray, xml);
    QFETCH(QByteArray, tree);

    CXmlDocument doc;
    doc.GetRoot()->SetName("OLD");
    doc.AddElement(nullptr, "STALE");
    QVERIFY(doc.Parse(xml));
    QCOMPARE(Dump(*doc.GetRoot()), tree);
}

void TestXmlDocument::deepNestingIsCapped()
{
    const int levels = 3000;
    QByteArray xml = "<R>" + QByteArray("<a>").repeated(levels) + "<b>deep</b>" +
                     QByteArray("</a>").repeated(levels) + "<B>1</B></R>";
    CXmlDocument doc;
    QVERIFY(!doc.Parse(xml));

    int depth = 0;
    const CXmlElement* element = doc.GetRoot();
    while (!element->Children().empty() && element->Children().front()->Name() == "a")
    {
        element = element->Children().front().get();
        ++depth;
    }
    QVERIFY(depth > 100);
    QVERIFY(depth < levels);
    QCOMPARE(doc.GetRoot()->Children().size(), size_t(2));
    QCOMPARE(doc.GetChildValue(nullptr, "B"), QByteArray("1"));
    QVERIFY(doc.GetXml().endsWith("\t<B>1</B>\r\n</R>\r\n"));
}

void TestXmlDocument::findChildAndCursor()
{
    CXmlDocument doc;
    doc.AddElement(nullptr, "SITE", "1");
    doc.AddElement(nullptr, "Folder");
    doc.AddElement(nullptr, "site", "2");
    doc.AddElement(nullptr, "Äpfel");
    CXmlElement* root = doc.GetRoot();

    CXmlElement* first = doc.FindChild(root, "site");
    QVERIFY(first);
    QCOMPARE(first->GetValue(), QByteArray("1"));
    QCOMPARE(root->GetNextChild()->Name(), QByteArray("Folder"));

    QCOMPARE(doc.FindChild(nullptr, "FOLDER")->Name(), QByteArray("Folder"));
    QCOMPARE(root->GetNextChild()->GetValue(), QByteArray("2"));

    QVERIFY(!doc.FindChild(root, "missing"));
    QCOMPARE(root->GetNextChild()->Name(), QByteArray("Äpfel"));
    QVERIFY(!root->GetNextChild());
    QVERIFY(!root->GetNextChild());

    QCOMPARE(doc.FindChild(root, "äPFEL")->Name(), QByteArray("Äpfel"));
    QCOMPARE(root->GetFirstChild()->GetValue(), QByteArray("1"));

    CXmlElement* folder = doc.FindChild(root, "folder");
    QVERIFY(!folder->GetFirstChild());
    QVERIFY(!folder->GetNextChild());
}

void TestXmlDocument::setChildValue()
{
    CXmlDocument doc;
    CXmlElement* site = doc.AddElement(nullptr, "SITE", {}, "name=\"s\"");
    doc.AddElement(site, "ADDRESS", "old");
    doc.AddElement(site, "PORT", "21");
    doc.AddElement(site, "PORT", "second");

    CXmlElement* address = site->Children().front().get();
    QCOMPARE(doc.SetChildValue(site, "address", "new & <better>"), address);
    QCOMPARE(address->RawValue(), QByteArray("new &amp; &lt;better&gt;"));
    QCOMPARE(doc.GetChildValue(site, "ADDRESS"), QByteArray("new & <better>"));

    doc.SetChildValue(site, "PORT", "990");
    QCOMPARE(site->Children()[1]->GetValue(), QByteArray("990"));
    QCOMPARE(site->Children()[2]->GetValue(), QByteArray("second"));

    CXmlElement* added = doc.SetChildValue(site, "PROTOCOLTYPE", "3");
    QCOMPARE(site->Children().size(), size_t(4));
    QCOMPARE(site->Children().back().get(), added);
    QCOMPARE(added->Parent(), site);

    doc.SetChildValue(nullptr, "site", "", "id=\"9\" name=\"t\"");
    QCOMPARE(site->Attributes().size(), size_t(2));
    QCOMPARE(site->GetAttribute("name"), QByteArray("t"));
    QCOMPARE(site->GetAttribute("id"), QByteArray("9"));
    QCOMPARE(site->GetAttribute("ID"), QByteArray());
    doc.SetChildValue(nullptr, "site", "", "other=\"x\"");
    QCOMPARE(site->GetAttribute("name"), QByteArray("t"));
    QCOMPARE(site->GetAttribute("other"), QByteArray("x"));
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
    CXmlElement* outsider = stranger.AddElement(nullptr, "A");
    const QByteArray before = doc.GetXml();
    QVERIFY(!doc.RemoveElement(outsider));
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

void TestXmlDocument::clearAndParents()
{
    CXmlDocument doc;
    QVERIFY(doc.Parse("<R id=\"1\"><A><B>x</B></A></R>"));
    CXmlElement* a = doc.FindChild(nullptr, "A");
    QCOMPARE(a->Parent(), doc.GetRoot());
    QCOMPARE(doc.FindChild(a, "B")->Parent(), a);
    QVERIFY(!doc.GetRoot()->Parent());

    doc.Clear();
    QCOMPARE(doc.GetXml(), QByteArray("<?xml version=\"1.0\"?>\r\n<>\r\n</>\r\n"));
    QVERIFY(doc.GetRoot()->Attributes().empty());
    QVERIFY(!doc.GetRoot()->GetFirstChild());
}

void TestXmlDocument::attributesThatCannotBeWritten_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("plain") << QByteArray("name") << QByteArray("Work & Play / 1=2") << true;
    QTest::newRow("cjk") << QByteArray("name") << QByteArray("我的最愛") << true;
    QTest::newRow("empty value") << QByteArray("name") << QByteArray() << true;
    QTest::newRow("quote") << QByteArray("name") << QByteArray("a\"b") << false;
    QTest::newRow("less-than") << QByteArray("name") << QByteArray("a<b") << false;
    QTest::newRow("greater-than") << QByteArray("name") << QByteArray("a>b") << false;
    QTest::newRow("line break") << QByteArray("name") << QByteArray("a\r\nb") << false;
    QTest::newRow("tab") << QByteArray("name") << QByteArray("a\tb") << false;
    QTest::newRow("empty key") << QByteArray() << QByteArray("v") << false;
    QTest::newRow("key with equals") << QByteArray("a=b") << QByteArray("v") << false;
    QTest::newRow("key with space") << QByteArray("a b") << QByteArray("v") << false;
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
    if (!accepted)
        return;
    CXmlDocument reread;
    reread.Parse(doc.GetXml());
    QCOMPARE(reread.GetRoot()->GetAttribute(key), value);
}

void TestXmlDocument::loadFailures()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QStringList paths = {dir.filePath("missing.xml"), dir.path()};
    for (const QString& path : paths)
    {
        CXmlDocument doc;
        QVERIFY(doc.Parse("<R a=\"1\"><A>1</A></R>"));
        QVERIFY2(!doc.Load(path), qPrintable(path));
        QVERIFY(doc.GetRoot()->Name().isEmpty());
        QVERIFY(doc.GetRoot()->Children().empty());
        QVERIFY(doc.GetRoot()->Attributes().empty());
    }
}

void TestXmlDocument::loadStopsAtNul()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nul.xml");
    QVERIFY(WriteFile(path, QByteArray("<R><A>1</A>\0<B>2</B></R>", 25)));
    CXmlDocument doc;
    // What stood after the NUL is not in the tree: the document counts as cut short.
    QVERIFY(!doc.Load(path));
    QCOMPARE(Dump(*doc.GetRoot()), QByteArray("R{A=1}"));
}

void TestXmlDocument::big5File()
{
    const QByteArray favourites = Big5("我的最愛");
    const QByteArray site = Big5("站台");
    QCOMPARE(favourites.size(), 8);
    QCOMPARE(site.size(), 4);
    QByteArray references;
    for (const char c : favourites)
        references += "&#" + QByteArray::number(static_cast<unsigned char>(c)) + ';';

    const QByteArray file = "<?xml version=\"1.0\"?>\r\n"
                            "<SITES name=\"" +
                            favourites +
                            "\" >\r\n"
                            "\t<FOLDER name=\"" +
                            site +
                            "\" >\r\n"
                            "\t\t<SITE name=\"" +
                            site +
                            " 1\" >\r\n"
                            "\t\t\t<DESCRIPTION>" +
                            references +
                            " &amp; more</DESCRIPTION>\r\n"
                            "\t\t\t<LOCALPATH>/home/u</LOCALPATH>\r\n"
                            "\t\t</SITE>\r\n"
                            "\t</FOLDER>\r\n"
                            "</SITES>\r\n";
    QTemporaryDir dir;
    const QString path = dir.filePath("sites.xml");
    QVERIFY(WriteFile(path, file));

    CXmlDocument doc;
    QVERIFY(doc.Load(path));
    QCOMPARE(doc.GetRoot()->GetAttribute("name"), QByteArray("我的最愛"));
    CXmlElement* folder = doc.FindChild(nullptr, "folder");
    QVERIFY(folder);
    QCOMPARE(folder->GetAttribute("name"), QByteArray("站台"));
    QCOMPARE(folder->Attributes().at("name"), site);
    CXmlElement* siteElement = doc.FindChild(folder, "SITE");
    QCOMPARE(siteElement->GetAttribute("name"), QByteArray("站台 1"));
    QCOMPARE(doc.GetChildValue(siteElement, "DESCRIPTION"), QByteArray("我的最愛 & more"));
    QCOMPARE(doc.FindChild(siteElement, "DESCRIPTION")->GetValue(), QByteArray("我的最愛 & more"));
    QCOMPARE(doc.GetChildValue(siteElement, "LOCALPATH"), QByteArray("/home/u"));

    const QString copy = dir.filePath("copy.xml");
    QVERIFY(doc.Save(copy));
    QCOMPARE(ReadFile(copy), file);
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

void TestXmlDocument::saveFailureKeepsOldFile_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("read-only folder") << int(ESaveFailure::ReadOnlyFolder);
    QTest::newRow("full disk") << int(ESaveFailure::FullDisk);
}

void TestXmlDocument::saveFailureKeepsOldFile()
{
    QFETCH(int, failure);
    const QByteArray old = "<?xml version=\"1.0\"?>\r\n<SITES>\r\n</SITES>\r\n";
    CXmlDocument doc;
    doc.GetRoot()->SetName("SITES");
    for (int i = 0; i < 50; ++i)
        doc.AddElement(nullptr, "SITE", "a value long enough to pass the size limit");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!doc.Save(dir.filePath("no/such/folder/sites.xml")));
    const QString folder = dir.filePath("data");
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
    const QString path = folder + "/sites.xml";
    QVERIFY(WriteFile(path, old));

    bool saved = true;
    if (ESaveFailure(failure) == ESaveFailure::FullDisk)
    {
        const CFileSizeLimit fullDisk(rlim_t(old.size()));
        QVERIFY(fullDisk.IsActive());
        saved = doc.Save(path);
    }
    else
    {
        const QFile::Permissions readOnly =
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder, readOnly));
        const CUnprivileged unprivileged;
        QVERIFY(unprivileged.IsUnprivileged());
        saved = doc.Save(path);
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!saved);
    QCOMPARE(ReadFile(path), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"sites.xml"});
}

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "tst_xmldocument.moc"
