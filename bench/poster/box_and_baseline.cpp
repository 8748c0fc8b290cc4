// SPDX-License-Identifier: GPL-3.0-or-later
#include "poster/box_and_baseline.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "poster/child_runs.h"

namespace posteri::bench {

namespace {

constexpr double kA4LongMm = 297, kA4ShortMm = 210;
constexpr int kSheetDpi = 600;  // the A4 PDF printer's device pixels per inch

struct ValueSpan {
    std::size_t start = 0, end = 0;  // the bytes between "=" and the line's CR LF
};

// Where the value of `key` lies in a settings file's text.
std::optional<ValueSpan> value_span(const std::string& text, const std::string& key) {
    const std::size_t line = text.find(key + " ");
    const std::size_t equals = line == std::string::npos ? line : text.find('=', line);
    const std::size_t end = equals == std::string::npos ? equals : text.find("\r\n", equals);
    if (end == std::string::npos) return std::nullopt;
    return ValueSpan{equals + 1, end};
}

std::optional<double> setting_number(const std::string& settings_path, const std::string& key) {
    const std::string text = file_text(settings_path);
    const std::optional<ValueSpan> span = value_span(text, key);
    if (!span) return std::nullopt;
    return std::strtod(text.substr(span->start, span->end - span->start).c_str(), nullptr);
}

// One side of the photo box: a negative entry is a margin counted from the printable edge, 0 the
// whole sheet. Centimetres go through the printer's own single-precision dots per centimetre.
double box_side_cm(double entered, double position, int sheet_pixels) {
    const float dots_per_cm = static_cast<float>(kSheetDpi) / 2.54f;
    const double sheet_cm = sheet_pixels / static_cast<double>(dots_per_cm);
    const double side = entered < 0 ? entered + sheet_cm - position : entered;
    return side == 0 ? sheet_cm : side;
}

int sheet_pixels(double millimetres) {
    return static_cast<int>(std::nearbyint(millimetres / 25.4 * kSheetDpi));
}

}  // namespace

bool set_setting(const std::string& settings_path, const std::string& key, const std::string& value) {
    std::string text = file_text(settings_path);
    const std::optional<ValueSpan> span = value_span(text, key);
    if (!span) return false;
    text.replace(span->start, span->end - span->start, " " + value + " ");
    std::ofstream file(settings_path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file << text);
}

std::optional<BoxMm> photo_box(const std::string& settings_path) {
    const auto px = setting_number(settings_path, "a.px_cm");
    const auto py = setting_number(settings_path, "a.py_cm");
    const auto width = setting_number(settings_path, "a.larghezza_cm");
    const auto height = setting_number(settings_path, "a.altezza_cm");
    if (!px || !py || !width || !height) return std::nullopt;
    return BoxMm{10 * box_side_cm(*width, *px, sheet_pixels(kA4LongMm)),
                 10 * box_side_cm(*height, *py, sheet_pixels(kA4ShortMm))};
}

std::vector<std::string> img2pdf_args(int fit_mode, const BoxMm& box, const std::string& photo,
                                      const std::string& pdf) {
    char size[64];
    std::vector<std::string> args = {"img2pdf", "--pagesize", "A4^T", "--imgsize"};
    if (fit_mode == 0) {  // the box's height, the width following the photo's proportions
        std::snprintf(size, sizeof size, "x%.2fmm", box.height);
        args.push_back(size);
    } else {
        static const char* const kFits[] = {"", "exact", "into", "fill"};
        std::snprintf(size, sizeof size, "%.2fmmx%.2fmm", box.width, box.height);
        args.insert(args.end(), {size, "--fit", kFits[fit_mode]});
    }
    args.insert(args.end(), {"-o", pdf, photo});
    return args;
}

}  // namespace posteri::bench
