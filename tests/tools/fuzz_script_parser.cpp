// SPDX-License-Identifier: MIT
// libFuzzer target for the alarm-cmd script parser: it must never crash, and whatever it accepts
// must pass a second, independently written check of what a shut-down script looks like.
#include "ScriptParser.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

using alarmcmd::Action;
using alarmcmd::ShutdownCommand;

namespace {

bool allowedByte(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c != 0 && std::strchr(" \t\r\n\\/:._-", c) != nullptr);
}

// True when bytes is one shutdown line (blank lines aside) that means exactly command.
bool isShutdownScriptFor(const std::string &bytes, const ShutdownCommand &command)
{
    if (bytes.empty() || bytes.size() > alarmcmd::maxScriptBytes)
        return false;
    std::string lowered;
    for (unsigned char c : bytes) {
        if (!allowedByte(c))
            return false;
        lowered += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }

    std::istringstream lines(lowered);
    std::string line;
    std::string commandLine;
    int commandLines = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find('\r') != std::string::npos)
            return false;
        if (line.find_first_not_of(" \t") != std::string::npos) {
            commandLine = line;
            ++commandLines;
        }
    }
    if (commandLines != 1)
        return false;

    std::istringstream words(commandLine);
    std::string program;
    words >> program;
    const std::size_t slash = program.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? program : program.substr(slash + 1);
    if (name != "shutdown" && name != "shutdown.exe")
        return false;

    int powerOff = 0, restart = 0, force = 0, delays = 0;
    std::uint64_t delay = 0;
    std::string word;
    while (words >> word) {
        if (word.size() != 2 || (word[0] != '-' && word[0] != '/'))
            return false;
        if (word[1] == 's') {
            ++powerOff;
        } else if (word[1] == 'r') {
            ++restart;
        } else if (word[1] == 'f') {
            ++force;
        } else if (word[1] == 't') {
            ++delays;
            std::string digits;
            if (!(words >> digits) || digits.find_first_not_of("0123456789") != std::string::npos)
                return false;
            digits.erase(0, digits.find_first_not_of('0'));
            if (digits.size() > 9)
                return false;
            delay = digits.empty() ? 0 : std::stoull(digits);
        } else {
            return false;
        }
    }
    if (powerOff + restart != 1 || force > 1 || delays > 1 || delay > alarmcmd::maxDelaySeconds)
        return false;
    return command.action == (powerOff ? Action::PowerOff : Action::Restart) &&
           command.force == (force == 1) && command.delaySeconds == delay;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const alarmcmd::ParseResult result = alarmcmd::parseScript(bytes);
    if (result.command.has_value() == !result.error.empty())
        std::abort();
    if (result &&
        (!isShutdownScriptFor(bytes, *result.command) || alarmcmd::describe(*result.command).empty()))
        std::abort();
    return 0;
}
