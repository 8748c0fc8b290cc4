// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Work run in a forked child, to measure the memory it costs apart from what this process holds.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

namespace posteri::test {

struct ChildRun {
    int exit_code = -1;       // what the work returned
    long added_peak_kb = -1;  // the child's peak less the resident pages it started with
};

inline ChildRun run_in_child(const std::function<int()>& work) {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) return {};
    return {WEXITSTATUS(status), usage.ru_maxrss - resident * (::sysconf(_SC_PAGESIZE) / 1024)};
}

}  // namespace posteri::test
