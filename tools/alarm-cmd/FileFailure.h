// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cerrno>
#include <cstring>
#include <string>

namespace alarmcmd {

// False, with error (if asked for) saying what failed on path and errno's reason.
inline bool failure(const char *what, const std::string &path, QString *error)
{
    if (error)
        *error = QStringLiteral("%1 %2: %3")
                     .arg(QString::fromUtf8(what), QString::fromLocal8Bit(path.c_str()),
                          QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace alarmcmd
