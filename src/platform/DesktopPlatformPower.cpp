// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"
#include "power/SleepControl.h"

#include <QDateTime>

SleepControl &DesktopPlatform::sleepControl()
{
    if (!m_sleep)
        m_sleep = std::make_unique<SleepControl>([this](const QString &line) { printErrorOnce(line); });
    return *m_sleep;
}

void DesktopPlatform::holdOffIdleSleep(const QString &reason)
{
    sleepControl().idle().hold(reason);
}

void DesktopPlatform::allowIdleSleep()
{
    sleepControl().idle().release();
}

void DesktopPlatform::wakeFromSleep(std::function<qint64()> wakeDelay, std::function<void()> cannotWake)
{
    sleepControl().watch().start(std::move(wakeDelay), std::move(cannotWake));
}

void DesktopPlatform::stopWaking()
{
    sleepControl().watch().stop();
}

qint64 DesktopPlatform::secondsUntil(const QTime &time)
{
    // Local date and time: the time zone's rules count each day's hours as they fall.
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime next(now.date(), time);
    if (next.isValid() && next <= now)
        next = QDateTime(now.date().addDays(1), time);
    if (!next.isValid()) {
        // A time the spring change leaves out of that day: counted on the clock's face instead.
        qint64 ms = now.time().msecsTo(time);
        if (ms <= 0)
            ms += 24 * 3'600'000;
        return (ms + 999) / 1000;
    }
    return (now.msecsTo(next) + 999) / 1000;
}
