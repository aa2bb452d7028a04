#include "security/TrustedCertificates.h"

#include "app/DamagedFile.h"
#include "app/DataFolder.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QByteArray kCertificate = "CERTIFICATE";

QString Normalised(const QByteArray& text)
{
    QByteArray flat = text;
    flat.replace('\r', QByteArray()).replace('\n', QByteArray());
    return QString::fromUtf8(flat);
}

} // namespace

CTrustedCertificates::CTrustedCertificates(QString filePath)
    : m_filePath(filePath.isEmpty() ? CDataFolder::FilePath(QStringLiteral("certifates.xml"))
                                    : std::move(filePath))
{
}

CStoredFileLoad CTrustedCertificates::Load()
{
    m_certificates.clear();
    CXmlDocument document;
    if (!document.Load(m_filePath) || document.GetRoot()->Name().isEmpty())
        return QFileInfo::exists(m_filePath) ? CDamagedFile::SetAside(m_filePath)
                                             : CStoredFileLoad::Missing(m_filePath);
    for (const auto& child : document.GetRoot()->Children())
        if (child->Name().compare(kCertificate, Qt::CaseInsensitive) == 0)
            m_certificates.append(child->GetValue());
    return CStoredFileLoad::Loaded(m_filePath);
}

bool CTrustedCertificates::Save() const
{
    CXmlDocument document;
    CXmlElement* root = document.GetRoot();
    root->SetName("TRUSTED");
    root->SetAttribute("Description", "Zentrava Pro Trusted Certificates");
    for (const QByteArray& text : m_certificates)
        document.AddElement(root, kCertificate, text);
    return QDir().mkpath(QFileInfo(m_filePath).absolutePath()) && document.Save(m_filePath);
}

bool CTrustedCertificates::Add(const QByteArray& text)
{
    m_certificates.append(text);
    return Save();
}

bool CTrustedCertificates::Contains(const QByteArray& text) const
{
    const QString wanted = Normalised(text);
    for (const QByteArray& stored : m_certificates)
        if (Normalised(stored).compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool CTrustedCertificates::RemoveAt(qsizetype index)
{
    if (index < 0 || index >= m_certificates.size())
        return false;
    m_certificates.removeAt(index);
    return Save();
}
