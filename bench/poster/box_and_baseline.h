// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photo box a poster run used, read back from its settings file, and the img2pdf command that
// places the same photo in the same box on a landscape A4 page (the baseline of every case).

#include <optional>
#include <string>
#include <vector>

namespace posteri::bench {

// Replaces the value of `key` in a settings file, keeping the file's other bytes.
bool set_setting(const std::string& settings_path, const std::string& key, const std::string& value);

struct BoxMm {
    double width = 0, height = 0;
};

// The box on a landscape A4 sheet of the 600 dpi PDF printer (the photo is wider than tall), from
// the saved settings.
std::optional<BoxMm> photo_box(const std::string& settings_path);

// img2pdf as near as it comes to each fit mode; it always centres the image on the page.
std::vector<std::string> img2pdf_args(int fit_mode, const BoxMm& box, const std::string& photo,
                                      const std::string& pdf);

}  // namespace posteri::bench
