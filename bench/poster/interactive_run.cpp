// SPDX-License-Identifier: GPL-3.0-or-later
#include "poster/interactive_run.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace posteri::bench {

namespace fs = std::filesystem;

InteractiveRun::InteractiveRun(std::string program, std::string workdir, std::string photo_stem,
                               std::string printer)
    : program_(std::move(program)),
      workdir_(std::move(workdir)),
      stem_(std::move(photo_stem)),
      printer_(std::move(printer)),
      socket_("posteri-bench-" + std::to_string(getpid())) {}

InteractiveRun::~InteractiveRun() {
    tmux({"kill-server"});
}

ChildRun InteractiveRun::operator()() {
    ChildRun run;
    tmux({"kill-server"});
    const std::string command = "cd '" + workdir_ +
                                "' && exec env -u DISPLAY -u WAYLAND_DISPLAY LANG=C.UTF-8 "
                                "TERM=tmux-256color '" +
                                program_ + "'";
    if (!tmux({"-f", "/dev/null", "new-session", "-d", "-x", "120", "-y", "40", "-s", "bench", command}) ||
        !wait_for("Scegli il file") || !type(stem_) || !press("Enter") ||
        !wait_for("Scelta della stampante") || !type(printer_) || !press("Enter") ||
        !wait_for("ok, vai con questi parametri.") || !press("Up")) {
        run.err = "the run did not reach the parameter editor";
        return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the highlight on the "ok" row
    const auto start = std::chrono::steady_clock::now();
    press("Enter");
    while (!fs::exists(pdf())) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) {
            run.err = "no PDF after the confirmation";
            return run;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.succeeded = wait_for("Riassunto poster");
    run.peak_kb = program_peak_kb();
    press("Escape");
    return run;
}

bool InteractiveRun::tmux(std::vector<std::string> args, std::string* out) const {
    args.insert(args.begin(), {"tmux", "-L", socket_});
    const ChildRun run = run_child(args, workdir_ + "/..");
    if (out != nullptr) *out = run.out;
    return run.succeeded;
}

bool InteractiveRun::type(const std::string& text) const {
    return tmux({"send-keys", "-t", "bench", "-l", text});
}

bool InteractiveRun::press(const std::string& key) const {
    return tmux({"send-keys", "-t", "bench", key});
}

bool InteractiveRun::wait_for(const std::string& text) const {
    for (int tries = 0; tries < 2000; ++tries) {
        std::string screen;
        if (tmux({"capture-pane", "-p", "-t", "bench"}, &screen) && screen.find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

long InteractiveRun::program_peak_kb() const {
    std::string pid;
    if (!tmux({"display-message", "-p", "-t", "bench", "#{pane_pid}"}, &pid)) return 0;
    std::ifstream status("/proc/" + std::to_string(std::atoi(pid.c_str())) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

}  // namespace posteri::bench
