// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace alarmcmd {

// A stamp file that lets one process in a whole crowd notify per interval. The file is locked
// while it is read and rewritten, so two interpreters starting together cannot both win.
class NotificationStamp
{
public:
    explicit NotificationStamp(std::string path, std::int64_t intervalSeconds = 60);

    // True when no claim succeeded in the interval before nowSeconds; a success records
    // nowSeconds. False, with error set, when the stamp cannot be used.
    bool claim(std::int64_t nowSeconds, QString *error = nullptr);

private:
    std::string m_path;
    std::int64_t m_interval;
};

} // namespace alarmcmd
