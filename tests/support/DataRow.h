// SPDX-License-Identifier: MIT
#pragma once

#include <QTest>

// Adds one row to a data-driven test: row("name", a, b, ...) keeps a table one row per line.
template <typename... Values> void row(const char *name, const Values &...values)
{
    (QTest::newRow(name) << ... << values);
}
