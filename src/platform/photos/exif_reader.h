// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few EXIF facts a photo's size depends on: its resolution and how its pixel grid turns
// upright. Every offset in the block is checked against the block's own bytes.

#include <cstddef>
#include <optional>
#include <string_view>

namespace posteri {

struct ExifResolution {
    float dpi_x = 0;
    float dpi_y = 0;
};

struct ExifFacts {
    // Present only when both values are non-zero and the unit is inches or centimetres.
    std::optional<ExifResolution> resolution;
    // 1..8; a missing, zero or unknown value reads as 1 (as stored).
    int orientation = 1;
};

// Whether an APP1 segment's payload is an EXIF block (starts with "Exif\0\0"): APP1 also carries
// other data, XMP most often, before or after it.
bool is_exif_segment(const unsigned char* data, std::size_t size);

// `data` is an APP1 segment's payload, starting with "Exif\0\0"; anything else gives no facts.
ExifFacts read_exif(const unsigned char* data, std::size_t size);

// An EXIF block as containers other than JPEG's store it: the TIFF block alone, or behind the
// "Exif\0\0" that a JPEG's APP1 segment starts with, as some programs write it.
ExifFacts read_exif_block(std::string_view block);

}  // namespace posteri
