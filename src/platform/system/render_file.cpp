// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/render_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/system/write_all.h"

namespace posteri {

namespace {

// The one named render file of the process that still has to go, for the signal handlers: a plain
// buffer and a lock-free flag, which is all a handler may touch.
std::array<char, PATH_MAX> g_litter{};
std::atomic<bool> g_has_litter{false};

void note_litter(const std::string& path) {
    if (g_has_litter.load(std::memory_order_acquire) || path.size() >= g_litter.size()) return;
    std::memcpy(g_litter.data(), path.c_str(), path.size() + 1);
    g_has_litter.store(true, std::memory_order_release);
    // A run ended through exit() (the console's answer to an ending signal) removes it too.
    [[maybe_unused]] static const int at_exit = std::atexit(remove_render_litter);
}

void forget_litter(const std::string& path) {
    if (g_has_litter.load(std::memory_order_acquire) && path == g_litter.data()) {
        g_has_litter.store(false, std::memory_order_release);
    }
}

// Renames without ever replacing a file; errno on failure (EEXIST when the name is taken).
int move_without_overwrite(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system that cannot rename that way can still refuse a taken name through a link.
    if (link(from.c_str(), to.c_str()) != 0) return errno;
    unlink(from.c_str());
    return 0;
}

void on_ending_signal(int signal_number) {
    remove_render_litter();
    // The handler was reset on entry: the signal, raised again, ends the process once this returns.
    ::raise(signal_number);
}

}  // namespace

RenderFile::RenderFile(const std::string& folder, bool try_unnamed) {
    if (!try_unnamed) {
        open_named(folder);
        return;
    }
    // Without O_EXCL, so that the file can be linked under a name later.
    do {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0) {
        // Linked and read through the descriptor's /proc entry: linking the descriptor itself
        // (AT_EMPTY_PATH) needs a capability that ordinary users do not have.
        path_ = "/proc/self/fd/" + std::to_string(fd_);
        return;
    }
    // A file system without unnamed files answers EOPNOTSUPP (an old kernel EISDIR, some EINVAL).
    // Whatever the refusal, the named file is tried; if it cannot be made either, its error is the
    // one reported (a folder removed under the run refuses unnamed files with EPERM, named ones
    // with ENOENT, which says what happened).
    open_named(folder);
}

void RenderFile::open_named(const std::string& folder) {
    path_ = folder + "/.posteri-XXXXXX.pdf";
    fd_ = mkostemps(path_.data(), 4, O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        path_.clear();
        return;
    }
    named_ = true;
    note_litter(path_);
}

RenderFile::~RenderFile() {
    if (fd_ >= 0) ::close(fd_);
    if (named_ && !linked_) {
        unlink(path_.c_str());
        forget_litter(path_);
    }
}

void RenderFile::write(const unsigned char* data, unsigned int length) {
    if (error_ == 0) error_ = write_all(fd_, std::string_view(reinterpret_cast<const char*>(data), length));
}

int RenderFile::link_as(const std::string& target) {
    if (error_ != 0) return error_;
    // The file was made private while it was written; the poster gets the permissions of any new file.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd_, 0666 & ~mask) != 0) return errno;
    if (named_) {
        if (const int error = move_without_overwrite(path_, target)) return error;
        forget_litter(path_);
        path_ = target;
    } else if (linkat(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return errno;
    }
    linked_ = true;
    return 0;
}

void remove_render_litter() {
    if (!g_has_litter.exchange(false, std::memory_order_acq_rel)) return;
    ::unlink(g_litter.data());
}

void remove_render_litter_on_ending_signals() {
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        ::sigaction(signal_number, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_ending_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal_number, &action, nullptr);
    }
}

}  // namespace posteri
