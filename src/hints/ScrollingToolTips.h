// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The text turned one character to the left: "Set hour   " becomes "et hour   S".
// Texts shorter than two characters stay as they are.
QString rotatedLeft(const QString &text);
