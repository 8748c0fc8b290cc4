// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux image codec: photo facts from JPEG (or PNG) headers, photos as cairo bitmaps that keep
// an embeddable JPEG where they can, and memory bitmaps as cairo RGB24 surfaces.

#include "platform/photos/images.h"

namespace posteri {

class JpegCodec : public ImageCodec {
public:
    std::optional<PhotoFacts> facts(const std::string& path) override;
    std::unique_ptr<MemoryBitmap> load_photo(const std::string& path) override;
    // Maps the file while it is held under a read lease (nobody can then open it for writing or
    // truncate it until the bitmap is gone); reads it like load_photo() when no lease is granted.
    std::unique_ptr<MemoryBitmap> load_photo_to_print(const std::string& path, long long most_pixels) override;
    std::unique_ptr<MemoryBitmap> take_clipboard_image() override;
    std::unique_ptr<MemoryBitmap> create_bitmap(int width, int height) override;
    std::string read_bits(const MemoryBitmap& bitmap) override;
    void write_bits(MemoryBitmap& bitmap, std::string_view bits) override;
    void clear(MemoryBitmap& bitmap, std::uint32_t rgb) override;
    void stretch(const MemoryBitmap& source, const PixelRect& from, MemoryBitmap& target,
                 const DeviceRect& to) override;
};

}  // namespace posteri
