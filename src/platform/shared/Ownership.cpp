// SPDX-License-Identifier: MIT
#include "Ownership.h"

#include <cerrno>
#include <cstring>

namespace ownership {

std::string problem(const struct stat &info, uid_t user, bool stickyPasses)
{
    if (S_ISLNK(info.st_mode))
        return "is a symbolic link";
    if (info.st_uid != user && info.st_uid != 0)
        return "belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    if (stickyPasses && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX))
        return {};
    // Group members may be other people; a private group cannot be told apart from a shared one.
    if (info.st_mode & S_IWOTH)
        return "can be changed by other users";
    if (info.st_mode & S_IWGRP)
        return "can be changed by its group";
    return {};
}

std::string directoryProblem(const std::string &path, uid_t user)
{
    if (path.empty() || path.front() != '/')
        return "'" + path + "' is not an absolute path";
    std::string current = path;
    while (current.size() > 1 && current.back() == '/')
        current.pop_back();
    bool innermost = true;
    for (;;) {
        struct stat info {
        };
        if (::lstat(current.c_str(), &info) != 0)
            return current + ": " + std::strerror(errno);
        if (!S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode))
            return current + " is not a directory";
        const std::string reason = problem(info, user, !innermost);
        if (!reason.empty())
            return current + " " + reason;
        if (current == "/")
            return {};
        const std::size_t slash = current.find_last_of('/');
        current = slash == 0 ? std::string("/") : current.substr(0, slash);
        innermost = false;
    }
}

} // namespace ownership
