// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JPEG XL photos made on the spot by libjxl's own encoder (cjxl) from photos made by test_photos,
// and a codestream header written bit by bit, for tests and benchmarks.

#include <filesystem>
#include <string>

namespace posteri::test {

// The JPEG XL cjxl makes, with its `options`, of `source`: a JPEG's or a PNG's bytes, first
// written into `folder`. Throws when cjxl fails.
std::string make_jxl(const std::string& source, const std::string& options,
                     const std::filesystem::path& folder);

// The start of a bare codestream whose size header claims width x height, with default metadata,
// cut short before its first frame.
std::string jxl_claiming(int width, int height);

}  // namespace posteri::test
