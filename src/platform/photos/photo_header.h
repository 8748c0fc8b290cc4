// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a photo file's headers say, read without decoding any pixels: a JPEG through libjpeg's
// header reader and its EXIF block, a PNG, or a WebP. The kind is told by the file's first bytes (a
// PNG saved under a .jpg name is still a photo).

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/photos/images.h"
#include "platform/photos/photo_kinds.h"

namespace posteri {

struct PhotoHeader {
    PhotoKind kind = PhotoKind::Jpeg;
    int stored_width = 0;  // the pixel grid as stored, before the orientation is applied
    int stored_height = 0;
    float dpi_x = 96;      // along the stored grid's axes
    float dpi_y = 96;
    int orientation = 1;   // EXIF 1..8
    // Colours a PDF page can carry in the file's own data: a JPEG's gray, YCbCr, CMYK or YCCK
    // (once Huffman-coded), a PNG's opaque rows stored in order; a WebP's, decoded, always.
    bool pdf_colours = false;
    bool arithmetic = false;  // JPEG only, as are the rest
    int components = 3;
    // Four components stored as Adobe's applications store them, inverted (0 = full ink); their
    // APP14 marker says so, whatever its transform.
    bool inverted = false;
    // As a JPEG's APP2 chunks carry it, reassembled, or a WebP's ICCP chunk; empty when there is none.
    std::string icc_profile;
};

using PhotoFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opens a photo by its Windows-1252 name; a null handle when it cannot be opened.
PhotoFile open_photo(const std::string& path);

// Reads from the file's current position; nothing when the headers cannot be read, or the file is
// of a kind not read here.
std::optional<PhotoHeader> read_photo_header(std::FILE* file);

// Orientations 5..8 turn the stored grid a quarter: width and height change places.
bool turns_quarter(int orientation);

// The facts of the upright photo.
PhotoFacts upright_facts(const PhotoHeader& header);

// Whether a 32-bit bitmap of this size can be held: positive sizes within the raster's limit and
// within half of the machine's memory. Checked before any pixel buffer is allocated.
bool fits_in_memory(long long width, long long height);
// The same without the raster's limit on a side, for what is held other than as a raster.
bool memory_holds(long long width, long long height);

// The bytes of the open file, a memory stream too, its position kept; -1 when they cannot be told.
long long file_size(std::FILE* file);

// Whether a file of `file_bytes` could code as many pixels as the header claims. A header that
// claims more is refused before anything is allocated for its pixels.
bool header_fits_file(const PhotoHeader& header, long long file_bytes);

}  // namespace posteri
