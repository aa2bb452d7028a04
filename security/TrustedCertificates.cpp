#include "security/TrustedCertificates.h"

#include "app/DamagedFile.h"
#include "app/DataFolder.h"
#include "engine/net/CertificateNames.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace
{

const QByteArray kCertificate = "CERTIFICATE";
const QByteArray kHost = "Host";
const QByteArray kPort = "Port";

QString Normalised(const QByteArray& text)
{
    QByteArray flat = text;
    flat.replace('\r', QByteArray()).replace('\n', QByteArray());
    return QString::fromUtf8(flat);
}

bool SameText(const QByteArray& a, const QByteArray& b)
{
    return Normalised(a).compare(Normalised(b), Qt::CaseInsensitive) == 0;
}

// Attribute values are written as they are: only plain host-name and address bytes go there.
bool IsPlainHost(const QByteArray& host)
{
    return !host.isEmpty() && std::all_of(host.begin(), host.end(),
                                          [](char c)
                                          {
                                              return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                                     (c >= '0' && c <= '9') ||
                                                     QByteArray(".-_:%").contains(c);
                                          });
}

} // namespace

CTrustedCertificates::CTrustedCertificates(QString filePath)
    : m_filePath(filePath.isEmpty() ? CDataFolder::FilePath(QStringLiteral("certifates.xml"))
                                    : std::move(filePath))
{
}

QList<QByteArray> CTrustedCertificates::Certificates() const
{
    QList<QByteArray> texts;
    for (const Entry& entry : m_entries)
        texts.append(entry.text);
    return texts;
}

CStoredFileLoad CTrustedCertificates::Load()
{
    m_entries.clear();
    CXmlDocument document;
    if (!document.Load(m_filePath) || document.GetRoot()->Name().isEmpty())
        return QFileInfo::exists(m_filePath) ? CDamagedFile::SetAside(m_filePath)
                                             : CStoredFileLoad::Missing(m_filePath);
    for (const auto& child : document.GetRoot()->Children())
    {
        if (child->Name().compare(kCertificate, Qt::CaseInsensitive) != 0)
            continue;
        Entry entry{child->GetValue(), child->GetAttribute(kHost).toLower(), 0};
        bool valid = false;
        entry.port = child->GetAttribute(kPort).toUShort(&valid);
        // Half an address binds to nothing: such an entry counts for the hosts it names only.
        if (!valid || entry.port == 0 || !IsPlainHost(entry.host))
            entry = {entry.text, {}, 0};
        m_entries.append(entry);
    }
    return CStoredFileLoad::Loaded(m_filePath);
}

bool CTrustedCertificates::Save() const
{
    CXmlDocument document;
    CXmlElement* root = document.GetRoot();
    root->SetName("TRUSTED");
    root->SetAttribute("Description", "Zentrava Pro Trusted Certificates");
    for (const Entry& entry : m_entries)
    {
        CXmlElement* element = document.AddElement(root, kCertificate, entry.text);
        if (!entry.host.isEmpty())
        {
            element->SetAttribute(kHost, entry.host);
            element->SetAttribute(kPort, QByteArray::number(entry.port));
        }
    }
    return QDir().mkpath(QFileInfo(m_filePath).absolutePath()) && document.Save(m_filePath);
}

bool CTrustedCertificates::Add(const QByteArray& text)
{
    m_entries.append({text, {}, 0});
    return Save();
}

bool CTrustedCertificates::Add(const QByteArray& text, const QByteArray& host, quint16 port)
{
    if (!IsPlainHost(host) || port == 0)
        return false;
    m_entries.append({text, host.toLower(), port});
    return Save();
}

bool CTrustedCertificates::Contains(const QByteArray& text) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&text](const Entry& entry) { return SameText(entry.text, text); });
}

bool CTrustedCertificates::Accepts(const QByteArray& text, const QByteArray& host, quint16 port) const
{
    const QByteArray wanted = host.toLower();
    bool stored = false;
    for (const Entry& entry : m_entries)
    {
        if (!SameText(entry.text, text))
            continue;
        if (!entry.host.isEmpty() && entry.host == wanted && entry.port == port)
            return true;
        stored = true;
    }
    return stored && CertificateNamesHost(text, host);
}

bool CTrustedCertificates::RemoveAt(qsizetype index)
{
    if (index < 0 || index >= m_entries.size())
        return false;
    m_entries.removeAt(index);
    return Save();
}
