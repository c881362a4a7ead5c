// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

class Platform;

namespace speech {

// What is said before the time: by "?" and the ringing alarm, and by the greeting at start-up.
// The odd joins and blanks are how the voice has always paced them; %1 is the time.
inline constexpr const char *kNowTheTimeIs = QT_TRANSLATE_NOOP("Speech", "Now thetime is    %1");
inline constexpr const char *kYourComputerTimeIs =
    QT_TRANSLATE_NOOP("Speech", "      Your   Computertime is    %1");

// The phrase with the time now, in the language of the translation in use. English says the time
// as the window shows it; a translation says it as its language tells a clock time.
QString sentence(const char *phrase, Platform &platform);

} // namespace speech
