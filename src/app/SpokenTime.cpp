// SPDX-License-Identifier: MIT
#include "SpokenTime.h"

#include "Platform.h"
#include "Translation.h"

#include <QTime>

namespace speech {
namespace {

// On the 24-hour clock, the way a clock time is announced in the languages ALARM is translated to.
// The number forms let a language say "one o'clock" differently from "two o'clock".
QString clockTime(const QTime &time)
{
    if (time.minute() == 0)
        return translation::text("Speech", QT_TRANSLATE_N_NOOP("Speech", "%n o'clock"), time.hour());
    return translation::text("Speech", QT_TRANSLATE_N_NOOP("Speech", "%n hours %1 minutes"), time.hour())
        .arg(time.minute());
}

} // namespace

QString sentence(const char *phrase, Platform &platform)
{
    const QString translated = translation::text("Speech", phrase);
    if (translation::language() == QLatin1String("en"))
        return translated.arg(platform.currentTimeText());
    return translated.arg(clockTime(platform.currentTime()));
}

} // namespace speech
