// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>

#include <string>

// ALARM's texts in the session's language, where ALARM has a translation for it; English, the
// language they are written in, everywhere else.
namespace translation {

// Loads the translation for the locale's languages, in place of any loaded before, and hands it to
// the application once there is one. Returns whether one was found.
bool load(const QLocale &locale);

// A text by its context and source, translated; n fills %n. Works before the application object
// exists, for the command line's answers.
QString text(const char *context, const char *source, int n = -1);

// The language of the translation in use, such as "de"; "en" without one.
QString language();

// The language an espeak-ng voice is chosen by: the translation's, in the locale's own variant when
// the locale speaks it ("en-us", "de-at"), so a listener never hears another language's voice.
std::string voiceLanguage(const QLocale &locale);

} // namespace translation
