// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a whole buffer to a descriptor: write() may take part of it, or be interrupted by a signal.
// Uses nothing but write(), so signal handlers may call it too.

#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace posteri {

// 0, or the error that stopped the write (EIO when the descriptor takes nothing more).
inline int write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        if (written == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

}  // namespace posteri
