// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TIFF photos: their facts, and their first page decoded, for a screen or into the rows a page
// carries, through the TIFF decoder module (tiff_decoder.h).

#include <cairo.h>

#include <string>
#include <string_view>

#include "platform/photos/row_reducer.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/tiff/tiff_decoder.h"

namespace posteri {

// The features of the file's first page, and the decoder that read them; nullptr when it is no
// TIFF libtiff reads, its page claims more than kMostDecodedPixels, or its strips' data does not
// start within the file: all refused before anything is allocated for its pixels.
const TiffDecoder* tiff_features(std::string_view file, TiffFeatures& features);

// Fills `header` from the first page's directory: its size, resolution, orientation and ICC
// profile; false when tiff_features refuses it.
bool read_tiff_header(std::string_view file, PhotoHeader& header);

// The colour components of the page's samples as `decode` gives them Stored (1 grey, 3 RGB, 4
// CMYK); 3 for the RGB any other page is decoded to.
int tiff_components(const TiffFeatures& features);

// The first page decoded at `size` into rows of `row_bytes`, each behind `lead` bytes left as they
// were: its stored samples at `bits` where it has plain ones, else RGB over white. Sets `cut_short`
// when only part was decoded; false when nothing was.
bool decode_tiff_rows(std::string_view file, const TiffDecoder& decoder, const TiffFeatures& features,
                      ScaledSize size, int bits, std::string& rows, std::size_t lead, bool& cut_short);

// The first page as an RGB24 surface of at most `most_pixels`, in sRGB through its ICC profile when
// it carries a usable one; nullptr when it cannot be decoded. Data cut short or damaged gives what
// was decoded before it, the rest white, and sets `cut_short` when given.
cairo_surface_t* decode_tiff(std::string_view file, long long most_pixels, bool* cut_short = nullptr);

}  // namespace posteri
