// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>

namespace alarmcmd {

// An exclusive lock on a file of the user's private runtime directory, held by one process at a
// time until it ends, however it ends (the kernel lets go of a dead process's lock).
class AttemptLock
{
public:
    explicit AttemptLock(std::string path);
    ~AttemptLock();
    AttemptLock(const AttemptLock &) = delete;
    AttemptLock &operator=(const AttemptLock &) = delete;

    // True when this object now holds the lock. False when another holds it, or, with error set,
    // when the lock cannot be used at all.
    bool claim(QString *error = nullptr);

private:
    std::string m_path;
    int m_fd = -1;
};

// Where the lock for the script at scriptPath lives in runtimeDirectory: one per script.
std::string attemptLockPath(const std::string &runtimeDirectory, const std::string &scriptPath);

} // namespace alarmcmd
