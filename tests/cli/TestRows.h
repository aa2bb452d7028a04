#pragma once

#include <QTest>

// One row of a data table: QTest::newRow(tag) << values...
template <typename... Values> void Row(const char* tag, const Values&... values)
{
    (QTest::newRow(tag) << ... << values);
}
