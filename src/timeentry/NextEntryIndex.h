// SPDX-License-Identifier: MIT
#pragma once

// The entry after index in a list whose last entry is at wrapIndex; from no selection (-1) the first.
inline int nextEntryIndex(int index, int wrapIndex)
{
    return index < wrapIndex ? index + 1 : 0;
}
