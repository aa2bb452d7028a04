#include "app/Translations.h"

#include "app/Profile.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

CTranslations::Language CTranslations::FromSettings()
{
    return GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Language")) == English
               ? English
               : TraditionalChinese;
}

CTranslations::Language CTranslations::FromLocale()
{
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
    {
        const QByteArray value = qgetenv(variable);
        if (!value.isEmpty())
            return value.startsWith("zh") ? TraditionalChinese : English;
    }
    return English;
}

bool CTranslations::Install(QCoreApplication& application, Language language)
{
    auto* translator = new QTranslator(&application);
    const bool loaded = language == English
                            ? translator->load(QStringLiteral(":/i18n/zentrava_en.qm"))
                            : translator->load(QStringLiteral("qtbase_zh_TW"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded)
    {
        delete translator;
        return false;
    }
    // Dates and the system's file type names in English too, in the user's own region's formats.
    if (language == English)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::system().territory()));
    return QCoreApplication::installTranslator(translator);
}
