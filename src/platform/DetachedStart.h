// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>

#include <sys/types.h>

// What a started program's standard streams are.
enum class Streams {
    Inherited, // this program's own
    // Input and output from and to /dev/null, so that no pipe of whoever started this program is
    // held open by it; errors go on to a terminal, and nowhere else.
    Quiet,
};

// Starts the program at path, in a session of its own, as a grandchild that init adopts, so that
// nothing is left to reap and nothing is waited for beyond the start itself. argv[0] is the name
// it sees itself by. Returns its process id, or minus the errno of what failed.
pid_t startDetached(const QByteArray &path, const QList<QByteArray> &argv, Streams streams);
