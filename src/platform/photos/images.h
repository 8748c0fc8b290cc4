// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Photos and memory bitmaps: facts read from a photo's headers, its pixels, and bitmaps held by the
// platform (32-bit, pixels blue, green, red, reserved) that can be stretched and read as BitmapBits.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace posteri {

// A bitmap held by the platform. A bitmap made from a photo file may also keep the file's original
// bytes, so that a printer can embed them instead of its pixels.
class MemoryBitmap {
public:
    virtual ~MemoryBitmap() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // A photo whose data was cut short or damaged: the bitmap holds the part that could be read, the
    // rest as a viewer shows it.
    virtual bool incomplete() const { return false; }
};

// What a photo's headers say, with its stored orientation already applied (a photo turned a quarter
// reports its width and height, and its resolutions, swapped).
struct PhotoFacts {
    int width = 0;
    int height = 0;
    float dpi_x = 96;
    float dpi_y = 96;
    bool operator==(const PhotoFacts&) const = default;
};

// No decode holds more pixels than this at once (a 20000 x 20000 photo would take 1.6 GB): a photo
// whose pixels must be decoded and that is larger comes reduced where a reduced photo serves, and is
// refused where only its own size does.
inline constexpr long long kMostDecodedPixels = 64'000'000;

// Whether a photo of this size can be decoded at its own size.
inline bool decodable_whole(long long width, long long height) {
    return width > 0 && height > 0 && width * height <= kMostDecodedPixels;
}

class ImageCodec {
public:
    virtual ~ImageCodec() = default;
    // From the headers alone; nothing when the file cannot be read as an image.
    virtual std::optional<PhotoFacts> facts(const std::string& path) = 0;
    // The whole photo, upright; nothing when its pixels cannot be decoded. A photo whose pixels must
    // be decoded and that is larger than kMostDecodedPixels comes reduced, in its own proportions.
    virtual std::unique_ptr<MemoryBitmap> load_photo(const std::string& path) = 0;
    // The same, for a photo that is printed at once and then let go: the platform may hold the file
    // itself instead of a copy of its bytes until the bitmap is gone, and decoded pixels need be no
    // more than `most_pixels`, what the printer's sheet holds (a larger bitmap adds nothing to it).
    virtual std::unique_ptr<MemoryBitmap> load_photo_to_print(const std::string& path, long long most_pixels) {
        (void)most_pixels;
        return load_photo(path);
    }
    // The image on the desktop's clipboard, which is emptied; nothing when there is none.
    virtual std::unique_ptr<MemoryBitmap> take_clipboard_image() { return nullptr; }
    // A blank bitmap; nothing for an empty size or one larger than memory allows.
    virtual std::unique_ptr<MemoryBitmap> create_bitmap(int width, int height) = 0;
    // The bitmap as BitmapBits: width and height (32-bit little-endian), then the pixels.
    virtual std::string read_bits(const MemoryBitmap& bitmap) = 0;
    // Fills the bitmap from BitmapBits of the same size.
    virtual void write_bits(MemoryBitmap& bitmap, std::string_view bits) = 0;
    virtual void clear(MemoryBitmap& bitmap, std::uint32_t rgb) = 0;
    // Halftone stretch of a source rectangle onto a destination rectangle, corners inclusive.
    virtual void stretch(const MemoryBitmap& source, const PixelRect& from, MemoryBitmap& target,
                         const DeviceRect& to) = 0;
};

}  // namespace posteri
