// SPDX-License-Identifier: MIT
#include "PlanNotices.h"

#include "Platform.h"
#include "app/HhmmText.h"
#include "app/Translation.h"

#include <QTime>

#include <utility>

namespace {

constexpr qint64 kFailureNoticeIntervalMs = 60'000;

// Why a minute was skipped, for standard error in English, for notices translated.
QString causeText(SkippedMinute::Cause cause, bool translated)
{
    const char *text = "";
    switch (cause) {
    case SkippedMinute::ClockSet:
        text = QT_TRANSLATE_NOOP("PlanNotices", "the clock was set past it");
        break;
    case SkippedMinute::DaylightSaving:
        text = QT_TRANSLATE_NOOP("PlanNotices", "the change to daylight saving time left it out");
        break;
    case SkippedMinute::Slept:
        text = QT_TRANSLATE_NOOP("PlanNotices", "the computer was asleep");
        break;
    case SkippedMinute::Stalled:
        text = QT_TRANSLATE_NOOP("PlanNotices", "ALARM could not run at that time");
        break;
    }
    return translated ? PlanNotices::tr(text) : QString::fromUtf8(text);
}

} // namespace

PlanNotices::PlanNotices(Platform &platform, QWidget &window, std::function<void(PlanState)> pressOff)
    : m_platform(platform), m_window(window), m_pressOff(std::move(pressOff))
{}

PlanNotices::~PlanNotices()
{
    planEnded();
}

// Notices name the time as the window's lists show it, whatever the locale.
QString PlanNotices::timeOf(const QString &target)
{
    return listTime(hhmmTime(target));
}

// Below a quarter of full scale a ringing alarm is easily slept through.
constexpr int kQuietPercent = 25;

void PlanNotices::alarmArmed(const QString &target)
{
    SoundCheck check;
    try {
        check = m_platform.checkSound();
    } catch (const PlatformError &) {
        return; // a server that does not answer now may answer when it is time
    }
    const QString time = timeOf(target);
    if (check.output == SoundCheck::Nothing) {
        m_platform.postNotice({.summary = tr("The alarm at %1 will ring silently").arg(time),
                               .body = tr("No sound server answers, and there is no sound card to "
                                          "play on. The alarm still rings: its window shows it.")},
                              {});
        return;
    }
    const QStringList why = whyUnheard(check);
    if (why.isEmpty())
        return;
    m_platform.postNotice(
        {.summary = tr("The alarm at %1 may not be heard").arg(time),
         .body = tr("%1. Turn the sound up in the sound settings to hear it.").arg(why.join(tr(", and ")))},
        {});
}

QStringList PlanNotices::whyUnheard(const SoundCheck &check)
{
    QStringList why;
    if (check.output != SoundCheck::Server)
        return why;
    if (check.outputMuted)
        why << tr("the sound is muted");
    else if (check.outputPercent < kQuietPercent)
        why << tr("the sound is at %1 %").arg(check.outputPercent);
    if (check.streamMuted)
        why << tr("ALARM's sound is muted");
    else if (check.streamPercent < kQuietPercent)
        why << tr("ALARM's volume is %1 %").arg(check.streamPercent);
    if (!why.isEmpty())
        why.first()[0] = why.first()[0].toUpper();
    return why;
}

void PlanNotices::ringing(const QString &target)
{
    m_platform.markUrgent(m_window, true);
    if (m_ringing != 0)
        return;
    m_ringing = m_platform.postNotice({.summary = tr("Alarm"),
                                       .body = timeOf(target),
                                       .critical = true,
                                       .actionLabel = translation::text("Alarm", "OFF")},
                                      [this] { m_pressOff(PlanState::Ringing); });
}

void PlanNotices::planEnded()
{
    withdrawWarning();
    if (m_ringing != 0) {
        m_platform.withdrawNotice(std::exchange(m_ringing, 0));
        m_platform.markUrgent(m_window, false);
    }
}

void PlanNotices::warnBeforeShutdown(const QString &target, const QString &now)
{
    const int goal = minuteOfDay(target);
    if (m_warning != 0 || goal < 0 || minuteOfDay(now) != (goal + 24 * 60 - 1) % (24 * 60))
        return;
    const QString time = timeOf(target);
    m_warning = m_platform.postNotice(
        {.summary = tr("The computer will power off at %1").arg(time),
         .body = tr("ALARM will shut the computer down at %1 and close running applications "
                    "without asking. To keep it running, choose Cancel shut-down, or press OFF "
                    "in ALARM.")
                     .arg(time),
         .critical = true,
         .actionLabel = tr("Cancel shut-down")},
        [this] { m_pressOff(PlanState::ShutdownArmed); });
}

void PlanNotices::withdrawWarning()
{
    if (m_warning != 0)
        m_platform.withdrawNotice(std::exchange(m_warning, 0));
}

void PlanNotices::shutdownSkipped(const QString &target, const SkippedMinute &skipped)
{
    withdrawWarning();
    const QString time = timeOf(target);
    m_platform.printError(QStringLiteral("the planned shut-down at %1 did not happen: %2")
                              .arg(time, causeText(skipped.cause, false)));
    m_platform.postNotice({.summary = tr("The planned shut-down at %1 did not happen").arg(time),
                           .body = tr("The computer was not powered off, because %1. The plan stays "
                                      "armed for %2 tomorrow.")
                                       .arg(causeText(skipped.cause, true), time)},
                          {});
}

void PlanNotices::shutdownFailed(const QString &target, const QString &reason)
{
    // Counted in real time, so that setting the clock can neither hold a line or notice back nor
    // repeat it. Without the machine's clocks nothing can be counted, and nothing is told.
    qint64 nowMs = 0;
    try {
        nowMs = m_platform.readClock().realMs;
    } catch (const PlatformError &) {
        return;
    }
    const QString time = timeOf(target);
    // Standard error hears each cause once a minute, not at every attempt of the minute.
    const auto told = m_failureLinesMs.find(reason);
    if (told == m_failureLinesMs.end() || nowMs - *told >= kFailureNoticeIntervalMs) {
        forgetOldFailures(nowMs);
        m_failureLinesMs.insert(reason, nowMs);
        m_platform.printError(QStringLiteral("the planned shut-down at %1 failed: %2").arg(time, reason));
    }
    if (m_lastFailureNoticeMs && nowMs - *m_lastFailureNoticeMs < kFailureNoticeIntervalMs)
        return;
    m_lastFailureNoticeMs = nowMs;
    m_platform.postNotice({.summary = tr("The computer was not powered off"),
                           .body = tr("The planned shut-down at %1 failed: %2. ALARM keeps trying while "
                                      "the minute lasts, and again tomorrow.")
                                       .arg(time, reason)},
                          {});
}

// Causes told more than a minute ago may be told again, so they need not be remembered.
void PlanNotices::forgetOldFailures(qint64 nowMs)
{
    for (auto told = m_failureLinesMs.begin(); told != m_failureLinesMs.end();)
        told = nowMs - *told >= kFailureNoticeIntervalMs ? m_failureLinesMs.erase(told) : std::next(told);
}

void PlanNotices::alarmMissed(const QString &target, const SkippedMinute &skipped)
{
    const QString time = timeOf(target);
    m_platform.printError(
        QStringLiteral("missed the alarm at %1: %2").arg(time, causeText(skipped.cause, false)));
    m_platform.postNotice({.summary = tr("Missed alarm at %1").arg(time),
                           .body = tr("The alarm did not ring, because %1. It stays set for %2 tomorrow.")
                                       .arg(causeText(skipped.cause, true), time)},
                          {});
}

void PlanNotices::alarmCannotWake(const QString &target)
{
    const QString time = timeOf(target);
    m_platform.printError(
        QStringLiteral("the alarm at %1 can ring only if the computer is awake: nothing can wake it from "
                       "this sleep")
            .arg(time));
    m_platform.postNotice(
        {.summary = tr("The alarm at %1 can ring only if the computer is awake").arg(time),
         .body = tr("The computer is going to sleep, and ALARM found no way to wake it. Wake it "
                    "before %1 for the alarm to ring.")
                     .arg(time)},
        {});
}
