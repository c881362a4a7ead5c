// SPDX-License-Identifier: MIT
#pragma once

#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <dirent.h>
#include <unistd.h>

// A timer a process holds, as the kernel shows it in /proc/PID/fdinfo: the clock it counts on
// (8 is CLOCK_REALTIME_ALARM, the one that wakes a sleeping computer) and how long until it goes off.
struct HeldTimer {
    int clock = -1;
    qint64 secondsLeft = -1;
};

inline QList<HeldTimer> heldTimers(qint64 pid)
{
    QList<HeldTimer> timers;
    const QByteArray fds = QStringLiteral("/proc/%1/fd").arg(pid).toLocal8Bit();
    DIR *directory = ::opendir(fds.constData());
    for (const dirent *entry = directory ? ::readdir(directory) : nullptr; entry;
         entry = ::readdir(directory)) {
        char target[64]{};
        const QByteArray link = fds + '/' + entry->d_name;
        if (::readlink(link.constData(), target, sizeof target - 1) < 0 ||
            QByteArray(target) != "anon_inode:[timerfd]")
            continue;
        QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid).arg(QString::fromLatin1(entry->d_name)));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(info.readAll());
        const QRegularExpressionMatch clock =
            QRegularExpression(QStringLiteral("clockid: (\\d+)")).match(text);
        const QRegularExpressionMatch left =
            QRegularExpression(QStringLiteral("it_value: \\((\\d+),")).match(text);
        timers << HeldTimer{clock.captured(1).toInt(), left.captured(1).toLongLong()};
    }
    if (directory)
        ::closedir(directory);
    return timers;
}
