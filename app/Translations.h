#pragma once

#include <QString>

class QCoreApplication;

// The language of every text the user reads. The texts are written in Traditional Chinese; English comes
// from the translation built into the program. Qt's own texts (standard buttons, file dialogs) follow.
class CTranslations
{
public:
    enum Language
    {
        TraditionalChinese, // the texts as written
        English
    };

    // The desktop program's choice, stored as Settings/Language.
    static Language FromSettings();
    // The command line's: the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set; Chinese ones
    // keep the texts as written, any other gives English.
    static Language FromLocale();
    // False when a translation could not be loaded; the texts then stay as written.
    static bool Install(QCoreApplication& application, Language language);
};
