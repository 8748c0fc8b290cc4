// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photo kinds that PDF has no filter for, each read from its file's bytes by a reader of its own
// (a folder of photos/, its library in a module loaded on first use): their header facts, their
// first image decoded for a screen, and decoded for a page into rows it carries losslessly. A kind
// joins by one row of the table in decoded_kinds.cpp; the codec, the preview and the header reader
// take it from there.

#include <cairo.h>

#include <optional>
#include <string_view>

#include "platform/photos/pdf_image.h"
#include "platform/photos/photo_header.h"

namespace posteri {

struct DecodedKind {
    PhotoKind kind;
    // Fills `header` from the file's bytes; false when they cannot be read, the reader cannot be
    // loaded, or the header claims more than kMostDecodedPixels.
    bool (*read_header)(std::string_view file, PhotoHeader& header);
    // The stored grid as an RGB24 surface of at most `most_pixels`, in sRGB, transparency over
    // white; data cut short or damaged gives what was decoded of it, the rest white, and sets
    // `cut_short`; nullptr when nothing was.
    cairo_surface_t* (*screen_pixels)(std::string_view file, long long most_pixels, bool* cut_short);
    // The stored grid as a page carries it, in its own colours, of at most `most_pixels`; the same
    // for damaged data; nothing when nothing was decoded.
    std::optional<PdfImage> (*pdf_image)(std::string_view file, long long most_pixels, bool& cut_short);
};

// The reader of a kind decoded so; nullptr for a kind that is not (JPEG, PNG) or has no reader yet.
const DecodedKind* decoded_kind(PhotoKind kind);

}  // namespace posteri
