// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusUnixFileDescriptor>
#include <QVariant>

#include <fcntl.h>

// A descriptor of the program's own for the one a D-Bus answer carries, or -1. It is closed on
// exec, so that no program ALARM starts keeps a lock alive, and it stays open when the answer goes.
inline int ownDescriptor(const QVariant &value)
{
    const int fd = value.value<QDBusUnixFileDescriptor>().fileDescriptor();
    return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}
