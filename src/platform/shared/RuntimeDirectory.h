// SPDX-License-Identifier: MIT
#pragma once

// The user's private runtime directory, found as the file system names it (bytes, whatever their
// encoding). Plain C++ and POSIX: the window and alarm-cmd share it.

#include <string>

#include <sys/types.h>

namespace ownership {

struct RuntimeDirectory {
    // The directory, or empty when none of the user's own can be had.
    std::string path;
    // Why XDG_RUNTIME_DIR was passed over, or why there is no directory at all; empty when
    // XDG_RUNTIME_DIR was taken as it is.
    std::string remark;
};

// XDG_RUNTIME_DIR when it is a directory of user's that no one else may write; otherwise
// "runtime-<user name>" in TMPDIR (or /tmp), made private to the user when missing and taken only
// when it is a real directory of the user's that no one else may write.
RuntimeDirectory findRuntimeDirectory(uid_t user);

} // namespace ownership
