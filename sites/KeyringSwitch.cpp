#include "sites/KeyringSwitch.h"

#include "app/KeyringStore.h"
#include "app/Profile.h"
#include "app/SettingsTable.h"
#include "sites/SiteList.h"

#include <QCoreApplication>
#include <QList>

namespace
{

const QString kSection = QStringLiteral("Security");
const QString kSwitch = QStringLiteral("KeyringPasswords");
QString SitesLabel()
{
    return QCoreApplication::translate("KeyringSwitch", "站台的密碼");
}

struct Secret
{
    QString section;
    QString key;
    QString value;
};

QList<Secret> SecretSettings()
{
    QList<Secret> secrets;
    for (const SettingDef& def : CSettingsTable::All())
        if (def.secret)
            secrets.append({QLatin1String(def.section), QLatin1String(def.key), {}});
    return secrets;
}

QString Label(const Secret& secret)
{
    if (secret.section == QLatin1String("Proxy"))
        return QCoreApplication::translate("KeyringSwitch", "代理伺服器的密碼");
    return QCoreApplication::translate("KeyringSwitch", "%1 私密金鑰的密碼").arg(secret.section);
}

QString Refused(const QString& what, const QString& why)
{
    return QCoreApplication::translate("KeyringSwitch", "無法移動%1（%2），所有密碼都留在原處。")
        .arg(what, why);
}

// Back to the files after a failure on the way in; the keyring's copies go.
QString Undo(const QList<Secret>& secrets, CSiteList& sites, const QString& what)
{
    WriteProfileInt(kSection, kSwitch, 0);
    for (const Secret& secret : secrets)
        if (WriteProfileString(secret.section, secret.key, secret.value))
            ForgetProfileSecret(secret.section, secret.key);
    sites.ForgetKeyringPasswords();
    return Refused(what, QCoreApplication::translate("KeyringSwitch", "金鑰圈或檔案無法寫入"));
}

// The keyring takes the sites' passwords before any file is emptied; a setting's value leaves the file
// only once the keyring holds it, so even an interrupted move keeps each password somewhere.
QString IntoKeyring(CSiteList& sites)
{
    if (!CKeyringStore::Available())
        return QCoreApplication::translate("KeyringSwitch", "沒有可用的桌面金鑰圈，密碼仍存放在檔案中。");
    QList<Secret> secrets = SecretSettings();
    for (Secret& secret : secrets)
        secret.value = GetProfileString(secret.section, secret.key);
    if (const QString why = sites.CopyPasswordsToKeyring(); !why.isEmpty())
        return Refused(SitesLabel(), why);
    if (!WriteProfileInt(kSection, kSwitch, 1))
        return Undo(secrets, sites, QCoreApplication::translate("KeyringSwitch", "密碼"));
    for (const Secret& secret : secrets)
        if (!WriteProfileString(secret.section, secret.key, secret.value))
            return Undo(secrets, sites, Label(secret));
    if (!sites.SaveSites())
        return Undo(secrets, sites, SitesLabel());
    return {};
}

// Every password is read before the switch turns: one the keyring does not give stops the move.
QString OutOfKeyring(CSiteList& sites)
{
    QList<Secret> secrets = SecretSettings();
    for (Secret& secret : secrets)
    {
        const CKeyringResult read = ReadProfileSecret(secret.section, secret.key);
        if (read.Failed())
            return Refused(Label(secret), read.error);
        secret.value = read.value;
    }
    if (!sites.KeyringProblem().isEmpty())
        return Refused(SitesLabel(), sites.KeyringProblem());
    bool written = WriteProfileInt(kSection, kSwitch, 0);
    for (const Secret& secret : secrets)
        written = written && WriteProfileString(secret.section, secret.key, secret.value);
    if (!written || !sites.SaveSites())
    {
        // What reached the files equals the keyring's copy, which stays the one read.
        WriteProfileInt(kSection, kSwitch, 1);
        return Refused(QCoreApplication::translate("KeyringSwitch", "密碼"),
                       QCoreApplication::translate("KeyringSwitch", "檔案無法寫入"));
    }
    for (const Secret& secret : secrets)
        ForgetProfileSecret(secret.section, secret.key);
    sites.ForgetKeyringPasswords();
    return {};
}

} // namespace

QString SwitchKeyringPasswords(bool intoKeyring, CSiteList& sites)
{
    if (intoKeyring == ProfileSecretsInKeyring())
        return {};
    return intoKeyring ? IntoKeyring(sites) : OutOfKeyring(sites);
}
