// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/trusted_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace posteri {

namespace {

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Anyone may put names into such a folder, and the sticky bit keeps each name its owner's.
bool shared_sticky(const struct stat& folder) {
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// Whether a name at `path` that belongs to `owner` can be trusted: the running user's own, the
// folder owner's, or any name in a folder where only trusted users may make names.
bool trusted_owner(const std::string& path, uid_t owner) {
    if (owner == ::geteuid()) return true;
    struct stat folder {};
    if (::stat(folder_of(path).c_str(), &folder) != 0) return false;
    return !shared_sticky(folder) || owner == folder.st_uid;
}

}  // namespace

int follow_trusted_links(std::string& path) {
    constexpr int kMostLinkHops = 40;  // the kernel's own limit
    for (int hop = 0; hop < kMostLinkHops; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return 0;
        if (!trusted_owner(path, status.st_uid)) return ENXIO;
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) return error.value();
        path = (target.is_absolute() ? target : std::filesystem::path(path).parent_path() / target).string();
    }
    return ELOOP;
}

bool may_write_over(const std::string& path, const struct stat& status) {
    return trusted_owner(path, status.st_uid);
}

int open_trusted(const std::string& path, int flags, mode_t mode) {
    std::string target = path;
    if (const int error = follow_trusted_links(target)) {
        errno = error;
        return -1;
    }
    int fd = -1;
    do {
        fd = ::open(target.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int read_at_most(int fd, std::size_t most, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        const std::size_t room = most - bytes.size();
        bytes.append(buffer, std::min(static_cast<std::size_t>(got), room));
        if (static_cast<std::size_t>(got) > room) return EFBIG;
    }
}

}  // namespace posteri
