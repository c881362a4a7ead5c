// SPDX-License-Identifier: MIT
#include "LocaleTimeText.h"

#include <QRegularExpression>

QString clockTimeFormat(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        // Unquoted 't' is the zone name; everything else of the format stays.
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    // The zone name sat beside a blank or inside brackets; drop what it leaves behind.
    for (const char *emptyBrackets : {"()", "[]"})
        result.remove(QLatin1String(emptyBrackets));
    return result.simplified();
}

QString clockTimeText(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, clockTimeFormat(locale));
}
