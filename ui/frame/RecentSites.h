#pragma once

#include <QStringList>

// The four site paths opened last, newest first, kept in the settings store as "File1" to "File4" of
// section "Recent File List".
class CRecentSites
{
public:
    static constexpr int kLimit = 4;

    static QStringList Load();
    // Puts the path first; the same path written in another case counts as the same site.
    static void Add(const QString& sitePath);
};
