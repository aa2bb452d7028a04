#pragma once

#include <QByteArray>
#include <QString>

#include <span>

enum class SettingType
{
    Int,
    String,
    Binary,
    Object
};

// One row of the settings table: where a value lives, what it holds and what a missing value reads as.
struct SettingDef
{
    const char* section;
    const char* key;
    SettingType type;
    int intDefault = 0;
    const char* stringDefault = "";
    // The key is a prefix followed by a decimal number (history lists, recent sites).
    bool numbered = false;
    // No fixed default: the caller supplies it (a docking bar's own size).
    bool callerDefault = false;
    // A password, which the desktop's keyring may keep instead of the file.
    bool secret = false;
};

// The one table of every section and key the program keeps; nothing reads a default from anywhere else.
class CSettingsTable
{
public:
    static std::span<const SettingDef> All();
    // Sections and keys are matched without case, as the registry did; numbered keys match prefix + digits.
    static const SettingDef* Find(const QString& section, const QString& key);
    static bool HasSection(const QString& section);
    static QString TypeName(SettingType type);
};
