// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"

#include "AudioPlayer.h"
#include "DecoratedFrame.h"
#include "DesktopNotifications.h"
#include "LocaleTimeText.h"
#include "power/SleepControl.h"

#include <QDateTime>
#include <QMessageBox>

#include <ctime>

DesktopPlatform::DesktopPlatform() = default;
DesktopPlatform::~DesktopPlatform() = default;

QTime DesktopPlatform::currentTime()
{
    return QTime::currentTime();
}

QString DesktopPlatform::currentTimeText()
{
    return clockTimeText(QTime::currentTime(), QLocale::system());
}

namespace {
qint64 milliseconds(clockid_t clock)
{
    timespec now{};
    if (clock_gettime(clock, &now) != 0)
        throw PlatformError("cannot read the machine's clocks");
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}
} // namespace

ClockReading DesktopPlatform::readClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    return {now.time(), now.offsetFromUtc(), milliseconds(CLOCK_MONOTONIC), milliseconds(CLOCK_BOOTTIME)};
}

void DesktopPlatform::messageBox(const QString &prompt, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    if (DecoratedFrame::needed())
        DecoratedFrame::exec(box);
    else
        box.exec();
}
