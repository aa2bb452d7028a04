#pragma once

#include <QByteArray>

#include <map>
#include <memory>
#include <vector>

class CXmlDocument;

// One element of a document: a name, attributes, a text value and owned children. Strings are bytes as
// stored in the file: the value stays escaped and attribute values stay raw; the Get functions decode them.
class CXmlElement
{
public:
    using AttributeMap = std::map<QByteArray, QByteArray>;
    using ChildList = std::vector<std::unique_ptr<CXmlElement>>;

    CXmlElement() = default;
    virtual ~CXmlElement();
    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;

    const QByteArray& Name() const { return m_name; }
    void SetName(const QByteArray& name) { m_name = name; }

    const AttributeMap& Attributes() const { return m_attributes; }
    // The raw value converted to UTF-8; empty when the key (matched with its case) is absent.
    QByteArray GetAttribute(const QByteArray& key) const;
    // Refuses what the file format cannot hold (see CanWriteAttribute) and leaves the map unchanged then.
    bool SetAttribute(const QByteArray& key, const QByteArray& value);
    // Reads key="value" pairs into the attribute map; keys present are overwritten, others kept.
    void SetAttributeText(const QByteArray& text);
    // The attributes as written into the start tag: key="value" pairs, each followed by a space.
    QByteArray AttributeText() const;
    // Attribute values are written verbatim: a quote, "<", ">" or a line break in them cannot be read back.
    static bool CanWriteAttribute(const QByteArray& key, const QByteArray& value);

    // The stored (escaped) value, and the value unescaped and converted to UTF-8.
    const QByteArray& RawValue() const { return m_value; }
    QByteArray GetValue() const;

    CXmlElement* Parent() const { return m_parent; }
    const ChildList& Children() const { return m_children; }

    // One walk over the children at a time per element; FindChild of the document moves the same cursor.
    CXmlElement* GetFirstChild();
    CXmlElement* GetNextChild();

private:
    friend class CXmlDocument;

    CXmlElement* AppendChild(std::unique_ptr<CXmlElement> child);
    bool RemoveDescendant(const CXmlElement* element);
    void Reset();

    QByteArray m_name;
    AttributeMap m_attributes;
    QByteArray m_value;
    ChildList m_children;
    CXmlElement* m_parent = nullptr;
    size_t m_cursor = 0;
};
