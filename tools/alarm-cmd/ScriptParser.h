// SPDX-License-Identifier: MIT
#pragma once

// Reads and checks the command script the window writes. Only plain C++ and POSIX here, so the
// fuzzer and the tests can reach it without Qt.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace alarmcmd {

enum class Action { PowerOff, Restart };

struct ShutdownCommand {
    Action action = Action::PowerOff;
    bool force = false;
    std::uint32_t delaySeconds = 0;

    friend bool operator==(const ShutdownCommand &, const ShutdownCommand &) = default;
};

// Either a command or the reason the script was refused, never both.
struct ParseResult {
    std::optional<ShutdownCommand> command;
    std::string error;

    explicit operator bool() const { return command.has_value(); }
};

// A real shut-down script is one short line; anything this large is not one.
inline constexpr std::size_t maxScriptBytes = 4096;
// Ten years, the longest delay the command accepts.
inline constexpr std::uint32_t maxDelaySeconds = 315360000;

// Accepts exactly one shut-down command line, optionally surrounded by blank lines, with CRLF or LF
// line ends. Every switch may appear at most once; -s and -r exclude each other.
ParseResult parseScript(std::string_view bytes);

// Reads the regular file at path (refusing directories, devices, FIFOs and oversized files) and
// parses it. A symbolic link is not followed, and a file that anyone but the user and root owns or
// could have replaced or changed (through its directory or its own mode) is refused.
ParseResult readScript(const std::string &path);

// "power off now, forced", "restart in 60 s".
std::string describe(const ShutdownCommand &command);

} // namespace alarmcmd
