// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The text turned one character to the left: "Set hour   " becomes "et hour   S".
// Texts shorter than two characters stay as they are.
inline QString rotatedLeft(const QString &text)
{
    if (text.size() < 2)
        return text;
    return text.mid(1) + text.at(0);
}
