#include "sites/SiteList.h"

#include "app/DamagedFile.h"
#include "app/DataFolder.h"
#include "app/KeyringStore.h"
#include "app/Profile.h"
#include "sites/PasswordProtection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <climits>
#include <functional>

namespace
{

const QByteArray kRootName = "SITES";
const QByteArray kFolder = "FOLDER";
const QByteArray kSite = "SITE";
const QByteArray kNameKey = "name";
// The root folder's stored name: part of the file format, never translated.
const QByteArray kFavourites = "我的最愛";
const char* const kNewSiteName = QT_TRANSLATE_NOOP("SiteList", "新站台");
const char* const kNewFolderName = QT_TRANSLATE_NOOP("SiteList", "新資料夾");
const QByteArray kPassword = "PASSWORD";
const QString kKeyringKey = QStringLiteral("sites.xml");

bool NameIs(const CXmlElement* element, const QByteArray& name)
{
    return element && element->Name().compare(name, Qt::CaseInsensitive) == 0;
}

bool LabelEquals(const CXmlElement* element, const QString& label)
{
    return QString::fromUtf8(element->GetAttribute(kNameKey)).compare(label, Qt::CaseInsensitive) == 0;
}

CXmlElement* FolderChild(const CXmlElement* parent, const QString& name)
{
    for (const auto& child : parent->Children())
        if (NameIs(child.get(), kFolder) && LabelEquals(child.get(), name))
            return child.get();
    return nullptr;
}

QByteArray NameAttributeText(const QString& name)
{
    return "name = \"" + name.toUtf8() + '"';
}

// The C library's decimal conversion: white space, an optional sign, digits up to the first other byte.
qint32 ToInt(const QByteArray& text)
{
    qsizetype i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<qint64>(value * 10 + (text[i] - '0'), qint64(INT_MAX) + 1);
    value = negative ? -value : value;
    return qint32(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

QByteArray Number(qint32 value)
{
    return QByteArray::number(value);
}

bool IsWithin(const CXmlElement* element, const CXmlElement* ancestor)
{
    for (const CXmlElement* e = element; e; e = e->Parent())
        if (e == ancestor)
            return true;
    return false;
}

CXmlElement* CopyElement(CXmlDocument& document, const CXmlElement& source, CXmlElement* parent)
{
    CXmlElement* copy = document.AddElement(parent, source.Name(), source.GetValue(), source.AttributeText());
    for (const auto& child : source.Children())
        CopyElement(document, *child, copy);
    return copy;
}

// The keyring's entry: each site path with the passwords of the sites of that path in document order
// (twin names are allowed).
QHash<QString, QStringList> ParsePasswords(const QString& text)
{
    QHash<QString, QStringList> passwords;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        for (const QJsonValue& password : it.value().toArray())
            passwords[it.key()].append(password.toString());
    return passwords;
}

} // namespace

CSiteList::CSiteList(QString filePath)
    : m_filePath(filePath.isEmpty() ? CDataFolder::FilePath(QStringLiteral("sites.xml"))
                                    : std::move(filePath))
{
    SetUpEmpty();
}

void CSiteList::SetUpEmpty()
{
    m_document.Clear();
    CXmlElement* root = m_document.GetRoot();
    root->SetName(kRootName);
    root->SetAttribute(kNameKey, kFavourites);
}

CStoredFileLoad CSiteList::LoadSites()
{
    CStoredFileLoad result = CStoredFileLoad::Missing(m_filePath);
    if (m_document.Load(m_filePath) && NameIs(m_document.GetRoot(), kRootName))
        result = CStoredFileLoad::Loaded(m_filePath);
    else if (QFileInfo::exists(m_filePath))
        result = CDamagedFile::SetAside(m_filePath);
    m_stuck = result.IsStuck();
    m_keyringText.clear();
    m_keyringProblem.clear();
    if (result)
        UnprotectSitePasswords(m_document);
    else
        SetUpEmpty();
    if (result && ProfileSecretsInKeyring())
        ReadKeyringPasswords();
    NotifyReload();
    return result;
}

// A password sites.xml still holds wins: only a program that does not know the keyring wrote it there.
void CSiteList::ReadKeyringPasswords()
{
    const CKeyringResult read = CKeyringStore().Read(kKeyringKey);
    if (read.Failed())
        qWarning("sites: the keyring did not give the site passwords: %s", qPrintable(read.error));
    m_keyringProblem = read.Failed() ? read.error : QString();
    m_keyringText = read.value;
    QHash<QString, QStringList> passwords = ParsePasswords(read.value);
    ForEachSite(
        [&](CXmlElement* site, const QString& path)
        {
            QStringList& queue = passwords[path];
            const QString password = queue.isEmpty() ? QString() : queue.takeFirst();
            if (!password.isEmpty() && m_document.GetChildValue(site, kPassword).isEmpty())
                m_document.SetChildValue(site, kPassword, password.toUtf8());
        });
}

void CSiteList::NotifyReload()
{
    if (m_reloaded)
        m_reloaded();
}

bool CSiteList::SaveSites()
{
    if (m_stuck)
        return false;
    if (ProfileSecretsInKeyring())
        return SaveWithKeyring();
    ProtectSitePasswords(m_document);
    const bool saved = WriteFile();
    UnprotectSitePasswords(m_document);
    return saved;
}

bool CSiteList::WriteFile()
{
    // Passwords may lie in the file, protected or not: it is its owner's only.
    return QDir().mkpath(QFileInfo(m_filePath).absolutePath()) && m_document.Save(m_filePath, true);
}

// The keyring takes the passwords before sites.xml is written without them; should that write fail, the
// keyring gets back the entry that matches the file still there.
bool CSiteList::SaveWithKeyring()
{
    const QString before = m_keyringText;
    if (!CopyPasswordsToKeyring().isEmpty())
        return false;
    QList<std::pair<CXmlElement*, QByteArray>> taken;
    ForEachSite(
        [&](CXmlElement* site, const QString&)
        {
            const QByteArray password = m_document.GetChildValue(site, kPassword);
            if (password.isEmpty())
                return;
            taken.append({site, password});
            m_document.SetChildValue(site, kPassword, {});
        });
    const bool saved = WriteFile();
    for (const auto& [site, password] : taken)
        m_document.SetChildValue(site, kPassword, password);
    if (!saved && CKeyringStore().Write(kKeyringKey, before).status == CKeyringResult::Done)
        m_keyringText = before;
    return saved;
}

QString CSiteList::CopyPasswordsToKeyring()
{
    // Passwords that could not be read must not be replaced by the empty ones in memory.
    if (!m_keyringProblem.isEmpty())
        return m_keyringProblem;
    QJsonObject object;
    ForEachSite(
        [&](CXmlElement* site, const QString& path)
        {
            QJsonArray queue = object.value(path).toArray();
            queue.append(QString::fromUtf8(m_document.GetChildValue(site, kPassword)));
            object.insert(path, queue);
        });
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    // Most saves change no password: the keyring is asked only when one did.
    if (text == m_keyringText)
        return {};
    const CKeyringResult written = CKeyringStore().Write(kKeyringKey, text);
    if (written.Failed())
        return written.error;
    m_keyringText = text;
    return {};
}

CKeyringResult CSiteList::ForgetKeyringPasswords()
{
    m_keyringText.clear();
    return CKeyringStore().Remove(kKeyringKey);
}

bool CSiteList::LoadSiteByPath(const QString& path, CFtpSite& site)
{
    const qsizetype cut = path.lastIndexOf(u'\\');
    CXmlElement* folder = nullptr;
    if (cut >= 0)
        folder = FindFolderByPath(nullptr, path.left(cut));
    CXmlElement* element = FindSiteInFolder(folder, cut >= 0 ? path.mid(cut + 1) : path);
    if (!element)
        return false;
    FillSite(element, site);
    return true;
}

bool CSiteList::StoreSite(const CFtpSite& site, const QString& folderPath)
{
    // A name the file cannot hold would corrupt sites.xml.
    if (!CheckName(site.Name).isEmpty())
        return false;
    CXmlElement* folder = folderPath.isEmpty() ? nullptr : FindFolderByPath(nullptr, folderPath);
    CXmlElement* element = FindSiteInFolder(folder, site.Name);
    if (!element)
        element = m_document.AddElement(folder ? folder : m_document.GetRoot(), kSite, {},
                                        NameAttributeText(site.Name));
    const auto set = [&](const char* name, const QByteArray& value)
    { m_document.SetChildValue(element, name, value); };
    set("ADDRESS", site.Address.toUtf8());
    set("PORT", Number(site.Port));
    set("DATAMODE", Number(site.DataMode));
    set("TRANSFERTYPE", Number(site.TransferType));
    set("LOGIN", site.Login.toUtf8());
    set("PASSWORD", site.Password.toUtf8());
    set("REMOTEPATH", site.RemotePath.toUtf8());
    set("LOCALPATH", site.LocalPath.toUtf8());
    set("RETRIES", Number(site.Retries));
    set("RETRYDELAY", Number(site.RetryDelay));
    set("DESCRIPTION", site.Description.toUtf8());
    set("PROTOCOLTYPE", Number(site.ProtocolType));
    set("CLEARCOMMANDCHANNEL", site.ClearCommandChannel ? "1" : "0");
    set("CLEARDATACHANNEL", site.ClearDataChannel ? "1" : "0");
    // Reloading after a failed write would throw the change away.
    if (!SaveSites())
        return false;
    LoadSites();
    return true;
}

CXmlElement* CSiteList::FindFolderByPath(CXmlElement* start, const QString& path)
{
    CXmlElement* parent = start ? start : m_document.GetRoot();
    QString last = path;
    const qsizetype cut = path.lastIndexOf(u'\\');
    if (cut >= 0)
    {
        CXmlElement* resolved = FindFolderByPath(start, path.left(cut));
        parent = resolved ? resolved : m_document.GetRoot();
        last = path.mid(cut + 1);
    }
    return FolderChild(parent, last);
}

CXmlElement* CSiteList::MakeFolderPath(const QString& path)
{
    const QStringList names = path.split(u'\\');
    if (std::any_of(names.begin(), names.end(),
                    [](const QString& name) { return !CheckName(name).isEmpty(); }))
        return nullptr;
    CXmlElement* folder = m_document.GetRoot();
    for (const QString& name : names)
    {
        CXmlElement* child = FolderChild(folder, name);
        folder = child ? child : m_document.AddElement(folder, kFolder, {}, NameAttributeText(name));
    }
    return folder;
}

CXmlElement* CSiteList::FindSiteInFolder(CXmlElement* folder, const QString& name)
{
    const CXmlElement* parent = folder ? folder : m_document.GetRoot();
    for (const auto& child : parent->Children())
        if (NameIs(child.get(), kSite) && LabelEquals(child.get(), name))
            return child.get();
    return nullptr;
}

bool CSiteList::IsFolderElement(const CXmlElement* element)
{
    return NameIs(element, kFolder) || NameIs(element, kRootName);
}

bool CSiteList::IsSiteElement(const CXmlElement* element)
{
    return NameIs(element, kSite);
}

void CSiteList::FillSite(CXmlElement* element, CFtpSite& site)
{
    const auto text = [&](const char* name) { return m_document.GetChildValue(element, name); };
    site.Name = QString::fromUtf8(element->GetAttribute(kNameKey));
    site.Address = QString::fromUtf8(text("ADDRESS"));
    site.Description = QString::fromUtf8(text("DESCRIPTION"));
    site.LocalPath = QString::fromUtf8(text("LOCALPATH"));
    site.RemotePath = QString::fromUtf8(text("REMOTEPATH"));
    site.Login = QString::fromUtf8(text("LOGIN"));
    site.Password = QString::fromUtf8(text("PASSWORD"));
    site.DataMode = ToInt(text("DATAMODE"));
    site.TransferType = ToInt(text("TRANSFERTYPE"));
    site.Retries = ToInt(text("RETRIES"));
    site.RetryDelay = ToInt(text("RETRYDELAY"));
    site.Port = ToInt(text("PORT"));
    site.ProtocolType = ToInt(text("PROTOCOLTYPE"));
    site.ClearCommandChannel = text("CLEARCOMMANDCHANNEL") == "1";
    site.ClearDataChannel = text("CLEARDATACHANNEL") == "1";
}

CXmlElement* CSiteList::AddNewSite(CXmlElement* selection)
{
    const bool copyFromSite = IsSiteElement(selection);
    CXmlElement* folder = copyFromSite ? selection->Parent() : selection;
    if (!IsFolderElement(folder))
        folder = m_document.GetRoot();
    CXmlElement* site = m_document.AddElement(
        folder, kSite, {}, NameAttributeText(QCoreApplication::translate("SiteList", kNewSiteName)));
    const auto value = [&](const char* name, const QByteArray& fallback)
    { return copyFromSite ? m_document.GetChildValue(selection, name) : fallback; };
    const auto setting = [](const char* key) { return Number(GetProfileInt("Settings", key)); };
    const QByteArray localPath = GetProfileString("Settings", "DefaultLocalPath").toUtf8();
    m_document.SetChildValue(site, "ADDRESS", value("ADDRESS", {}));
    m_document.SetChildValue(site, "PORT", value("PORT", Number(CFtpSite().Port)));
    m_document.SetChildValue(site, "DATAMODE", value("DATAMODE", "0"));
    m_document.SetChildValue(site, "TRANSFERTYPE", value("TRANSFERTYPE", "0"));
    m_document.SetChildValue(site, "LOGIN", value("LOGIN", {}));
    m_document.SetChildValue(site, "PASSWORD", value("PASSWORD", {}));
    m_document.SetChildValue(site, "REMOTEPATH", value("REMOTEPATH", {}));
    m_document.SetChildValue(site, "LOCALPATH", value("LOCALPATH", localPath));
    m_document.SetChildValue(site, "RETRIES", value("RETRIES", setting("DefaultRetries")));
    m_document.SetChildValue(site, "RETRYDELAY", value("RETRYDELAY", setting("DefaultRetryDelay")));
    m_document.SetChildValue(site, "DESCRIPTION", value("DESCRIPTION", {}));
    return site;
}

CXmlElement* CSiteList::AddNewFolder(CXmlElement* selection)
{
    CXmlElement* folder = IsSiteElement(selection) ? selection->Parent() : selection;
    if (!IsFolderElement(folder))
        folder = m_document.GetRoot();
    return m_document.AddElement(folder, kFolder, {},
                                 NameAttributeText(QCoreApplication::translate("SiteList", kNewFolderName)));
}

CXmlElement* CSiteList::MoveElement(CXmlElement* element, CXmlElement* folder)
{
    if (!element || element == m_document.GetRoot() || !IsFolderElement(folder) || IsWithin(folder, element))
        return nullptr;
    if (element->Parent() == folder)
        return element;
    CXmlElement* moved = CopyElement(m_document, *element, folder);
    m_document.RemoveElement(element);
    return moved;
}

QString CSiteList::PathOf(const CXmlElement* element)
{
    QStringList names;
    for (const CXmlElement* e = element; e && e != m_document.GetRoot(); e = e->Parent())
        names.prepend(QString::fromUtf8(e->GetAttribute(kNameKey)));
    return names.join(u'\\');
}

QStringList CSiteList::SitePaths()
{
    QStringList paths;
    ForEachSite([&](CXmlElement*, const QString& path) { paths.append(path); });
    return paths;
}

void CSiteList::ForEachSite(const std::function<void(CXmlElement*, const QString&)>& visit)
{
    std::function<void(const CXmlElement*, const QString&)> walk =
        [&](const CXmlElement* parent, const QString& prefix)
    {
        for (const auto& child : parent->Children())
        {
            const QString path = prefix + QString::fromUtf8(child->GetAttribute(kNameKey));
            if (IsSiteElement(child.get()))
                visit(child.get(), path);
            else if (NameIs(child.get(), kFolder))
                walk(child.get(), path + u'\\');
        }
    };
    walk(m_document.GetRoot(), QString());
}

QString CSiteList::CheckName(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QCoreApplication::translate("SiteList", "名稱不能是空白");
    if (name.contains(u'\\'))
        return QCoreApplication::translate("SiteList", "名稱不能包含 \\ 字元");
    if (!CXmlElement::CanWriteAttribute(kNameKey, name.toUtf8()))
        return QCoreApplication::translate("SiteList", "名稱不能包含 \" < > 或換行字元");
    return {};
}
