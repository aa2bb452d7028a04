#include "xml/XmlElement.h"

#include "xml/LegacyText.h"
#include "xml/XmlText.h"

namespace
{

QByteArray StripQuotes(QByteArray value)
{
    while (value.startsWith('"'))
        value.remove(0, 1);
    while (value.endsWith('"'))
        value.chop(1);
    return value;
}

bool ContainsAnyOf(const QByteArray& text, const char* bytes)
{
    for (const char* b = bytes; *b; ++b)
    {
        if (text.contains(*b))
            return true;
    }
    return false;
}

} // namespace

CXmlElement::~CXmlElement() = default;

QByteArray CXmlElement::GetAttribute(const QByteArray& key) const
{
    const auto found = m_attributes.find(key);
    return found == m_attributes.end() ? QByteArray() : LegacyTextToUtf8(found->second);
}

bool CXmlElement::SetAttribute(const QByteArray& key, const QByteArray& value)
{
    if (!CanWriteAttribute(key, value))
        return false;
    m_attributes[key] = value;
    return true;
}

// key="value" pairs; only double-quoted values count, and a value without its closing quote runs to the end.
void CXmlElement::SetAttributeText(const QByteArray& text)
{
    qsizetype pos = 0;
    while (pos < text.size())
    {
        const qsizetype equals = text.indexOf('=', pos);
        const qsizetype open = equals < 0 ? -1 : text.indexOf('"', equals + 1);
        if (open < 0)
            return;
        qsizetype close = text.indexOf('"', open + 1);
        if (close < 0)
            close = text.size();
        m_attributes[text.mid(pos, equals - pos).trimmed()] = StripQuotes(text.mid(open, close - open + 1));
        pos = close + 1;
    }
}

QByteArray CXmlElement::AttributeText() const
{
    QByteArray text;
    for (const auto& [key, value] : m_attributes)
        text.append(key).append("=\"").append(value).append("\" ");
    return text;
}

bool CXmlElement::CanWriteAttribute(const QByteArray& key, const QByteArray& value)
{
    return !key.isEmpty() && !ContainsAnyOf(key, "=\"<> \t\r\n\v\f") && !ContainsAnyOf(value, "\"<>\t\r\n");
}

QByteArray CXmlElement::GetValue() const
{
    return LegacyTextToUtf8(UnescapeXmlText(m_value));
}

CXmlElement* CXmlElement::GetFirstChild()
{
    m_cursor = 0;
    return GetNextChild();
}

CXmlElement* CXmlElement::GetNextChild()
{
    if (m_cursor >= m_children.size())
        return nullptr;
    return m_children[m_cursor++].get();
}

CXmlElement* CXmlElement::AppendChild(std::unique_ptr<CXmlElement> child)
{
    child->m_parent = this;
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

// Depth-first in child order. A walk in progress over the same children keeps its place.
bool CXmlElement::RemoveDescendant(const CXmlElement* element)
{
    for (size_t i = 0; i < m_children.size(); ++i)
    {
        if (m_children[i].get() == element)
        {
            m_children.erase(m_children.begin() + qsizetype(i));
            if (i < m_cursor)
                --m_cursor;
            return true;
        }
        if (m_children[i]->RemoveDescendant(element))
            return true;
    }
    return false;
}

void CXmlElement::Reset()
{
    m_name.clear();
    m_attributes.clear();
    m_value.clear();
    m_children.clear();
    m_parent = nullptr;
    m_cursor = 0;
}
