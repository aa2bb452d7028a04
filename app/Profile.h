#pragma once

#include "app/KeyringStore.h"
#include "app/Serializable.h"
#include "app/StoredFileLoad.h"

#include <QByteArray>
#include <QString>

// The per-user settings store. Every section and key must stand in CSettingsTable, which also gives
// each missing value its default. Each call opens the store afresh, so worker threads may read and
// write it alongside the user-interface thread.

// Moves a settings file that the store finds malformed aside, before a write could replace it with the
// part of it that was understood. Both programs call it at start-up to tell the user; every write checks
// again and refuses while a malformed file cannot be moved.
CStoredFileLoad CheckProfileFile();

int GetProfileInt(const QString& section, const QString& key);
// For the few values whose default is the caller's own (a docking bar's size).
int GetProfileInt(const QString& section, const QString& key, int callerDefault);
bool WriteProfileInt(const QString& section, const QString& key, int value);

QString GetProfileString(const QString& section, const QString& key);
bool WriteProfileString(const QString& section, const QString& key, const QString& value);

// While Security\KeyringPasswords is on, the values the table marks secret (passwords) live in the
// desktop's keyring and the settings file keeps them empty. A value the file still holds wins: only a
// program that does not know the keyring writes one there, and the next write moves it.
bool ProfileSecretsInKeyring();
// A secret value as GetProfileString reads it, with a keyring that could not answer told apart from a
// value it lacks.
CKeyringResult ReadProfileSecret(const QString& section, const QString& key);
// Drops a secret value from the keyring once the file holds it again.
CKeyringResult ForgetProfileSecret(const QString& section, const QString& key);

// Empty when the value is missing.
QByteArray GetProfileBinary(const QString& section, const QString& key);
bool WriteProfileBinary(const QString& section, const QString& key, const QByteArray& value);

// Objects are kept only while their archive form stays below this many bytes.
inline constexpr qsizetype kProfileObjectLimit = 4096;

// True when a stored value below the limit deserialised into the object; else the object is untouched.
bool LoadProfileObject(const QString& section, const QString& key, ISerializable& object);
// True when the archive form was below the limit and written; a larger one leaves the stored value alone.
bool SaveProfileObject(const QString& section, const QString& key, const ISerializable& object);
