// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JPEG XL photos through libjxl, which lives in a module of its own (libposteri-jxl.so) loaded the
// first time a JPEG XL photo is read: a run on a JPEG or a PNG never loads it.

#include <cstddef>
#include <string>
#include <string_view>

namespace posteri {

// What a JPEG XL file says of itself, read without decoding a pixel.
struct JxlFacts {
    int width = 0;  // the stored grid, before its orientation is applied
    int height = 0;
    int orientation = 1;  // the codestream's, EXIF's 1..8
    bool grey = false;
    bool alpha = false;
    bool sixteen_bits = false;  // more than 8 bits a sample stored
    std::string icc;            // the profile of the decoded pixels' colours
    std::string exif;           // the Exif box's TIFF block; empty when there is none
    bool jpeg = false;          // holds what rebuilds the JPEG it was made from
};

// Where the first frame's stored grid goes: `channels` samples a pixel (1 grey, 2 grey and alpha,
// 3 RGB, 4 RGBA) of `sample_bytes` (1, or 2 with the high byte first), rows of `width` pixels one
// after another.
struct JxlOutput {
    int width = 0;
    int height = 0;
    int channels = 3;
    int sample_bytes = 1;
    unsigned char* pixels = nullptr;  // filled with the background
};

// How much of the first frame was decoded.
enum class JxlDecoded { Nothing, Part, Whole };

struct JxlReader {
    // Reads the file's headers and boxes (of as much of it as there is); false when they are not
    // JPEG XL's.
    bool (*facts)(std::string_view file, JxlFacts& facts);
    // Decodes the first frame, not turned by its orientation. Data cut short gives what libjxl's
    // progressive rendering holds of it (Part); pixels it did not reach keep what they held.
    JxlDecoded (*decode)(std::string_view file, const JxlOutput& output);
    // The JPEG the file was made from, bit for bit; empty when it holds none or it cannot be rebuilt.
    std::string (*jpeg)(std::string_view file);
};

// The reader, loaded on first use; nullptr when its module cannot be loaded.
const JxlReader* jxl_reader();

}  // namespace posteri
