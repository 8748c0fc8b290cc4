// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Running the measured programs as children and measuring cases in turn: wall time from start to
// exit, the child's peak memory (wait4) and the size of the PDF it wrote.
//
// Children start with posix_spawn, which lends them this process's memory until they exec, and the
// kernel carries that memory's high-water mark into the child's peak: the driver holds no photo.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace posteri::bench {

struct ChildRun {
    bool succeeded = false;
    double seconds = 0;
    long peak_kb = 0;
    std::string out;
    std::string err;
};

std::string file_text(const std::string& path);

// Runs args[0] (looked up in PATH) with its output collected in files of `scratch`.
ChildRun run_child(const std::vector<std::string>& args, const std::string& scratch);

// The PDF a posteri-batch run names on its "PDF: " line.
std::optional<std::string> reported_pdf(const std::string& out);

struct Sample {
    double seconds = 0;
    long peak_kb = 0;
    std::uintmax_t pdf_bytes = 0;
};

struct Measured {
    std::string name;
    std::vector<Sample> samples;
    std::string failure;

    bool ok() const { return failure.empty() && !samples.empty(); }
    double median_seconds() const;
    long peak_kb() const;
    std::uintmax_t pdf_bytes() const { return samples.back().pdf_bytes; }
};

// One case: how a run is made, and the PDF it wrote (measured and removed after each run); a case
// without `pdf_of` writes none.
struct Case {
    std::string name;
    std::function<ChildRun()> run;
    std::function<std::optional<std::string>(const ChildRun&)> pdf_of;
};

// Every case once, then again, `runs` times: cases measured together meet the same machine.
std::vector<Measured> measure_in_turn(const std::vector<Case>& cases, int runs);

}  // namespace posteri::bench
