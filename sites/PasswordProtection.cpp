#include "sites/PasswordProtection.h"

#include "app/Profile.h"
#include "sites/PasswordCipher.h"
#include "xml/XmlDocument.h"

#include <functional>

namespace
{

const QByteArray kSite = "SITE";
const QByteArray kPassword = "PASSWORD";

CPasswordCipher SettingsCipher()
{
    CPasswordCipher cipher;
    cipher.SetKey(CPasswordCipher::kSettingsPassPhrase);
    return cipher;
}

bool IsSite(const CXmlElement& element)
{
    return element.Name().compare(kSite, Qt::CaseInsensitive) == 0;
}

// Visits every SITE in document order; the walk descends through everything that is not a SITE.
void ForEachSite(CXmlElement& parent, const std::function<void(CXmlElement&)>& visit)
{
    for (const auto& child : parent.Children())
    {
        if (IsSite(*child))
            visit(*child);
        else
            ForEachSite(*child, visit);
    }
}

bool IsFramed(const QByteArray& text)
{
    return text.startsWith('|') && text.endsWith('|');
}

QByteArray StripBars(const QByteArray& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == '|')
        ++first;
    while (last > first && text[last - 1] == '|')
        --last;
    return text.mid(first, last - first);
}

// The master password when protection is on, else empty: no protection.
QByteArray ProtectionKey()
{
    return GetProfileInt("Security", "EncryptPasswords") != 0 ? ReadMasterPassword() : QByteArray();
}

QByteArray ProtectWith(const QByteArray& key, const QByteArray& plain)
{
    if (key.isEmpty())
        return plain;
    CPasswordCipher cipher;
    cipher.SetKey(key);
    return '|' + cipher.Encrypt(plain) + '|';
}

QByteArray UnprotectWith(const QByteArray& master, const QByteArray& stored)
{
    CPasswordCipher cipher;
    cipher.SetKey(master);
    return cipher.Decrypt(StripBars(stored));
}

} // namespace

QByteArray ReadMasterPassword()
{
    const QByteArray stored = GetProfileString("Security", "Password").toUtf8();
    return SettingsCipher().Decrypt(stored);
}

bool WriteMasterPassword(const QByteArray& master)
{
    const QByteArray stored = SettingsCipher().Encrypt(master);
    return WriteProfileString("Security", "Password", QString::fromLatin1(stored));
}

QByteArray ProtectPassword(const QByteArray& plain)
{
    return ProtectWith(ProtectionKey(), plain);
}

QByteArray UnprotectPassword(const QByteArray& stored)
{
    return IsFramed(stored) ? UnprotectWith(ReadMasterPassword(), stored) : stored;
}

// The key is read once for the whole document: a site list may hold thousands of sites.
void ProtectSitePasswords(CXmlDocument& document)
{
    const QByteArray key = ProtectionKey();
    ForEachSite(*document.GetRoot(),
                [&](CXmlElement& site)
                {
                    const QByteArray text = document.GetChildValue(&site, kPassword);
                    document.SetChildValue(&site, kPassword, ProtectWith(key, text));
                });
}

void UnprotectSitePasswords(CXmlDocument& document)
{
    const QByteArray master = ReadMasterPassword();
    ForEachSite(*document.GetRoot(),
                [&](CXmlElement& site)
                {
                    const QByteArray text = document.GetChildValue(&site, kPassword);
                    if (IsFramed(text))
                        document.SetChildValue(&site, kPassword, UnprotectWith(master, text));
                });
}
