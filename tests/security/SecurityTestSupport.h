#pragma once

#include <QFile>
#include <QTest>

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Adds a row to a data table, its values in the order of the columns.
template <typename... Values> void Row(const char* tag, const Values&... values)
{
    (QTest::newRow(tag) << ... << values);
}
