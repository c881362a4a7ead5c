// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A message for the desktop's notification area, outside the window.
struct Notice {
    QString summary;
    QString body;
    // Stays on screen until it is withdrawn or answered, for what must not be missed.
    bool critical = false;
    // The label of the notice's one action; empty for none.
    QString actionLabel = {};
};
