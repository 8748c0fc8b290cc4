// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way the photo room opens a PNG with libpng: quietly (no message is ever printed, errors
// jump back), within limits that keep a hostile file as cheap as its size, and keeping the chunks
// the program uses alone.

#include <png.h>

#include <cstdio>
#include <optional>
#include <string>

namespace posteri {

// A libpng reader of the PNG in `file` from its current position to its end. No chunk is held
// in memory beyond the bytes left in the file; text, suggested palettes, calibration and the like
// are skipped unread; of the iCCP chunks (PNG allows one) only the first is kept, as stored, and
// inflated only when asked for.
class PngReader {
  public:
    explicit PngReader(std::FILE* file);
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool ready() const { return png != nullptr && info != nullptr; }
    // The profile of the first iCCP chunk; empty when there is none or it is damaged.
    std::string icc_profile() const;

    png_structp png = nullptr;
    png_infop info = nullptr;

  private:
    static int keep_first_profile(png_structp png, png_unknown_chunkp chunk);

    std::optional<std::string> packed_profile_;
};

}  // namespace posteri
