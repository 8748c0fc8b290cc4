// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/x11_display_probe.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace posteri {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);

}  // namespace

DisplayAnswer probe_x_display(std::chrono::milliseconds limit) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return DisplayAnswer::NoDisplay;
    const pid_t child = ::fork();
    if (child < 0) return DisplayAnswer::Answers;  // cannot ask: the display is used as it is
    if (child == 0) {
        // The parent's handlers would give its terminal back: the child just ends on these.
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::signal(signal_number, SIG_DFL);
        // Ends by itself should the parent be gone before it could stop it.
        ::alarm(unsigned(std::chrono::ceil<std::chrono::seconds>(limit).count()) + 1);
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) ::_exit(1);
        XCloseDisplay(display);
        ::_exit(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            return DisplayAnswer::Silent;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? DisplayAnswer::Answers : DisplayAnswer::NoDisplay;
}

}  // namespace posteri
