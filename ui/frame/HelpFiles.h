#pragma once

#include <QString>

// Finds the HTML help that ships with the program: beside the program in a build tree, or in the
// installed data folder.
class CHelpFiles
{
public:
    // Empty when neither place holds the help.
    static QString IndexPath(const QString& programFolder);
};
