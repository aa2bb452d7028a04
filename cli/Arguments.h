#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>

// The words of one command: positional arguments and "--name value", "-x value" or "--flag" options.
class CArguments
{
public:
    // valueOptions take the next word as their value; flagOptions stand alone. Anything else that
    // looks like an option is an error.
    CArguments(const QStringList& words, const QSet<QString>& valueOptions, const QSet<QString>& flagOptions);

    bool IsValid() const { return m_error.isEmpty(); }
    const QString& Error() const { return m_error; }
    const QStringList& Positional() const { return m_positional; }
    bool Has(const QString& option) const { return m_values.contains(option); }
    // The last value given; Values() gives every one, for options that may be repeated.
    QString Value(const QString& option) const { return m_values.value(option); }
    QStringList Values(const QString& option) const { return m_all.value(option); }

private:
    QStringList m_positional;
    QHash<QString, QString> m_values;
    QHash<QString, QStringList> m_all;
    QString m_error;
};
