#include "cli/Arguments.h"

CArguments::CArguments(const QStringList& words, const QSet<QString>& valueOptions,
                       const QSet<QString>& flagOptions)
{
    for (qsizetype i = 0; i < words.size(); ++i)
    {
        const QString& word = words[i];
        const bool longOption = word.startsWith(QLatin1String("--")) && word.size() > 2;
        const bool shortOption = word.size() == 2 && word[0] == u'-' && word[1] != u'-';
        if (!longOption && !shortOption)
        {
            m_positional.append(word);
            continue;
        }
        const QString name = word.mid(longOption ? 2 : 1);
        if (flagOptions.contains(name))
            m_values.insert(name, QString());
        else if (!valueOptions.contains(name))
            m_error = QStringLiteral("unknown option: %1").arg(word);
        else if (i + 1 >= words.size())
            m_error = QStringLiteral("option %1 needs a value").arg(word);
        else
        {
            m_values.insert(name, words[++i]);
            m_all[name].append(words[i]);
        }
        if (!m_error.isEmpty())
            return;
    }
}
