// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the photo room reads in a PNG's chunks itself: an iCCP chunk's profile (with zlib) and the
// check that the image data holds all of its rows. Both inflate within bounds, so that no chunk
// costs more than a few megabytes whatever its data claims.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace posteri {

// The profile of an iCCP chunk's data (a name, a zero, compression method 0, the deflated
// profile); empty when it is damaged or inflates to more than any real profile holds (4 MB).
std::string inflated_profile(std::string_view chunk);

// Whether the IDAT pieces hold one whole deflate stream of exactly `rows` rows of `row_bytes`,
// each led by a filter type PNG knows: what a PDF reader's Flate filter reads in full. Checksums
// guard the chunks against damage, not against a writer that stored a stream cut short, damaged
// inside, or of too few rows. Everything is inflated and dropped as it comes.
bool rows_are_whole(const std::vector<std::string_view>& pieces, std::uint64_t row_bytes, std::uint64_t rows);

}  // namespace posteri
