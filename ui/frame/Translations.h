#pragma once

class QCoreApplication;

// Qt's own Traditional Chinese texts (standard buttons, file dialogs), whatever the user's locale:
// the program speaks Traditional Chinese throughout.
class CTranslations
{
public:
    // False when Qt's translation file is not installed; the standard texts then stay English.
    static bool Install(QCoreApplication& application);
};
