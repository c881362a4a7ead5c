// SPDX-License-Identifier: MIT
#include "NotificationStamp.h"

#include "FileFailure.h"

#include <charconv>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace alarmcmd {

NotificationStamp::NotificationStamp(std::string path, std::int64_t intervalSeconds)
    : m_path(std::move(path)), m_interval(intervalSeconds)
{}

bool NotificationStamp::claim(std::int64_t nowSeconds, QString *error)
{
    const auto fail = [&](const char *what) { return failure(what, m_path, error); };

    // O_NOFOLLOW: a link planted in the runtime directory must not make us write elsewhere.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail("cannot open");
    int locked;
    do
        locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool result = fail("cannot lock");
        ::close(fd);
        return result;
    }

    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    std::int64_t last = 0;
    const bool haveLast = got > 0 && std::from_chars(text, text + got, last).ec == std::errc() && last > 0;
    // A stamp far in the future (a clock set back) must not silence notifications for good.
    if (haveLast && nowSeconds - last < m_interval && last - nowSeconds < m_interval) {
        ::close(fd);
        return false;
    }

    const std::string stamp = std::to_string(nowSeconds) + "\n";
    const bool written = ::ftruncate(fd, 0) == 0 &&
                         ::pwrite(fd, stamp.data(), stamp.size(), 0) == static_cast<ssize_t>(stamp.size());
    const bool result = written ? true : fail("cannot write");
    ::close(fd);
    return result;
}

} // namespace alarmcmd
