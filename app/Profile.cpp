#include "app/Profile.h"

#include "app/DamagedFile.h"
#include "app/DataFolder.h"
#include "app/KeyringStore.h"
#include "app/SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace
{

// The table's own spelling of a section and key, so that any spelling reaches the same value.
struct CanonicalKey
{
    const SettingDef* def = nullptr;
    QString group;
    QString key;
};

CanonicalKey Resolve(const QString& section, const QString& key, std::initializer_list<SettingType> types)
{
    const SettingDef* def = CSettingsTable::Find(section, key);
    if (!def || std::find(types.begin(), types.end(), def->type) == types.end())
    {
        qWarning("settings: %s\\%s is not a known value of this kind", qPrintable(section), qPrintable(key));
        return {};
    }
    const QString name = QLatin1String(def->key);
    const QString suffix = def->numbered ? key.mid(name.size()) : QString();
    return {def, QLatin1String(def->section), name + suffix};
}

QVariant ReadValue(const CanonicalKey& where)
{
    QSettings store(CDataFolder::SettingsFile(), QSettings::IniFormat);
    store.beginGroup(where.group);
    return store.value(where.key);
}

// The settings hold passwords (the quick connect history, the proxy's, the protected master password):
// the file is its owner's only. QSettings replaces the file keeping its mode, so a missing file is made
// empty with that mode first and a looser one is tightened.
void KeepOwnerOnly(const QString& path)
{
    QFile file(path);
    if (!file.exists() && QDir().mkpath(QFileInfo(path).absolutePath()))
        file.open(QIODevice::WriteOnly);
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool WriteValue(const CanonicalKey& where, const QVariant& value)
{
    if (!where.def)
        return false;
    if (const CStoredFileLoad checked = CheckProfileFile(); checked.IsDamaged())
    {
        qWarning("settings: %s", qPrintable(checked.CommandLineText()));
        if (checked.IsStuck())
            return false;
    }
    KeepOwnerOnly(CDataFolder::SettingsFile());
    QSettings store(CDataFolder::SettingsFile(), QSettings::IniFormat);
    store.beginGroup(where.group);
    store.setValue(where.key, value);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

int ReadInt(const CanonicalKey& where, int fallback)
{
    const QVariant value = ReadValue(where);
    bool ok = false;
    const int result = value.toInt(&ok);
    return ok ? result : fallback;
}

bool InKeyring(const CanonicalKey& where)
{
    return where.def && where.def->secret && ProfileSecretsInKeyring();
}

QString KeyringKey(const CanonicalKey& where)
{
    return where.group + u'\\' + where.key;
}

QString ReadString(const CanonicalKey& where)
{
    const QVariant value = ReadValue(where);
    return value.isValid() ? value.toString() : QString::fromUtf8(where.def->stringDefault);
}

// The keyring's value is written first: the file's copy is emptied only once the keyring holds it.
bool WriteSecret(const CanonicalKey& where, const QString& value)
{
    const CKeyringResult written = CKeyringStore().Write(KeyringKey(where), value);
    if (written.Failed())
    {
        qWarning("settings: the keyring did not take %s: %s", qPrintable(KeyringKey(where)),
                 qPrintable(written.error));
        return false;
    }
    return WriteValue(where, QString());
}

} // namespace

CStoredFileLoad CheckProfileFile()
{
    const QString path = CDataFolder::SettingsFile();
    if (!QFileInfo::exists(path))
        return CStoredFileLoad::Missing(path);
    {
        QSettings store(path, QSettings::IniFormat);
        // Sections are read when first asked for, and only then does a malformed one show.
        store.allKeys();
        if (store.status() != QSettings::FormatError)
            return CStoredFileLoad::Loaded(path);
    }
    return CDamagedFile::SetAside(path);
}

int GetProfileInt(const QString& section, const QString& key)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::Int});
    if (!where.def)
        return 0;
    return ReadInt(where, where.def->intDefault);
}

int GetProfileInt(const QString& section, const QString& key, int callerDefault)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::Int});
    if (!where.def)
        return callerDefault;
    return ReadInt(where, where.def->callerDefault ? callerDefault : where.def->intDefault);
}

bool WriteProfileInt(const QString& section, const QString& key, int value)
{
    return WriteValue(Resolve(section, key, {SettingType::Int}), value);
}

QString GetProfileString(const QString& section, const QString& key)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::String});
    if (!where.def)
        return {};
    if (!InKeyring(where))
        return ReadString(where);
    const CKeyringResult read = ReadProfileSecret(section, key);
    if (read.Failed())
        qWarning("settings: the keyring did not give %s: %s", qPrintable(KeyringKey(where)),
                 qPrintable(read.error));
    return read.value;
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::String});
    return InKeyring(where) ? WriteSecret(where, value) : WriteValue(where, value);
}

bool ProfileSecretsInKeyring()
{
    return GetProfileInt(QStringLiteral("Security"), QStringLiteral("KeyringPasswords")) != 0;
}

CKeyringResult ReadProfileSecret(const QString& section, const QString& key)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::String});
    if (!where.def)
        return {CKeyringResult::Missing, {}, {}};
    const QString inFile = ReadString(where);
    if (!inFile.isEmpty() || !InKeyring(where))
        return {CKeyringResult::Done, inFile, {}};
    return CKeyringStore().Read(KeyringKey(where));
}

CKeyringResult ForgetProfileSecret(const QString& section, const QString& key)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::String});
    return where.def ? CKeyringStore().Remove(KeyringKey(where))
                     : CKeyringResult{CKeyringResult::Done, {}, {}};
}

QByteArray GetProfileBinary(const QString& section, const QString& key)
{
    const CanonicalKey where = Resolve(section, key, {SettingType::Binary, SettingType::Object});
    if (!where.def)
        return {};
    const QVariant value = ReadValue(where);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

bool WriteProfileBinary(const QString& section, const QString& key, const QByteArray& value)
{
    return WriteValue(Resolve(section, key, {SettingType::Binary, SettingType::Object}), value);
}

bool LoadProfileObject(const QString& section, const QString& key, ISerializable& object)
{
    const QByteArray blob = GetProfileBinary(section, key);
    if (blob.isEmpty() || blob.size() >= kProfileObjectLimit)
        return false;
    return object.Deserialize(blob);
}

bool SaveProfileObject(const QString& section, const QString& key, const ISerializable& object)
{
    const QByteArray blob = object.Serialize();
    if (blob.size() >= kProfileObjectLimit)
        return false;
    return WriteProfileBinary(section, key, blob);
}
