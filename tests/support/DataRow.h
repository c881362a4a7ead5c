// SPDX-License-Identifier: MIT
#pragma once

#include <QTest>

#include <initializer_list>

// Declares columns of one type of a data-driven test: columns<QString>({"folder", "expected"}).
template <typename T> void columns(std::initializer_list<const char *> names)
{
    for (const char *name : names)
        QTest::addColumn<T>(name);
}

// Adds one row to a data-driven test: row("name", a, b, ...) keeps a table one row per line.
template <typename... Values> void row(const char *name, const Values &...values)
{
    (QTest::newRow(name) << ... << values);
}
