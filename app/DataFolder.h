#pragma once

#include <QString>

// Where the program keeps its files: $ZENTRAVA_HOME when set; else the program's own folder when a
// sites.xml or certifates.xml already lies there (portable use); else the per-user data folder.
class CDataFolder
{
public:
    static QString Path();
    // A file inside the data folder.
    static QString FilePath(const QString& name);
    // Creates the folder with its parents; false when that fails.
    static bool Ensure();
    // The settings file: inside $ZENTRAVA_HOME when set, else the per-user config folder.
    static QString SettingsFile();
    static QString ProgramFolder();
};
