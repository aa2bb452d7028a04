#include "app/SettingsTable.h"

namespace
{

using T = SettingType;

constexpr SettingDef I(const char* s, const char* k, int d)
{
    return {s, k, T::Int, d, ""};
}
constexpr SettingDef S(const char* s, const char* k, const char* d = "")
{
    return {s, k, T::String, 0, d};
}
constexpr SettingDef B(const char* s, const char* k)
{
    return {s, k, T::Binary, 0, ""};
}
constexpr SettingDef O(const char* s, const char* k)
{
    return {s, k, T::Object, 0, ""};
}
constexpr SettingDef Numbered(const char* s, const char* prefix)
{
    return {s, prefix, T::String, 0, "", true};
}
// A password: kept in the desktop's keyring instead of the file while Security\KeyringPasswords is on.
constexpr SettingDef Secret(const char* s, const char* k)
{
    return {s, k, T::String, 0, "", false, false, true};
}
constexpr SettingDef BarSize(const char* s, const char* k)
{
    return {s, k, T::Int, 0, "", false, true};
}

constexpr SettingDef kTable[] = {
    I("Settings", "StartupOption", 0),
    I("Settings", "Language", 0),
    S("Settings", "LastSite"),
    I("Settings", "TransferType", 0),
    I("Settings", "DataMode", 1),
    S("Settings", "DefaultLocalPath"),
    I("Settings", "DefaultRetries", 3),
    I("Settings", "DefaultRetryDelay", 10),
    I("Settings", "ConnectionTimeout", 30),
    I("Settings", "TransferMax", 10),
    I("Settings", "ForceParallelTransfers", 0),
    I("Settings", "RemoveFailed", 0),
    I("Settings", "DisableResume", 0),
    I("Settings", "Events", 0),
    I("Settings", "PreserveRemoteTimeStamp", 1),
    I("Settings", "PreserveLocalTimeStamp", 0),
    I("Settings", "EnableCRC", 0),
    I("Settings", "TypeCRC", 0),
    I("Settings", "SavePosition", 1),
    I("Settings", "FrameStatus", -1),
    I("Settings", "FrameLeft", -1),
    I("Settings", "FrameTop", -1),
    I("Settings", "FrameRight", -1),
    I("Settings", "FrameBottom", -1),
    I("Settings", "DeleteConfirmation", 1),
    I("Settings", "ShowMessageBox", 1),
    I("Settings", "HideProgressDlg", 1),
    I("Settings", "AutoReconnect", 1),
    I("Settings", "DownloadToLocalBrowser", 1),
    S("Settings", "EmailAddress"),
    I("Settings", "KeepAlive", 1),
    I("Settings", "Interval", 30),
    I("Settings", "ViewStyle", 59409),
    I("Settings", "SortColumn", 0),
    I("Settings", "LocalBrowserStyle", 4014),
    B("Settings", "LocalBrowserState"),
    S("Settings", "TransferColumnWidth"),

    I("Security", "EncryptPasswords", 0),
    S("Security", "Password"),
    I("Security", "MaskPassword", 1),
    I("Security", "KeyringPasswords", 0),

    I("SSL", "UseCertificate", 0),
    S("SSL", "Certificate"),
    S("SSL", "PrivateKey"),
    Secret("SSL", "Password"),

    I("SSH2", "PassAuthentication", 1),
    I("SSH2", "PublicKeyAuthentication", 0),
    S("SSH2", "PrivateKeyPath"),
    S("SSH2", "PublicKeyPath"),
    Secret("SSH2", "Password"),

    I("Proxy", "ProxyType", 0),
    S("Proxy", "ProxyHostName"),
    I("Proxy", "ProxyPort", 0),
    S("Proxy", "ProxyLogin"),
    Secret("Proxy", "ProxyPassword"),

    I("SmartKeepAlive", "EnableSKA", 0),
    I("SmartKeepAlive", "StartSKA", 30),
    I("SmartKeepAlive", "MaintainSKA", 30),
    I("SmartKeepAlive", "IntervalStart", 15),
    I("SmartKeepAlive", "IntervalEnd", 60),
    I("SmartKeepAlive", "Reconnect", 0),
    I("SmartKeepAlive", "ReconnectTime", 10),
    O("SmartKeepAlive", "Commands"),

    I("SmartOverwrite", "EnableTimeout", 1),
    I("SmartOverwrite", "Timeout", 30),
    I("SmartOverwrite", "PromptAction", 0),
    I("SmartOverwrite", "IgnoreZeroBytes", 1),
    I("SmartOverwrite", "MatchingFiles", 0),

    B("OverwriteRules", "Rules"),

    I("Filter", "EnableFiltering", 0),
    I("Filter", "FilterFolders", 0),
    I("Filter", "FilterTransfers", 0),
    I("Filter", "ServerFiltering", 0),
    I("Filter", "CaseSensitive", 0),
    S("Filter", "RemoteFilter"),
    O("Filter", "Mask"),
    O("Filter", "NotMask"),

    I("RenameRules", "ApplyRules", 0),
    B("RenameRules", "Rules"),

    B("AsciiTypes", "Extension"),

    I("ToolbarState", "MainToolbarLargeIcons", 1),
    I("ToolbarState", "MainToolbarShowTextLabels", 1),

    BarSize("TransferManager", "SizeHorzCX"),
    BarSize("TransferManager", "SizeHorzCY"),
    BarSize("TransferManager", "SizeVertCX"),
    BarSize("TransferManager", "SizeVertCY"),
    BarSize("TransferManager", "SizeFloatingCX"),
    BarSize("TransferManager", "SizeFloatingCY"),
    BarSize("FileBrowser", "SizeHorzCX"),
    BarSize("FileBrowser", "SizeHorzCY"),
    BarSize("FileBrowser", "SizeVertCX"),
    BarSize("FileBrowser", "SizeVertCY"),
    BarSize("FileBrowser", "SizeFloatingCX"),
    BarSize("FileBrowser", "SizeFloatingCY"),

    // The docking layout of all bars, kept as the window's own state blob.
    B("QuickConnectState", "Layout"),
    // A connection window's bars and the height of its trace pane.
    B("ChildFrmState", "Layout"),
    I("Trace", "Height", 120),

    Numbered("QuickConnect", "QuickConnect"),
    Numbered("GoToFolder", "GoToFolder"),
    Numbered("MoveToFolder", "MoveToFolder"),
    Numbered("LogonUsers", "LogonUsers"),
    Numbered("Recent File List", "File"),
};

bool IsDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit() || c.unicode() > 127)
            return false;
    return true;
}

bool KeyMatches(const SettingDef& def, const QString& key)
{
    const QString name = QString::fromLatin1(def.key);
    if (!def.numbered)
        return key.compare(name, Qt::CaseInsensitive) == 0;
    return key.startsWith(name, Qt::CaseInsensitive) && IsDigits(QStringView(key).mid(name.size()));
}

} // namespace

std::span<const SettingDef> CSettingsTable::All()
{
    return kTable;
}

const SettingDef* CSettingsTable::Find(const QString& section, const QString& key)
{
    for (const SettingDef& def : kTable)
        if (section.compare(QLatin1String(def.section), Qt::CaseInsensitive) == 0 && KeyMatches(def, key))
            return &def;
    return nullptr;
}

bool CSettingsTable::HasSection(const QString& section)
{
    for (const SettingDef& def : kTable)
        if (section.compare(QLatin1String(def.section), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString CSettingsTable::TypeName(SettingType type)
{
    switch (type)
    {
    case SettingType::Int:
        return QStringLiteral("integer");
    case SettingType::String:
        return QStringLiteral("string");
    case SettingType::Binary:
        return QStringLiteral("binary");
    case SettingType::Object:
        return QStringLiteral("object");
    }
    return {};
}
