#include "xml/XmlDocument.h"

#include "xml/LegacyText.h"
#include "xml/XmlText.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace
{

const char kDeclaration[] = "<?xml version=\"1.0\"?>\r\n";

// Deeper elements of a damaged or hostile file are dropped, so that writing and destroying the tree (both
// recursive) stay far from the end of the stack.
constexpr int kMaxDepth = 512;

enum class ETagKind
{
    Skipped,
    Start,
    End,
    Empty,
};

struct STag
{
    ETagKind kind = ETagKind::Start;
    QByteArray content;
};

// The buffer runs from "<" to ">"; its content is every byte but "<", ">" and the "/" of "</" or "/>".
STag ClassifyTag(const QByteArray& buffer)
{
    STag tag;
    char previous = '\0';
    for (qsizetype i = 0; i < buffer.size(); ++i)
    {
        const char c = buffer.at(i);
        if (previous == '<' && (c == '!' || c == '?'))
            return {ETagKind::Skipped, {}};
        if (previous == '<' && c == '/')
            tag.kind = ETagKind::End;
        else if (previous == '/' && c == '>' && tag.kind != ETagKind::End)
        {
            tag.kind = ETagKind::Empty;
            if (i >= 2 && buffer.at(i - 2) != '<')
                tag.content.chop(1);
        }
        else if (c != '<' && c != '>')
            tag.content.append(c);
        previous = c;
    }
    return tag;
}

// Name up to the first space or "/", attributes after the space; line breaks inside a tag vanish and TABs
// count as spaces.
void FillFromTag(CXmlElement& element, QByteArray content)
{
    content.removeIf([](char c) { return c == '\r' || c == '\n'; });
    content.replace('\t', ' ');
    const qsizetype space = content.indexOf(' ');
    QByteArray name = space < 0 ? content : content.left(space);
    // A "/" would turn the written start tag into an empty-element tag of another name.
    if (const qsizetype slash = name.indexOf('/'); slash >= 0)
        name.truncate(slash);
    element.SetName(name);
    if (space >= 0)
        element.SetAttributeText(content.mid(space + 1).trimmed());
}

bool SameName(const QByteArray& a, const QByteArray& b)
{
    return a == b || QString::fromUtf8(LegacyTextToUtf8(a))
                             .compare(QString::fromUtf8(LegacyTextToUtf8(b)), Qt::CaseInsensitive) == 0;
}

// An element with text takes one line; one without text takes a start-tag line and an end-tag line.
void WriteElement(const CXmlElement& element, int depth, QByteArray& out)
{
    const QByteArray indent(depth, '\t');
    out.append(indent).append('<').append(element.Name());
    const QByteArray attributes = element.AttributeText();
    if (!attributes.isEmpty())
        out.append(' ').append(attributes);
    out.append('>');
    const bool hasValue = !element.RawValue().isEmpty();
    out.append(hasValue ? element.RawValue() : QByteArray("\r\n"));
    for (const auto& child : element.Children())
        WriteElement(*child, depth + 1, out);
    if (!hasValue)
        out.append(indent);
    out.append("</").append(element.Name()).append(">\r\n");
}

} // namespace

struct CXmlDocument::SParseState
{
    CXmlElement* current = nullptr;
    int depth = 0;
    int skippedDepth = 0;
    int open = 0;
    bool cutShort = false;
    QByteArray text;
    QByteArray tag;
    bool inTag = false;
};

void CXmlDocument::Clear()
{
    m_root.Reset();
}

bool CXmlDocument::Load(const QString& path)
{
    Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return Parse(bytes);
}

bool CXmlDocument::Parse(const QByteArray& text)
{
    Clear();
    SParseState state;
    state.current = &m_root;
    for (const char c : text)
    {
        if (c == '<')
            OpenTag(state);
        else if (c == '>' && state.inTag)
            CloseTag(state);
        else
            (state.inTag ? state.tag : state.text).append(c);
    }
    return !state.cutShort && state.open == 0;
}

void CXmlDocument::OpenTag(SParseState& state)
{
    state.tag.append('<');
    // White space after a child's end tag must not wipe text that stood before the child.
    const QByteArray value = state.text.trimmed();
    if (!value.isEmpty() && state.skippedDepth == 0)
        state.current->m_value = value;
    state.text.clear();
    state.inTag = true;
}

void CXmlDocument::CloseTag(SParseState& state)
{
    state.tag.append('>');
    const STag tag = ClassifyTag(state.tag);
    state.tag.clear();
    state.inTag = false;
    if (tag.kind == ETagKind::Start || tag.kind == ETagKind::Empty)
        EnterElement(state, tag.content);
    if (tag.kind == ETagKind::End || tag.kind == ETagKind::Empty)
        LeaveElement(state);
}

void CXmlDocument::EnterElement(SParseState& state, const QByteArray& content)
{
    ++state.open;
    if (m_root.m_name.isEmpty())
    {
        FillFromTag(m_root, content);
        return;
    }
    if (state.depth >= kMaxDepth || state.skippedDepth > 0)
    {
        state.cutShort = true;
        ++state.skippedDepth;
        return;
    }
    auto element = std::make_unique<CXmlElement>();
    FillFromTag(*element, content);
    state.current = state.current->AppendChild(std::move(element));
    ++state.depth;
}

// End-tag names are not checked; an end tag at the root is ignored.
void CXmlDocument::LeaveElement(SParseState& state)
{
    state.open = std::max(state.open - 1, 0);
    if (state.skippedDepth > 0)
        --state.skippedDepth;
    else if (state.current->m_parent)
    {
        state.current = state.current->m_parent;
        --state.depth;
    }
}

QByteArray CXmlDocument::GetXml() const
{
    QByteArray out(kDeclaration);
    WriteElement(m_root, 0, out);
    return out;
}

bool CXmlDocument::Save(const QString& path, bool ownerOnly) const
{
    const QByteArray xml = GetXml();
    QSaveFile file(path);
    // Unbuffered, so that a short write shows in the count: QSaveFile::commit() misses a failed last flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (ownerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    return file.write(xml) == xml.size() && file.commit();
}

CXmlElement* CXmlDocument::FindChild(CXmlElement* parent, const QByteArray& name)
{
    CXmlElement& owner = OrRoot(parent);
    for (size_t i = 0; i < owner.m_children.size(); ++i)
    {
        if (SameName(owner.m_children[i]->m_name, name))
        {
            owner.m_cursor = i + 1;
            return owner.m_children[i].get();
        }
    }
    return nullptr;
}

CXmlElement* CXmlDocument::AddElement(CXmlElement* parent, const QByteArray& name, const QByteArray& value,
                                      const QByteArray& attributeText)
{
    auto element = std::make_unique<CXmlElement>();
    element->m_name = name.trimmed();
    element->m_value = EscapeXmlText(value);
    element->SetAttributeText(attributeText);
    return OrRoot(parent).AppendChild(std::move(element));
}

CXmlElement* CXmlDocument::SetChildValue(CXmlElement* parent, const QByteArray& name, const QByteArray& value,
                                         const QByteArray& attributeText)
{
    CXmlElement* child = FindChild(parent, name);
    if (!child)
        return AddElement(parent, name, value, attributeText);
    child->m_value = EscapeXmlText(value);
    child->SetAttributeText(attributeText);
    return child;
}

QByteArray CXmlDocument::GetChildValue(CXmlElement* parent, const QByteArray& name)
{
    const CXmlElement* child = FindChild(parent, name);
    return child ? child->GetValue() : QByteArray();
}

bool CXmlDocument::RemoveElement(const CXmlElement* element, CXmlElement* start)
{
    return element && OrRoot(start).RemoveDescendant(element);
}
