// SPDX-License-Identifier: GPL-3.0-or-later
#include "poster/targets.h"

#include <sys/resource.h>

#include <cstdio>
#include <string>

namespace posteri::bench {

namespace {

constexpr std::uintmax_t kMemoryAllowance = 40u << 20;  // above the photo's size
constexpr std::uintmax_t kPdfAllowance = 200u << 10;    // above the photo's size
constexpr double kHugeMostSeconds = 10;
constexpr double kHugeMostMegabytes = 600;

double megabytes(std::uintmax_t bytes) {
    return static_cast<double>(bytes) / (1 << 20);
}

// `photo_bytes` 0 leaves the photo's size out.
void print_measured(const Measured& m, const std::optional<Measured>& baseline,
                    std::uintmax_t photo_bytes = 0) {
    if (!m.ok()) {
        std::printf("  %-40s FAILED: %s\n", m.name.c_str(), m.failure.c_str());
        return;
    }
    char share[32] = "";
    if (baseline && baseline->ok())
        std::snprintf(share, sizeof share, "%.3f", m.median_seconds() / baseline->median_seconds());
    char photo[32] = "";
    if (photo_bytes > 0) std::snprintf(photo, sizeof photo, "%.2f", megabytes(photo_bytes));
    std::printf("  %-40s %9.1f %9s %9.1f %9.2f %9s\n", m.name.c_str(), 1000 * m.median_seconds(), share,
                m.peak_kb() / 1024.0, megabytes(m.pdf_bytes()), photo);
}

std::string format(const char* pattern, double a, double b) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

struct Tally {
    int missed = 0;
    void check(bool met, const std::string& what, const std::string& detail) {
        std::printf("  %s  %-30s %s\n", met ? "PASS" : "MISS", what.c_str(), detail.c_str());
        if (!met) ++missed;
    }
};

void check_row(Tally& tally, const Row& row) {
    std::printf("%s\n", row.ours.name.c_str());
    if (!row.ours.ok()) {
        tally.check(false, "run", row.ours.failure);
        return;
    }
    const Limits& limits = row.limits;
    const double seconds = row.ours.median_seconds(), peak_mb = row.ours.peak_kb() / 1024.0;
    if (limits.time_share > 0 && row.baseline && row.baseline->ok()) {
        const double share = seconds / row.baseline->median_seconds();
        tally.check(
            share <= limits.time_share, format("time <= %.2f x baseline", limits.time_share, 0),
            format("%.3f x ", share, 0) + row.baseline->name + format(" (%.0f ms)", 1000 * seconds, 0));
    }
    if (limits.most_seconds > 0) {
        tally.check(seconds <= limits.most_seconds, format("time <= %.0f ms", 1000 * limits.most_seconds, 0),
                    format("%.1f ms", 1000 * seconds, 0));
    }
    if (limits.huge) {
        tally.check(seconds <= kHugeMostSeconds, "time <= 10 s",
                    format("%.2f s of at most %.0f s", seconds, kHugeMostSeconds));
        tally.check(peak_mb <= kHugeMostMegabytes, "peak RSS <= 600 MB",
                    format("%.1f MB of at most %.0f MB", peak_mb, kHugeMostMegabytes));
    }
    if (limits.memory) {
        const double most_mb = megabytes(row.photo_bytes + kMemoryAllowance);
        tally.check(peak_mb <= most_mb, "peak RSS <= photo + 40 MB",
                    format("%.1f MB of at most %.1f MB", peak_mb, most_mb));
    }
    if (limits.compact_pdf) {
        const double pdf_mb = megabytes(row.ours.pdf_bytes()),
                     most_mb = megabytes(row.photo_bytes + kPdfAllowance);
        tally.check(pdf_mb <= most_mb, "PDF <= photo + 200 KB",
                    format("%.3f MB of at most %.3f MB", pdf_mb, most_mb));
    }
}

}  // namespace

void print_table(const std::vector<Row>& rows) {
    std::printf("  %-40s %9s %9s %9s %9s %9s\n", "case", "wall ms", "x base", "peak MB", "PDF MB",
                "photo MB");
    for (const Row& row : rows) {
        print_measured(row.ours, row.baseline, row.photo_bytes);
        if (row.baseline) print_measured(*row.baseline, std::nullopt);
    }
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::printf("  (this driver's own peak RSS, a floor for every child: %.1f MB)\n\n",
                self.ru_maxrss / 1024.0);
}

int check_targets(const std::vector<Row>& rows) {
    Tally tally;
    for (const Row& row : rows) check_row(tally, row);
    return tally.missed;
}

}  // namespace posteri::bench
