// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/stderr_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

#include "platform/system/write_all.h"

namespace posteri {

namespace {

// More than the libraries ever say; anything beyond is dropped, never waited for.
std::array<char, 64 * 1024> g_captured{};
std::atomic<std::size_t> g_captured_length{0};
volatile std::sig_atomic_t g_real_stderr = -1;
volatile std::sig_atomic_t g_pipe_read = -1;

}  // namespace

void capture_stderr() {
    if (g_real_stderr >= 0) return;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    const int real = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    // A writer never blocks on a full pipe (the write end is non-blocking as well): a library that
    // says too much loses the rest instead of stopping the run.
    if (real < 0 || ::dup2(ends[1], STDERR_FILENO) < 0) {
        if (real >= 0) ::close(real);
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    ::close(ends[1]);
    g_captured_length = 0;
    g_pipe_read = ends[0];
    g_real_stderr = real;
}

void drain_stderr() {
    const int pipe = g_pipe_read;
    if (pipe < 0) return;
    std::array<char, 4096> chunk;
    for (;;) {
        const ssize_t got = ::read(pipe, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        const std::size_t length = g_captured_length;
        const std::size_t kept = std::min(std::size_t(got), g_captured.size() - length);
        std::copy_n(chunk.data(), kept, g_captured.data() + length);
        g_captured_length = length + kept;
    }
}

void release_stderr() {
    const int real = g_real_stderr;
    if (real < 0) return;
    g_real_stderr = -1;
    ::dup2(real, STDERR_FILENO);
    ::close(real);
    drain_stderr();
    ::close(g_pipe_read);
    g_pipe_read = -1;
    const std::string_view captured(g_captured.data(), g_captured_length);
    [[maybe_unused]] const int lost = write_all(STDERR_FILENO, captured);
    g_captured_length = 0;
}

}  // namespace posteri
