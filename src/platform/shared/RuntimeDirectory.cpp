// SPDX-License-Identifier: MIT
#include "RuntimeDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ownership {
namespace {

// Why path is no runtime directory of user's, or empty. A symbolic link is followed only when
// the name came from the user's own environment; in the shared temporary directory anyone could
// have planted one.
std::string unsuitable(const std::string &path, uid_t user, bool followLink)
{
    struct stat info {
    };
    if ((followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0)
        return path + ": " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return path + " is not a directory";
    if (info.st_uid != user)
        return path + " belongs to uid " + std::to_string(info.st_uid) + ", not to uid " +
               std::to_string(user);
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return path + " can be changed by other users";
    return {};
}

std::string userName(uid_t user)
{
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(user);
}

std::string temporaryDirectory()
{
    std::string directory = "/tmp";
    if (const char *fromEnvironment = std::getenv("TMPDIR"); fromEnvironment && *fromEnvironment)
        directory = fromEnvironment;
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    return directory;
}

} // namespace

RuntimeDirectory findRuntimeDirectory(uid_t user)
{
    RuntimeDirectory found;
    const char *fromEnvironment = std::getenv("XDG_RUNTIME_DIR");
    if (fromEnvironment && *fromEnvironment == '/') {
        found.remark = unsuitable(fromEnvironment, user, true);
        if (found.remark.empty()) {
            found.path = fromEnvironment;
            return found;
        }
        found.remark = "XDG_RUNTIME_DIR is passed over: " + found.remark;
    } else {
        found.remark = fromEnvironment && *fromEnvironment ? "XDG_RUNTIME_DIR is not an absolute path"
                                                           : "XDG_RUNTIME_DIR is not set";
    }

    const std::string fallback = temporaryDirectory() + "/runtime-" + userName(user);
    if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) {
        found.remark += "; cannot make " + fallback + ": " + std::strerror(errno);
        return found;
    }
    const std::string problem = unsuitable(fallback, user, false);
    if (!problem.empty()) {
        found.remark += "; " + problem;
        return found;
    }
    found.path = fallback;
    found.remark += "; using " + fallback;
    return found;
}

} // namespace ownership
