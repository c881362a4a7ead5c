// SPDX-License-Identifier: MIT
// libFuzzer target for alarm-wake's one argument: the parser must never crash, and it must take
// exactly what a second, independently written check takes, for a fixed now.
#include "WakeTime.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::time_t kNow = 1'800'000'000;

bool takenByHand(const std::string &text)
{
    if (text.empty() || text.size() > 12 || text[0] == '0' ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long long value = std::stoll(text);
    return value > kNow && value <= kNow + 48 * 3600;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An argument ends at its first NUL, as the kernel hands it over.
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    const std::optional<std::time_t> parsed = alarmwake::parseWakeTime(text.c_str(), kNow);
    if (parsed.has_value() != takenByHand(text) || (parsed && std::to_string(*parsed) != text))
        std::abort();
    return 0;
}
