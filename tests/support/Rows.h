#pragma once

#include <QTest>

#include <initializer_list>

// Declares a data table's columns, e.g. Columns<QString, bool>({"name", "kept"}).
template <typename... Types> void Columns(std::initializer_list<const char*> names)
{
    auto name = names.begin();
    (QTest::addColumn<Types>(*name++), ...);
}

// Adds a row to a data table, its values in the order of the columns.
template <typename... Values> void Row(const char* tag, const Values&... values)
{
    (QTest::newRow(tag) << ... << values);
}
