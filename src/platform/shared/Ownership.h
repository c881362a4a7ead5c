// SPDX-License-Identifier: MIT
#pragma once

// Whether anyone but the user and root could change a file or a directory. What only they can
// change, no other local user can swap between the moment it is checked and the moment it is used,
// so a check made once holds. Plain C++ and POSIX: the window and alarm-cmd share it.

#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace ownership {

// Why the object that info describes could be changed by someone other than user and root, or
// empty. A sticky directory (like /tmp) passes when stickyPasses: others may add to it, but cannot
// rename or remove what belongs to the user or root.
std::string problem(const struct stat &info, uid_t user, bool stickyPasses);

// Checks the directory at path strictly and every directory above it up to "/", where sticky ones
// pass. No symbolic link is followed, so path must be canonical. Returns the first problem as
// "<path> <reason>", or empty.
std::string directoryProblem(const std::string &path, uid_t user);

} // namespace ownership
