// SPDX-License-Identifier: MIT
// alarm-wake TIME: holds one wake-up timer for ALARM. TIME is when, in seconds since the epoch, at
// most 48 hours ahead. The timer is a CLOCK_REALTIME_ALARM one, which wakes the computer from
// sleep; setting one needs CAP_WAKE_ALARM, which the package gives this program and nothing else.
// It drops that capability as soon as the timer is set, says "armed", and holds the timer until
// its input closes (ALARM closing it, or ending) or the timer goes off. It reads no environment,
// opens no file and takes no other request.
#include "WakeTime.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <linux/capability.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

constexpr int kUsage = 2;
constexpr int kFailure = 1;

// Every capability gone, inherited ones too, for good: an empty permitted set cannot be refilled.
bool dropCapabilities()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3]{};
    return ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0 &&
           ::syscall(SYS_capset, &header, none) == 0;
}

// Until the input says anything, ends or fails, or the timer goes off.
void holdUntilReleased(int timer)
{
    pollfd watched[] = {{STDIN_FILENO, POLLIN, 0}, {timer, POLLIN, 0}};
    while (::poll(watched, 2, -1) < 0 && errno == EINTR) {
    }
}

} // namespace

int main(int argc, char *argv[])
{
    const std::optional<std::time_t> at =
        argc == 2 ? alarmwake::parseWakeTime(argv[1], std::time(nullptr)) : std::nullopt;
    if (!at) {
        dropCapabilities();
        // The argument is not repeated: it may hold anything, terminal controls included.
        std::fprintf(stderr, "usage: alarm-wake TIME, in seconds since the epoch, later than now and at "
                             "most 48 hours ahead\n");
        return kUsage;
    }
    const int timer = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    itimerspec when{};
    when.it_value.tv_sec = *at;
    const bool set = timer >= 0 && ::timerfd_settime(timer, TFD_TIMER_ABSTIME, &when, nullptr) == 0;
    const int error = errno;
    if (!dropCapabilities()) {
        std::fprintf(stderr, "alarm-wake: cannot drop its capabilities: %s\n", std::strerror(errno));
        return kFailure;
    }
    if (!set) {
        std::fprintf(stderr, "alarm-wake: cannot set a wake-up timer: %s\n", std::strerror(error));
        return kFailure;
    }
    std::fprintf(stdout, "armed\n");
    if (std::fflush(stdout) != 0)
        return kFailure;
    holdUntilReleased(timer);
    return 0;
}
