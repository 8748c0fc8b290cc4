// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoding JPEG bytes, and two lossless rewrites of a JPEG stream: an arithmetic-coded one into
// Huffman coding (the coding PDF readers understand), and a damaged one into a whole stream.

#include <cairo.h>

#include <string>
#include <string_view>

namespace posteri {

// The stored pixel grid as a new RGB24 surface, at `eighths` / 8 of its size (1 to 16, libjpeg's
// cheap scaling while decoding; sizes round up), in the sRGB colours a colour-managed PDF reader
// shows of the photo: through its ICC profile when it carries a usable one, CMYK ones as poppler
// shows device CMYK inks. A `reduction` above 1 shrinks that further by the whole factor while the
// rows come, each band of that many rows box-filtered into one (sizes round up), so only one band is
// ever held at libjpeg's scale. nullptr when the data is damaged or cut short, or too large to hold.
cairo_surface_t* decode_jpeg(std::string_view bytes, int eighths = 8, int reduction = 1);

// The same coefficients, Huffman-coded, with the photo's ICC profile; empty when the data cannot
// be read.
std::string huffman_coded(std::string_view bytes);

// The coefficients libjpeg can read in a stream that is not whole (no EOI, stray bytes between
// segments, data cut short), written again as a whole Huffman-coded JPEG with the same markers;
// what is missing decodes as grey, as in any viewer. Empty when libjpeg cannot read the stream at
// all, or when what it wrote is not a whole stream either. It holds the whole coefficient image in
// memory: about 110 MB for 24 megapixels.
std::string repaired_jpeg(std::string_view bytes);

// Whether reading the stream's data meets damage or its end before the picture is complete (a scan
// cut short, bad codes), which a repair fills with grey; stray bytes between segments or a missing
// EOI alone are no damage. Reads every coefficient, as the repair does.
bool jpeg_data_damaged(std::string_view bytes);

}  // namespace posteri
