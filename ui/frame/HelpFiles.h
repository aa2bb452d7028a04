#pragma once

#include <QString>

// Finds the HTML help that ships with the program: beside the program in a build tree, or in the
// installed data folder.
class CHelpFiles
{
public:
    // The English pages or the Chinese ones; empty when neither place holds them.
    static QString IndexPath(const QString& programFolder, bool english);
};
