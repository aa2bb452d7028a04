#pragma once

#include "xml/XmlElement.h"

#include <QByteArray>
#include <QString>

// A tree of elements read from and written to the small XML subset that its own writer produces: nested
// elements, double-quoted attributes and text; no DTD, namespaces, CDATA or encoding declaration. The
// writer's layout is fixed byte for byte (TAB indentation, CR LF line ends) because stored files and the
// Windows program rely on it. Functions that take a parent element use the root when given none.
class CXmlDocument
{
public:
    CXmlDocument() = default;
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Drops every child of the root and empties the root's name, attributes and value.
    void Clear();
    // False when the file cannot be read (the document is then cleared) or Parse gives false.
    bool Load(const QString& path);
    // Markup it does not understand is skipped or taken as text. False when the text is cut short (an
    // element is never closed) or nests deeper than the reader follows: the tree then lacks part of
    // what was meant, and saving it would lose that part.
    bool Parse(const QByteArray& text);
    QByteArray GetXml() const;
    // Writes a temporary file beside the target and renames it over the old one, so a failed write never
    // leaves a truncated file. The file keeps its permissions, or becomes its owner's only when it holds
    // secrets.
    bool Save(const QString& path, bool ownerOnly = false) const;

    // The first child whose name matches without regard to case; the parent's cursor moves past it.
    CXmlElement* FindChild(CXmlElement* parent, const QByteArray& name);
    // The name is trimmed and the value escaped; the attribute text is read into the attribute map.
    CXmlElement* AddElement(CXmlElement* parent, const QByteArray& name, const QByteArray& value = {},
                            const QByteArray& attributeText = {});
    // Changes the value (and merges the attribute text) of the first child of that name, or adds one at
    // the end when there is none.
    CXmlElement* SetChildValue(CXmlElement* parent, const QByteArray& name, const QByteArray& value,
                               const QByteArray& attributeText = {});
    // The child's value unescaped and in UTF-8; empty when there is no such child.
    QByteArray GetChildValue(CXmlElement* parent, const QByteArray& name);
    // Destroys the element with its subtree when it lies below start (the root when none).
    bool RemoveElement(const CXmlElement* element, CXmlElement* start = nullptr);

    CXmlElement* GetRoot() { return &m_root; }
    const CXmlElement* GetRoot() const { return &m_root; }

private:
    struct SParseState;

    CXmlElement& OrRoot(CXmlElement* element) { return element ? *element : m_root; }
    void OpenTag(SParseState& state);
    void CloseTag(SParseState& state);
    void EnterElement(SParseState& state, const QByteArray& content);
    static void LeaveElement(SParseState& state);

    CXmlElement m_root;
};
