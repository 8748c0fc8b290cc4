// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo's pixels: its size as a short text, its pixels as BitmapBits, painting it onto a memory
// bitmap or a window, the general loader fGDIp_2hBMP, and halving BitmapBits.
//
// BitmapBits: width and height (32-bit little-endian), then the pixels row by row from the top,
// each blue, green, red and a reserved 0 byte; 8 + 4 x width x height bytes.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

struct BitsSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const BitsSize&) const = default;
};

// The size BitmapBits state; 0 x 0 when they are shorter than their 8 bytes of size.
BitsSize bits_size(std::string_view bits);

// The size LI_DIMEZ makes: each side halved (ties to even), a side that halves to 0 takes the
// other's half, and the longer side's half sets the proportional other. Nothing when both halves
// are 0 or the size is empty.
std::optional<BitsSize> halved_size(BitsSize size);

// Where the loader draws a w x h image in a bitmap: the whole bitmap, or for letterboxing the
// largest proportional size (ratio kept to four decimals), centred across the spare room.
struct Placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Placement&) const = default;
};
Placement photo_placement(int image_width, int image_height, int target_width, int target_height, bool letterbox);

// Background colour of the loader meaning "leave the bitmap as it is".
inline constexpr std::int32_t kNoBackground = -2;

// The photo's width and height formatted "##### x #####"; 0 for both when it cannot be read.
std::string LI_DIMEN_TESTO(Platform& platform, std::string_view file);

// The photo as BitmapBits at its own size, upright; "" when it cannot be decoded or has more pixels
// than are decoded at once (kMostDecodedPixels).
std::string LI_CARIC(Platform& platform, std::string_view file);

// Paints the photo onto the target: mode 1 stretches it over the whole target, any other mode fits
// it to the target's width, top-aligned. Nothing is painted when the photo cannot be loaded.
void LI_CARIC_SU(Platform& platform, MemoryBitmap& target, std::string_view file, std::int32_t mode);
void LI_CARIC_SU(Platform& platform, WindowHandle target, std::string_view file, std::int32_t mode);

// The general loader. Without a target: a new bitmap holding the whole photo at its own size. An
// empty file name takes the image on the clipboard (and empties it). Nothing when no image loads or
// it has more pixels than are decoded at once (kMostDecodedPixels): it never comes reduced.
std::unique_ptr<MemoryBitmap> fGDIp_2hBMP(ImageCodec& images, std::string_view file);
// Into a target bitmap: fit 0 stretches the image over the whole bitmap; any other fit letterboxes
// it after clearing the bitmap to `background` (a colour reference, 0x00BBGGRR; kNoBackground
// keeps what is there). False when no image loads.
bool fGDIp_2hBMP(ImageCodec& images, std::string_view file, MemoryBitmap& target, std::int32_t fit,
                 std::int32_t background);

// Halves the BitmapBits (see halved_size), replacing them; returns the new bits. Bits that cannot
// be halved stay as they are.
std::string LI_DIMEZ(Platform& platform, std::string& bits);

// The wait notice: the text in green, centred on a black window; nothing for window 0.
void LI_ATTES(Platform& platform, WindowHandle window, std::string_view text);

}  // namespace posteri
