// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TIFF photos through libtiff, which lives in a module of its own (libposteri-tiff.so) loaded the
// first time a TIFF photo is read: a run on a JPEG or a PNG never loads it. Only the first page is read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace posteri {

// Where one strip's data lies in the file, as its header says.
struct TiffStrip {
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
};

// What the first page's directory says, read without decoding a pixel. Numbers keep TIFF's own codes.
struct TiffFeatures {
    int width = 0;
    int height = 0;
    int samples = 1;  // per pixel, extra samples (alpha) included
    int extra_samples = 0;
    int bits = 8;
    int sample_format = 1;  // 1 unsigned integers
    int photometric = 1;
    int compression = 1;
    int predictor = 1;
    int ink_set = 1;     // 1 CMYK
    int fill_order = 1;  // 1 most significant bit first
    int group4_options = 0;
    bool planar_contiguous = true;
    bool tiled = false;
    bool big_endian = false;
    int orientation = 1;      // 1..8, as EXIF counts them
    int resolution_unit = 2;  // 1 none, 2 inch, 3 centimetre
    float x_resolution = 0;
    float y_resolution = 0;
    int rows_per_strip = 0;
    std::vector<TiffStrip> strips;  // empty when tiled
    std::string icc;                // TIFFTAG_ICCPROFILE; empty when there is none
    std::string jpeg_tables;        // JPEGTables of a JPEG-compressed page
    // Whether `decode` gives the page's colour samples as stored: grey, RGB or CMYK of 8 or 16 bits,
    // interleaved, without alpha (a JPEG page in YCbCr comes as RGB).
    bool plain_samples = false;
};

// How decoded pixels are laid out: the page's colour samples as stored (16-bit ones big-endian, as
// a PDF stream holds them), or three bytes of RGB laid over white, for any page libtiff reads.
enum class TiffSamples { Stored, Rgb };

// Where the decoded page goes, sampled down by the decoder to `width` x `height`.
struct TiffOutput {
    int width = 0;
    int height = 0;
    TiffSamples samples = TiffSamples::Rgb;
    int bits = 8;                   // of Stored samples: 8, or the page's 16
    unsigned char* rows = nullptr;  // `height` rows of `stride` bytes
    std::size_t stride = 0;
};

// How much of the page was decoded.
enum class TiffDecoded { Nothing, Part, Whole };

struct TiffDecoder {
    // Reads the first page's directory; false when it is no TIFF libtiff reads.
    bool (*features)(std::string_view file, TiffFeatures& features);
    // Decodes the first page into `output`. Data cut short or damaged leaves the rows decoded before
    // it (Part); rows not reached keep what they held.
    TiffDecoded (*decode)(std::string_view file, const TiffOutput& output);
};

// The decoder, loaded on first use; nullptr when its module cannot be loaded.
const TiffDecoder* tiff_decoder();

}  // namespace posteri
