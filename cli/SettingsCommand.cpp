#include "cli/SettingsCommand.h"

#include "app/Profile.h"
#include "app/SettingsTable.h"
#include "app/StringList.h"
#include "cli/ExitCodes.h"
#include "sites/KeyringSwitch.h"
#include "sites/SiteList.h"

namespace
{

const SettingDef* FindOrComplain(const QString& section, const QString& key, QTextStream& err)
{
    if (!CSettingsTable::HasSection(section))
    {
        err << "zentrava-cli: unknown settings section: " << section << Qt::endl;
        return nullptr;
    }
    const SettingDef* def = CSettingsTable::Find(section, key);
    if (!def)
        err << "zentrava-cli: unknown key " << key << " in section " << section << Qt::endl;
    return def;
}

int Get(const SettingDef& def, const QString& section, const QString& key, QTextStream& out)
{
    switch (def.type)
    {
    case SettingType::Int:
        out << GetProfileInt(section, key, 0) << Qt::endl;
        break;
    case SettingType::String:
        out << GetProfileString(section, key) << Qt::endl;
        break;
    case SettingType::Object:
    {
        CStringList list;
        LoadProfileObject(section, key, list);
        for (const QString& item : list.Items())
            out << item << Qt::endl;
        break;
    }
    case SettingType::Binary:
        out << GetProfileBinary(section, key).toHex() << Qt::endl;
        break;
    }
    return ExitSuccess;
}

bool Set(const SettingDef& def, const QString& section, const QString& key, const QStringList& values,
         QTextStream& err, int& result)
{
    result = ExitUsage;
    if (def.type != SettingType::Object && values.size() != 1)
    {
        err << "zentrava-cli: " << section << ' ' << key << " takes one value" << Qt::endl;
        return false;
    }
    bool ok = true;
    switch (def.type)
    {
    case SettingType::Int:
    {
        const int value = values[0].toInt(&ok);
        if (!ok)
        {
            err << "zentrava-cli: " << section << ' ' << key << " is an integer, not " << values[0]
                << Qt::endl;
            return false;
        }
        ok = WriteProfileInt(section, key, value);
        break;
    }
    case SettingType::String:
        ok = WriteProfileString(section, key, values[0]);
        break;
    case SettingType::Object:
    {
        const CStringList list(values);
        if (list.Serialize().size() >= kProfileObjectLimit)
        {
            err << "zentrava-cli: the list is too long to be stored (" << kProfileObjectLimit
                << " bytes at most)" << Qt::endl;
            result = ExitFailure;
            return false;
        }
        ok = SaveProfileObject(section, key, list);
        break;
    }
    case SettingType::Binary:
    {
        const QByteArray bytes = QByteArray::fromHex(values[0].toLatin1());
        if (bytes.toHex() != values[0].toLower().toLatin1())
        {
            err << "zentrava-cli: " << section << ' ' << key << " takes hexadecimal bytes" << Qt::endl;
            return false;
        }
        ok = WriteProfileBinary(section, key, bytes);
        break;
    }
    }
    result = ok ? ExitSuccess : ExitFailure;
    if (!ok)
        err << "zentrava-cli: could not write the settings store" << Qt::endl;
    return ok;
}

bool IsKeyringSwitch(const SettingDef& def)
{
    return qstrcmp(def.section, "Security") == 0 && qstrcmp(def.key, "KeyringPasswords") == 0;
}

// The keyring choice moves every password with it; the bare number alone would strand them.
int SetKeyringSwitch(const QStringList& values, QTextStream& err)
{
    bool ok = false;
    const int value = values.size() == 1 ? values[0].toInt(&ok) : 0;
    if (!ok)
    {
        err << "zentrava-cli: Security KeyringPasswords takes one number (0 or 1)" << Qt::endl;
        return ExitUsage;
    }
    CSiteList sites;
    sites.LoadSites();
    const QString problem = SwitchKeyringPasswords(value != 0, sites);
    if (problem.isEmpty())
        return ExitSuccess;
    err << "zentrava-cli: " << problem << Qt::endl;
    return ExitFailure;
}

} // namespace

int RunSettingsCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const QString verb = words.value(0);
    const bool isGet = verb == QLatin1String("get") && words.size() == 3;
    const bool isSet = verb == QLatin1String("set") && words.size() >= 4;
    if (!isGet && !isSet)
    {
        err << "usage: zentrava-cli settings get SECTION KEY | settings set SECTION KEY VALUE..." << Qt::endl;
        return ExitUsage;
    }
    const QString section = words[1];
    const QString key = words[2];
    const SettingDef* def = FindOrComplain(section, key, err);
    if (!def)
        return ExitUsage;
    if (isGet)
        return Get(*def, section, key, out);
    if (IsKeyringSwitch(*def))
        return SetKeyringSwitch(words.mid(3), err);
    int result = ExitSuccess;
    Set(*def, section, key, words.mid(3), err, result);
    return result;
}
