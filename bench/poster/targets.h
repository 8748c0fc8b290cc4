// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The poster benchmark's table and its targets: each case beside its baseline, and what it answers
// to (time as a share of img2pdf's, peak memory and PDF size over the photo's size, the huge PNG's
// own bounds).

#include <cstdint>
#include <optional>
#include <vector>

#include "poster/child_runs.h"

namespace posteri::bench {

struct Limits {
    double time_share = 0;     // most median wall time over the baseline's; 0 for none
    bool memory = false;       // peak RSS at most the photo's size + 40 MB
    bool compact_pdf = false;  // the PDF at most the photo's size + 200 KB
    bool huge = false;         // at most 10 s and 600 MB
    double most_seconds = 0;   // most median wall time; 0 for none
};

struct Row {
    Measured ours;
    std::optional<Measured> baseline;
    std::uintmax_t photo_bytes = 0;
    Limits limits;
};

// Median wall time, its share of the baseline's, peak memory and PDF size of every case.
void print_table(const std::vector<Row>& rows);

// Prints every target's verdict; returns how many were missed (a failed run counts as one).
int check_targets(const std::vector<Row>& rows);

}  // namespace posteri::bench
