// SPDX-License-Identifier: GPL-3.0-or-later
#include "poster/child_runs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace posteri::bench {

namespace fs = std::filesystem;

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ChildRun run_child(const std::vector<std::string>& args, const std::string& scratch) {
    const std::string out_path = scratch + "/child.out", err_path = scratch + "/child.err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        run.err = "cannot start " + args[0];
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak_kb = usage.ru_maxrss;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.out = file_text(out_path);
    run.err = file_text(err_path);
    return run;
}

std::optional<std::string> reported_pdf(const std::string& out) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("PDF: ", 0) == 0) return line.substr(5);
    }
    return std::nullopt;
}

double Measured::median_seconds() const {
    std::vector<double> times;
    for (const Sample& sample : samples) times.push_back(sample.seconds);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long Measured::peak_kb() const {
    long peak = 0;
    for (const Sample& sample : samples) peak = std::max(peak, sample.peak_kb);
    return peak;
}

namespace {

void run_once(const Case& one, Measured& measured) {
    if (!measured.failure.empty()) return;
    const ChildRun run = one.run();
    if (!one.pdf_of && run.succeeded) {
        measured.samples.push_back({run.seconds, run.peak_kb, 0});
        return;
    }
    const std::optional<std::string> pdf = run.succeeded && one.pdf_of ? one.pdf_of(run) : std::nullopt;
    std::error_code error;
    const std::uintmax_t size = pdf ? fs::file_size(*pdf, error) : 0;
    if (!run.succeeded || !pdf || error) {
        measured.failure = run.err.empty() ? "no PDF" : run.err;
        return;
    }
    measured.samples.push_back({run.seconds, run.peak_kb, size});
    fs::remove(*pdf, error);
}

}  // namespace

std::vector<Measured> measure_in_turn(const std::vector<Case>& cases, int runs) {
    std::vector<Measured> measured;
    for (const Case& one : cases) measured.push_back(Measured{one.name, {}, {}});
    for (int i = 0; i < runs; ++i) {
        for (std::size_t c = 0; c < cases.size(); ++c) run_once(cases[c], measured[c]);
    }
    return measured;
}

}  // namespace posteri::bench
